#include "ui/modalwindow.h"

#include <QCloseEvent>
#include <QKeyEvent>

#include "ui/handlerguard.h"
#include "ui/windows.h"

namespace felcora {

void ModalWindow::unload()
{
    m_unloading = true;
    QWidget *self = this;
    DescargarFormulario(self);
}

bool ModalWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    bool consumed = false;
    guardHandler(objectName(), "Form_KeyDown",
                 [&] { consumed = formKeyDown(watched, static_cast<QKeyEvent *>(event)); });
    return consumed;
}

void ModalWindow::keyPressEvent(QKeyEvent *event)
{
    bool consumed = false;
    guardHandler(objectName(), "Form_KeyDown", [&] { consumed = formKeyDown(this, event); });
    if (!consumed)
        event->ignore();
}

void ModalWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_unloading)
        return;
    guardHandler(objectName(), "Form_Unload", [this] { leftByTitleBar(); });
    if (!m_unloading)
        unload();
}

} // namespace felcora
