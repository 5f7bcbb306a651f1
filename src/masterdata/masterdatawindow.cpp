#include "masterdatawindow.h"

#include "marks.h"

#include "boundform.h"
#include "captionname.h"
#include "dropdowncombo.h"
#include "gridops.h"
#include "korvanerror.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "savekey.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "transactionguard.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace CommFunU;

MasterDataWindow::MasterDataWindow(const Settings &settings, const FormTable &fields, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_form(new BoundForm(this))
    , m_grid(new StringGrid(this))
    , m_buttonBar(new QHBoxLayout)
{
    setWindowTitle(settings.caption);
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_buttonBar->addStretch();
    const std::function<void()> commands[] = {[this] { addNew(); }, [this] { save(); },
                                              [this] { removeSelected(); }, [this] { reject(); }};
    for (int i = 0; i < 4; ++i)
        addButton(m_settings.buttonCaptions.value(i), commands[i]);

    auto *formArea = new QWidget(this);
    m_form->build(fields, formArea);

    m_grid->setEditable(false);
    m_grid->setRowSelect(true);
    m_grid->setHeadingRow(true);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        editRow(index.row());
    });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_buttonBar);
    layout->addWidget(formArea);
    layout->addWidget(m_grid, 1);
    resize(760, 560);

    m_form->clear(m_settings.loadLow, m_settings.loadHigh);
    setMode(Mode::New);
    m_loaded.forget();
}

QPushButton *MasterDataWindow::addButton(const QString &caption, std::function<void()> command)
{
    auto *b = new QPushButton(caption, this);
    b->setObjectName(CaptionName(caption));
    b->setAutoDefault(false);
    m_buttonBar->insertWidget(m_buttonBar->count() - 1, b); // before the closing stretch
    connect(b, &QPushButton::clicked, this, std::move(command));
    if (CaptionName(caption) == u"保存"_s)
        BindSaveKey(this, b);
    return b;
}

QPushButton *MasterDataWindow::button(const QString &caption) const
{
    return findChild<QPushButton *>(caption, Qt::FindDirectChildrenOnly);
}

void MasterDataWindow::setMode(Mode mode)
{
    m_mode = mode;
    if (QWidget *key = m_form->field(m_settings.keyTag))
        key->setEnabled(mode == Mode::New && !m_settings.keyAlwaysDisabled);
}

QString MasterDataWindow::keyText() const
{
    const QLineEdit *key = m_form->edit(m_settings.keyTag);
    return key ? key->text() : QString();
}

void MasterDataWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_listed)
        return;
    m_listed = true;
    // The list loads once the window is on screen.
    QMetaObject::invokeMethod(this, &MasterDataWindow::reloadList, Qt::QueuedConnection);
}

void MasterDataWindow::reloadList()
{
    fillGrid(m_settings.listSql);
}

void MasterDataWindow::fillGrid(const QString &sql)
{
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return; // shown by the connection's provider
    }
    // A connection lost during the query is not caught here: it goes to the
    // process-wide handler, which tells the user.
    const QString answer = server->openQuery(sql, QString(), 1);
    if (answer.startsWith(u"Err"_s)) {
        ShowMessage(u"出错: \r"_s + answer.mid(3));
        return;
    }
    m_listedRows.clear();
    m_listedRows.append(QString()); // the heading
    ResultReader listed = ResultReader::fromAnswer(answer);
    listed.next(listed.columnCount());
    while (!listed.atEnd()) {
        // As the server answers one row: its values between separators.
        m_listedRows.append(listed.next(listed.columnCount()).join(CommFunU::FieldSep));
    }
    if (AnswerToGrid(answer, m_grid, 0)) {
        afterFill();
        m_grid->fitColumns();
    }
}

void MasterDataWindow::fillOnFirstDropDown(int tag, std::function<QStringList()> items)
{
    auto *combo = m_form->fieldAs<DropDownCombo>(tag);
    if (!combo)
        return;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(combo, &DropDownCombo::aboutToDropDown, this, [this, tag, items, connection] {
        disconnect(*connection);
        setComboItems(tag, items());
    });
}

void MasterDataWindow::setComboItems(int tag, const QStringList &items)
{
    QComboBox *combo = m_form->combo(tag);
    if (!combo)
        return;
    BoundForm::Quiet quiet(*m_form);
    const QString shown = combo->currentText();
    combo->clear();
    combo->addItems(items);
    SetControlValue(combo, shown);
}

QStringList MasterDataWindow::listValues(const QString &sql, int mode, EmptyValue empty, bool showSql)
{
    std::optional<ResultReader> reader = OpenQueryStep(sql, QString(), mode, showSql);
    QStringList values;
    if (!reader)
        return values;
    if (mode == 1)
        reader->next(reader->columnCount());
    while (!reader->atEnd()) {
        const QString value = reader->next();
        if (!value.isEmpty())
            values << value;
        else if (empty == EmptyValue::Ends)
            break;
    }
    return values;
}

void MasterDataWindow::editRow(int row)
{
    if (row < 1 || row >= m_grid->rowCount() || m_grid->cell(row, 0).trimmed().isEmpty())
        return;
    try {
        m_form->load(GridRowText(m_grid, row, 1), m_settings.loadLow, m_settings.loadHigh);
    } catch (const KorvanError &error) {
        // A stored value that cannot be read (a date): nothing half-loaded
        // stays on the form to be saved over the row.
        addNew();
        ShowMessage(u"出错: \r"_s + error.message());
        return;
    }
    afterRowLoaded(row);
    setMode(Mode::Editing);
    // What the save checks: the stored row is still the one listed.
    const QString key = keyText();
    m_loaded.keep({{u"select * from "_s + m_settings.table + u" where "_s + m_settings.keyColumn + u"='"_s
                        + QuoteValue(key) + u'\'',
                    m_listedRows.value(row)}},
                  {m_settings.table}, key);
}

void MasterDataWindow::addNew()
{
    m_form->clear(m_settings.loadLow, m_settings.loadHigh);
    setMode(Mode::New);
    if (QWidget *key = m_form->field(m_settings.keyTag); key && key->isEnabled())
        key->setFocus();
    afterClear();
}

bool MasterDataWindow::validate()
{
    if (keyText().trimmed().isEmpty()) {
        ShowMessage(m_settings.emptyKeyMessage);
        return false;
    }
    return true;
}

QString MasterDataWindow::deleteStatement(const QString &key) const
{
    return u"delete from "_s + m_settings.table + u" where "_s + m_settings.keyColumn + u"='"_s + QuoteValue(key)
           + u'\'';
}

void MasterDataWindow::showFailure(const QString &statement, const QString &answer) const
{
    ShowMessage(u"出错: \r"_s + shownStatement(statement) + u"\r"_s + answer.mid(3));
}

// Replacing a row is a delete and an insert; in one transaction, so a
// refused insert leaves the old row in place instead of losing it. The row
// must still be the one that was listed. False when it was not.
bool MasterDataWindow::replaceRow(ServerConnection &server, const QString &insert)
{
    LoadedSnapshot::State state = LoadedSnapshot::Unchanged;
    {
        TransactionGuard transaction(server);
        if (!transaction.begun()) {
            showFailure(u"BeginTrans"_s, transaction.lastAnswer());
            return true;
        }
        QString failure;
        if (m_loaded.isKept() && m_loaded.key() == keyText())
            state = m_loaded.verify(server, &failure);
        if (state == LoadedSnapshot::Failed) {
            showFailure(m_loaded.key(), failure);
            return true;
        }
        if (state == LoadedSnapshot::Unchanged) {
            const QString remove = deleteStatement(keyText());
            const QString removed = server.execSql(remove, QString());
            if (removed.startsWith(u"Err"_s) && deleteMustSucceed()) {
                showFailure(remove, removed);
                return true;
            }
            const QString inserted = server.execSql(insert, QString());
            if (inserted.startsWith(u"Err"_s)) {
                showFailure(insert, inserted);
                return true;
            }
            const bool reread = m_loaded.isKept() && m_loaded.reread(server);
            if (!transaction.commit()) {
                showFailure(u"CommitTrans"_s, transaction.lastAnswer());
                return true;
            }
            if (reread)
                m_loaded.adoptReread();
            ShowMessage(u"修改成功!"_s);
            return true;
        }
    } // rolled back: nothing was written
    const StaleRecordError stale(m_loaded, state, u"记录"_s);
    if (AskReloadAfterStaleSave(stale)) {
        // The list shows what is stored now; the form starts again from it.
        m_form->clear(m_settings.loadLow, m_settings.loadHigh);
        setMode(Mode::New);
        m_loaded.forget();
        reloadList();
    }
    return false;
}

void MasterDataWindow::save()
{
    if (!validate())
        return;
    QString record;
    try {
        record = m_form->save(m_settings.saveLow, m_settings.saveHigh);
    } catch (const KorvanError &e) {
        ShowMessage(e.message());
        return;
    }
    const QString insert = u"insert into "_s + m_settings.table + u' ' + BuildValuesList(recordToStore(record));
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return;
    }

    if (m_mode == Mode::Editing) {
        if (!replaceRow(*server, insert))
            return; // refused as stale: the user has chosen, the list stays
    } else {
        const QString inserted = server->execSql(insert, QString());
        if (inserted.startsWith(u"Err"_s)) {
            showFailure(insert, inserted);
        } else {
            ShowMessage(u"保存成功!"_s);
            setMode(Mode::Editing);
        }
    }
    afterSave();
}

void MasterDataWindow::removeSelected()
{
    const int row = m_grid->selectionTopRow();
    const QString key = row >= 1 ? m_grid->cell(row, m_settings.keyGridColumn) : QString();
    if (key.trimmed().isEmpty()) {
        ShowMessage(u"当前并无选中记录!"_s);
        return;
    }
    if (MessageService::ask(u"提示"_s, u"是否要删除当前数据？"_s, MessageService::Yes | MessageService::No,
                            MessageService::Icon::Warning)
        != MessageService::Yes)
        return;
    const QString sql = rowDeleteStatement(key);
    if (sql.isEmpty())
        return;
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return; // shown by the connection's provider
    }
    const QString answer = server->execSql(sql, QString());
    const bool succeeded = !answer.startsWith(u"Err"_s);
    if (succeeded) {
        DeleteGridRow(m_grid, row);
        // The rows listed stay aligned with the grid's, for the save's check.
        if (row < m_listedRows.size())
            m_listedRows.removeAt(row);
    } else
        ShowMessage(u"出错: \r"_s + answer.mid(3));
    afterRemove(succeeded);
}
