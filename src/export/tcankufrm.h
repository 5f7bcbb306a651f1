#pragma once

#include "cargojobvalues.h"
#include "printablesheet.h"

// The warehouse sheet "分配仓库": two notices about delivering an export
// job's cargo into a warehouse, one to the client and one to the warehouse,
// as two designed pages. An inner-stuffing job (整箱, 少量拼箱) gets the pages
// "内装箱客户联系单" and "内装箱仓库联系单" (entry number: the business
// number); any other job (货代自拼箱, 客户自拼箱) the consolidation pages
// "拼箱客户联系单" and "拼箱仓库联系单" (entry number: the consolidation
// number). Every field is filled from the job, the units' contacts and the
// logged-in operator, and disabled; 打印(&P) prints or faxes the page shown.
// Nothing is stored.
class TCanKuFrm : public PrintableSheet
{
    Q_OBJECT
    Q_DISABLE_COPY(TCanKuFrm)
public:
    enum Tag {
        To = 10, EntryNumber = 20, Client = 30, VesselVoyage = 40, Goods = 50, BillNumber = 60, DischargePort = 70,
        Destination = 80, Pieces = 90, GrossWeight = 100, Measurement = 110, Containers = 120, Remarks = 130,
        DeliveryTime = 140, Warehouse = 150, WarehouseAddress = 160, WarehouseContact = 170, WarehousePhone = 180,
        Operator = 190, OperatorPhone = 200, OperatorFax = 210, PrintDate = 220
    };
    // What a page is: to the client or to the warehouse, for inner stuffing
    // or for a consolidation.
    enum class Kind { InnerClient, InnerWarehouse, LclClient, LclWarehouse };

    explicit TCanKuFrm(const CargoJobValues &job, QWidget *parent = nullptr);
    ~TCanKuFrm() override;

    // The page titles of each kind, in kind order.
    static const QStringList PageTitles;
    static FormTable fields(Kind kind);
    // Whether a job type is stuffed in the warehouse (整箱, 少量拼箱).
    static bool IsInnerStuffing(const QString &jobType);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fill(int page, Kind kind, const CargoJobValues &job);

    bool m_shown = false;
};
