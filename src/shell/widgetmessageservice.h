#pragma once

#include "messageservice.h"

// The message service of the client: a real message box per message. The
// system's texts break lines with "\r"; on screen that is a line break, while
// the message itself is left as it was given.
class WidgetMessageService final : public MessageService
{
public:
    WidgetMessageService();
    ~WidgetMessageService() override;

    Button show(const Message &message) override;

    // The text as the box shows it.
    static QString screenText(const QString &text);
};
