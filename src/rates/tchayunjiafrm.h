#pragma once

#include "amount.h"
#include "cargojobvalues.h"

#include <QDialog>
#include <QHash>
#include <optional>

class FeeDetailsDialog;
class QPushButton;
class StringGrid;

// 查运价 of the export fee details: the rates valid on the job's 船期 from
// its 装货港 to its 目的港, the job's carrier (订舱单位) first, then by the
// selling price of the job's first container type. 确定 takes the selected
// rate's selling prices times the job's containers (箱型箱量 "20'GP*2 &
// 40'HC*1" → 2 × 20'GP + 1 × 40'HC) after showing the sum; a type of the job
// without a price in the rate, a rate not in USD or a job without containers
// is said and nothing is taken.
class TChaYunJiaFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(TChaYunJiaFrm)
public:
    explicit TChaYunJiaFrm(const CargoJobValues &job, QWidget *parent = nullptr);
    ~TChaYunJiaFrm() override;

    StringGrid *grid() const { return m_grid; }
    QPushButton *button(const QString &caption) const;
    // The sum taken by 确定 (nullopt until then).
    std::optional<Amount> freight() const { return m_freight; }

    // Lists the rates (once the dialog shows, or now).
    void list();
    // 确定: the selected rate's sum, asked first; the dialog closes when taken.
    void take();

    struct Sum {
        Amount total;
        QString text;        // "2 × 20'GP 1,200.000 + 1 × 40'HC 2,300.000 = 4,700.000 USD"
        QString refusal;     // why it cannot be taken (empty when it can)
    };
    // The freight of a rate (columns by name) for the job's 箱型箱量.
    static Sum SumOf(const QHash<QString, QString> &rate, const QString &containers);

    // The client's 海运费 of the export fee details.
    static constexpr int ClientFreightTag = 15;

    // Adds 查运价 to the fee details of an export job: the sum taken goes
    // into the field of freightTag (the client's 海运费) and the fees are
    // recalculated.
    static void AddTo(FeeDetailsDialog &dialog, const CargoJobValues &job, int freightTag);

protected:
    void showEvent(QShowEvent *event) override;

private:
    CargoJobValues m_job;
    StringGrid *m_grid;
    std::optional<Amount> m_freight;
    bool m_listed = false;
};
