#pragma once

#include <QDialog>
#include <QHash>

class QPushButton;
class RateConditions;
class StringGrid;

// 运价查询: the rates valid on a day (today at first) from 起运港 to 目的港,
// of a carrier and a route when given, sorted by the selling price of the
// chosen container type. 打印(&P) prints the list through the report print
// window (printer, PDF, Excel); 报价单 prints a quotation of the selected
// rate for a customer.
class TYunJiaCXFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(TYunJiaCXFrm)
public:
    explicit TYunJiaCXFrm(QWidget *parent = nullptr);
    ~TYunJiaCXFrm() override;

    RateConditions *conditions() const { return m_conditions; }
    StringGrid *grid() const { return m_grid; }
    QPushButton *button(const QString &caption) const;

    // 查询, 清空条件, 打印(&P), 报价单.
    void query();
    void clearConditions();
    void print();
    void quote();

    // The listed rate of a row by column name (序号, 船公司, 售价20GP, …);
    // empty for the heading row or an empty row.
    QHash<QString, QString> rateOf(int row) const;

private:
    QPushButton *addButton(const QString &caption, void (TYunJiaCXFrm::*command)());

    RateConditions *m_conditions;
    StringGrid *m_grid;
    class QHBoxLayout *m_buttons;
};
