#include "reportsettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray ints(const QList<qint32> &values)
{
    QByteArray bytes;
    for (qint32 v : values) {
        char le[4];
        qToLittleEndian<qint32>(v, le);
        bytes.append(le, 4);
    }
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestReportSettings : public QObject
{
    Q_OBJECT

private slots:
    void fileHoldsNineIntegersInOrder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"MutiPntSetupf"_s);
        ReportSettings s;
        s.orientation = ReportSettings::Landscape;
        s.titleGap = 11;
        s.summaryGap = 12;
        s.headerGap = 13;
        s.lineGap = 14;
        s.leftMargin = 15;
        s.rightMargin = 16;
        s.topMargin = 17;
        s.bottomMargin = 258;
        QVERIFY(s.save(path));
        // orientation, title gap, summary gap, header gap, line gap, left, right, top, bottom
        QCOMPARE(readFile(path), ints({1, 11, 12, 13, 14, 15, 16, 17, 258}));

        ReportSettings back;
        QVERIFY(back.load(path));
        QCOMPARE(back, s);
    }

    void missingFileIsCreatedEmptyAndChangesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"MutiPntSetupf"_s);
        ReportSettings s;
        s.leftMargin = 9;
        QVERIFY(s.load(path));
        QVERIFY(QFile::exists(path));
        QCOMPARE(QFile(path).size(), 0);
        QCOMPARE(s.leftMargin, 9);
        QCOMPARE(s.bottomMargin, 20);
    }

    void readsAsFarAsTheFileGoes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("expected"); // the nine values after loading over the defaults

        const QList<int> defaults = {0, 10, 5, 2, 2, 5, 5, 5, 20};
        QTest::newRow("empty") << QByteArray() << defaults;
        QTest::newRow("three integers") << ints({1, 30, 40}) << QList<int>{1, 30, 40, 2, 2, 5, 5, 5, 20};
        // Half an integer at the end is not a value.
        QTest::newRow("ragged end") << ints({0, 7}) + QByteArray("\x09\x00", 2)
                                    << QList<int>{0, 7, 5, 2, 2, 5, 5, 5, 20};
        QTest::newRow("out of range values kept out")
            << ints({7, -1, 1000, 3, 2, 5, 5, 5, 2000000000}) << QList<int>{0, 10, 5, 3, 2, 5, 5, 5, 20};
        QTest::newRow("longer file") << ints({1, 1, 2, 3, 4, 5, 6, 7, 8, 99}) << QList<int>{1, 1, 2, 3, 4, 5, 6, 7, 8};
    }

    void readsAsFarAsTheFileGoes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"MutiPntSetupf"_s);
        writeFile(path, bytes);
        ReportSettings s;
        QVERIFY(s.load(path));
        const QList<int> got = {s.orientation, s.titleGap,    s.summaryGap, s.headerGap,   s.lineGap,
                                s.leftMargin,  s.rightMargin, s.topMargin,  s.bottomMargin};
        QCOMPARE(got, expected);
    }

    void savingLeavesTheRestOfTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"MutiPntSetupf"_s);
        writeFile(path, ints({0, 0, 0, 0, 0, 0, 0, 0, 0, 4242}));
        ReportSettings s;
        QVERIFY(s.save(path));
        QCOMPARE(readFile(path), ints({0, 10, 5, 2, 2, 5, 5, 5, 20, 4242}));
    }

    void unusablePathIsSkipped()
    {
        QTemporaryDir dir;
        // A folder where the file should be: cannot be opened as a file.
        ReportSettings s;
        s.topMargin = 33;
        QVERIFY(!s.load(dir.path()));
        QVERIFY(!s.save(dir.path()));
        QCOMPARE(s.topMargin, 33);
    }

    void orientationDefaults()
    {
        QCOMPARE(ReportSettings::defaultRightMargin(ReportSettings::Portrait), 5);
        QCOMPARE(ReportSettings::defaultBottomMargin(ReportSettings::Portrait), 20);
        QCOMPARE(ReportSettings::defaultRightMargin(ReportSettings::Landscape), 20);
        QCOMPARE(ReportSettings::defaultBottomMargin(ReportSettings::Landscape), 5);
    }
};

QTEST_GUILESS_MAIN(TestReportSettings)
#include "tst_reportsettings.moc"
