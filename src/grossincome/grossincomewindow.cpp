#include "grossincome/grossincomewindow.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "controls/clcntrl.h"
#include "core/customerrules.h"
#include "core/errortrap.h"
#include "grossincome/distributionmodel.h"
#include "grossincome/windowstyle.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/msgbox.h"
#include "ui/textbox.h"
#include "ui/twips.h"
#include "ui_grossincomewindow.h"

namespace felcora::grossincome {

namespace {

constexpr int kColumnTwips[kColumnCount] = {600, 2650, 1000, 750};

// The colour of the total line for each shade of the total.
QString totalColour(TotalShade shade)
{
    switch (shade) {
    case TotalShade::Empty: return QStringLiteral("color: rgb(224, 224, 224);");
    case TotalShade::Partial: return QStringLiteral("color: rgb(128, 128, 128);");
    case TotalShade::Exact: return QStringLiteral("color: rgb(0, 64, 0);");
    case TotalShade::Over: break;
    }
    return QStringLiteral("color: rgb(255, 0, 0);");
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

FrmIngresosBrutos::FrmIngresosBrutos()
    : ui(std::make_unique<Ui::FrmIngresosBrutos>())
    , m_model(new DistributionModel(this))
{
    ui->setupUi(this);
    applyWindowStyle(this);

    ui->lstConceptos->setModel(m_model);
    for (int column = 0; column < kColumnCount; ++column)
        ui->lstConceptos->header()->resizeSection(column, twipsToPixelsX(kColumnTwips[column], this));

    // Creation: the conditions, "Inscripto" chosen, and the number's linked box.
    ui->cboExento->addItems({QStringLiteral("Inscripto"), QStringLiteral("No Inscripto"), QStringLiteral("Exento")});
    ui->cboExento->setCurrentIndex(kInscripto);
    connect(ui->cboExento, &QComboBox::currentIndexChanged, this,
            guarded(this, "cboExento_Click", [this](int position) { lpBloquear(qint16(position)); }));
    (new controls::ClCntrl(ui->TxtNumIns))->sLinkText(ui->TxtNumIns);
    installKeyPreview(this);
}

FrmIngresosBrutos::~FrmIngresosBrutos() = default;

void FrmIngresosBrutos::load(const GrossIncomeStore &store, const QString &cuit)
{
    m_store = store;
    m_tag = cuit;
}

void FrmIngresosBrutos::activate()
{
    if (m_loaded)
        return;
    // After a line was saved the condition, box and number keep what the user changed.
    if (!m_lineSaved)
        CargarDatos();
    CargarDIB();
    m_loaded = true;
}

void FrmIngresosBrutos::CargarDatos()
{
    try {
        const auto stored = m_store.load(m_tag);
        if (!stored)
            return;
        m_expected = stored;
        if (stored->condition < 0 || stored->condition >= ui->cboExento->count())
            throw Error(errnum::kInvalidPropertyValue, QStringLiteral("FrmIngresosBrutos"),
                        QStringLiteral("El valor de la propiedad no es válido"));
        ui->cboExento->setCurrentIndex(stored->condition);
        ui->chkInsCon->setChecked(stored->convenio);
        // A longer number stored by other means is kept whole: it is written back on leaving.
        setWholeText(ui->TxtNumIns, stored->inscription);
        lpBloquear(qint16(ui->cboExento->currentIndex()));
    } catch (const std::exception &) {
        reportWithSection(currentError(), QStringLiteral(" - seccion [felcora.frmingresosbrutos.cargardatos]"),
                          vbCritical);
    }
}

void FrmIngresosBrutos::CargarDIB()
{
    // The list stays hidden while it is filled, and after a failure until a loading completes.
    ui->lstConceptos->hide();
    const QString selected = selectedJurisdiction();
    m_model->setLines({});
    try {
        const QList<DistributionLine> lines = m_store.loadLines(m_tag);
        QList<ShownLine> shown;
        shown.reserve(lines.size());
        for (const DistributionLine &line : lines)
            shown.append({line, f_Provincia(line.jurisdiction)});
        m_model->setLines(shown);
        showTotal(distributionTotal(lines));
    } catch (const std::exception &) {
        reportWithSection(currentError(), QStringLiteral(" seccion [felcora.frmingresosbrutos.cargardib]"), vbCritical);
        return;
    }
    ui->lstConceptos->show();
    // The line that was selected stays so; otherwise the first one is.
    int row = 0;
    for (int k = 0; k < m_model->rowCount(); ++k) {
        if (m_model->line(k).line.jurisdiction == selected)
            row = k;
    }
    if (m_model->rowCount() > 0)
        ui->lstConceptos->setCurrentIndex(m_model->index(row, 0));
}

QString FrmIngresosBrutos::f_Provincia(const QString &p_Nro)
{
    // The names are read once per opening: one query, not one per line.
    if (!m_names) {
        m_names.emplace();
        try {
            // Compared trimmed: a server's fixed-width column pads the numbers.
            for (const Jurisdiction &j : m_store.loadJurisdictions())
                m_names->insert(j.number.trimmed(), j.name);
        } catch (const std::exception &) {
            reportWithSection(currentError(), QStringLiteral(" - seccion [felcora.frmingresosbrutos.f_provincia]"),
                              vbCritical);
        }
    }
    return m_names->value(p_Nro.trimmed());
}

void FrmIngresosBrutos::lpBloquear(qint16 p_Valor)
{
    const bool notInscribed = p_Valor == kNoInscripto;
    ui->chkInsCon->setEnabled(!notInscribed);
    ui->TxtNumIns->setEnabled(!notInscribed);
    ui->lstConceptos->setEnabled(p_Valor == kInscripto);
}

void FrmIngresosBrutos::lpNuevo()
{
    m_loaded = false;
    m_lineSaved = showJurisdictionLine(m_store, m_tag, QString());
    activate();
}

void FrmIngresosBrutos::lpModificar()
{
    if (!listHasLines())
        return;
    if (showJurisdictionLine(m_store, m_tag, selectedJurisdiction()))
        CargarDIB();
}

void FrmIngresosBrutos::lpEliminar()
{
    try {
        if (!listHasLines())
            return;
        const QString jurisdiction = selectedJurisdiction();
        if (MsgBox(QStringLiteral("Confirma eliminar el concepto ") + jurisdiction + QStringLiteral(" ?"),
                   vbYesNo + vbQuestion)
            != vbYes)
            return;
        if (m_store.deleteLine(m_tag, jurisdiction) == 0) {
            MsgBox(QStringLiteral("No se elimino ningun registro."), vbExclamation);
            return;
        }
        CargarDIB();
    } catch (const std::exception &) {
        reportWithSection(currentError(), QStringLiteral(" - seccion [felcora.frmingresosbrutos.eliminar]"),
                          vbCritical);
    }
}

void FrmIngresosBrutos::SaliryGuardar()
{
    try {
        if (saveAndLeave())
            leave();
    } catch (const std::exception &) {
        reportWithSection(currentError(), QStringLiteral(" - seccion [felcora.frmingresosbrutos.saliryguardar]"),
                          vbCritical);
        if (MsgBox(QStringLiteral("Ocurrio un error al querer guardar la información, desea continuar?"),
                   vbYesNo + vbQuestion)
            == vbYes)
            leave();
    }
}

// The checks and the customer's columns written; false when the window stays open.
bool FrmIngresosBrutos::saveAndLeave()
{
    if (ui->chkInsCon->isChecked() && ui->TxtNumIns->text().trimmed().isEmpty()) {
        MsgBox(QStringLiteral("Debe ingresar el Número de Inscripción"), vbExclamation);
        return false;
    }
    if (hasUnstorableCharacter(ui->TxtNumIns->text())) {
        MsgBox(unstorableCharacterText(QStringLiteral("Número e Inscripción")), vbExclamation);
        return false;
    }
    ui->TxtNumIns->setText(inscriptionText(ui->TxtNumIns->text()));

    const std::optional<double> sum = m_store.distributionSum(m_tag);
    if (!sum) {
        MsgBox(QStringLiteral("Error en obtener suma general"), vbExclamation);
        return false;
    }
    const int condition = ui->cboExento->currentIndex();
    if (condition == kInscripto && !sumIsOne(*sum) && MsgBox(sumQuestion(*sum), vbYesNo + vbQuestion) != vbYes)
        return false;

    const GrossIncomeData entered{condition, ui->chkInsCon->isChecked(), ui->TxtNumIns->text()};
    GrossIncomeSave save = m_store.save(m_tag, entered, m_expected);
    // Another workstation's change is overwritten only when the user says so.
    while (!save.changedElsewhere.isEmpty()) {
        if (!confirmedAgainstDefault(changedElsewhereQuestion(save.changedElsewhere)))
            return false;
        m_expected = save.current;
        save = m_store.save(m_tag, entered, m_expected);
    }
    // With the customer gone there is nothing left to store: the window closes all the same.
    if (save.customerGone)
        MsgBox(customerGoneText(m_tag), vbExclamation);
    return true;
}

void FrmIngresosBrutos::leave()
{
    m_loaded = false;
    unload();
}

bool FrmIngresosBrutos::formKeyDown(QObject *watched, const QKeyEvent *key)
{
    const bool inList = watched == ui->lstConceptos;
    if (key->key() == Qt::Key_Insert) {
        if (ui->lstConceptos->isEnabled())
            lpNuevo();
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        SaliryGuardar();
        return true;
    }
    if (inList && isEnter(key->key()) && listHasLines()) {
        lpModificar();
        return true;
    }
    if (inList && key->key() == Qt::Key_Delete && listHasLines()) {
        lpEliminar();
        return true;
    }
    return false;
}

bool FrmIngresosBrutos::listHasLines() const
{
    return m_model->rowCount() > 0;
}

// The selected line's jurisdiction; the first line's when none is selected.
QString FrmIngresosBrutos::selectedJurisdiction() const
{
    if (!listHasLines())
        return {};
    const QModelIndex current = ui->lstConceptos->currentIndex();
    return m_model->line(current.isValid() ? current.row() : 0).line.jurisdiction;
}

void FrmIngresosBrutos::showTotal(double total)
{
    ui->lbTotal->setStyleSheet(totalColour(totalShade(total)));
    ui->lbTotal->setText(QStringLiteral("Total cargado: ") + shareText(total));
}

} // namespace felcora::grossincome
