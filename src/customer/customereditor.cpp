#include "customer/customereditor.h"

#include <QKeyEvent>

namespace felcora::customer {

bool CustomerEditor::formKeyDown(QObject *watched, const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_F11: lpGuardar(); return true;
    case Qt::Key_Escape: leaveWithoutSaving(); return true;
    default: break;
    }
    return editorKeyDown(watched, key);
}

} // namespace felcora::customer
