#pragma once

#include "reportdocument.h"

#include <QWidget>
#include <array>

class FileBox;
class QLabel;
class QPushButton;
class StringGrid;

// The data page of the report print window (tab "数据窗口"): the header band
// with the subtitle, the title and six header texts, the list of the report
// and the footer band with the summary above the three signature captions.
// The layout prints everything from document(). Below them, 导出Excel writes
// the report as shown (rows in their sorted order) to the workbook named in
// the Excel file box, by default the report's title in the working folder.
class TDataF : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(TDataF)
public:
    explicit TDataF(QWidget *parent = nullptr);
    ~TDataF() override;

    // Reads a report text (see ReportDocument::load), with the kinds of its
    // columns as the list declared them. False when the column count is not
    // a number: the list is left as it was. "Local" (the window's
    // placeholder) shows "Local" as subtitle and answers false.
    bool Load(const QString &text, const ListColumns &kinds = ListColumns());

    // The report as the page shows it, with the list's current column widths.
    const ReportDocument &document() const { return m_doc; }

    // Sorts the rows by a column, ascending, case-insensitively (as a click
    // on the column heading does).
    void sortByColumn(int column);

    // 导出Excel: the report to the file of the Excel file box; the outcome,
    // written or not, is shown through the message service.
    void exportExcel();

    StringGrid *list() const { return m_list; }
    QLabel *subtitleLabel() const { return m_subtitle; }
    QLabel *titleLabel() const { return m_title; }
    QLabel *headerLabel(int index) const { return m_headers.at(index); }
    QLabel *summaryLabel() const { return m_summary; }
    QLabel *signatureLabel(int index) const { return m_signatures.at(index); }
    FileBox *excelFileBox() const { return m_excelFile; }
    QPushButton *exportButton() const { return m_exportButton; }

    // The fonts the setup page reads and changes: the title; the body (list,
    // column captions and the six header texts); the summary (summary and
    // signature captions).
    QFont titleFont() const { return m_doc.titleFont; }
    QFont headerTextFont() const { return m_doc.headerFont; }
    QFont summaryFont() const { return m_doc.summaryFont; }
    void setTitleFont(const QFont &font);
    void setBodyFont(const QFont &font);
    void setSummaryFont(const QFont &font);

private:
    void showRows();
    void applyFonts();

    ReportDocument m_doc;
    QLabel *m_subtitle;
    QLabel *m_title;
    std::array<QLabel *, 6> m_headers;
    StringGrid *m_list;
    QLabel *m_summary;
    std::array<QLabel *, 3> m_signatures;
    FileBox *m_excelFile;
    QPushButton *m_exportButton;
};
