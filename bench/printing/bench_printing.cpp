// Report printing at scale: a 12-column report of 1,000 and 10,000 rows.
// For each: loading the report text into the data page (against a plain
// split of the same text), the preview's page total, the first page image,
// a page image far down the report, and the whole report written as PDF.

#include "marks.h"
#include "reportprinter.h"
#include "tdataf.h"
#include "tpreviewf.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::StringLiterals;
using CommFunU::CellSep;
using CommFunU::FieldSep;

namespace {

constexpr int Columns = 12;

QString reportText(int rows)
{
    QString text;
    const QStringList head = {u"上海Korvan国际货运代理有限公司"_s, u"业务查询"_s, u"期间：2026-01"_s, u"部门：操作部"_s,
                              u"制表：张三"_s, QString(), QString(), u"打印：李四"_s};
    for (const QString &h : head)
        text += h + FieldSep;
    text += QString::number(Columns) + FieldSep;
    const QStringList captions = {u"业务编号"_s, u"委托人"_s, u"船名"_s, u"航次"_s, u"提单号"_s, u"起运港"_s,
                                  u"目的港"_s,   u"箱量"_s,   u"件数"_s, u"毛重"_s, u"应收"_s,   u"应付"_s};
    for (const QString &c : captions)
        text += c + FieldSep;
    for (int r = 0; r < rows; ++r) {
        text += u"KV%1"_s.arg(r, 6, 10, QLatin1Char('0')) + FieldSep + u"上海某某进出口有限公司"_s + FieldSep + u"COSCO ASIA"_s +
                FieldSep + u"V%1E"_s.arg(r % 97) + FieldSep + u"COSU%1"_s.arg(r * 7919 % 1000000) + FieldSep +
                u"SHANGHAI"_s + FieldSep + u"ROTTERDAM"_s + FieldSep + QString::number(r % 5 + 1) + FieldSep +
                QString::number(r % 300 + 10) + FieldSep + u"%1.50"_s.arg(r % 9000 + 100) + FieldSep +
                u"%1.00"_s.arg(r * 13 % 100000) + FieldSep + u"%1.25"_s.arg(r * 7 % 80000) + FieldSep;
    }
    text += CellSep + u"合计：%1票"_s.arg(rows) + FieldSep;
    return text;
}

struct Figures {
    int rows = 0;
    int pages = 0;
    double load = 0, split = 0, total = 0, firstImage = 0, farImage = 0, pdf = 0;
    qint64 pdfBytes = 0;
};

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

Figures measure(int rows, const QString &folder)
{
    Figures f;
    f.rows = rows;
    const QString text = reportText(rows);

    QElapsedTimer t;
    t.start();
    const QStringList parts = text.split(FieldSep);
    f.split = ms(t);
    Q_UNUSED(parts);

    TDataF data;
    t.restart();
    data.Load(text);
    f.load = ms(t);

    ReportPrinter printer; // the PDF target on a machine without printers: A4
    printer.setCurrentTarget(ReportPrinter::pdfTargetName());
    TPreviewF preview(&data, &printer);
    t.restart();
    preview.setPageTotal(0);
    preview.build();
    preview.setPageTotal(preview.pageCount());
    preview.build();
    f.total = ms(t);
    f.pages = preview.pageCount();

    t.restart();
    preview.pageImage(0);
    f.firstImage = ms(t);
    t.restart();
    preview.pageImage(f.pages * 3 / 4);
    f.farImage = ms(t);

    const QString pdf = folder + u"/report-%1.pdf"_s.arg(rows);
    t.restart();
    {
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        preview.renderTo(&writer, 600, 600);
    }
    f.pdf = ms(t);
    f.pdfBytes = QFileInfo(pdf).size();
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;

    std::printf("report printing, %d columns (times in ms)\n", Columns);
    std::printf("%8s %6s %10s %10s %7s %12s %12s %12s %10s %10s\n", "rows", "pages", "load", "split(ref)", "ratio",
                "page total", "first image", "image 3/4", "pdf", "pdf KiB");
    QList<Figures> all;
    for (int rows : {1000, 10000}) {
        const Figures f = measure(rows, folder.path());
        all.append(f);
        std::printf("%8d %6d %10.1f %10.1f %7.1f %12.2f %12.2f %12.2f %10.1f %10lld\n", f.rows, f.pages, f.load,
                    f.split, f.load / qMax(0.001, f.split), f.total, f.firstImage, f.farImage, f.pdf,
                    f.pdfBytes / 1024);
    }
    const Figures &a = all.at(0), &b = all.at(1);
    std::printf("growth 1,000 -> 10,000 rows: load x%.1f, page total x%.1f, first image x%.1f, pdf x%.1f\n",
                b.load / a.load, b.total / a.total, b.firstImage / a.firstImage, b.pdf / a.pdf);
    return 0;
}
