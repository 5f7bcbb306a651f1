#pragma once

#include "cargojobvalues.h"
#include "printablesheet.h"

// The guarantee letter sheet "保函": the letters of indemnity the forwarder
// gives the carrier (the job's 订舱单位), as two designed pages: "电放保函"
// for a telex release and "预借/到签保函" for an advance or back-dated B/L.
// Fixed text with the job's vessel, voyage, B/L number, pieces, goods,
// destination (and the signing date as the back-dated date), dated today.
// 打印(&P) prints or faxes the letter shown, a little smaller than the page
// (its second reference point 200 pixels lower). Nothing is stored.
class TBaoHangFrm : public PrintableSheet
{
    Q_OBJECT
    Q_DISABLE_COPY(TBaoHangFrm)
public:
    enum Tag {
        Addressee = 10, Vessel = 20, Voyage = 30, BillNumber = 40, Pieces = 50, Goods = 60, Destination = 70,
        SigningDate = 80, Date = 90, PrintDate = 100
    };
    enum Letter { TelexRelease, AdvanceOrBackDated };

    explicit TBaoHangFrm(const CargoJobValues &job, QWidget *parent = nullptr);
    ~TBaoHangFrm() override;

    static const QStringList PageTitles;
    static FormTable fields(Letter letter);

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool m_shown = false;
};
