#include "reportworkbook.h"

#include "korvanerror.h"
#include "reportdocument.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr double MaxColumnWidth = 60;

std::optional<QDate> readDate(const QString &text)
{
    static const QRegularExpression pattern(u"^\\d{4}-\\d{2}-\\d{2}$"_s);
    const QString trimmed = text.trimmed();
    if (!pattern.match(trimmed).hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(trimmed, u"yyyy-MM-dd"_s);
    // Excel counts its dates from 1900.
    if (!date.isValid() || date.year() < 1900)
        return std::nullopt;
    return date;
}

// A text's width in Excel's unit, the width of a digit: wide (CJK) characters
// take two.
double textWidth(const QString &text)
{
    double width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x2E80 ? 2 : 1;
    return width;
}

// Excel's sheet names: at most 31 characters, none of []:*?/\, no apostrophe
// at either end.
QByteArray sheetName(lxw_workbook *book, const QString &title)
{
    QString name = title.trimmed();
    static const QString unsafe = u"[]:*?/\\"_s;
    for (QChar &c : name) {
        if (unsafe.contains(c) || c < u' ')
            c = u'_';
    }
    qsizetype end = 0;
    for (int counted = 0; end < name.size() && counted < 31; ++counted)
        end += name.at(end).isHighSurrogate() && end + 1 < name.size() ? 2 : 1;
    name.truncate(end);
    while (name.startsWith(u'\'') || name.endsWith(u'\''))
        name = name.startsWith(u'\'') ? name.mid(1) : name.chopped(1);
    const QByteArray utf8 = name.toUtf8();
    if (name.trimmed().isEmpty() || workbook_validate_sheet_name(book, utf8.constData()) != LXW_NO_ERROR)
        return u"报表"_s.toUtf8();
    return utf8;
}

} // namespace

ReportWorkbook::ReportWorkbook(const ReportDocument &document)
    : m_doc(document)
{
    for (int c = 0; c < m_doc.columns.size(); ++c) {
        if (m_doc.columns.at(c).kind == ListColumns::Kind::Amount) {
            m_kinds.append(ColumnKind::Amount);
            continue;
        }
        bool allAmounts = true;
        bool anyPoint = false;
        bool allDates = true;
        bool anyCell = false;
        for (int r = 0; r < m_doc.rows.size() && (allAmounts || allDates); ++r) {
            const QString cell = m_doc.cell(r, c);
            if (cell.isEmpty())
                continue;
            anyCell = true;
            if (allAmounts && readAmount(cell))
                anyPoint = anyPoint || cell.contains(u'.');
            else
                allAmounts = false;
            allDates = allDates && readDate(cell).has_value();
        }
        if (anyCell && allAmounts && anyPoint)
            m_kinds.append(ColumnKind::Amount);
        else if (anyCell && allDates)
            m_kinds.append(ColumnKind::Date);
        else
            m_kinds.append(ColumnKind::Text);
    }
}

ReportWorkbook::ColumnKind ReportWorkbook::columnKind(int column) const
{
    return m_kinds.value(column, ColumnKind::Text);
}

std::optional<double> ReportWorkbook::readAmount(const QString &text)
{
    static const QRegularExpression pattern(u"^-?(0|[1-9]\\d*|[1-9]\\d{0,2}(,\\d{3})+)(\\.\\d+)?$"_s);
    QString trimmed = text.trimmed();
    if (trimmed.startsWith(u'\x2212')) // a typeset minus
        trimmed[0] = u'-';
    if (!pattern.match(trimmed).hasMatch())
        return std::nullopt;
    trimmed.remove(u',');
    if (std::count_if(trimmed.cbegin(), trimmed.cend(), [](QChar c) { return c.isDigit(); }) > 15)
        return std::nullopt;
    const double value = trimmed.toDouble();
    return value == 0 ? 0.0 : value; // no "-0" in a sheet
}

void ReportWorkbook::save(const QString &fileName) const
{
    const QString target = QFileInfo(fileName).absoluteFilePath();
    const auto cannotWrite = [&target](const QString &reason) {
        return KorvanError(u"无法写入Excel文件: "_s + target + u'\r' + reason);
    };
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target on commit; libxlsxwriter writes a file of its own, so the
    // workbook is built in a scratch folder first and copied in.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw cannotWrite(out.errorString());
    const QTemporaryDir scratch;
    if (!scratch.isValid())
        throw KorvanError(u"导出Excel出错: 无法建立临时文件夹 "_s + scratch.errorString());
    const QString built = scratch.filePath(u"report.xlsx"_s);
    write(built);
    QFile in(built);
    if (!in.open(QIODevice::ReadOnly))
        throw KorvanError(u"导出Excel出错: "_s + in.errorString());
    const QByteArray bytes = in.readAll();
    if (out.write(bytes) != bytes.size() || !out.commit())
        throw cannotWrite(out.errorString());
}

void ReportWorkbook::write(const QString &path) const
{
    // Titles, header lines, captions, a blank line and the summary: six rows
    // at most besides the list.
    if (m_doc.rows.size() + 6 > qsizetype(LXW_ROW_MAX) || m_doc.columns.size() > qsizetype(LXW_COL_MAX))
        throw KorvanError(u"导出Excel出错: 报表超出工作表的大小(%1行, %2列)"_s.arg(LXW_ROW_MAX).arg(LXW_COL_MAX));
    lxw_workbook *book = workbook_new(QFile::encodeName(path).constData());
    if (!book)
        throw KorvanError(u"导出Excel出错: 无法建立工作簿"_s);
    // The first failing call is reported; the workbook is closed (and freed)
    // in any case.
    lxw_error error = LXW_NO_ERROR;
    const auto keep = [&error](lxw_error result) {
        if (error == LXW_NO_ERROR)
            error = result;
    };

    lxw_worksheet *sheet = workbook_add_worksheet(book, sheetName(book, m_doc.title).constData());
    lxw_format *subtitleFormat = workbook_add_format(book);
    format_set_font_size(subtitleFormat, 14);
    format_set_align(subtitleFormat, LXW_ALIGN_CENTER);
    lxw_format *titleFormat = workbook_add_format(book);
    format_set_font_size(titleFormat, 15);
    format_set_bold(titleFormat);
    format_set_align(titleFormat, LXW_ALIGN_CENTER);
    lxw_format *rightFormat = workbook_add_format(book);
    format_set_align(rightFormat, LXW_ALIGN_RIGHT);
    lxw_format *captionFormat = workbook_add_format(book);
    format_set_bold(captionFormat);
    format_set_border(captionFormat, LXW_BORDER_THIN);
    format_set_bg_color(captionFormat, 0xE8E8E8);
    lxw_format *amountFormat = workbook_add_format(book);
    format_set_num_format(amountFormat, "#,##0.000");
    lxw_format *dateFormat = workbook_add_format(book);
    format_set_num_format(dateFormat, "yyyy-mm-dd");

    const int columns = int(m_doc.columns.size());
    lxw_row_t row = 0;
    const auto text = [&](lxw_row_t r, int column, const QString &value, lxw_format *format = nullptr) {
        keep(worksheet_write_string(sheet, r, lxw_col_t(column), value.toUtf8().constData(), format));
    };

    // The titles, each merged across the list's columns.
    const auto titleLine = [&](const QString &value, lxw_format *format, double height) {
        if (value.isEmpty())
            return;
        if (columns > 1)
            keep(worksheet_merge_range(sheet, row, 0, row, lxw_col_t(columns - 1), value.toUtf8().constData(),
                                       format));
        else
            text(row, 0, value, format);
        keep(worksheet_set_row(sheet, row, height, nullptr));
        ++row;
    };
    titleLine(m_doc.subtitle, subtitleFormat, 20);
    titleLine(m_doc.title, titleFormat, 22);

    // The header texts: left, middle and right as on the page.
    const std::array<int, 3> places =
        columns >= 3 ? std::array<int, 3>{0, columns / 2, columns - 1} : std::array<int, 3>{0, 1, 2};
    for (int line = 0; line < 2; ++line) {
        bool written = false;
        for (int i = 0; i < 3; ++i) {
            const QString &value = m_doc.headerTexts.at(size_t(line * 3 + i));
            if (value.isEmpty())
                continue;
            text(row, places.at(size_t(i)), value, i == 2 && columns >= 3 ? rightFormat : nullptr);
            written = true;
        }
        if (written)
            ++row;
    }

    QList<double> widths;
    for (int c = 0; c < columns; ++c) {
        text(row, c, m_doc.columns.at(c).caption, captionFormat);
        widths.append(textWidth(m_doc.columns.at(c).caption) * 1.1); // bold
    }
    worksheet_freeze_panes(sheet, row + 1, 0);
    ++row;

    const QLocale grouped(QLocale::English);
    for (int r = 0; r < m_doc.rows.size(); ++r, ++row) {
        for (int c = 0; c < columns; ++c) {
            const QString cell = m_doc.cell(r, c);
            if (cell.isEmpty())
                continue;
            ColumnKind kind = m_kinds.at(c);
            const std::optional<double> amount = kind == ColumnKind::Amount ? readAmount(cell) : std::nullopt;
            if (kind == ColumnKind::Amount && !amount)
                kind = ColumnKind::Text; // in a declared amount column, a text that is no amount
            switch (kind) {
            case ColumnKind::Amount:
                keep(worksheet_write_number(sheet, row, lxw_col_t(c), *amount, amountFormat));
                widths[c] = std::max(widths.at(c), textWidth(grouped.toString(*amount, 'f', 3)));
                break;
            case ColumnKind::Date: {
                const QDate date = *readDate(cell);
                lxw_datetime moment{date.year(), date.month(), date.day(), 0, 0, 0};
                keep(worksheet_write_datetime(sheet, row, lxw_col_t(c), &moment, dateFormat));
                widths[c] = std::max(widths.at(c), 10.0);
                break;
            }
            case ColumnKind::Text:
                text(row, c, cell);
                widths[c] = std::max(widths.at(c), textWidth(cell));
                break;
            }
        }
    }

    if (!m_doc.summary.isEmpty())
        text(row + 1, 0, m_doc.summary);

    for (int c = 0; c < columns; ++c)
        keep(worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), std::min(widths.at(c) + 2, MaxColumnWidth),
                                  nullptr));

    keep(workbook_close(book));
    if (error != LXW_NO_ERROR)
        throw KorvanError(u"导出Excel出错: "_s + QString::fromUtf8(lxw_strerror(error)));
}
