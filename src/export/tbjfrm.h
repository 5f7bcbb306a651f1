#pragma once

#include "cargojobvalues.h"
#include "declarationsheet.h"

// The inspection declaration "报检单": the export job's copy of the outbound
// goods inspection application "中华人民共和国出入境检验检疫 / 出境货物报检单",
// laid out like the official form. The job's vessel, sailing date, country
// and port are handed over at every opening, 贸易方式 and 合同号 read from
// the job's customs declaration; the rest is one row of 货运出口报检单 (Tags
// 10 to 470, in Tag order). The application date starts as the job's 船期.
// The document check boxes are part of the form only: never set, never
// stored, never printed.
class TbjFrm : public DeclarationSheet
{
    Q_OBJECT
    Q_DISABLE_COPY(TbjFrm)
public:
    enum Tag {
        Number = 10, InspectionNumber = 20, Enrolment = 30, Contact = 40, Telephone = 50, ApplicationDate = 60,
        ConsignorChinese = 70, ConsignorEnglish = 80, ConsigneeChinese = 90, ConsigneeEnglish = 100, Goods = 110,
        Storage = 130, Credit = 140, Purpose = 150, Permit = 160, Producer = 170, Containers = 180, Terms = 190,
        Marks = 200, FeeTotal = 450, FeeCalculatedBy = 460, FeeCollectedBy = 470,
        // handed over, not stored
        Conveyance = 1000, TradeMode = 1010, ContractNumber = 1020, ShippingDate = 1030, Country = 1040,
        Departure = 1050, ArrivalPort = 1060, Applicant = 1070
    };

    explicit TbjFrm(const CargoJobValues &job, QWidget *parent = nullptr);
    ~TbjFrm() override;

    static Settings settings();
    static FormTable fields();

protected:
    void afterLoad() override;
};
