#include "customer/pendingcustomerswindow.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "core/customerstore.h"
#include "core/errortrap.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/msgbox.h"
#include "ui/windows.h"
#include "ui_pendingcustomerswindow.h"

namespace felcora::customer {

namespace {

const QString kSection = QStringLiteral("FELCORA.frmListadeClientesPendientes.");

enum PendingColumn { kCuitColumn, kNombreColumn, kDireccionColumn, kCodigoPostalColumn, kCiudadColumn };

// The steps of the routines, as their failure reports number them.
namespace step {
constexpr int kQuery = 1; // controladorCargarClientes: the query
constexpr int kRows = 2;  // controladorCargarClientes: the rows
constexpr int kFill = 2;  // the load and activation steps: the list filled
constexpr int kTake = 2;  // seleccionar: the selected row taken
} // namespace step

// What a trap of this window shows: the failure, its routine's section before
// its source, and the step that failed.
void reportStep(const Error &error, const char *routine, int line, int icon)
{
    MsgBox(error.description() + QStringLiteral("\r\n\r\n") + kSection + QLatin1String(routine) + QStringLiteral(".::")
               + error.source() + QStringLiteral(" linea ") + QString::number(line),
           icon);
}

// The failure to read the accounting database, in the terms of the system it belongs to.
[[noreturn]] void throwAccountingFailure(const Error &cause, int line)
{
    throw Error(errnum::kAccountingSystem, kSection + QStringLiteral("controladorCargarClientes.::") + cause.source(),
                QStringLiteral("Este módulo es compatible con el sistema Contable y Seguimiento de Operaciones "
                               "de Quenmar. \r\n\r\n¿Tiene instalado el sistema Contable o Seguimiento de "
                               "Carpetas?\r\n\r\n\r\n")
                    + cause.description() + QStringLiteral(" linea ") + QString::number(line));
}

} // namespace

frmListadeClientesPendientes::frmListadeClientesPendientes()
    : ui(std::make_unique<Ui::frmListadeClientesPendientes>())
    , m_fields(&m_unused)
{
    ui->setupUi(this);
    ui->lstLista->header()->setSectionResizeMode(QHeaderView::Stretch);
    connect(ui->lstLista, &QTreeWidget::itemDoubleClicked, this,
            guarded(this, "lstLista_DblClick", [this] { seleccionar(); }));
    installKeyPreview(this);
}

frmListadeClientesPendientes::~frmListadeClientesPendientes() = default;

void frmListadeClientesPendientes::load(const CustomerStore &store, PendingImport &fields)
{
    m_store = store;
    m_fields = &fields;
    try {
        m_fields->seleccionado = false;
        if (!m_fields->cargado) {
            controladorCargarClientes();
            m_fields->cargado = true;
        }
    } catch (const std::exception &) {
        reportStep(currentError(), "Form_Load", step::kFill, vbExclamation);
    }
}

void frmListadeClientesPendientes::activate()
{
    try {
        if (!m_fields->cargado) {
            m_fields->seleccionado = false;
            controladorCargarClientes();
            m_fields->cargado = true;
        }
    } catch (const std::exception &) {
        reportStep(currentError(), "Form_Activate", step::kFill, vbOKOnly);
    }
}

void frmListadeClientesPendientes::controladorCargarClientes()
{
    ui->lstLista->clear(); // a second try does not add again what a failed one read
    const PendingCustomerList list = m_store.readPendingCustomers();
    for (const PendingCustomer &agent : list.agents) {
        new QTreeWidgetItem(ui->lstLista,
                            {agent.documentoNumero, agent.nombre, agent.direccion, agent.codigoPostal, agent.ciudad});
    }
    if (list.failure)
        throwAccountingFailure(*list.failure, list.found ? step::kRows : step::kQuery);
    if (!list.found)
        return;
    m_fields->cargado = true;
    // The first agent is selected, so that Enter takes it without a click.
    ui->lstLista->setCurrentItem(ui->lstLista->topLevelItem(0));
}

void frmListadeClientesPendientes::seleccionar()
{
    try {
        const QTreeWidgetItem *row = ui->lstLista->currentItem();
        if (ui->lstLista->topLevelItemCount() == 0 || !row)
            return;
        m_fields->picked = {row->text(kCuitColumn), row->text(kNombreColumn), row->text(kDireccionColumn),
                            row->text(kCodigoPostalColumn), row->text(kCiudadColumn)};
        m_fields->cargado = false;
        m_fields->seleccionado = true;
        unload();
    } catch (const std::exception &) {
        reportStep(currentError(), "seleccionar", step::kTake, vbOKOnly);
    }
}

bool frmListadeClientesPendientes::formKeyDown(QObject *watched, const QKeyEvent *key)
{
    if (key->key() == Qt::Key_Escape) {
        leaveWithoutPick();
        return true;
    }
    // Enter on a row takes it as a double click does, for the keyboard.
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && watched == ui->lstLista) {
        seleccionar();
        return true;
    }
    return false;
}

void frmListadeClientesPendientes::leaveWithoutPick()
{
    m_fields->cargado = false;
    unload();
}

} // namespace felcora::customer
