#include "ui/keypreview.h"

#include <QWidget>

namespace felcora {

void installKeyPreview(QWidget *window)
{
    for (QWidget *child : window->findChildren<QWidget *>()) {
        if (child->focusPolicy() != Qt::NoFocus)
            child->installEventFilter(window);
    }
}

} // namespace felcora
