#pragma once

#include "amount.h"

#include <QDate>
#include <QDialog>
#include <QStringList>

class BoundForm;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class ServerConnection;
class StringGrid;

// The LCL consolidation "拼箱操作": for one sailing, the cargo of the
// consolidated jobs (货代自拼箱, 客户自拼箱) still waiting as "待拼" and the
// containers already filled; the operator makes containers, moves cargo into
// and out of them, and saves. Saving writes 箱类型 and 集装箱号封号 of each
// job's cargo row in 货运出口货物明细: the container's type and number/seal,
// or "待拼" for cargo left waiting.
//
//   THYPingXiangFrm sheet(parent);
//   sheet.preset(job.column(u"目的港"_s), job.column(u"卸货港"_s), sailing, vessel, voyage);
//   connect(&sheet, &THYPingXiangFrm::consolidationSaved, window, &CargoJobWindow::ReloadCargoOf);
//   sheet.exec();
//
// The container tree keeps each node's values as item data (a container's
// number/seal, type and totals; a cargo line's job, consolidation number,
// packages, weight and volume); the node's text is only drawn from them.
// Container numbers are checked: never empty, no blank, no comma, no two
// alike. The save runs in one transaction and checks every answer.
class THYPingXiangFrm : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(THYPingXiangFrm)
public:
    // One cargo row as the save writes it.
    struct Assignment {
        QString job;       // 业务编号
        QString type;      // 箱类型: the container's type, or "待拼"
        QString container; // 集装箱号封号: the container's number/seal, or "待拼"
    };

    explicit THYPingXiangFrm(QWidget *parent = nullptr);
    ~THYPingXiangFrm() override;

    // The sailing filter, as the job window hands it over.
    void preset(const QString &destination, const QString &discharge, const QDate &sailing, const QString &vessel,
                const QString &voyage);

    // --- the user's commands ------------------------------------------------
    // Reads the waiting cargo and the containers of the sailing (also 刷新).
    void Load();
    // The selected waiting row into the selected container.
    void Assign();
    // The selected cargo line back to the waiting list, with its stored values.
    void Release();
    void AddContainer();
    void DeleteContainer();
    // 业务详细: opens the selected line's job and closes this window; asks
    // first when assignments are not saved.
    void ShowJob();
    // True when everything was written and committed ("保存成功").
    bool Save();
    // 返回: asks about unsaved assignments; a failed save keeps the window open.
    void Return();

    // Writes the assignments in one transaction, checking every answer (a
    // statement that changes no row fails too). Answers an empty text on
    // success, else what went wrong; *failedSql / *failedAnswer name the
    // refused statement when the server refused one.
    static QString WriteAssignments(ServerConnection &server, const QList<Assignment> &assignments,
                                    QString *failedSql = nullptr, QString *failedAnswer = nullptr);
    // Why a container number/seal cannot be used, or empty when it can.
    static QString ContainerNumberFault(const QString &number);

    // --- what the window shows ------------------------------------------------
    bool changed() const { return m_changed; }
    QTreeWidget *tree() const { return m_tree; }
    StringGrid *waitingList() const { return m_waiting; }
    QLineEdit *numberField() const { return m_number; }
    QPushButton *button(const QString &caption) const;
    QToolButton *assignButton() const { return m_assign; }
    QToolButton *releaseButton() const { return m_release; }
    // The assignments a save would write now.
    QList<Assignment> assignments() const;
    // The containers' number/seal in tree order.
    QStringList containerNumbers() const;

signals:
    // After a save: the jobs whose cargo rows were written.
    void consolidationSaved(const QStringList &jobs);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;

private:
    QString filterCondition() const;
    bool loadWaiting();
    bool loadContainers();
    QTreeWidgetItem *addContainerNode(const QString &number, const QString &type, Amount weight, Amount volume,
                                      bool fresh);
    void addCargoNode(QTreeWidgetItem *container, const QStringList &values);
    bool releaseNode(QTreeWidgetItem *cargo);
    void setContainerNumber();
    void setContainerType(const QString &type);
    void selectionChanged();
    void updateAssign();
    int waitingRow() const;
    bool hasWaitingCargo() const;
    QTreeWidgetItem *selectedContainer() const;
    QTreeWidgetItem *selectedCargo() const;
    bool refuseNumbers() const;
    bool askToSave();
    void fillPorts();

    BoundForm *m_form;
    QTreeWidget *m_tree;
    StringGrid *m_waiting;
    QLineEdit *m_number;
    QComboBox *m_type;
    QList<QPushButton *> m_buttons;
    QList<QPushButton *> m_quickTypes;
    QToolButton *m_assign;
    QToolButton *m_release;
    bool m_changed = false;
    bool m_loadFailed = false;
    bool m_loadPosted = false;
};
