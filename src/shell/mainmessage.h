#pragma once

#include <QEvent>

// A private message of the main window: an event whose type is the message
// number (0x500 to 0x504). Sent synchronously it carries the handler's result
// back; posted, the result is dropped.
class MainMessage : public QEvent
{
public:
    explicit MainMessage(int message) : QEvent(QEvent::Type(message)) {}
    int message() const { return int(type()); }
    int result = 0;
};
