#include "reportprinter.h"

#include "korvanerror.h"
#include "reportsettings.h"

#include <QDir>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

using namespace Qt::StringLiterals;

ReportPrinter::ReportPrinter()
    : m_pdfFileName(QDir::current().absoluteFilePath(u"报表.pdf"_s))
{
    setCurrentTarget(QString());
}

ReportPrinter::~ReportPrinter() = default;

QString ReportPrinter::pdfTargetName()
{
    return u"PDF文件"_s;
}

QString ReportPrinter::noPrinterMessage()
{
    return u"未安装打印机!"_s;
}

QStringList ReportPrinter::targetNames() const
{
    QStringList names = QPrinterInfo::availablePrinterNames();
    names.append(pdfTargetName());
    return names;
}

bool ReportPrinter::hasPrinters() const
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool ReportPrinter::isPdf() const
{
    return m_target == pdfTargetName();
}

void ReportPrinter::setCurrentTarget(const QString &name)
{
    QString target = name;
    if (target != pdfTargetName() && !QPrinterInfo::availablePrinterNames().contains(target)) {
        target = QPrinterInfo::defaultPrinterName();
        if (target.isEmpty())
            target = pdfTargetName();
    }
    if (target == m_target && m_printer)
        return;
    m_target = target;
    m_printer.reset();
}

void ReportPrinter::setOrientation(int orientation)
{
    m_orientation = orientation == ReportSettings::Landscape ? ReportSettings::Landscape : ReportSettings::Portrait;
    if (m_printer) {
        m_printer->setPageOrientation(m_orientation == ReportSettings::Landscape ? QPageLayout::Landscape
                                                                                  : QPageLayout::Portrait);
    }
}

void ReportPrinter::makePrinter()
{
    if (isPdf()) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setResolution(600);
        m_printer->setPageSize(QPageSize(QPageSize::A4));
        m_printer->setFullPage(true);
        m_printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    } else {
        const QPrinterInfo info = QPrinterInfo::printerInfo(m_target);
        if (info.isNull())
            throw KorvanError(noPrinterMessage());
        m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    setOrientation(m_orientation);
}

QPrinter &ReportPrinter::printer()
{
    if (!m_printer)
        makePrinter();
    if (isPdf())
        m_printer->setOutputFileName(m_pdfFileName);
    return *m_printer;
}

QSize ReportPrinter::pagePixels()
{
    QPrinter &p = printer();
    return QSize(p.width(), p.height());
}

int ReportPrinter::dpiX()
{
    return printer().logicalDpiX();
}

int ReportPrinter::dpiY()
{
    return printer().logicalDpiY();
}

bool ReportPrinter::runSetupDialog(QWidget *parent)
{
    QPrinter &p = printer();
    bool accepted = false;
    if (isPdf()) {
        QPageSetupDialog dialog(&p, parent);
        accepted = dialog.exec() == QDialog::Accepted;
    } else {
        QPrintDialog dialog(&p, parent);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (accepted) {
        if (!isPdf() && p.outputFormat() == QPrinter::NativeFormat && !p.printerName().isEmpty())
            m_target = p.printerName();
        m_orientation = p.pageLayout().orientation() == QPageLayout::Landscape ? ReportSettings::Landscape
                                                                               : ReportSettings::Portrait;
    }
    return accepted;
}
