#include "customer/modifycustomerwindow.h"

#include <QKeyEvent>

#include "controls/clcntrl.h"
#include "core/benefitties.h"
#include "core/customerrules.h"
#include "core/customerstore.h"
#include "core/errortrap.h"
#include "core/grossincomestore.h"
#include "customer/benefittiewindow.h"
#include "customer/customerform.h"
#include "grossincome/grossincome.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/msgbox.h"
#include "ui/pointer.h"
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
    , m_outcome(&m_unused)
{
    ui->setupUi(this);
    m_eximGan = new OptionFrame(ui->EXIMGANS, ui->EXIMGANN, ui->TxtEximGan, ui->TxtTemp);
    m_reduction = new OptionFrame(ui->OpIVAREDS, ui->OpIVAREDN, ui->TxtIvaReduccion, ui->TxtIvaTemp);
    new StartDateBox(ui->TxtIniactiv);

    connect(ui->cboIVAFACTU, &QComboBox::currentIndexChanged, this,
            guarded(this, "cboIVAFACTU_Click", [this] {
                showExemptValue(ui->cboIVAFACTU, ui->lbIvaExento, ui->txtIvaExcento);
            }));
    connect(ui->cmdVentajasAdd, &QPushButton::clicked, this,
            guarded(this, "cmdVentajasAdd_Click", [this] { addBenefitTie(); }));
    connect(ui->cmdINGBRU, &QPushButton::clicked, this, guarded(this, "cmdINGBRU_Click", [this] { openGrossIncome(); }));
}

FrmModCliente::~FrmModCliente() = default;

void FrmModCliente::load(const EditorSession &session, ModifyOutcome *outcome)
{
    m_session = session;
    m_outcome = outcome;

    ui->cmdINGBRU->setEnabled(session.origenTarvis);
    ui->lbHonorario->setVisible(!session.origenTarvis);
    ui->txtHonorario->setVisible(!session.origenTarvis);

    for (QLineEdit *box : {ui->TxtCuit, ui->TxtContact, ui->TxtDomicilio, ui->txtCP, ui->TxtEmail, ui->TxtEximGan,
                           ui->TxtIniactiv, ui->TxtIvaReduccion, ui->TxtNombre, ui->TxtTelefonos, ui->TxtTemp,
                           ui->TxtIvaTemp, ui->txtLocalidad, ui->txtRegalias, ui->txtAjxVinc_4102, ui->txtHonorario,
                           ui->txtIvaExcento, ui->txtLugarDepMerc})
        (new controls::ClCntrl(box))->sLinkText(box);

    fillConditionList(ui->cboIVAMARIA, mariaConditionTexts());
    fillConditionList(ui->cboIVAFACTU, invoicingConditionTexts(QStringLiteral("Exento")));
    installKeyPreview(this);
}

void FrmModCliente::fill(const CustomerRecord &row)
{
    m_tag = row.cuit;
    ui->TxtCuit->setText(row.cuit);
    ui->TxtNombre->setText(row.nombre);
    ui->TxtDomicilio->setText(row.domicilio);
    ui->txtLocalidad->setText(row.localidad);
    ui->txtCP->setText(row.codpost);
    ui->TxtEmail->setText(row.email);
    ui->TxtTelefonos->setText(row.telefonos);
    ui->TxtIniactiv->setText(row.finitactiv);
    ui->TxtContact->setText(row.contacto);
    ui->txtRegalias->setText(row.regalias);
    ui->txtINGBRU->setText(row.ingbru);
    ui->chkCVDI->setChecked(false);
    ui->chExecLAPI->setChecked(row.excepLapiaec == kYes);

    ui->cboIVAMARIA->setCurrentIndex(conditions::positionOf(conditions::kMaria, row.condiva));
    const int invoicing = conditions::positionOf(conditions::kInvoicing, row.condivafact);
    ui->cboIVAFACTU->setCurrentIndex(invoicing);
    if (invoicing == conditions::kExemptWithVat)
        ui->txtIvaExcento->setText(row.ivaexento);

    // A frame's letter other than S or N leaves the frame as the window opened.
    if (row.eximgan == kYes || row.eximgan == kNo) {
        const bool yes = row.eximgan == kYes;
        m_eximGan->choose(yes);
        ui->TxtEximGan->setText(yes ? row.eximganvalor : QStringLiteral("0"));
        ui->TxtTemp->setText(yes ? row.eximganvalortemp : QStringLiteral("0"));
    }
    if (row.ivaareduccion == kYes || row.ivaareduccion == kNo) {
        const bool yes = row.ivaareduccion == kYes;
        m_reduction->choose(yes);
        ui->TxtIvaReduccion->setText(yes ? row.ivaareduccionvalor : QStringLiteral("0"));
        ui->TxtIvaTemp->setText(yes ? row.ivaareduccionvalortemp : QStringLiteral("0"));
    }
    ui->txtAjxVinc_4102->setText(row.ajxVinc4102);
    ui->txtLugarDepMerc->setText(row.lugarDepMerc);
    if (!m_session.origenTarvis)
        ui->txtHonorario->setText(row.honorario);
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
    return typedCustomer(*ui, *m_eximGan, *m_reduction);
}

void FrmModCliente::lpGuardar()
{
    try {
        const CustomerRecord t = typed();
        for (const SaveObjection &objection : modifySaveObjections(t)) {
            switch (objection.kind) {
            case SaveObjection::Silent:
                return;
            case SaveObjection::Question:
                if (MsgBox(objection.text, vbYesNo + vbExclamation) == vbYes)
                    continue;
                showArrowPointer();
                return;
            case SaveObjection::Refusal:
                MsgBox(objection.text, vbExclamation);
                if (objection.focus == SaveObjection::EximGanValue)
                    ui->TxtEximGan->setFocus();
                else if (objection.focus == SaveObjection::ReductionValue)
                    ui->TxtIvaReduccion->setFocus();
                return;
            }
        }

        // The host sees the edited customer from here on, whatever the statement does.
        m_outcome->published = CustomerPick::fromTexts(*m_session.format, t.nombre, t.cuit, t.domicilio, t.email,
                                                       t.regalias, t.ajxVinc4102);

        const CustomerUpdate update =
            updateCustomer(*m_session.broker, m_session.transactions, t, m_tag, !m_session.origenTarvis);
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
    const BenefitTieList list = loadBenefitTies(*m_session.broker, ui->TxtCuit->text());
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
        if (deleteBenefitTie(*m_session.broker, tie, m_tag) > 0)
            delete item;
    } catch (const std::exception &) {
        reportInSection(currentError(), "EliminarItemVentajasRel", kWindow);
    }
}

bool FrmModCliente::formKeyDown(QObject *watched, const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_F11:
        lpGuardar();
        return true;
    case Qt::Key_Escape:
        leaveWithoutSaving();
        return true;
    case Qt::Key_Delete:
        if (watched != ui->lstVentajas)
            return false;
        EliminarItemVentajasRel();
        return true;
    default:
        break;
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
    showBenefitTieWindow(m_session, ui->TxtCuit->text());
    CargarListaVentajasRel();
}

// The gross-income window writes the rate itself: the hidden box takes it
// back, so that this window's save keeps it.
void FrmModCliente::openGrossIncome()
{
    const QString cuit = ui->TxtCuit->text();
    grossincome::showGrossIncome({m_session.broker, m_session.format}, cuit, this);
    if (const auto rate = loadGrossIncomeRate(*m_session.broker, *m_session.format, cuit))
        ui->txtINGBRU->setText(*rate);
}

} // namespace felcora::customer
