#include "tagbinding.h"

#include <functional>

#include "gridops.h"
#include "korvanerror.h"
#include "loadedsnapshot.h"
#include "marks.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "radiogroup.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "transactionguard.h"
#include "typedpicker.h"
#include "values.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QTimeEdit>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace CommFunU {

namespace {

const char TagProperty[] = "Tag";
const char HintProperty[] = "Hint";

QString describe(const QWidget *control)
{
    QString name = control->objectName();
    if (name.isEmpty())
        name = QString::fromLatin1(control->metaObject()->className());
    return name + u" (Tag "_s + QString::number(TagOf(control)) + u')';
}

// A date or time typed into a field and not read yet is read now; a text
// that is no date or time is refused, naming the field.
template <class Picker> void acceptTyped(QWidget *control)
{
    if (auto *picker = dynamic_cast<Picker *>(control); picker && !picker->acceptPending())
        throw KorvanError(picker->refusal(picker->pendingText()));
}

[[noreturn]] void unboundKind(const QWidget *control)
{
    throw KorvanError(u"控件 "_s + describe(control) + u" 的种类不能按 Tag 读写"_s);
}

bool isTimeKind(const QDateTimeEdit *edit)
{
    if (qobject_cast<const QTimeEdit *>(edit))
        return true;
    if (qobject_cast<const QDateEdit *>(edit))
        return false;
    return !(edit->displayedSections() & QDateTimeEdit::DateSections_Mask);
}

// Trim as the memo values are kept: every character up to the space.
QString trimControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

QString memoText(const QPlainTextEdit *memo)
{
    // Block by block rather than toPlainText(), which turns no-break spaces
    // into spaces.
    QString out;
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
        if (block != memo->document()->begin())
            out += u"\r\n"_s;
        out += block.text();
    }
    out.replace(QChar::LineSeparator, u"\r\n"_s);
    return out;
}

void setChecked(QAbstractButton *button, bool checked)
{
    // An exclusive radio button refuses to uncheck itself; the stored value
    // decides here.
    QButtonGroup *group = button->group();
    const bool groupExclusive = group && group->exclusive();
    const bool autoExclusive = button->autoExclusive();
    if (groupExclusive)
        group->setExclusive(false);
    button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(autoExclusive);
    if (groupExclusive)
        group->setExclusive(true);
}

// The text CheckRequired looks at.
QString controlText(QWidget *control)
{
    if (auto *edit = qobject_cast<QLineEdit *>(control))
        return edit->text();
    if (auto *combo = qobject_cast<QComboBox *>(control))
        return combo->currentText();
    if (auto *memo = qobject_cast<QPlainTextEdit *>(control))
        return memo->toPlainText();
    if (auto *picker = qobject_cast<QDateTimeEdit *>(control))
        return picker->text();
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return button->text();
    return QString();
}

} // namespace

BoundKind BoundKindOf(const QWidget *control)
{
    if (!control)
        return BoundKind::None;
    if (qobject_cast<const StringGrid *>(control))
        return BoundKind::Grid;
    if (qobject_cast<const RadioGroup *>(control))
        return BoundKind::RadioGroup;
    if (qobject_cast<const QCheckBox *>(control))
        return BoundKind::Check;
    if (qobject_cast<const QRadioButton *>(control))
        return BoundKind::Radio;
    if (qobject_cast<const QPlainTextEdit *>(control))
        return BoundKind::Memo;
    if (qobject_cast<const QComboBox *>(control))
        return BoundKind::Combo;
    if (qobject_cast<const QLineEdit *>(control))
        return BoundKind::Edit;
    if (auto *picker = qobject_cast<const QDateTimeEdit *>(control))
        return isTimeKind(picker) ? BoundKind::Time : BoundKind::Date;
    return BoundKind::None;
}

void SetTag(QWidget *control, int tag)
{
    control->setProperty(TagProperty, tag);
}

int TagOf(const QWidget *control)
{
    bool ok = false;
    const int tag = control ? control->property(TagProperty).toInt(&ok) : 0;
    return ok ? tag : -1;
}

bool HasTag(const QWidget *control)
{
    return control && control->property(TagProperty).isValid();
}

void SetHint(QWidget *control, const QString &hint)
{
    control->setProperty(HintProperty, hint);
}

QString HintOf(const QWidget *control)
{
    return control ? control->property(HintProperty).toString() : QString();
}

QWidget *NextByTag(const QWidget *window, int tag)
{
    if (!window)
        return nullptr;
    QWidget *best = nullptr;
    int bestTag = 0;
    for (QWidget *child : window->findChildren<QWidget *>()) {
        if (!HasTag(child))
            continue;
        const int t = TagOf(child);
        if (t > tag && (!best || t < bestTag)) {
            best = child;
            bestTag = t;
        }
    }
    return best;
}

QList<QWidget *> BoundControls(const QWidget *window, int lowTag, int highTag)
{
    // The same controls as walking NextByTag from lowTag - 1, in one pass.
    QList<QWidget *> controls;
    if (!window)
        return controls;
    QList<std::pair<int, QWidget *>> tagged;
    for (QWidget *child : window->findChildren<QWidget *>()) {
        const QVariant property = child->property(TagProperty);
        if (!property.isValid())
            continue;
        bool ok = false;
        const int t = property.toInt(&ok);
        if (ok && t >= lowTag && t <= highTag)
            tagged.append({t, child});
    }
    std::stable_sort(tagged.begin(), tagged.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    controls.reserve(tagged.size());
    for (qsizetype i = 0; i < tagged.size(); ++i) {
        if (i == 0 || tagged.at(i).first != tagged.at(i - 1).first)
            controls.append(tagged.at(i).second);
    }
    return controls;
}

QString ControlValue(QWidget *control)
{
    switch (BoundKindOf(control)) {
    case BoundKind::Edit: {
        const QString text = static_cast<QLineEdit *>(control)->text();
        return HintOf(control).startsWith(u'1') ? NormalizeAmount(text) : text;
    }
    case BoundKind::Combo:
        return static_cast<QComboBox *>(control)->currentText();
    case BoundKind::Memo:
        return trimControls(memoText(static_cast<QPlainTextEdit *>(control)));
    case BoundKind::Date: {
        acceptTyped<DateField>(control);
        // An empty date field stores an empty text, never today.
        if (auto *field = dynamic_cast<DateField *>(control); field && field->isEmpty())
            return QString();
        return DateText(static_cast<QDateTimeEdit *>(control)->date());
    }
    case BoundKind::Time:
        acceptTyped<TimeField>(control);
        return TimeText(static_cast<QDateTimeEdit *>(control)->time());
    case BoundKind::Check:
    case BoundKind::Radio:
        return static_cast<QAbstractButton *>(control)->isChecked() ? u"1"_s : u"0"_s;
    case BoundKind::RadioGroup:
        return QString::number(static_cast<RadioGroup *>(control)->itemIndex());
    case BoundKind::Grid:
        return GridToText(static_cast<StringGrid *>(control), 0, 2);
    case BoundKind::None:
        break;
    }
    unboundKind(control);
}

void SetControlValue(QWidget *control, const QString &value)
{
    switch (BoundKindOf(control)) {
    case BoundKind::Edit:
        static_cast<QLineEdit *>(control)->setText(value);
        return;
    case BoundKind::Combo: {
        auto *combo = static_cast<QComboBox *>(control);
        combo->setCurrentIndex(combo->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive));
        if (combo->isEditable())
            combo->setEditText(value);
        return;
    }
    case BoundKind::Memo: {
        QString lines = value;
        lines.replace(u"\r\n"_s, u"\n"_s);
        lines.replace(u'\r', u'\n');
        static_cast<QPlainTextEdit *>(control)->setPlainText(lines);
        return;
    }
    case BoundKind::Date: {
        auto *picker = static_cast<QDateTimeEdit *>(control);
        if (auto *field = dynamic_cast<DateField *>(control)) {
            // A stored empty date stays empty; another form is read as typed.
            if (value.trimmed().isEmpty())
                field->setEmpty();
            else if (value.size() == 10)
                picker->setDate(ParseDate(value));
            else if (const std::optional<QDate> date = ParseTypedDate(value, QDate::currentDate()))
                picker->setDate(*date);
            else
                throw KorvanError(u"日期格式不对: "_s + value);
        } else if (value.size() == 10) {
            picker->setDate(ParseDate(value));
        } else {
            picker->setDateTime(QDateTime::currentDateTime());
        }
        return;
    }
    case BoundKind::Time: {
        auto *picker = static_cast<QDateTimeEdit *>(control);
        if (value.size() == 5)
            picker->setTime(ParseTime(value));
        else
            picker->setDateTime(QDateTime::currentDateTime());
        return;
    }
    case BoundKind::Check:
    case BoundKind::Radio:
        setChecked(static_cast<QAbstractButton *>(control), value == u"1"_s);
        return;
    case BoundKind::RadioGroup: {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        if (!ok)
            throw KorvanError(u"'"_s + value + u"' 不是有效的整数值"_s);
        static_cast<RadioGroup *>(control)->setItemIndex(index);
        return;
    }
    case BoundKind::Grid:
        TextToGrid(value, static_cast<StringGrid *>(control), 0, 2);
        return;
    case BoundKind::None:
        break;
    }
    unboundKind(control);
}

// The empty state of each kind:
//   edit: Hint "1" → "0.000"; no Hint → empty; any other Hint → unchanged
//   combo box: no Hint → first item; memo: no Hint → empty
//   date: empty for a DateField (today for a plain picker); time: now, "HH:mm:ss"
//   check box: no Hint → unchecked
//   radio button, radio group, string grid: unchanged
void ClearControl(QWidget *control)
{
    const QString hint = HintOf(control);
    switch (BoundKindOf(control)) {
    case BoundKind::Edit:
        if (hint == u"1"_s)
            static_cast<QLineEdit *>(control)->setText(u"0.000"_s);
        else if (hint.isEmpty())
            static_cast<QLineEdit *>(control)->clear();
        return;
    case BoundKind::Combo:
        if (hint.isEmpty()) {
            auto *combo = static_cast<QComboBox *>(control);
            combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
            if (combo->isEditable())
                combo->setEditText(combo->count() > 0 ? combo->itemText(0) : QString());
        }
        return;
    case BoundKind::Memo:
        if (hint.isEmpty())
            static_cast<QPlainTextEdit *>(control)->clear();
        return;
    case BoundKind::Date: {
        auto *picker = static_cast<QDateTimeEdit *>(control);
        picker->setDisplayFormat(u"yyyy-MM-dd"_s);
        if (auto *field = dynamic_cast<DateField *>(control))
            field->setEmpty();
        else
            picker->setDateTime(QDateTime::currentDateTime());
        return;
    }
    case BoundKind::Time: {
        auto *picker = static_cast<QDateTimeEdit *>(control);
        picker->setDisplayFormat(u"HH:mm:ss"_s);
        picker->setDateTime(QDateTime::currentDateTime());
        return;
    }
    case BoundKind::Check:
        if (hint.isEmpty())
            static_cast<QCheckBox *>(control)->setChecked(false);
        return;
    case BoundKind::Radio:
    case BoundKind::RadioGroup:
    case BoundKind::Grid:
        return;
    case BoundKind::None:
        break;
    }
    unboundKind(control);
}

QString SaveByTag(const QWidget *window, int lowTag, int highTag, int separator)
{
    const QChar sep = separatorByNumber(separator);
    QString record;
    for (QWidget *control : BoundControls(window, lowTag, highTag)) {
        const QString value = ControlValue(control);
        if (value.contains(sep)) {
            throw KorvanError(u"控件 "_s + describe(control) + u" 的内容含有不能保存的字符“"_s + sep + u"”"_s);
        }
        record += value;
        record += sep;
    }
    return record;
}

void LoadByTag(const QString &recordText, const QWidget *window, int lowTag, int highTag)
{
    ResultReader fields(recordText, FieldSep);
    const QList<QWidget *> controls = BoundControls(window, lowTag, highTag);
    for (QWidget *control : controls) {
        if (fields.atEnd())
            break;
        SetControlValue(control, fields.next());
    }
}

void ClearByTag(const QWidget *window, int lowTag, int highTag)
{
    for (QWidget *control : BoundControls(window, lowTag, highTag))
        ClearControl(control);
}

bool CheckRequired(QWidget *control)
{
    if (!control)
        return false;
    if (!controlText(control).trimmed().isEmpty())
        return true;
    if (control->isEnabled() && control->isVisible() && control->focusPolicy() != Qt::NoFocus)
        control->setFocus();
    QString text;
    switch (TagOf(control)) {
    case 10:
        text = u"业务编号不能为空"_s;
        break;
    case 20:
        text = u"业务员不能为空"_s;
        break;
    case 40:
        text = u"委托人不能为空"_s;
        break;
    default:
        text = u"此项不能为空"_s;
        break;
    }
    MessageService::inform(u"错误"_s, text, MessageService::Icon::Warning);
    return false;
}

namespace {

QString recordStatement(const QString &table, const QString &number)
{
    return u"select * from "_s + table + u" where 业务编号='"_s + QuoteValue(number) + u'\'';
}

} // namespace

RecordLoad LoadRecord(const QWidget *window, const QString &table, int lowTag, int highTag, const QString &number,
                      LoadedSnapshot *loaded)
{
    if (loaded)
        loaded->forget();
    const QString sql = recordStatement(table, number);
    std::optional<ResultReader> reader = OpenQueryStep(sql);
    if (!reader)
        return RecordLoad::Failed;
    const QString values = reader->rest().toString();
    if (!reader->atEnd())
        LoadByTag(values, window, lowTag, highTag);
    // Kept only once the row is on screen: a load that threw keeps nothing.
    if (loaded)
        loaded->keep({{sql, values}}, {table}, number);
    return values.isEmpty() ? RecordLoad::NoRow : RecordLoad::Loaded;
}

namespace {

// The delete and insert of SaveRecord, inside its transaction; failed
// names the statement an "Err" answer belongs to.
std::optional<QString> writeRecord(ServerConnection &server, TransactionGuard &transaction, const QString &table,
                                   const QString &number, const QString &values, LoadedSnapshot *loaded,
                                   const std::function<QString(const QString &, const QString &)> &failed)
{
    const QString remove = u"delete from "_s + table + u" where 业务编号='"_s + QuoteValue(number) + u'\'';
    const QString removed = server.execSql(remove, QString());
    if (removed.startsWith(u"Err"_s))
        return failed(remove, removed);
    const QString insert = u"insert into "_s + table + u' ' + values;
    const QString answer = server.execSql(insert, QString());
    if (answer.startsWith(u"Err"_s))
        return failed(insert, answer);
    const bool reread = loaded && loaded->isKept() && loaded->reread(server);
    if (!transaction.commit())
        return failed(u"CommitTrans"_s, transaction.lastAnswer());
    if (reread)
        loaded->adoptReread();
    return answer;
}

} // namespace

std::optional<QString> SaveRecord(const QWidget *window, const QString &table, int lowTag, int highTag,
                                  const QString &number, LoadedSnapshot *loaded, const QString &noun,
                                  QString *failedStatement)
{
    const QString values = BuildValuesList(SaveByTag(window, lowTag, highTag, 1));
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return std::nullopt; // the provider has shown why
    }
    // Without a transaction a refused insert would leave the row deleted.
    const auto failed = [failedStatement](const QString &statement, const QString &answer) {
        if (failedStatement)
            *failedStatement = statement;
        return answer;
    };
    LoadedSnapshot::State state = LoadedSnapshot::Unchanged;
    {
        TransactionGuard transaction(*server);
        if (!transaction.begun())
            return failed(u"BeginTrans"_s, transaction.lastAnswer());
        QString failure;
        if (loaded && loaded->isKept())
            state = loaded->verify(*server, &failure);
        if (state == LoadedSnapshot::Failed)
            return failure;
        if (state == LoadedSnapshot::Unchanged)
            return writeRecord(*server, transaction, table, number, values, loaded, failed);
    } // rolled back: nothing was written
    throw StaleRecordError(*loaded, state, noun);
}

int TableColumnCount(const QString &table)
{
    const QString sql = u"select * from "_s + table + u" where 1=0"_s;
    const QString answer = GetAppServer().openQuery(sql, QString(), 1);
    const ResultReader reader = ResultReader::fromAnswer(answer);
    if (reader.isError())
        throw KorvanError(u"出错: \r"_s + sql + answer.mid(3));
    return reader.columnCount();
}

QString CheckBoundRange(const QWidget *window, int lowTag, int highTag, const QString &table)
{
    const qsizetype controls = BoundControls(window, lowTag, highTag).size();
    const int columns = TableColumnCount(table);
    if (controls == columns)
        return QString();
    return u"Tag %1 至 %2 有 %3 个控件, 表 %4 有 %5 列"_s.arg(lowTag).arg(highTag).arg(controls).arg(table).arg(columns);
}

} // namespace CommFunU
