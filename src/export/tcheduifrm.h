#pragma once

#include "cargojobvalues.h"
#include "printablesheet.h"

class QLabel;

// The trucking sheet "分配车队": the order to the truck fleet to stuff an
// export job's containers, laid out like the paper form "装  箱  单". Every
// field is filled from the job and disabled; 打印(&P) prints it (smaller than
// the page: its second reference point 300 pixels lower) or faxes it.
// Nothing is stored. Heading: the company's name (GetInfo 1); 打印日期: the
// server's date and the client's time.
class TCheDuiFrm : public PrintableSheet
{
    Q_OBJECT
    Q_DISABLE_COPY(TCheDuiFrm)
public:
    enum Tag {
        Fleet = 10, From = 20, Number = 30, ClientNumber = 40, VesselVoyage = 50, Goods = 60, BillNumber = 70,
        Pieces = 80, DischargePort = 90, GrossWeight = 100, Destination = 110, Measurement = 120, Containers = 130,
        Address = 140, Contact = 150, Telephone = 160, Requirements = 170, StuffingTime = 180, PrintDate = 190
    };

    explicit TCheDuiFrm(const CargoJobValues &job, QWidget *parent = nullptr);
    ~TCheDuiFrm() override;

    static FormTable fields();

    QLabel *heading() const { return m_heading; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_heading = nullptr;
    bool m_shown = false;
};
