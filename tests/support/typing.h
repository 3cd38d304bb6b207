#pragma once

#include <QString>
#include <Qt>

class QWidget;

namespace felcora::test {

// Types text into the widget that has the focus (or into target), one key
// event per code point, so that any Unicode text can be typed.
void typeText(const QString &text, QWidget *target = nullptr);

// One key press and release into the focused widget.
void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, QWidget *target = nullptr);

} // namespace felcora::test
