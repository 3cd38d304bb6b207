#include "ui/msgbox.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace felcora {

namespace {

// The parts of a style value: its icon, and its buttons.
constexpr int kIconMask = 0x70;
constexpr int kButtonsMask = 0x7;

// The component speaks Spanish whatever translations the host loads.
void setSpanishButtonTexts(QMessageBox &box)
{
    const std::pair<QMessageBox::StandardButton, const char *> texts[] = {{QMessageBox::Yes, "Sí"},
                                                                          {QMessageBox::No, "No"},
                                                                          {QMessageBox::Ok, "Aceptar"},
                                                                          {QMessageBox::Cancel, "Cancelar"}};
    for (const auto &[button, text] : texts) {
        if (QAbstractButton *b = box.button(button))
            b->setText(QString::fromUtf8(text));
    }
}

} // namespace

MsgBoxResult MsgBox(const QString &text, int style, const QString &title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & kIconMask) {
    case vbCritical: icon = QMessageBox::Critical; break;
    case vbQuestion: icon = QMessageBox::Question; break;
    case vbExclamation: icon = QMessageBox::Warning; break;
    case vbInformation: icon = QMessageBox::Information; break;
    default: break;
    }

    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (style & kButtonsMask) {
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
    default: buttons = QMessageBox::Ok; break;
    }

    QMessageBox box(icon, title, text, buttons);
    box.setObjectName(QStringLiteral("FelcoraMessage"));
    box.setWindowModality(Qt::ApplicationModal);
    box.setEscapeButton(escape);
    setSpanishButtonTexts(box);
    // The first button is the default one, as users of the product family
    // expect, unless the style names the second.
    const bool yesNo = buttons.testFlag(QMessageBox::Yes);
    if (yesNo && (style & vbDefaultButton2))
        box.setDefaultButton(QMessageBox::No);
    else
        box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
    if (style & vbSystemModal)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);

    switch (box.exec()) {
    case QMessageBox::Yes: return vbYes;
    case QMessageBox::No: return vbNo;
    case QMessageBox::Cancel: return vbCancel;
    default: return vbOK;
    }
}

bool confirmedAgainstDefault(const QString &question)
{
    return MsgBox(question, vbYesNo + vbQuestion + vbDefaultButton2) == vbYes;
}

} // namespace felcora
