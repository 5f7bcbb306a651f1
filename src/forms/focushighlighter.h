#pragma once

#include <QColor>
#include <QObject>

class QWidget;

namespace CommFunU {

// The background of the input field that has the focus (red 210, green 233,
// blue 255); fields not focused are white, disabled ones the button face.
QColor HighlightColour();
// Sets the background of an input field (its base colour); disabled fields
// keep the button-face colour.
void SetFieldColour(QWidget *field, const QColor &colour);
// The button-face colour of the platform (disabled and read-only fields).
QColor ButtonFaceColour();
// The colour a watched field shows while it does not have the focus: white
// unless set here (a read-only field of a job window shows the button face).
void SetRestColour(QWidget *field, const QColor &colour);

} // namespace CommFunU

// Gives watched input fields the highlight colour while they have the focus
// (unless they are read-only) and white (or their rest colour) when they
// lose it. One instance serves the whole process.
class FocusHighlighter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(FocusHighlighter)
public:
    static FocusHighlighter &instance();
    // Starts watching field (and sets it white); safe to call twice.
    static void watch(QWidget *field);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FocusHighlighter() = default;

    bool m_followsApplication = false;
};
