#pragma once

// Builders of report texts and a reader of PDF pages (pdftotext -bbox from
// poppler-utils) for the printing tests.

#include "marks.h"
#include "reportdocument.h"

#include <QFile>
#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace ReportFixture {

using namespace Qt::StringLiterals;

// subtitle, title, six header texts, the count, the captions, the cells
// (each followed by FieldSep), then CellSep, the summary and FieldSep.
inline QString reportText(const QStringList &head, const QStringList &captions, const QStringList &cells,
                          const QString &summary, bool closed = true)
{
    QString text;
    for (int i = 0; i < 8; ++i)
        text += head.value(i) + CommFunU::FieldSep;
    text += QString::number(captions.size()) + CommFunU::FieldSep;
    for (const QString &caption : captions)
        text += caption + CommFunU::FieldSep;
    for (const QString &cell : cells)
        text += cell + CommFunU::FieldSep;
    if (closed)
        text += CommFunU::CellSep + summary + CommFunU::FieldSep;
    return text;
}

inline QStringList standardHead()
{
    return {u"上海Korvan国际货运代理有限公司"_s, u"集装箱统计表"_s, u"期间：2026-01"_s, u"部门：操作部"_s,
            u"制表：张三"_s, u"币种：RMB"_s, u"船名：COSCO"_s, u"打印：李四"_s};
}

// A document of the given rows, each column as wide as given, with cells
// "r0000", "c1-0000", ... so that every cell is one word in a PDF.
inline ReportDocument document(const QList<int> &widths, int rows)
{
    ReportDocument doc;
    doc.subtitle = u"上海Korvan国际货运代理有限公司"_s;
    doc.title = u"集装箱统计表"_s;
    doc.headerTexts = {u"期间一"_s, u"部门二"_s, u"制表三"_s, u"币种四"_s, u"船名五"_s, u"打印六"_s};
    for (int c = 0; c < widths.size(); ++c)
        doc.columns.append({u"列%1"_s.arg(c), widths.at(c)});
    for (int r = 0; r < rows; ++r) {
        QStringList cells;
        cells.append(u"r%1"_s.arg(r, 4, 10, QLatin1Char('0')));
        for (int c = 1; c < widths.size(); ++c)
            cells.append(u"c%1-%2"_s.arg(c).arg(r, 4, 10, QLatin1Char('0')));
        doc.rows.append(cells);
    }
    doc.summary = u"合计：箱量100"_s;
    return doc;
}

struct PdfWord {
    int page = 0; // 0-based
    QRectF box;   // in points
    QString text;
};

inline bool havePdfToText()
{
    return !QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty();
}

// Every word of a PDF with its page and box; empty when pdftotext fails.
inline QList<PdfWord> pdfWords(const QString &pdfPath)
{
    QProcess process;
    process.start(u"pdftotext"_s, {u"-bbox"_s, pdfPath, u"-"_s});
    process.waitForFinished(60000);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    QList<PdfWord> words;
    static const QRegularExpression token(
        uR"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"_s);
    int page = -1;
    for (auto it = token.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(u"<page"_s)) {
            ++page;
            continue;
        }
        QString text = m.captured(5);
        text.replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s).replace(u"&apos;"_s, u"'"_s);
        text.replace(u"&quot;"_s, u"\""_s).replace(u"&amp;"_s, u"&"_s);
        words.append({page,
                      QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                             QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
                      text});
    }
    return words;
}

// The text of a PDF as pdftotext -layout gives it, page by page.
inline QStringList pdfPages(const QString &pdfPath)
{
    QProcess process;
    process.start(u"pdftotext"_s, {u"-layout"_s, pdfPath, u"-"_s});
    process.waitForFinished(60000);
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

inline QList<PdfWord> wordsOnPage(const QList<PdfWord> &words, int page)
{
    QList<PdfWord> out;
    for (const PdfWord &w : words) {
        if (w.page == page)
            out.append(w);
    }
    return out;
}

inline const PdfWord *findWord(const QList<PdfWord> &words, const QString &text, int page = -1)
{
    for (const PdfWord &w : words) {
        if (w.text == text && (page < 0 || w.page == page))
            return &w;
    }
    return nullptr;
}

} // namespace ReportFixture
