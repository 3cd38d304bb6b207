#include "ui/windows.h"

#include <QDialog>

#include "ui/pointer.h"

namespace felcora {

void DescargarFormulario(QWidget *&window)
{
    if (!window)
        return;
    auto &windows = state().windows;
    for (auto it = windows.begin(); it != windows.end();) {
        if (it.value() == window || it.value().isNull())
            it = windows.erase(it);
        else
            ++it;
    }
    if (auto *dialog = qobject_cast<QDialog *>(window))
        dialog->done(QDialog::Rejected);
    window->hide();
    // The arrow a routine left for the rest of the window's life goes with it.
    restorePointer();
    window->deleteLater();
    window = nullptr;
}

void releaseWindow(QWidget *window)
{
    if (!window)
        return;
    QWidget *unloaded = window;
    DescargarFormulario(unloaded);
    delete window;
}

} // namespace felcora
