#pragma once

// What every benchmark that drives windows against its own korvan-server
// sets up before its QApplication: no display needed, and the server built
// beside it (KORVAN_SERVER_PATH, from korvan_add_server_bench) unless the
// environment names others.

#include "messageservice.h"

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
