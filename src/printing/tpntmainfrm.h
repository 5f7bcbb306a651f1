#pragma once

#include "listcolumns.h"

#include <QDialog>

class QPushButton;
class QStackedWidget;
class ReportPrinter;
class TDataF;
class TPreviewF;
class TsetupF;

// The report print window ("打印窗体"): every list of the system prints
// through it. The caller builds the report text, creates the window, calls
// Load and shows the window modally when Load answered true.
//
//     TPntMainFrm window(this);
//     if (window.Load(reportText))
//         window.exec();
class TPntMainFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(TPntMainFrm)
public:
    enum Tab { DataTab, PreviewTab, SetupTab };

    // settingsPath: the page setup file, MutiPntSetupf where ClientFiles keeps it
    // when empty.
    explicit TPntMainFrm(QWidget *parent = nullptr, const QString &settingsPath = QString());
    ~TPntMainFrm() override;

    // Loads the report text into the data page and sets the pages up again;
    // kinds says which of its columns are amounts (the list grid's
    // listColumns()). False when the text holds no list (the window is then
    // not shown).
    bool Load(const QString &text, const ListColumns &kinds = ListColumns());

    // Switches to a tab as its button does: the preview is built (twice, so
    // that the footers carry the page total), the setup page refilled.
    void showTab(Tab tab);
    Tab currentTab() const;

    TDataF *dataPage() const { return m_data; }
    TPreviewF *previewPage() const { return m_preview; }
    TsetupF *setupPage() const { return m_setup; }
    ReportPrinter *printer() const { return m_printer; }
    QPushButton *tabButton(int index) const;

    // Closing saves the page setup.
    void done(int result) override;

private:
    ReportPrinter *m_printer;
    TDataF *m_data = nullptr;
    TPreviewF *m_preview = nullptr;
    TsetupF *m_setup = nullptr;
    QStackedWidget *m_pages = nullptr;
    QList<QPushButton *> m_buttons;
};
