// 费用明细 of the export job window: a demo job opened by an operator shows
// its fee details, with the job's unit names, its allocation and its stored
// subtotals.

#include "exportfixture.h"

#include "boundform.h"
#include "recordingmessageservice.h"
#include "thychukoufeiyongmxfrm.h"
#include "values.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

class TestExportFees : public QObject
{
    Q_OBJECT

    ExportFixture f;
    RecordingMessageService messages;

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(f.start(u"zhaomin"_s, u"123456"_s, &error), qPrintable(error));
    }

    void feeButtonOpensTheJobsFees()
    {
        const QString number = f.value(u"select top 1 业务编号 from 货运出口基本信息 where 操作员='赵敏' and 分配车队='1' "
                                       u"and 业务编号 in (select 业务编号 from 货运出口费用明细) order by 业务编号"_s);
        QVERIFY(!number.isEmpty());
        const QString subtotal = f.value(u"select f110 from 货运出口费用明细 where 业务编号='"_s + number + u'\'');
        THYChuKouFrm *w = f.open(number);
        QCOMPARE(f.tabs()->tabText(1), u"出口业务_"_s + number);
        const QString fleet = ExportFixture::text(w, JobTag::Fleet);
        ExportFixture::set(w, JobTag::Fleet, fleet + u" 新"_s);    // unsaved: asked first

        bool checked = false;
        ModalHelper::onNextModal([&](QWidget *modal) {
            auto *fees = qobject_cast<THYChukouFeiYongMXFrm *>(modal);
            QVERIFY(fees);
            QVERIFY(QTest::qWaitFor([&] { return fees->windowTitle() == u"费用明细(出口)_"_s + number; }, 5000));
            QCOMPARE(fees->form()->combo(575)->currentText(), fleet + u" 新"_s);
            QVERIFY(!fees->amountField(660)->isEnabled()); // the warehouse's fees
            QVERIFY(fees->amountField(580)->isEnabled());
            QCOMPARE(fees->amountField(100)->text(), CommFunU::FormatGroupedAmount(CommFunU::ParseAmount(subtotal)));
            checked = true;
            fees->reject();
        });
        QVERIFY(ExportFixture::press(w, u"费用明细"_s));
        QVERIFY(checked);
        QCOMPARE(messages.messages.value(0).text, u"当前业务已修改，请保存！"_s);
        QCOMPARE(f.value(u"select 车队 from 货运出口基本信息 where 业务编号='"_s + number + u'\''), fleet + u" 新"_s);
    }
};

QTEST_MAIN(TestExportFees)
#include "tst_exportfees.moc"
