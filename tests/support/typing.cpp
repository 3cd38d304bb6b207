#include "typing.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

namespace felcora::test {

static QWidget *receiver(QWidget *target)
{
    if (!target)
        target = QApplication::focusWidget();
    return target ? target : QApplication::activeModalWidget();
}

void typeText(const QString &text, QWidget *target)
{
    for (const char32_t codePoint : text.toUcs4()) {
        QWidget *w = receiver(target);
        if (!w)
            return;
        const QString character = QString::fromUcs4(&codePoint, 1);
        const int key = codePoint < 0x80 ? int(QChar::toUpper(codePoint)) : 0;
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier, character);
            QApplication::sendEvent(w, &event);
        }
    }
}

void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers, QWidget *target)
{
    if (QWidget *w = receiver(target))
        QTest::keyClick(w, key, modifiers);
}

} // namespace felcora::test
