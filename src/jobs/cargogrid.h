#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class RadioGroup;
class ServerConnection;
class StringGrid;

// What differs between the cargo grids of the job kinds.
struct CargoGridSettings {
    QStringList sizes;  // items of 箱型
    QStringList kinds;  // items of 箱类
    QString deleteRowCaption = QStringLiteral("删除当前货物");
    QString clearCaption = QStringLiteral("清除全部货物");
    // Whether 删除当前货物 and 清除全部货物 count as an edit of the job.
    bool rowButtonsEdit = true;
    // Whether leaving the grid checks its rows (as Enter does).
    bool validateOnLeave = false;
};

// The cargo grid of a job window (sg_JZX): one row per container or cargo
// line under the heading "箱类型", "集装箱号/封号", "件数", "毛重(KGS)",
// "尺码(CBM)", with the container type pickers 箱型 and 箱类, the box
// 新增箱数 (Enter adds that many containers of the picked type) and the
// buttons that delete the current row and clear the grid.
//
// The grid does not know the job: the window hands it a validator (run after
// every command and on Enter in the grid) and is told of every edit the user
// makes through edited().
class CargoGrid : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(CargoGrid)
public:
    static const int Columns = 5;
    // The cargo table's columns after 业务编号, in grid order.
    static QStringList tableColumns();
    static QStringList headings();
    // At most this many containers are added at once; more adds none.
    static const int MaxNewContainers = 200;

    CargoGrid(const CargoGridSettings &settings, QWidget *parent = nullptr);
    ~CargoGrid() override;

    StringGrid *grid() const { return m_grid; }
    RadioGroup *sizePicker() const { return m_sizes; }
    RadioGroup *kindPicker() const { return m_kinds; }
    QLineEdit *countField() const { return m_count; }
    QPushButton *deleteRowButton() const { return m_deleteRow; }
    QPushButton *clearButton() const { return m_clear; }
    // Places a field (the container summary) under the grid.
    void addFieldBelow(QLabel *label, QWidget *field);

    void setValidator(std::function<bool()> validator) { m_validator = std::move(validator); }

    // --- contents ---------------------------------------------------------
    // Two rows (the heading and one blank cargo row), five columns.
    void reset();
    // Every cargo cell is blank: the job has no cargo rows.
    bool isBlank() const;
    // The container type of the first cargo row is blank.
    bool firstTypeBlank() const;
    int cargoRowCount() const;
    QList<QStringList> cargoRows() const;
    // Replaces the cargo rows (an empty list leaves one blank row).
    void setCargoRows(const QList<QStringList> &rows);
    // The grid from its heading on, and back: the rows as they are on screen.
    QList<QStringList> allRows() const;
    void setAllRows(const QList<QStringList> &rows);

    // The types of the cargo rows counted, ignoring the case of letters, in
    // order of first appearance under the spelling met first:
    // "20'GP*2 & 40'HC*1". Empty for a blank grid. A high cube counts as one
    // type however it is named (40'HQ is 40'HC: SummedType).
    QString containerSummary() const;
    // The same over cargo rows that are not on screen (a page's snapshot).
    static QString summaryOf(const QList<QStringList> &cargoRows);
    // The type a container is counted under: the high-cube kind "HQ" (the
    // LCL window's name) is "HC" (the job window's).
    static QString SummedType(const QString &type);
    // The same as SQL over a column holding container types.
    static QString SummedTypeSql(const QString &column);
    // The grid's rows for cargo rows: the heading, then the rows (one blank
    // row when there are none), as setCargoRows() shows them.
    static QList<QStringList> gridRowsOf(const QList<QStringList> &cargoRows);
    // The picked 箱型 followed by the picked 箱类 ("40'" and "HC": "40'HC").
    QString pickedType() const;

    // Rewrites 件数 (digits only, an integer), 毛重 and 尺码 ("0.000") row by
    // row. At the first bad cell shows "输入有误:" + why, selects the cell and
    // answers false. rowsPassed: how many rows went through.
    bool normaliseRows(int *rowsPassed);
    // Shows "输入有误:" + text and selects the cell.
    void refuseCell(int row, int column, const QString &text);

    // --- the user's commands ------------------------------------------------
    void addContainers();
    void deleteCurrentRow();
    void clearRows();

    // --- the cargo table ----------------------------------------------------
    static QString selectStatement(const QString &table, const QString &number);
    // Replaces the job's rows in the cargo table; runs inside the caller's
    // transaction. Answers an empty text when every row was written, else the
    // message to show (the caller shows it once the transaction is closed).
    QString saveRows(ServerConnection &server, const QString &table, const QString &number) const;

signals:
    // The user changed the cargo (typed in a cell, added, deleted, cleared).
    void edited();
    // The Tab key leaves the grid.
    void tabbedOut();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool gridKey(QKeyEvent *event);
    void validate();

    CargoGridSettings m_settings;
    StringGrid *m_grid;
    RadioGroup *m_sizes;
    RadioGroup *m_kinds;
    QLineEdit *m_count;
    QPushButton *m_deleteRow;
    QPushButton *m_clear;
    QGridLayout *m_below;
    std::function<bool()> m_validator;
};
