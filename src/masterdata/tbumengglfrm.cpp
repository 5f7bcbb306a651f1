#include "tbumengglfrm.h"

using namespace Qt::StringLiterals;

FormTable TBuMengGLFrm::fields()
{
    return {
        Field::group(u"部门"_s).withColumns(2),
        Field::edit(20, u"部门名称:"_s),
        Field::edit(30, u"部门经理:"_s),
        Field::edit(40, u"上级部门:"_s),
        Field::edit(50, u"直线电话:"_s),
        Field::edit(60, u"传    真:"_s),
    };
}

static MasterDataWindow::Settings departmentSettings()
{
    MasterDataWindow::Settings s;
    s.caption = u"部门管理"_s;
    s.table = u"部门"_s;
    s.keyColumn = u"部门名称"_s;
    s.keyTag = 20;
    s.loadLow = 10;
    s.loadHigh = 60;
    s.saveLow = 10;
    s.saveHigh = 200;
    s.listSql = u"select * from 部门 order by 部门名称 "_s;
    s.emptyKeyMessage = u"名称不能为空!"_s;
    return s;
}

TBuMengGLFrm::TBuMengGLFrm(QWidget *parent)
    : MasterDataWindow(departmentSettings(), fields(), parent)
{
}
