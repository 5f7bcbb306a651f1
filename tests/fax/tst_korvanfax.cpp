// korvan-fax, run as a user runs it, against the simulated modem (real time).

#include "faxtestutil.h"
#include "simulatedmodem.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("KORVAN_FAX_BIN"), arguments);
    Run run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        run.err = u"korvan-fax did not finish"_s;
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TestKorvanFax : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sendsThePage_data();
    void sendsThePage();
    void failures_data();
    void failures();

private:
    QTemporaryDir m_dir;
};

void TestKorvanFax::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("KORVAN_FAX_BIN"), "KORVAN_FAX_BIN names the tool");
    QVERIFY(m_dir.isValid());
}

void TestKorvanFax::sendsThePage_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QImage>("image");
    QTest::addColumn<bool>("pulse");
    // Wider than a fax line: the driver cuts it at 1728 pels.
    QTest::newRow("png, wider than a line") << u"png"_s << FaxTestUtil::documentImage(1800, 40) << false;
    QTest::newRow("pbm, pulse") << u"pbm"_s
                                << FaxTestUtil::documentImage(900, 25).convertToFormat(QImage::Format_Mono) << true;
}

void TestKorvanFax::sendsThePage()
{
    QFETCH(QString, format);
    QFETCH(QImage, image);
    QFETCH(bool, pulse);
    const QString file = m_dir.filePath(u"page."_s + format);
    QVERIFY(image.save(file));
    SimulatedModem modem;
    QVERIFY2(modem.isValid(), qPrintable(modem.errorString()));

    QStringList arguments{u"--port"_s, modem.slavePath(), u"--number"_s, u"0571 8888"_s, file};
    if (pulse)
        arguments.prepend(u"--pulse"_s);
    const Run run = runTool(arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(run.out.contains(u"fsDialling 拨号..."_s));
    QVERIFY(run.out.contains(u"fsSendingPage 传送数据..."_s));
    QVERIFY(run.out.trimmed().endsWith(u"传真成功!"_s));

    const QList<QByteArray> commands = modem.commands();
    QVERIFY(commands.contains("+FDCC=1")); // fine resolution
    QVERIFY(commands.contains(pulse ? "DP0571 8888" : "DT0571 8888"));
    QCOMPARE(modem.pages().size(), 1);
    QString error;
    const QImage received = SimulatedModem::decodePage(modem.pages().first(), &error);
    QVERIFY2(!received.isNull(), qPrintable(error));
    const QImage loaded(file);
    const QString difference = FaxTestUtil::compareBitmaps(received, FaxTestUtil::expectedPage(loaded, loaded.rect(), 1, 1));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestKorvanFax::failures_data()
{
    QTest::addColumn<QStringList>("arguments"); // "PTY" stands for the modem's device, "IMAGE" for a page
    QTest::addColumn<QByteArray>("classes");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("not a class 2 modem") << QStringList{u"--port"_s, u"PTY"_s, u"--number"_s, u"1"_s, u"IMAGE"_s}
                                         << QByteArray("(0,1)") << 1 << u"此Modem不支持Class2,请更换较新的Modem!"_s;
    QTest::newRow("COM9") << QStringList{u"--port"_s, u"COM9"_s, u"--number"_s, u"1"_s, u"IMAGE"_s}
                          << QByteArray() << 1 << u"Invalid fax communications port"_s;
    QTest::newRow("no number") << QStringList{u"--port"_s, u"PTY"_s, u"IMAGE"_s} << QByteArray() << 2 << u"usage"_s;
    QTest::newRow("unreadable image") << QStringList{u"--port"_s, u"PTY"_s, u"--number"_s, u"1"_s, u"missing.png"_s}
                                      << QByteArray() << 2 << u"cannot read"_s;
}

void TestKorvanFax::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, classes);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    SimulatedModem modem;
    QVERIFY2(modem.isValid(), qPrintable(modem.errorString()));
    if (!classes.isEmpty()) {
        SimulatedModem::Settings settings;
        settings.classes = classes;
        modem.setSettings(settings);
    }
    const QString image = m_dir.filePath(u"small.png"_s);
    QVERIFY(FaxTestUtil::documentImage(100, 10).save(image));
    for (QString &a : arguments) {
        if (a == u"PTY")
            a = modem.slavePath();
        else if (a == u"IMAGE")
            a = image;
        else if (a == u"missing.png")
            a = m_dir.filePath(a);
    }
    const Run run = runTool(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(modem.pages().isEmpty());
}

QTEST_MAIN(TestKorvanFax)
#include "tst_korvanfax.moc"
