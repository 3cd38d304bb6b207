#include "browser/customerlistwindow.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>

#include "browser/customerlistfill.h"
#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/listexport.h"
#include "browser/printedlist.h"
#include "core/customerstore.h"
#include "felcora/componentversion.h"
#include "taxregister/registercheckwindow.h"
#include "ui/handlerguard.h"
#include "ui/keypreview.h"
#include "ui/msgbox.h"
#include "ui/pointer.h"
#include "ui/twips.h"
#include "ui/windows.h"
#include "ui_customerlistwindow.h"

namespace felcora::browser {

namespace {

const QString kWindow = QStringLiteral("FrmABMClientes");

// A number's plain text, as people read it: at most 15 significant digits.
constexpr int kPlainNumberDigits = 15;

constexpr int kColumnTwips[kCustomerColumnCount] = {2500, 1200, 2300, 2500, 0, 0};
constexpr int kProgressTwips = 3000;

const QString kStatusText = QStringLiteral(
    "[INSERT] Agregar Cliente - [DELETE] Borrar Cliente - [F6] Modificar - [ENTER] Seleccionar - [F12] Imprimir Lista");

// The first screen of the list, read at once; the rest is read a slice at a
// time, each short enough for keys and paints to go on between them.
constexpr int kFirstScreenRows = 64;
constexpr int kFillSliceMilliseconds = 15;

// A search text that matches no customer: the box turns light red and the
// status bar says so until the text matches again.
const QColor kNoMatchBackground(255, 214, 214);
const QString kNoMatchText = QStringLiteral("Sin coincidencias");

// What the list cannot do before all of it is read, said in the status bar for a while.
const QString kStillLoadingText = QStringLiteral("La lista todavía se está cargando: espere a que termine.");
constexpr int kStatusMessageMilliseconds = 4000;
const QString kLoadingText = QStringLiteral("Cargando clientes: %1");
const QString kIncompleteText = QStringLiteral("La lista está incompleta: no se pudieron leer todos los clientes.");

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Shift, Ctrl and Alt, the modifiers the window's keys care about.
Qt::KeyboardModifiers shiftCtrlAlt(Qt::KeyboardModifiers m)
{
    return m & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
}

// The customer picture of the list: head and shoulders, drawn at each size
// the views use (small for the report, large for the icons).
QIcon customerIcon()
{
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2f, 0x5d, 0x8a));
        const double s = size / 16.0;
        p.drawEllipse(QRectF(5 * s, 1.5 * s, 6 * s, 6 * s));
        p.drawRoundedRect(QRectF(2 * s, 8.5 * s, 12 * s, 7 * s), 3 * s, 3 * s);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

FrmABMClientes::FrmABMClientes()
    : ui(std::make_unique<Ui::FrmABMClientes>())
    , m_model(new CustomerListModel(this))
    , m_menu(new QMenu(this))
    , m_fillTimer(new QTimer(this))
    , m_fillText(new QLabel(this))
    , m_fillProgress(new QProgressBar(this))
{
    ui->setupUi(this);
    scaleToScreen(this);
    // The keys' help stays under the status bar's passing messages.
    auto *help = new QLabel(kStatusText, ui->SB);
    help->setObjectName(QStringLiteral("SBAyuda"));
    ui->SB->addWidget(help, 1);
    // While the list is read: how many customers are in, and a busy bar (how
    // many there are is not asked: counting a million costs as much as a screen).
    m_fillText->setObjectName(QStringLiteral("SBCarga"));
    m_fillProgress->setRange(0, 0);
    m_fillProgress->setMaximumWidth(twipsToPixelsX(kProgressTwips, this));
    m_fillText->hide();
    m_fillProgress->hide();
    ui->SB->addPermanentWidget(m_fillText);
    ui->SB->addPermanentWidget(m_fillProgress);
    m_fillTimer->setObjectName(QStringLiteral("tmrCarga"));
    m_fillTimer->setSingleShot(true);
    connect(m_fillTimer, &QTimer::timeout, this, [this] { fillSlice(); });

    m_model->setIcon(customerIcon());
    QList<int> widths;
    for (const int twips : kColumnTwips)
        widths.append(twipsToPixelsX(twips, this));
    // A CUIT is always eleven digits: its column is at least as wide as they
    // are in the list's font, so that none is cut off.
    const QFontMetrics metrics(ui->Lst->font());
    widths[kCuit] = std::max(widths[kCuit], metrics.horizontalAdvance(QStringLiteral("000000000000")) + 8);
    ui->Lst->setModel(m_model, widths);
    connect(ui->Lst, &CustomerListView::headerClicked, this,
            guarded(this, "Lst_ColumnClick", [this](int column) { sortByHeader(column); }));
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(ui->Lst->reportView()),
                                    static_cast<QAbstractItemView *>(ui->Lst->iconView())})
        connect(view, &QAbstractItemView::doubleClicked, this,
                guarded(this, "Lst_DblClick", [this] { modifySelected(); }));
    connect(ui->txtBuscar, &QLineEdit::textChanged, this,
            guarded(this, "txtBuscar_Change", [this](const QString &text) { searchChanged(text); }));

    m_menu->setObjectName(QStringLiteral("mnMenu"));
    m_menu->setTitle(QStringLiteral("menu"));
    QAction *details = m_menu->addAction(QStringLiteral("Detalles"));
    details->setObjectName(QStringLiteral("mnDetalles"));
    QAction *icons = m_menu->addAction(QStringLiteral("Iconos"));
    icons->setObjectName(QStringLiteral("mniconos"));
    QAction *exportList = m_menu->addAction(QStringLiteral("Exportar..."));
    exportList->setObjectName(QStringLiteral("mnExportar"));
    exportList->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E)); // shown in the menu; the window takes the key
    exportList->setShortcutContext(Qt::WidgetShortcut);
    connect(details, &QAction::triggered, ui->Lst, &CustomerListView::showReport);
    connect(icons, &QAction::triggered, ui->Lst, &CustomerListView::showIcons);
    connect(exportList, &QAction::triggered, this, guarded(this, "mnExportar_Click", [this] { exportRows(); }));
    QAction *registerCheck = m_menu->addAction(QStringLiteral("Control contra el padrón..."));
    registerCheck->setObjectName(QStringLiteral("mnPadron"));
    connect(registerCheck, &QAction::triggered, this, guarded(this, "mnPadron_Click", [this] { checkRegister(); }));

    // Mouse releases over the list open its menu; the keys of every control come first to the window.
    ui->Lst->reportView()->viewport()->installEventFilter(this);
    ui->Lst->iconView()->viewport()->installEventFilter(this);
    installKeyPreview(this);

    // Load: the caption, and the report view (also the initial view when not picking).
    setWindowTitle(caption(componentVersion()));
    ui->Lst->showReport();
}

FrmABMClientes::~FrmABMClientes() = default;

QString FrmABMClientes::caption(const ComponentVersion &v)
{
    return QStringLiteral("Clientes (Versión: %1.%2.%3) ").arg(v.revision).arg(v.minor).arg(v.major) + v.comments;
}

void FrmABMClientes::setStore(const CustomerStore &store, bool picking, const MakeEditors &makeEditors)
{
    m_store = store;
    m_picking = picking;
    m_editors = makeEditors ? makeEditors() : nullptr;
}

CustomerListView *FrmABMClientes::list() const
{
    return ui->Lst;
}

void FrmABMClientes::fill()
{
    m_fillTimer->stop();
    m_fill.reset();
    m_incomplete = false;
    m_model->clear();
    ui->Lst->hide();
    CustomerTable head = CustomerTable::read(*m_store.openListHead(kFirstScreenRows), *m_store.context().format);
    if (head.rowCount() < kFirstScreenRows) {
        endFill(std::move(head));
        return;
    }
    m_model->setTable(std::move(head)); // already by name
    ui->Lst->showOrder(kNombre, Qt::AscendingOrder);
    ui->Lst->show();
    ui->Lst->selectRow(0);
    m_fill = std::make_unique<CustomerListFill>(m_store);
    showFillProgress(true);
    m_fillTimer->start();
}

void FrmABMClientes::fillSlice()
{
    guardHandler(kWindow, "Lst_Fill", [this] {
        if (!m_fill)
            return;
        bool done = false;
        try {
            done = m_fill->readFor(kFillSliceMilliseconds);
        } catch (...) {
            // The first screen stays; the user is told the rest is missing.
            m_fill.reset();
            m_incomplete = true;
            showFillProgress(false);
            ui->SB->showMessage(kIncompleteText);
            throw;
        }
        if (done) {
            endFill(m_fill->take());
            return;
        }
        m_fillText->setText(kLoadingText.arg(m_fillText->locale().toString(m_fill->rowsRead())));
        m_fillTimer->start();
    });
}

// Shows every customer by name, keeping the customer selected on the first
// screen selected, and answers a search typed while the list was read.
void FrmABMClientes::endFill(CustomerTable rows)
{
    const int selected = ui->Lst->selectedRow();
    const QString cuit = selected >= 0 ? m_model->text(selected, kCuit) : QString();
    m_fill.reset();
    showFillProgress(false);
    m_model->setTable(std::move(rows), kNombre);
    ui->Lst->showOrder(kNombre, Qt::AscendingOrder);
    ui->Lst->show();
    const int row = cuit.isNull() ? 0 : std::max(0, m_model->rowOfCuit(cuit));
    if (m_model->rowCount() > 0)
        ui->Lst->selectRow(row);
    if (m_searchPending)
        searchChanged(ui->txtBuscar->text());
}

void FrmABMClientes::showFillProgress(bool shown)
{
    m_fillText->setText(kLoadingText.arg(m_fillText->locale().toString(0)));
    m_fillText->setVisible(shown);
    m_fillProgress->setVisible(shown);
}

// Editing, sorting and exporting wait for the whole list: said, not done.
bool FrmABMClientes::refusedWhileFilling()
{
    if (!filling())
        return false;
    ui->SB->showMessage(kStillLoadingText, kStatusMessageMilliseconds);
    return true;
}

// Sorting and exporting a list that could not be read whole would pass a part
// for the whole: said, not done.
bool FrmABMClientes::refusedWhenIncomplete()
{
    if (refusedWhileFilling())
        return true;
    if (m_incomplete)
        ui->SB->showMessage(kIncompleteText);
    return m_incomplete;
}

// A first click on a header sorts by its column ascending, the next one on
// the same header descending, and so on; the header shows the order.
void FrmABMClientes::sortByHeader(int column)
{
    if (refusedWhenIncomplete()) {
        ui->Lst->showOrder(kNombre, Qt::AscendingOrder);
        return;
    }
    const bool again = column == m_model->sortColumn() && m_model->sortOrder() == Qt::AscendingOrder;
    const Qt::SortOrder order = again ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_model->sort(column, order);
    ui->Lst->showOrder(column, order);
    if (const int row = ui->Lst->selectedRow(); row >= 0)
        ui->Lst->selectRow(row);
}

bool FrmABMClientes::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        bool consumed = false;
        guardHandler(kWindow, "Form_KeyDown", [&] { consumed = formKeyDown(key); });
        if (consumed)
            return true;
        if (watched == ui->txtBuscar) {
            guardHandler(kWindow, "txtBuscar_KeyDown", [&] { consumed = searchKeyDown(key->key()); });
        } else if (ui->Lst->owns(watched)) {
            guardHandler(kWindow, "Lst_KeyDown", [&] {
                consumed = listKeyDown(key->key(), shiftCtrlAlt(key->modifiers())) || typeIntoSearch(key);
            });
        }
        return consumed;
    }
    if (event->type() == QEvent::MouseButtonRelease && ui->Lst->owns(watched))
        listMouseUp(static_cast<const QMouseEvent *>(event));
    return false;
}

void FrmABMClientes::keyPressEvent(QKeyEvent *event)
{
    // Keys that reach the window itself: only its own, none of a dialog's defaults.
    bool consumed = false;
    guardHandler(kWindow, "Form_KeyDown", [&] { consumed = formKeyDown(event); });
    if (!consumed)
        event->ignore();
}

bool FrmABMClientes::formKeyDown(const QKeyEvent *key)
{
    const bool ctrl = shiftCtrlAlt(key->modifiers()) == Qt::ControlModifier;
    if (key->key() == Qt::Key_E && ctrl) {
        exportRows();
        return true;
    }
    if (key->key() != Qt::Key_Escape && !(key->key() == Qt::Key_C && ctrl))
        return false;
    unload();
    return true;
}

// A printable key typed in the list goes to the end of the search box, which
// takes the focus and searches, as a file manager's list does.
bool FrmABMClientes::typeIntoSearch(const QKeyEvent *key)
{
    const QString text = key->text();
    const bool printable
        = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
    if (!printable || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    ui->txtBuscar->setFocus();
    ui->txtBuscar->end(false);
    ui->txtBuscar->insert(text);
    return true;
}

bool FrmABMClientes::listKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool hasRows = ui->Lst->rowCount() > 0;
    if (isEnter(key) && hasRows && modifiers == Qt::NoModifier && m_picking) {
        pickSelected();
        return true;
    }
    if (key == Qt::Key_Delete && hasRows)
        deleteSelected();
    if (key == Qt::Key_F6 && hasRows) {
        modifySelected();
        return true;
    }
    if (key == Qt::Key_Insert) {
        addCustomer();
        return true;
    }
    // Home and End go to the first and last customer in every view (the
    // details view alone would move between columns).
    if ((key == Qt::Key_Home || key == Qt::Key_End) && modifiers == Qt::NoModifier) {
        if (hasRows)
            ui->Lst->selectRow(key == Qt::Key_Home ? 0 : ui->Lst->rowCount() - 1);
        return true;
    }
    if (key == Qt::Key_F12) {
        ImprimirListadoClientes(*m_store.context().broker);
        return true;
    }
    return false;
}

bool FrmABMClientes::searchKeyDown(int key)
{
    switch (key) {
    case Qt::Key_Down: lf_MoverAbajo(); return true;
    case Qt::Key_Up: lf_MoverArriba(); return true;
    default: break;
    }
    if (key == Qt::Key_Insert || key == Qt::Key_F12) {
        listKeyDown(key, Qt::NoModifier);
        return true;
    }
    if (isEnter(key) || key == Qt::Key_Delete || key == Qt::Key_F6)
        listKeyDown(key, Qt::NoModifier); // the text box still gets the key
    return false;
}

// The right button alone, released over the list, opens the view menu.
void FrmABMClientes::listMouseUp(const QMouseEvent *mouse)
{
    if (mouse->button() == Qt::RightButton && mouse->buttons() == Qt::NoButton)
        m_menu->popup(mouse->globalPosition().toPoint());
}

// Selects the first customer the text finds. While the list is still read,
// a text the first screen does not answer is looked for again at the end.
void FrmABMClientes::searchChanged(const QString &text)
{
    const int row = m_model->find(text);
    if (row >= 0)
        ui->Lst->selectRow(row);
    m_searchPending = row < 0 && filling();
    showNoMatch(row < 0 && !text.isEmpty() && !filling());
}

void FrmABMClientes::showNoMatch(bool noMatch)
{
    QPalette palette;
    if (noMatch)
        palette.setColor(QPalette::Base, kNoMatchBackground);
    ui->txtBuscar->setPalette(palette);
    if (noMatch)
        ui->SB->showMessage(kNoMatchText);
    else if (ui->SB->currentMessage() == kNoMatchText)
        ui->SB->clearMessage();
}

void FrmABMClientes::lf_MoverArriba()
{
    guardHandler(kWindow, "lf_MoverArriba", [this] { moveSelection(-1); });
}

void FrmABMClientes::lf_MoverAbajo()
{
    guardHandler(kWindow, "lf_MoverAbajo", [this] { moveSelection(+1); });
}

// Selects the row above (-1) or below (+1) the selected one, if there is one.
// With no row selected (a Ctrl+click takes the selection away) Down comes in
// at the first row and Up at the last, as from a search box into its list.
void FrmABMClientes::moveSelection(int step)
{
    m_searchPending = false; // the user chose another row
    const int rows = ui->Lst->rowCount();
    if (rows == 0)
        return;
    const int row = ui->Lst->selectedRow();
    if (row < 0)
        ui->Lst->selectRow(step > 0 ? 0 : rows - 1);
    else if (row + step >= 0 && row + step < rows)
        ui->Lst->selectRow(row + step);
}

void FrmABMClientes::pickSelected()
{
    const int row = ui->Lst->selectedRow();
    if (row < 0)
        return;
    auto text = [&](int column) { return m_model->text(row, column); };
    m_pick = CustomerPick::fromTexts(*m_store.context().format, text(kNombre), text(kCuit), text(kDireccion),
                                     text(kEMail), text(kRegalias), text(kAjuste));
    unload();
}

// Asks, deletes the selected customer, and removes its row when the
// customer was deleted; the row below (or above, at the end) is selected then.
void FrmABMClientes::deleteSelected()
{
    const int row = ui->Lst->selectedRow();
    if (row < 0 || refusedWhileFilling())
        return;
    if (MsgBox(QStringLiteral("Confirma eliminar el Cliente Seleccionado"), vbYesNo + vbQuestion) != vbYes)
        return;
    if (Eliminar(m_model->text(row, kCuit)) <= 0)
        return;
    m_model->removeCustomer(row);
    if (m_model->rowCount() > 0)
        ui->Lst->selectRow(std::min(row, m_model->rowCount() - 1));
}

// Opens the modify window on the selected customer; a saved customer is
// rewritten in its row, which keeps its place and stays selected.
void FrmABMClientes::modifySelected()
{
    const int row = ui->Lst->selectedRow();
    if (row < 0 || !m_editors || refusedWhileFilling())
        return;
    const auto saved = m_editors->modify(m_model->text(row, kCuit));
    if (!saved)
        return;
    rewriteRow(row, *saved);
    ui->Lst->selectRow(row);
}

void FrmABMClientes::rewriteRow(int row, const CustomerPick &saved)
{
    auto plain = [](double number) { return QString::number(number, 'g', kPlainNumberDigits); };
    m_model->replaceCustomer(row,
                             {saved.nombre, saved.cuit, saved.domicilio, saved.email, plain(saved.regalias),
                              plain(saved.ajusteVinculacion)});
}

// The check of every customer against the register; the customers modified
// there are rewritten in their rows.
void FrmABMClientes::checkRegister()
{
    if (refusedWhileFilling())
        return;
    for (const taxregister::CheckedEdit &edit : taxregister::showRegisterCheck(m_store, m_editors.get(), this)) {
        if (const int row = m_model->rowOfCuit(edit.cuit); row >= 0)
            rewriteRow(row, edit.saved);
    }
}

// Opens the new-customer window; a saved customer gets a row where the
// list's order puts it (the end until a column is sorted), selected and shown.
void FrmABMClientes::addCustomer()
{
    if (!m_editors || refusedWhileFilling())
        return;
    const auto added = m_editors->addNew();
    if (!added)
        return;
    const int row = m_model->addCustomer({added->nombre, added->cuit, added->domicilio, added->email, {}, {}});
    ui->Lst->selectRow(row);
}

// Ctrl+E or the menu: the rows as shown, in their order, to a spreadsheet file.
void FrmABMClientes::exportRows()
{
    if (refusedWhenIncomplete())
        return;
    const CustomerListModel *model = m_model;
    const auto text = [model](qsizetype row, int column) { return model->text(int(row), column); };
    const auto utf8 = [model](qsizetype row, int column) { return model->utf8(int(row), column); };
    const QString told = exportShownList(this, customerListSource(model->rowCount(), text, utf8));
    if (!told.isEmpty())
        ui->SB->showMessage(told, kStatusMessageMilliseconds);
}

qint32 FrmABMClientes::Eliminar(const QString &cuit)
{
    const WaitPointer wait;
    if (cuit.trimmed().isEmpty())
        return 0;
    const CustomerDeletion deletion = m_store.remove(cuit);
    if (deletion.failure)
        MsgBox(QStringLiteral("[Clientes.Eliminar] ") + deletion.failure->description(), vbCritical + vbSystemModal);
    else if (deletion.customersDeleted == 0) {
        showArrowPointer();
        MsgBox(QStringLiteral("0 registros eliminados"), vbExclamation + vbSystemModal);
    }
    return qint32(deletion.customersDeleted);
}

void FrmABMClientes::unload()
{
    // Whatever is left of the list is not read: its recordset goes now.
    m_fillTimer->stop();
    m_fill.reset();
    QWidget *self = this;
    DescargarFormulario(self);
}

void FrmABMClientes::closeEvent(QCloseEvent *event)
{
    event->accept();
    unload();
}

void FrmABMClientes::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // The status bar keeps to the bottom; the other controls stay where they are.
    ui->SB->setGeometry(0, height() - ui->SB->height(), width(), ui->SB->height());
}

} // namespace felcora::browser
