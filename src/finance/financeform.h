#pragma once

// The fields of the finance window TCaiWuGLFrm, declared as tables.
//
// Tags 10 to 330 are the 37 columns of 财务 in their stored order: the
// business number, the receipt, payment and refund dates with their flags,
// and the eight fields of each invoice. Tags 500 to 880 show the job as its
// basic table has it (read-only, loaded in the order of the window's query);
// 1000 to 1290 are what the window derives: the job kind, the settlement
// state and the job's data repeated on the two invoice sheets.
//
//   BoundForm form(window);
//   form.build(FinanceForm::basicPage(), basicBody);     // layouts
//   form.build(FinanceForm::statusPage(), statusBody);
//   form.buildSheet(FinanceForm::invoiceSheet(FinanceForm::Usd), usdSheet); // absolute
//   usdSheet->setFixedSize(FinanceForm::InvoiceSize);

#include "formfield.h"

#include <QSize>

namespace FinanceTag {

enum : int {
    Number = 10,
    UsdReceivedOn = 20,
    UsdInvoiceNumber = 30,
    UsdReceived = 40, // 已收1
    RmbReceivedOn = 50,
    RmbInvoiceNumber = 60,
    RmbReceived = 70, // 已收2
    LineUsdPaidOn = 80,
    LineUsdPaid = 90, // 已付1 … 已付5 every 20 Tags
    LineRmbPaidOn = 100,
    LineRmbPaid = 110,
    BrokerPaidOn = 120,
    BrokerPaid = 130,
    FleetPaidOn = 140,
    FleetPaid = 150,
    WarehousePaidOn = 160,
    WarehousePaid = 170,
    UsdCommissionOn = 172,
    UsdCommissionRefunded = 174, // 已退6
    RmbCommissionOn = 176,
    RmbCommissionRefunded = 178, // 已退7
    UsdInvoice = 180,            // the first field of the USD invoice
    RmbInvoice = 260,            // the first field of the RMB invoice

    // The job display, in the order of the window's query.
    Salesman = 500,
    ClientReference = 530,
    BookingParty = 540,
    Vessel = 550,
    Voyage = 560,
    BillNumber = 570,
    Destination = 580,
    LoadingPort = 600,
    DischargePort = 620,
    Manual = 630,
    Verification = 640,
    Packages = 650,
    GrossWeight = 670,
    Volume = 680,
    Goods = 690,
    StatusManual = 710,
    StatusVerification = 820,
    SailingDate = 880, // 开航日期, on the USD invoice sheet

    ExportKind = 1000,
    ImportKind = 1010,
    UnsettledMark = 1020,
    SettledMark = 1030,
    UsdCopies = 1040, // the job's data on the USD invoice
    RmbCopies = 1170, // and on the RMB invoice

    RecordLow = 10,
    RecordHigh = 330,
    DisplayLow = 500,
    DisplayHigh = 880,
    ExtraLow = 500,
    ExtraHigh = 1290,
};

// The eight fields of an invoice, added to UsdInvoice or RmbInvoice.
enum InvoiceField : int { Payer = 0, InvoiceDate = 10, InvoiceNo = 20, Bank = 30, Account = 40, InvoiceAmount = 50,
                          Charges = 60, PreparedBy = 70 };
// The job's data on an invoice, added to UsdCopies or RmbCopies. The USD
// invoice shows the sailing date of the job display (SailingDate) instead
// of a copy of its own.
enum InvoiceCopy : int { VesselVoyage = 0, Bill = 10, CopySailingDate = 20, CopyLoadingPort = 30,
                         CopyDischargePort = 40, CopyDestination = 50, CopyPackages = 60, CopyWeight = 70,
                         CopyVolume = 80, Details = 90, CopyClientReference = 100, InWords = 110, Total = 120 };

} // namespace FinanceTag

namespace FinanceForm {

enum Currency { Usd, Rmb };

// What makes the two invoices differ.
struct Invoice {
    Currency currency;
    QString page;        // "美元发票"
    int fields;          // FinanceTag::UsdInvoice
    int copies;          // FinanceTag::UsdCopies
    int sailingDate;     // the Tag of its 开航日期
    QString totalPrefix; // 合计: "USD" + amount
    QString wordsPrefix; // 金额合计大写: "美圆" + words
};
const Invoice &invoice(Currency currency);

// The seven flags that settle a job (已收1, 已收2, 已付1 to 已付5).
const QList<int> &settlementFlags();

FormTable basicPage();
FormTable statusPage();
// An invoice sheet: its reference marks, captions, rules and fields.
FormTable invoiceSheet(Currency currency);
inline constexpr QSize InvoiceSize{760, 600};
// The object name of the company heading on the invoice sheets.
inline const char16_t HeadingName[] = u"invoiceHeading";

} // namespace FinanceForm
