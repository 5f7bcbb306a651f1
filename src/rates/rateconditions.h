#pragma once

#include "formfield.h"

#include <QDate>
#include <QWidget>

class BoundForm;

// The conditions of a rate list, shared by 运价查询, 批量更新 and 查运价:
// 起运港 (SHANGHAI at first), 目的港, 船公司, 航线, 箱型 and 有效日期 (valid
// on that day; today at first). The lists of the boxes come from the
// server the first time they drop down: the units marked 船公司, the routes
// of the ports, the ports (of the chosen route).
class RateConditions : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(RateConditions)
public:
    enum Tag { From = 10, To = 20, Carrier = 30, Route = 40, Type = 50, ValidOn = 60 };

    explicit RateConditions(QWidget *parent = nullptr);
    ~RateConditions() override;

    static FormTable fields();
    BoundForm *form() const { return m_form; }

    QString text(int tag) const;
    void setText(int tag, const QString &text);
    QDate day() const;
    void setDay(const QDate &day);
    // The index of the chosen 箱型 (0 for 20'GP).
    int type() const;

    // " (生效日期<=…) and (失效日期>=…) and (起运港='…') …" for the boxes that
    // hold more than blanks; every text quoted.
    QString condition() const;
    // The opening values: SHANGHAI, 20'GP, today, the rest empty.
    void reset();

private:
    BoundForm *m_form;
};

namespace RateLists {
// 简称 of the units marked 船公司, by 简称.
QStringList carriers();
// The routes of the ports.
QStringList routes();
// The ports of a route (every port when route is empty), by name.
QStringList ports(const QString &route);
} // namespace RateLists
