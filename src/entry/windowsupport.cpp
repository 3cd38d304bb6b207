#include "windowsupport.h"

#include <QApplication>

#include "basGlobalDeclaracion.h"
#include "msgbox.h"

namespace felcora {

namespace {
constexpr double kDesignDpi = 96.0;

double screenFactor(const QWidget *w)
{
    return w->logicalDpiX() / kDesignDpi;
}
} // namespace

int twipsToPixelsX(int twips, const QWidget *onScreen)
{
    return qRound(twips * onScreen->logicalDpiX() / 1440.0);
}

void scaleToScreen(QWidget *window)
{
    const double f = screenFactor(window);
    if (qFuzzyCompare(f, 1.0))
        return;
    auto scaled = [f](const QRect &r) {
        return QRect(qRound(r.x() * f), qRound(r.y() * f), qRound(r.width() * f), qRound(r.height() * f));
    };
    for (QWidget *child : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->setGeometry(scaled(child->geometry()));
    window->resize(qRound(window->width() * f), qRound(window->height() * f));
}

void releaseWindow(QWidget *window)
{
    if (!window)
        return;
    QWidget *unloaded = window;
    DescargarFormulario(unloaded);
    delete window;
}

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

void reportHandlerFailure(qint32 number, const QString &description, const QString &section)
{
    MsgBox(QString::number(number) + QStringLiteral(" - ") + description + QStringLiteral("\r\nSeccion [") + section
               + u']',
           vbCritical);
}

} // namespace felcora
