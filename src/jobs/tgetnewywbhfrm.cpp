#include "tgetnewywbhfrm.h"
#include "captionname.h"

#include "currentuser.h"
#include "queryhelpers.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace CommFunU;

TGetNewYWBHFrm::TGetNewYWBHFrm(QWidget *parent)
    : QDialog(parent)
    , m_lastNumber(new QLineEdit(this))
    , m_number(new QLineEdit(this))
{
    setWindowTitle(u" 输入新的业务编号："_s);
    m_lastNumber->setReadOnly(true);
    CommFunU::NameByCaption(m_lastNumber, u"本操作员(业务员)最后新建的业务编号为:"_s);
    CommFunU::NameByCaption(m_number, u"请输入新的业务编号，注意不要和已有的相重复："_s);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(u"确认"_s, QDialogButtonBox::AcceptRole);
    QPushButton *no = buttons->addButton(u"取消"_s, QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TGetNewYWBHFrm::confirm);
    connect(no, &QPushButton::clicked, this, &TGetNewYWBHFrm::cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(u"本操作员(业务员)最后新建的业务编号为:"_s, this));
    layout->addWidget(m_lastNumber);
    layout->addSpacing(6);
    layout->addWidget(new QLabel(u"请输入新的业务编号，注意不要和已有的相重复："_s, this));
    layout->addWidget(m_number);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    setMinimumWidth(360);
    m_number->setFocus();
}

QString TGetNewYWBHFrm::number() const
{
    return m_number->text();
}

void TGetNewYWBHFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_resultCode = 0;
    // Load after the dialog is on screen.
    QMetaObject::invokeMethod(this, &TGetNewYWBHFrm::loadLastNumber, Qt::QueuedConnection);
}

void TGetNewYWBHFrm::loadLastNumber()
{
    const QString sql = u"select top 1 业务编号 from "_s + m_table + u" where 操作员='"_s
                        + QuoteValue(CurrentUser().StaffName) + u"' order by 业务编号 desc"_s;
    auto reader = OpenQueryStep(sql);
    if (!reader) {
        m_lastNumber->clear();
        m_number->clear();
        return;
    }
    // The highest number in text order is the starting point; no increment is proposed.
    const QString last = reader->next();
    m_lastNumber->setText(last);
    m_number->setText(last);
    m_number->setFocus();
    m_number->selectAll();
}

void TGetNewYWBHFrm::confirm()
{
    if (m_number->text().isEmpty()) {
        ShowMessage(u"输入不能为空！"_s);
        return;
    }
    m_number->setText(m_number->text().toUpper());
    const QString sql = u"select count(*) from "_s + m_table + u" where 业务编号='"_s + QuoteValue(m_number->text())
                        + u'\'';
    auto reader = OpenQueryStep(sql);
    if (!reader)
        return;
    if (reader->rest() == u"0"_s) {
        m_resultCode = 1;
        accept();
        return;
    }
    ShowMessage(u"此业务编号数据库中已存在，请重新输入。"_s);
}

void TGetNewYWBHFrm::cancel()
{
    m_resultCode = 0;
    reject();
}
