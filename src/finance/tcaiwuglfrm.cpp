#include "tcaiwuglfrm.h"

#include "boundform.h"
#include "captionname.h"
#include "cargojobfields.h"
#include "currentuser.h"
#include "fieldvalues.h"
#include "financeform.h"
#include "focushighlighter.h"
#include "jobpages.h"
#include "jobtabs.h"
#include "korvanerror.h"
#include "marks.h"
#include "printablesheet.h"
#include "queryhelpers.h"
#include "savekey.h"
#include "reportdocument.h"
#include "tagbinding.h"
#include "thychukoufeiyongmxfrm.h"
#include "thyjinkoufeiyongmxfrm.h"
#include "tmainfrm.h"
#include "tywdata.h"
#include "values.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <exception>

using namespace Qt::StringLiterals;
using namespace CommFunU;
using namespace CargoJobFields;
using namespace FinanceTag;
using FinanceForm::Currency;

namespace {

const QString WindowCaption = u"财务管理"_s;
const QString SaveCommand = u"保存"_s;
const QString FeesCommand = u"费用明细"_s;
const QString CloseCommand = u"关闭本页"_s;
const QString PrintCommand = u"打印(&P)"_s;

// The job as the window shows it: the number, then Tags 500 to 880 in order.
const QString JobColumns =
    u"业务编号, 业务员, 操作员, 委托人, 委托编号, 订舱单位, 船名, 航次, 提单号, 目的港, 运抵国, 装货港, 拼箱编号, "
    u"卸货港, 手册号, 核销单号,件数,包装种类,毛重,尺码,货名简称,箱型箱量,手册号,手册退单日期, 手册已退单, "
    u"手册寄发日期, 手册已寄发, 手册快件名称, 提单签发日期, 提单已签发, 提单寄发日期, 提单已寄发, 提单快件名称,"
    u"核销单号, 核销单退单日期, 核销单已退单, 核销单寄发日期, 核销单已寄发, 核销单快件名称 ,船期"_s;

// What tells an export job from an import job here.
struct JobKindText {
    QString jobTable;
    QString feeQuery; // the client's USD and RMB subtotals
    QString tabPrefix;
};

const JobKindText &kindText(int kind)
{
    static const JobKindText exportJob{u"货运出口基本信息"_s, u"select f110,f219 from  货运出口费用明细"_s, u"出口业务_"_s};
    static const JobKindText importJob{u"货运进口基本信息"_s, u"select f110,f224 from 货运进口费用明细"_s, u"进口业务_"_s};
    return kind == 1 ? importJob : exportJob;
}

QString byNumber(const QString &key)
{
    return u" where 业务编号='"_s + key + u'\'';
}

// A page that scrolls when the window is small, its body laid out by the form.
QWidget *addLaidOutPage(QTabWidget *pages, const QString &title)
{
    auto *scroll = new QScrollArea(pages);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    auto *body = new QWidget(scroll);
    body->setObjectName(title);
    scroll->setWidget(body);
    pages->addTab(scroll, title);
    return body;
}

// A printed sheet on a page: white paper, the font it prints with.
QWidget *addSheetPage(QTabWidget *pages, const QString &title)
{
    auto *scroll = new QScrollArea(pages);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setBackgroundRole(QPalette::Dark);
    auto *sheet = new QWidget;
    sheet->setObjectName(title);
    sheet->setAutoFillBackground(true);
    QPalette palette = sheet->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    sheet->setPalette(palette);
    // Its own roles, not the dark surround's: white paper, black ink.
    sheet->setBackgroundRole(QPalette::Window);
    sheet->setForegroundRole(QPalette::WindowText);
    sheet->setFont(ReportDocument::defaultFont(9));
    scroll->setWidget(sheet);
    scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    pages->addTab(scroll, title);
    return sheet;
}

// A label as wide as its text, in the middle of the sheet: the print engine
// draws a label's text from its left edge.
void centre(QLabel *label)
{
    const int width = label->fontMetrics().horizontalAdvance(label->text()) + 20;
    label->setGeometry((FinanceForm::InvoiceSize.width() - width) / 2, label->y(), width, label->height());
}

void setTitleFont(QLabel *label, int pointSize)
{
    if (!label)
        return;
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    centre(label);
}

bool isAmount(int tag)
{
    return tag == UsdInvoice + InvoiceAmount || tag == RmbInvoice + InvoiceAmount;
}

} // namespace

TCaiWuGLFrm::TCaiWuGLFrm(JobTabs *tabs)
    : JobWindow(tabs)
{
    setWindowTitle(WindowCaption);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(2);
    m_toolBar = new QToolBar(WindowCaption, this);
    layout->addWidget(m_toolBar);
    m_form = new BoundForm(this);
    m_pages = new QTabWidget(this);
    layout->addWidget(m_pages, 1);
    buildPages();
    m_record = BoundControls(this, RecordLow, RecordHigh);
    m_display = BoundControls(this, DisplayLow, DisplayHigh);
    m_extra = BoundControls(this, ExtraLow, ExtraHigh);
    buildToolBar();
    wireFields();
    ClearJob();
}

TCaiWuGLFrm::~TCaiWuGLFrm() = default;

QString TCaiWuGLFrm::Caption() const
{
    return WindowCaption;
}

int TCaiWuGLFrm::TabIcon() const
{
    return JobTabs::FinanceIcon;
}

// --- building ------------------------------------------------------------------

void TCaiWuGLFrm::buildPages()
{
    m_form->build(FinanceForm::basicPage(), addLaidOutPage(m_pages, u"基本信息"_s));
    m_form->build(FinanceForm::statusPage(), addLaidOutPage(m_pages, u"状态信息"_s));
    for (Currency currency : {FinanceForm::Usd, FinanceForm::Rmb}) {
        QWidget *sheet = addSheetPage(m_pages, FinanceForm::invoice(currency).page);
        m_form->buildSheet(FinanceForm::invoiceSheet(currency), sheet);
        sheet->setFixedSize(FinanceForm::InvoiceSize);
        setTitleFont(sheet->findChild<QLabel *>(QString::fromUtf16(FinanceForm::HeadingName)), 14);
        setTitleFont(sheet->findChild<QLabel *>(u"invoiceTitle"_s), 13);
        setTitleFont(sheet->findChild<QLabel *>(u"invoiceCurrency"_s), 10);
    }
    // The settlement state is kept, not shown.
    if (QWidget *settled = m_form->field(SettledMark))
        settled->parentWidget()->hide();
    // What the window shows of the job cannot be changed here.
    for (int low : {int(DisplayLow), int(UsdCopies)}) {
        for (QWidget *field : BoundControls(this, low, low == DisplayLow ? int(DisplayHigh) : int(ExtraHigh))) {
            if (auto *edit = qobject_cast<QLineEdit *>(field)) {
                edit->setFocusPolicy(Qt::ClickFocus);
                SetRestColour(edit, ButtonFaceColour());
            }
        }
    }
    for (int tag : {UsdInvoice + InvoiceAmount, RmbInvoice + InvoiceAmount})
        m_form->edit(tag)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == UsdInvoicePage || index == RmbInvoicePage)
            RefreshDerivedFields();
        updateCommands();
    });
}

void TCaiWuGLFrm::buildToolBar()
{
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    auto add = [this](const QString &caption, const QIcon &icon, std::function<void()> command) {
        QAction *action = m_toolBar->addAction(icon, caption);
        action->setIconText(caption);
        connect(action, &QAction::triggered, this, [command = std::move(command)] { command(); });
        m_commands.insert(caption, action);
        return action;
    };
    BindSaveKey(this, add(SaveCommand, style()->standardIcon(QStyle::SP_DialogSaveButton), [this] { SaveJob(); }));
    add(FeesCommand, style()->standardIcon(QStyle::SP_FileDialogDetailedView), [this] { OpenFeeDetails(); });
    add(CloseCommand, style()->standardIcon(QStyle::SP_DialogCloseButton), [this] { CloseJobPage(); });
    QAction *print = add(PrintCommand, QIcon::fromTheme(u"document-print"_s), [this] { PrintInvoice(); });
    print->setShortcut(QKeySequence(Qt::ALT | Qt::Key_P));
    print->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(print);
}

void TCaiWuGLFrm::wireFields()
{
    // Only the 财务 row is the user's to change; the rest follows the job.
    connect(m_form, &BoundForm::modified, this, [this](QWidget *field) {
        const int tag = TagOf(field);
        if (tag >= RecordLow && tag <= RecordHigh)
            m_modified = true;
    });
    for (QWidget *control : std::as_const(m_record))
        control->installEventFilter(this);
}

bool TCaiWuGLFrm::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QWidget *>(watched);
    const int tag = field ? TagOf(field) : -1;
    if (tag < RecordLow || tag > RecordHigh)
        return JobWindow::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        // An amount that is no number is marked and said once, when it is left.
        if (isAmount(tag)) {
            try {
                ReadAmount(m_form->edit(tag));
            } catch (const KorvanError &) {
                return false;
            }
        }
        RefreshDerivedFields();
        return false;
    }
    if (event->type() == QEvent::KeyPress && tag == Number) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OpenTypedNumber();
            return true;
        }
    }
    return JobWindow::eventFilter(watched, event);
}

void TCaiWuGLFrm::showEvent(QShowEvent *event)
{
    JobWindow::showEvent(event);
    updateCommands();
}

void TCaiWuGLFrm::updateCommands()
{
    if (QAction *fees = m_commands.value(FeesCommand))
        fees->setEnabled(CurrentUser().hasRight(8) && m_stored == 1);
    const int page = m_pages->currentIndex();
    if (QAction *print = m_commands.value(PrintCommand))
        print->setEnabled(page == UsdInvoicePage || page == RmbInvoicePage);
}

// --- small helpers -------------------------------------------------------------

QString TCaiWuGLFrm::text(int tag) const
{
    QWidget *field = m_form->field(tag);
    return field ? rawValue(field) : QString();
}

// Writes a field only when its text differs.
void TCaiWuGLFrm::setText(int tag, const QString &value)
{
    QWidget *field = m_form->field(tag);
    if (field && !shows(field, value))
        SetControlValue(field, value);
}

QString TCaiWuGLFrm::BusinessNumber() const
{
    return text(Number);
}

bool TCaiWuGLFrm::Settled() const
{
    for (int tag : FinanceForm::settlementFlags()) {
        const QCheckBox *flag = m_form->check(tag);
        if (!flag || !flag->isChecked())
            return false;
    }
    return true;
}

// --- derived fields ---------------------------------------------------------------

void TCaiWuGLFrm::refreshInvoice(int currency)
{
    const FinanceForm::Invoice &kind = FinanceForm::invoice(Currency(currency));
    QLineEdit *amount = m_form->edit(kind.fields + InvoiceAmount);
    QString total;
    QString words;
    try {
        // The words say the amount the invoice shows and the 财务 row keeps,
        // exactly: rounded to 分 half to even, never through a double. A
        // text that is no amount stays as typed, to be refused.
        if (!IsAmountText(amount->text()))
            throw KorvanError(amount->text());
        const QString shown = FormatGroupedAmount(ParseAmount(amount->text()));
        if (amount->text() != shown)
            amount->setText(shown);
        total = kind.totalPrefix + shown;
        const QString chinese = AmountInChinese(ParseAmount(shown));
        if (!chinese.isEmpty())
            words = kind.wordsPrefix + chinese;
    } catch (const KorvanError &) {
        // No amount, no total: the box says why when it is left or saved.
    }
    setText(kind.copies + Total, total);
    setText(kind.copies + InWords, words);
}

void TCaiWuGLFrm::RefreshDerivedFields()
{
    BoundForm::Quiet quiet(*m_form);
    m_form->edit(Number)->setEnabled(m_stored != 1);
    refreshInvoice(FinanceForm::Usd);
    refreshInvoice(FinanceForm::Rmb);

    const bool import = m_jobKind == 1;
    m_form->fieldAs<QRadioButton>(import ? ImportKind : ExportKind)->setChecked(true);
    auto relabel = [this](int tag, const QString &caption) {
        if (QLabel *label = m_form->label(tag))
            label->setText(caption);
        NameByCaption(m_form->field(tag), caption);
    };
    relabel(BookingParty, import ? u"船公司"_s : u"定舱单位"_s);
    relabel(Verification, import ? u"付费联"_s : u"核销单"_s);
    relabel(StatusVerification, import ? u"付费联号"_s : u"核销单号"_s);
    if (auto *box = qobject_cast<QGroupBox *>(m_form->field(StatusVerification)->parentWidget()))
        box->setTitle(import ? u"付费联"_s : u"核销单"_s);
    m_form->fieldAs<QRadioButton>(Settled() ? SettledMark : UnsettledMark)->setChecked(true);

    setText(StatusManual, text(Manual));
    setText(StatusVerification, text(Verification));
    for (Currency currency : {FinanceForm::Usd, FinanceForm::Rmb}) {
        const int c = FinanceForm::invoice(currency).copies;
        setText(c + VesselVoyage, text(Vessel) + u' ' + text(Voyage));
        setText(c + Bill, text(BillNumber));
        setText(c + CopyLoadingPort, text(LoadingPort));
        setText(c + CopyDischargePort, text(DischargePort));
        setText(c + CopyDestination, text(Destination));
        setText(c + CopyPackages, text(Packages));
        setText(c + CopyWeight, text(GrossWeight));
        setText(c + CopyVolume, text(Volume));
        setText(c + Details, text(Goods));
        setText(c + CopyClientReference, text(ClientReference));
    }
    setText(RmbCopies + CopySailingDate, text(SailingDate));
    updateCommands();
}

// --- the page operations -----------------------------------------------------------

void TCaiWuGLFrm::ClearJob()
{
    {
        BoundForm::Quiet quiet(*m_form);
        m_pages->setCurrentIndex(BasicPage);
        clearFields(m_record);
        clearFields(m_display);
        // A blank page is an export page, whatever the page before it showed.
        m_jobKind = 0;
        m_stored = 0;
        m_loaded.forget();
        RefreshDerivedFields();
    }
    m_modified = false;
    FocusMainInput();
}

void TCaiWuGLFrm::FocusMainInput()
{
    QLineEdit *number = m_form->edit(Number);
    if (number->isEnabled() && number->isVisible())
        number->setFocus();
}

void TCaiWuGLFrm::SaveState(TYWData &page)
{
    page.Window = this;
    page.MainText = encodeFields(rawValues(m_record));
    page.ExtraText = encodeFields(rawValues(m_extra));
    page.GridText.clear();
    page.PageIndex = m_pages->currentIndex();
    page.Stored = m_stored;
    page.Modified = m_modified ? 1 : 0;
    page.JobKind = m_jobKind;
    page.Loaded = m_loaded;
}

void TCaiWuGLFrm::RestoreState(const TYWData &page)
{
    m_stored = page.Stored;
    m_modified = page.Modified != 0;
    m_jobKind = page.JobKind;
    m_loaded = page.Loaded;
    BoundForm::Quiet quiet(*m_form);
    setRawValues(m_record, decodeFields(page.MainText));
    setRawValues(m_extra, decodeFields(page.ExtraText));
    if (page.PageIndex >= 0 && page.PageIndex < m_pages->count())
        m_pages->setCurrentIndex(page.PageIndex);
}

// --- loading -----------------------------------------------------------------------

void TCaiWuGLFrm::OpenTypedNumber()
{
    const QString number = text(Number).trimmed();
    if (!number.isEmpty())
        LoadJob(number);
}

void TCaiWuGLFrm::failLoad(const QString &number)
{
    // Nothing half-loaded stays on screen to be saved over the 财务 row.
    ClearJob();
    BoundForm::Quiet quiet(*m_form);
    setText(Number, number);
}

bool TCaiWuGLFrm::LoadJob(const QString &businessNumber)
{
    const QString key = QuoteValue(businessNumber);
    // Every answer is in hand before any field changes: a page whose 财务 row
    // could not be read never holds a job it could save.
    int kind = -1;
    QString storedNumber;
    QString job;
    for (int k : {0, 1}) {
        std::optional<ResultReader> answer =
            OpenQueryStep(u"SELECT "_s + JobColumns + u" from "_s + kindText(k).jobTable + byNumber(key));
        if (!answer)
            return false;
        if (!answer->atEnd()) {
            kind = k;
            storedNumber = answer->next();
            job = answer->rest().toString();
            break;
        }
    }
    if (kind < 0)
        return false; // in neither table: nothing happens
    std::optional<ResultReader> fees = OpenQueryStep(kindText(kind).feeQuery + byNumber(key));
    if (!fees)
        return false;
    const QString financeSql = u"select * from 财务"_s + byNumber(QuoteValue(storedNumber));
    std::optional<ResultReader> finance = OpenQueryStep(financeSql);
    if (!finance)
        return false;
    const QStringList feeRow = fees->atEnd() ? QStringList() : fees->next(2);
    const QString financeRow = finance->atEnd() ? QString() : finance->rest().toString();
    // The invoice titles of the client's unit; one it has none of keeps the stored payer.
    const QString client = ResultReader(job, FieldSep).next(3).value(2);
    const QString usdPayer = LookupValue(client, u"单位"_s, u"简称"_s, u"发票抬头USD"_s);
    const QString rmbPayer = LookupValue(client, u"单位"_s, u"简称"_s, u"发票抬头RMB"_s);
    const QString heading = InfoText(1);

    try {
        BoundForm::Quiet quiet(*m_form);
        clearFields(m_record);
        clearFields(m_display);
        setText(Number, storedNumber);
        loadFields(job, m_display);
        // The client's subtotals of the fee details until the job has a 财务 row.
        if (!feeRow.isEmpty()) {
            setText(UsdInvoice + InvoiceAmount, feeRow.value(0));
            setText(RmbInvoice + InvoiceAmount, feeRow.value(1));
        }
        if (!financeRow.isEmpty())
            loadFields(financeRow, m_record);
        if (!usdPayer.isEmpty())
            setText(UsdInvoice + Payer, usdPayer);
        if (!rmbPayer.isEmpty())
            setText(RmbInvoice + Payer, rmbPayer);
        for (auto *label : findChildren<QLabel *>(QString::fromUtf16(FinanceForm::HeadingName))) {
            label->setText(heading);
            centre(label);
        }
        m_jobKind = kind;
        m_stored = 1;
        RefreshDerivedFields();
    } catch (const KorvanError &error) {
        ShowMessage(u"出错: \r"_s + error.message());
        failLoad(businessNumber);
        return false;
    }
    // What the save checks: the 财务 row is still the one on this page.
    m_loaded.keep({{financeSql, financeRow}}, {u"财务"_s}, storedNumber);
    RenameCurrentTab(kindText(kind).tabPrefix + storedNumber);
    m_modified = false;
    return true;
}

// --- saving ------------------------------------------------------------------------

bool TCaiWuGLFrm::SaveJob()
{
    if (m_stored != 1) {
        ShowMessage(u"当前无业务保存!"_s);
        return false;
    }
    const QString number = BusinessNumber();
    QString failed;
    std::optional<QString> answer;
    try {
        // An amount that is no number stops the save, said by ReadAmount.
        for (int tag : {UsdInvoice + InvoiceAmount, RmbInvoice + InvoiceAmount})
            ReadAmount(m_form->edit(tag));
        RefreshDerivedFields();
        // Delete and insert in one transaction: a refusal keeps the old row;
        // the run log names the statement that was refused.
        answer = SaveRecord(this, u"财务"_s, RecordLow, RecordHigh, number, &m_loaded, u"业务的财务信息"_s,
                            &failed);
    } catch (const StaleRecordError &stale) {
        // The refund of 佣金核算 or another finance page got there first.
        if (AskReloadAfterStaleSave(stale) && LoadJob(number))
            m_modified = false;
        return false;
    } catch (const KorvanError &error) {
        if (error.message().startsWith(u"值过大或无效!"_s))
            return false;
        ShowMessage(u"异常:"_s + error.message());
        throw;
    }
    if (!answer)
        return false; // no server: the connection has said why
    if (answer->startsWith(u"Err"_s)) {
        ReportOutcome(0, *answer, failed);
        return false;
    }
    ReportOutcome(1, QString(), QString());
    m_modified = false;
    return true;
}

// --- the other commands --------------------------------------------------------------

namespace {

// The fee details of the page's job by its number only, for viewing: 保存
// disabled until the load decides, no question on closing, no unit names
// copied, nothing disabled.
template<typename FeeKind>
void viewFeeDetails(const QString &number, QWidget *parent)
{
    FeeKind dialog(parent);
    dialog.setViewing(number);
    dialog.execMaximised();
}

} // namespace

void TCaiWuGLFrm::OpenFeeDetails()
{
    if (!CurrentUser().hasRight(8) || m_stored != 1)
        return;
    try {
        if (m_jobKind == 1)
            viewFeeDetails<THYJinKouFeiYongMXFrm>(BusinessNumber(), this);
        else
            viewFeeDetails<THYChukouFeiYongMXFrm>(BusinessNumber(), this);
    } catch (const KorvanError &error) {
        ReportWindowFailure(error.message());
    } catch (const std::exception &error) {
        ReportWindowFailure(QString::fromLocal8Bit(error.what()));
    }
}

void TCaiWuGLFrm::PrintInvoice()
{
    const int page = m_pages->currentIndex();
    if (page != UsdInvoicePage && page != RmbInvoicePage)
        return;
    RefreshDerivedFields();
    try {
        // The invoice is lower than a page is high: it prints in proportion
        // at the top of the page.
        PrintRequest request = ActivePageRequest(m_pages, windowTitle());
        KeepProportions(request);
        OpenPrintDialog(request, this);
    } catch (const std::exception &) {
        // The print/fax dialog has shown what went wrong; the printing ends here.
    }
}

void TCaiWuGLFrm::CloseJobPage()
{
    if (TMainFrm *main = TMainFrm::instance())
        main->Post(TMainFrm::ClosePageMessage);
}
