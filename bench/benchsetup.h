#pragma once

// What every benchmark that drives windows against its own korvan-server
// sets up before its QApplication: no display needed, and the server built
// beside it (KORVAN_SERVER_PATH, from korvan_add_server_bench) unless the
// environment names others.

#include "currentuser.h"
#include "messageservice.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "testserver.h"

#include <cstdio>
#include <memory>

#include <QtGlobal>

inline void PrepareBenchEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("KORVAN_SERVER_BIN"))
        qputenv("KORVAN_SERVER_BIN", KORVAN_SERVER_PATH);
}

// Answers every message at once, so no timed step waits for a user.
class QuietMessages : public MessageService
{
public:
    Button show(const Message &) override { return Ok; }
};

// A korvan-server of the benchmark's own on a new database, the client's
// connection to it logged in as the administrator and installed as the
// process's server, the current user a 总经理, and every message answered
// at once. ready() is false (and why was printed) when the server did not
// start.
class BenchServer
{
public:
    BenchServer()
    {
        if (!server.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(server.errorText()));
            return;
        }
        db = server.connect();
        CommFunU::SetAppServerProvider([this]() -> ServerConnection & { return *db; });
        CommFunU::CurrentUser().Position = QStringLiteral("总经理");
        MessageService::install(&quiet);
    }
    ~BenchServer() { MessageService::install(nullptr); }
    bool ready() const { return bool(db); }

    TestServer server;
    std::unique_ptr<ServerConnection> db;
    QuietMessages quiet;
};
