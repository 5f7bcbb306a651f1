#pragma once

#include <QString>

class QWidget;

// Accessible names: every input field is known by its caption, so screen
// readers, and checks that drive the client as a user does, find a field the
// way a user reads it.
namespace CommFunU {

// The caption a label shows, as a name: without its trailing ':' or '：', its
// accelerator ("(&Y)" or a single '&') and its padding blanks:
// "传    真:" → "传真", "业务员(&Y)：" → "业务员", "Port of loading:" → "Port of loading".
QString CaptionName(const QString &label);

// Gives field the name of the caption label.
void NameByCaption(QWidget *field, const QString &label);

} // namespace CommFunU
