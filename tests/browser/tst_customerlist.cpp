// The customer list window as a host opens it through clListado and a user
// works it: filled from a real database, searched, moved through, picked
// from, sorted, switched between views; its failures and its unloading.

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <optional>

#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "core/componentstate.h"
#include "core/componentversion.h"
#include "felcora/clListado.h"
#include "felcora/hostkit/hostkit.h"
#include "listwindow.h"
#include "support/errors.h"
#include "support/modal.h"
#include "support/recordingbroker.h"
#include "support/tempdatabase.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::browser;
using namespace Qt::StringLiterals;
using namespace felcora::test;

namespace {

// Inserted out of order; the list reads them by name ignoring ASCII case,
// which puts the accented initial last.
const QString kCustomersSql =
    u"insert into clientes (cuit, nombre, domicilio, email, regalias, AjxVinc_4102) values "
    "('20555555556', 'O''Connor, Sean', 'Zapiola 1', 'sean@ejemplo.com', 100, 0),"
    "('27444444445', 'GARAY, Rosa', 'Belgrano 55', 'rosa@ejemplo.com', NULL, 1.5),"
    "('27666666667', 'Álvarez, Inés', 'Échague 7', 'ines@ejemplo.com', 2, 3),"
    "('27222222223', 'Gallardo, Marta', 'alsina 20', 'marta@ejemplo.com', 12.5, 0.75),"
    "('20111111112', 'Benítez, Juan', 'Rivadavia 300', NULL, 10, NULL),"
    "('20333333334', 'gamboa, Luis', 'Rivadavia 100', 'luis@ejemplo.com', 9, 2)"_s;

// The column headers of the report view.
QHeaderView *columnHeader(FrmABMClientes *w)
{
    const auto headers = w->list()->reportView()->findChildren<QHeaderView *>();
    const auto it = std::find_if(headers.begin(), headers.end(), [](auto *h) { return h->orientation() == Qt::Horizontal; });
    return it == headers.end() ? nullptr : *it;
}

void clickHeader(FrmABMClientes *w, int column)
{
    QHeaderView *header = columnHeader(w);
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

// Right-clicks the current view, the menu opening on the release, and clicks
// an entry of it.
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
    return {l.Cliente_Nombre(), l.Cliente_Cuit(), l.Cliente_Domicilio(), l.Cliente_EMail(),
            QString::number(l.Cliente_Regalias()), QString::number(l.Cliente_AjustexVinculacion())};
}

bool noLiveWindowLoaded()
{
    const auto &windows = state().windows;
    return std::none_of(windows.begin(), windows.end(), [](const auto &w) { return qobject_cast<FrmABMClientes *>(w.data()); });
}

} // namespace

class TestCustomerList : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        hostkit::registerHostComponents();
        m_host = std::make_unique<Host>();
        test::TempDatabase::exec(m_host->db.personalPath(), kCustomersSql);
        QVERIFY(setDataConnection(m_host->listado, m_host->broker.get()));
        QVERIFY(m_host->listado.setProperty("seleccionar", true));
    }
    void cleanup()
    {
        test::closeAllModals();
        m_host.reset();
        state() = ComponentState{};
    }

    void opensFilledFromTheDatabase()
    {
        QVERIFY(openList(m_host->listado, [](FrmABMClientes *w) {
            QCOMPARE(w->windowTitle(), FrmABMClientes::caption(componentVersion()));
            QCOMPARE(w->findChild<QStatusBar *>(u"SB"_s)->currentMessage(),
                     u"[INSERT] Agregar Cliente - [DELETE] Borrar Cliente - [F6] Modificar - [ENTER] Seleccionar - "
                     "[F12] Imprimir Lista"_s);
            QAbstractItemView *report = w->list()->reportView();
            QCOMPARE(w->list()->objectName(), u"Lst"_s);
            QCOMPARE(report->objectName(), u"LstReporte"_s);
            QCOMPARE(w->list()->currentWidget(), report);
            QVERIFY(report->isVisible());

            QStringList headers;
            for (int column = 0; column < report->model()->columnCount(); ++column) {
                headers << report->model()->headerData(column, Qt::Horizontal).toString();
                QCOMPARE(columnHeader(w)->isSectionHidden(column), column >= kRegalias);
            }
            QCOMPARE(headers, (QStringList{u"Nombre"_s, u"Cuit"_s, u"Direccion"_s, u"E-Mail"_s, u"Regalias"_s,
                                           u"Ajuste Res 41/02"_s}));
            QCOMPARE(shownColumn(w, kNombre), (QStringList{u"Benítez, Juan"_s, u"Gallardo, Marta"_s, u"gamboa, Luis"_s,
                                                          u"GARAY, Rosa"_s, u"O'Connor, Sean"_s, u"Álvarez, Inés"_s}));
            const QStringList benitez = {u"Benítez, Juan"_s, u"20111111112"_s, u"Rivadavia 300"_s, QString(), u"10"_s, u"0"_s};
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
        QVERIFY(openList(m_host->listado, [](FrmABMClientes *w) {
            typeText(u"gA"_s);
            QCOMPARE(selectedName(w), u"Gallardo, Marta"_s);
            typeText(u"r"_s);
            QCOMPARE(selectedName(w), u"GARAY, Rosa"_s);
            typeText(u"x"_s); // matches nothing: the selection stays
            QCOMPARE(selectedName(w), u"GARAY, Rosa"_s);

            const std::pair<Qt::Key, int> moves[] = {{Qt::Key_Down, 4}, {Qt::Key_Down, 5}, {Qt::Key_Down, 5},
                                                     {Qt::Key_Up, 4},   {Qt::Key_Up, 3},   {Qt::Key_Up, 2},
                                                     {Qt::Key_Up, 1},   {Qt::Key_Up, 0},   {Qt::Key_Up, 0}};
            for (const auto &[key, row] : moves) {
                pressKey(key);
                QCOMPARE(w->list()->selectedRow(), row);
            }
            QCOMPARE(searchBox(w)->text(), u"gArx"_s);

            searchFor(w, u"ál"_s); // case folding beyond ASCII
            QCOMPARE(selectedName(w), u"Álvarez, Inés"_s);
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
        QTest::newRow("in the search box, then Esc") << false << u"gA"_s
            << QStringList{u"Gallardo, Marta"_s, u"27222222223"_s, u"alsina 20"_s, u"marta@ejemplo.com"_s, u"12.5"_s, u"0.75"_s}
            << int(Qt::Key_Escape) << int(Qt::NoModifier);
        QTest::newRow("in the list, nulls, then Ctrl+C") << true << u"b"_s
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
        clListado &listado = m_host->listado;
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
            test::TempDatabase::exec(m_host->db.personalPath(), u"delete from clientes"_s);
        clListado &listado = m_host->listado;
        QVERIFY(listado.setProperty("seleccionar", seleccionar));
        QVERIFY(openList(listado, [&](FrmABMClientes *w) {
            QCOMPARE(w->list()->rowCount(), empty ? 0 : 6);
            QString unexpected;
            const QPointer<test::ModalAction> box = test::answerNextMessageBox(QMessageBox::Ok, &unexpected);
            typeText(u"g"_s);
            for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Return, Qt::Key_Tab, Qt::Key_Return})
                pressKey(key);
            delete box.data();
            QCOMPARE(unexpected, QString());
            QVERIFY(w->isVisible());
            pressKey(Qt::Key_Escape);
        }));
        QCOMPARE(pickOf(listado), (QStringList{{}, {}, {}, {}, u"0"_s, u"0"_s}));
    }

    void headerClickSortsAscendingAndSearchFollows()
    {
        clListado &listado = m_host->listado;
        QVERIFY(openList(listado, [](FrmABMClientes *w) {
            typeText(u"gar"_s);
            // Lower case first, the accent among the plain letters, and a long shared start.
            const QStringList byAddress = {u"Gallardo, Marta"_s, u"GARAY, Rosa"_s,   u"Álvarez, Inés"_s,
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
        QCOMPARE(listado.Cliente_Nombre(), u"GARAY, Rosa"_s);
        QCOMPARE(listado.Cliente_AjustexVinculacion(), 1.5);
    }

    void failingQueryOpensNoWindow()
    {
        test::RecordingBroker broker;
        QVERIFY(setDataConnection(m_host->listado, &broker));
        broker.script(test::ScriptedAnswer::failure(Error(3146, u"RecordBroker.CrearRs[PERSONAL]"_s, u"no such table"_s)));
        std::optional<Error> error;
        QVERIFY2(!openList(m_host->listado, [](FrmABMClientes *w) { w->unload(); }, &error), "the list opened");
        QVERIFY(error);
        QCOMPARE(error->number(), 11111);
        QVERIFY2(error->description().endsWith(u" - LINEA 5"_s), qPrintable(error->description()));
        for (QWidget *top : QApplication::topLevelWidgets())
            QVERIFY2(!(qobject_cast<FrmABMClientes *>(top) && top->isVisible()), "the list stayed open");
        QVERIFY(noLiveWindowLoaded());
    }

    void handlerFailureIsReportedAndTheWindowStays()
    {
        QVERIFY(openList(m_host->listado, [](FrmABMClientes *w) {
            w->list()->reportView()->selectionModel()->clear();
            QString text;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            const QPointer<test::ModalAction> answer = test::answerNextMessageBox(QMessageBox::Ok, &text, &icon);
            pressKey(Qt::Key_Down);
            QVERIFY2(!answer || answer->done(), "no message box");
            const QRegularExpression expected(u"^91 - .+\r\nSeccion \\[FrmABMClientes\\.lf_MoverAbajo\\]$"_s);
            QVERIFY2(expected.match(text).hasMatch(), qPrintable(text));
            QCOMPARE(icon, QMessageBox::Critical);
            QVERIFY(w->isVisible());
            pressKey(Qt::Key_Escape, Qt::NoModifier, w); // the box took the focus with it
        }));
    }

    void contextMenuSwitchesViewsAndClosingUnloads()
    {
        QPointer<FrmABMClientes> first;
        QVERIFY(openList(m_host->listado, [&](FrmABMClientes *w) {
            first = w;
            QCOMPARE(state().windows.value(u"FrmABMClientes"_s).data(), w);
            clickHeader(w, kDireccion);
            searchFor(w, u"zzz"_s);
            CustomerListView *list = w->list();
            QVERIFY(chooseFromContextMenu(w, u"mniconos"_s));
            QCOMPARE(list->currentWidget(), list->iconView());
            QCOMPARE(list->currentWidget()->objectName(), u"LstIconos"_s);
            QVERIFY(chooseFromContextMenu(w, u"mnDetalles"_s));
            QCOMPARE(list->currentWidget(), list->reportView());
            QVERIFY(chooseFromContextMenu(w, u"mniconos"_s)); // left so: the next use starts over
            pressKey(Qt::Key_Escape, Qt::NoModifier, w);
        }));
        QVERIFY2(first.isNull(), "the closed window is still alive");
        QVERIFY(noLiveWindowLoaded());

        test::TempDatabase::exec(m_host->db.personalPath(),
                                 u"insert into clientes (cuit, nombre) values ('27777777778', 'Aguirre, Ana')"_s);
        QVERIFY(openList(m_host->listado, [](FrmABMClientes *w) {
            QCOMPARE(w->list()->rowCount(), 7);
            QCOMPARE(shownColumn(w, kNombre).first(), u"Aguirre, Ana"_s);
            QCOMPARE(searchBox(w)->text(), QString());
            QCOMPARE(w->model()->sortColumn(), -1);
            QCOMPARE(w->list()->currentWidget(), w->list()->reportView());
            pressKey(Qt::Key_Escape);
        }));
        QVERIFY(noLiveWindowLoaded());
    }

private:
    test::UserSettingsSandbox m_settings;
    std::unique_ptr<Host> m_host;
};

QTEST_MAIN(TestCustomerList)
#include "tst_customerlist.moc"
