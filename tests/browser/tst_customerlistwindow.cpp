// The customer list window as a host opens it through clListado and a user
// works it, on a real database: filled, searched, moved through, picked from,
// sorted, switched between views; deleting a customer with the question, the
// statements, the messages and the pointer; and the printed list that F12
// previews, pages, saves and prints. Failures are reported and the window
// unloads when it closes.

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <optional>

#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "browser/printedlist.h"
#include "core/componentstate.h"
#include "felcora/clListado.h"
#include "felcora/componentversion.h"
#include "felcora/customerlistpdf.h"
#include "felcora/hostkit/hostkit.h"
#include "report/pageview.h"
#include "support/dialogwork.h"
#include "support/errors.h"
#include "support/modal.h"
#include "support/recordingbroker.h"
#include "support/serverdatabase.h"
#include "support/tempdatabase.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::browser;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

// Inserted out of order; the list reads them by name ignoring case, which
// puts the accented initial last both in SQLite's order and in Spanish order. Gallardo and gamboa have
// distribution lines and benefit relations.
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

const QStringList kListColumns = {u"nombre"_s, u"CUIT"_s, u"domicilio"_s, u"email"_s, u"regalias"_s, u"AjxVinc_4102"_s};
const QString kReportSql = u"select Nombre, Cuit, Domicilio , Email, Telefonos From clientes order by Nombre"_s;

// The customers of the printed list instead: 150 inserted in reverse order of
// their names (three pages), plus two whose texts run past their fields.
void useReportCustomers(const QString &database)
{
    QStringList rows;
    for (int k = 150; k >= 1; --k)
        rows << u"('3070000%1', 'Cliente %2', 'Calle %1', 'c%1@ejemplo.com', '4%1')"_s.arg(k, 4, 10, QChar(u'0'))
                    .arg(k, 3, 10, QChar(u'0'));
    rows
        << u"('30711111113', 'Exportadora Agrícola del Río de la Plata Sociedad Anónima', "
           "'Avenida del Libertador General San Martín 12345 Piso 14 Departamento B', "
           "'administracion.comercio.exterior@exportadoraagricola.com.ar', '(011) 4555-1234 / 15-5555-1234 interno 99')"_s
        << u"('20222222223', 'Ñandú, Íñigo', NULL, NULL, NULL)"_s;
    TempDatabase::exec(database,
                       u"delete from clientes; insert into clientes (cuit, nombre, domicilio, email, "
                       "telefonos) values "_s
                           + rows.join(u','));
}

// Opens the list as a host does, by name, and lets `user` work the window
// while it is shown; true when it showed, the call returned and no check on
// it failed. The call's error goes to `error` when given, else to the log.
[[nodiscard]] bool openList(clListado &listado, const std::function<void(FrmABMClientes *)> &user,
                            std::optional<Error> *error = nullptr)
{
    std::optional<Error> failure;
    const bool shown = whileShown<FrmABMClientes>(
        [&] {
            failure = errorOf([&] { QMetaObject::invokeMethod(&listado, "MostrarListado", Qt::DirectConnection); });
        },
        [&](FrmABMClientes *w) {
            // Keys go to the focused widget: the window must have been activated.
            QVERIFY(QTest::qWaitForWindowActive(w));
            user(w);
        });
    if (error)
        *error = failure;
    else if (failure)
        qWarning("MostrarListado failed: %s", qPrintable(failure->description()));
    return shown && !failure && !QTest::currentTestFailed();
}

bool setDataConnection(clListado &listado, QObject *broker)
{
    return QMetaObject::invokeMethod(&listado, "SetDataConnection", Qt::DirectConnection,
                                     Q_ARG(QVariant, QVariant::fromValue(broker)));
}

QLineEdit *searchBox(FrmABMClientes *w)
{
    return w->findChild<QLineEdit *>(u"txtBuscar"_s);
}

// A new search as the user starts one: click into the box, select all, erase, type.
void searchFor(FrmABMClientes *w, const QString &text)
{
    QTest::mouseClick(searchBox(w), Qt::LeftButton);
    pressKey(Qt::Key_A, Qt::ControlModifier);
    pressKey(Qt::Key_Backspace);
    typeText(text);
}

// Selects a customer by typing its name's start and gives the list the focus.
void selectInList(FrmABMClientes *w, const QString &start)
{
    typeText(start);
    pressKey(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w->list()->reportView());
}

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

// What the host reads after the list returns; the numbers as text.
QStringList pickOf(const clListado &l)
{
    return {l.Cliente_Nombre(),
            l.Cliente_Cuit(),
            l.Cliente_Domicilio(),
            l.Cliente_EMail(),
            QString::number(l.Cliente_Regalias()),
            QString::number(l.Cliente_AjustexVinculacion())};
}

bool loaded(const QString &window)
{
    return !state().windows.value(window).isNull();
}

Qt::CursorShape pointer()
{
    return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BitmapCursor;
}

// The message boxes one Delete brings: the question, answered as asked, and
// the message that may follow it, answered OK.
struct DeleteBoxes
{
    QString question;
    QMessageBox::Icon questionIcon = QMessageBox::NoIcon;
    QString after;
    QMessageBox::Icon afterIcon = QMessageBox::NoIcon;
};

DeleteBoxes pressDelete(QMessageBox::StandardButton answer)
{
    DeleteBoxes boxes;
    QPointer<ModalAction> follow;
    const QPointer<ModalAction> question = onNextModal<QMessageBox>([&](QMessageBox *box) {
        boxes.question = box->text();
        boxes.questionIcon = box->icon();
        follow = answerNextMessageBox(QMessageBox::Ok, &boxes.after, &boxes.afterIcon);
        box->button(answer)->click();
    });
    pressKey(Qt::Key_Delete);
    // Whatever did not come must not act on a later window.
    if (question && !question->done())
        delete question.data();
    if (follow && !follow->done())
        delete follow.data();
    return boxes;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The names of a page's detail lines, top to bottom.
QStringList pageNames(const report::PageModel &page, const report::ReportDefinition &d)
{
    QStringList names;
    for (const report::PlacedText &t : page.texts) {
        if (t.box.left() == d.margins.left() && t.font == d.detail.items.first().font)
            names << t.text;
    }
    return names;
}

// Opens the preview with F12 on the list and lets `user` work it.
[[nodiscard]] bool openPreview(FrmABMClientes *w, const std::function<void(Dr_ListadoClientes *)> &user)
{
    w->list()->reportView()->setFocus();
    const bool shown
        = whileShown<Dr_ListadoClientes>([] { pressKey(Qt::Key_F12); },
                                         [&](Dr_ListadoClientes *preview) {
                                             // Keys go where the focus is: wait until the preview has it.
                                             QTRY_VERIFY(preview->isAncestorOf(QApplication::focusWidget()));
                                             user(preview);
                                         });
    return shown && !QTest::currentTestFailed();
}

// What a message box said.
struct Told
{
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Ctrl+S on the preview with `file` chosen in the dialog it opens; the message
// that follows is answered OK and returned. None when the dialog or the message
// did not come, or a check on them failed.
std::optional<Told> saveFromPreview(Dr_ListadoClientes *preview, const QString &file)
{
    // Writing every page is slow under the sanitizers on a busy machine.
    constexpr int kSaveMs = 60000;
    preview->activateWindow(); // back from an earlier message box
    if (!QTest::qWaitFor([preview] { return preview->isAncestorOf(QApplication::focusWidget()); }))
        return std::nullopt;
    std::optional<Told> told;
    QPointer<ModalAction> answer;
    const bool asked = whileShown<QFileDialog>([] { pressKey(Qt::Key_S, Qt::ControlModifier); },
                                               [&](QFileDialog *dialog) {
                                                   chooseFile(dialog, file);
                                                   if (QTest::currentTestFailed())
                                                       return;
                                                   // Awaited only now that the dialog is gone: awaited earlier, it
                                                   // would answer a question of the dialog's own instead, and leave it
                                                   // open.
                                                   answer = onNextModal<QMessageBox>(
                                                       [&](QMessageBox *box) {
                                                           told = Told{box->text(), box->icon()};
                                                           if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                                                               ok->click();
                                                           else
                                                               box->reject();
                                                       },
                                                       kSaveMs);
                                               });
    if (!told)
        delete answer.data();
    return asked ? told : std::nullopt;
}

} // namespace

class TestCustomerListWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        hostkit::registerHostComponents();
        m_db = std::make_unique<TempDatabase>();
        m_broker = m_db->makeBroker();
        m_listado = std::make_unique<clListado>();
        TempDatabase::exec(m_db->personalPath(), kCustomersSql);
        QVERIFY(setDataConnection(*m_listado, m_broker.get()));
        QVERIFY(m_listado->setProperty("seleccionar", true));
    }
    void cleanup()
    {
        closeAllModals();
        m_listado.reset();
        m_broker.reset();
        m_db.reset();
        state() = ComponentState{};
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    void opensFilledFromTheDatabase()
    {
        QVERIFY(openList(*m_listado, [](FrmABMClientes *w) {
            QCOMPARE(w->windowTitle(), FrmABMClientes::caption(componentVersion()));
            QCOMPARE(w->findChild<QStatusBar *>(u"SB"_s)->currentMessage(),
                     u"[INSERT] Agregar Cliente - [DELETE] Borrar Cliente - [F6] Modificar - [ENTER] Seleccionar - "
                     "[F12] Imprimir Lista"_s);
            QAbstractItemView *report = w->list()->reportView();
            QCOMPARE(w->list()->objectName(), u"Lst"_s);
            QCOMPARE(w->list()->currentWidget(), report);
            QStringList headers;
            for (int column = 0; column < report->model()->columnCount(); ++column) {
                headers << report->model()->headerData(column, Qt::Horizontal).toString();
                QCOMPARE(w->list()->reportView()->isColumnHidden(column), column >= kRegalias);
            }
            QCOMPARE(headers,
                     (QStringList{u"Nombre"_s, u"Cuit"_s, u"Direccion"_s, u"E-Mail"_s, u"Regalias"_s,
                                  u"Ajuste Res 41/02"_s}));
            QCOMPARE(shownColumn(w, kNombre),
                     (QStringList{u"Benítez, Juan"_s, u"Gallardo, Marta"_s, u"gamboa, Luis"_s, u"GARAY, Rosa"_s,
                                  u"O'Connor, Sean"_s, u"Úbeda, Inés"_s}));
            const QStringList benitez
                = {u"Benítez, Juan"_s, u"20111111112"_s, u"Rivadavia 300"_s, QString(), u"10"_s, u"0"_s};
            for (int column = 0; column < kCustomerColumnCount; ++column)
                QCOMPARE(shownColumn(w, column).first(), benitez.at(column)); // NULLs as "" and "0"
            // The user can type a name as soon as the window shows.
            QCOMPARE(QApplication::focusWidget(), searchBox(w));
            pressKey(Qt::Key_Escape);
        }));
        QCOMPARE(FrmABMClientes::caption({2, 3, 7, u"Maestro"_s}), u"Clientes (Versión: 7.3.2) Maestro"_s);
    }

    void searchAndArrowKeysMoveTheSelection()
    {
        QVERIFY(openList(*m_listado, [](FrmABMClientes *w) {
            typeText(u"gA"_s);
            QCOMPARE(selectedName(w), u"Gallardo, Marta"_s);
            typeText(u"r"_s);
            QCOMPARE(selectedName(w), u"GARAY, Rosa"_s);
            typeText(u"x"_s); // matches nothing: the selection stays
            QCOMPARE(selectedName(w), u"GARAY, Rosa"_s);
            const std::pair<Qt::Key, int> moves[]
                = {{Qt::Key_Down, 4}, {Qt::Key_Down, 5}, {Qt::Key_Down, 5}, {Qt::Key_Up, 4}, {Qt::Key_Up, 3},
                   {Qt::Key_Up, 2},   {Qt::Key_Up, 1},   {Qt::Key_Up, 0},   {Qt::Key_Up, 0}};
            for (const auto &[key, row] : moves) {
                pressKey(key);
                QCOMPARE(w->list()->selectedRow(), row);
            }
            QCOMPARE(searchBox(w)->text(), u"gArx"_s);
            searchFor(w, u"úb"_s); // case folding beyond ASCII
            QCOMPARE(selectedName(w), u"Úbeda, Inés"_s);

            // With no row selected, Down comes in at the first row and Up at the last.
            for (const auto &[key, row] : {std::pair{Qt::Key_Down, 0}, std::pair{Qt::Key_Up, 5}}) {
                w->list()->reportView()->selectionModel()->clear();
                pressKey(key);
                QCOMPARE(w->list()->selectedRow(), row);
            }
            // End and Home in the list go to the last and the first customer.
            pressKey(Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), w->list()->reportView());
            for (const auto &[key, row] : {std::pair{Qt::Key_Home, 0}, std::pair{Qt::Key_End, 5}}) {
                pressKey(key);
                QCOMPARE(w->list()->selectedRow(), row);
            }
            pressKey(Qt::Key_Escape);
        }));
    }

    void enterPicksAndLeavingKeepsOnlyTheNumbers_data()
    {
        QTest::addColumn<bool>("fromList");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("picked"); // name, CUIT, address, e-mail, the two numbers
        QTest::addColumn<int>("leaveKey");
        QTest::addColumn<int>("leaveModifiers");
        QTest::newRow("in the search box, then Esc")
            << false << u"gA"_s << QStringList{u"Gallardo, Marta"_s,   u"27222222223"_s, u"alsina 20"_s,
                                               u"marta@ejemplo.com"_s, u"12.5"_s,        u"0.75"_s}
            << int(Qt::Key_Escape) << int(Qt::NoModifier);
        QTest::newRow("in the list, nulls, then Ctrl+C")
            << true << u"b"_s
            << QStringList{u"Benítez, Juan"_s, u"20111111112"_s, u"Rivadavia 300"_s, QString(), u"10"_s, u"0"_s}
            << int(Qt::Key_C) << int(Qt::ControlModifier);
    }
    void enterPicksAndLeavingKeepsOnlyTheNumbers()
    {
        QFETCH(bool, fromList);
        QFETCH(QString, typed);
        QFETCH(QStringList, picked);
        QFETCH(int, leaveKey);
        QFETCH(int, leaveModifiers);
        clListado &listado = *m_listado;
        QVERIFY(openList(listado, [&](FrmABMClientes *w) {
            typeText(typed);
            if (fromList) {
                pressKey(Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget(), w->list()->reportView());
                pressKey(Qt::Key_Return, Qt::ShiftModifier);
                QVERIFY2(w->isVisible() && listado.Cliente_Nombre().isEmpty(), "Shift+Enter picked");
            }
            pressKey(Qt::Key_Return);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(pickOf(listado), picked);

        QVERIFY(openList(listado, [&](FrmABMClientes *w) {
            typeText(u"o"_s);
            pressKey(Qt::Key(leaveKey), Qt::KeyboardModifiers(leaveModifiers));
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(pickOf(listado), (QStringList{{}, {}, {}, {}, picked.at(4), picked.at(5)}));
    }

    void enterDoesNothingWhenNotPickingOrEmpty_data()
    {
        QTest::addColumn<bool>("seleccionar");
        QTest::addColumn<bool>("empty");
        QTest::newRow("browsing") << false << false;
        QTest::newRow("empty list") << true << true;
    }
    void enterDoesNothingWhenNotPickingOrEmpty()
    {
        QFETCH(bool, seleccionar);
        QFETCH(bool, empty);
        if (empty)
            TempDatabase::exec(m_db->personalPath(), u"delete from clientes"_s);
        QVERIFY(m_listado->setProperty("seleccionar", seleccionar));
        QVERIFY(openList(*m_listado, [&](FrmABMClientes *w) {
            QCOMPARE(w->list()->rowCount(), empty ? 0 : 6);
            QString unexpected;
            const QPointer<ModalAction> box = answerNextMessageBox(QMessageBox::Ok, &unexpected);
            typeText(u"g"_s);
            for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Return, Qt::Key_Tab, Qt::Key_Return})
                pressKey(key);
            delete box.data();
            QCOMPARE(unexpected, QString());
            QVERIFY(w->isVisible());
            pressKey(Qt::Key_Escape);
        }));
        QCOMPARE(pickOf(*m_listado), (QStringList{{}, {}, {}, {}, u"0"_s, u"0"_s}));
    }

    void headerClickSortsAscendingAndSearchFollows()
    {
        QVERIFY(openList(*m_listado, [](FrmABMClientes *w) {
            typeText(u"gar"_s);
            // Lower case first, the accent among the plain letters, and a long shared start.
            const QStringList byAddress = {u"Gallardo, Marta"_s, u"GARAY, Rosa"_s,   u"Úbeda, Inés"_s,
                                           u"gamboa, Luis"_s,    u"Benítez, Juan"_s, u"O'Connor, Sean"_s};
            for (int click = 0; click < 2; ++click) {
                clickHeader(w, kDireccion);
                QCOMPARE(shownColumn(w, kNombre), byAddress);
            }
            QCOMPARE(selectedName(w), u"GARAY, Rosa"_s);
            searchFor(w, u"b"_s); // the click on the header took the focus to the list
            QCOMPARE(w->list()->selectedRow(), 4);
            // The hidden numeric column sorts as text.
            w->model()->sort(kRegalias);
            QCOMPARE(shownColumn(w, kRegalias), (QStringList{u"0"_s, u"10"_s, u"100"_s, u"12.5"_s, u"2"_s, u"9"_s}));
            searchFor(w, u"Ga"_s);
            QCOMPARE(w->list()->selectedRow(), 0);
            pressKey(Qt::Key_Return);
        }));
        QCOMPARE(m_listado->Cliente_Nombre(), u"GARAY, Rosa"_s);
        QCOMPARE(m_listado->Cliente_AjustexVinculacion(), 1.5);
    }

    void contextMenuSwitchesViewsAndClosingUnloads()
    {
        QPointer<FrmABMClientes> first;
        QVERIFY(openList(*m_listado, [&](FrmABMClientes *w) {
            first = w;
            QCOMPARE(state().windows.value(u"FrmABMClientes"_s).data(), w);
            clickHeader(w, kDireccion);
            searchFor(w, u"zzz"_s);
            CustomerListView *list = w->list();
            QVERIFY(chooseFromContextMenu(w, u"mniconos"_s));
            QCOMPARE(list->currentWidget(), list->iconView());
            QVERIFY(chooseFromContextMenu(w, u"mnDetalles"_s));
            QCOMPARE(list->currentWidget(), list->reportView());
            QVERIFY(chooseFromContextMenu(w, u"mniconos"_s)); // left so: the next use starts over
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
        QVERIFY2(first.isNull(), "the closed window is still alive");
        QVERIFY(!loaded(u"FrmABMClientes"_s));

        TempDatabase::exec(m_db->personalPath(),
                           u"insert into clientes (cuit, nombre) values ('27777777778', 'Aguirre, Ana')"_s);
        QVERIFY(openList(*m_listado, [](FrmABMClientes *w) {
            QCOMPARE(w->list()->rowCount(), 7);
            QCOMPARE(shownColumn(w, kNombre).first(), u"Aguirre, Ana"_s);
            QCOMPARE(searchBox(w)->text(), QString());
            QCOMPARE(w->model()->sortColumn(), -1);
            QCOMPARE(w->list()->currentWidget(), w->list()->reportView());
            pressKey(Qt::Key_Escape);
        }));
    }

    // Deleting asks; Yes removes the customer with its distribution lines and
    // no other row, the row leaves the list and the one after it is selected.
    void deleteAsksThenRemovesTheCustomerAndItsLines_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("inSearchBox");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("deleted");
        QTest::addColumn<QString>("selectedAfter");
        QTest::newRow("No keeps everything")
            << u"gal"_s << false << int(QMessageBox::No) << QStringList() << u"Gallardo, Marta"_s;
        QTest::newRow("with distribution lines, from the list")
            << u"gal"_s << false << int(QMessageBox::Yes)
            << QStringList{u"DIB[27222222223|901] deleted"_s, u"DIB[27222222223|902] deleted"_s,
                           u"clientes[27222222223] deleted"_s}
            << u"gamboa, Luis"_s;
        QTest::newRow("without distribution lines, from the search box")
            << u"b"_s << true << int(QMessageBox::Yes) << QStringList{u"clientes[20111111112] deleted"_s}
            << u"Gallardo, Marta"_s;
        QTest::newRow("an apostrophe in the CUIT, the last row")
            << u"Úr"_s << false << int(QMessageBox::Yes)
            << QStringList{u"DIB[20'1|904] deleted"_s, u"clientes[20'1] deleted"_s} << u"Úbeda, Inés"_s;
    }
    void deleteAsksThenRemovesTheCustomerAndItsLines()
    {
        QFETCH(QString, typed);
        QFETCH(bool, inSearchBox);
        QFETCH(int, answer);
        QFETCH(QStringList, deleted);
        QFETCH(QString, selectedAfter);
        TempDatabase::exec(m_db->personalPath(),
                           u"insert into clientes (cuit, nombre) values ('20''1', 'Úrsula, Ana');"
                           "insert into DIB (CLICUI, JRDNRO, DIBVALOR) values ('20''1', '904', 100)"_s);
        const auto before = DatabaseSnapshot::take(m_db->personalPath());
        QVERIFY(openList(*m_listado, [&](FrmABMClientes *w) {
            if (inSearchBox) {
                typeText(typed);
                pressKey(Qt::Key_Home); // Delete then also erases the first letter
            } else {
                selectInList(w, typed);
            }
            const QString name = selectedName(w);
            const DeleteBoxes boxes = pressDelete(QMessageBox::StandardButton(answer));
            QCOMPARE(boxes.question, u"Confirma eliminar el Cliente Seleccionado"_s);
            QCOMPARE(boxes.questionIcon, QMessageBox::Question);
            QCOMPARE(boxes.after, QString());
            QCOMPARE(w->list()->rowCount(), deleted.isEmpty() ? 7 : 6);
            QCOMPARE(shownColumn(w, kNombre).contains(name), deleted.isEmpty());
            QCOMPARE(selectedName(w), selectedAfter);
            if (inSearchBox)
                QCOMPARE(searchBox(w)->text(), typed.mid(1));
            pressKey(Qt::Key_Escape);
        }));
        // Other customers' lines and every benefit relation stay.
        QCOMPARE(before.differences(DatabaseSnapshot::take(m_db->personalPath())), deleted);
    }

    void aCustomerAlreadyGoneIsReportedAndItsRowStays()
    {
        QVERIFY(openList(*m_listado, [this](FrmABMClientes *w) {
            selectInList(w, u"gam"_s);
            TempDatabase::exec(m_db->personalPath(), u"delete from clientes where cuit = '20333333334'"_s);
            const auto before = DatabaseSnapshot::take(m_db->personalPath());
            const DeleteBoxes boxes = pressDelete(QMessageBox::Yes);
            QCOMPARE(boxes.after, u"0 registros eliminados"_s);
            QCOMPARE(boxes.afterIcon, QMessageBox::Warning);
            QCOMPARE(selectedName(w), u"gamboa, Luis"_s);
            QCOMPARE(w->list()->rowCount(), 6);
            // Its distribution lines are not touched.
            QCOMPARE(before.differences(DatabaseSnapshot::take(m_db->personalPath())), QStringList());
            QCOMPARE(pointer(), Qt::ArrowCursor);
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
    }

    // The statements themselves, the pointer while they run, and what a failure
    // of either does, with and without the data access's transactions.
    void deletionStatementsPointerAndFailures_data()
    {
        QTest::addColumn<bool>("transactions");
        QTest::addColumn<QString>("cuit");
        QTest::addColumn<QList<ScriptedAnswer>>("answers");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("rowRemoved");
        const Error failure(3043, u"RecordBroker.Ejecutar[PERSONAL]"_s, u"disk I/O error"_s);
        const QStringList both
            = {u"delete from clientes where cuit = '27222222223'"_s, u"delete from DIB where CLICUI = '27222222223'"_s};
        const QList<ScriptedAnswer> linesFail = {ScriptedAnswer::affected(1), ScriptedAnswer::failure(failure)};
        const QString begin = u"BeginTrans"_s;
        QTest::newRow("both run") << false << u"27222222223"_s
                                  << QList<ScriptedAnswer>{ScriptedAnswer::affected(1), ScriptedAnswer::affected(2)}
                                  << both << QString() << true;
        QTest::newRow("both run in one transaction")
            << true << u"27222222223"_s
            << QList<ScriptedAnswer>{ScriptedAnswer::affected(1), ScriptedAnswer::affected(2)}
            << QStringList{begin} + both + QStringList{u"CommitTrans"_s} << QString() << true;
        QTest::newRow("the lines fail without a transaction: the row still goes")
            << false << u"27222222223"_s << linesFail << both << u"[Clientes.Eliminar] disk I/O error"_s << true;
        QTest::newRow("the lines fail in a transaction: all undone, the row stays")
            << true << u"27222222223"_s << linesFail << QStringList{begin} + both + QStringList{u"RollbackTrans"_s}
            << u"[Clientes.Eliminar] disk I/O error"_s << false;
        QTest::newRow("the customer fails: the row stays")
            << false << u"27222222223"_s << QList<ScriptedAnswer>{ScriptedAnswer::failure(failure)} << both.mid(0, 1)
            << u"[Clientes.Eliminar] disk I/O error"_s << false;
        QTest::newRow("a blank CUIT runs nothing")
            << true << u"   "_s << QList<ScriptedAnswer>{} << QStringList() << QString() << false;
    }
    void deletionStatementsPointerAndFailures()
    {
        QFETCH(bool, transactions);
        QFETCH(QString, cuit);
        QFETCH(QList<ScriptedAnswer>, answers);
        QFETCH(QStringList, statements);
        QFETCH(QString, message);
        QFETCH(bool, rowRemoved);
        const std::unique_ptr<RecordingBroker> broker(transactions ? new TransactionalRecordingBroker
                                                                   : new RecordingBroker);
        QVERIFY(setDataConnection(*m_listado, broker.get()));
        broker->script(ScriptedAnswer::rowset(
            kListColumns, {{u"Gallardo, Marta"_s, cuit, {}, {}, 0, 0}, {u"Otro"_s, u"1"_s, {}, {}, 0, 0}}));
        for (const ScriptedAnswer &answer : answers)
            broker->script(answer);
        QList<Qt::CursorShape> pointers;
        broker->setOnRun([&](const RecordingBroker::Statement &) { pointers << pointer(); });

        QVERIFY(openList(*m_listado, [&](FrmABMClientes *w) {
            const qsizetype listQuery = broker->statements().size();
            pointers.clear();
            selectInList(w, u"gal"_s);
            const DeleteBoxes boxes = pressDelete(QMessageBox::Yes);
            QCOMPARE(boxes.after, message);
            if (!message.isEmpty())
                QCOMPARE(boxes.afterIcon, QMessageBox::Critical);
            QStringList ran;
            for (const auto &s : broker->statements().mid(listQuery)) {
                QVERIFY(!s.query);
                QCOMPARE(s.entity, u"PERSONAL"_s);
                ran << s.sql;
            }
            QCOMPARE(ran, statements);
            QCOMPARE(pointers, QList<Qt::CursorShape>(statements.size(), Qt::WaitCursor));
            QCOMPARE(pointer(), Qt::ArrowCursor);
            QCOMPARE(w->list()->rowCount(), rowRemoved ? 1 : 2);
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
    }

    // On the real data access a failure of the lines undoes the customer's
    // deletion: the customer, its lines and its row stay, and the failure shows.
    void aFailedDeletionLeavesTheCustomerItsLinesAndItsRow()
    {
        TempDatabase::exec(m_db->personalPath(),
                           onServer() ? u"create function lines_kept() returns trigger language plpgsql as "
                                        "$$ begin raise exception 'lines kept'; end $$;"
                                        "create trigger lines_kept before delete on DIB for each row "
                                        "execute function lines_kept()"_s
                                      : u"create trigger lines_kept before delete on DIB "
                                        "begin select raise(abort, 'lines kept'); end"_s);
        const auto before = DatabaseSnapshot::take(m_db->personalPath());
        QVERIFY(openList(*m_listado, [](FrmABMClientes *w) {
            selectInList(w, u"gal"_s);
            const DeleteBoxes boxes = pressDelete(QMessageBox::Yes);
            QVERIFY2(boxes.after.startsWith(u"[Clientes.Eliminar] "_s) && boxes.after.contains(u"lines kept"_s),
                     qPrintable(boxes.after));
            QCOMPARE(boxes.afterIcon, QMessageBox::Critical);
            QCOMPARE(w->list()->rowCount(), 6);
            QCOMPARE(selectedName(w), u"Gallardo, Marta"_s);
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
        QCOMPARE(before.differences(DatabaseSnapshot::take(m_db->personalPath())), QStringList());
    }

    // Ordered by name as the database orders it, whatever the list shows;
    // paged with the keys; Esc goes back to the list, which stays open.
    void f12PreviewsEveryCustomerByName()
    {
        useReportCustomers(m_db->personalPath());
        QVERIFY(openList(*m_listado, [](FrmABMClientes *w) {
            w->model()->sort(kDireccion);
            QVERIFY(shownColumn(w, kNombre).first() != u"Cliente 001"_s);

            // Only the list takes F12.
            const QPointer<ModalAction> none
                = onNextModal<Dr_ListadoClientes>([](Dr_ListadoClientes *p) { p->reject(); });
            searchBox(w)->setFocus();
            pressKey(Qt::Key_F12);
            QVERIFY(!none->done());
            delete none.data();

            QVERIFY(openPreview(w, [](Dr_ListadoClientes *preview) {
                const report::ReportDefinition &d = preview->definition();
                QCOMPARE(preview->windowTitle(), u"Listado de Clientes"_s);
                QCOMPARE(d.detail.name, u"Sección1"_s);
                QCOMPARE(d.detail.items.last().name, u"drTxt_Telefono"_s);
                QTRY_VERIFY(preview->document()->complete());
                QCOMPARE(preview->document()->recordCount(), 152);
                const int pages = preview->document()->pageCount();
                QCOMPARE(preview->findChild<QLabel *>(u"lbPaginas"_s)->text(), u"de %1"_s.arg(pages));
                const QStringList first = pageNames(preview->pageView()->page(), d);
                QCOMPARE(first.mid(0, 2), (QStringList{u"Cliente 001"_s, u"Cliente 002"_s}));
                QVERIFY(!preview->pageView()->image().isNull());

                pressKey(Qt::Key_PageDown);
                QCOMPARE(preview->currentPage(), 1);
                QCOMPARE(pageNames(preview->pageView()->page(), d).first(),
                         u"Cliente %1"_s.arg(first.size() + 1, 3, 10, QChar(u'0')));
                pressKey(Qt::Key_End, Qt::ControlModifier);
                QCOMPARE(preview->currentPage(), pages - 1);
                // The accented initial sorts after the plain letters, as the database's NOCASE does.
                QCOMPARE(pageNames(preview->pageView()->page(), d).last(), u"Ñandú, Íñigo"_s);
                pressKey(Qt::Key_PageDown); // stays on the last page
                QCOMPARE(preview->currentPage(), pages - 1);
                pressKey(Qt::Key_Home, Qt::ControlModifier);
                QCOMPARE(preview->currentPage(), 0);
                pressKey(Qt::Key_Escape);
            }));
            QVERIFY(w->isVisible());
            QVERIFY(!loaded(u"Dr_ListadoClientes"_s));
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
    }

    // Ctrl+S asks for a file, writes every page to it and says where it went,
    // or why it could not; printing gives the pages of the range the print
    // dialog sets.
    void previewSavesThePdfAndPrintsTheRangeAsked()
    {
        useReportCustomers(m_db->personalPath());
        const StrayMessageWatchdog unanswered; // a question nobody expected fails instead of blocking
        QTemporaryDir dir;
        const QString path = dir.filePath(u"clientes"_s); // the suffix is added
        int pages = 0;
        QVERIFY(openList(*m_listado, [&](FrmABMClientes *w) {
            QVERIFY(openPreview(w, [&](Dr_ListadoClientes *preview) {
                pages = preview->document()->pageCount();
                const std::optional<Told> saved = saveFromPreview(preview, path);
                QVERIFY(saved);
                QCOMPARE(saved->icon, QMessageBox::Information);
                QCOMPARE(saved->text, u"El listado se guardó en "_s + QDir::toNativeSeparators(path + u".pdf"_s));
                const QString unwritable = dir.filePath(u"no/such/folder/x.pdf"_s);
                const std::optional<Told> refused = saveFromPreview(preview, unwritable);
                QVERIFY(refused);
                QCOMPARE(refused->icon, QMessageBox::Critical);
                QVERIFY2(refused->text.startsWith(u"75 - No se pudo escribir el archivo "_s + unwritable + u": "_s),
                         qPrintable(refused->text));

                QPrinter printer(QPrinter::HighResolution);
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(dir.filePath(u"printed.pdf"_s));
                printer.setPrintRange(QPrinter::PageRange);
                printer.setFromTo(2, 3);
                QVERIFY(preview->printTo(printer));
                QVERIFY(
                    run(u"pdfinfo"_s, {printer.outputFileName()}).contains(QRegularExpression(u"Pages:\\s+2\\n"_s)));
                preview->showPage(1);
                printer.setPrintRange(QPrinter::CurrentPage);
                QVERIFY(preview->printTo(printer));
                const QString current = run(u"pdftotext"_s, {printer.outputFileName(), u"-"_s});
                QVERIFY(current.contains(u"Cliente 060"_s) && !current.contains(u"Cliente 001"_s));
                preview->reject();
            }));
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
        QVERIFY(run(u"pdfinfo"_s, {path + u".pdf"_s}).contains(QRegularExpression(u"Pages:\\s+%1\\n"_s.arg(pages))));
    }

    void failingReportQueryIsReportedAndTheListStays()
    {
        RecordingBroker broker;
        QVERIFY(setDataConnection(*m_listado, &broker));
        broker.script(ScriptedAnswer::rowset(kListColumns, {{u"Ana"_s, u"1"_s, {}, {}, 0, 0}}));
        broker.script(
            ScriptedAnswer::failure(Error(3146, u"RecordBroker.CrearRs[PERSONAL]"_s, u"no such column: Telefonos"_s)));
        QVERIFY(openList(*m_listado, [&](FrmABMClientes *w) {
            QString text;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            const QPointer<ModalAction> box = answerNextMessageBox(QMessageBox::Ok, &text, &icon);
            w->list()->reportView()->setFocus();
            pressKey(Qt::Key_F12);
            QCOMPARE(text,
                     u"3146 - no such column: Telefonos\r\nSeccion [basDrListadoClientes.ImprimirListadoClientes]"_s);
            QCOMPARE(icon, QMessageBox::Critical);
            QVERIFY(w->isVisible());
            QVERIFY(!loaded(u"Dr_ListadoClientes"_s));
            const RecordingBroker::Statement last = broker.statements().constLast();
            QCOMPARE(last.sql, kReportSql);
            QCOMPARE(last.entity, u"PERSONAL"_s);
            QVERIFY(last.query);
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
    }

    // Every name and CUIT is in the PDF's text; no word of a detail line
    // crosses the right edge of the field it starts in.
    void pdfTextHoldsEveryCustomerWithinItsField()
    {
        useReportCustomers(m_db->personalPath());
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.pdf"_s);
        const int pages = writeCustomerListPdf(*m_broker, path);
        QVERIFY(pages >= 3);

        const QString text = run(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
        QCOMPARE(text.count(u"Listado de Clientes"_s), 1);
        QCOMPARE(text.count(u"C.U.I.T"_s), pages);
        for (int k = 1; k <= 150; ++k) {
            QVERIFY(text.contains(u"Cliente %1"_s.arg(k, 3, 10, QChar(u'0'))));
            QVERIFY(text.contains(u"3070000%1"_s.arg(k, 4, 10, QChar(u'0'))));
        }
        QVERIFY(text.contains(u"Ñandú, Íñigo"_s));

        const report::ReportDefinition d = customerListReport();
        QList<std::pair<double, double>> fields; // points from the paper's left edge
        for (const report::ReportItem &item : d.detail.items)
            fields.append(
                {(d.margins.left() + item.box.left()) / 20.0, (d.margins.left() + item.box.right() + 1) / 20.0});
        // Below the title of the first page and the headings of the others.
        const double detailsFrom = (d.margins.top() + d.pageHeader.height) / 20.0;
        const QRegularExpression word(u"<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\""_s);
        int checked = 0;
        for (auto m = word.globalMatch(run(u"pdftotext"_s, {u"-bbox"_s, path, u"-"_s})); m.hasNext();) {
            const auto match = m.next();
            if (match.captured(2).toDouble() < detailsFrom)
                continue;
            const double xMin = match.captured(1).toDouble();
            const double xMax = match.captured(3).toDouble();
            for (const auto &[left, right] : fields) {
                if (xMin >= left - 0.5 && xMin < right) {
                    QVERIFY2(xMax <= right + 0.05, qPrintable(u"%1 > %2"_s.arg(xMax).arg(right)));
                    ++checked;
                }
            }
        }
        QVERIFY(checked > 500);
    }

    // A PDF that cannot be written (a full disk) is a failure naming the
    // file, never a page count; a device is written as itself, never replaced.
    void pdfThatCannotBeWrittenFails()
    {
        const QString full = u"/dev/full"_s;
        if (!QFileInfo(full).exists())
            QSKIP("no /dev/full");
        const auto failure = errorOf([&] { writeCustomerListPdf(*m_broker, full); });
        QVERIFY(failure);
        QCOMPARE(failure->number(), errnum::kFileError);
        QVERIFY2(failure->description().startsWith(u"No se pudo escribir el archivo /dev/full: "_s),
                 qPrintable(failure->description()));
        QVERIFY(!QFileInfo(full).isFile());
    }

private:
    UserSettingsSandbox m_settings;
    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<hostkit::RecordBroker> m_broker;
    std::unique_ptr<clListado> m_listado;
};

QTEST_MAIN(TestCustomerListWindow)
#include "tst_customerlistwindow.moc"
