#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;
class QWidget;

// Where a list report goes: one of the installed printers or a PDF file.
// Holds the printer object of the current target with its orientation; the
// preview takes its page from here, so it shows the page of the chosen
// printer (an A4 page for PDF).
//
// The PDF target is always there, so a machine without printers still
// previews and outputs reports; the "no printer" errors belong to the
// printer route only.
class ReportPrinter
{
public:
    ReportPrinter();
    ~ReportPrinter();
    Q_DISABLE_COPY(ReportPrinter)

    // Name of the PDF target in the list of printers.
    static QString pdfTargetName();
    // The error raised when a printer is needed and none is installed.
    static QString noPrinterMessage();

    // The installed printers, then the PDF target.
    QStringList targetNames() const;
    bool hasPrinters() const;
    QString currentTarget() const { return m_target; }
    // An unknown name (a printer no longer installed) chooses the default
    // printer, or PDF when there is none.
    void setCurrentTarget(const QString &name);
    bool isPdf() const;

    int orientation() const { return m_orientation; } // ReportSettings::Portrait / Landscape
    void setOrientation(int orientation);

    QString pdfFileName() const { return m_pdfFileName; }
    void setPdfFileName(const QString &fileName) { m_pdfFileName = fileName; }

    // The printer of the current target, orientation applied. For PDF it
    // writes to pdfFileName() at 600 dots per inch, the whole sheet drawable.
    QPrinter &printer();

    // The drawable page in device pixels and the resolution.
    QSize pagePixels();
    int dpiX();
    int dpiY();

    // The system's printer set-up dialog (page set-up for PDF). True when
    // confirmed; the orientation is taken from the printer afterwards.
    bool runSetupDialog(QWidget *parent);

private:
    void makePrinter();

    QString m_target;
    int m_orientation = 0;
    QString m_pdfFileName;
    std::unique_ptr<QPrinter> m_printer;
};
