// The gross-income window and its line editor as a user works them on a real
// database: the lines and their coloured total, the conditions and what Esc
// stores, deleting a line, what reloads after the editor, the editor's checks,
// the exact statements, and the whole way from the modify window and back.

#include <QAbstractButton>
#include <QLabel>
#include <QMetaEnum>
#include <QTest>
#include <QTreeView>

#include "core/componentstate.h"
#include "customer/modifycustomerwindow.h"
#include "felcora/clModificar.h"
#include "felcora/hostkit/hostkit.h"
#include "grossincome/grossincome.h"
#include "grossincome/grossincomewindow.h"
#include "grossincome/jurisdictionlinewindow.h"
#include "support/dialogwork.h"
#include "support/hostsession.h"
#include "support/modal.h"
#include "support/recordingbroker.h"
#include "support/tempdatabase.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::grossincome;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

const QString kCuit = u"30500000001"_s;
const QString kCustomerSql
    = u"insert into clientes (cuit, nombre, domicilio, localidad, codpost, email, telefonos, finitactiv, contacto, "
      "cvdi, condiva, condivafact, ivaexento, eximgan, eximganvalor, eximganvalortemp, ivaareduccion, "
      "ivaareduccionvalor, ivaareduccionvalortemp, ExcepLAPIAEC, AjxVinc_4102, ingbru, LUGARDEPMERC, regalias, "
      "honorario, CIB, CML, NIN) values ('30500000001', 'Acme SA', 'Alsina 20', 'Tandil', '7000', '', '', "
      "'2010-01-02', '', 'N', 'M', 'F', 0, 'N', 0, 0, 'N', 0, 0, 'N', 0, 3, '', 0, 0, '0', '1', '901-123456-7')"_s;
// The customer's CIB, CML, NIN and ingbru, and its lines, as stored.
const QString kCustomerQuery = u"select CIB || '|' || CML || '|' || NIN || '|' || ingbru from clientes"_s;
const QString kStoredCustomer = u"0|1|901-123456-7|3"_s;
const QString kLinesQuery = u"select group_concat(JRDNRO || ':' || DIBVALOR || ':' || DIBEXENTO, ' ') from "
                            "(select * from DIB where CLICUI = '30500000001' order by JRDNRO) as lines"_s;

const QString kCaba = u"Ciudad Autónoma de Buenos Aires"_s;
const QString kGrey = u" grey"_s;

QString sumQuestionFor(const QString &sum)
{
    return u"Question: La suma total da "_s + sum
        + u" para transferir al maria debe sumar 1 (uno)\r\n\r\ndesea salir?"_s;
}

// The message boxes seen, each as "Icon: text".
QStringList seen(const MessageBoxes &boxes)
{
    QStringList shown;
    for (qsizetype k = 0; k < boxes.texts.size(); ++k)
        shown << QString::fromLatin1(QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(boxes.icons.at(k))) + u": "_s
                + boxes.texts.at(k);
    return shown;
}

// The list's rows, their cells joined by "|", " grey" after a row shown in grey.
QStringList shownLines(const QWidget *w)
{
    const QAbstractItemModel *model = child<QTreeView>(w, u"lstConceptos"_s)->model();
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        const bool grey = model->index(row, 0).data(Qt::ForegroundRole).value<QColor>() == QColor(128, 128, 128);
        rows << cells.join(u'|') + (grey ? kGrey : QString());
    }
    return rows;
}

// The total line as shown: its text and the colour it is drawn in.
QString totalLine(const QWidget *w)
{
    auto *total = child<QLabel>(w, u"lbTotal"_s);
    total->ensurePolished();
    return total->text() + u" in "_s + total->palette().color(total->foregroundRole()).name();
}

void selectRow(const QWidget *w, int row)
{
    auto *list = child<QTreeView>(w, u"lstConceptos"_s);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(row, 0)).center());
}

// A window worked with the recording data access: the answers, the user's
// steps before the leaving key (Esc, or F11 in the editor), the statements
// run ("ENTITY: text") and the messages.
struct StatementCase
{
    bool editor = false;
    QString tag = {};
    QList<ScriptedAnswer> answers = {};
    QStringList steps = {};
    QStringList statements = {};
    QStringList messages = {};
};

} // namespace

Q_DECLARE_METATYPE(StatementCase)

class TestGrossIncome : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_startLocale = QLocale(); }
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

    void linesAndTotal_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("question");
        QTest::newRow("no lines") << QStringList() << QStringList() << u"0.0000 in #e0e0e0"_s << sumQuestionFor(u"0"_s);
        QTest::newRow("thirds rounded to one")
            << QStringList{u"901:0.3333:0"_s, u"902:0.3333:0"_s, u"903:0.3334:0"_s}
            << QStringList{u"901|"_s + kCaba + u"|0.3333|N"_s, u"902|Buenos Aires|0.3333|N"_s,
                           u"903|Catamarca|0.3334|N"_s}
            << u"1.0000 in #808080"_s << QString();
        QTest::newRow("exactly 1.5") << QStringList{u"901:0.5:0"_s, u"924:1:0"_s}
                                     << QStringList{u"901|"_s + kCaba + u"|0.5000|N"_s, u"924|Tucumán|1.0000|N"_s}
                                     << u"1.5000 in #004000"_s << sumQuestionFor(u"1.5"_s);
        QTest::newRow("above 1.5") << QStringList{u"916:1.6:0"_s} << QStringList{u"916|Río Negro|1.6000|N"_s}
                                   << u"1.6000 in #ff0000"_s << sumQuestionFor(u"1.6"_s);
        QTest::newRow("each share rounded before it is added")
            << QStringList{u"901:0.33333:0"_s, u"902:0.33333:0"_s, u"903:0.33334:0"_s}
            << QStringList{u"901|"_s + kCaba + u"|0.3333|N"_s, u"902|Buenos Aires|0.3333|N"_s,
                           u"903|Catamarca|0.3333|N"_s}
            << u"0.9999 in #808080"_s << sumQuestionFor(u"0.9999"_s);
        QTest::newRow("a number padded as a server pads it names its jurisdiction")
            << QStringList{u"905 :1:0"_s} << QStringList{u"905 |Corrientes|1.0000|N"_s} << u"1.0000 in #808080"_s
            << QString();
        QTest::newRow("an exempt line counts")
            << QStringList{u"902:0.75:0"_s, u"904:0.25:1"_s}
            << QStringList{u"902|Buenos Aires|0.7500|N"_s, u"904|Córdoba|0.2500|S"_s + kGrey} << u"1.0000 in #808080"_s
            << QString();
    }
    void linesAndTotal()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, rows);
        QFETCH(QString, total);
        QFETCH(QString, question);
        insertLines(lines);
        MessageBoxes boxes({QMessageBox::Yes});
        QVERIFY(openGrossIncome([&](FrmIngresosBrutos *w) {
            QCOMPARE(shownLines(w), rows);
            QCOMPARE(totalLine(w), u"Total cargado: "_s + total);
            pressKey(Qt::Key_Escape);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(seen(boxes), question.isEmpty() ? QStringList() : QStringList{question});
        QCOMPARE(customer(), u"0|1|901-123456-7|2.5"_s);
    }

    // The customer has one line of 0.5: an inscribed customer is asked about the sum. Esc is pressed
    // once for each answer (at least once); the window closed when the customer's columns changed.
    void conditions_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("shown"); // before the last Esc
        QTest::addColumn<Buttons>("answers");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("customer");
        const QString number = u"TxtNumIns=901-123456-7"_s;
        QTest::newRow("No Inscripto") << QStringList{u"cboExento#1"_s}
                                      << QStringList{u"chkInsCon on disabled"_s, number + u" disabled"_s,
                                                     u"lstConceptos disabled"_s}
                                      << Buttons() << QStringList() << u"1|1|901-123456-7|2.5"_s;
        QTest::newRow("Exento") << QStringList{u"cboExento#2"_s}
                                << QStringList{u"chkInsCon on"_s, number, u"lstConceptos disabled"_s} << Buttons()
                                << QStringList() << u"2|1|901-123456-7|0"_s;
        QTest::newRow("ticked box, blank number")
            << QStringList{u"TxtNumIns=   "_s} << QStringList() << Buttons()
            << QStringList{u"Warning: Debe ingresar el Número de Inscripción"_s} << kStoredCustomer;
        QTest::newRow("a quote in the number; the sum question No, then Yes")
            << QStringList{u"chkInsCon"_s, u"TxtNumIns=12'34"_s} << QStringList{u"TxtNumIns=12 34"_s}
            << Buttons{QMessageBox::No, QMessageBox::Yes}
            << QStringList{sumQuestionFor(u"0.5"_s), sumQuestionFor(u"0.5"_s)} << u"0|0|12 34|2.5"_s;
    }
    void conditions()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, shown);
        QFETCH(Buttons, answers);
        QFETCH(QStringList, messages);
        QFETCH(QString, customer);
        insertLines({u"901:0.5:0"_s});
        MessageBoxes boxes(answers);
        QVERIFY(openGrossIncome([&](FrmIngresosBrutos *w) {
            edit(w, steps);
            for (qsizetype k = 1; k < answers.size(); ++k) {
                pressKey(Qt::Key_Escape);
                QCOMPARE(this->customer(), kStoredCustomer);
                reactivate(w);
            }
            QCOMPARE(looks(w, shown), shown);
            if (!child<QWidget>(w, u"lstConceptos"_s)->isEnabled())
                QVERIFY(!whileShown<frmAMBIB>([] { pressKey(Qt::Key_Insert); }, [](frmAMBIB *e) { e->reject(); }));
            pressKey(Qt::Key_Escape);
            QCOMPARE(w->isVisible(), customer == kStoredCustomer);
            if (w->isVisible())
                w->reject();
        }));
        QCOMPARE(seen(boxes), messages);
        QCOMPARE(this->customer(), customer);
        QCOMPARE(storedLines(), u"901:0.5:0"_s);
    }

    // What another workstation did while the window was open: a changed
    // condition is not overwritten unasked, and nothing is written for a
    // customer that is gone (the window closes all the same).
    void changedOrGoneMeanwhile_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<bool>("editor"); // a new line in the editor, or Esc in the window
        QTest::addColumn<Buttons>("answers");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("customer");
        const QString changed = u"update clientes set CIB = '2', CML = '0', ingbru = 0"_s;
        const QString question = u"Question: Otro puesto modificó este cliente después de que lo abrió (campos: "
                                 "Condición frente a ingresos brutos, Convenio Multilateral). ¿Guardar sus cambios "
                                 "de todos modos?"_s;
        const QString gone
            = u"Warning: El cliente 30500000001 ya no existe: otro puesto lo eliminó o cambió su CUIT."_s;
        QTest::newRow("changed, kept") << changed << false << Buttons{QMessageBox::No} << question
                                       << u"2|0|901-123456-7|0"_s;
        QTest::newRow("changed, overwritten")
            << changed << false << Buttons{QMessageBox::Yes} << question << u"0|1|901-123456-7|2.5"_s;
        QTest::newRow("deleted: nothing stored")
            << u"delete from clientes"_s << false << Buttons() << gone << QString();
        QTest::newRow("deleted: no line added") << u"delete from clientes"_s << true << Buttons() << gone << QString();
    }
    void changedOrGoneMeanwhile()
    {
        QFETCH(QString, meanwhile);
        QFETCH(bool, editor);
        QFETCH(Buttons, answers);
        QFETCH(QString, message);
        QFETCH(QString, customer);
        insertLines({u"901:1:0"_s});
        MessageBoxes boxes(answers);
        QVERIFY(openGrossIncome([&](FrmIngresosBrutos *w) {
            TempDatabase::exec(personal(), meanwhile);
            if (editor) {
                QVERIFY(userWorks<frmAMBIB>([] { pressKey(Qt::Key_Insert); },
                                            [](frmAMBIB *e) {
                                                edit(e, {u"cboProvincia#2"_s, u"txtValor=0.5"_s});
                                                pressKey(Qt::Key_F11);
                                                QVERIFY(e->isVisible());
                                                reactivate(e);
                                                pressKey(Qt::Key_Escape);
                                            }));
                return w->reject();
            }
            pressKey(Qt::Key_Escape);
            if (w->isVisible())
                w->reject();
        }));
        QCOMPARE(seen(boxes), QStringList{message});
        QCOMPARE(this->customer(), customer);
        QCOMPARE(storedLines(), u"901:1:0"_s);
    }

    // A stored number longer than the box takes is shown and written back whole.
    void longStoredNumberKept()
    {
        TempDatabase::exec(personal(), u"update clientes set NIN = '901-1234567-89'"_s);
        insertLines({u"901:1:0"_s});
        QVERIFY(openGrossIncome([&](FrmIngresosBrutos *w) {
            QCOMPARE(child(w, u"TxtNumIns"_s)->text(), u"901-1234567-89"_s);
            pressKey(Qt::Key_Escape);
        }));
        QCOMPARE(customer(), u"0|1|901-1234567-89|2.5"_s);
    }

    void deleteLine_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("goneMeanwhile");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("rows");
        const QString confirm = u"Question: Confirma eliminar el concepto 902 ?"_s;
        const QStringList both = {u"901|"_s + kCaba + u"|0.5000|N"_s, u"902|Buenos Aires|0.2500|N"_s};
        QTest::newRow("No") << int(QMessageBox::No) << false << QStringList{confirm} << both;
        QTest::newRow("Yes") << int(QMessageBox::Yes) << false << QStringList{confirm} << both.mid(0, 1);
        QTest::newRow("deleted meanwhile")
            << int(QMessageBox::Yes) << true << QStringList{confirm, u"Warning: No se elimino ningun registro."_s}
            << both;
    }
    void deleteLine()
    {
        QFETCH(int, answer);
        QFETCH(bool, goneMeanwhile);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, rows);
        insertLines({u"901:0.5:0"_s, u"902:0.25:0"_s});
        QVERIFY(openGrossIncome([&](FrmIngresosBrutos *w) {
            selectRow(w, 1);
            if (goneMeanwhile)
                TempDatabase::exec(personal(), u"delete from DIB where JRDNRO = '902'"_s);
            MessageBoxes boxes({QMessageBox::StandardButton(answer)});
            pressKey(Qt::Key_Delete);
            QCOMPARE(seen(boxes), messages);
            QCOMPARE(shownLines(w), rows);
            w->reject();
        }));
        QCOMPARE(storedLines(), answer == QMessageBox::No ? u"901:0.5:0 902:0.25:0"_s : u"901:0.5:0"_s);
    }

    void reloadAfterEditor_data()
    {
        QTest::addColumn<Qt::Key>("opening");
        QTest::addColumn<QStringList>("saving"); // the editor's steps before F11; none: Esc
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("total");
        const QStringList kept = {u"chkInsCon off"_s, u"TxtNumIns=777"_s};
        const QStringList stored = {u"chkInsCon on"_s, u"TxtNumIns=901-123456-7"_s};
        const QStringList newLine = {u"cboProvincia#1"_s, u"txtValor=0.25"_s};
        QTest::newRow("Insert, saved") << Qt::Key_Insert << newLine << kept << u"0.8750"_s;
        QTest::newRow("Insert, Esc") << Qt::Key_Insert << QStringList() << stored << u"0.6250"_s;
        QTest::newRow("Enter, Esc") << Qt::Key_Return << QStringList() << kept << u"0.5000"_s;
        QTest::newRow("Enter, saved") << Qt::Key_Return << QStringList{u"txtValor=0.25"_s} << kept << u"0.3750"_s;
    }
    // While the editor is open another connection adds a line of 0.125: a reload of the lines counts it.
    void reloadAfterEditor()
    {
        QFETCH(Qt::Key, opening);
        QFETCH(QStringList, saving);
        QFETCH(QStringList, shown);
        QFETCH(QString, total);
        insertLines({u"901:0.5:0"_s});
        QVERIFY(openGrossIncome([&](FrmIngresosBrutos *w) {
            edit(w, {u"chkInsCon"_s, u"TxtNumIns=777"_s});
            if (opening == Qt::Key_Return)
                selectRow(w, 0);
            const auto work = [&](frmAMBIB *e) {
                insertLines({u"924:0.125:0"_s});
                edit(e, saving);
                pressKey(saving.isEmpty() ? Qt::Key_Escape : Qt::Key_F11);
            };
            QVERIFY(userWorks<frmAMBIB>([&] { pressKey(opening); }, work));
            reactivate(w);
            QCOMPARE(looks(w, shown), shown);
            QCOMPARE(child<QLabel>(w, u"lbTotal"_s)->text(), u"Total cargado: "_s + total);
            w->reject();
        }));
        QCOMPARE(customer(), kStoredCustomer);
    }

    // The customer has 901 and an exempt 902. A save closes the editor; a message leaves it open.
    void lineEditor_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<bool>("decimalComma");
        QTest::addColumn<QStringList>("shown"); // once opened
        QTest::addColumn<QStringList>("steps"); // before F11
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("lines");
        const QString taken = u"Critical: La jurisdicción 901 ya existe."_s;
        const QString before = u"901:0.5:0 902:0.25:1"_s;
        QTest::newRow("new: a jurisdiction the customer has")
            << QString() << false << QStringList() << QStringList{u"txtValor=0.1"_s} << taken << before;
        QTest::newRow("new: letters as share")
            << QString() << false << QStringList() << QStringList{u"cboProvincia#2"_s, u"txtValor=abc"_s}
            << u"Warning: debe ingresar un valor numerico"_s << before;
        QTest::newRow("new: a decimal comma")
            << QString() << true << QStringList() << QStringList{u"cboProvincia#3"_s, u"txtValor=0,25"_s} << QString()
            << before + u" 904:0.25:0"_s;
        QTest::newRow("existing: loaded, then moved")
            << u"902"_s << true << QStringList{u"cboProvincia#1"_s, u"txtValor=0,2500"_s, u"chkExento on"_s}
            << QStringList{u"cboProvincia#4"_s, u"txtValor=0,3"_s, u"chkExento"_s} << QString()
            << u"901:0.5:0 905:0.3:0"_s;
        QTest::newRow("existing: onto a jurisdiction the customer has")
            << u"902"_s << false << QStringList() << QStringList{u"cboProvincia#0"_s} << taken << before;
        // The message comes as it opens; the update then changes no row and the editor stays.
        QTest::newRow("existing: deleted meanwhile")
            << u"903"_s << false << QStringList{u"cboProvincia#0"_s, u"txtValor="_s, u"chkExento off"_s}
            << QStringList{u"cboProvincia#5"_s, u"txtValor=1"_s}
            << u"Critical: No se encontro el concepto a modificar\r\n\r\n-2147221404"
               "seccion [felcora.frmAMBIB.lp_CargarExistente]"_s
            << before;
    }
    void lineEditor()
    {
        QFETCH(QString, tag);
        QFETCH(bool, decimalComma);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, steps);
        QFETCH(QString, message);
        QFETCH(QString, lines);
        if (decimalComma)
            QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
        insertLines({u"901:0.5:0"_s, u"902:0.25:1"_s});
        MessageBoxes boxes;
        bool saved = false;
        const auto work = [&](frmAMBIB *e) {
            QCOMPARE(looks(e, shown), shown);
            edit(e, steps);
            pressKey(Qt::Key_F11);
            QCOMPARE(e->isVisible(), !message.isEmpty());
            if (e->isVisible()) {
                reactivate(e);
                pressKey(Qt::Key_Escape);
            }
        };
        GrossIncomeStore store(context());
        QVERIFY(userWorks<frmAMBIB>([&] { saved = showJurisdictionLine(store, kCuit, tag); }, work));
        QCOMPARE(seen(boxes), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(saved, message.isEmpty());
        QCOMPARE(storedLines(), lines);
    }

    void statements_data()
    {
        QTest::addColumn<StatementCase>("c");
        const QString cuit = u"'30''1'"_s;
        const auto failure = [](const char *source) {
            return ScriptedAnswer::failure(Error(3146, QString::fromLatin1(source), u"falló la red"_s));
        };
        const auto jurisdictions
            = ScriptedAnswer::rowset({u"JRDNRO"_s, u"JRDPRV"_s}, {{u"901"_s, kCaba}, {u"902"_s, u"Buenos Aires"_s}});
        const auto sumOfOne = ScriptedAnswer::rowset({u"TOTAL"_s}, {{1.0}});
        const QString read = u"PERSONAL: select CIB, CML, NIN from CLIENTES where cuit = "_s + cuit;
        const QString readLines = u"PERSONAL: select * from DIB where CLICUI = "_s + cuit + u" order by JRDNRO"_s;
        const QString readNames = u"SYSTABLAS: select * from JRD order by JRDNRO"_s;
        const QString readSum
            = u"PERSONAL: select sum(fmt_INTERNOS(DIBVALOR, 4)) as Total from DIB where CLICUI = "_s + cuit;
        const QString update
            = u"PERSONAL: update clientes set CIB = '0',INGBRU = 2.5, CML = '%1',NIN = '%2' WHERE Cuit = "_s + cuit
            + u" "_s;
        const QString insert = u"PERSONAL: insert into DIB (CLICUI,DIBVALOR,JRDNRO,DIBEXENTO) values ("_s + cuit;
        const QString line = u" from DIB where CLICUI = "_s + cuit + u" and JRDNRO = '%1'"_s;
        const QString lock = u"PERSONAL: update clientes set cuit = cuit where cuit = "_s + cuit;
        const auto locked = ScriptedAnswer::affected(1);
        const auto section = [](const char *icon, const char *text) {
            return QString::fromLatin1(icon) + u": falló la red\r\n\r\n3146"_s + QString::fromUtf8(text);
        };

        QTest::newRow("the customer's columns; the names read once") << StatementCase{
            .answers = {ScriptedAnswer::rowset({u"CIB"_s, u"CML"_s, u"NIN"_s}, {{u"0"_s, u"1"_s, u"A'B"_s}}),
                        ScriptedAnswer::rowset({u"JRDNRO"_s, u"DIBVALOR"_s, u"DIBEXENTO"_s},
                                               {{u"901"_s, 0.5, 0}, {u"902"_s, 0.5, 0}}),
                        jurisdictions, sumOfOne, locked,
                        ScriptedAnswer::rowset({u"CIB"_s, u"CML"_s, u"NIN"_s}, {{u"0"_s, u"1"_s, u"A'B"_s}}),
                        ScriptedAnswer::affected(1)},
            .statements = {read, readLines, readNames, readSum, lock, read, update.arg(u"1"_s, u"A B"_s)}};
        QTest::newRow("loading fails, then the save") << StatementCase{
            .answers = {failure("a"), failure("b"), sumOfOne, failure("c")},
            .statements = {read, readLines, readSum, lock},
            .messages = {section("Critical", " - seccion [felcora.frmingresosbrutos.cargardatos]"),
                         section("Critical", " seccion [felcora.frmingresosbrutos.cargardib]"),
                         section("Critical", " - seccion [felcora.frmingresosbrutos.saliryguardar]"),
                         u"Question: Ocurrio un error al querer guardar la información, desea continuar?"_s}};
        QTest::newRow("a new line, the separator of INTERNOS") << StatementCase{
            .editor = true,
            .answers = {jurisdictions, {}, locked, ScriptedAnswer::affected(1)},
            .steps = {u"cboProvincia#1"_s, u"txtValor=0.25"_s, u"chkExento"_s},
            .statements = {readNames, u"PERSONAL: select *"_s + line.arg(902), lock, insert + u",0,25,'902','1')"_s}};
        QTest::newRow("the insert fails") << StatementCase{
            .editor = true,
            .answers = {jurisdictions, {}, locked, failure("RecordBroker.Ejecutar[PERSONAL]")},
            .steps = {u"txtValor=1"_s},
            .statements = {readNames, u"PERSONAL: select *"_s + line.arg(901), lock, insert + u",1,'901','0')"_s},
            .messages
            = {section("NoIcon", " - seccion[FELCORA.frmAMBIB.f_Agregar Linea 4 ]::RecordBroker.Ejecutar[PERSONAL]")}};
        const auto storedLine = ScriptedAnswer::rowset({u"DIBVALOR"_s, u"DIBEXENTO"_s}, {{0.5, 1}});
        QTest::newRow("a line moved") << StatementCase{
            .editor = true,
            .tag = u"901"_s,
            .answers = {jurisdictions, storedLine, {}, ScriptedAnswer::affected(1)},
            .steps = {u"cboProvincia#1"_s, u"txtValor=0.75"_s, u"chkExento"_s},
            .statements
            = {readNames, u"PERSONAL: select DIBVALOR,DIBEXENTO"_s + line.arg(901),
               u"PERSONAL: select *"_s + line.arg(902),
               u"PERSONAL: update DIB set DIBVALOR = 0,75,JRDNRO = '902',DIBEXENTO = 0 where JRDNRO = '901'  "
               "and CLICUI = "_s
                   + cuit}};
    }
    void statements()
    {
        QFETCH(StatementCase, c);
        RecordingBroker broker;
        for (const ScriptedAnswer &answer : c.answers)
            broker.script(answer);
        broker.setDecimalSeparator(u"INTERNOS"_s, u","_s);
        broker.setNumberFormat([](const QString &entity, const QString &value, int decimals) {
            return u"fmt_%1(%2, %3)"_s.arg(entity, QString(value).replace(u',', u'.')).arg(decimals);
        });
        GrossIncomeStore recorded({&broker, &state().molde(), nullptr});
        const QString cuit = u"30'1"_s;
        MessageBoxes boxes(Buttons(4, QMessageBox::Yes)); // an OK box without Yes is closed
        const auto leave = [&](QDialog *w) {
            edit(w, c.steps);
            pressKey(c.editor ? Qt::Key_F11 : Qt::Key_Escape);
            if (w->isVisible())
                w->reject();
        };
        if (c.editor)
            QVERIFY(userWorks<frmAMBIB>([&] { showJurisdictionLine(recorded, cuit, c.tag); }, leave));
        else
            QVERIFY(userWorks<FrmIngresosBrutos>([&] { showGrossIncome(recorded, cuit, nullptr); }, leave));
        QStringList statements;
        for (const RecordingBroker::Statement &s : broker.statements())
            statements << s.entity + u": "_s + s.sql;
        QCOMPARE(statements, c.statements);
        QCOMPARE(seen(boxes), c.messages);
    }

    // A person sets an unregistered customer "Inscripto" with three lines that
    // sum to 1, leaves without a question, and the modify window's save keeps the rate.
    void fromTheModifyWindow()
    {
        TempDatabase::exec(personal(), u"update clientes set CIB = '1', CML = '0', NIN = ''"_s);
        state().OrigenTarvis = true;
        MessageBoxes boxes;
        const auto modify = [] {
            clModificar m;
            m.setCLICUIT(kCuit);
            m.Mostrar();
        };
        // A line added with keys only: the jurisdiction chosen with Down, Tab to the share, F11.
        const auto addLine = [](int downs, const QString &share) {
            QVERIFY(userWorks<frmAMBIB>([] { pressKey(Qt::Key_Insert); },
                                        [&](frmAMBIB *) {
                                            for (int k = 0; k < downs; ++k)
                                                pressKey(Qt::Key_Down);
                                            pressKey(Qt::Key_Tab);
                                            typeText(share);
                                            pressKey(Qt::Key_F11);
                                        }));
        };
        const auto grossIncome = [&](FrmIngresosBrutos *w) {
            QCOMPARE(looks(w, {u"lstConceptos disabled"_s}), QStringList{u"lstConceptos disabled"_s});
            edit(w, {u"cboExento#0"_s, u"chkInsCon"_s, u"TxtNumIns=901-555555-5"_s});
            for (const auto &[downs, share] : {std::pair{0, u"0.5"_s}, {1, u"0.25"_s}, {23, u"0.25"_s}}) {
                reactivate(w);
                addLine(downs, share);
            }
            reactivate(w);
            QCOMPARE(totalLine(w), u"Total cargado: 1.0000 in #808080"_s);
            pressKey(Qt::Key_Escape);
            QVERIFY(!w->isVisible());
        };
        QVERIFY(userWorks<customer::FrmModCliente>(modify, [&](customer::FrmModCliente *m) {
            auto *button = child<QAbstractButton>(m, u"cmdINGBRU"_s);
            QVERIFY(userWorks<FrmIngresosBrutos>([&] { QTest::mouseClick(button, Qt::LeftButton); }, grossIncome));
            reactivate(m);
            pressKey(Qt::Key_F11);
        }));
        QCOMPARE(seen(boxes), QStringList());
        QCOMPARE(storedLines(), u"901:0.5:0 902:0.25:0 924:0.25:0"_s);
        QCOMPARE(customer(), u"0|1|901-555555-5|2.5"_s);
    }

private:
    StoreContext context() const { return {&state().broker(), &state().molde(), state().transactions()}; }
    QString personal() const { return m_session->personal(); }

    bool openGrossIncome(const std::function<void(FrmIngresosBrutos *)> &user)
    {
        GrossIncomeStore store(context());
        return userWorks<FrmIngresosBrutos>([&] { showGrossIncome(store, kCuit, nullptr); }, user);
    }

    // Lines written as "JRDNRO:DIBVALOR:DIBEXENTO", as storedLines reads them.
    void insertLines(const QStringList &lines)
    {
        for (const QString &line : lines) {
            const QStringList cells = line.split(u':');
            const QString sql = u"insert into DIB values ('30500000001', '%1', %2, %3)"_s;
            TempDatabase::exec(personal(), sql.arg(cells.at(0), cells.at(1), cells.at(2)));
        }
    }
    QString storedLines() const { return TempDatabase::scalar(personal(), kLinesQuery).toString(); }
    QString customer() const { return TempDatabase::scalar(personal(), kCustomerQuery).toString(); }

    std::unique_ptr<HostSession> m_session;
    UserSettingsSandbox m_settings;
    QLocale m_startLocale;
    StrayMessageWatchdog m_watchdog;
};

QTEST_MAIN(TestGrossIncome)
#include "tst_grossincome.moc"
