#pragma once

#include <QFont>
#include <QWidget>
#include <array>

class FileBox;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class ReportPrinter;
class TDataF;
class TPreviewF;

// The setup page of the report print window (tab "设置和打印窗口"): the
// printer (or PDF file) and orientation, the margins and spacings in
// millimetres, the three fonts, and 应用, 设置 and 打印.
class TsetupF : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(TsetupF)
public:
    enum Box { Left, Right, Top, Bottom, TitleGap, HeaderGap, LineGap, SummaryGap, BoxCount };
    enum FontHolder { TitleFont, BodyFont, SummaryFont };

    TsetupF(TDataF *dataPage, TPreviewF *preview, ReportPrinter *printer, QWidget *parent = nullptr);
    ~TsetupF() override;

    // MutiPntSetupf where ClientFiles keeps it unless told otherwise.
    QString settingsPath() const { return m_settingsPath; }
    void setSettingsPath(const QString &path) { m_settingsPath = path; }

    // Portrait, the stored settings, the controls filled, the settings applied.
    void initialise();
    // The controls from the printer, the settings and the data page's fonts.
    void refill();
    // The controls into the printer, the settings and the data page's fonts.
    void apply();
    // Writes the nine integers of the settings file.
    bool saveSettings();
    // 打印: apply, count the pages, print (or write the PDF file).
    void printReport();

    // A font holder as the next 应用 will apply it (what 修改 sets).
    void setFontHolder(FontHolder holder, const QFont &font);
    QFont fontHolder(FontHolder holder) const { return m_fonts.at(holder); }

    // The controls, for the window and its tests.
    QComboBox *printerBox() const { return m_printerBox; }
    QRadioButton *portraitButton() const { return m_portrait; }
    QRadioButton *landscapeButton() const { return m_landscape; }
    QFrame *pagePicture() const { return m_pagePicture; }
    QLineEdit *box(Box which) const { return m_boxes.at(which); }
    QLineEdit *pdfFileBox() const;
    QLabel *fontCaption(FontHolder holder) const { return m_fontCaptions.at(holder); }
    QPushButton *applyButton() const { return m_applyButton; }
    QPushButton *setupButton() const { return m_setupButton; }
    QPushButton *printButton() const { return m_printButton; }

private:
    void orientationClicked(int orientation);
    void showOrientation(int orientation);
    void showFontCaptions();
    void targetChosen();
    void chooseFont(FontHolder holder);
    void runSetupDialog();

    TDataF *m_data;
    TPreviewF *m_preview;
    ReportPrinter *m_printer;
    QString m_settingsPath;
    int m_shownOrientation = 0;

    QComboBox *m_printerBox;
    QRadioButton *m_portrait;
    QRadioButton *m_landscape;
    QButtonGroup *m_orientationGroup;
    QFrame *m_pagePicture;
    QSpinBox *m_copies;
    QCheckBox *m_fax;
    QLineEdit *m_faxNumber;
    FileBox *m_pdfFile;
    std::array<QLineEdit *, BoxCount> m_boxes{};
    std::array<QFont, 3> m_fonts;
    std::array<QLabel *, 3> m_fontCaptions{};
    QPushButton *m_applyButton;
    QPushButton *m_setupButton;
    QPushButton *m_printButton;
};
