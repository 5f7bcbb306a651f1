#pragma once

// A logged-in client on a demo database: korvan-server --demo, the main
// window with its menus wired as the program wires them, logged in through
// the real login dialog, and a connection of the test's own for reading the
// database back. Window: the job window of the kind under test.

#include "boundform.h"
#include "captionfinder.h"
#include "cargojobtags.h"
#include "cargojobwindow.h"
#include "currentuser.h"
#include "jobtabs.h"
#include "menuwiring.h"
#include "modalhelper.h"
#include "queryhelpers.h"
#include "serverconnection.h"
#include "stringgrid.h"
#include "tagbinding.h"
#include "testserver.h"
#include "tloginfrm.h"
#include "tmainfrm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

template <class Window> class CargoJobFixture
{
public:
    CargoJobFixture(JobKind kind, TMainFrm::Item openItem)
        : m_kind(kind)
        , m_openItem(openItem)
    {
    }

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
        answerLogin(user, password);
        main->resize(1366, 768);
        main->show();
        if (!QTest::qWaitFor([this] { return main->Tabs()->count() == 1; }, 20000)) {
            *error = u"the login did not finish"_s;
            return false;
        }
        // Keys and focus go where they go on a desktop: the main window is
        // the active one once the activations of the login have all come in.
        for (int stable = 0, tries = 0; stable < 5 && tries < 500; ++tries) {
            QTest::qWait(10);
            stable = QApplication::activeWindow() == main.get() ? stable + 1 : 0;
            if (stable == 0)
                main->activateWindow();
        }
        if (QApplication::activeWindow() != main.get()) {
            *error = u"the main window did not become active"_s;
            return false;
        }
        return true;
    }

    // 重新登录 as another user, through the login dialog; false when the
    // login did not take.
    bool reLogin(const QString &user, const QString &password)
    {
        answerLogin(user, password);
        main->ReLogin();
        return QTest::qWaitFor([user] { return CommFunU::CurrentUser().UserName == user; }, 20000);
    }

    JobTabs *tabs() const { return main->Tabs(); }
    Window *window() const { return static_cast<Window *>(main->JobWindowOf(m_kind, false)); }
    // 打开业务 of the kind's menu: a new, blank page.
    Window *newPage()
    {
        main->Action(m_openItem)->trigger();
        return window();
    }
    // A new page, the number typed into 业务编号 and Enter.
    Window *open(const QString &number)
    {
        Window *w = newPage();
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
    // Gives every field of the record a value of its kind, with apostrophes,
    // colons and line breaks; the fields in keep and the derived ones keep
    // what they show.
    static void fillEveryField(CargoJobWindow *w, const QList<int> &keep)
    {
        for (QWidget *control : CommFunU::BoundControls(w, JobTag::RecordLow, JobTag::RecordHigh)) {
            const int tag = CommFunU::TagOf(control);
            const QString id = QString::number(tag);
            if (keep.contains(tag) || tag == JobTag::TotalInWords || tag == JobTag::ContainerSummary)
                continue;
            switch (CommFunU::BoundKindOf(control)) {
            case CommFunU::BoundKind::Edit:
                set(w, tag, CommFunU::HintOf(control) == u"1"_s ? u"1,2"_s + id + u".5"_s : u"E'"_s + id + u":x"_s);
                break;
            case CommFunU::BoundKind::Combo:
                set(w, tag, u"C'"_s + id);
                break;
            case CommFunU::BoundKind::Memo:
                set(w, tag, u"M"_s + id + u"\r\n第二行: '"_s);
                break;
            case CommFunU::BoundKind::Date:
                set(w, tag, QDate(2020, 1 + tag % 12, 1 + tag % 28).toString(u"yyyy-MM-dd"_s));
                break;
            case CommFunU::BoundKind::Time:
                set(w, tag, u"07:"_s + id.right(2));
                break;
            case CommFunU::BoundKind::Check:
                set(w, tag, u"1"_s);
                break;
            default:
                break;
            }
        }
    }
    // The field of the window captioned so, found as a screen reader finds it.
    template <class T> T *field(const QString &caption) const { return CaptionFinder::fieldAs<T>(window(), caption); }
    // Presses a button of the window as a user does; false when there is none.
    bool pressOnPage(const QString &caption) const { return ModalHelper::pressButton(window(), caption); }
    // Types text into a field as a user does, after emptying it; Enter after it.
    static void typeInto(QWidget *field, const QString &text, bool enter = false)
    {
        field->setFocus();
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            edit->clear();
        if (auto *combo = qobject_cast<QComboBox *>(field))
            combo->setEditText(QString());
        QTest::keyClicks(field, text);
        if (enter)
            QTest::keyClick(field, Qt::Key_Return);
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

private:
    // Types the user and password into the next login dialog and confirms.
    static void answerLogin(const QString &user, const QString &password)
    {
        ModalHelper::onNextModal([user, password](QWidget *modal) {
            auto *login = qobject_cast<TloginFrm *>(modal);
            if (!login)
                return;
            login->UserNameEdit()->setText(user);
            login->PasswordEdit()->setText(password);
            ModalHelper::pressButton(login, u"确定"_s);
        });
    }

    JobKind m_kind;
    TMainFrm::Item m_openItem;
};
