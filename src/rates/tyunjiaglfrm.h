#pragma once

#include "masterdatawindow.h"

// 运价管理: the rate book as a master-data window. The list shows the rates
// still valid today or later until the user asks otherwise: 查询 lists the
// rates of the 船公司, 航线 and 目的港 typed (those given), 全部 every rate.
// 新增 numbers a new rate one above the highest; 复制 makes the selected
// rate a new one for the period after it, to be set by the user.
//
// 保存 needs a carrier (a unit marked 船公司), both ports, 生效日期 on or
// before 失效日期 and at least one price; a price must be an amount (empty
// means no rate) and is stored with three decimals. A rate whose period
// overlaps another of the same carrier, ports and 中转港 is saved only when
// the user says so to a question naming that rate. 录入人 is whoever entered
// the rate, 修改日期 the day of the last save. A rate deleted by someone
// else while it is shown is said and not stored again.
class TYunJiaGLFrm : public MasterDataWindow
{
    Q_OBJECT
public:
    enum Tag {
        Number = 10, Carrier = 20, Route = 30, From = 40, To = 50, Via = 60, Currency = 70,
        FirstCost = 80, FirstSell = 130, // one per container type, 10 apart
        Surcharges = 180, Sailing = 190, Transit = 200, ValidFrom = 210, ValidUntil = 220, Remarks = 230,
        EnteredBy = 240, Changed = 250
    };

    explicit TYunJiaGLFrm(QWidget *parent = nullptr);

    static FormTable fields();

    // 查询 and 全部.
    void query();
    void listAll();
    // 复制: the selected rate as a new one.
    void copySelected();
    void reloadList() override;

protected:
    bool validate() override;
    QString deleteStatement(const QString &key) const override;
    QString rowDeleteStatement(const QString &key) const override;
    void afterClear() override;
    void afterFill() override;
    void afterRowLoaded(int row) override;

private:
    bool checkPrices();
    bool checkOverlap();
    bool stillStored();
    void numberAsNew();
    QString text(int tag) const;
    void setText(int tag, const QString &text);
    void list(const QString &sql);

    QString m_lastList;
};
