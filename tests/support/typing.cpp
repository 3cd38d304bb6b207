#include "typing.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>

namespace felcora::test {

namespace {
QWidget *receiver(QWidget *target)
{
    if (target)
        return target;
    if (QWidget *focus = QApplication::focusWidget())
        return focus;
    return QApplication::activeModalWidget();
}
} // namespace

void typeText(const QString &text, QWidget *target)
{
    for (const char32_t codePoint : text.toUcs4()) {
        QWidget *w = receiver(target);
        if (!w)
            return;
        const QString character = QString::fromUcs4(&codePoint, 1);
        const int key = codePoint < 0x80 ? int(QChar::toUpper(codePoint)) : 0;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, character);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, character);
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
}

void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers, QWidget *target)
{
    if (QWidget *w = receiver(target))
        QTest::keyClick(w, key, modifiers);
}

} // namespace felcora::test
