// The gross-income window and its line editor as a user works them, checked against the database's rows.

#include <QLabel>
#include <QMetaEnum>
#include <QTest>
#include <QTreeView>

#include "core/componentstate.h"
#include "core/grossincomestore.h"
#include "felcora/hostkit/hostkit.h"
#include "grossincome/grossincome.h"
#include "grossincome/grossincomewindow.h"
#include "grossincome/jurisdictionlinewindow.h"
#include "support/dialogwork.h"
#include "support/hostsession.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::grossincome;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

// The stored number is longer than its box takes: it is shown and written whole.
const QString kCustomerSql
    = u"insert into clientes (cuit, ingbru, CIB, CML, NIN) values ('30500000001', 3, '0', '1', '901-1234567-89')"_s;
const QString kCuit = u"30500000001"_s;
const QString kStoredCustomer = u"0|1|901-1234567-89|3"_s; // CIB, CML, NIN and ingbru
const QString kCustomerQuery = u"select CIB || '|' || CML || '|' || NIN || '|' || ingbru from clientes"_s;
// The shares as numbers: a server keeps the decimals a statement wrote.
const QString kLinesQuery = u"select group_concat(JRDNRO || ':' || cast(DIBVALOR as double precision) || ':' || "
                            "DIBEXENTO, ' ') from (select * from DIB order by JRDNRO) as lines"_s;
const QString kCaba = u"901|Ciudad Autónoma de Buenos Aires|"_s;
const QString kGone = u"Warning: El cliente 30500000001 ya no existe: otro puesto lo eliminó o cambió su CUIT."_s;
const QString kTaken = u"Critical: La jurisdicción 901 ya existe."_s;
const QString kSumQuestion
    = u"Question: La suma total da %1 para transferir al maria debe sumar 1 (uno)\r\n\r\ndesea salir?"_s;

// The message boxes seen, each as "Icon: text".
QStringList seen(const MessageBoxes &boxes)
{
    QStringList shown;
    for (qsizetype k = 0; k < boxes.texts.size(); ++k)
        shown << QString::fromLatin1(QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(boxes.icons.at(k))) + u": "_s
                + boxes.texts.at(k);
    return shown;
}

// The list's rows, cells joined by "|" (" grey" after a grey row), then the total line and its colour.
QStringList shownLines(const QWidget *w)
{
    const QAbstractItemModel *model = child<QTreeView>(w, u"lstConceptos"_s)->model();
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        const bool grey = model->index(row, 0).data(Qt::ForegroundRole).value<QColor>() == QColor(128, 128, 128);
        rows << cells.join(u'|') + (grey ? u" grey"_s : QString());
    }
    auto *total = child<QLabel>(w, u"lbTotal"_s);
    total->ensurePolished();
    return rows << total->text() + u" in "_s + total->palette().color(total->foregroundRole()).name();
}

// Esc after the steps and sql; messages: the boxes seen; customer: its stored columns after ("" when gone); lines:
// stored before it opens, list: as shown; shown: controls after Esc.
struct Leaving
{
    QStringList messages;
    QString customer;
    QStringList steps = {};
    QString sql = {};
    Buttons answers = {QMessageBox::Yes};
    QStringList shown = {};
    QStringList lines = {u"901:0.5:0"_s};
    QStringList list = {kCaba + u"0.5000|N"_s, u"Total cargado: 0.5000 in #808080"_s};
};

// A key in the list; reloaded: then the window shows the customer's number as stored again.
struct ListKey
{
    Qt::Key key = Qt::Key_Insert;
    QStringList steps, messages;
    QString total, lines;
    bool reloaded = false;
    Buttons answers = {};
    QString sql = {}; // run before the key
};

} // namespace

Q_DECLARE_METATYPE(Leaving)
Q_DECLARE_METATYPE(ListKey)

class TestGrossIncome : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        hostkit::registerHostComponents();
        m_session = std::make_unique<HostSession>(kCustomerSql);
    }
    void cleanup()
    {
        closeAllModals();
        m_session.reset();
        state() = ComponentState{};
        QLocale::setDefault(m_startLocale);
    }

    // Esc stores the columns (rate 3 becomes 2.5 or 0) and closes; with shares not summing to 1 it asks first. A
    // refused number or a No keeps it open; a customer gone closes it with nothing stored.
    void leaving_data()
    {
        QTest::addColumn<Leaving>("c");
        const Buttons yes = {QMessageBox::Yes}, no = {QMessageBox::No};
        const QString saved = u"0|1|901-1234567-89|2.5"_s, number = u"TxtNumIns=901-1234567-89"_s;
        const QStringList thirdsShown = {kCaba + u"0.3333|N"_s, u"902|Buenos Aires|0.3333|N"_s};
        const QStringList asked = {kSumQuestion.arg(u"0.5"_s)};
        const QString changed = u"update clientes set CIB = '2', CML = '0', ingbru = 0"_s;
        const QStringList askedAndChanged = asked
            + QStringList{u"Question: Otro puesto modificó este cliente después de que lo abrió (campos: Condición "
                          "frente a ingresos brutos, Convenio Multilateral). ¿Guardar sus cambios de todos modos?"_s};
        const auto sums
            = [&](const char *name, const QStringList &messages, const QStringList &lines, const QStringList &list) {
                  QTest::newRow(name) << Leaving(messages, saved, {}, {}, {QMessageBox::Yes}, {}, lines, list);
              };
        sums("no lines", {kSumQuestion.arg(u"0"_s)}, {}, {total(u"0.0000 in #e0e0e0"_s)});
        sums("thirds make one, an exempt line counted, a number padded as a server pads it named", {},
             {u"901:0.3333:0"_s, u"902:0.3333:0"_s, u"903 :0.3334:1"_s},
             thirdsShown + QStringList{u"903 |Catamarca|0.3334|S grey"_s, total(u"1.0000 in #808080"_s)});
        sums("exactly 1.5", {kSumQuestion.arg(u"1.5"_s)}, {u"901:0.5:0"_s, u"924:1:0"_s},
             {kCaba + u"0.5000|N"_s, u"924|Tucumán|1.0000|N"_s, total(u"1.5000 in #004000"_s)});
        sums("above 1.5", {kSumQuestion.arg(u"1.6"_s)}, {u"916:1.6:0"_s},
             {u"916|Río Negro|1.6000|N"_s, total(u"1.6000 in #ff0000"_s)});
        sums("each share rounded before it is added", {kSumQuestion.arg(u"0.9999"_s)},
             {u"901:0.33333:0"_s, u"902:0.33333:0"_s, u"903:0.33334:0"_s},
             thirdsShown + QStringList{u"903|Catamarca|0.3333|N"_s, total(u"0.9999 in #808080"_s)});
        QTest::newRow("No Inscripto") << Leaving(
            {}, u"1|1|901-1234567-89|2.5"_s, {u"cboExento#1"_s}, {}, yes,
            {u"chkInsCon on disabled"_s, number + u" disabled"_s, u"lstConceptos disabled"_s});
        QTest::newRow("Exento, the box unticked")
            << Leaving({}, u"2|0|901-1234567-89|0"_s, {u"cboExento#2"_s, u"chkInsCon"_s}, {}, yes,
                       {u"chkInsCon off"_s, number, u"lstConceptos disabled"_s});
        QTest::newRow("ticked box, blank number")
            << Leaving({u"Warning: Debe ingresar el Número de Inscripción"_s}, kStoredCustomer, {u"TxtNumIns=   "_s});
        QTest::newRow("a quote in the number; the sum question No")
            << Leaving(asked, kStoredCustomer, {u"TxtNumIns=12'34"_s}, {}, no, {u"TxtNumIns=12 34"_s});
        QTest::newRow("changed meanwhile, kept")
            << Leaving(askedAndChanged, u"2|0|901-1234567-89|0"_s, {}, changed, yes + no);
        QTest::newRow("changed meanwhile, overwritten") << Leaving(askedAndChanged, saved, {}, changed, yes + yes);
        QTest::newRow("deleted meanwhile: nothing stored")
            << Leaving(asked + QStringList{kGone}, {}, {}, u"delete from clientes"_s);
    }

    void leaving()
    {
        QFETCH(Leaving, c);
        insertLines(c.lines);
        MessageBoxes boxes(c.answers);
        QVERIFY(openGrossIncome([&](FrmIngresosBrutos *w) {
            QCOMPARE(shownLines(w), c.list);
            edit(w, c.steps);
            exec(c.sql);
            if (!child<QWidget>(w, u"lstConceptos"_s)->isEnabled())
                QVERIFY(!whileShown<frmAMBIB>([] { pressKey(Qt::Key_Insert); }, [](frmAMBIB *e) { e->reject(); }));
            const QString before = stored(kCustomerQuery);
            pressKey(Qt::Key_Escape);
            QCOMPARE(looks(w, c.shown), c.shown);
            QCOMPARE(w->isVisible(), !before.isEmpty() && stored(kCustomerQuery) == before);
            if (w->isVisible())
                w->reject();
        }));
        QCOMPARE(seen(boxes), c.messages);
        QCOMPARE(stored(kCustomerQuery), c.customer);
    }

    // Keys over 901 (0.5) and the selected exempt 902 (0.25), in decimal commas, as another desk adds 924 (0.125).
    void listKeys_data()
    {
        QTest::addColumn<ListKey>("c");
        const QString added = u"901:0.5:0 902:0.25:1 924:0.125:0"_s, without902 = u"901:0.5:0 924:0.125:0"_s;
        const QString confirm = u"Question: Confirma eliminar el concepto 902 ?"_s;
        const Qt::Key insert = Qt::Key_Insert, enter = Qt::Key_Return, del = Qt::Key_Delete;
        QTest::newRow("Insert, saved") << ListKey(insert, {u"cboProvincia#3"_s, u"txtValor=0,25"_s}, {}, u"1,1250"_s,
                                                  u"901:0.5:0 902:0.25:1 904:0.25:0 924:0.125:0"_s);
        QTest::newRow("Insert, a jurisdiction the customer has")
            << ListKey(insert, {u"txtValor=0,1"_s}, {kTaken}, u"0,8750"_s, added, true);
        QTest::newRow("Insert, letters as share")
            << ListKey(insert, {u"cboProvincia#2"_s, u"txtValor=abc"_s},
                       {u"Warning: debe ingresar un valor numerico"_s}, u"0,8750"_s, added, true);
        // The number stays as typed: there is no customer to load it from.
        QTest::newRow("Insert, the customer deleted: no line added")
            << ListKey(insert, {u"cboProvincia#2"_s, u"txtValor=0,5"_s}, {kGone}, u"0,8750"_s, added, false, {},
                       u"delete from clientes"_s);
        QTest::newRow("Enter, untouched: the line as loaded") << ListKey(enter, {}, {}, u"0,8750"_s, added);
        QTest::newRow("Enter, onto a jurisdiction the customer has")
            << ListKey(enter, {u"cboProvincia#0"_s}, {kTaken}, u"0,7500"_s, added);
        QTest::newRow("Delete, No") << ListKey(del, {}, {confirm}, u"0,7500"_s, added, false, {QMessageBox::No});
        QTest::newRow("Delete, Yes") << ListKey(del, {}, {confirm}, u"0,6250"_s, without902, false, {QMessageBox::Yes});
        QTest::newRow("Delete, the line deleted")
            << ListKey(del, {}, {confirm, u"Warning: No se elimino ningun registro."_s}, u"0,7500"_s, without902, false,
                       {QMessageBox::Yes}, u"delete from DIB where JRDNRO = '902'"_s);
    }
    void listKeys()
    {
        QFETCH(ListKey, c);
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
        insertLines({u"901:0.5:0"_s, u"902:0.25:1"_s});
        MessageBoxes boxes(c.answers);
        const auto work = [&](frmAMBIB *e) { // F11 ends the editor, Esc after a message
            QVERIFY(QTest::qWaitForWindowActive(e));
            QCOMPARE(focusName(), u"cboProvincia"_s);
            edit(e, c.steps);
            pressKey(Qt::Key_F11);
            QCOMPARE(e->isVisible(), !c.messages.isEmpty());
            if (e->isVisible()) {
                reactivate(e);
                pressKey(Qt::Key_Escape);
            }
        };
        QVERIFY(openGrossIncome([&](FrmIngresosBrutos *w) {
            edit(w, {u"TxtNumIns=777"_s});
            auto *list = child<QTreeView>(w, u"lstConceptos"_s);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(1, 0)).center());
            exec(c.sql);
            insertLines({u"924:0.125:0"_s});
            QCOMPARE(whileShown<frmAMBIB>([&] { pressKey(c.key); }, work), c.key != Qt::Key_Delete);
            reactivate(w);
            QCOMPARE(child(w, u"TxtNumIns"_s)->text(), c.reloaded ? u"901-1234567-89"_s : u"777"_s);
            QCOMPARE(shownLines(w).constLast().section(u" in "_s, 0, 0), total(c.total));
            if (c.key == Qt::Key_Return) // the line stays selected as the list is read again
                QCOMPARE(list->currentIndex().row(), 1);
            w->reject();
        }));
        QCOMPARE(seen(boxes), c.messages);
        QCOMPARE(stored(kLinesQuery), c.lines);
    }

    // A stored condition past the list is reported as the window opens.
    void conditionPastTheList()
    {
        exec(u"update clientes set CIB = '3'"_s);
        MessageBoxes boxes;
        QVERIFY(openGrossIncome([](FrmIngresosBrutos *w) { w->reject(); }));
        QCOMPARE(seen(boxes),
                 QStringList{u"Critical: El valor de la propiedad no es válido\r\n\r\n380 - seccion "
                             "[felcora.frmingresosbrutos.cargardatos]"_s});
    }

private:
    static QString total(const QString &shown) { return u"Total cargado: "_s + shown; }
    void exec(const QString &sql) const
    {
        if (!sql.isEmpty())
            TempDatabase::exec(m_session->personal(), sql);
    }
    // Lines written as "JRDNRO:DIBVALOR:DIBEXENTO", as kLinesQuery reads them.
    void insertLines(const QStringList &lines) const
    {
        for (const QString &line : lines)
            exec(u"insert into DIB values ('%1', '%2', %3)"_s.arg(kCuit, line.section(u':', 0, 0),
                                                                  line.section(u':', 1).replace(u':', u',')));
    }
    QString stored(const QString &query) const { return TempDatabase::scalar(m_session->personal(), query).toString(); }
    bool openGrossIncome(const std::function<void(FrmIngresosBrutos *)> &user)
    {
        GrossIncomeStore store({&state().broker(), &state().molde(), state().transactions()});
        return userWorks<FrmIngresosBrutos>([&] { showGrossIncome(store, kCuit, nullptr); }, user);
    }

    std::unique_ptr<HostSession> m_session;
    UserSettingsSandbox m_settings;
    const QLocale m_startLocale;
    StrayMessageWatchdog m_watchdog;
};

QTEST_MAIN(TestGrossIncome)
#include "tst_grossincome.moc"
