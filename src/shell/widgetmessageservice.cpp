#include "widgetmessageservice.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

using namespace Qt::StringLiterals;

WidgetMessageService::WidgetMessageService() = default;
WidgetMessageService::~WidgetMessageService() = default;

QString WidgetMessageService::screenText(const QString &text)
{
    QString out = text;
    out.replace(u"\r\n"_s, u"\n"_s);
    out.replace(u'\r', u'\n');
    return out;
}

MessageService::Button WidgetMessageService::show(const Message &message)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (message.icon) {
    case Icon::None:
        break;
    case Icon::Information:
        icon = QMessageBox::Information;
        break;
    case Icon::Warning:
        icon = QMessageBox::Warning;
        break;
    case Icon::Critical:
        icon = QMessageBox::Critical;
        break;
    case Icon::Question:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox::StandardButtons buttons;
    if (message.buttons.testFlag(Ok))
        buttons |= QMessageBox::Ok;
    if (message.buttons.testFlag(Yes))
        buttons |= QMessageBox::Yes;
    if (message.buttons.testFlag(No))
        buttons |= QMessageBox::No;
    if (message.buttons.testFlag(Cancel))
        buttons |= QMessageBox::Cancel;
    if (!buttons)
        buttons = QMessageBox::Ok;

    QMessageBox box(icon, message.caption, screenText(message.text), buttons, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    const std::pair<QMessageBox::StandardButton, QString> captions[] = {
        {QMessageBox::Ok, u"确定"_s}, {QMessageBox::Cancel, u"取消"_s}, {QMessageBox::Yes, u"是"_s}, {QMessageBox::No, u"否"_s}};
    for (const auto &[which, caption] : captions) {
        if (QAbstractButton *button = box.button(which))
            button->setText(caption);
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Ok;
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    case QMessageBox::Cancel:
        return Cancel;
    default:
        return message.buttons.testFlag(Cancel) ? Cancel : NoButton;
    }
}
