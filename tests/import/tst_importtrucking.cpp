// The import trucking sheet on a real server: filled from the job's values,
// the company heading centred between the marks, printed to PDF, and a
// server that answers "Err" for the heading never printed.
#include "boundform.h"
#include "queryhelpers.h"
#include "recordingmessageservice.h"
#include "printdialogfixture.h"
#include "serverconnection.h"
#include "testserver.h"
#include "thyjinkoucheduifrm.h"
#include "tpntsetupfrm.h"
#include "values.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TestImportTrucking : public QObject
{
    Q_OBJECT

    TestServer server;
    std::unique_ptr<ServerConnection> db;
    RecordingMessageService messages;
    QTemporaryDir dir;

    static CargoJobValues job()
    {
        CargoJobValues values;
        values.columns = {{u"业务编号"_s, u"SI2603-011"_s}, {u"车队"_s, u"强生车队"_s}, {u"船名"_s, u"COSCO ASIA"_s},
                          {u"航次"_s, u"061E"_s}, {u"目的港"_s, u"SHANGHAI"_s}, {u"装货港"_s, u"BUSAN"_s},
                          {u"净重"_s, u"56.400"_s}, {u"尺码"_s, u"99.000"_s}, {u"箱型箱量"_s, u"40'HC*2"_s},
                          {u"装箱仓库联系人"_s, u"O'Neil 王"_s}, {u"特殊要求"_s, u"请带铅封\r\n上午送到"_s},
                          {u"装箱入仓日期"_s, u"2026-03-08"_s}, {u"装箱入仓时间"_s, u"14:30"_s}};
        return values;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        db = server.connect();
        CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return *db; });
        TPntSetupFrm::setDefaultSettingsPath(dir.filePath(u"SinglePntsetupf"_s));
    }

    void headingCentredAndPrinted()
    {
        THYJinKouCheDuiFrm sheet(job());
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QLabel *heading = sheet.heading();
        QCOMPARE(heading->text(), u"上海Korvan国际货运代理有限公司"_s);
        const int width = heading->fontMetrics().horizontalAdvance(heading->text());
        QCOMPARE(heading->x(), (2 + 759 - width) / 2);
        QCOMPARE(sheet.fieldText(THYJinKouCheDuiFrm::PrintDate), CommFunU::DateText(QDate::currentDate()));

        // The job's fields where the sheet names them otherwise.
        QCOMPARE(sheet.fieldText(THYJinKouCheDuiFrm::Port), u"SHANGHAI"_s);   // 目的港
        QCOMPARE(sheet.fieldText(THYJinKouCheDuiFrm::Measurement), u"56.400"_s); // 总净重
        const QStringList words =
            PrintDialogFixture::printToPdf([&] { sheet.printButton()->click(); }, dir.filePath(u"t.pdf"_s)).texts();
        for (const QString &expected : {u"国际货运代理有限公司"_s, u"强生车队"_s, u"SI2603-011"_s, u"ASIA"_s, u"061E"_s, u"40'HC*2"_s,
                                        u"O'Neil"_s, u"2026年3月8日下午2:30"_s, u"上午送到"_s})
            QVERIFY2(words.contains(expected), qPrintable(expected + u" missing from "_s + words.join(u' ')));
    }

    // A server that answers "Err…" for the company heading: no heading,
    // never the answer.
    void errorAnswerNeverPrinted()
    {
        QFile settings(dir.filePath(u"server.ini"_s));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[info]\nHeading=Err 未设置\n");
        settings.close();
        server.stop();
        QVERIFY2(server.start({u"--settings"_s, settings.fileName()}), qPrintable(server.errorText()));
        db = server.connect();

        THYJinKouCheDuiFrm sheet(job());
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QCOMPARE(sheet.heading()->text(), QString());
        QVERIFY(!sheet.fieldText(THYJinKouCheDuiFrm::PrintDate).isEmpty());
        const QStringList words =
            PrintDialogFixture::printToPdf([&] { sheet.printButton()->click(); }, dir.filePath(u"t.pdf"_s)).texts();
        QVERIFY(words.contains(u"SI2603-011"_s));
        QVERIFY(!words.join(u' ').contains(u"Err"_s));
    }
};

QTEST_MAIN(TestImportTrucking)
#include "tst_importtrucking.moc"
