#pragma once

#include "masterdatawindow.h"

// 部门管理: the departments, whose names fill the department lists and whose
// direct line becomes a staff member's telephone number.
class TBuMengGLFrm : public MasterDataWindow
{
    Q_OBJECT
public:
    explicit TBuMengGLFrm(QWidget *parent = nullptr);

    static FormTable fields();
};
