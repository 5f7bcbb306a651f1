#pragma once

#include "loadedsnapshot.h"

class ServerConnection;

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
// hooks where it differs (validation, statements, what is stored, what
// happens after clearing, listing, loading, saving and deleting).
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
        int keyGridColumn = 0; // grid column of the key that 删除 deletes by
        bool keyAlwaysDisabled = false; // the key is assigned, never typed
        // The bar's captions, an accelerator allowed ("新增(&A)"); the
        // buttons are named without it ("新增").
        QStringList buttonCaptions = {QStringLiteral("新增"), QStringLiteral("保存"), QStringLiteral("删除"),
                                      QStringLiteral("返回")};
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
    // Fills the combo box of tag from items() the first time its list drops
    // down; the text it shows stays, and filling is no change by the user.
    void fillOnFirstDropDown(int tag, std::function<QStringList()> items);
    // Sets a combo box's items, keeping the text it shows (quietly).
    void setComboItems(int tag, const QStringList &items);

    // The values of a one-column query, for a list: up to the first empty
    // one, or all but the empty ones. A Mode 1 answer's column name is
    // skipped. An "Err" answer shows "出错: \r" (with the SQL when showSql)
    // and the message, and gives no values.
    enum class EmptyValue { Ends, Skipped };
    static QStringList listValues(const QString &sql, int mode, EmptyValue empty, bool showSql = true);

    // Hooks. validate() answers whether 保存 may go on (it shows why not).
    virtual bool validate();
    virtual QString deleteStatement(const QString &key) const;
    // The delete of 删除, keyed by the selected row's key cell; empty
    // refuses the delete (the hook says why).
    virtual QString rowDeleteStatement(const QString &key) const { return deleteStatement(key); }
    // The record text the insert stores, from the one the form saved.
    virtual QString recordToStore(const QString &record) { return record; }
    // A statement as failure messages show it (a window hides secrets).
    virtual QString shownStatement(const QString &statement) const { return statement; }
    // Whether a failed delete while editing stops the save (units go on).
    virtual bool deleteMustSucceed() const { return true; }
    virtual void afterClear() {}
    virtual void afterFill() {}
    virtual void afterRowLoaded(int row) { Q_UNUSED(row); }
    virtual void afterSave() { reloadList(); }
    virtual void afterRemove(bool succeeded) { Q_UNUSED(succeeded); }

    void showEvent(QShowEvent *event) override;

private:
    bool replaceRow(ServerConnection &server, const QString &insert);
    void showFailure(const QString &statement, const QString &answer) const;

    Settings m_settings;
    Mode m_mode = Mode::New;
    BoundForm *m_form;
    StringGrid *m_grid;
    QHBoxLayout *m_buttonBar;
    bool m_listed = false;
    // Each listed row's values as the server answered them (before any
    // masking), and the row on the form as listed or last saved.
    QStringList m_listedRows;
    LoadedSnapshot m_loaded;
};
