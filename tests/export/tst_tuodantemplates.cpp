// The B/L templates and their file, without a window: records, names, and
// files that cannot be read or written.
#include "marks.h"
#include "textcodec.h"
#include "tuodantemplates.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using T = TuoDanTemplates;
using CommFunU::FieldSep;

class TestTuoDanTemplates : public QObject
{
    Q_OBJECT

private slots:
    // Every number fits its five characters: positions within −9999…99999,
    // sizes not below 0, so nothing is cut when the layout is written.
    void recordsClampedAndReadBack_data()
    {
        QTest::addColumn<QRect>("given");
        QTest::addColumn<QRect>("stored");
        QTest::newRow("design") << QRect(40, 65, 353, 105) << QRect(40, 65, 353, 105);
        QTest::newRow("far right") << QRect(123456, 20, 10, 10) << QRect(99999, 20, 10, 10);
        QTest::newRow("far left") << QRect(-20000, -10000, 10, 10) << QRect(-9999, -9999, 10, 10);
        QTest::newRow("negative size") << QRect(1, 1, -5, -1) << QRect(1, 1, 0, 0);
        QTest::newRow("huge size") << QRect(1, 1, 200000, 7) << QRect(1, 1, 99999, 7);
    }
    void recordsClampedAndReadBack()
    {
        QFETCH(QRect, given);
        QFETCH(QRect, stored);
        const QString layout = T::FormatLayout({{given, true}, {given, false}});
        QCOMPARE(layout.size(), 2 * T::RecordLength);
        const QList<T::Record> back = T::ParseLayout(layout, 36);
        QCOMPARE(back, (QList<T::Record>{{stored, true}, {stored, false}}));
    }

    void layoutReadAsFarAsSound()
    {
        QCOMPARE(T::FormatLayout({{QRect(-12, 5, 0, 24), false}}), u"  -12    5    0   240"_s);
        // A number that is no number reads 0; a short last record is left out.
        const QString layout = u"   1x   2    3    4 "_s + u"   5    6    7"_s;
        QCOMPARE(T::ParseLayout(layout, 36), (QList<T::Record>{{QRect(0, 2, 3, 4), true}}));
        // Records beyond the fields are left out.
        QCOMPARE(T::ParseLayout(T::FormatLayout({{QRect(1, 1, 1, 1), true}, {QRect(2, 2, 2, 2), true}}), 1).size(), 1);
    }

    void namesChecked_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("error");
        QTest::newRow("new") << u"COSCO"_s << QString();
        QTest::newRow("empty") << u"   "_s << u"输入名称不可为空!"_s;
        QTest::newRow("used") << u"abc"_s << u"输入的名称已存在!"_s;
        QTest::newRow("used, trimmed in the list") << u"xyz"_s << u"输入的名称已存在!"_s;
        QTest::newRow("a blank after it") << u"abc "_s << QString();
        QTest::newRow("case differs") << u"ABC"_s << QString();
        QTest::newRow("the default") << T::DefaultName << u"输入的名称已存在!"_s;
        QTest::newRow("separator") << u"a"_s + FieldSep + u'b' << u"模板名称不能含有分隔符或换行!"_s;
        QTest::newRow("line break") << u"a\nb"_s << u"模板名称不能含有分隔符或换行!"_s;
    }
    void namesChecked()
    {
        QFETCH(QString, typed);
        QFETCH(QString, error);
        T list;
        list.append(u"abc"_s, true);
        list.append(u" xyz "_s, false);
        QCOMPARE(list.nameError(typed), error);
    }

    // A file that cannot be read is reported and never replaced; one that
    // cannot be written is reported and the old file stays whole.
    void unreadableAndUnwritableFiles()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(TuoDanTemplates::FileName);
        QVERIFY(QDir().mkpath(folder)); // a folder by the file's name cannot be read as a file
        T list;
        const T::Outcome read = list.load(folder);
        QVERIFY(!read.ok);
        QVERIFY(read.message.contains(folder));
        QVERIFY(!list.writable());
        QCOMPARE(list.count(), 1);
        QVERIFY(list.save(folder).ok); // nothing made, nothing written
        QVERIFY(QFileInfo(folder).isDir());
        // Templates made in the session are not dropped: they go beside the
        // unreadable file, and the outcome says where.
        list.append(u"本次"_s, true);
        const T::Outcome aside = list.save(folder);
        QVERIFY(!aside.ok);
        QVERIFY2(aside.message.contains(folder + u".new"_s), qPrintable(aside.message));
        QVERIFY(QFileInfo(folder).isDir());
        QFile kept(folder + u".new"_s);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(TextCodec::decode(kept.readAll()).contains(u"本次"_s));

        const QString nowhere = dir.filePath(u"file/TuoDanRes.txt"_s);
        QFile blocker(dir.filePath(u"file"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        T fresh;
        QVERIFY(fresh.load(nowhere).ok); // missing: the default entry
        const T::Outcome written = fresh.save(nowhere);
        QVERIFY(!written.ok);
        QVERIFY(written.message.contains(u"无法写入"_s));

        // Written whole: GB18030, CR LF, blank entries left out.
        const QString path = dir.filePath(u"ok.txt"_s);
        fresh.append(u"中远 "_s, false);
        fresh.setLayout(1, T::FormatLayout({{QRect(1, 2, 3, 4), true}}));
        QVERIFY(fresh.save(path).ok);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), TextCodec::encode(QString(T::DefaultName + FieldSep + u"1\r\n"_s + u"中远 "_s + FieldSep
                                                   + u"0"_s + FieldSep + u"    1    2    3    4 \r\n"_s)));
    }
};

QTEST_GUILESS_MAIN(TestTuoDanTemplates)
#include "tst_tuodantemplates.moc"
