#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "core/componentstate.h"
#include "felcora/felcora_export.h"

namespace felcora {

// Closes a window for good: it leaves the thread's shared instances (the next
// use loads it afresh), its modal loop ends, it is deleted once control is
// back in the event loop, and the reference passed in becomes null.
FELCORA_TESTS_EXPORT void DescargarFormulario(QWidget *&window);

// Unloads a shared window and deletes it now (null does nothing): the host may
// never return to an event loop that would run a deferred delete.
FELCORA_TESTS_EXPORT void releaseWindow(QWidget *window);

// The thread's shared instance of a window, created (loaded) on first use.
// The window's objectName is its name.
template <class W> W *sharedWindow(const QString &name)
{
    QPointer<QObject> &slot = state().windows[name];
    if (auto *existing = qobject_cast<W *>(slot.data()))
        return existing;
    auto *created = new W();
    created->setObjectName(name);
    slot = created;
    return created;
}

// A shared window loaded for the time of one opening: loaded (or taken as it
// is) when constructed, unloaded and deleted when it goes, however the opening
// ends. Null once the window has gone by other means.
template <class W> class LoadedWindow
{
public:
    explicit LoadedWindow(const QString &name)
        : m_window(sharedWindow<W>(name))
    {
    }
    ~LoadedWindow() { releaseWindow(m_window); }
    LoadedWindow(const LoadedWindow &) = delete;
    LoadedWindow &operator=(const LoadedWindow &) = delete;

    W *get() const { return m_window.data(); }
    W *operator->() const { return m_window.data(); }
    explicit operator bool() const { return !m_window.isNull(); }

private:
    QPointer<W> m_window;
};

} // namespace felcora
