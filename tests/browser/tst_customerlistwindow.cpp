// The customer list window on the customer store, as a user works it: filled, searched, moved through, picked from,
// sorted, switched between views; the editors it opens; deleting a customer; the printed list that F12 previews.

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "browser/customerlist.h"
#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "browser/printedlist.h"
#include "core/componentstate.h"
#include "felcora/componentversion.h"
#include "felcora/customerlistpdf.h"
#include "molde/molde.h"
#include "report/pageview.h"
#include "support/dialogwork.h"
#include "support/recordingbroker.h"
#include "support/serverdatabase.h"
#include "support/spanishnames.h"
#include "support/tempdatabase.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::browser;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

// Inserted out of order; read by name ignoring case, the accented initial last in SQLite's order and in Spanish order.
// Gallardo and gamboa have distribution lines and benefit relations.
const QString kCustomersSql
    = u"insert into clientes (cuit, nombre, domicilio, email, regalias, AjxVinc_4102) values "
      "('20555555556', 'O''Connor, Sean', 'Zapiola 1', 'sean@ejemplo.com', 100, 0),"
      "('27444444445', 'GARAY, Rosa', 'Belgrano 55', 'rosa@ejemplo.com', NULL, 1.5),"
      "('27666666667', 'Úbeda, Inés', 'Échague 7', 'ines@ejemplo.com', 2, 3),"
      "('27222222223', 'Gallardo, Marta', 'alsina 20', 'marta@ejemplo.com', 12.5, 0.75),"
      "('20111111112', 'Benítez, Juan', 'Rivadavia 300', NULL, 10, NULL),"
      "('20333333334', 'gamboa, Luis', 'Rivadavia 100', 'luis@ejemplo.com', 9, 2);"
      "insert into DIB (CLICUI, JRDNRO, DIBVALOR) values "
      "('27222222223', '901', 60), ('27222222223', '902', 40), ('20333333334', '901', 100);"
      "insert into VentajasRel (IdVentaja, cuit) values ('V1', '27222222223'), ('V2', '20333333334')"_s;

// The editors the list opens log the CUIT each is opened on ("new" for Insert) and answer editorSave (none: not saved).
QStringList editorsOpened;
std::optional<CustomerPick> editorSave;
struct EditorLog final : CustomerEditors
{
    std::optional<CustomerPick> modify(const QString &cuit) override { return editorsOpened << cuit, editorSave; }
    std::optional<CustomerPick> addNew() override { return editorsOpened << u"new"_s, editorSave; }
};

QString selectedName(FrmABMClientes *w)
{
    const int row = w->list()->selectedRow();
    return row < 0 ? u"<none>"_s : w->model()->text(row, kNombre);
}

// One column as the report view shows it, top to bottom.
QStringList shownColumn(FrmABMClientes *w, int column)
{
    const QAbstractItemModel *m = w->list()->reportView()->model();
    QStringList texts;
    for (int row = 0; row < m->rowCount(); ++row)
        texts << m->index(row, column).data().toString();
    return texts;
}

// What the search box shows of a text that matches nothing, its background and the status bar, which must agree.
bool showsNoMatch(FrmABMClientes *w)
{
    const bool red = child(w, u"txtBuscar"_s)->palette().color(QPalette::Base) == QColor(255, 214, 214);
    const bool said = w->findChild<QStatusBar *>(u"SB"_s)->currentMessage() == u"Sin coincidencias"_s;
    if (red != said)
        QTest::qFail("the search box and the status bar disagree", __FILE__, __LINE__);
    return red;
}

// Holds the list's reading after its first screen while it lives: the timer that reads the rest never fires.
struct FillHold final : QObject
{
    FillHold() { qApp->installEventFilter(this); }
    ~FillHold() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        return event->type() == QEvent::Timer && watched->objectName() == u"tmrCarga"_s;
    }
};

std::pair<int, Qt::SortOrder> headerOrder(FrmABMClientes *w)
{
    const QHeaderView *header = w->list()->reportView()->horizontalHeader();
    return {header->isSortIndicatorShown() ? header->sortIndicatorSection() : -1, header->sortIndicatorOrder()};
}

void clickHeader(FrmABMClientes *w, int column)
{
    QHeaderView *header = w->list()->reportView()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

// Right-clicks the current view, the menu opening on the release, and clicks an entry of it.
bool chooseFromContextMenu(FrmABMClientes *w, const QString &actionName)
{
    QWidget *viewport = w->list()->currentView()->viewport();
    auto *menu = w->findChild<QMenu *>(u"mnMenu"_s);
    auto *action = menu ? menu->findChild<QAction *>(actionName) : nullptr;
    QTest::mousePress(viewport, Qt::RightButton, {}, viewport->rect().center());
    if (!action || menu->isVisible())
        return false;
    QTest::mouseRelease(viewport, Qt::RightButton, {}, viewport->rect().center());
    if (!QTest::qWaitFor([&] { return menu->isVisible(); }, 2000))
        return false;
    const QPoint at = menu->actionGeometry(action).center();
    QTest::mouseMove(menu, at);
    QTest::mouseClick(menu, Qt::LeftButton, {}, at);
    return !menu->isVisible();
}

// A PDF's text, pages ended by form feeds.
QString pdfText(const QString &file)
{
    QProcess p;
    p.start(u"pdftotext"_s, {file, u"-"_s});
    return p.waitForFinished(60000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

// The names of the detail lines of the page the preview shows, top to bottom.
QStringList pageNames(Dr_ListadoClientes *preview)
{
    const report::ReportDefinition &d = preview->definition();
    QStringList names;
    for (const report::PlacedText &t : preview->pageView()->page().texts)
        if (t.box.left() == d.margins.left() && t.font == d.detail.items.first().font)
            names << t.text;
    return names;
}

} // namespace

class TestCustomerListWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_db = std::make_unique<TempDatabase>();
        m_broker = m_db->makeBroker();
        editorsOpened.clear();
        editorSave.reset();
        TempDatabase::exec(personal(), kCustomersSql);
    }
    void cleanup()
    {
        closeAllModals();
        m_broker.reset();
        m_db.reset();
        restorePointers();
    }

    // Filled by name, NULLs as "" and "0", the search box focused; typing selects the first name so started in any
    // case, a miss keeping the selection. The arrows stay in the list, coming in at either end when none is selected;
    // End and Home go there. A header click sorts ascending, again too, the search following; the menu switches views.
    // Closing unloads the window: the next opening reads the customers anew, in details.
    void worksTheListForOneOpening()
    {
        QPointer<FrmABMClientes> first;
        QVERIFY(!open([&](FrmABMClientes *w) {
            first = w;
            QCOMPARE(state().windows.value(u"FrmABMClientes"_s).data(), w);
            QCOMPARE(w->windowTitle(), FrmABMClientes::caption(componentVersion()));
            QCOMPARE(child<QLabel>(w, u"SBAyuda"_s)->text(),
                     u"[INSERT] Agregar Cliente - [DELETE] Borrar Cliente - [F6] Modificar - [ENTER] Seleccionar - "
                     "[F12] Imprimir Lista"_s);
            QCOMPARE(headerOrder(w), std::pair(int(kNombre), Qt::AscendingOrder));
            QTableView *report = w->list()->reportView();
            const QStringList headers
                = {u"Nombre"_s, u"Cuit"_s, u"Direccion"_s, u"E-Mail"_s, u"Regalias"_s, u"Ajuste Res 41/02"_s},
                firstRow = {u"Benítez, Juan"_s, u"20111111112"_s, u"Rivadavia 300"_s, {}, u"10"_s, u"0"_s};
            for (int column = 0; column < kCustomerColumnCount; ++column) {
                QCOMPARE(report->model()->headerData(column, Qt::Horizontal).toString(), headers[column]);
                QCOMPARE(report->isColumnHidden(column), column >= kRegalias);
                QCOMPARE(shownColumn(w, column).first(), firstRow[column]);
            }
            QCOMPARE(QApplication::focusWidget(), child(w, u"txtBuscar"_s));
            typeText(u"gA"_s);
            QCOMPARE(selectedName(w), u"Gallardo, Marta"_s);
            QVERIFY(!showsNoMatch(w));
            typeText(u"rx"_s); // "gAr" selects, "gArx" matches nothing and leaves it, and says so
            QCOMPARE(selectedName(w), u"GARAY, Rosa"_s);
            QVERIFY(showsNoMatch(w));
            // Arrows in the search box, also with none selected (a Ctrl+click leaves none); Home and End in the list.
            const int down = Qt::Key_Down, up = Qt::Key_Up, none = 0;
            QList<int> rows;
            for (const int key : QList<int>{down, down, down, up, up, up, up, up, up, none, down, none, up, Qt::Key_Tab,
                                            Qt::Key_Home, Qt::Key_End}) {
                if (key == none)
                    report->selectionModel()->clear();
                else
                    pressKey(Qt::Key(key));
                rows << w->list()->selectedRow();
            }
            QCOMPARE(rows, (QList<int>{4, 5, 5, 4, 3, 2, 1, 0, 0, -1, 0, -1, 5, 5, 0, 5}));
            QCOMPARE(child(w, u"txtBuscar"_s)->text(), u"gArx"_s);
            // Accents and case aside; digits that no name begins with find a CUIT; a miss keeps the selection.
            const std::pair<QString, QString> searches[] = {{u"úb"_s, u"Úbeda, Inés"_s},
                                                            {u"UBEDA, INES"_s, u"Úbeda, Inés"_s},
                                                            {u"2033"_s, u"gamboa, Luis"_s},
                                                            {u"2044"_s, u"Benítez, Juan"_s}}; // as "20" found it
            for (const auto &[typed, selected] : searches) {
                edit(w, {u"txtBuscar="_s + typed});
                QCOMPARE(selectedName(w), selected);
                QCOMPARE(showsNoMatch(w), typed == u"2044"_s);
            }
            edit(w, {u"txtBuscar=Benítez, Juan"_s}); // a whole name, the first row's
            QCOMPARE(w->list()->selectedRow(), 0);
            edit(w, {u"txtBuscar=gar"_s});
            // Lower case first, the accent among the plain letters, and a long shared start.
            const QStringList byAddress = {u"Gallardo, Marta"_s, u"GARAY, Rosa"_s,   u"Úbeda, Inés"_s,
                                           u"gamboa, Luis"_s,    u"Benítez, Juan"_s, u"O'Connor, Sean"_s};
            for (int click = 0; click < 3; ++click) { // ascending, descending, ascending again
                clickHeader(w, kDireccion);
                const auto order = click == 1 ? Qt::DescendingOrder : Qt::AscendingOrder;
                QCOMPARE(headerOrder(w), std::pair(int(kDireccion), order));
                QCOMPARE(shownColumn(w, kNombre),
                         click == 1 ? QStringList(byAddress.rbegin(), byAddress.rend()) : byAddress);
            }
            QCOMPARE(selectedName(w), u"GARAY, Rosa"_s);
            clickHeader(w, kDireccion); // descending; the click took the focus to the list, whose letters go to the box
            typeText(u"b"_s);
            QCOMPARE(QApplication::focusWidget(), child(w, u"txtBuscar"_s));
            QCOMPARE(child(w, u"txtBuscar"_s)->text(), u"garb"_s);
            QVERIFY(showsNoMatch(w));
            edit(w, {u"txtBuscar=ga"_s}); // the first in the order shown
            QCOMPARE(selectedName(w), u"gamboa, Luis"_s);
            CustomerListView *list = w->list();
            QVERIFY(chooseFromContextMenu(w, u"mniconos"_s));
            QCOMPARE(list->currentWidget(), list->iconView());
            QVERIFY(chooseFromContextMenu(w, u"mnDetalles"_s));
            QCOMPARE(list->currentWidget(), list->reportView());
            QVERIFY(chooseFromContextMenu(w, u"mniconos"_s)); // left so: the next use starts over
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
        QCOMPARE(FrmABMClientes::caption({2, 3, 7, u"Maestro"_s}), u"Clientes (Versión: 7.3.2) Maestro"_s);
        QVERIFY2(first.isNull(), "the closed window is still alive");
        QVERIFY(!state().windows.value(u"FrmABMClientes"_s));
        TempDatabase::exec(personal(), u"insert into clientes (cuit, nombre) values ('27777777778', 'Aguirre, Ana')"_s);
        QVERIFY(!open([](FrmABMClientes *w) {
            QCOMPARE(shownColumn(w, kNombre).value(0), u"Aguirre, Ana"_s);
            QCOMPARE(w->list()->currentWidget(), w->list()->reportView());
            pressKey(Qt::Key_Escape);
        }));
    }

    // Names come in Spanish order on the screen, either way round, and on paper, the same on every back end.
    void spanishOrderOnScreenAndPaper()
    {
        TempDatabase::exec(personal(), u"delete from clientes"_s);
        checkNamesInSpanishOrder(m_broker->getDataConnectionByEntity(u"PERSONAL"_s));
        if (QTest::currentTestFailed())
            return;
        QTemporaryDir dir;
        QVERIFY(writeCustomerListPdf(*m_broker, dir.filePath(u"l.pdf"_s)) == 1);
        QStringList printed; // pdftotext leaves out the leading blanks and may compose the loose accent
        for (const QString &line : pdfText(dir.filePath(u"l.pdf"_s)).split(u'\n'))
            if (line.startsWith(u"300000000"_s))
                printed << line.section(u' ', 0, 0); // the CUIT, in the same order
        QVERIFY(!open([&](FrmABMClientes *w) {
            QCOMPARE(shownColumn(w, kNombre), kNamesInSpanishOrder);
            clickHeader(w, kNombre);
            const QStringList descending(kNamesInSpanishOrder.rbegin(), kNamesInSpanishOrder.rend());
            QCOMPARE(shownColumn(w, kNombre), descending);
            const QString csv = dir.filePath(u"l.csv"_s); // Ctrl+E writes the rows as shown
            QVERIFY(whileShown<QFileDialog>([] { pressKey(Qt::Key_E, Qt::ControlModifier); },
                                            [&](QFileDialog *dialog) { chooseFile(dialog, csv); }));
            QFile file(csv);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QStringList exported; // after the byte order mark and the headers
            for (const QString &line :
                 QString::fromUtf8(file.readAll()).mid(1).split(u"\r\n"_s).mid(1, descending.size()))
                exported << line.section(u';', 0, 0);
            QCOMPARE(exported, descending);
            reactivate(w);
            clickHeader(w, kNombre);
            QCOMPARE(shownColumn(w, kCuit), printed);
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
    }

    // A long list shows its first screen at once and reads the rest while the user works: what needs every row is
    // said to wait, a search the first screen does not answer is answered at the end, Enter picks the row it shows;
    // once read, every customer is there in order, the selected one still selected.
    void fillsInTheBackground()
    {
        QStringList rows, names{u"Benítez, Juan"_s};
        for (int k = 1; k <= 3000; ++k) {
            rows << u"('3%1', 'Cliente %2')"_s.arg(k, 10, 10, QChar(u'0')).arg(k, 5, 10, QChar(u'0'));
            names << u"Cliente %1"_s.arg(k, 5, 10, QChar(u'0'));
        }
        names << QStringList{u"Gallardo, Marta"_s, u"gamboa, Luis"_s, u"GARAY, Rosa"_s, u"O'Connor, Sean"_s,
                             u"Úbeda, Inés"_s};
        TempDatabase::exec(personal(), u"insert into clientes (cuit, nombre) values "_s + rows.join(u','));
        auto hold = std::make_unique<FillHold>();
        QVERIFY(!open([&](FrmABMClientes *w) {
            QVERIFY(w->filling());
            QCOMPARE(shownColumn(w, kNombre), names.mid(0, 64));
            QStatusBar *bar = w->findChild<QStatusBar *>(u"SB"_s);
            const auto refused = [&](const std::function<void()> &act) {
                bar->clearMessage();
                act();
                return bar->currentMessage() == u"La lista todavía se está cargando: espere a que termine."_s;
            };
            MessageBoxes boxes;
            pressKey(Qt::Key_Tab);
            for (const Qt::Key key : {Qt::Key_Delete, Qt::Key_F6, Qt::Key_Insert})
                QVERIFY(refused([&] { pressKey(key); }));
            const QPointer<ModalAction> dialog = onNextModal<QFileDialog>([](QFileDialog *d) { d->reject(); });
            QVERIFY(refused([] { pressKey(Qt::Key_E, Qt::ControlModifier); }));
            QVERIFY(!dialog->done());
            delete dialog.data();
            QVERIFY(refused([&] { clickHeader(w, kCuit); }));
            QCOMPARE(headerOrder(w), std::pair(int(kNombre), Qt::AscendingOrder));
            edit(w, {u"txtBuscar=zz"_s});
            QVERIFY(!showsNoMatch(w)); // not yet: the rest may hold it
            hold.reset();
            w->findChild<QTimer *>(u"tmrCarga"_s)->start();
            QTRY_VERIFY(!w->filling());
            QCOMPARE(shownColumn(w, kNombre), names);
            QCOMPARE(selectedName(w), u"Benítez, Juan"_s);
            QVERIFY(showsNoMatch(w));
            QCOMPARE(boxes.texts, QStringList());
            QCOMPARE(editorsOpened, QStringList());
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
        hold = std::make_unique<FillHold>();
        const auto pick = open([&](FrmABMClientes *w) {
            edit(w, {u"txtBuscar=úb"_s}); // answered when the list is read, unless the user moves on
            pressKey(Qt::Key_Down);
            QVERIFY(w->filling());
            pressKey(Qt::Key_Return);
        });
        QCOMPARE(pick.value().nombre, u"Cliente 00001"_s);
        hold.reset();
        QVERIFY(!open([&](FrmABMClientes *w) { // a search the first screen does not answer, answered at the end
            edit(w, {u"txtBuscar=úb"_s});
            QTRY_VERIFY(!w->filling());
            QCOMPARE(selectedName(w), u"Úbeda, Inés"_s);
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
    }

    // Enter picks the selected customer, NULLs as "" and 0, only when the list was opened to pick; Shift+Enter and
    // Ctrl+C pick nothing, and nothing is said.
    void enterPicks()
    {
        for (const bool picking : {true, false}) {
            const auto pick = open(
                [&](FrmABMClientes *w) {
                    MessageBoxes boxes;
                    typeText(u"b"_s);
                    pressKey(Qt::Key_Tab);
                    pressKey(Qt::Key_Return, Qt::ShiftModifier);
                    QVERIFY(w->isVisible());
                    pressKey(Qt::Key_Return);
                    QCOMPARE(w->isVisible(), !picking);
                    if (w->isVisible())
                        pressKey(Qt::Key_C, Qt::ControlModifier);
                    QCOMPARE(boxes.texts, QStringList());
                },
                picking);
            const CustomerPick benitez{u"Benítez, Juan"_s, u"20111111112"_s, u"Rivadavia 300"_s, {}, 10, 0};
            QCOMPARE(pick, picking ? std::optional(benitez) : std::nullopt);
        }
    }

    // F6 or a double click modifies the selected customer: its row is rewritten in place, numbers as people read them,
    // selected. Insert, in the list or the search box, adds one: its row goes where the order puts it.
    void editorsFromTheList_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("names"); // the list afterwards
        QTest::addColumn<int>("row");
        const QStringList modified = {u"Benítez, Juan"_s, u"Gallardo, Marta"_s, u"Zapata, Luis"_s,
                                      u"GARAY, Rosa"_s,   u"O'Connor, Sean"_s,  u"Úbeda, Inés"_s};
        QTest::newRow("F6 in the list") << u"F6"_s << modified << 2;
        QTest::newRow("a double click") << u"click"_s << modified << 2;
        QTest::newRow("Insert in the list sorted by CUIT: in its place")
            << u"Insert sorted"_s
            << QStringList{u"Benítez, Juan"_s,   u"gamboa, Luis"_s, u"O'Connor, Sean"_s, u"Zapata, Luis"_s,
                           u"Gallardo, Marta"_s, u"GARAY, Rosa"_s,  u"Úbeda, Inés"_s}
            << 3;
        QTest::newRow("Insert in the search box of an empty list")
            << u"Insert"_s << QStringList{u"Zapata, Luis"_s} << 0;
    }
    void editorsFromTheList()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, names);
        QFETCH(int, row);
        const bool adding = how.startsWith(u"Insert"_s);
        if (how == u"Insert"_s)
            TempDatabase::exec(personal(), u"delete from clientes"_s);
        editorSave
            = CustomerPick{u"Zapata, Luis"_s, u"25000000003"_s, u"Mitre 10"_s, u"zl@ejemplo.com"_s, 0.1 + 0.2, 1e-7};
        QVERIFY(!open([&](FrmABMClientes *w) {
            QTableView *view = w->list()->reportView();
            typeText(u"gam"_s);
            if (how == u"Insert sorted"_s)
                clickHeader(w, kCuit); // the focus goes to the list
            else if (!adding)
                pressKey(Qt::Key_Tab);
            if (how == u"click"_s) {
                const QPoint at = view->visualRect(view->model()->index(w->list()->selectedRow(), 0)).center();
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
            } else {
                pressKey(adding ? Qt::Key_Insert : Qt::Key_F6);
            }
            QCOMPARE(shownColumn(w, kNombre), names);
            QCOMPARE(w->list()->selectedRow(), row);
            QStringList shown;
            for (int column = 0; column < kCustomerColumnCount; ++column)
                shown << w->model()->text(row, column);
            QCOMPARE(shown.join(u'|'),
                     u"Zapata, Luis|25000000003|Mitre 10|zl@ejemplo.com|"_s + (adding ? u"|"_s : u"0.3|1e-07"_s));
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
        QCOMPARE(editorsOpened, QStringList{adding ? u"new"_s : u"20333333334"_s});
    }

    // Deleting asks; Yes removes the customer and its distribution lines only, and selects the next row (at the end,
    // the one above). A customer already gone is told and its row stays; so does all of it when its lines fail.
    void deletion_data()
    {
        QTest::addColumn<QString>("typed"); // then Tab to the list, unless it ends with "|"
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("told"); // after the question, as it starts
        QTest::addColumn<QStringList>("deleted");
        QTest::addColumn<QString>("selectedAfter");
        const QString gallardo = u"Gallardo, Marta"_s;
        QTest::newRow("No keeps everything")
            << u"gal"_s << int(QMessageBox::No) << QString() << QString() << QStringList() << gallardo;
        QTest::newRow("with distribution lines, from the list")
            << u"gal"_s << int(QMessageBox::Yes) << QString() << QString()
            << QStringList{u"DIB[27222222223|901] deleted"_s, u"DIB[27222222223|902] deleted"_s,
                           u"clientes[27222222223] deleted"_s}
            << u"gamboa, Luis"_s;
        QTest::newRow("an apostrophe in the CUIT, the last row, from the search box")
            << u"Úr|"_s << int(QMessageBox::Yes) << QString() << QString()
            << QStringList{u"DIB[20'1|904] deleted"_s, u"clientes[20'1] deleted"_s} << u"Úbeda, Inés"_s;
        QTest::newRow("gone meanwhile") << u"gal"_s << int(QMessageBox::Yes)
                                        << u"delete from clientes where cuit = '27222222223'"_s
                                        << u"0 registros eliminados"_s << QStringList() << gallardo;
        QTest::newRow("the lines fail")
            << u"gal"_s << int(QMessageBox::Yes)
            << (onServer() ? u"create function lines_kept() returns trigger language plpgsql as $$ begin raise "
                             "exception 'lines kept'; end $$; create trigger lines_kept before delete on DIB for "
                             "each row execute function lines_kept()"_s
                           : u"create trigger lines_kept before delete on DIB begin select raise(abort, "
                             "'lines kept'); end"_s)
            << u"[Clientes.Eliminar] "_s << QStringList() << gallardo;
    }
    void deletion()
    {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QString, meanwhile);
        QFETCH(QString, told);
        QFETCH(QStringList, deleted);
        QFETCH(QString, selectedAfter);
        TempDatabase::exec(personal(),
                           u"insert into clientes (cuit, nombre) values ('20''1', 'Úrsula, Ana');"
                           "insert into DIB (CLICUI, JRDNRO, DIBVALOR) values ('20''1', '904', 100)"_s);
        QVERIFY(!open([&](FrmABMClientes *w) {
            const bool inSearchBox = typed.endsWith(u'|');
            typeText(typed.remove(u'|'));
            pressKey(inSearchBox ? Qt::Key_Home : Qt::Key_Tab); // in the box, Delete also erases the first letter
            const QString name = selectedName(w);
            if (!meanwhile.isEmpty())
                TempDatabase::exec(personal(), meanwhile);
            const auto before = DatabaseSnapshot::take(personal());
            MessageBoxes boxes({QMessageBox::StandardButton(answer)});
            pressKey(Qt::Key_Delete);
            QCOMPARE(boxes.texts.value(0), u"Confirma eliminar el Cliente Seleccionado"_s);
            QCOMPARE(boxes.texts.size(), told.isEmpty() ? 1 : 2);
            QVERIFY2(boxes.texts.value(1).startsWith(told), qPrintable(boxes.texts.value(1)));
            const auto icon = meanwhile.startsWith(u"delete"_s) ? QMessageBox::Warning : QMessageBox::Critical;
            QCOMPARE(boxes.icons, QList({QMessageBox::Question, icon}).mid(0, boxes.texts.size()));
            QCOMPARE(shownColumn(w, kNombre).contains(name), deleted.isEmpty());
            QCOMPARE(selectedName(w), selectedAfter);
            QCOMPARE(child(w, u"txtBuscar"_s)->text(), inSearchBox ? typed.mid(1) : typed);
            QCOMPARE(before.differences(DatabaseSnapshot::take(personal())), deleted); // other rows stay
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
    }

    // Without transactions a failure of the lines' statement is told and the row still goes: the customer is gone.
    void deletionFailingWithoutTransactions()
    {
        RecordingBroker broker;
        broker.script(ScriptedAnswer::rowset(
            {u"nombre"_s, u"CUIT"_s, u"domicilio"_s, u"email"_s, u"regalias"_s, u"AjxVinc_4102"_s},
            {{u"Gallardo"_s, u"27222222223"_s, {}, {}, 0, 0}, {u"Otro"_s, u"1"_s, {}, {}, 0, 0}}));
        broker.script(ScriptedAnswer::affected(1));
        broker.script(ScriptedAnswer::failure(Error(3043, u"RecordBroker.Ejecutar[PERSONAL]"_s, u"disk"_s)));
        QVERIFY(!open(
            [&](FrmABMClientes *w) {
                pressKey(Qt::Key_Tab); // the first row is selected
                MessageBoxes boxes({QMessageBox::Yes});
                pressKey(Qt::Key_Delete);
                QCOMPARE(boxes.texts.value(1), u"[Clientes.Eliminar] disk"_s);
                QCOMPARE(w->list()->rowCount(), 1);
                pressKey(Qt::Key_Escape, Qt::NoModifier, w);
            },
            true, CustomerStore({&broker, &m_format, nullptr}, nullptr, true)));
    }

    // The PDF without a window holds every customer. F12 in the list previews every customer in the database's order;
    // the keys page it, Ctrl+S saves it and says where, printing takes the dialog's pages, Esc goes back.
    void printedList()
    {
        // Three pages of customers inserted in reverse order of their names, and one of NULL texts.
        QStringList rows{u"('20222222223', 'Ñandú, Íñigo', NULL, NULL, NULL)"_s};
        for (int k = 150; k >= 1; --k)
            rows << u"('3070000%1', 'Cliente %2', 'Calle %1', 'c%1@ejemplo.com', '4%1')"_s.arg(k, 4, 10, QChar(u'0'))
                        .arg(k, 3, 10, QChar(u'0'));
        const QString insert = u"insert into clientes (cuit, nombre, domicilio, email, telefonos) values "_s;
        TempDatabase::exec(personal(), u"delete from clientes; "_s + insert + rows.join(u','));
        QTemporaryDir dir;
        const QString path = dir.filePath(u"clientes"_s); // the suffix is added
        QVERIFY(writeCustomerListPdf(*m_broker, path + u"-direct.pdf"_s) >= 3);
        const QString text = pdfText(path + u"-direct.pdf"_s);
        QCOMPARE(text.count(u"Cliente "_s), 150);
        QVERIFY(text.contains(u"Ñandú, Íñigo"_s));
        int pages = 0;
        QVERIFY(!open([&](FrmABMClientes *w) {
            w->model()->sort(kDireccion);
            const QPointer<ModalAction> shown
                = onNextModal<Dr_ListadoClientes>([](Dr_ListadoClientes *p) { p->reject(); });
            pressKey(Qt::Key_F12); // the search box takes it too
            QVERIFY(shown->done());
            reactivate(w);
            w->list()->reportView()->setFocus();
            QVERIFY(whileShown<Dr_ListadoClientes>(
                [] { pressKey(Qt::Key_F12); },
                [&](Dr_ListadoClientes *preview) {
                    QTRY_VERIFY(preview->isAncestorOf(QApplication::focusWidget())); // keys go where the focus is
                    QTRY_VERIFY(preview->document()->complete());
                    QCOMPARE(preview->document()->recordCount(), 151);
                    pages = preview->document()->pageCount();
                    const QStringList first = pageNames(preview);
                    QCOMPARE(first.mid(0, 2), (QStringList{u"Cliente 001"_s, u"Cliente 002"_s}));
                    pressKey(Qt::Key_PageDown);
                    QCOMPARE(pageNames(preview).first(), u"Cliente %1"_s.arg(first.size() + 1, 3, 10, QChar(u'0')));
                    pressKey(Qt::Key_End, Qt::ControlModifier);
                    QCOMPARE(preview->currentPage(), pages - 1);
                    QCOMPARE(pageNames(preview).last(), u"Ñandú, Íñigo"_s); // Ñ after the other letters

                    pressKey(Qt::Key_Home, Qt::ControlModifier);
                    QCOMPARE(preview->currentPage(), 0);
                    // Saved, and told where; a folder that is not there refused, in a critical box.
                    const QString unwritable = dir.filePath(u"no/such/folder/x.pdf"_s);
                    for (const QString &target : {path, unwritable}) {
                        QString told;
                        QMessageBox::Icon icon = QMessageBox::NoIcon;
                        QPointer<ModalAction> answer;
                        preview->activateWindow(); // back from the message box before
                        QTRY_VERIFY(preview->isAncestorOf(QApplication::focusWidget()));
                        QVERIFY(whileShown<QFileDialog>([] { pressKey(Qt::Key_S, Qt::ControlModifier); },
                                                        [&](QFileDialog *dialog) {
                                                            chooseFile(dialog, target);
                                                            // Awaited once the dialog is gone, lest it answer its own.
                                                            answer = answerNextMessageBox(QMessageBox::Ok, &told, &icon,
                                                                                          60000);
                                                        }));
                        if (answer && !answer->done())
                            delete answer.data(); // the message never came: no later one is answered
                        if (target == path)
                            QCOMPARE(told, u"El listado se guardó en "_s + QDir::toNativeSeparators(path + u".pdf"_s));
                        else
                            QVERIFY2(told.startsWith(u"75 - No se pudo escribir el archivo "_s + unwritable),
                                     qPrintable(told));
                        QCOMPARE(icon, target == path ? QMessageBox::Information : QMessageBox::Critical);
                    }
                    QPrinter printer(QPrinter::HighResolution);
                    printer.setOutputFileName(dir.filePath(u"printed.pdf"_s));
                    printer.setFromTo(2, 3);
                    preview->showPage(1);
                    for (const auto &[range, count] : {std::pair{QPrinter::PageRange, 2}, {QPrinter::CurrentPage, 1}}) {
                        printer.setPrintRange(range); // pages 2 and 3, or the one shown
                        QVERIFY(preview->printTo(printer));
                        const QString printed = pdfText(printer.outputFileName());
                        QCOMPARE(printed.count(u'\f'), count);
                        QVERIFY(printed.contains(u"Cliente 060"_s) && !printed.contains(u"Cliente 001"_s));
                    }
                    preview->activateWindow();
                    QTRY_VERIFY(preview->isAncestorOf(QApplication::focusWidget()));
                    pressKey(Qt::Key_Escape);
                }));
            QVERIFY(w->isVisible() && !state().windows.value(u"Dr_ListadoClientes"_s));
            // A list that cannot be read for printing is reported; the window stays.
            TempDatabase::exec(personal(), u"alter table clientes rename to gone"_s);
            MessageBoxes boxes;
            reactivate(w);
            w->list()->reportView()->setFocus();
            pressKey(Qt::Key_F12);
            QCOMPARE(boxes.icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
            QVERIFY(boxes.texts[0].endsWith(u"\r\nSeccion [basDrListadoClientes.ImprimirListadoClientes]"_s));
            QVERIFY(w->isVisible() && !state().windows.value(u"Dr_ListadoClientes"_s));
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
        QCOMPARE(pdfText(path + u".pdf"_s).count(u'\f'), pages);
    }

private:
    // Opens the list on a store (the test database's by default) with the logging editors for `user`; the pick.
    std::optional<CustomerPick> open(const std::function<void(FrmABMClientes *)> &user, bool picking = true,
                                     const std::optional<CustomerStore> &on = std::nullopt)
    {
        const CustomerStore store
            = on.value_or(CustomerStore({m_broker.get(), &m_format, m_broker.get()}, nullptr, true));
        std::optional<CustomerPick> pick;
        if (!userWorks<FrmABMClientes>(
                [&] { pick = showCustomerList(store, picking, [] { return std::make_unique<EditorLog>(); }); }, user))
            QTest::qFail("the list did not show", __FILE__, __LINE__);
        return pick;
    }

    QString personal() const { return m_db->personalPath(); }

    UserSettingsSandbox m_settings;
    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<hostkit::RecordBroker> m_broker;
    hostkit::Molde m_format;
};

QTEST_MAIN(TestCustomerListWindow)
#include "tst_customerlistwindow.moc"
