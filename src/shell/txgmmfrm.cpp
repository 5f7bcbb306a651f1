#include "txgmmfrm.h"

#include "captionname.h"
#include "currentuser.h"
#include "focushighlighter.h"
#include "korvanerror.h"
#include "messageservice.h"
#include "passwords.h"
#include "queryhelpers.h"
#include "resultreader.h"
#include "serverconnection.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace CommFunU;

TXGMMFrm::TXGMMFrm(QWidget *parent)
    : QDialog(parent)
    , m_old(new QLineEdit(this))
    , m_new(new QLineEdit(this))
    , m_confirm(new QLineEdit(this))
{
    setWindowTitle(u"修改密码"_s);
    auto *form = new QFormLayout;
    const std::pair<QLineEdit *, QString> rows[] = {
        {m_old, u"原密码："_s}, {m_new, u"新密码："_s}, {m_confirm, u"确认新密码："_s}};
    for (const auto &[field, caption] : rows) {
        field->setEchoMode(QLineEdit::Password);
        field->setStyleSheet(u"lineedit-password-character: 42"_s); // '*'
        field->setMinimumWidth(180);
        NameByCaption(field, caption);
        FocusHighlighter::watch(field);
        form->addRow(caption, field);
    }

    auto *confirm = new QPushButton(u"确认"_s, this);
    confirm->setDefault(true);
    auto *cancel = new QPushButton(u"取消"_s, this);
    connect(confirm, &QPushButton::clicked, this, &TXGMMFrm::ConfirmClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(confirm);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

void TXGMMFrm::ConfirmClick()
{
    const CurrentUserRecord &user = CurrentUser();
    if (m_old->text() != user.Password || m_new->text() != m_confirm->text()) {
        MessageService::inform(u"出错"_s, u"原密码不正确或新密码输入不一致!"_s, MessageService::Icon::Warning);
        return;
    }
    const QString stored = PasswordToStore(m_new->text());
    const QString sql = u"update 职员 set 密码='"_s + QuoteValue(stored) + u"' where 用户名=:p1"_s;
    ServerConnection *server = nullptr;
    try {
        server = &GetAppServer();
    } catch (const KorvanError &) {
        return; // the connection's provider has said why
    }
    const QString answer = server->execSql(sql, user.UserName);
    if (answer.startsWith(u"Err"_s)) {
        // The statement is shown without the stored password.
        const QString shown = u"update 职员 set 密码='********' where 用户名=:p1"_s;
        ShowMessage(u"出错: \r"_s + shown + answer.mid(3));
        return;
    }
    // Exactly the user's own row must have changed.
    if (ResultReader::fromAnswer(answer).columnCount() != 1) {
        ShowMessage(u"未找到此用户:"_s + user.UserName);
        return;
    }
    // A connection reopened later logs in with the new password.
    server->updatePassword(user.UserName, m_new->text());
    MessageService::inform(u"提示"_s, u"密码修改成功!"_s, MessageService::Icon::Information);
    accept();
}
