#pragma once

#include "printlayout.h"
#include "reportprinter.h"
#include "tfax.h"

#include <QDialog>
#include <QImage>
#include <QList>
#include <array>
#include <functional>

class FileBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSpinBox;
class StringGrid;

// The print/fax dialog ("打印") of every document window. The window fills
// the PrintLayout (container, PrintLabels, reference points), may hand over
// a grid to be printed five rows per page, and shows the dialog modally; the
// dialog adds the margins and the fax port, keeps them in SinglePntsetupf
// and prints the document on the printer, writes it to a PDF file, or faxes
// it through the Class 2 fax modem. A PDF written or a fax sent is
// confirmed ("已写入 …", "传真已发送") and closes the dialog.
//
// The output chosen last, the folder of the last PDF and the plain-paper
// choice are kept in PrintChoices.txt beside SinglePntsetupf (GB18030 text,
// key=value lines), so the next print offers them again.
//
//   PrintLayout &layout = PrintLayout::shared();
//   layout.Container = sheet; layout.PrintLabels = 1; ... reference points
//   TPntSetupFrm dialog(this);
//   dialog.setGrid(cargoGrid);   // optional
//   dialog.exec();
//
// 打印 may raise KorvanError ("未安装打印机!") or EFaxError after showing its
// message; the error then ends the user action like any other.
class TPntSetupFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(TPntSetupFrm)
public:
    enum Output { PrinterOutput, FaxOutput, PdfOutput };
    enum MarginBox { LeftMargin, RightMargin, TopMargin, BottomMargin };
    static constexpr int RowsPerPage = 5;

    explicit TPntSetupFrm(QWidget *parent = nullptr, PrintLayout &layout = PrintLayout::shared());
    ~TPntSetupFrm() override;

    // SinglePntsetupf where ClientFiles keeps it unless another path was set for
    // the process (tests set one of their own).
    static QString defaultSettingsPath();
    static void setDefaultSettingsPath(const QString &path);
    QString settingsPath() const { return m_settingsPath; }

    // A grid printed RowsPerPage rows per page at its place on the form
    // (row 0, its heading, on the first page only). Not owned.
    void setGrid(StringGrid *grid) { m_grid = grid; }
    StringGrid *grid() const { return m_grid; }
    // The printer's document title; a PDF file not chosen yet takes its name.
    void setDocumentTitle(const QString &title);
    QString documentTitle() const { return m_documentTitle; }

    Output output() const;
    void setOutput(Output output);
    QString pdfFileName() const;
    void setPdfFileName(const QString &fileName);
    // The last faxed page, written as a black-and-white BMP: faxtest.bmp in
    // the working directory (per user: the documents folder) unless set otherwise.
    QString faxBitmapPath() const { return m_faxBitmapPath; }
    void setFaxBitmapPath(const QString &path) { m_faxBitmapPath = path; }

    // A document printed as values onto a pre-printed form that can also be
    // printed on plain paper, with its captions and boxes: the dialog offers
    // the choice 白纸打印 (kept with the other choices). On 打印 apply gets
    // the choice before the document is drawn, and the labels are printed
    // exactly when it is on.
    void offerPlainPaper(std::function<void(bool plain)> apply);
    bool plainPaper() const;
    void setPlainPaper(bool plain);
    QCheckBox *plainPaperBox() const { return m_plainPaper; }
    // PrintChoices.txt beside the settings file.
    QString choicesPath() const;

    // The number of pages a print (or fax) of the current grid takes.
    int pageCount() const;

    // 打印 and 设置.
    void print();
    void setupPrinter();

    // The fax driver (its status drives the status line) and the printer.
    TFax &fax() { return m_fax; }
    ReportPrinter &printers() { return m_printer; }

    // What the last 打印 produced: the pages drawn, and for a fax whether it
    // was sent.
    int lastPageCount() const { return m_lastPageCount; }
    bool lastFaxSent() const { return m_lastFaxSent; }

    // The controls, for the windows and the tests.
    QRadioButton *outputButton(Output output) const { return m_outputs.at(output); }
    QSpinBox *copiesBox() const { return m_copies; }
    QLineEdit *faxNumberBox() const { return m_faxNumber; }
    QComboBox *portBox() const { return m_port; }
    QLineEdit *pdfFileBox() const;
    QLineEdit *marginBox(MarginBox box) const { return m_margins.at(box); }
    QPushButton *setupButton() const { return m_setupButton; }
    QPushButton *printButton() const { return m_printButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QLabel *statusLine() const { return m_status; }

private:
    void loadSettings();
    void saveSettings();
    void loadChoices();
    void saveChoices();
    // "已写入 …" / "传真已发送", then the dialog closes.
    void confirmAndClose(const QString &text);
    void normaliseMargins();
    void showOutputColours();
    void printDocument(QPrinter &printer, const QString &target);
    QList<QImage> renderFaxPages();
    void sendFax();
    [[noreturn]] void noPrinter();
    // The printer route's target: the current printer, else the default one.
    void choosePrinter();

    PrintLayout &m_layout;
    QString m_settingsPath;
    StringGrid *m_grid = nullptr;
    QString m_documentTitle;
    QString m_faxBitmapPath;
    ReportPrinter m_printer;
    TFax m_fax;
    int m_lastPageCount = 0;
    bool m_lastFaxSent = false;

    std::array<QRadioButton *, 3> m_outputs{};
    QSpinBox *m_copies;
    QLineEdit *m_faxNumber;
    QComboBox *m_port;
    FileBox *m_pdfFile;
    std::array<QLineEdit *, 4> m_margins{};
    QPushButton *m_setupButton;
    QPushButton *m_printButton;
    QPushButton *m_cancelButton;
    QLabel *m_status;
    QCheckBox *m_plainPaper;
    std::function<void(bool plain)> m_applyPlainPaper;
    QString m_keptFolder;
};
