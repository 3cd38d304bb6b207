#include "customer/benefittiewindow.h"

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

bool frmVentajas::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    return formKeyDown(static_cast<QKeyEvent *>(event));
}

void frmVentajas::keyPressEvent(QKeyEvent *event)
{
    if (!formKeyDown(event))
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
