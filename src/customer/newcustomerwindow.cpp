#include "customer/newcustomerwindow.h"

#include <QKeyEvent>

#include "controls/clcntrl.h"
#include "core/customerrules.h"
#include "core/customerstore.h"
#include "core/errortrap.h"
#include "customer/customerform.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/msgbox.h"
#include "ui/textbox.h"
#include "ui/windows.h"
#include "ui_newcustomerwindow.h"

namespace felcora::customer {

FrmNewCliente::FrmNewCliente()
    : ui(std::make_unique<Ui::FrmNewCliente>())
{
    // The temporary values are not typed here: their boxes stay disabled at "0".
    setUpForm(*ui, false);
    connect(ui->cmdClientesPendientes, &QPushButton::clicked, this,
            guarded(this, "cmdClientesPendientes_Click", [this] { ControladorClientesPendientes(); }));
}

FrmNewCliente::~FrmNewCliente() = default;

void FrmNewCliente::load(const CustomerStore &store, NewCustomerOutcome *outcome)
{
    m_outcome.setTarget(outcome);
    useStore(store, *ui);

    // The hidden gross-income box and the fee are not linked.
    for (QLineEdit *box :
         {ui->TxtCuit, ui->TxtContact, ui->TxtDomicilio, ui->TxtEmail, ui->TxtEximGan, ui->TxtIniactiv,
          ui->TxtIvaReduccion, ui->TxtNombre, ui->TxtTelefonos, ui->TxtIvaTemp, ui->TxtTemp, ui->txtCP,
          ui->txtLocalidad, ui->txtRegalias, ui->txtAjxVinc_4102, ui->txtIvaExcento, ui->txtLugarDepMerc})
        (new controls::ClCntrl(box))->sLinkText(box);

    fillConditionList(ui->cboIVAMARIA, mariaConditionTexts());
    ui->cboIVAMARIA->setCurrentIndex(0);
    fillConditionList(ui->cboIVAFACTU, invoicingConditionTexts(QStringLiteral("Excento")));
    ui->cboIVAFACTU->setCurrentIndex(0);
    installKeyPreview(this);
}

CustomerRecord FrmNewCliente::typed() const
{
    return typedIn(*ui);
}

void FrmNewCliente::lpGuardar()
{
    try {
        const CustomerRecord t = typed();
        for (const SaveObjection &objection : newCustomerSaveObjections(t, m_store.keepsFee())) {
            if (!goesOnAfter(*ui, objection))
                return;
        }

        // The host sees the typed customer from here on, whether it is stored or not.
        m_outcome->handedBack = NewCustomerTexts{t.nombre, t.cuit, t.domicilio, t.email};

        const CustomerInsert insert = m_store.insert(t);
        if (insert.cuitTaken) {
            MsgBox(QStringLiteral("El número de Cuit ") + t.cuit + QStringLiteral(" ya existe."), vbExclamation);
            return;
        }
        m_outcome->added = insert.rowsInserted > 0;
        if (m_outcome->added)
            unload();
    } catch (const std::exception &) {
        m_outcome->added = false;
        reportTrapped(currentError(), QStringLiteral("Sección [FELCORA.NEWCLI.lpGuardar]"));
    }
}

void FrmNewCliente::ControladorClientesPendientes()
{
    PendingImport &pending = m_store.pendingImport() ? *m_store.pendingImport() : m_pendingForThisOpening;
    showPendingCustomers(m_store, pending);
    if (!pending.seleccionado)
        return;
    // Taken whole: the save's checks see what the accounting database holds.
    setWholeText(ui->TxtCuit, pending.picked.documentoNumero);
    setWholeText(ui->TxtNombre, pending.picked.nombre);
    setWholeText(ui->TxtDomicilio, pending.picked.direccion);
    setWholeText(ui->txtCP, pending.picked.codigoPostal);
    setWholeText(ui->txtLocalidad, pending.picked.ciudad);
}

bool FrmNewCliente::editorKeyDown(QObject *watched, const QKeyEvent *key)
{
    if (watched == ui->TxtCuit && key->text().contains(kDash)) {
        MsgBox(QStringLiteral("No debe ingresar guiones ( - ) en el CUIT"), vbCritical);
        return true;
    }
    return moveOnWithEnterIn(*ui, watched, key);
}

void FrmNewCliente::leaveWithoutSaving()
{
    m_outcome->added = false;
    m_outcome->escaped = true;
    unload();
}

} // namespace felcora::customer
