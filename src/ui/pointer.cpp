#include "ui/pointer.h"

#include <QApplication>
#include <QCursor>

namespace felcora {

namespace {
// One override pointer for the whole application, changed in place, so that
// the hourglass and the arrow never pile up.
void showPointer(Qt::CursorShape shape)
{
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(QCursor(shape));
    else
        QApplication::setOverrideCursor(QCursor(shape));
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

} // namespace felcora
