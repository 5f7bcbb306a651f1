#include "korvanapplication.h"

#include "korvanerror.h"
#include "messageservice.h"

#include <exception>

using namespace Qt::StringLiterals;

namespace {

KorvanApplication::ErrorHandler &installedHandler()
{
    static KorvanApplication::ErrorHandler handler;
    return handler;
}

} // namespace

KorvanApplication::KorvanApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

KorvanApplication::~KorvanApplication() = default;

bool KorvanApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const KorvanError &error) {
        handleError(error.message());
    } catch (const std::exception &error) {
        handleError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        handleError(u"未知错误"_s);
    }
    return false;
}

void KorvanApplication::setErrorHandler(ErrorHandler handler)
{
    installedHandler() = std::move(handler);
}

bool KorvanApplication::hasErrorHandler()
{
    return bool(installedHandler());
}

void KorvanApplication::handleError(const QString &errorText)
{
    // Copied: the handler may replace itself while it runs.
    const ErrorHandler handler = installedHandler();
    if (handler) {
        handler(errorText);
        return;
    }
    MessageService::inform(applicationName(), errorText, MessageService::Icon::Critical);
}
