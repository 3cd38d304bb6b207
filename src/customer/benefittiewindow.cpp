#include "customer/benefittiewindow.h"

#include <QApplication>
#include <QKeyEvent>

#include "controls/clcntrl.h"
#include "core/customerrules.h"
#include "core/customerstore.h"
#include "core/errortrap.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/msgbox.h"
#include "ui/windows.h"
#include "ui_benefittiewindow.h"

namespace felcora::customer {

namespace {

const QString kWindow = QStringLiteral("frmVentajas");

bool isEnter(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// Shift, Ctrl and Alt as held with the key; the keypad flag is no modifier the user chose.
Qt::KeyboardModifiers heldModifiers(const QKeyEvent *key)
{
    return key->modifiers() & ~Qt::KeypadModifier;
}

// F4 alone or Alt+Down (on the keypad too) drops a combo box's list; here they open a box's picker.
// Alt+F4 stays the window manager's.
bool opensPicker(const QKeyEvent *key)
{
    const Qt::KeyboardModifiers modifiers = heldModifiers(key);
    return (key->key() == Qt::Key_F4 && modifiers == Qt::NoModifier)
        || (key->key() == Qt::Key_Down && modifiers == Qt::AltModifier);
}

} // namespace

frmVentajas::frmVentajas()
    : ui(std::make_unique<Ui::frmVentajas>())
{
    ui->setupUi(this);
    for (QLineEdit *box : {ui->txtIdSubRegimen, ui->txtIdVentaja, ui->txtNCM})
        (new controls::ClCntrl(box))->sLinkText(box);
    connect(ui->cmdVentaja, &QPushButton::clicked, this,
            [this] { pick(ui->txtIdVentaja, &CustomerStore::pickVentaja, "cmdVentaja_Click"); });
    connect(ui->cmdSubReg, &QPushButton::clicked, this,
            [this] { pick(ui->txtIdSubRegimen, &CustomerStore::pickSubRegimen, "cmdSubReg_Click"); });
    installKeyPreview(this);
}

frmVentajas::~frmVentajas() = default;

void frmVentajas::load(const CustomerStore &store, const QString &cuit)
{
    m_store = store;
    m_tag = cuit;
}

void frmVentajas::GrabarRelVentaja()
{
    if (ui->txtIdVentaja->text().isEmpty()) {
        MsgBox(QStringLiteral("Falta seleccionar una ventaja."), vbExclamation);
        return;
    }
    for (const auto &[box, caption] : {std::pair{ui->txtIdVentaja, "Ventaja"},
                                       std::pair{ui->txtIdSubRegimen, "SubRegimen"}, std::pair{ui->txtNCM, "NCM"}}) {
        if (hasUnstorableCharacter(box->text())) {
            MsgBox(unstorableCharacterText(QLatin1String(caption)), vbExclamation);
            box->setFocus();
            return;
        }
    }
    try {
        const BenefitTie tie{ui->txtIdVentaja->text(), ui->txtIdSubRegimen->text(), ui->txtNCM->text()};
        const TieAddition added = m_store.addBenefitTie(tie, m_tag);
        if (added.customerGone)
            MsgBox(customerGoneText(m_tag), vbExclamation);
        else if (added.duplicate)
            MsgBox(QStringLiteral("La ventaja ya está asociada a este cliente."), vbExclamation);
        else if (added.rowsInserted > 0)
            unload();
    } catch (const std::exception &) {
        const Error e = currentError();
        throw Error(errnum::kGrabarRelVentaja, QStringLiteral("FELCORA.frmVentajas.GrabarRelVentaja::") + e.source(),
                    e.description());
    }
}

// A picker's answer replaces the box's text; no answer leaves it.
void frmVentajas::pick(QLineEdit *box, QString (CustomerStore::*picker)() const, const char *routine)
{
    try {
        const QString picked = (m_store.*picker)();
        if (!picked.isEmpty())
            box->setText(picked);
    } catch (const std::exception &) {
        reportInSection(currentError(), routine, kWindow);
    }
}

bool frmVentajas::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    bool used = false;
    guardHandler(kWindow, "Form_KeyDown", [&] { used = formKeyDown(key); });
    if (used)
        return true;
    guardHandler(kWindow, "Control_KeyDown", [&] { used = controlKeyDown(watched, key); });
    return used;
}

void frmVentajas::keyPressEvent(QKeyEvent *event)
{
    bool used = false;
    guardHandler(kWindow, "Form_KeyDown", [&] { used = formKeyDown(event); });
    if (!used)
        event->ignore();
}

bool frmVentajas::formKeyDown(const QKeyEvent *key)
{
    if (key->key() == Qt::Key_Escape) {
        unload();
        return true;
    }
    if (key->key() != Qt::Key_F11)
        return false;
    try {
        GrabarRelVentaja();
    } catch (const Error &e) {
        reportInSection(e, "Form_KeyDown", kWindow);
    } catch (const std::exception &) {
        reportCurrentFailure(kWindow, "Form_KeyDown");
    }
    return true;
}

// The keys of a box with a picker and of its button; answers whether the key is used up.
bool frmVentajas::controlKeyDown(QObject *watched, const QKeyEvent *key)
{
    // The button's own click, so the picker and its answer are handled in one place.
    if (QPushButton *button = pickerOf(watched); button && opensPicker(key)) {
        button->click();
        return true;
    }
    // A focused push button takes Space by itself; Enter, which it would leave
    // to the window, clicks it as well.
    if (auto *button = qobject_cast<QPushButton *>(watched); button && isPicker(button) && isEnter(key)) {
        button->click();
        return true;
    }
    // Enter and the arrows walk the boxes (the boxes' own control would stop
    // at a button on Tab's way); Enter and Down forward, Up back. With Shift,
    // Ctrl or Alt held they walk nowhere, and are used up here so that the
    // boxes' control does not walk either (Alt+Down opened a picker above).
    const bool box = qobject_cast<const QLineEdit *>(watched) != nullptr;
    if ((box && isEnter(key))
        || ((box || isPicker(watched)) && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up))) {
        if (heldModifiers(key) == Qt::NoModifier)
            moveBetweenBoxes(key->key() != Qt::Key_Up);
        return true;
    }
    return false;
}

QPushButton *frmVentajas::pickerOf(const QObject *box) const
{
    if (box == ui->txtIdVentaja)
        return ui->cmdVentaja;
    if (box == ui->txtIdSubRegimen)
        return ui->cmdSubReg;
    return nullptr;
}

bool frmVentajas::isPicker(const QObject *control) const
{
    return control == ui->cmdVentaja || control == ui->cmdSubReg;
}

// Moves the focus along the Tab order to the next (or previous) control that
// is not a picker button; it stays where it was when there is none.
void frmVentajas::moveBetweenBoxes(bool forward)
{
    const QWidget *from = QApplication::focusWidget();
    bool moved = focusNextPrevChild(forward);
    while (moved && isPicker(QApplication::focusWidget()) && QApplication::focusWidget() != from)
        moved = focusNextPrevChild(forward);
}

void frmVentajas::unload()
{
    QWidget *self = this;
    DescargarFormulario(self);
}

void showBenefitTieWindow(const CustomerStore &store, const QString &cuit)
{
    const LoadedWindow<frmVentajas> window(kWindow);
    window->load(store, cuit);
    window->exec();
}

} // namespace felcora::customer
