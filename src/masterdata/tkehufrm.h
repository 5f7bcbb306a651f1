#pragma once

#include "masterdatawindow.h"

// 单位管理: every company the forwarder deals with, keyed by its short code
// 缩写代码 and shown everywhere by its short name 简称. The role flags decide
// which pick lists of the job windows offer a unit; 订舱单位 and 船公司 move
// together when the user ticks either.
class TkehuFrm : public MasterDataWindow
{
    Q_OBJECT
public:
    explicit TkehuFrm(QWidget *parent = nullptr);

    static FormTable fields();

    // 查询: the units whose code contains the code field's text.
    void query();

protected:
    bool validate() override;
    bool deleteMustSucceed() const override { return false; }
};
