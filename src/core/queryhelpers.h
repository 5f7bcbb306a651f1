#pragma once

#include "resultreader.h"

#include <QString>
#include <functional>
#include <optional>

class ServerConnection;

// The operations through which every window talks to the application server.
namespace CommFunU {

// --- result strings and SQL text -----------------------------------------

// Takes the first field off source (separator 1 = FieldSep, 2 = CellSep),
// with ColonMark turned back into ':'. For reading many values use
// ResultReader, which does not copy the rest of the text at every step.
QString PopField(QString &source, int separator);

// Escapes a value for a quoted SQL literal: ' doubled, ':' as ColonMark.
QString QuoteValue(const QString &value);

// " values('v1','v2',…)" from a record text; a trailing FieldSep adds no value.
QString BuildValuesList(const QString &recordText);

// Every FieldSep replaced by CR LF.
QString FieldsToLines(const QString &text);

// True when text is a plain integer (optional sign, digits), safe to place
// unquoted in SQL text.
bool IsIntegerText(const QString &text);

// --- the server ------------------------------------------------------------

// The login window installs the provider of the process's one connection.
// The provider opens the connection when needed; when that fails it shows the
// connection message and throws.
using AppServerProvider = std::function<ServerConnection &()>;
void SetAppServerProvider(AppServerProvider provider);
ServerConnection &GetAppServer();

// The product's name: process title, main window caption.
QString ProductName();
// Caption of the plain message boxes ("出错: …" and the like): the product's name.
QString MessageCaption();
void ShowMessage(const QString &text);

// The standard query step: obtain the server (abandoning silently when that
// fails), send the query, show "出错: \r" + SQL + message on an "Err" answer.
// Returns the reader positioned at the first value, or nullopt when the step
// was abandoned. showSql false leaves the SQL out of the message.
std::optional<ResultReader> OpenQueryStep(const QString &sql, const QString &param = QString(), int mode = 0,
                                          bool showSql = true);
// The same for statements: the answer, or nullopt when abandoned.
std::optional<QString> ExecSqlStep(const QString &sql, const QString &param = QString());

// The server's information text n (GetInfo: 1 the company heading, 2 the
// date, 3 the time, 4 the sender line, 6 the telephone line), or empty when
// the server answers "Err…", so no printed heading or date ever shows an
// error answer. A lost connection throws as every call does.
QString InfoText(int n);

// One-value lookups; never fail to their caller, answer empty instead.
QString LookupValue(const QString &value, const QString &table, const QString &keyColumn,
                    const QString &valueColumn);
QString LookupNumber(const QString &value, const QString &table, const QString &keyColumn,
                     const QString &valueColumn);

// The visibility condition for job lists by the current user's position.
QString OperatorFilter();

// --- reporting ------------------------------------------------------------

// kind 1: "保存成功"; kind 0: run log entry and a message chosen by the answer.
void ReportOutcome(int kind, const QString &answer, const QString &sql);

// Appends one entry (three lines) to 运行日志.txt where ClientFiles keeps it.
bool WriteRunLog(const QString &answer, const QString &sql);
QString RunLogPath();

} // namespace CommFunU
