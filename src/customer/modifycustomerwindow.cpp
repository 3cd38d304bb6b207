#include "customer/modifycustomerwindow.h"

#include <QKeyEvent>

#include "controls/clcntrl.h"
#include "core/customerrules.h"
#include "core/customerstore.h"
#include "core/errortrap.h"
#include "core/grossincomestore.h"
#include "customer/benefittiewindow.h"
#include "customer/customerform.h"
#include "grossincome/grossincome.h"
#include "ui/cuithint.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/msgbox.h"
#include "ui/textbox.h"
#include "ui/windows.h"
#include "ui_modifycustomerwindow.h"

namespace felcora::customer {

namespace {

const QString kWindow = QStringLiteral("FrmModCliente");

// The columns of the benefit list, and where an entry keeps its position as stored.
enum BenefitColumn { kBenefitColumn, kSubRegimeColumn, kPositionColumn };
constexpr int kStoredRole = Qt::UserRole;

} // namespace

FrmModCliente::FrmModCliente()
    : ui(std::make_unique<Ui::FrmModCliente>())
{
    setUpForm(*ui, true);
    ui::attachCuitHint(ui->TxtCuit, ui->lbCuitAyuda);
    connect(ui->cmdVentajasAdd, &QPushButton::clicked, this,
            guarded(this, "cmdVentajasAdd_Click", [this] { addBenefitTie(); }));
    connect(ui->cmdINGBRU, &QPushButton::clicked, this,
            guarded(this, "cmdINGBRU_Click", [this] { openGrossIncome(); }));
}

FrmModCliente::~FrmModCliente() = default;

void FrmModCliente::load(const CustomerStore &store, ModifyOutcome *outcome)
{
    m_outcome.setTarget(outcome);
    // The product itself keeps no fee: it has the gross-income window instead.
    ui->cmdINGBRU->setEnabled(!store.keepsFee());
    useStore(store, *ui);

    for (QLineEdit *box :
         {ui->TxtCuit, ui->TxtContact, ui->TxtDomicilio, ui->txtCP, ui->TxtEmail, ui->TxtEximGan, ui->TxtIniactiv,
          ui->TxtIvaReduccion, ui->TxtNombre, ui->TxtTelefonos, ui->TxtTemp, ui->TxtIvaTemp, ui->txtLocalidad,
          ui->txtRegalias, ui->txtAjxVinc_4102, ui->txtHonorario, ui->txtIvaExcento, ui->txtLugarDepMerc})
        (new controls::ClCntrl(box))->sLinkText(box);

    fillConditionList(ui->cboIVAMARIA, mariaConditionTexts());
    fillConditionList(ui->cboIVAFACTU, invoicingConditionTexts(QStringLiteral("Exento")));
    installKeyPreview(this);
}

void FrmModCliente::fill(const CustomerRecord &row)
{
    m_loaded = row;
    m_expected = row;
    // Every value is shown whole, whatever its box's limit for typing.
    setWholeText(ui->TxtCuit, row.cuit);
    setWholeText(ui->TxtNombre, row.nombre);
    setWholeText(ui->TxtDomicilio, row.domicilio);
    setWholeText(ui->txtLocalidad, row.localidad);
    setWholeText(ui->txtCP, row.codpost);
    setWholeText(ui->TxtEmail, row.email);
    setWholeText(ui->TxtTelefonos, row.telefonos);
    setWholeText(ui->TxtIniactiv, row.finitactiv);
    setWholeText(ui->TxtContact, row.contacto);
    setWholeText(ui->txtRegalias, row.regalias);
    setWholeText(ui->txtINGBRU, row.ingbru);
    ui->chkCVDI->setChecked(false);
    ui->chExecLAPI->setChecked(row.excepLapiaec == kYes);

    ui->cboIVAMARIA->setCurrentIndex(conditions::positionOf(conditions::kMaria, row.condiva));
    const int invoicing = conditions::positionOf(conditions::kInvoicing, row.condivafact);
    ui->cboIVAFACTU->setCurrentIndex(invoicing);
    if (invoicing == conditions::kExemptWithVat)
        setWholeText(ui->txtIvaExcento, row.ivaexento);

    // A frame's letter other than S or N leaves the frame as the window opened.
    if (row.eximgan == kYes || row.eximgan == kNo) {
        const bool yes = row.eximgan == kYes;
        m_eximGan->choose(yes);
        setWholeText(ui->TxtEximGan, yes ? row.eximganvalor : QStringLiteral("0"));
        setWholeText(ui->TxtTemp, yes ? row.eximganvalortemp : QStringLiteral("0"));
    }
    if (row.ivaareduccion == kYes || row.ivaareduccion == kNo) {
        const bool yes = row.ivaareduccion == kYes;
        m_reduction->choose(yes);
        setWholeText(ui->TxtIvaReduccion, yes ? row.ivaareduccionvalor : QStringLiteral("0"));
        setWholeText(ui->TxtIvaTemp, yes ? row.ivaareduccionvalortemp : QStringLiteral("0"));
    }
    setWholeText(ui->txtAjxVinc_4102, row.ajxVinc4102);
    setWholeText(ui->txtLugarDepMerc, row.lugarDepMerc);
    if (m_store.keepsFee())
        setWholeText(ui->txtHonorario, row.honorario);
}

void FrmModCliente::activate()
{
    if (m_listLoaded)
        return;
    CargarListaVentajasRel();
    m_listLoaded = true;
}

CustomerRecord FrmModCliente::typed() const
{
    return typedIn(*ui);
}

void FrmModCliente::lpGuardar()
{
    try {
        CustomerEdit edit{typed(), m_loaded, m_expected};
        const CustomerRecord &t = edit.typed;
        for (const SaveObjection &objection : modifySaveObjections(t, m_loaded.cuit, m_store.keepsFee())) {
            if (!goesOnAfter(*ui, objection))
                return;
        }

        // The host sees the edited customer from here on, whatever the statement does.
        m_outcome->published = CustomerPick::fromTexts(*m_store.context().format, t.nombre, t.cuit, t.domicilio,
                                                       t.email, t.regalias, t.ajxVinc4102);

        CustomerUpdate update = m_store.update(edit);
        // Another workstation's change is overwritten only when the user says so.
        while (!update.changedElsewhere.isEmpty()) {
            QStringList captions;
            for (const CustomerField field : update.changedElsewhere)
                captions << captionOf(field);
            if (!confirmedAgainstDefault(changedElsewhereQuestion(captions)))
                return;
            m_expected = edit.expected = update.current;
            update = m_store.update(edit);
        }
        if (update.cuitTaken) {
            MsgBox(QStringLiteral("El número de Cuit ") + t.cuit + QStringLiteral(" ya existe."), vbExclamation);
            return;
        }
        if (update.rowsUpdated <= 0) {
            MsgBox(QStringLiteral("No se actualizaron registros"), vbCritical);
            return;
        }
        m_outcome->saved = true;
        m_listLoaded = false;
        unload();
    } catch (const std::exception &) {
        reportTrapped(currentError(), QStringLiteral("Seccion FELCORAXDLL.FRMMODCLIENTE.lpGuardar"));
    }
}

void FrmModCliente::CargarListaVentajasRel()
{
    ui->lstVentajas->clear();
    const BenefitTieList list = m_store.loadBenefitTies(tag());
    // The position is shown trimmed; its entry keeps it as stored, which the deletion names.
    for (const BenefitTie &tie : list.ties) {
        auto *entry = new QTreeWidgetItem(ui->lstVentajas, {tie.ventaja, tie.subRegimen, tie.ncm.trimmed()});
        entry->setData(kPositionColumn, kStoredRole, tie.ncm);
    }
    if (ui->lstVentajas->topLevelItemCount() > 0)
        ui->lstVentajas->setCurrentItem(ui->lstVentajas->topLevelItem(0));
    if (list.failure)
        reportInSection(*list.failure, "CargarListaVentajasRel", kWindow);
}

void FrmModCliente::EliminarItemVentajasRel()
{
    try {
        QTreeWidgetItem *item = ui->lstVentajas->currentItem();
        if (!item)
            return;
        const BenefitTie tie{item->text(kBenefitColumn), item->text(kSubRegimeColumn),
                             item->data(kPositionColumn, kStoredRole).toString()};
        if (MsgBox(QStringLiteral("Confirma eliminar la relación Ventaja ") + tie.ventaja
                       + QStringLiteral(" - SubRegimen ") + tie.subRegimen + QStringLiteral(" - NCM ")
                       + item->text(kPositionColumn),
                   vbYesNo + vbQuestion)
            != vbYes)
            return;
        if (m_store.deleteBenefitTie(tie, tag()) > 0)
            delete item;
    } catch (const std::exception &) {
        reportInSection(currentError(), "EliminarItemVentajasRel", kWindow);
    }
}

bool FrmModCliente::editorKeyDown(QObject *watched, const QKeyEvent *key)
{
    if (key->key() == Qt::Key_Delete) {
        if (watched != ui->lstVentajas)
            return false;
        EliminarItemVentajasRel();
        return true;
    }
    return moveOnWithEnterIn(*ui, watched, key);
}

void FrmModCliente::leaveWithoutSaving()
{
    m_outcome->saved = false;
    m_outcome->escaped = true;
    m_listLoaded = false;
    unload();
}

void FrmModCliente::addBenefitTie()
{
    showBenefitTieWindow(m_store, tag());
    CargarListaVentajasRel();
}

// The gross-income window writes the rate itself: the hidden box takes it
// back, so that this window's save keeps it and does not take it for another
// workstation's change.
void FrmModCliente::openGrossIncome()
{
    GrossIncomeStore grossIncome(m_store.context());
    grossincome::showGrossIncome(grossIncome, tag(), this);
    if (const auto rate = grossIncome.loadRate(tag())) {
        setWholeText(ui->txtINGBRU, *rate);
        m_loaded.ingbru = m_expected.ingbru = *rate;
    }
}

} // namespace felcora::customer
