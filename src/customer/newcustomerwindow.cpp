#include "customer/newcustomerwindow.h"

#include <QKeyEvent>

#include "controls/clcntrl.h"
#include "core/customerrules.h"
#include "core/customerstore.h"
#include "core/errortrap.h"
#include "core/registerrules.h"
#include "customer/customerform.h"
#include "felcora/cuit.h"
#include "ui/cuithint.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/msgbox.h"
#include "ui/textbox.h"
#include "ui/windows.h"
#include "ui_newcustomerwindow.h"

namespace felcora::customer {

namespace {

const QString kRegisterDateFormat = QStringLiteral("dd/MM/yyyy");

} // namespace

FrmNewCliente::FrmNewCliente()
    : ui(std::make_unique<Ui::FrmNewCliente>())
{
    // The temporary values are not typed here: their boxes stay disabled at "0".
    setUpForm(*ui, false);
    ui::attachCuitHint(ui->TxtCuit, ui->lbCuitAyuda);
    connect(ui->TxtCuit, &QLineEdit::textChanged, this, guarded(this, "TxtCuit_Change", [this] { cuitChanged(); }));
    // Only the user's own choice: the register's proposal is not one.
    connect(ui->cboIVAMARIA, &QComboBox::activated, this,
            guarded(this, "cboIVAMARIA_Click", [this] { m_vatChosen = true; }));
    connect(ui->cmdClientesPendientes, &QPushButton::clicked, this,
            guarded(this, "cmdClientesPendientes_Click", [this] { ControladorClientesPendientes(); }));
}

FrmNewCliente::~FrmNewCliente() = default;

void FrmNewCliente::load(const CustomerStore &store, NewCustomerOutcome *outcome, const RegisterLookup &lookUp)
{
    m_outcome.setTarget(outcome);
    m_lookUp = lookUp;
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
    // The CUIT last, so that the register's look-up finds the agent's name in
    // place, keeps it and tells whether the register names it otherwise.
    setWholeText(ui->TxtNombre, pending.picked.nombre);
    setWholeText(ui->TxtDomicilio, pending.picked.direccion);
    setWholeText(ui->txtCP, pending.picked.codigoPostal);
    setWholeText(ui->txtLocalidad, pending.picked.ciudad);
    if (ui->TxtCuit->text() == pending.picked.documentoNumero)
        cuitChanged(); // the same CUIT, another name: told again
    else
        setWholeText(ui->TxtCuit, pending.picked.documentoNumero);
}

void FrmNewCliente::cuitChanged()
{
    withdrawRegisterFill();
    ui->lbPadron->clear();
    const QString cuit = ui->TxtCuit->text();
    if (!m_lookUp || !isValidCuit(cuit))
        return;
    std::optional<taxregister::RegisterAnswer> answer;
    try {
        answer = m_lookUp(cuit);
    } catch (const std::exception &) {
        // Told in the status line alone: the user goes on typing the customer.
        ui->lbPadron->setText(QStringLiteral("Padrón no disponible: ") + currentError().description());
        return;
    }
    // A CUIT the register does not have leaves the status line empty: with
    // only the snapshot of the master's customers, a new CUIT is never there,
    // whatever the register says of it.
    if (answer)
        fillFromRegister(*answer);
}

void FrmNewCliente::withdrawRegisterFill()
{
    if (m_filledName && ui->TxtNombre->text() == *m_filledName)
        ui->TxtNombre->clear();
    m_filledName.reset();
    if (m_vatBeforeProposal && !m_vatChosen)
        ui->cboIVAMARIA->setCurrentIndex(*m_vatBeforeProposal);
    m_vatBeforeProposal.reset();
}

void FrmNewCliente::fillFromRegister(const taxregister::RegisterAnswer &answer)
{
    const RegisterRecord &record = answer.record;
    QStringList filled; // what the register filled in, joined with " y "
    QStringList notes;  // what it says otherwise, after them

    const QString typedName = ui->TxtNombre->text();
    if (typedName.isEmpty() && !record.name.isEmpty()) {
        ui->TxtNombre->setText(record.name);
        m_filledName = ui->TxtNombre->text();
        filled << QStringLiteral("nombre");
    } else if (!record.name.isEmpty() && !namesAgree(typedName, record.name)) {
        notes << QStringLiteral("el nombre en el padrón es \"%1\"").arg(record.name);
    }

    const int position
        = conditions::positionOf(conditions::kMaria, condivaFor(registerVat(record.vat, record.simplified)));
    if (position == conditions::kNone) {
        notes << QStringLiteral("la condición IVA del padrón (%1) no tiene equivalente en MARIA")
                     .arg(registerVatText(record));
    } else if (!m_vatChosen) {
        m_vatBeforeProposal = ui->cboIVAMARIA->currentIndex();
        ui->cboIVAMARIA->setCurrentIndex(position);
        filled << QStringLiteral("condición IVA (%1)").arg(ui->cboIVAMARIA->itemText(position));
    } else if (ui->cboIVAMARIA->currentIndex() != position) {
        notes << QStringLiteral("condición IVA en el padrón: %1").arg(ui->cboIVAMARIA->itemText(position));
    }

    QStringList said;
    if (!filled.isEmpty())
        said << filled.join(QStringLiteral(" y "));
    said << notes;
    ui->lbPadron->setText(
        QStringLiteral("Datos del padrón del %1: %2")
            .arg(answer.registerDate.toString(kRegisterDateFormat),
                 said.isEmpty() ? QStringLiteral("coinciden con lo ingresado") : said.join(QStringLiteral("; "))));
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
