#pragma once

#include "formfield.h"

#include <QDialog>

#include <functional>

class BoundForm;
class QHBoxLayout;
class QPushButton;
class StringGrid;

// The pattern of the master-data windows (departments, staff, units, ports):
// a button bar (新增, 保存, 删除, 返回), a form of bound controls, and below
// it a read-only grid listing the table with the column names as row 0.
// Double-clicking a listed row loads it for editing with the key field
// disabled; 新增 clears the form for a new row.
//
// A window supplies its field table and a Settings record, and overrides the
// hooks where it differs (validation, statements, what happens after a save).
class MasterDataWindow : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { New, Editing };

    struct Settings {
        QString caption;
        QString table;
        QString keyColumn;   // the column the delete statements name
        int keyTag = 0;      // the field holding the key
        int loadLow = 10;    // range of LoadByTag and ClearByTag
        int loadHigh = 60;
        int saveLow = 10;    // range of SaveByTag
        int saveHigh = 200;
        QString listSql;     // sent in Mode 1 to fill the grid
        QString emptyKeyMessage;
    };

    Mode mode() const { return m_mode; }
    BoundForm *form() const { return m_form; }
    StringGrid *grid() const { return m_grid; }
    // A button of the bar by its caption ("新增", "保存", …); nullptr when none.
    QPushButton *button(const QString &caption) const;

    // The user's commands.
    void addNew();
    void save();
    void removeSelected();
    void editRow(int row);
    virtual void reloadList();

protected:
    MasterDataWindow(const Settings &settings, const FormTable &fields, QWidget *parent);

    const Settings &settings() const { return m_settings; }
    QHBoxLayout *buttonBar() const { return m_buttonBar; }
    // Adds a button to the bar, after the ones already there.
    QPushButton *addButton(const QString &caption, std::function<void()> command);
    void setMode(Mode mode);
    QString keyText() const;

    // Fills the grid from a Mode 1 query (column names as row 0); shows
    // "出错: \r" + message on failure.
    void fillGrid(const QString &sql);

    // Hooks. validate() answers whether 保存 may go on (it shows why not).
    virtual bool validate();
    virtual QString deleteStatement(const QString &key) const;
    // The delete of 删除, keyed by the first cell of the selected row.
    virtual QString rowDeleteStatement(const QString &firstCell) const { return deleteStatement(firstCell); }
    // Whether a failed delete while editing stops the save (units go on).
    virtual bool deleteMustSucceed() const { return true; }
    virtual void afterRowLoaded(int row) { Q_UNUSED(row); }
    virtual void afterSave() { reloadList(); }
    virtual void afterRemove(bool succeeded) { Q_UNUSED(succeeded); }

    void showEvent(QShowEvent *event) override;

private:
    static void showFailure(const QString &statement, const QString &answer);

    Settings m_settings;
    Mode m_mode = Mode::New;
    BoundForm *m_form;
    StringGrid *m_grid;
    QHBoxLayout *m_buttonBar;
    bool m_listed = false;
};
