#pragma once

// Date and time fields that take what people type, and a date field that
// can be empty:
//
//     auto *shipped = new DateField(page);   // a QDateEdit: 20261220, 2026-12-20,
//                                            // 2026/12/20, 12-20 (this year), or nothing
//     auto *at = new TimeField(page);        // a QTimeEdit: 1430, 14:30, 14:30:15
//     shipped->isEmpty();                    // no date: stored as an empty text
//
// The text is read when the field is left, on Enter, or when the window
// reads the value (pendingText); a text that is no date or time is refused
// with a message naming the field, and the field keeps its last value. On
// entry the whole text is selected, so typing replaces it. The arrow keys
// step a day or a minute; on an empty date field they start from today.
// A date field is empty while it holds its minimum date, which it shows as
// no text; a time field always holds a time.
//
// The classes add no signals: they are QDateEdit and QTimeEdit to every
// qobject_cast, and DateField/TimeField to a dynamic_cast.

#include "messageservice.h"
#include "values.h"

#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimeEdit>
#include <QTimer>

#include <type_traits>

template <class Base> class TypedPicker : public Base
{
public:
    static constexpr bool IsDate = std::is_same_v<Base, QDateEdit>;

    explicit TypedPicker(QWidget *parent = nullptr)
        : Base(parent)
    {
        this->setKeyboardTracking(false);
        // The text is free: the picker's own following of the cursor from
        // section to section would read (and reset) a half-typed text.
        QObject::disconnect(this->lineEdit(), &QLineEdit::cursorPositionChanged, this, nullptr);
        if constexpr (IsDate) {
            this->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
            this->setMinimumDate(QDate(100, 1, 1));
        } else {
            this->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        }
    }

    bool isEmpty() const
    {
        if constexpr (IsDate)
            return this->date() == this->minimumDate();
        else
            return false;
    }
    void setEmpty()
    {
        if constexpr (IsDate)
            this->setDate(this->minimumDate());
    }

    // What the user typed and has not been read yet: empty when the text
    // shows the field's value. The window's save reads it first
    // (acceptPending), so a date typed just before 保存 is the one saved.
    QString pendingText() const
    {
        const QString typed = this->lineEdit()->text().trimmed();
        return typed == textFromDateTime(this->dateTime()).trimmed() ? QString() : typed;
    }
    // Reads a pending text into the value; false (the value unchanged) when
    // it is no date or time.
    bool acceptPending()
    {
        const QString typed = pendingText();
        if (typed.isEmpty() && !(IsDate && this->lineEdit()->text().trimmed().isEmpty()))
            return true;
        if (!typed.isEmpty() && !parse(typed))
            return false;
        this->interpretText();
        return true;
    }
    // The message for a text that is no date or time, the field named.
    QString refusal(const QString &typed) const
    {
        const QString caption = this->accessibleName();
        return (caption.isEmpty() ? QString() : caption + QStringLiteral(": "))
               + (IsDate ? QStringLiteral("日期格式不对: ") : QStringLiteral("时间格式不对: ")) + typed
               + (IsDate ? QStringLiteral("\r请输入如 20261220、2026-12-20、2026/12/20 或 12-20 (今年)")
                         : QStringLiteral("\r请输入如 1430 或 14:30"));
    }

    void stepBy(int steps) override
    {
        if constexpr (IsDate) {
            this->setDate(isEmpty() ? QDate::currentDate() : this->date().addDays(steps));
        } else {
            this->setTime(this->time().addSecs(60 * steps));
        }
    }

protected:
    QValidator::State validate(QString &input, int &pos) const override
    {
        Q_UNUSED(pos)
        const QString text = input.trimmed();
        if (text.isEmpty())
            return IsDate ? QValidator::Acceptable : QValidator::Intermediate;
        if (parse(text))
            return QValidator::Acceptable;
        const QString allowed = IsDate ? QStringLiteral("0123456789-/. ") : QStringLiteral("0123456789: ");
        if (input.size() > 12)
            return QValidator::Invalid;
        for (const QChar c : input) {
            if (!allowed.contains(c))
                return QValidator::Invalid;
        }
        return QValidator::Intermediate;
    }
    void fixup(QString &input) const override
    {
        if (const std::optional<QDateTime> value = parse(input))
            input = textFromDateTime(*value);
    }
    QDateTime dateTimeFromText(const QString &text) const override
    {
        if (IsDate && text.trimmed().isEmpty())
            return QDateTime(this->minimumDate(), QTime(0, 0));
        return parse(text).value_or(this->dateTime());
    }
    QString textFromDateTime(const QDateTime &value) const override
    {
        if (IsDate && value.date() == this->minimumDate())
            return QString();
        return Base::textFromDateTime(value);
    }
    QAbstractSpinBox::StepEnabled stepEnabled() const override
    {
        return QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    }
    // Typing goes into the text as typed, not section by section.
    void keyPressEvent(QKeyEvent *event) override { QAbstractSpinBox::keyPressEvent(event); }
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
    void focusInEvent(QFocusEvent *event) override
    {
        Base::focusInEvent(event);
        // After the click that gave the focus has placed the cursor.
        QTimer::singleShot(0, this, [this] {
            if (this->hasFocus())
                this->selectAll();
        });
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        const QString typed = pendingText();
        if (!typed.isEmpty() && !parse(typed)) {
            const QString text = refusal(typed);
            QTimer::singleShot(0, this, [text] {
                MessageService::inform(QStringLiteral("提示"), text, MessageService::Icon::Warning);
            });
        }
        Base::focusOutEvent(event);
    }

private:
    std::optional<QDateTime> parse(const QString &text) const
    {
        if constexpr (IsDate) {
            if (const std::optional<QDate> date = CommFunU::ParseTypedDate(text, QDate::currentDate());
                date && *date > this->minimumDate() && *date <= this->maximumDate())
                return QDateTime(*date, QTime(0, 0));
        } else {
            if (const std::optional<QTime> time = CommFunU::ParseTypedTime(text))
                return QDateTime(this->date(), *time);
        }
        return std::nullopt;
    }
};

using DateField = TypedPicker<QDateEdit>;
using TimeField = TypedPicker<QTimeEdit>;
