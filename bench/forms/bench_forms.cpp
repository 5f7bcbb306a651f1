// The string grid and Tag binding at the sizes the windows meet.
//  1. TextToGrid of a grid text of 20,000 rows × 13 columns (a business
//     query answer) against splitting the same text into a vector of rows,
//     into a bare model and into a grid widget on screen; GridToText back.
//  2. SaveByTag + LoadByTag over a window of 150 controls of every kind,
//     against the same values read and written control by control from a
//     list made beforehand, and against walking the range with NextByTag
//     one step at a time.
//  3. Sorting a list of 20,000 rows by a column as a click on a heading does
//     (Chinese names in the zh_CN collation, amounts by value), against a
//     plain sort of the same rows by the texts' code points, and the grid on
//     screen sorted by its heading against sorting its rows alone.

#include "gridops.h"
#include "gridsort.h"
#include "listorder.h"
#include "marks.h"
#include "radiogroup.h"
#include "resultreader.h"
#include "stringgrid.h"
#include "stringgridmodel.h"
#include "tagbinding.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimeEdit>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;
using namespace CommFunU;

namespace {

double best(const std::function<void()> &work, int runs)
{
    double fastest = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = std::min(fastest, timer.nsecsElapsed() / 1e6);
    }
    return fastest;
}

QString makeGridText(int rows, int columns)
{
    const QString samples[] = {u"EX2024-0001"_s, u"2024-03-05"_s, u"上海某某国际货运代理有限公司"_s, u"1234.500"_s,
                               u"COSCO SHIPPING"_s, QString(), u"是"_s, u"张三"_s, u"TGHU1234567/SL0001"_s};
    QString text = QString::number(columns) + FieldSep;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            text += samples[(r * 7 + c) % 9] + FieldSep;
    }
    return text;
}

QList<QStringList> splitIntoRows(const QString &text)
{
    QStringList fields = text.split(FieldSep);
    const int columns = fields.takeFirst().toInt();
    if (!fields.isEmpty() && fields.last().isEmpty())
        fields.removeLast();
    QList<QStringList> rows;
    rows.reserve(fields.size() / columns + 1);
    for (qsizetype i = 0; i < fields.size(); i += columns)
        rows.append(fields.mid(i, columns));
    return rows;
}

void benchGrid()
{
    const int rows = 20000;
    const int columns = 13;
    const QString text = makeGridText(rows, columns);
    std::printf("grid text: %d rows x %d columns, %lld characters\n", rows, columns, (long long)text.size());

    qsizetype check = 0;
    const double split = best([&] { check += splitIntoRows(text).size(); }, 5);
    StringGridModel model;
    const double toModel = best([&] { TextToGrid(text, &model, 0, 1); }, 5);
    StringGrid grid;
    grid.setHeadingRow(true);
    grid.resize(800, 600);
    grid.show();
    QApplication::processEvents();
    const double toWidget = best(
        [&] {
            TextToGrid(text, &grid, 0, 1);
            QApplication::processEvents();
        },
        5);
    QString back;
    const double toText = best([&] { back = GridToText(model, 0, 1); }, 5);
    const double join = best(
        [&] {
            QStringList all;
            all.reserve(rows * columns + 1);
            all.append(QString::number(columns));
            for (const QStringList &row : model.allRows())
                all.append(row);
            back = all.join(FieldSep) + FieldSep;
        },
        5);
    if (model.rowCount() != rows || grid.rowCount() != rows || back != text || check == 0)
        std::printf("  MISMATCH: rows %d / %d, text equal %d\n", model.rowCount(), grid.rowCount(), back == text);
    std::printf("  split into a vector of rows   %8.2f ms\n", split);
    std::printf("  TextToGrid into a model       %8.2f ms   ratio %.2f\n", toModel, toModel / split);
    std::printf("  TextToGrid into a shown grid  %8.2f ms   ratio %.2f\n", toWidget, toWidget / split);
    std::printf("  join rows into a text         %8.2f ms\n", join);
    std::printf("  GridToText                    %8.2f ms   ratio %.2f\n", toText, toText / join);
}

void benchBinding()
{
    QWidget window;
    QList<QWidget *> controls;
    auto add = [&](QWidget *w, int tag, const QString &hint = QString()) {
        SetTag(w, tag);
        if (!hint.isEmpty())
            SetHint(w, hint);
        controls.append(w);
    };
    // 150 controls, mixed as on the job windows, plus untagged labels and buttons.
    for (int i = 0; i < 150; ++i) {
        const int tag = 10 + i * 10;
        switch (i % 10) {
        case 0: case 1: case 2: {
            auto *e = new QLineEdit(u"值 "_s + QString::number(i), &window);
            add(e, tag);
            break;
        }
        case 3: {
            auto *e = new QLineEdit(u"1,234.5"_s, &window);
            add(e, tag, u"1"_s);
            break;
        }
        case 4: {
            auto *c = new QComboBox(&window);
            c->setEditable(true);
            c->addItems({u"CY"_s, u"CFS"_s, u"DOOR"_s});
            add(c, tag);
            break;
        }
        case 5: {
            auto *m = new QPlainTextEdit(u"SHANGHAI CO., LTD.\nROOM 1001\nTEL 021-1234"_s, &window);
            add(m, tag);
            break;
        }
        case 6:
            add(new QDateEdit(QDate(2024, 3, 5), &window), tag);
            break;
        case 7:
            add(new QCheckBox(&window), tag);
            break;
        case 8:
            add(new QTimeEdit(QTime(10, 30), &window), tag);
            break;
        case 9: {
            auto *g = new RadioGroup(u"组"_s, {u"甲"_s, u"乙"_s}, &window);
            add(g, tag);
            break;
        }
        }
        new QWidget(&window); // an untagged neighbour
    }
    const int low = 10;
    const int high = 10 + 149 * 10;
    const QString record = SaveByTag(&window, low, high);

    const double tagged = best(
        [&] {
            const QString text = SaveByTag(&window, low, high);
            LoadByTag(text, &window, low, high);
        },
        20);
    const double direct = best(
        [&] {
            QString text;
            for (QWidget *c : controls)
                text += ControlValue(c) + FieldSep;
            ResultReader fields(text, FieldSep);
            for (QWidget *c : controls)
                SetControlValue(c, fields.next());
        },
        20);
    const double stepwise = best(
        [&] {
            QString text;
            QList<QWidget *> walked;
            for (QWidget *c = NextByTag(&window, low - 1); c && TagOf(c) <= high; c = NextByTag(&window, TagOf(c))) {
                walked.append(c);
                text += ControlValue(c) + FieldSep;
            }
            ResultReader fields(text, FieldSep);
            for (QWidget *c : walked)
                SetControlValue(c, fields.next());
        },
        20);
    if (SaveByTag(&window, low, high) != record)
        std::printf("  MISMATCH after load\n");
    std::printf("window: %lld controls bound, record text %lld characters\n", (long long)controls.size(),
                (long long)record.size());
    std::printf("  values from a prepared list   %8.3f ms\n", direct);
    std::printf("  SaveByTag + LoadByTag         %8.3f ms   ratio %.2f\n", tagged, tagged / direct);
    std::printf("  NextByTag step by step        %8.3f ms   ratio %.2f\n", stepwise, stepwise / direct);
}

} // namespace

void benchSort()
{
    const int rows = 20000;
    const QString names[] = {u"赵敏"_s, u"王军"_s, u"陈静"_s, u"李华"_s, u"周强"_s, u"吴霞"_s, u"郑芳"_s, u"黄燕"_s};
    QList<QStringList> list;
    for (int r = 0; r < rows; ++r) {
        const int mix = (r * 7919) % rows;
        list.append({u"EX%1"_s.arg(mix, 6, 10, QLatin1Char('0')), names[mix % 8] + QString::number(mix % 97),
                     u"%1.%2"_s.arg(mix * 37 % 100000).arg(mix % 1000, 3, 10, QLatin1Char('0'))});
    }
    std::printf("sort: %d rows\n", rows);
    for (const auto &[column, what] : {std::pair{1, "Chinese names"}, std::pair{2, "amounts"}}) {
        const double ours = best([&] {
            QList<QStringList> copy = list;
            SortRows(copy, 0, copy.size(), column, Qt::AscendingOrder);
        }, 5);
        const double plain = best([&] {
            QList<QStringList> copy = list;
            std::stable_sort(copy.begin(), copy.end(), [column](const QStringList &a, const QStringList &b) {
                return QString::compare(a.at(column), b.at(column)) < 0;
            });
        }, 5);
        std::printf("  by %-13s  SortRows %7.2f ms   plain code-point sort %7.2f ms   ratio %.2f\n", what, ours,
                    plain, ours / plain);
    }
    StringGrid grid;
    grid.setHeadingRow(true);
    grid.resize(1000, 600);
    grid.show();
    QList<QStringList> withHeading{{u"业务编号"_s, u"操作员"_s, u"金额"_s}};
    withHeading.append(list);
    const double shown = best([&] {
        grid.setRows(withHeading, 3);
        SortGrid(&grid, 1, Qt::AscendingOrder);
    }, 5);
    const double bare = best([&] {
        QList<QStringList> copy = withHeading;
        SortRows(copy, 1, copy.size(), 1, Qt::AscendingOrder);
        grid.setRows(copy, 3);
    }, 5);
    std::printf("  grid on screen by its heading %7.2f ms   rows sorted, then set %7.2f ms   ratio %.2f\n", shown,
                bare, shown / bare);
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchGrid();
    benchBinding();
    benchSort();
    return 0;
}
