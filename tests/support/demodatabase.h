#pragma once

// A demo korvan-server for testing windows without the main window: the
// windows talk through one connection (installed as the process's server),
// the test sets data up and reads it back through another.

#include "queryhelpers.h"
#include "resultreader.h"
#include "serverconnection.h"
#include "testserver.h"

#include <memory>

struct DemoDatabase {
    TestServer server;
    std::unique_ptr<ServerConnection> db;     // the test's own
    std::unique_ptr<ServerConnection> client; // the windows'

    bool start()
    {
        if (!server.start({QStringLiteral("--demo")}))
            return false;
        db = server.connect();
        client = server.connect();
        CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return *client; });
        return true;
    }
    // Runs a statement (param as :p1); empty when it ran, else the statement
    // and the server's answer.
    QString exec(const QString &sql, const QString &param = QString()) const
    {
        const QString answer = db->execSql(sql, param);
        return answer.startsWith(QStringLiteral("Err")) ? sql + QStringLiteral(" -> ") + answer : QString();
    }
    // The first value of a query's answer.
    QString value(const QString &sql) const { return ResultReader::fromAnswer(db->openQuery(sql, QString(), 0)).next(); }
};
