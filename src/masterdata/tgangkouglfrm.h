#pragma once

#include "masterdatawindow.h"

// 港口管理: the ports, grouped by route (航线名称) and country. The window
// numbers a new port one above the highest number; the job windows turn a
// typed number into the port's name.
//
// The grid stays empty until the user lists: choosing a route lists its
// ports (and refills the countries), choosing a country or 查询 narrows the
// list, 全部 lists every port. After a save or a delete the form keeps its
// route, the route list is refilled and the list queried again.
class TGangKouGLFrm : public MasterDataWindow
{
    Q_OBJECT
public:
    explicit TGangKouGLFrm(QWidget *parent = nullptr);

    static FormTable fields();

    // 查询: the ports of the route, narrowed by name and country when given.
    void query();
    // 全部: every port.
    void listAll();
    // The user chose a route: its countries, then 查询.
    void chooseRoute();
    // Fills the route list (the routes in the table), keeping the route shown.
    void reloadList() override;

protected:
    bool validate() override;
    QString deleteStatement(const QString &key) const override;
    QString rowDeleteStatement(const QString &key) const override;
    void afterClear() override;
    void afterSave() override;
    void afterRemove(bool succeeded) override;

private:
    void list(const QString &sql);

    QString m_lastList; // the statement that filled the grid last
};
