#pragma once

#include "messageservice.h"

#include <QList>

// Keeps every message shown while it is installed and answers questions from
// a script (then with the first offered button). Installs itself on
// construction and restores the previous default on destruction.
class RecordingMessageService final : public MessageService
{
public:
    RecordingMessageService() { MessageService::install(this); }
    ~RecordingMessageService() override { MessageService::install(nullptr); }

    Button show(const Message &message) override
    {
        messages.append(message);
        if (!answers.isEmpty())
            return answers.takeFirst();
        for (Button b : {Ok, Yes, No, Cancel}) {
            if (message.buttons.testFlag(b))
                return b;
        }
        return NoButton;
    }

    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    // Some message shown began with text.
    bool said(const QString &text) const
    {
        for (const Message &m : messages) {
            if (m.text.startsWith(text))
                return true;
        }
        return false;
    }
    void clear() { messages.clear(); }

    QList<Message> messages;
    QList<Button> answers;
};
