#pragma once

#include "cargojobvalues.h"
#include "printablesheet.h"

class QLabel;

// The import trucking sheet "分配车队(进口)": the one-page instruction to the
// truck fleet that delivers an import job's containers, laid out like the
// paper form "装    箱    单". The job window's values fill it; the operator
// may still change any text on screen, then prints or faxes it through
// 打印(&P). Nothing is stored.
//
// The heading is the company's name (GetInfo 1) centred between the two
// reference marks, 打印日期 the server's date (GetInfo 2); an "Err" answer
// leaves the heading empty and the date the client's own.
class THYJinKouCheDuiFrm : public PrintableSheet
{
    Q_OBJECT
    Q_DISABLE_COPY(THYJinKouCheDuiFrm)
public:
    enum Tag {
        Fleet = 10, From = 20, Number = 30, ClientNumber = 40, VesselVoyage = 50, Goods = 60, BillNumber = 70,
        Pieces = 80, Port = 90, GrossWeight = 100, Terminal = 110, Measurement = 120, Containers = 130,
        Address = 140, Contact = 150, Telephone = 160, Requirements = 170, DeliveryTime = 180, PrintDate = 190
    };

    explicit THYJinKouCheDuiFrm(const CargoJobValues &job, QWidget *parent = nullptr);
    ~THYJinKouCheDuiFrm() override;

    static FormTable fields();

    QString fieldText(int tag) const;
    QLabel *heading() const { return m_heading; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fill(const CargoJobValues &job);
    void showCompany();

    QLabel *m_heading = nullptr;
    bool m_shown = false;
};
