#include "tgengzhengfrm.h"

#include "boundform.h"
#include "captionname.h"
#include "gridops.h"
#include "korvanerror.h"
#include "marks.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "sheetparts.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "transactionguard.h"
#include "values.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;
using namespace CommFunU;
using SheetParts::pair;

namespace {

const QString Table = u"货运出口更正单"_s;
const QString HeadingName = u"heading"_s;
const QString TitleName = u"title"_s;
constexpr int L = 30;  // left column
constexpr int R = 400; // right column

FormField shown(int tag, const QString &label)
{
    return Field::edit(tag, label).asReadOnly();
}

bool isEnter(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TGengZhengFrm::TGengZhengFrm(const CargoJobValues &job, QWidget *parent)
    : PrintableSheet(parent)
    , m_number(job.number())
    , m_notes(new StringGrid)
{
    setWindowTitle(u"更正单"_s);
    addButton(u"全部(&Q)"_s, [this] { LoadNotes(); });
    addButton(u"新增(&A)"_s, [this] { NewNote(); });
    addButton(u"保存(&S)"_s, [this] { Save(); });
    addButton(u"删除(&D)"_s, [this] { DeleteSelectedNote(); });
    buildSheet(fields(), QSize(770, 860));
    addShape(ShapeControl::Rectangle, QRect(10, 8, 740, 584), QPen(Qt::black, 2));
    // The note prints smaller than the page, keeping its proportions.
    setReferenceExtension(QPoint(0, 400));

    m_heading = sheet()->findChild<QLabel *>(HeadingName);
    Emphasise(m_heading, 16);
    auto *title = sheet()->findChild<QLabel *>(TitleName);
    Emphasise(title, 16);
    centreCaption(title);

    // The list of the job's notes: on the screen, never printed.
    m_notes->setColCount(5);
    m_notes->setRowCount(2);
    m_notes->setHeadings({u"业务编号"_s, u"TO"_s, u"原来内容"_s, u"更新内容"_s, u"更新原因"_s});
    m_notes->setHeadingRow(true);
    m_notes->setEditable(false);
    m_notes->setRowSelect(true);
    NameByCaption(m_notes, u"更正单列表"_s);
    addUnprinted(m_notes, QRect(10, 610, 740, 240));
    connect(m_notes, &StringGrid::doubleClicked, this, [this] { LoadSelectedNote(); });

    for (QLineEdit *edit : sheet()->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly))
        edit->installEventFilter(this);

    BoundForm::Quiet quiet(*form());
    form()->clear(LowTag, HighTag);
    const QDate sailing = QDate::fromString(job.column(u"船期"_s), u"yyyy-MM-dd"_s);
    SheetParts::Fill(form(), {
        {Number, m_number},
        {JobNumber, m_number},
        {GoodsName, job.column(u"货名简称"_s)},
        {VesselVoyage, job.vesselAndVoyage()},
        {BillNumber, job.column(u"提单号"_s)},
        {Destination, job.column(u"目的港"_s)},
        {Attn, job.column(u"操作员"_s)},
        {SailingDate, sailing.isValid() ? CommFunU::ChineseDateTimeText(job.column(u"船期"_s), QString())
                                        : job.column(u"船期"_s)},
    });
    form()->edit(Number)->hide();
}

TGengZhengFrm::~TGengZhengFrm() = default;

FormTable TGengZhengFrm::fields()
{
    using namespace Field;
    FormTable t{
        mark(FirstMark).at(2, 2, 1, 1),
        caption(QString()).named(HeadingName).at(200, 16, 360, 30),
        caption(u"更  正  单"_s).named(TitleName).at(300, 52, 200, 30),
        line().at(20, 90, 720, 1),
        edit(Number, u"业务编号"_s).withHint(u"0"_s).at(L, 100, 100, 24),
    };
    t << pair(L, 100, u"业务编号:"_s, shown(JobNumber, u"业务编号"_s), 80, 270)
      << pair(R, 100, u"船名航次:"_s, shown(VesselVoyage, u"船名航次"_s), 80, 260)
      << pair(L, 132, u"货名:"_s, shown(GoodsName, u"货名"_s), 80, 270)
      << pair(R, 132, u"提单号:"_s, shown(BillNumber, u"提单号"_s), 80, 260)
      << pair(L, 164, u"目的港:"_s, shown(Destination, u"目的港"_s), 80, 270)
      << pair(R, 164, u"船期:"_s, shown(SailingDate, u"船期"_s), 80, 260)
      << pair(L, 196, u"ATTN:"_s, shown(Attn, u"ATTN"_s), 80, 270)
      << pair(R, 196, u"打印时间:"_s, shown(PrintTime, u"打印时间"_s), 80, 260) << line().at(20, 230, 720, 1)
      << pair(L, 242, u"更正单编号*"_s, edit(NoteNumber, u"更正单编号"_s), 80, 270)
      << pair(R, 242, u"TO:"_s, edit(To, u"TO"_s), 80, 260)
      << caption(u"原来内容:"_s).at(L, 278, 80, 24) << memo(Original, u"原来内容"_s).at(L + 80, 278, 630, 96)
      << caption(u"更新内容:"_s).at(L, 382, 80, 24) << memo(Updated, u"更新内容"_s).at(L + 80, 382, 630, 96)
      << caption(u"更新原因:"_s).at(L, 486, 80, 24) << memo(Reason, u"更新原因"_s).at(L + 80, 486, 630, 96)
      << mark(SecondMark).at(759, 600, 1, 1);
    return t;
}

void TGengZhengFrm::showEvent(QShowEvent *event)
{
    PrintableSheet::showEvent(event);
    if (std::exchange(m_shown, true))
        return;
    QMetaObject::invokeMethod(this, &TGengZhengFrm::LoadNotes, Qt::QueuedConnection);
}

void TGengZhengFrm::LoadNotes()
{
    const QString sql = u"select * from "_s + Table + u" where 业务编号='"_s + QuoteValue(m_number) + u'\'';
    try {
        const QString answer = GetAppServer().openQuery(sql, QString(), 1);
        if (answer.startsWith(u"Err"_s))
            ShowMessage(u"出错: \r"_s + answer.mid(3));
        else
            AnswerToGrid(answer, m_notes, 0);
        SheetParts::ShowHeading(*this, m_heading);
        showPrintTime();
    } catch (const KorvanError &) {
        return; // the connection has said why
    }
    m_loaded = true;
}

void TGengZhengFrm::showPrintTime()
{
    const QString date = InfoText(2);
    const QString time = InfoText(3);
    form()->edit(PrintTime)->setText(date.isEmpty() || time.isEmpty()
                                         ? DateTimeText(QDateTime::currentDateTime())
                                         : date + u' ' + time);
}

void TGengZhengFrm::setExisting(bool existing)
{
    m_existing = existing;
    form()->edit(NoteNumber)->setReadOnly(existing);
}

void TGengZhengFrm::LoadSelectedNote()
{
    const int row = m_notes->selectionTopRow();
    if (row < 1 || row >= m_notes->rowCount() || m_notes->cell(row, 0).trimmed().isEmpty())
        return;
    const QString values = GridRowText(m_notes, row, 1);
    form()->load(values, LowTag, HighTag);
    setExisting(true);
    // Kept as the server answers the row: its values between separators.
    QStringList cells;
    for (int c = 0; c < m_notes->colCount(); ++c)
        cells << m_notes->cell(row, c);
    const QString number = m_notes->cell(row, 1);
    m_note.keep({{noteStatement(number), cells.join(FieldSep)}}, {Table}, number);
}

QString TGengZhengFrm::noteStatement(const QString &noteNumber) const
{
    return u"select * from "_s + Table + u" where (业务编号='"_s + QuoteValue(m_number) + u"') and (更正单编号='"_s
           + QuoteValue(noteNumber) + u"')"_s;
}

void TGengZhengFrm::NewNote()
{
    // The hidden business number keeps its value (its Hint).
    form()->clear(LowTag, HighTag);
    setExisting(false);
    m_note.forget();
}

bool TGengZhengFrm::Save()
{
    QLineEdit *noteNumber = form()->edit(NoteNumber);
    if (noteNumber->text().trimmed().isEmpty()) {
        MessageService::inform(u"提示"_s, u"更正单编号不能为空!"_s, MessageService::Icon::Warning);
        return false;
    }
    QString insert;
    try {
        insert = u"insert into "_s + Table + u' ' + BuildValuesList(SaveByTag(this, LowTag, HighTag, 1));
    } catch (const KorvanError &error) {
        ShowMessage(error.message()); // a value holding a separator
        return false;
    }
    const QString remove = u"delete from "_s + Table + u" where (业务编号='"_s + QuoteValue(m_number)
                           + u"') and (更正单编号='"_s + QuoteValue(noteNumber->text()) + u"')"_s;
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return false;
    }
    // An existing note is replaced: delete and insert in one transaction, so
    // a refused insert keeps the stored note.
    std::optional<StaleRecordError> stale;
    {
        TransactionGuard transaction(*server);
        if (!transaction.begun()) {
            ReportOutcome(0, transaction.lastAnswer(), u"BeginTrans"_s);
            return false;
        }
        QString failure;
        const LoadedSnapshot::State state =
            m_existing && m_note.isKept() && m_note.key() == noteNumber->text() ? m_note.verify(*server, &failure)
                                                                                : LoadedSnapshot::Unchanged;
        if (state == LoadedSnapshot::Failed) {
            ReportOutcome(0, failure, m_note.key());
            return false;
        }
        if (state == LoadedSnapshot::Unchanged)
            return writeNote(*server, transaction, remove, insert);
    } // rolled back: nothing was written
    stale.emplace(m_note, LoadedSnapshot::Changed, u"更正单"_s);
    if (AskReloadAfterStaleSave(*stale))
        LoadNotes();
    return false;
}

bool TGengZhengFrm::writeNote(ServerConnection &server, TransactionGuard &transaction, const QString &remove,
                              const QString &insert)
{
    if (m_existing) {
        const QString removed = server.execSql(remove, QString());
        if (removed.startsWith(u"Err"_s)) {
            ReportOutcome(0, removed, remove);
            return false;
        }
    }
    const QString inserted = server.execSql(insert, QString());
    if (inserted.startsWith(u"Err"_s)) {
        ReportOutcome(0, inserted, insert); // a number the job has already
        return false;
    }
    const QString number = form()->edit(NoteNumber)->text();
    if (!m_note.isKept() || m_note.key() != number)
        m_note.keep({{noteStatement(number), QString()}}, {Table}, number);
    const bool reread = m_note.reread(server);
    if (!transaction.commit()) {
        ReportOutcome(0, transaction.lastAnswer(), u"CommitTrans"_s);
        return false;
    }
    if (reread)
        m_note.adoptReread();
    setExisting(true);
    ShowMessage(u"保存成功!"_s);
    return true;
}

void TGengZhengFrm::DeleteSelectedNote()
{
    // Row 0 is the heading, never a note.
    const int row = m_notes->selectionTopRow();
    if (row < 1 || row >= m_notes->rowCount() || m_notes->cell(row, 0).trimmed().isEmpty()) {
        ShowMessage(u"当前并无选中记录!"_s);
        return;
    }
    const QString sql = u"delete from "_s + Table + u" where (业务编号='"_s + QuoteValue(m_notes->cell(row, 0))
                        + u"') and (更正单编号='"_s + QuoteValue(m_notes->cell(row, 1)) + u"')"_s;
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return; // the provider has said why
    }
    const QString answer = server->execSql(sql, QString());
    if (answer.startsWith(u"Err"_s)) {
        ShowMessage(u"出错: \r"_s + answer.mid(3)); // the server's text, not the statement
        return;
    }
    // The answer counts the rows deleted: none when the note was gone already.
    const bool deleted = answer.section(FieldSep, 1, 1).toInt() > 0;
    DeleteGridRow(m_notes, row);
    ShowMessage(deleted ? u"删除成功!"_s : u"此更正单已不存在，没有删除任何记录!"_s);
}

void TGengZhengFrm::print()
{
    showPrintTime();
    Save();
    openPrintDialog();
}

bool TGengZhengFrm::eventFilter(QObject *watched, QEvent *event)
{
    // Enter in a field moves on to the next one.
    if (isEnter(event) && qobject_cast<QLineEdit *>(watched)) {
        focusNextChild();
        return true;
    }
    return PrintableSheet::eventFilter(watched, event);
}
