#pragma once

#include "loadedsnapshot.h"

// 财务管理: the money side of one export or import job. One window serves
// every finance tab (a JobWindow), each tab keeping its state in a TYWData
// record: MainText holds the 财务 fields (Tags 10 to 330), ExtraText the job
// display and what is derived from it (Tags 500 to 1290), JobKind whether
// the page shows an export (0) or an import (1) job.
//
//   财务核算 > 打开业务        a blank page; type the number and press Enter
//   LoadJob(number)            the job, its fee subtotals as the invoice
//                              amounts, then its 财务 row when it has one
//   SaveJob()                  the 财务 row replaced in one transaction
//
// Pages: 基本信息 (the job, read-only), 状态信息 (the document status,
// read-only, and the finance dates and flags), 美元发票 and 人民币发票
// (sheets printed as they show).

#include "jobwindow.h"

#include <QHash>

class BoundForm;
class QAction;
class QTabWidget;
class QToolBar;

class TCaiWuGLFrm : public JobWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(TCaiWuGLFrm)
public:
    explicit TCaiWuGLFrm(JobTabs *tabs);
    ~TCaiWuGLFrm() override;

    QString Caption() const override;
    int TabIcon() const override;

    // Finds the number as an export job, else as an import job; nothing
    // changes unless every answer came back. True when the job is shown.
    bool LoadJob(const QString &businessNumber) override;
    // Enter in 业务编号: LoadJob of the trimmed text when it is not empty.
    void OpenTypedNumber();
    // A blank export page: no job, nothing modified.
    void ClearJob();
    // 保存: true once the commit was answered; "保存成功" only then.
    bool SaveJob();
    // 费用明细: the job's fee details for viewing (right 8, a loaded job).
    void OpenFeeDetails();
    // 打印(&P): the invoice page on screen through the print/fax dialog; on
    // the other pages nothing. The dialog reports its own failures.
    void PrintInvoice();
    // 关闭本页: the page closes at once; unsaved entries are discarded.
    void CloseJobPage();

    // The business number box enabled unless a job is loaded, the amounts
    // formatted with their totals and words, the kind's captions, the
    // settlement state and the job's data on the invoices.
    void RefreshDerivedFields();
    // All seven receipts and payments are ticked.
    bool Settled() const;

    int Stored() const { return m_stored; }
    bool Modified() const { return m_modified; }
    // 0 export job, 1 import job.
    int JobKindShown() const { return m_jobKind; }
    QString BusinessNumber() const;
    BoundForm *Form() const { return m_form; }
    QTabWidget *Pages() const { return m_pages; }
    QToolBar *ToolBar() const { return m_toolBar; }
    QAction *Command(const QString &caption) const { return m_commands.value(caption); }

    enum Page { BasicPage, StatusPage, UsdInvoicePage, RmbInvoicePage };

protected:
    void ResetJob() override { ClearJob(); }
    void SaveState(TYWData &page) override;
    void RestoreState(const TYWData &page) override;
    void RefreshDerived() override { RefreshDerivedFields(); }
    void FocusMainInput() override;

    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildPages();
    void buildToolBar();
    void wireFields();
    void updateCommands();
    void failLoad(const QString &number);
    void refreshInvoice(int currency);
    void setText(int tag, const QString &text);
    QString text(int tag) const;

    BoundForm *m_form = nullptr;
    QTabWidget *m_pages = nullptr;
    QToolBar *m_toolBar = nullptr;
    QHash<QString, QAction *> m_commands;
    QList<QWidget *> m_record; // Tags 10 to 330: the 财务 row
    QList<QWidget *> m_display; // Tags 500 to 880: the job
    QList<QWidget *> m_extra;   // Tags 500 to 1290: the job and what follows from it
    int m_stored = 0;
    // The page's 财务 row (or its absence) as loaded or last saved.
    LoadedSnapshot m_loaded;
    bool m_modified = false;
    int m_jobKind = 0;
};
