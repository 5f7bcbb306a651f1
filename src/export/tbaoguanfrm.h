#pragma once

#include "cargojobvalues.h"
#include "declarationsheet.h"

// The customs declaration "报关单": the export job's copy of the export goods
// declaration "中华人民共和国海关出口货物报关单", laid out like the official
// form. The job's data (filing number, vessel, B/L, ports, pieces, weights,
// first container, marks) is handed over at every opening and never stored
// here; the declaration itself is one row of 货运出口报关单 (Tags 10 to 220,
// in Tag order), which the inspection declaration also reads (贸易方式,
// 合同协议号). 运费, 保费 and 杂费 are stored as shown, "#,##0.000".
// Printed onto the pre-printed form with the first reference point 50 pixels
// higher than its mark.
class TBaoGuanFrm : public DeclarationSheet
{
    Q_OBJECT
    Q_DISABLE_COPY(TBaoGuanFrm)
public:
    enum Tag {
        Number = 10, PreEntry = 15, CustomsNumber = 20, ExportDate = 30, DeclarationDate = 40, Company = 50,
        Transport = 60, Consignor = 75, TradeMode = 80, DutyNature = 90, Settlement = 100, Permit = 110,
        Source = 130, TradeTerms = 140, Freight = 150, Insurance = 160, Charges = 170, Contract = 180,
        Documents = 195, Manufacturer = 200, Goods = 210, Declarant = 220,
        // handed over by the job, not stored
        ExportPort = 1000, Filing = 1010, Conveyance = 1020, BillNumber = 1030, Country = 1040,
        DestinationPort = 1050, Approval = 1060, Pieces = 1070, Packing = 1080, GrossWeight = 1090,
        NetWeight = 1100, Container = 1110, Marks = 1120
    };

    explicit TBaoGuanFrm(const CargoJobValues &job, QWidget *parent = nullptr);
    ~TBaoGuanFrm() override;

    static Settings settings();
    static FormTable fields();
};
