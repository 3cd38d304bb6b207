#include "grossincome/jurisdictionlinewindow.h"

#include <QKeyEvent>

#include "controls/clcntrl.h"
#include "core/customerrules.h"
#include "core/errortrap.h"
#include "felcora/numerictext.h"
#include "grossincome/windowstyle.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/msgbox.h"
#include "ui_jurisdictionlinewindow.h"

namespace felcora::grossincome {

namespace {

// Where a jurisdiction's item keeps its number.
constexpr int kNumberRole = Qt::UserRole;

// The steps of f_Agregar, as its failure report numbers them.
namespace step {
constexpr int kChoice = 1;
constexpr int kShare = 2;
constexpr int kDuplicate = 3;
constexpr int kInsert = 4;
} // namespace step

const QString kNotNumeric = QStringLiteral("debe ingresar un valor numerico");

QString duplicateText(const QString &jurisdiction)
{
    return QStringLiteral("La jurisdicción ") + jurisdiction + QStringLiteral(" ya existe.");
}

} // namespace

frmAMBIB::frmAMBIB()
    : ui(std::make_unique<Ui::frmAMBIB>())
    , m_saved(&m_unused)
{
    ui->setupUi(this);
    applyWindowStyle(this);
    (new controls::ClCntrl(ui->txtValor))->sLinkText(ui->txtValor);
    installKeyPreview(this);
}

frmAMBIB::~frmAMBIB() = default;

void frmAMBIB::load(const GrossIncomeStore &store, const QString &cuit, const QString &tag, bool *saved)
{
    m_store = store;
    m_cuit = cuit;
    m_tag = tag;
    m_saved = saved;
}

void frmAMBIB::activate()
{
    if (m_loaded)
        return;
    m_loaded = true;
    lp_CargarNuevo();
    if (!m_tag.isEmpty())
        lp_CargarExistente();
}

void frmAMBIB::lp_CargarNuevo()
{
    try {
        for (const Jurisdiction &j : m_store.loadJurisdictions()) {
            const QString number = j.number.trimmed();
            ui->cboProvincia->addItem(number + QStringLiteral(" - ") + j.name.trimmed(), number);
        }
        if (ui->cboProvincia->count() > 0)
            ui->cboProvincia->setCurrentIndex(0);
        ui->cboProvincia->setFocus();
    } catch (const std::exception &) {
        reportWithSection(currentError(), QStringLiteral(" - seccion [felcora.frmAMBIB.lp_CargarNuevo]"), vbCritical);
    }
}

void frmAMBIB::lp_CargarExistente()
{
    try {
        const auto line = m_store.loadLine(m_cuit, m_tag);
        if (!line)
            throw Error(errnum::kLineNotFound, QString(), QStringLiteral("No se encontro el concepto a modificar"));
        const int position = ui->cboProvincia->findData(m_tag, kNumberRole, Qt::MatchExactly);
        if (position < 0)
            return;
        ui->cboProvincia->setCurrentIndex(position);
        ui->txtValor->setText(shareText(line->share));
        ui->chkExento->setChecked(line->exempt);
    } catch (const std::exception &) {
        reportWithSection(currentError(), QStringLiteral("seccion [felcora.frmAMBIB.lp_CargarExistente]"), vbCritical);
    }
}

bool frmAMBIB::f_Agregar()
{
    bool added = false;
    int line = step::kChoice;
    try {
        const QString jurisdiction = chosenJurisdiction();
        if (jurisdiction.isEmpty())
            return false;
        line = step::kShare;
        if (!shareIsNumeric()) {
            MsgBox(kNotNumeric, vbExclamation);
            return false;
        }
        line = step::kDuplicate;
        if (m_store.lineExists(m_cuit, jurisdiction)) {
            MsgBox(duplicateText(jurisdiction), vbCritical);
            return false;
        }
        line = step::kInsert;
        const LineAddition addition
            = m_store.addLine(m_cuit, jurisdiction, ui->txtValor->text(), ui->chkExento->isChecked());
        if (addition.customerGone) {
            MsgBox(customerGoneText(m_cuit), vbExclamation);
            return false;
        }
        added = addition.rowsInserted > 0;
        *m_saved = added;
        return added;
    } catch (const std::exception &) {
        const Error e = currentError();
        reportWithSection(
            e, QStringLiteral(" - seccion[FELCORA.frmAMBIB.f_Agregar Linea %1 ]::").arg(line) + e.source(), vbOKOnly);
        return false;
    }
}

bool frmAMBIB::f_Modificar()
{
    try {
        const QString jurisdiction = chosenJurisdiction();
        if (jurisdiction.isEmpty())
            return false;
        if (!shareIsNumeric()) {
            MsgBox(kNotNumeric, vbExclamation);
            return false;
        }
        // Moving the line onto a jurisdiction the customer has already would make two lines of one.
        if (jurisdiction != m_tag && m_store.lineExists(m_cuit, jurisdiction)) {
            MsgBox(duplicateText(jurisdiction), vbCritical);
            return false;
        }
        const bool changed
            = m_store.updateLine(m_cuit, m_tag, jurisdiction, ui->txtValor->text(), ui->chkExento->isChecked()) > 0;
        *m_saved = changed;
        return changed;
    } catch (const std::exception &) {
        reportWithSection(currentError(), QStringLiteral(" - seccion [felcora.frmAMBIB.f_Modificar]"), vbCritical);
        return false;
    }
}

bool frmAMBIB::formKeyDown(QObject *, const QKeyEvent *key)
{
    if (key->key() == Qt::Key_F11) {
        if (m_tag.isEmpty() ? f_Agregar() : f_Modificar()) {
            m_loaded = false;
            unload();
        }
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        m_loaded = false;
        unload();
        return true;
    }
    return false;
}

QString frmAMBIB::chosenJurisdiction() const
{
    return ui->cboProvincia->currentIndex() < 0 ? QString() : ui->cboProvincia->currentData(kNumberRole).toString();
}

bool frmAMBIB::shareIsNumeric() const
{
    return NumericText::isNumeric(ui->txtValor->text());
}

} // namespace felcora::grossincome
