#pragma once

// The job window of the cargo jobs, export and import: one window per kind
// serving every tab of its kind, built from the kind's field table and a
// settings record, so that a kind is its differences:
//
//   THYChuKouFrm::THYChuKouFrm(JobTabs *tabs)
//       : CargoJobWindow(tabs, settings(), fields())   // 货运出口基本信息, "出口业务_", …
//   {
//       SetSheetOpener(u"报关单"_s, [](const CargoJobValues &job, QWidget *parent) { … });
//   }
//   void THYChuKouFrm::RefreshOwnFields() { … the rules only export jobs have … }
//
// The window keeps the lifecycle of a job page: open by number, clear, load
// (three queries: the job row, its cargo rows, its finance status), save in
// one transaction (job row and cargo rows), save as, delete with every
// dependent table in one transaction, the save prompts, and the snapshot of
// the page when the user switches tabs. It wires change tracking, the pick
// lists (filled when first dropped down), the code lookups on Enter, the
// Tab keys between the first two pages, and the tool-bar buttons of the
// satellite sheets, which receive the job as values (CargoJobValues).
//
// Loading, clearing and restoring are quiet: no lookup runs and the
// Modified flag comes from the page's record, not from the load. Restoring a
// page of a saved job reads its finance block again, so that the page shows
// what the finance window has saved meanwhile.

#include "cargogrid.h"
#include "cargojobform.h"
#include "cargojobtags.h"
#include "cargojobvalues.h"
#include "formfield.h"
#include "jobwindow.h"

#include <QHash>
#include <functional>
#include <optional>

class BoundForm;
class QAction;
class QComboBox;
class QLineEdit;
class QToolBar;

struct CargoJobSettings {
    QString caption;       // window and new tab: "出口业务"
    QString tabPrefix;     // tab of a loaded or saved job: "出口业务_" + number
    int tabIcon = 0;       // JobTabs::Icon
    int newPageMessage = 0; // the main window's message for a new page of this kind
    QString jobTable;      // 货运出口基本信息
    QString cargoTable;    // 货运出口货物明细
    QString feeTable;      // 货运出口费用明细: deleting a job with fees asks twice
    // Deleted with the job row, in this order, in the same transaction.
    QStringList dependentTables;
    // Texts a new job (新建业务) starts with, by Tag.
    QList<std::pair<int, QString>> newJobTexts;
    // The port whose country fills Tag 110 (目的港 for export, 装货港 for import).
    int countryPortTag = 0;
    // Read-only copies of a field on another page: source Tag, copy's object name.
    QList<std::pair<int, QString>> fieldCopies{
        {JobTag::Manual, QString::fromUtf16(CargoJobForm::ManualCopy)},
        {JobTag::BillNumber, QString::fromUtf16(CargoJobForm::BillNumberCopy)}};
    // The satellite-sheet buttons of the tool bar, in order.
    QStringList sheetButtons;
    // A consolidated job (货代自拼箱, 客户自拼箱) carries one cargo row only.
    bool oneCargoRowWhenConsolidated = true;
    // The allocation a sheet is given when none of 分配车队, 分配仓库 and
    // 自做箱 is checked (CargoJobValues::allocationKind).
    int allocationWhenNone = 0;
    CargoGridSettings grid;
};

class CargoJobWindow : public JobWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(CargoJobWindow)
public:
    // What opens a satellite sheet: the job's values and the window as parent.
    using SheetOpener = std::function<void(const CargoJobValues &job, QWidget *parent)>;

    ~CargoJobWindow() override;

    QString Caption() const override { return m_settings.caption; }
    int TabIcon() const override { return m_settings.tabIcon; }
    const CargoJobSettings &Settings() const { return m_settings; }

    // --- the page operations and the job's lifecycle -----------------------
    bool LoadJob(const QString &businessNumber) override;
    // Enter in 业务编号: warns "此业务已打开" when the job's tab is open,
    // otherwise loads the job.
    void OpenTypedNumber();
    void ClearJob();
    // True when saved and committed; "保存成功" only after the commit.
    bool SaveJob();
    void NewJob();
    void SaveJobAs();
    // True when the job row and its dependent rows were deleted.
    bool DeleteJob();
    bool ConfirmSaved();
    void CloseJobPage();

    // --- derived fields and lookups -------------------------------------------
    // Normalises the amounts, writes the total in words, copies and applies
    // every enabling rule; throws KorvanError for an invalid amount or package
    // count after everything else is done.
    void RefreshDerivedFields();
    void ClientChanged();
    // The country of the port at countryPortTag into Tag 110.
    void DestinationChanged();
    bool ValidateGoodsGrid();
    QString ContainerSummary() const;

    // --- satellite sheets -----------------------------------------------------
    // Gives a sheet button its sheet; a button without one stays disabled.
    void SetSheetOpener(const QString &button, SheetOpener opener);
    // The button's own rule (job type, allocation, …), whether or not its
    // sheet is there yet.
    bool SheetRule(const QString &button) const;
    // Runs a sheet button: the job must be saved ("请先保存当前业务!") and
    // pending changes saved (ConfirmSaved) before the sheet opens.
    void OpenSheet(const QString &button);
    CargoJobValues JobValues() const;

    // Another window has rewritten the cargo rows of these jobs (the LCL
    // consolidation): every page of this window showing one of them reads
    // its cargo rows again, the page on screen and the snapshots of the
    // others alike, so that the page's next save does not write the old rows
    // back. Other edits on the page and its Modified flag stay. Answers how
    // many pages were refreshed.
    int ReloadCargoOf(const QStringList &numbers);

    // --- state ------------------------------------------------------------------
    int Stored() const { return m_stored; }
    bool Modified() const { return m_modified; }
    QString BusinessNumber() const;
    BoundForm *Form() const { return m_form; }
    CargoGrid *Cargo() const { return m_cargo; }
    QToolBar *ToolBar() const { return m_toolBar; }
    // A tool-bar command by its caption ("保存", "报关单", …).
    QAction *Command(const QString &caption) const { return m_commands.value(caption); }

protected:
    CargoJobWindow(JobTabs *tabs, CargoJobSettings settings, const FormTable &fields);

    // The rules a kind has beyond the shared ones; run by RefreshDerivedFields.
    virtual void RefreshOwnFields() {}
    void SetSheetRule(const QString &button, bool enabled);
    bool IsConsolidated() const;
    // The window's pages (0 基本信息, 1 货物信息, 2 其它信息, 3 状态信息).
    int CurrentPage() const;

    void ResetJob() override { ClearJob(); }
    void SaveState(TYWData &page) override;
    void RestoreState(const TYWData &page) override;
    void FocusMainInput() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildToolBar();
    void placeCargo();
    void wireFields();
    void fieldChanged(QWidget *field);
    void refreshSafely();
    void updateSheetCommand(const QString &button);
    void fillPickList(QComboBox *combo);
    bool comboKey(QComboBox *combo, int tag, QEvent *event);
    void setFieldText(int tag, const QString &text);
    // An amount field left with a text that is no amount: said and
    // focused again once the event loop runs.
    void refuseNoAmountLater(QLineEdit *amount);
    QString fieldText(int tag) const;
    void focusField(int tag);
    void setRestingReadOnly(int tag, bool readOnly);
    void failLoad(const QString &number);
    // Reads the finance block of the stored job again (quietly).
    void reloadFinance();
    void restoreSnapshot(const QString &mainText, const QString &gridText);
    std::optional<QString> askNewNumber();
    bool requestNewPage();

    CargoJobSettings m_settings;
    BoundForm *m_form = nullptr;
    QList<QWidget *> m_record;  // Tags 10 to 830 in Tag order
    QList<QWidget *> m_finance; // Tags 1000 to 1150
    CargoGrid *m_cargo = nullptr;
    QToolBar *m_toolBar = nullptr;
    QHash<QString, QAction *> m_commands;
    QHash<QString, SheetOpener> m_openers;
    QHash<QString, bool> m_rules;
    int m_stored = 0;
    bool m_modified = false;
    // A key in a unit or port box: the lookup it triggers runs once.
    bool m_clientLookedUp = false;
    bool m_countryLookedUp = false;
    // The box the last key was pressed in.
    QComboBox *m_keyBox = nullptr;
};
