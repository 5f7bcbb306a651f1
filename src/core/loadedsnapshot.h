#pragma once

// What a window loaded, kept so that its save can tell whether somebody else
// changed the record since:
//
//     LoadedSnapshot m_loaded;   // a member of the window
//
//     // loading: the statements that read the record, and what they answered
//     m_loaded.keep({{jobSql, jobAnswerValues}, {cargoSql, cargoAnswerValues}},
//                   {u"货运出口基本信息"_s, u"货运出口货物明细"_s}, number);
//
//     // saving, inside the save's own transaction, before the first write:
//     TransactionGuard transaction(server);
//     if (m_loaded.verify(server) != LoadedSnapshot::Unchanged) → write nothing, roll back,
//         then throw StaleRecordError(m_loaded.staleness(...)) or show it
//     ... the writes ...
//     m_loaded.reread(server);          // what is stored now, still inside
//     if (transaction.commit()) m_loaded.adoptReread();
//
// The check reads the record's rows again through the ordinary query call
// (one query per statement kept) and compares them with what the load read,
// value for value. Who changed the record and when comes from the audit
// trail where the user may read it; otherwise the notice names nobody.
// No column is added to any table.

#include "korvanerror.h"

#include <QList>
#include <QString>
#include <QStringList>

class ServerConnection;

class LoadedSnapshot
{
public:
    struct Part {
        QString sql;    // the statement that reads this part of the record
        QString values; // the values it answered (ResultReader::rest at the first value)
    };
    enum State { Unchanged, Changed, Deleted, Failed };

    // Keeps what a load read. tables: where changes of the record are
    // written; key: the record's key as it stands in those statements.
    void keep(QList<Part> parts, QStringList tables, QString key);
    // Nothing kept: a new record, or a load that failed. A save of a page
    // with nothing kept checks nothing.
    void forget();
    bool isKept() const { return !m_parts.isEmpty(); }
    // A part another window of this client has rewritten and the page has
    // taken over (the cargo rows after a consolidation).
    void replaceValues(qsizetype part, const QString &values)
    {
        if (part >= 0 && part < m_parts.size())
            m_parts[part].values = values;
    }
    QString key() const { return m_key; }

    // Inside the save's transaction: reads every part again. Changed when a
    // part differs, Deleted when the first part (the record's own row) had
    // values and has none now, Failed when the server refused a read
    // (failure holds its answer).
    State verify(ServerConnection &server, QString *failure = nullptr) const;
    // After the save's writes, still inside its transaction: reads what is
    // stored now, to be kept once the commit succeeded (adoptReread).
    bool reread(ServerConnection &server);
    void adoptReread();

    // The values a statement answered, as keep() wants them: the answer's
    // values after its status and column count ("" for an "Err" answer).
    static QString valuesOf(const QString &answer);

private:
    QList<Part> m_parts;
    QList<Part> m_reread;
    QStringList m_tables;
    QString m_key;
    friend class StaleRecordError;
};

// A save refused because the stored record is no longer the one the window
// loaded. The message names who changed it and when, where the audit trail
// tells and the user may read it:
//   "此业务已被 陈静 于 10:31 修改，您的修改没有保存。"
//   "此业务已被其他用户修改，您的修改没有保存。"
class StaleRecordError : public KorvanError
{
public:
    // noun: 业务, 记录, 费用明细 … as the window calls its record.
    StaleRecordError(const LoadedSnapshot &snapshot, LoadedSnapshot::State state, const QString &noun);
    // The words of the message, without the server: a name and time may be empty.
    static QString noticeText(const QString &noun, bool deleted, const QString &who, const QString &when);
    bool deleted() const { return m_deleted; }

private:
    bool m_deleted = false;
};

namespace CommFunU {

// Who last wrote one of the tables with this key, from the audit trail:
// the staff name (or the user name) and the time, "10:31" today and
// "2026-12-09 10:31" on another day. Empty when the trail cannot be read by
// this user or holds no such change.
struct LastChange {
    QString who;
    QString when;
};
LastChange LastChangeOf(ServerConnection &server, const QStringList &tables, const QString &key);

// The choice after a refused save: answers true when the user wants the
// stored record read again, after a second question, since his edits are
// then lost. False: he keeps editing (and may copy what he typed).
bool AskReloadAfterStaleSave(const StaleRecordError &error);

} // namespace CommFunU
