#pragma once

#include <QString>

class QWidget;

namespace felcora::test {

// Types text into target, else the focused widget, one key event per code point (so any Unicode text).
void typeText(const QString &text, QWidget *target = nullptr);
// One key press and release there.
void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, QWidget *target = nullptr);

} // namespace felcora::test
