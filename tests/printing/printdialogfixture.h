#pragma once

// Printing a document window to PDF as a user does: its 打印 opens the
// print/fax dialog, PDF文件 is chosen, 打印 and 取消 are pressed.

#include "modalhelper.h"
#include "printablesheet.h"
#include "printlayout.h"
#include "reportfixture.h"
#include "tpntsetupfrm.h"

#include <QPushButton>
#include <QScopeGuard>

namespace PrintDialogFixture {

struct Printed {
    QList<ReportFixture::PdfWord> words;
    QWidget *container = nullptr; // what the window handed the dialog
    QString title;                // the document title it gave

    QStringList texts() const
    {
        QStringList out;
        for (const ReportFixture::PdfWord &w : words)
            out << w.text;
        return out;
    }
};

// press opens the print/fax dialog (a click on the window's 打印); choose
// (when given) makes the user's other choices in it.
inline Printed printToPdf(const std::function<void()> &press, const QString &pdf,
                          const std::function<void(TPntSetupFrm &)> &choose = {})
{
    Printed printed;
    QFile::remove(pdf);
    PrintableSheet::setDialogHook([&](TPntSetupFrm &dialog) {
        dialog.setOutput(TPntSetupFrm::PdfOutput);
        dialog.setPdfFileName(pdf);
        if (choose)
            choose(dialog);
        printed.container = PrintLayout::shared().Container;
        printed.title = dialog.documentTitle();
    });
    const auto unhook = qScopeGuard([] { PrintableSheet::setDialogHook({}); });
    ModalHelper::onNextModal([](QWidget *modal) {
        if (auto *dialog = qobject_cast<TPntSetupFrm *>(modal)) {
            dialog->printButton()->click();
            dialog->cancelButton()->click();
        }
    });
    press();
    printed.words = ReportFixture::pdfWords(pdf);
    return printed;
}

} // namespace PrintDialogFixture
