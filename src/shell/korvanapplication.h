#pragma once

#include <QApplication>
#include <functional>

// The client's application object. An error that no window caught ends the
// user action that raised it: notify() catches it and hands its text to the
// process-wide error handler (installed by the login window). Without a
// handler the text is shown as it stands.
class KorvanApplication : public QApplication
{
    Q_OBJECT
public:
    using ErrorHandler = std::function<void(const QString &errorText)>;

    KorvanApplication(int &argc, char **argv);
    ~KorvanApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;

    // Installs the process-wide handler; an empty one restores the default.
    static void setErrorHandler(ErrorHandler handler);
    static bool hasErrorHandler();
    // Routes one uncaught error to the handler (or the default display).
    static void handleError(const QString &errorText);
};
