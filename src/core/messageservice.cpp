#include "messageservice.h"

#include <cstdio>

namespace {

class ConsoleMessageService final : public MessageService
{
public:
    Button show(const Message &message) override
    {
        std::fprintf(stderr, "[%s] %s\n", message.caption.toLocal8Bit().constData(),
                     message.text.toLocal8Bit().constData());
        for (Button b : {Ok, Yes, No, Cancel}) {
            if (message.buttons.testFlag(b))
                return b;
        }
        return NoButton;
    }
};

ConsoleMessageService consoleService;
MessageService *installed = nullptr;

} // namespace

MessageService::~MessageService() = default;

MessageService &MessageService::current()
{
    return installed ? *installed : static_cast<MessageService &>(consoleService);
}

void MessageService::install(MessageService *service)
{
    installed = service;
}

void MessageService::inform(const QString &caption, const QString &text, Icon icon)
{
    current().show({caption, text, icon, Ok});
}

MessageService::Button MessageService::ask(const QString &caption, const QString &text, Buttons buttons, Icon icon)
{
    return current().show({caption, text, icon, buttons});
}
