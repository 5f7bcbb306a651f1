#pragma once

// Driving modal dialogs from a test: the dialog's exec() blocks the test, so
// the action is scheduled beforehand and runs from a timer once the modal
// widget is up.
//
//   ModalHelper::onNextModal([](QWidget *dialog) {
//       ModalHelper::setText(dialog, "passwordEdit", "secret");
//       ModalHelper::pressButton(dialog, u"确定"_s);
//   });
//   mainWindow.show(); ... (the code that opens the dialog)

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace ModalHelper {

namespace detail {

inline void poll(std::shared_ptr<std::function<void(QWidget *)>> action, QDeadlineTimer deadline, QWidget *skip)
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != skip && modal->isVisible()) {
        (*action)(modal);
        return;
    }
    if (deadline.hasExpired()) {
        qWarning("ModalHelper: no modal widget appeared");
        return;
    }
    QTimer::singleShot(10, [action, deadline, skip] { poll(action, deadline, skip); });
}

} // namespace detail

// Runs action on the next modal widget that shows up (one that is not
// already the active modal widget when this is called), within timeoutMs.
inline void onNextModal(std::function<void(QWidget *)> action, int timeoutMs = 10000)
{
    auto shared = std::make_shared<std::function<void(QWidget *)>>(std::move(action));
    QWidget *current = QApplication::activeModalWidget();
    const QDeadlineTimer deadline(timeoutMs);
    QTimer::singleShot(0, [shared, deadline, current] { detail::poll(shared, deadline, current); });
}

// The text of a message box (or the first label of any other dialog).
inline QString modalText(QWidget *modal)
{
    if (auto *box = qobject_cast<QMessageBox *>(modal))
        return box->text();
    if (auto *label = modal->findChild<QLabel *>())
        return label->text();
    return QString();
}

// Clicks the button captioned text (an '&' in the caption is ignored);
// false when there is none.
inline bool pressButton(QWidget *dialog, const QString &text)
{
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
        QString caption = button->text();
        caption.remove(QLatin1Char('&'));
        if (caption == text && button->isVisible() && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return false;
}

} // namespace ModalHelper
