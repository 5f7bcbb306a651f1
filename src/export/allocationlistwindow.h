#pragma once

#include <QDialog>

class BoundForm;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QStatusBar;
class QToolBar;
class StringGrid;

// The allocation lists of the export jobs a truck fleet or a warehouse still
// has to stuff (做箱情况 '0'), printed and handed to that fleet or warehouse:
// pick the unit (its code and Enter give its short name), 查询, remove the
// lines that should not be printed (from the list only), 打印(&P). They only
// read; the allocation itself is kept in the export job window.
//
// The three windows are one window; what differs between them is a row of
// the table in allocationlistwindow.cpp (caption, unit role, titles, the
// columns listed), and the LCL list adds the container/seal and the
// warehouse entry date to its conditions:
//
//   THYChuKouCheDuiPCLFrm window(parent);   // "车队分配(出口)"
//   window.exec();
class AllocationListWindow : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(AllocationListWindow)
public:
    enum class Kind { Trucking, InnerLoading, Lcl };

    ~AllocationListWindow() override;

    Kind kind() const { return m_kind; }
    QComboBox *unitBox() const;
    // The LCL list's 箱号/封号 and 进仓日期 (nullptr in the others).
    QLineEdit *containerBox() const;
    QDateTimeEdit *entryDate() const;
    QLabel *title() const { return m_title; }
    StringGrid *grid() const { return m_grid; }
    // The row count of the list ("共 3 条").
    QLabel *rowCount() const { return m_rowCount; }

    // --- the user's commands ------------------------------------------------
    // The list's SQL for the unit and the filters as they are typed.
    QString QueryText() const;
    // The jobs into the grid, the column names as its heading row.
    void Query();
    // Asks, then takes the selected line off the list; the heading row and
    // an empty list are never touched.
    void RemoveRow();
    // The list as it is (removed lines left out) to the report print window.
    QString ReportText() const;
    void Print();

protected:
    AllocationListWindow(Kind kind, QWidget *parent);

    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillUnits(const QString &sql);
    void lookUpUnit();
    void followUnit(const QString &unit);
    void showRowCount();

    Kind m_kind;
    BoundForm *m_form;
    QToolBar *m_toolBar;
    QLabel *m_title;
    StringGrid *m_grid;
    QStatusBar *m_status;
    QLabel *m_rowCount;
    bool m_unitsRead = false;
};

// "车队分配(出口)": the jobs a truck fleet loads.
class THYChuKouCheDuiPCLFrm : public AllocationListWindow
{
    Q_OBJECT
public:
    explicit THYChuKouCheDuiPCLFrm(QWidget *parent = nullptr) : AllocationListWindow(Kind::Trucking, parent) {}
};

// "内装箱分配(出口)": the jobs a warehouse stuffs.
class THYChuKouNZXPCLFrm : public AllocationListWindow
{
    Q_OBJECT
public:
    explicit THYChuKouNZXPCLFrm(QWidget *parent = nullptr) : AllocationListWindow(Kind::InnerLoading, parent) {}
};

// "拼箱分配(出口)": the containers a warehouse stuffs on one day.
class THYChuKouPXPCLFrm : public AllocationListWindow
{
    Q_OBJECT
public:
    explicit THYChuKouPXPCLFrm(QWidget *parent = nullptr) : AllocationListWindow(Kind::Lcl, parent) {}
};
