#pragma once

// The Tags of the cargo job windows (export and import). Both job tables
// have the same 88 columns in the same order, so the windows bind the same
// Tags; the import window gives some of them an import meaning (启运国 for
// 运抵国, 船公司 for 订舱单位, …) but the rules that read them are shared.
namespace JobTag {

enum : int {
    Number = 10,
    Salesman = 20,
    Operator = 30,
    Client = 40,
    ClientReference = 50,
    BookingParty = 60,
    Vessel = 70,
    Voyage = 80,
    BillNumber = 90,
    Destination = 100,
    Country = 110,
    LoadingPort = 120,
    ConsolidationNumber = 130,
    DischargePort = 140,
    Manual = 150,
    VerificationNumber = 160,
    Broker = 170,
    ShutOut = 190,
    CarrierBill = 200,
    ForwarderBill = 210,
    HouseBill = 220,
    SailingDate = 240,
    SigningDate = 244,
    JobType = 250,
    Shipper = 260,
    DestinationAgent = 290,
    Marks = 300,
    Packages = 320,
    PackageKind = 330,
    GrossWeight = 340,
    NetWeight = 345,
    Volume = 350,
    GoodsShort = 353,
    TotalInWords = 355,
    PrepaidAt = 360,
    IssuedAt = 380,
    OriginalBills = 420,
    AssignFleet = 450,
    Fleet = 460,
    AssignWarehouse = 470,
    Warehouse = 480,
    SelfPacked = 490,
    StuffingAddress = 510,
    Requirements = 515,
    StuffingDate = 520,
    StuffingTime = 530,
    Contact = 540,
    ContactPhone = 545,
    BackDated = 550,
    IssuedEarly = 560,
    TelexRelease = 570,
    Transhipment = 590,
    TranshipmentPort = 600,
    TranshipmentInfo = 610,
    SecondBill = 630,
    SecondVessel = 640,
    SecondVoyage = 650,
    ContainerSummary = 830,

    // The record: the job table's columns.
    RecordLow = 10,
    RecordHigh = 830,
    // The read-only finance status block (table 财务).
    FinanceLow = 1000,
    FinanceHigh = 1150,
};

} // namespace JobTag
