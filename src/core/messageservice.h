#pragma once

#include <QFlags>
#include <QString>

// Every message box and question of the client goes through the installed
// MessageService. The client installs one that shows real message boxes;
// tests install a recorder that keeps every message and answers questions
// from a script; command-line tools print to the terminal.
class MessageService
{
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum Button { NoButton = 0, Ok = 0x1, Cancel = 0x2, Yes = 0x4, No = 0x8 };
    Q_DECLARE_FLAGS(Buttons, Button)

    struct Message {
        QString caption;
        QString text;
        Icon icon = Icon::None;
        Buttons buttons = Ok;
    };

    virtual ~MessageService();

    // Shows the message and answers the button that closed it.
    virtual Button show(const Message &message) = 0;

    static MessageService &current();
    // Installs service (not owned) for the whole process; nullptr restores
    // the default, which writes to standard error and answers the first button.
    static void install(MessageService *service);

    // Shorthands used by the windows.
    static void inform(const QString &caption, const QString &text, Icon icon = Icon::Information);
    static Button ask(const QString &caption, const QString &text, Buttons buttons, Icon icon = Icon::Question);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(MessageService::Buttons)
