#include "databasesession.h"

#include "passwords.h"
#include "pgsession.h"
#include "sqlsession.h"

using namespace Qt::StringLiterals;

DatabaseSession::Engine DatabaseSession::engineOf(const QString &target)
{
    return target.startsWith(u"postgresql://"_s) || target.startsWith(u"postgres://"_s) ? Engine::Postgres
                                                                                         : Engine::Sqlite;
}

std::unique_ptr<DatabaseSession> DatabaseSession::open(const QString &target, QString *error)
{
    if (engineOf(target) == Engine::Postgres) {
        auto session = std::make_unique<PgSession>();
        if (!session->open(target))
            *error = session->error();
        return session;
    }
    auto session = std::make_unique<SqlSession>();
    if (session->open(target))
        return session;
    *error = session->error();
    return nullptr;
}

DatabaseSession::LoginCheck DatabaseSession::staffLogin(const std::function<QString(int)> &column,
                                                        const QString &password, AccessPolicy::User *user)
{
    *user = AccessPolicy::User();
    user->userName = column(0);
    user->staffName = column(2);
    user->department = column(3);
    user->position = column(4);
    // A right is granted when its text is exactly "1", as the client's menus read it.
    for (int n = 1; n <= 8; ++n)
        user->rights[size_t(n - 1)] = column(4 + n) == u"1"_s;
    return CommFunU::PasswordMatches(column(1), password) ? LoginCheck::Accepted : LoginCheck::WrongPassword;
}
