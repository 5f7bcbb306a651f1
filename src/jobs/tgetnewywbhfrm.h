#pragma once

#include <QDialog>

class QLineEdit;

// Asks the operator for a new business number: shows the last number he or
// she created in the job table, takes the new one upper-cased and accepts it
// only when the table does not hold it yet.
class TGetNewYWBHFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TGetNewYWBHFrm(QWidget *parent = nullptr);

    // The job table both statements are built on: 货运出口基本信息 or 货运进口基本信息.
    void setTableName(const QString &table) { m_table = table; }
    QString tableName() const { return m_table; }

    // 1 when a number that passed the check was confirmed, 0 otherwise.
    int resultCode() const { return m_resultCode; }
    QString number() const;

    QLineEdit *lastNumberField() const { return m_lastNumber; }
    QLineEdit *numberField() const { return m_number; }

    // 确认 and 取消.
    void confirm();
    void cancel();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void loadLastNumber();

    QString m_table;
    int m_resultCode = 0;
    QLineEdit *m_lastNumber;
    QLineEdit *m_number;
};
