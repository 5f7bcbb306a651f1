#pragma once

#include "printablesheet.h"

#include <QHash>

class QLabel;

// 报价单: the quotation of one rate to a customer, a printable sheet that
// goes to a printer, a PDF file or a fax through the print/fax dialog. The
// company heading (GetInfo 1), the customer (a unit picked from the list of
// 委托人), the route, the carrier, the selling price per container type
// ("-" where the rate has none), the surcharges, sailing days, transit time
// and validity, and below the user's name, extension and fax. Every text can
// still be changed on screen before printing; nothing is stored.
class TBaoJiaDanFrm : public PrintableSheet
{
    Q_OBJECT
    Q_DISABLE_COPY(TBaoJiaDanFrm)
public:
    enum Tag {
        Customer = 10, Date = 20, From = 30, To = 40, Via = 50, Carrier = 60, Route = 70, Currency = 80,
        FirstPrice = 90, // 90, 100, … one per container type
        Surcharges = 140, Sailing = 150, Transit = 160, Validity = 170, Remarks = 180, User = 190,
        Extension = 200, Fax = 210
    };

    // rate: the columns of a listed rate by name (RateBook::listColumns()).
    explicit TBaoJiaDanFrm(const QHash<QString, QString> &rate, QWidget *parent = nullptr);
    ~TBaoJiaDanFrm() override;

    static FormTable fields();
    QString fieldText(int tag) const;
    void setFieldText(int tag, const QString &text);
    QLabel *heading() const { return m_heading; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void alignPricesRight();
    void fill(const QHash<QString, QString> &rate);
    void showCompanyAndCustomers();

    QLabel *m_heading = nullptr;
    bool m_shown = false;
};
