#pragma once

#include <QColor>
#include <QObject>

class QWidget;

// The focused input field takes the highlight colour and returns to white when
// left; a disabled field shows the button-face colour.
class FieldHighlighter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(FieldHighlighter)
public:
    static inline const QColor FocusColour{210, 233, 255};

    // Applies the colours to field and keeps them up to date.
    static void install(QWidget *field);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FieldHighlighter() = default;
    static FieldHighlighter &instance();
    static void paint(QWidget *field, bool focused);

    bool m_watching = false;
};
