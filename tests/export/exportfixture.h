#pragma once

// A logged-in client on a demo database: korvan-server --demo, the main
// window with the export window registered, logged in through the real login
// dialog, and a connection of the test's own for reading the database back.

#include "boundform.h"
#include "captionfinder.h"
#include "cargojobtags.h"
#include "jobtabs.h"
#include "menuwiring.h"
#include "modalhelper.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "testserver.h"
#include "thychukoufrm.h"
#include "tloginfrm.h"
#include "tmainfrm.h"

#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class ExportFixture
{
public:
    TestServer server;
    std::unique_ptr<ServerConnection> db;
    std::unique_ptr<TMainFrm> main;
    QTemporaryDir dir;

    // Starts the demo server and logs in; false with why in error.
    bool start(const QString &user, const QString &password, QString *error)
    {
        if (!server.start({u"--demo"_s})) {
            *error = server.errorText();
            return false;
        }
        db = server.connect();
        QDir::setCurrent(dir.path());
        QFile file(u"ConnectServer.txt"_s);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write("IP=127.0.0.1\r\nPort=" + QByteArray::number(server.port()) + "\r\n");
        file.close();
        main = std::make_unique<TMainFrm>();
        WireMenus(*main);
        ModalHelper::onNextModal([user, password](QWidget *modal) {
            auto *login = qobject_cast<TloginFrm *>(modal);
            if (!login)
                return;
            login->UserNameEdit()->setText(user);
            login->PasswordEdit()->setText(password);
            ModalHelper::pressButton(login, u"确定"_s);
        });
        main->resize(1366, 768);
        main->show();
        if (!QTest::qWaitFor([this] { return main->Tabs()->count() == 1; }, 20000)) {
            *error = u"the login did not finish"_s;
            return false;
        }
        return true;
    }

    JobTabs *tabs() const { return main->Tabs(); }
    THYChuKouFrm *window() const { return static_cast<THYChuKouFrm *>(main->JobWindowOf(JobKind::Export, false)); }
    // 海运出口 > 打开业务: a new, blank export page.
    THYChuKouFrm *newPage()
    {
        main->Action(TMainFrm::Item::ExportOpen)->trigger();
        return window();
    }
    // A new page, the number typed into 业务编号 and Enter.
    THYChuKouFrm *open(const QString &number)
    {
        THYChuKouFrm *w = newPage();
        auto *field = w->Form()->edit(JobTag::Number);
        field->setText(number);
        QTest::keyClick(field, Qt::Key_Return);
        return w;
    }
    // Closes every job page, as 关闭本页 does without asking.
    void closeJobTabs()
    {
        QCoreApplication::sendPostedEvents(); // a close a window has asked for
        while (tabs()->count() > 1) {
            tabs()->setCurrentIndex(tabs()->count() - 1);
            main->Perform(TMainFrm::ClosePageMessage);
        }
    }
    // The user picks another tab.
    void pickTab(int index) { tabs()->tabBar()->setCurrentIndex(index); }

    QList<QStringList> rows(const QString &sql) const
    {
        auto reader = ResultReader::fromAnswer(db->openQuery(sql, QString(), 0));
        return reader.isError() ? QList<QStringList>{{u"Err"_s}} : reader.rows();
    }
    QString value(const QString &sql) const { return rows(sql).value(0).value(0); }
    QString exec(const QString &sql) const { return db->execSql(sql, QString()); }
    int count(const QString &table, const QString &number) const
    {
        return value(u"select count(*) from "_s + table + u" where 业务编号='"_s + CommFunU::QuoteValue(number) + u"'"_s).toInt();
    }

    static void set(CargoJobWindow *w, int tag, const QString &value)
    {
        CommFunU::SetControlValue(w->Form()->field(tag), value);
    }
    // A click on a check box or radio button (a radio unchecks its siblings).
    static void click(CargoJobWindow *w, int tag)
    {
        qobject_cast<QAbstractButton *>(w->Form()->field(tag))->click();
    }
    static QString text(CargoJobWindow *w, int tag)
    {
        return CommFunU::ControlValue(w->Form()->field(tag));
    }
    // Runs a tool-bar command as a click does; false when it threw.
    static bool press(CargoJobWindow *w, const QString &caption)
    {
        try {
            w->Command(caption)->trigger();
            return true;
        } catch (const std::exception &) {
            return false;
        }
    }
    // Answers the new-number dialog with number when it shows up.
    static void answerNewNumber(const QString &number)
    {
        ModalHelper::onNextModal([number](QWidget *dialog) {
            QTest::qWait(50); // the dialog shows the last number first
            CaptionFinder::fieldAs<QLineEdit>(dialog, u"请输入新的业务编号，注意不要和已有的相重复"_s)->setText(number);
            ModalHelper::pressButton(dialog, u"确认"_s);
        });
    }
};
