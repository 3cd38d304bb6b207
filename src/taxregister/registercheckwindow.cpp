#include "taxregister/registercheckwindow.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <algorithm>
#include <array>

#include "browser/customerlist.h"
#include "browser/listexport.h"
#include "taxregister/checkmodel.h"
#include "taxregister/checkprint.h"
#include "taxregister/importprogress.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/twips.h"
#include "ui/windows.h"
#include "ui_registercheckwindow.h"

namespace felcora::taxregister {

namespace {

// The filter's choices, in the order of the list: the kinds of finding each shows.
struct FilterChoice
{
    const char *text;
    unsigned kinds;
};
constexpr std::array kFilters{
    FilterChoice{"Todas las observaciones", kAllFindings},
    FilterChoice{"No figura en el padrón", kNotRegistered},
    FilterChoice{"IVA distinto", kVatDiffers},
    FilterChoice{"Nombre distinto", kNameDiffers},
    FilterChoice{"CUIT inválido", kBadCheckDigit},
};

// The columns' widths, in the order of CheckColumn.
constexpr int kColumnTwips[] = {2800, 1250, 2900, 2000, 1500, 2800};

constexpr int kStatusMessageMilliseconds = 6000;
const QString kDateFormat = QStringLiteral("dd/MM/yyyy");

QString snapshotText(const SnapshotInfo &info)
{
    return QStringLiteral("Padrón del %1 (archivo %2, %L3 líneas, %L4 dañadas)")
        .arg(info.registerDate.toString(kDateFormat), info.fileName)
        .arg(info.lines)
        .arg(info.damaged);
}

QString customersText(qint64 count)
{
    return count == 1 ? QStringLiteral("1 cliente") : QStringLiteral("%L1 clientes").arg(count);
}

Qt::KeyboardModifiers shiftCtrlAlt(Qt::KeyboardModifiers m)
{
    return m & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
}

} // namespace

FrmControlPadron::FrmControlPadron()
    : ui(std::make_unique<Ui::FrmControlPadron>())
    , m_model(new CheckModel(this))
    , m_counts(new QLabel(this))
{
    ui->setupUi(this);
    m_counts->setObjectName(QStringLiteral("SBCuenta"));
    ui->SB->addWidget(m_counts, 1);
    ui->lblDesactualizado->hide();
    for (const FilterChoice &choice : kFilters)
        ui->cboFiltro->addItem(QString::fromUtf8(choice.text));

    ui->Lst->setModel(m_model);
    ui->Lst->verticalHeader()->hide();
    ui->Lst->verticalHeader()->setDefaultSectionSize(ui->Lst->fontMetrics().height() + 4);
    ui->Lst->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < int(std::size(kColumnTwips)); ++column)
        ui->Lst->setColumnWidth(column, twipsToPixelsX(kColumnTwips[column], this));

    connect(ui->cboFiltro, &QComboBox::currentIndexChanged, this, guarded(this, "cboFiltro_Click", [this](int index) {
                m_model->setFilter(kFilters.at(size_t(std::max(index, 0))).kinds);
                selectRow(0);
                showCounts();
            }));
    connect(ui->Lst, &QTableView::doubleClicked, this, guarded(this, "Lst_DblClick", [this] { modifySelected(); }));
    installKeyPreview(this);
    ui->Lst->setFocus();
}

FrmControlPadron::~FrmControlPadron() = default;

void FrmControlPadron::load(const CustomerStore &customers, const RegisterStore &registers,
                            browser::CustomerEditors *editors, const QString &indexPath, QList<CheckedEdit> *edits)
{
    m_customers = customers;
    m_registers = registers;
    m_editors = editors;
    m_indexPath = indexPath;
    m_edits = edits;
}

void FrmControlPadron::check()
{
    CheckReport report = checkWithProgress(isVisible() ? this : nullptr, m_registers);
    // The database gives the rows in no order of its own: by CUIT, the same on every back end.
    std::sort(report.rows.begin(), report.rows.end(),
              [](const CheckRow &a, const CheckRow &b) { return a.cuit < b.cuit; });
    m_checked = report.customers;
    showSnapshot(report.snapshot);
    m_model->setRows(std::move(report.rows));
    selectRow(0);
    showCounts();
}

void FrmControlPadron::showSnapshot(const std::optional<SnapshotInfo> &snapshot)
{
    if (!snapshot) {
        ui->lblPadron->setText(QStringLiteral("No hay padrón importado."));
        ui->lblDesactualizado->hide();
        return;
    }
    ui->lblPadron->setText(snapshotText(*snapshot));
    const QDate today = QDate::currentDate();
    const bool old = snapshotIsOld(snapshot->registerDate, today);
    ui->lblDesactualizado->setText(
        QStringLiteral("desactualizado: tiene %L1 días").arg(snapshot->registerDate.daysTo(today)));
    ui->lblDesactualizado->setVisible(old);
}

void FrmControlPadron::showCounts()
{
    m_counts->setText(
        QStringLiteral("%L1 de %2 con observaciones").arg(m_model->rowCount()).arg(customersText(m_checked)));
}

QStringList FrmControlPadron::headingLines() const
{
    QString snapshot = ui->lblPadron->text();
    if (!ui->lblDesactualizado->isHidden())
        snapshot += QStringLiteral(" - ") + ui->lblDesactualizado->text();
    return {snapshot, ui->cboFiltro->currentText() + QStringLiteral(": ") + m_counts->text()};
}

void FrmControlPadron::selectRow(int row)
{
    if (row >= 0 && row < m_model->rowCount())
        ui->Lst->selectRow(row);
}

bool FrmControlPadron::formKeyDown(QObject *watched, const QKeyEvent *key)
{
    // The keys of a popup (the filter's open list) are its own: Esc closes it, not the window.
    if (const auto *widget = qobject_cast<const QWidget *>(watched); widget && widget->window() != this)
        return false;
    const Qt::KeyboardModifiers modifiers = shiftCtrlAlt(key->modifiers());
    if (modifiers == Qt::NoModifier) {
        switch (key->key()) {
        case Qt::Key_F6: modifySelected(); return true;
        case Qt::Key_F12: printShown(); return true;
        case Qt::Key_Escape: unload(); return true;
        default: return false;
        }
    }
    if (modifiers == Qt::ControlModifier && key->key() == Qt::Key_E) {
        exportShown();
        return true;
    }
    if (modifiers == Qt::ControlModifier && key->key() == Qt::Key_O) {
        importAnother();
        return true;
    }
    return false;
}

// Opens the modify window on the selected customer; a saved customer is
// checked again, as stored, and its row shows what is left (or goes).
void FrmControlPadron::modifySelected()
{
    const QModelIndex current = ui->Lst->currentIndex();
    if (!m_editors || !current.isValid() || !ui->Lst->selectionModel()->isRowSelected(current.row()))
        return;
    const int row = current.row();
    const QString cuit = m_model->shownRow(row).cuit;
    const auto saved = m_editors->modify(cuit);
    if (!saved)
        return;
    if (m_edits)
        m_edits->append({cuit, *saved});
    const std::optional<CheckRow> checked = checkAgain(saved->cuit);
    m_model->replaceRow(row, checked.value_or(CheckRow{}));
    selectRow(std::min(row, m_model->rowCount() - 1));
    showCounts();
    QString told;
    if (!checked)
        told = QStringLiteral("El cliente %1 ya no existe.").arg(saved->cuit);
    else if (checked->kinds == 0)
        told = QStringLiteral("%1 ya no tiene observaciones.").arg(checked->name);
    else
        told = QStringLiteral("%1 sigue con observaciones: %2").arg(checked->name, findingsText(checked->kinds));
    ui->SB->showMessage(told, kStatusMessageMilliseconds);
}

// The customer as stored now against the snapshot; a CUIT the snapshot does
// not have (one changed in the modify window) is looked up in the index of
// the whole register. Nothing when the customer is gone.
std::optional<CheckRow> FrmControlPadron::checkAgain(const QString &cuit) const
{
    const std::optional<CustomerRecord> stored = m_customers.load(cuit);
    if (!stored)
        return std::nullopt;
    CheckRow row{stored->cuit.trimmed(), stored->nombre, stored->condiva.trimmed(), m_registers.find(cuit), 0};
    if (!row.registered) {
        if (const auto answer = lookUpCuit(m_registers, m_indexPath, cuit))
            row.registered = answer->record;
    }
    row.kinds = findingsOf(row.cuit, row.name, row.condiva, row.registered ? &*row.registered : nullptr);
    return row;
}

void FrmControlPadron::printShown()
{
    previewRegisterCheck(this, m_model->shownRows(), headingLines());
}

void FrmControlPadron::exportShown()
{
    const QList<CheckRow> shown = m_model->shownRows();
    const QString told = browser::exportShownList(this, checkTable(shown));
    if (!told.isEmpty())
        ui->SB->showMessage(told, kStatusMessageMilliseconds);
}

// Asks for another register's zip, imports it and checks every customer
// against it; a cancelled or failed import leaves the check as it was.
void FrmControlPadron::importAnother()
{
    const std::optional<QString> zip = askRegisterZip(this);
    if (!zip)
        return;
    const std::optional<ImportResult> imported = importWithProgress(this, m_registers, *zip, m_indexPath);
    if (!imported) {
        ui->SB->showMessage(QStringLiteral("No se importó el padrón: sigue el anterior."), kStatusMessageMilliseconds);
        return;
    }
    check();
    QString told = QStringLiteral("Padrón importado: %L1 de %2 figuran en él.")
                       .arg(imported->found)
                       .arg(customersText(imported->customers));
    if (const QString damaged = damagedLinesText(imported->firstDamaged); !damaged.isEmpty())
        told += QStringLiteral(" Líneas dañadas: ") + damaged;
    ui->SB->showMessage(told, kStatusMessageMilliseconds);
}

QList<CheckedEdit> showRegisterCheck(const CustomerStore &store, browser::CustomerEditors *editors, QWidget *parent)
{
    const RegisterStore registers(store.context());
    const QString indexPath = defaultIndexPath();
    if (!registers.snapshot()) {
        const std::optional<QString> zip = askRegisterZip(parent);
        if (!zip || !importWithProgress(parent, registers, *zip, indexPath))
            return {};
    }
    QList<CheckedEdit> edits; // outlives the window, which may be gone when exec() returns
    const LoadedWindow<FrmControlPadron> window(QStringLiteral("FrmControlPadron"));
    window->load(store, registers, editors, indexPath, &edits);
    window->check();
    if (parent)
        window->move(parent->frameGeometry().center() - window->rect().center());
    window->exec();
    return edits;
}

} // namespace felcora::taxregister
