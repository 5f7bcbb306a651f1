#pragma once

#include <QList>
#include <QString>
#include <optional>

class QWidget;

// Positional binding of a window's controls to a table row. Every data
// control carries an integer dynamic property "Tag" (and a text "Hint");
// the controls of a Tag range, in ascending Tag order, stand for the
// table's columns in their stored order. A row travels as a record text:
// each control's value followed by the separator (1 = FieldSep).
//
// The bound kinds and their values:
//   QLineEdit        its text; a Hint beginning with '1' marks a number,
//                    saved as "0.000" (NormalizeAmount)
//   QComboBox        its text; loading selects the first equal item
//   QPlainTextEdit   its lines joined by CR LF, trimmed
//   QDateEdit        "yyyy-mm-dd"        QTimeEdit  "hh:nn"
//   QCheckBox, QRadioButton   "1" checked, "0" not
//   RadioGroup       the checked item's index (-1 none)
//   StringGrid       its grid text from row 0 with CellSep
// Among controls sharing a Tag only the first (in the window's child order)
// takes part. A control of any other kind with a Tag inside a bound range is
// a programming error: saving and loading throw KorvanError naming it.
class LoadedSnapshot;

namespace CommFunU {

enum class BoundKind { None, Edit, Combo, Memo, Date, Time, Check, Radio, RadioGroup, Grid };

BoundKind BoundKindOf(const QWidget *control);

// The "Tag" and "Hint" properties. A widget without a Tag property has none
// (TagOf answers -1) and is never bound.
void SetTag(QWidget *control, int tag);
int TagOf(const QWidget *control);
bool HasTag(const QWidget *control);
void SetHint(QWidget *control, const QString &hint);
QString HintOf(const QWidget *control);

// The descendant of window with the smallest Tag above tag; among equal Tags
// the first in child order; nullptr when there is none.
QWidget *NextByTag(const QWidget *window, int tag);
// The controls of a range in the order the range is walked.
QList<QWidget *> BoundControls(const QWidget *window, int lowTag, int highTag);

// One control's value as a record text holds it, and the reverse.
QString ControlValue(QWidget *control);
void SetControlValue(QWidget *control, const QString &value);
void ClearControl(QWidget *control);

// Record text of a range. Throws KorvanError for a number that does not
// parse, and for a value holding the separator (it could not be read back).
QString SaveByTag(const QWidget *window, int lowTag, int highTag, int separator = 1);
// Gives the fields of a record text to the range's controls in order;
// controls left when the text runs out keep their values, surplus fields
// are ignored. An invalid 10-character date (5-character time) stops with
// "日期格式不对: " + value; a radio-group value that is not a number stops too.
void LoadByTag(const QString &recordText, const QWidget *window, int lowTag, int highTag);
// Resets the range's controls to their empty state (see tagbinding.cpp).
void ClearByTag(const QWidget *window, int lowTag, int highTag);

// True when the control's trimmed text is filled; otherwise focuses it and
// shows "业务编号不能为空" (Tag 10), "业务员不能为空" (20), "委托人不能为空" (40)
// or "此项不能为空" (any other Tag) captioned "错误".
bool CheckRequired(QWidget *control);

// --- one record, as the windows load and save it ---------------------------

// How loading one record went: the row was loaded, the query answered no
// row, or the step failed (the error was shown). A window must not save over
// a row it could not read.
enum class RecordLoad { Loaded, NoRow, Failed };

// "select * from <table> where 业务编号='<number>'" and LoadByTag of the row.
// On NoRow and Failed the controls are as they were. Throws what LoadByTag
// throws (a stored date that cannot be read).
// With loaded given, the row read (or its absence) is kept there, so that
// SaveRecord can check that nobody changed it meanwhile.
RecordLoad LoadRecord(const QWidget *window, const QString &table, int lowTag, int highTag, const QString &number,
                      LoadedSnapshot *loaded = nullptr);
// SaveByTag, then "delete from <table> where 业务编号='<number>'" and
// "insert into <table> values(…)" in one transaction (inside a caller's
// TransactionGuard they join it). Answers the insert's answer, or the first
// "Err" answer (a refused BeginTrans, delete or commit; the old row is then
// kept), or nullopt when no server could be had. Throws what SaveByTag
// throws before anything is sent. With loaded given (and kept), the stored
// row is read inside the transaction first: when it is no longer what was
// loaded, nothing is written and StaleRecordError is thrown after the
// rollback; after a save, loaded holds what is stored now. failedStatement
// (when given) receives the statement an "Err" answer belongs to
// ("BeginTrans", the delete, the insert, "CommitTrans"), for the run log.
std::optional<QString> SaveRecord(const QWidget *window, const QString &table, int lowTag, int highTag,
                                  const QString &number, LoadedSnapshot *loaded = nullptr,
                                  const QString &noun = QStringLiteral("记录"),
                                  QString *failedStatement = nullptr);

// --- the range against the table -----------------------------------------

// Columns of a table as the server reports them ("select * from <table>
// where 1=0", Mode 1). Throws KorvanError with the server's message.
int TableColumnCount(const QString &table);
// Empty when the range has exactly one control per column of the table;
// otherwise a text saying how they differ.
QString CheckBoundRange(const QWidget *window, int lowTag, int highTag, const QString &table);

} // namespace CommFunU
