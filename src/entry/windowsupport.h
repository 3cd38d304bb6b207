#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "componentstate.h"
#include "felcora/felcora_export.h"

namespace felcora {

// Window layouts are designed in twips, stored in the .ui files as pixels at
// 96 dots per inch (15 twips to the pixel).
FELCORA_EXPORT int twipsToPixelsX(int twips, const QWidget *onScreen);
// Converts a window designed at 96 dots per inch to the screen's resolution:
// its size and the position and size of every child widget.
FELCORA_EXPORT void scaleToScreen(QWidget *window);

// The thread's shared instance of a window, created (loaded) on first use.
template <class W>
W *sharedWindow(const QString &name)
{
    QPointer<QWidget> &slot = state().windows[name];
    if (auto *existing = qobject_cast<W *>(slot.data()))
        return existing;
    auto *created = new W();
    slot = created;
    return created;
}

// Unloads a shared window and deletes it now (pass a QPointer: null once the
// window is gone does nothing). The host
// may never return to an event loop that would run a deferred delete.
FELCORA_EXPORT void releaseWindow(QWidget *window);

// The application's mouse pointer while the component works: the hourglass,
// then the arrow (not the default pointer of each widget) when the work ends.
FELCORA_EXPORT void showWaitPointer();
FELCORA_EXPORT void showArrowPointer();

// The failure report of a handler: "number - description", a line break and
// the routine's section, in a critical message box.
FELCORA_EXPORT void reportHandlerFailure(qint32 number, const QString &description, const QString &section);

// Runs a key, mouse or change handler: a failure is reported as above with the
// section "[window.routine]" and never reaches the event loop.
template <class F>
void guardHandler(const QString &window, const char *routine, F &&handler)
{
    try {
        handler();
    } catch (const Error &e) {
        reportHandlerFailure(e.number(), e.description(), window + u'.' + QLatin1String(routine));
    } catch (const std::exception &e) {
        reportHandlerFailure(0, QString::fromLocal8Bit(e.what()), window + u'.' + QLatin1String(routine));
    }
}

} // namespace felcora
