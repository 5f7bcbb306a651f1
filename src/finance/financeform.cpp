#include "financeform.h"

#include "printablesheet.h"

using namespace Qt::StringLiterals;
using namespace FinanceTag;

namespace FinanceForm {

namespace {

// The job display is read-only: texts, dates and flags as the job window has them.
FormField shown(int tag, const QString &label)
{
    return Field::edit(tag, label).asReadOnly();
}
FormField shownDate(int tag, const QString &label)
{
    return Field::date(tag, label).asDisabled();
}
FormField shownCheck(int tag, const QString &label)
{
    return Field::check(tag, label).asDisabled();
}

// A caption and its field on a sheet, their texts on one line.
FormTable pair(int x, int y, const QString &caption, int captionWidth, const FormField &field, int fieldWidth,
               int height = 24)
{
    return {Field::caption(caption).at(x, y, captionWidth, 24), FormField(field).at(x + captionWidth, y, fieldWidth, height)};
}

} // namespace

const Invoice &invoice(Currency currency)
{
    static const Invoice usd{Usd, u"美元发票"_s, UsdInvoice, UsdCopies, SailingDate, u"USD"_s, u"美圆"_s};
    static const Invoice rmb{Rmb, u"人民币发票"_s, RmbInvoice, RmbCopies, RmbCopies + CopySailingDate, u"RMB"_s,
                             u"人民币"_s};
    return currency == Usd ? usd : rmb;
}

const QList<int> &settlementFlags()
{
    static const QList<int> flags{UsdReceived, RmbReceived, LineUsdPaid, LineRmbPaid, BrokerPaid, FleetPaid, WarehousePaid};
    return flags;
}

FormTable basicPage()
{
    using namespace Field;
    return {
        group(u"业务"_s).withColumns(3),
        edit(Number, u"业务编号"_s).named(u"业务编号"_s),
        shown(Salesman, u"业务员"_s),
        shown(510, u"操作员"_s),
        shown(520, u"委托人"_s),
        shown(ClientReference, u"委托编号"_s),
        shown(BookingParty, u"定舱单位"_s),
        radio(ExportKind, u"出口业务"_s).withText(u"1"_s).asDisabled(),
        radio(ImportKind, u"进口业务"_s).asDisabled(),
        group(u"船名航次与港口"_s).withColumns(3),
        shown(Vessel, u"船名"_s),
        shown(Voyage, u"航次"_s),
        shown(BillNumber, u"提单号"_s),
        shown(Destination, u"目的港"_s),
        shown(590, u"起运国"_s),
        shown(LoadingPort, u"装货港"_s),
        shown(610, u"拼箱编号"_s),
        shown(DischargePort, u"卸货港"_s),
        group(u"货物"_s).withColumns(3),
        shown(Manual, u"手册号"_s),
        shown(Verification, u"核销单"_s),
        shown(Packages, u"件数"_s),
        shown(660, u"包装种类"_s),
        shown(GrossWeight, u"毛重(KGS)"_s),
        shown(Volume, u"尺码(CBM)"_s),
        shown(Goods, u"货名"_s),
        shown(700, u"箱型箱量"_s),
    };
}

FormTable statusPage()
{
    using namespace Field;
    return {
        group(u"收款日期"_s).withColumns(3),
        date(UsdReceivedOn, u"美元收款日"_s).named(u"美元收款日"_s),
        edit(UsdInvoiceNumber, u"美元发票号"_s).named(u"美元发票号"_s),
        check(UsdReceived, u"已收"_s).named(u"已收1"_s),
        date(RmbReceivedOn, u"人民币收款日"_s).named(u"人民币收款日"_s),
        edit(RmbInvoiceNumber, u"人民币发票号"_s).named(u"人民币发票号"_s),
        check(RmbReceived, u"已收"_s).named(u"已收2"_s),
        group(u"付款日期"_s).withColumns(4),
        date(LineUsdPaidOn, u"订舱单位美元"_s).named(u"订舱单位美元"_s),
        check(LineUsdPaid, u"已付"_s).named(u"已付1"_s),
        date(LineRmbPaidOn, u"订舱单位人民币"_s).named(u"订舱单位人民币"_s),
        check(LineRmbPaid, u"已付"_s).named(u"已付2"_s),
        date(BrokerPaidOn, u"报关行人民币"_s).named(u"报关行人民币"_s),
        check(BrokerPaid, u"已付"_s).named(u"已付3"_s),
        date(FleetPaidOn, u"车队人民币"_s).named(u"车队人民币"_s),
        check(FleetPaid, u"已付"_s).named(u"已付4"_s),
        date(WarehousePaidOn, u"仓库人民币"_s).named(u"仓库人民币"_s),
        check(WarehousePaid, u"已付"_s).named(u"已付5"_s),
        group(u"退佣日期"_s).withColumns(4),
        date(UsdCommissionOn, u"佣金美元"_s).named(u"佣金美元"_s),
        check(UsdCommissionRefunded, u"已退"_s).named(u"已退6"_s),
        date(RmbCommissionOn, u"佣金人民币"_s).named(u"佣金人民币"_s),
        check(RmbCommissionRefunded, u"已退"_s).named(u"已退7"_s),

        group(u"手册"_s).withColumns(6),
        shown(StatusManual, u"手册号"_s),
        shownDate(720, u"退单日期"_s),
        shownCheck(730, u"已退单"_s),
        shownDate(740, u"寄发日期"_s),
        shownCheck(750, u"已寄发"_s),
        shown(760, u"邮件名称"_s),
        group(u"提单状态"_s).withColumns(6),
        shownDate(770, u"签发日期"_s),
        shownCheck(780, u"已签发"_s),
        shownDate(790, u"寄发日期"_s),
        shownCheck(800, u"已寄发"_s),
        shown(810, u"邮件名称"_s),
        group(u"核销单"_s).withColumns(6),
        shown(StatusVerification, u"核销单号"_s),
        shownDate(830, u"退单日期"_s),
        shownCheck(840, u"已退单"_s),
        shownDate(850, u"寄发日期"_s),
        shownCheck(860, u"已寄发"_s),
        shown(870, u"邮件名称"_s),
        // Kept for the finance views, not shown.
        group(u"结单状态"_s),
        radio(UnsettledMark, u"未结单"_s).withText(u"1"_s).asDisabled(),
        radio(SettledMark, u"已结单"_s).asDisabled(),
    };
}

FormTable invoiceSheet(Currency currency)
{
    using namespace Field;
    const Invoice &kind = invoice(currency);
    const int f = kind.fields;
    const int c = kind.copies;
    const QString column = currency == Usd ? u"美元"_s : u"人民币"_s;
    const int l = 20;  // left column: caption, field
    const int r = 420; // right column
    const int lw = 130;
    const int rw = 90;
    FormTable t{
        mark(PrintableSheet::FirstMark).at(2, 2, 1, 1),
        caption(QString()).named(QString::fromUtf16(HeadingName)).at(l, 10, 720, 28),
        caption(u"国际货物运输代理业专用发票"_s).named(u"invoiceTitle"_s).at(l, 40, 720, 28),
        caption(u"（"_s + kind.page + u"）"_s).named(u"invoiceCurrency"_s).at(l, 68, 720, 20),
    };
    t << pair(l, 100, u"付款单位:"_s, lw, edit(f + Payer, u"付款单位"_s).named(column + u"付款单位"_s), 260)
      << pair(r, 100, u"NO:"_s, rw, edit(f + InvoiceNo, u"NO:"_s).named(column + u"发票NO"_s), 230)
      << pair(l, 130, u"开户银行名称:"_s, lw, edit(f + Bank, u"开户银行名称"_s).named(column + u"开户银行"_s), 260)
      << pair(r, 130, u"开票日期:"_s, rw, date(f + InvoiceDate, u"开票日期"_s).named(column + u"开票日期"_s), 230)
      << pair(l, 160, u"帐号:"_s, lw, edit(f + Account, u"帐号"_s).named(column + u"帐号"_s), 260)
      << pair(r, 160, u"委托编号:"_s, rw, shown(c + CopyClientReference, u"委托编号"_s), 230)
      << line().at(l, 192, 720, 1)
      << pair(l, 202, u"船名/航次/航班/车次:"_s, lw, shown(c + VesselVoyage, u"船名/航次/航班/车次"_s), 260)
      << pair(r, 202, u"提(运)单号:"_s, rw, shown(c + Bill, u"提(运)单号"_s), 230);
    // The USD invoice shows the job's sailing date itself; the RMB invoice a copy.
    t << pair(l, 232, u"开航日期:"_s, lw, shownDate(kind.sailingDate, u"开航日期"_s), 260)
      << pair(r, 232, u"启运港:"_s, rw, shown(c + CopyLoadingPort, u"启运港"_s), 230)
      << pair(l, 262, u"卸货港:"_s, lw, shown(c + CopyDischargePort, u"卸货港"_s), 260)
      << pair(r, 262, u"目的港:"_s, rw, shown(c + CopyDestination, u"目的港"_s), 230)
      << pair(l, 292, u"件数:"_s, lw, shown(c + CopyPackages, u"件数"_s), 260)
      << pair(r, 292, u"毛重(KGS):"_s, rw, shown(c + CopyWeight, u"毛重(KGS)"_s), 230)
      << pair(l, 322, u"明细:"_s, lw, shown(c + Details, u"明细"_s), 260)
      << pair(r, 322, u"体积(CBM):"_s, rw, shown(c + CopyVolume, u"体积(CBM)"_s), 230)
      << line().at(l, 354, 720, 1)
      << caption(u"收费内容(货物,名称,数量单价):"_s).at(l, 364, 400, 24)
      << memo(f + Charges, u"收费内容(货物,名称,数量单价)"_s).named(column + u"收费内容"_s).at(l, 390, 720, 92)
      << pair(l, 492, u"金额:"_s, lw, number(f + InvoiceAmount, u"金额"_s).named(column + u"金额"_s), 260)
      << pair(r, 492, u"合计:"_s, rw, shown(c + Total, u"合计"_s), 230)
      << pair(l, 522, u"金额合计大写:"_s, lw, shown(c + InWords, u"金额合计大写"_s), 590)
      << line().at(l, 554, 720, 1)
      << pair(r, 562, u"制单:"_s, rw, edit(f + PreparedBy, u"制单"_s).named(column + u"制单"_s), 230)
      << mark(PrintableSheet::SecondMark).at(InvoiceSize.width() - 3, InvoiceSize.height() - 3, 1, 1);
    return t;
}

} // namespace FinanceForm
