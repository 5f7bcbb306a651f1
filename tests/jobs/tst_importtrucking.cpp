// The import trucking sheet on a real server: filled from the job's values,
// the company heading centred between the marks, printed to PDF, and a
// server that answers "Err" for the heading never printed.
#include "boundform.h"
#include "modalhelper.h"
#include "queryhelpers.h"
#include "recordingmessageservice.h"
#include "reportfixture.h"
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
        values.columns = {
            {u"业务编号"_s, u"SI2603-011"_s}, {u"车队"_s, u"强生车队"_s},       {u"业务员"_s, u"孙丽"_s},
            {u"船名"_s, u"COSCO ASIA"_s},    {u"航次"_s, u"061E"_s},          {u"货名简称"_s, u"ELECTRIC FANS"_s},
            {u"提单号"_s, u"COSU6201"_s},     {u"件数"_s, u"500"_s},           {u"目的港"_s, u"SHANGHAI"_s},
            {u"装货港"_s, u"BUSAN"_s},        {u"毛重"_s, u"8200.000"_s},      {u"净重"_s, u"56.400"_s},
            {u"尺码"_s, u"99.000"_s},         {u"箱型箱量"_s, u"40'HC*2"_s},    {u"装箱仓库地址"_s, u"浦东新区金桥路1号"_s},
            {u"装箱仓库联系人"_s, u"O'Neil 王"_s}, {u"装箱仓库联系电话"_s, u"021-5000"_s},
            {u"特殊要求"_s, u"请带铅封\r\n上午送到"_s}, {u"装箱入仓日期"_s, u"2026-03-08"_s},
            {u"装箱入仓时间"_s, u"14:30"_s}};
        return values;
    }

    // Shows the sheet and prints it to pdf through its 打印(&P).
    QStringList printedWords(THYJinKouCheDuiFrm &sheet, QList<ReportFixture::PdfWord> *boxes = nullptr)
    {
        const QString pdf = dir.filePath(u"trucking.pdf"_s);
        QFile::remove(pdf);
        PrintableSheet::setDialogHook([&](TPntSetupFrm &dialog) {
            dialog.setOutput(TPntSetupFrm::PdfOutput);
            dialog.setPdfFileName(pdf);
        });
        const auto unhook = qScopeGuard([] { PrintableSheet::setDialogHook({}); });
        ModalHelper::onNextModal([](QWidget *modal) {
            auto *dialog = qobject_cast<TPntSetupFrm *>(modal);
            dialog->printButton()->click();
            dialog->cancelButton()->click();
        });
        sheet.printButton()->click();
        const QList<ReportFixture::PdfWord> words = ReportFixture::pdfWords(pdf);
        if (boxes)
            *boxes = words;
        QStringList texts;
        for (const ReportFixture::PdfWord &w : words)
            texts << w.text;
        return texts;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        db = server.connect();
        CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return *db; });
        TPntSetupFrm::setDefaultSettingsPath(dir.filePath(u"SinglePntsetupf"_s));
    }

    void deliveryText_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("text");
        QTest::newRow("afternoon") << u"2026-03-08"_s << u"14:30"_s << u"2026年3月8日下午2:30"_s;
        QTest::newRow("morning") << u"2026-12-01"_s << u"09:05"_s << u"2026年12月1日上午9:05"_s;
        QTest::newRow("midnight") << u"2026-01-01"_s << u"00:00"_s << u"2026年1月1日上午12:00"_s;
        QTest::newRow("noon") << u"2026-01-01"_s << u"12:00"_s << u"2026年1月1日下午12:00"_s;
        QTest::newRow("no time") << u"2026-01-01"_s << QString() << u"2026年1月1日"_s;
    }
    void deliveryText()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, text);
        QCOMPARE(THYJinKouCheDuiFrm::DeliveryText(date, time), text);
    }

    void filledFromTheJob()
    {
        THYJinKouCheDuiFrm sheet(job());
        using T = THYJinKouCheDuiFrm;
        const QList<std::pair<int, QString>> expected{
            {T::Fleet, u"强生车队"_s},        {T::From, u"孙丽"_s},         {T::Number, u"SI2603-011"_s},
            {T::ClientNumber, QString()},     {T::VesselVoyage, u"COSCO ASIA 061E"_s},
            {T::Goods, u"ELECTRIC FANS"_s},   {T::BillNumber, u"COSU6201"_s}, {T::Pieces, u"500"_s},
            {T::Port, u"SHANGHAI"_s},         {T::GrossWeight, u"8200.000"_s}, {T::Terminal, QString()},
            {T::Measurement, u"56.400"_s},    {T::Containers, u"40'HC*2"_s}, {T::Address, u"浦东新区金桥路1号"_s},
            {T::Contact, u"O'Neil 王"_s},     {T::Telephone, u"021-5000"_s},
            {T::Requirements, u"请带铅封\r\n上午送到"_s}, {T::DeliveryTime, u"2026年3月8日下午2:30"_s}};
        for (const auto &[tag, text] : expected)
            QCOMPARE(sheet.fieldText(tag), text);
        QCOMPARE(sheet.windowTitle(), u"分配车队(进口)"_s);
        QCOMPARE(sheet.closeButton()->text(), u"返回"_s);
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

        QList<ReportFixture::PdfWord> boxes;
        const QStringList words = printedWords(sheet, &boxes);
        for (const QString &expected : {u"装"_s, u"单"_s, u"强生车队"_s, u"SI2603-011"_s, u"COSU6201"_s, u"40'HC*2"_s,
                                        u"送货！"_s, u"2026年3月8日下午2:30"_s, u"上午送到"_s})
            QVERIFY2(words.contains(expected), qPrintable(expected + u" missing from "_s + words.join(u' ')));
        // The heading (the words above the title) stands in the middle of
        // the page between the margins.
        double titleTop = 0;
        for (const ReportFixture::PdfWord &w : boxes) {
            if (w.text == u"装"_s)
                titleTop = w.box.top();
        }
        QRectF headingBox;
        for (const ReportFixture::PdfWord &w : boxes) {
            if (w.box.bottom() < titleTop)
                headingBox = headingBox.isNull() ? w.box : headingBox.united(w.box);
        }
        QVERIFY(!headingBox.isNull());
        const double pageCentre = 595.28 / 2;
        QVERIFY2(qAbs(headingBox.center().x() - pageCentre) < 6, qPrintable(QString::number(headingBox.center().x())));
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
        const QStringList words = printedWords(sheet);
        QVERIFY(words.contains(u"SI2603-011"_s));
        QVERIFY(!words.join(u' ').contains(u"Err"_s));
    }
};

QTEST_MAIN(TestImportTrucking)
#include "tst_importtrucking.moc"
