#include "ui/pointer.h"

#include <QApplication>
#include <QCursor>

namespace felcora {

namespace {
// Whether the component's override pointer is on the application's stack:
// there is one at most, changed in place, so that the hourglass and the arrow
// never pile up, and a host's own override pointer is left alone. (Whoever
// empties the stack takes it too.)
bool s_pointerShown = false;

void showPointer(Qt::CursorShape shape)
{
    if (s_pointerShown && QApplication::overrideCursor()) {
        QApplication::changeOverrideCursor(QCursor(shape));
        return;
    }
    QApplication::setOverrideCursor(QCursor(shape));
    s_pointerShown = true;
}
} // namespace

void showWaitPointer()
{
    showPointer(Qt::WaitCursor);
}

void showArrowPointer()
{
    showPointer(Qt::ArrowCursor);
}

void restorePointer()
{
    if (s_pointerShown && QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    s_pointerShown = false;
}

} // namespace felcora
