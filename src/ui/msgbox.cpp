#include "ui/msgbox.h"

#include <QMessageBox>

namespace felcora {

MsgBoxResult MsgBox(const QString &text, int style, const QString &title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0x70) {
    case vbCritical: icon = QMessageBox::Critical; break;
    case vbQuestion: icon = QMessageBox::Question; break;
    case vbExclamation: icon = QMessageBox::Warning; break;
    case vbInformation: icon = QMessageBox::Information; break;
    default: break;
    }

    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (style & 0x7) {
    case vbOKCancel:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    case vbYesNoCancel:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    case vbYesNo:
        buttons = QMessageBox::Yes | QMessageBox::No;
        escape = QMessageBox::No;
        break;
    default:
        buttons = QMessageBox::Ok;
        break;
    }

    QMessageBox box(icon, title, text, buttons);
    box.setObjectName(QStringLiteral("FelcoraMessage"));
    box.setWindowModality(Qt::ApplicationModal);
    box.setEscapeButton(escape);
    // The first button is the default one, as users of the product family expect.
    box.setDefaultButton(buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
    if (style & vbSystemModal)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);

    switch (box.exec()) {
    case QMessageBox::Yes: return vbYes;
    case QMessageBox::No: return vbNo;
    case QMessageBox::Cancel: return vbCancel;
    default: return vbOK;
    }
}

} // namespace felcora
