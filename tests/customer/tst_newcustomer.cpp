// The new-customer window as a host and a user work it: the statement its
// save builds, the checks before it and what is stored, a CUIT already
// taken, the boxes' states, the import of an agent pending in the accounting
// database (and that database missing), and Insert in the customer list.

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
#include "browser/customerlistwindow.h"
#include "core/componentstate.h"
#include "customer/newcustomerwindow.h"
#include "customer/pendingcustomerswindow.h"
#include "entry/newcustomerentry.h"
#include "felcora/clListado.h"
#include "felcora/hostkit/hostkit.h"
#include "support/dialogwork.h"
#include "support/errors.h"
#include "support/hostsession.h"
#include "support/recordingbroker.h"
#include "support/serverdatabase.h"
#include "support/tempdatabase.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::customer;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

const QString kCustomersSql = u"insert into clientes (cuit, nombre, domicilio, email, regalias, AjxVinc_4102) values "
                              "('20111111112', 'Benítez, Juan', 'Rivadavia 300', 'juan@ejemplo.com', 12.5, 1.5),"
                              "('27222222223', 'Gallardo, Marta', 'Alsina 20', 'marta@ejemplo.com', 0, 0),"
                              "('20333333334', 'gamboa, Luis', 'Rivadavia 100', '', 0, 0)"_s;

// Agents 1 and 2 generate the others; only agent 1 has role 2. Agent 11 is a customer already.
const QString kAgentsSql = u"insert into AGENTES values (1, '30000000001', 'Generador', NULL, NULL, NULL, NULL),"
                           "(2, '30000000002', 'Sin rol', NULL, NULL, NULL, NULL),"
                           "(10, '30500000001', 'Acme SA', 'Mitre 10', 'B1638', 'Vicente López', 1),"
                           "(11, '20111111112', 'Benítez, Juan', 'Rivadavia 300', '1708', 'Morón', 1),"
                           "(12, '30600000002', 'Otra SA', 'Belgrano 5', '2000', 'Rosario', 2),"
                           "(13, '27999999990', 'Nulo', NULL, NULL, NULL, 1);"
                           "insert into ROLES_AUTORIZADOS values (1, 2), (2, 3)"_s;

const QString kDashRefusal = u"No debe ingresar guiones ( - ) en el CUIT"_s;
const QStringList kNamed = {u"TxtCuit=20444444445"_s, u"TxtNombre=Ana"_s};
const QString kNewCuit = u"25000000003"_s; // between the customers' CUITs

// Opens the window as the customer list does.
bool addNew(const std::function<void(FrmNewCliente *)> &user)
{
    return userWorks<FrmNewCliente>([] { clNuevo().MostrarNuevo(); }, user);
}

// The pieces of a statement's list, split at the commas outside quotes.
QStringList listItems(QStringView list)
{
    QStringList items(1);
    bool quoted = false;
    for (const QChar c : list) {
        if (c == u'\'')
            quoted = !quoted;
        if (c == u',' && !quoted)
            items.append(QString());
        else
            items.last() += c;
    }
    return items;
}

QStringList entryTexts(const QComboBox *list)
{
    QStringList texts;
    for (int k = 0; k < list->count(); ++k)
        texts << list->itemText(k);
    return texts;
}

} // namespace

class TestNewCustomer : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        hostkit::registerHostComponents();
        m_session = std::make_unique<HostSession>(kCustomersSql);
    }
    void cleanup()
    {
        closeAllModals();
        m_session.reset();
        state() = ComponentState{};
    }

    // The statement as the data access receives it, with the literals it formats itself marked.
    void insertStatement_data()
    {
        QTest::addColumn<bool>("origenTarvis");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("values"); // one per column, the fee's included
        const QStringList frameNo = {u"'N'"_s, u"'0'"_s, u"'0'"_s};
        const QStringList typedNo = {u"TxtCuit=20111111112"_s,
                                     u"TxtNombre=O'Brien, Ana"_s,
                                     u"EXIMGANS"_s,
                                     u"TxtEximGan=9"_s,
                                     u"EXIMGANN"_s,
                                     u"txtLugarDepMerc=O'Higgins 12"_s};
        const QStringList valuesNo = QStringList{u"'20111111112'"_s,
                                                 u"'O''Brien, Ana'"_s,
                                                 u"''"_s,
                                                 u"''"_s,
                                                 u"''"_s,
                                                 u"''"_s,
                                                 u"''"_s,
                                                 u"D[PERSONAL:01/01/1900]"_s,
                                                 u"'N'"_s,
                                                 u"'S'"_s,
                                                 u"'S'"_s}
            + frameNo + frameNo
            + QStringList{
                u"'0'"_s, u"'0'"_s, u"''"_s, u"'N'"_s, u"'0'"_s, u"'0'"_s, u"F[PERSONAL:0:2]"_s, u" 'O´Higgins 12'"_s};
        QTest::newRow("the product, NO in both frames") << true << typedNo << valuesNo;
        QTest::newRow("another host, NO in both frames, no fee") << false << typedNo << valuesNo;
        QTest::newRow("another host, SI in both frames, exempt with VAT")
            << false
            << QStringList{u"TxtCuit=20111111112"_s,
                           u"TxtNombre=Benítez, Juan"_s,
                           u"TxtDomicilio=Rivadavia 300"_s,
                           u"txtLocalidad=Morón"_s,
                           u"txtCP=1708"_s,
                           u"TxtEmail=juan@ejemplo.com"_s,
                           u"TxtTelefonos=4555-1234"_s,
                           u"TxtIniactiv=5/3/2001"_s,
                           u"TxtContact=Pedro"_s,
                           u"txtLugarDepMerc=Depósito 1"_s,
                           u"txtRegalias=3,25"_s,
                           u"txtAjxVinc_4102=4,5"_s,
                           u"chExecLAPI"_s,
                           u"cboIVAMARIA#2"_s,
                           u"EXIMGANS"_s,
                           u"TxtEximGan=1,5"_s,
                           u"OpIVAREDS"_s,
                           u"TxtIvaReduccion=-2"_s,
                           u"cboIVAFACTU#5"_s,
                           u"txtIvaExcento=12,5"_s,
                           u"txtHonorario=7"_s}
            << QStringList{u"'20111111112'"_s,
                           u"'Benítez, Juan'"_s,
                           u"'Rivadavia 300'"_s,
                           u"'Morón'"_s,
                           u"'1708'"_s,
                           u"'juan@ejemplo.com'"_s,
                           u"'4555-1234'"_s,
                           u"D[PERSONAL:05/03/2001]"_s,
                           u"'N'"_s,
                           u"'M'"_s,
                           u"'X'"_s,
                           u"'S'"_s,
                           u"'1.5'"_s,
                           u"'0'"_s,
                           u"'S'"_s,
                           u"'-2'"_s,
                           u"'0'"_s,
                           u"'3.25'"_s,
                           u"'0'"_s,
                           u"'Pedro'"_s,
                           u"'S'"_s,
                           u"'7'"_s,
                           u"'12.5'"_s,
                           u"F[PERSONAL:4.5:2]"_s,
                           u" 'Depósito 1'"_s};
    }
    void insertStatement()
    {
        QFETCH(bool, origenTarvis);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, values);
        QStringList columns = u"cuit,nombre,domicilio,localidad,codpost,email,telefonos,finitactiv,cvdi,condiva,"
                              "condivafact,eximgan,eximganvalor,eximganvalortemp,ivaareduccion,ivaareduccionvalor,"
                              "ivaareduccionvalortemp,Regalias,ingbru,contacto,ExcepLAPIAEC,honorario,ivaexento,"
                              "ajxvinc_4102,LUGARDEPMERC"_s.split(u',');
        if (origenTarvis) {
            values.removeAt(columns.indexOf(u"honorario"_s));
            columns.removeOne(u"honorario"_s);
        }

        RecordingBroker broker;
        broker.setDateFormat(
            [](const QString &entity, const QString &date) { return u"D[%1:%2]"_s.arg(entity, date); });
        broker.setNumberFormat([](const QString &entity, const QString &value, int decimals) {
            return u"F[%1:%2:%3]"_s.arg(entity, value).arg(decimals);
        });
        broker.script(ScriptedAnswer::rowset({u"cuit"_s}, {})); // the CUIT is free
        broker.script(ScriptedAnswer::affected(1));
        useDataAccess(&broker);
        state().OrigenTarvis = origenTarvis;
        QVERIFY(addNew([&](FrmNewCliente *w) {
            MessageBoxes boxes;
            edit(w, steps);
            pressKey(Qt::Key_F11);
            QCOMPARE(boxes.texts, QStringList());
            QVERIFY(!w->isVisible());
        }));
        const QStringList sql = broker.sqlTexts();
        QCOMPARE(sql.size(), 2);
        QCOMPARE(sql[0], u"select cuit from clientes where cuit = '20111111112'"_s);
        QCOMPARE(sql[1], u"insert into clientes ("_s + columns.join(u',') + u") values("_s + values.join(u',') + u')');

        // Read back from the statement: as many values as columns.
        const qsizetype valuesAt = sql[1].indexOf(u") values("_s);
        const qsizetype head = u"insert into clientes ("_s.size();
        QCOMPARE(listItems(QStringView(sql[1]).mid(head, valuesAt - head)).size(), origenTarvis ? 24 : 25);
        QCOMPARE(listItems(QStringView(sql[1]).mid(valuesAt + 9).chopped(1)).size(), columns.size());
        QVERIFY(state().gClienteAgregado);
    }

    // Each check in the order the save meets them: the refusals leave the
    // window open and store nothing; what passes them all is stored.
    void checksBeforeSaving_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("messages"); // warnings, but for the CUIT's question
        QTest::addColumn<Buttons>("answers");
        QTest::addColumn<QString>("stored"); // the CUIT of the row added
        const auto row = [](const char *name, const QStringList &steps, const QString &message,
                            const QString &stored = {}, const Buttons &answers = {}) {
            QTest::newRow(name) << steps << (message.isEmpty() ? QStringList() : QStringList{message}) << answers
                                << stored;
        };
        const QString royalties = u"El campo REGALIAS debe tener un valor numerico"_s;
        row("royalties not numeric, before an empty CUIT", {u"txtRegalias=1a"_s}, royalties);
        row("royalties emptied", kNamed + QStringList{u"txtRegalias="_s}, royalties);
        row("blank CUIT", {u"TxtCuit=   "_s, u"TxtNombre=Ana"_s}, u"Debe ingresar el número de cuit"_s);
        row("a blank and ten digits", {u"TxtCuit= 2044444444"_s, u"TxtNombre=Ana"_s},
            u"El número de CUIT debe tener 11 digitos"_s);
        const QString letter = u"El CUIT 2044444444A no es válido: debe tener solo dígitos. ¿Guardar de todos modos?"_s;
        row("ten digits and a letter, confirmed", {u"TxtCuit=2044444444A"_s, u"TxtNombre=Ana"_s}, letter,
            u"2044444444A"_s, {QMessageBox::Yes});
        row("a wrong check digit, not confirmed", {u"TxtCuit=30712345670"_s, u"TxtNombre=Ana"_s},
            u"El CUIT 30712345670 no es válido: el dígito verificador debería ser 1. ¿Guardar de todos modos?"_s, {},
            {QMessageBox::No});
        row("a check digit that no CUIT has", {u"TxtCuit=20000000010"_s, u"TxtNombre=Ana"_s},
            u"El CUIT 20000000010 no es válido: ningún dígito verificador corresponde a sus primeros diez dígitos. "
            "¿Guardar de todos modos?"_s);
        // Nothing is stored as something else: a date that is none, an adjustment that is no number.
        row("letters for a date, F11 in the box", kNamed + QStringList{u"TxtIniactiv=abc"_s}, u"Fecha invalida!"_s);
        row("adjustment not a number", kNamed + QStringList{u"txtAjxVinc_4102=NaN"_s},
            u"El campo AJUSTE POR VINCULACIÓN RESOL 41/02 debe tener un valor numerico"_s);
        row("no name: nothing said", {u"TxtCuit=20444444445"_s}, {});
        row("exemption zero, before the reduction",
            kNamed + QStringList{u"EXIMGANS"_s, u"TxtEximGan=0"_s, u"OpIVAREDS"_s, u"TxtIvaReduccion=x"_s},
            u"Debe ingresar un valor mayor a CERO"_s);
        row("reduction not numeric, before the exempt value",
            kNamed + QStringList{u"OpIVAREDS"_s, u"TxtIvaReduccion=x"_s, u"cboIVAFACTU#5"_s, u"txtIvaExcento=0"_s},
            u"Debe Ingresar un valor numerico en IVA A REDUCCIÓN"_s);
        row("exempt with VAT zero", kNamed + QStringList{u"cboIVAFACTU#5"_s, u"txtIvaExcento=0"_s},
            u"Debe ingresar um valor mayor a cero en el campo EXENTO con IVA"_s);
        row("a negative exemption", kNamed + QStringList{u"EXIMGANS"_s, u"TxtEximGan=-5"_s}, {}, u"20444444445"_s);
    }
    void checksBeforeSaving()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, messages);
        QFETCH(Buttons, answers);
        QFETCH(QString, stored);
        const auto before = DatabaseSnapshot::take(personal());
        QVERIFY(addNew([&](FrmNewCliente *w) {
            MessageBoxes boxes(answers);
            edit(w, steps);
            pressKey(Qt::Key_F11);
            QCOMPARE(boxes.texts, messages);
            const bool question = messages.size() == 1 && messages.first().startsWith(u"El CUIT "_s);
            QCOMPARE(
                boxes.icons,
                QList<QMessageBox::Icon>(boxes.texts.size(), question ? QMessageBox::Question : QMessageBox::Warning));
            QCOMPARE(w->isVisible(), stored.isEmpty());
            if (w->isVisible()) {
                reactivate(w);
                pressKey(Qt::Key_Escape);
            }
        }));
        QCOMPARE(before.differences(DatabaseSnapshot::take(personal())),
                 stored.isEmpty() ? QStringList() : QStringList{u"clientes[%1] inserted"_s.arg(stored)});
        QCOMPARE(state().gClienteAgregado, !stored.isEmpty());
    }

    // The typed customer is handed back before the CUIT is found taken; Esc
    // then clears its name, CUIT and address and leaves its e-mail.
    void takenCuit()
    {
        state().Cliente_EMail = u"anterior@ejemplo.com"_s;
        const auto before = DatabaseSnapshot::take(personal());
        QVERIFY(addNew([](FrmNewCliente *w) {
            edit(w,
                 {u"TxtCuit=20111111112"_s, u"TxtNombre=Otro"_s, u"TxtDomicilio=Calle 1"_s,
                  u"TxtEmail=otro@ejemplo.com"_s});
            MessageBoxes boxes;
            pressKey(Qt::Key_F11);
            QCOMPARE(boxes.texts, QStringList{u"El número de Cuit 20111111112 ya existe."_s});
            QCOMPARE(boxes.icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
            QVERIFY(w->isVisible());
            QVERIFY(!state().gClienteAgregado);
            reactivate(w);
            pressKey(Qt::Key_Escape);
        }));
        const ComponentState &s = state();
        QCOMPARE((QStringList{s.Cliente_Nombre, s.Cliente_Cuit, s.Cliente_Domicilio, s.Cliente_EMail}),
                 (QStringList{{}, {}, {}, u"otro@ejemplo.com"_s}));
        QVERIFY(!s.gClienteAgregado);
        QCOMPARE(before.differences(DatabaseSnapshot::take(personal())), QStringList());
    }

    // The CUIT as printed on tax documents: each dash typed is refused and the
    // typing goes on where it was; a pasted one loses its dashes; the box
    // takes eleven characters.
    void dashesInCuit()
    {
        QVERIFY(addNew([](FrmNewCliente *w) {
            MessageBoxes boxes;
            QLineEdit *cuit = child(w, u"TxtCuit"_s);
            typeText(u"20-"_s, cuit);
            reactivate(w); // back from the message
            typeText(u"12345678-99"_s, cuit);
            QCOMPARE(boxes.texts, (QStringList{kDashRefusal, kDashRefusal}));
            QCOMPARE(boxes.icons, (QList<QMessageBox::Icon>{QMessageBox::Critical, QMessageBox::Critical}));
            QCOMPARE(cuit->text(), u"20123456789"_s);
            edit(w, {u"TxtCuit<30-71234567-1"_s});
            QCOMPARE(cuit->text(), u"30712345671"_s);
            reactivate(w);
            pressKey(Qt::Key_Escape);
        }));
    }

    // An agent's document number and address come in whole, longer than
    // their boxes: the save refuses the CUIT by its length, as a typed one.
    void pendingImportTakenWhole()
    {
        const QString address = u"Avenida Presidente Figueroa Alcorta 7597, piso 12"_s;
        TempDatabase::exec(m_session->db.accountingPath(),
                           kAgentsSql
                               + u";insert into AGENTES values (14, '20-55555555-5', 'Guiones SA', '%1', NULL, "
                                 "NULL, 1)"_s.arg(address));
        QVERIFY(addNew([&](FrmNewCliente *w) {
            QVERIFY(userWorks<frmListadeClientesPendientes>(
                [&] { QTest::mouseClick(child<QAbstractButton>(w, u"cmdClientesPendientes"_s), Qt::LeftButton); },
                [&](frmListadeClientesPendientes *p) {
                    auto *list = child<QTreeWidget>(p, u"lstLista"_s);
                    list->setCurrentItem(list->findItems(u"20-55555555-5"_s, Qt::MatchExactly).value(0));
                    list->setFocus();
                    pressKey(Qt::Key_Return);
                }));
            const QStringList whole = {u"TxtCuit=20-55555555-5"_s, u"TxtDomicilio="_s + address};
            QCOMPARE(looks(w, whole), whole);
            MessageBoxes boxes;
            reactivate(w);
            pressKey(Qt::Key_F11);
            QCOMPARE(boxes.texts, QStringList{u"El número de CUIT debe tener 11 digitos"_s});
            reactivate(w);
            pressKey(Qt::Key_Escape);
        }));
    }

    void windowStates_data()
    {
        QTest::addColumn<bool>("origenTarvis");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("opening, another host") << false << QStringList()
                                               << QStringList{u"TxtCuit="_s,
                                                              u"TxtNombre="_s,
                                                              u"TxtDomicilio="_s,
                                                              u"txtLocalidad="_s,
                                                              u"txtCP="_s,
                                                              u"TxtEmail="_s,
                                                              u"TxtTelefonos="_s,
                                                              u"TxtIniactiv="_s,
                                                              u"TxtContact="_s,
                                                              u"txtLugarDepMerc="_s,
                                                              u"txtINGBRU=0 hidden"_s,
                                                              u"txtRegalias=0"_s,
                                                              u"txtAjxVinc_4102=0"_s,
                                                              u"chkCVDI off"_s,
                                                              u"chExecLAPI off"_s,
                                                              u"cboIVAMARIA#0"_s,
                                                              u"EXIMGANS off"_s,
                                                              u"EXIMGANN on"_s,
                                                              u"TxtEximGan=0 disabled"_s,
                                                              u"TxtTemp=0 disabled"_s,
                                                              u"OpIVAREDS off"_s,
                                                              u"OpIVAREDN on"_s,
                                                              u"TxtIvaReduccion=0 disabled"_s,
                                                              u"TxtIvaTemp=0 disabled"_s,
                                                              u"cboIVAFACTU#0"_s,
                                                              u"txtIvaExcento=0 hidden"_s,
                                                              u"lbIvaExento hidden"_s,
                                                              u"txtHonorario="_s,
                                                              u"lbHonorario"_s,
                                                              u"cmdClientesPendientes"_s};
        QTest::newRow("opening, the product: no fee")
            << true << QStringList() << QStringList{u"txtHonorario= hidden"_s, u"lbHonorario hidden"_s};
        QTest::newRow("exempt with VAT shows its value")
            << false << QStringList{u"cboIVAFACTU#5"_s} << QStringList{u"txtIvaExcento=0"_s, u"lbIvaExento"_s};
        QTest::newRow("another entry hides it, keeping the text")
            << false << QStringList{u"cboIVAFACTU#5"_s, u"txtIvaExcento=12,5"_s, u"cboIVAFACTU#4"_s}
            << QStringList{u"txtIvaExcento=12,5 hidden"_s, u"lbIvaExento hidden"_s};
        QTest::newRow("EXIMGAN SI, then NO")
            << false
            << QStringList{u"EXIMGANS"_s, u"TxtEximGan=5"_s, u"OpIVAREDS"_s, u"TxtIvaReduccion=7"_s, u"EXIMGANN"_s}
            << QStringList{u"TxtEximGan=0 disabled"_s, u"TxtTemp=0 disabled"_s, u"TxtIvaReduccion=7"_s,
                           u"TxtIvaTemp=0 disabled"_s};
        QTest::newRow("reduction SI, then NO")
            << false
            << QStringList{u"OpIVAREDS"_s, u"TxtIvaReduccion=7"_s, u"EXIMGANS"_s, u"TxtEximGan=5"_s, u"OpIVAREDN"_s}
            << QStringList{u"TxtIvaReduccion=0 disabled"_s, u"TxtIvaTemp=0 disabled"_s, u"TxtEximGan=5"_s,
                           u"TxtTemp=0 disabled"_s};
    }
    void windowStates()
    {
        QFETCH(bool, origenTarvis);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, shown);
        state().OrigenTarvis = origenTarvis;
        QVERIFY(addNew([&](FrmNewCliente *w) {
            MessageBoxes boxes;
            QCOMPARE(child<QLabel>(w, u"Label15"_s)->text(), u"  Nuevo Cliente"_s);
            QCOMPARE(entryTexts(child<QComboBox>(w, u"cboIVAMARIA"_s)),
                     (QStringList{u"Responsable Inscripto"_s, u"Responsable No Inscripto"_s, u"Monotributo"_s}));
            QCOMPARE(entryTexts(child<QComboBox>(w, u"cboIVAFACTU"_s)),
                     (QStringList{u"Responsable Inscripto"_s, u"Responsable No Inscripto"_s, u"Monotributo"_s,
                                  u"Excento"_s, u"consumidor Final"_s, u"Exento con IVA"_s}));
            edit(w, steps);
            QCOMPARE(looks(w, shown), shown);
            QCOMPARE(boxes.texts, QStringList());
            pressKey(Qt::Key_Escape);
        }));
    }

    // The agents listed are those of a generator with role 2 that are not
    // customers; a pick replaces the identification and keeps the rest, a
    // later opening left with Esc changes nothing.
    void pendingImport()
    {
        TempDatabase::exec(m_session->db.accountingPath(), kAgentsSql);
        const QStringList listed = {u"30500000001|Acme SA|Mitre 10|B1638|Vicente López"_s, u"27999999990|Nulo|||"_s};
        const QStringList imported
            = {u"TxtCuit=30500000001"_s,        u"TxtNombre=Acme SA"_s, u"TxtDomicilio=Mitre 10"_s, u"txtCP=B1638"_s,
               u"txtLocalidad=Vicente López"_s, u"TxtContact=Pedro"_s,  u"txtRegalias=4,5"_s};
        QVERIFY(addNew([&](FrmNewCliente *w) {
            edit(w, {u"TxtCuit=1"_s, u"TxtNombre=Otro"_s, u"TxtContact=Pedro"_s, u"txtRegalias=4,5"_s});
            auto *pending = child<QAbstractButton>(w, u"cmdClientesPendientes"_s);
            QVERIFY(userWorks<frmListadeClientesPendientes>(
                [&] { QTest::mouseClick(pending, Qt::LeftButton); },
                [&](frmListadeClientesPendientes *p) {
                    auto *list = child<QTreeWidget>(p, u"lstLista"_s);
                    QCOMPARE(entries(list), listed);
                    const QPoint at = list->visualItemRect(list->topLevelItem(0)).center();
                    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
                }));
            QCOMPARE(looks(w, imported), imported);

            edit(w, {u"TxtNombre=Acme Sociedad Anónima"_s});
            QVERIFY(userWorks<frmListadeClientesPendientes>([&] { QTest::mouseClick(pending, Qt::LeftButton); },
                                                            [&](frmListadeClientesPendientes *p) {
                                                                QCOMPARE(entries(child<QTreeWidget>(p, u"lstLista"_s)),
                                                                         listed);
                                                                pressKey(Qt::Key_Escape);
                                                            }));
            QCOMPARE(child(w, u"TxtNombre"_s)->text(), u"Acme Sociedad Anónima"_s);
            QCOMPARE(child(w, u"TxtCuit"_s)->text(), u"30500000001"_s);

            // The title bar's close takes nothing either; the keyboard alone takes the second agent.
            for (const bool titleBar : {true, false}) {
                reactivate(w);
                QVERIFY(userWorks<frmListadeClientesPendientes>([&] { QTest::mouseClick(pending, Qt::LeftButton); },
                                                                [&](frmListadeClientesPendientes *p) {
                                                                    if (titleBar) {
                                                                        p->close();
                                                                        return;
                                                                    }
                                                                    child<QTreeWidget>(p, u"lstLista"_s)->setFocus();
                                                                    pressKey(Qt::Key_Down);
                                                                    pressKey(Qt::Key_Return);
                                                                }));
                QCOMPARE(child(w, u"TxtNombre"_s)->text(), titleBar ? u"Acme Sociedad Anónima"_s : u"Nulo"_s);
            }
            const QStringList nulls = {u"TxtCuit=27999999990"_s, u"TxtDomicilio="_s, u"txtCP="_s, u"txtLocalidad="_s,
                                       u"TxtContact=Pedro"_s};
            QCOMPARE(looks(w, nulls), nulls);
            reactivate(w);
            pressKey(Qt::Key_Escape);
        }));
    }

    // Without the accounting database the user is told twice and gets an
    // empty list; the customer tables still work.
    void missingAccountingDatabase()
    {
        // On SQLite the configured file is missing; on the server its schema is.
        hostkit::RecordBroker broker;
        QString underlying;
        if (onServer()) {
            TempDatabase::exec(personal(), u"drop schema quenmarcontable cascade"_s);
        } else {
            hostkit::BrokerConfig config = m_session->db.config();
            hostkit::EntitySettings &personalEntity = config.entities[u"PERSONAL"_s];
            personalEntity.accounting = QDir(m_session->db.folder()).filePath(u"ausente.db"_s);
            personalEntity.schema.clear(); // nothing created: the customer database exists
            broker.useConfig(config);
            broker.LoadParameters();
            useDataAccess(&broker);
            underlying = u"No existe la base de datos contable \"%1\""_s.arg(personalEntity.accounting);
        }

        const QString description
            = u"Este módulo es compatible con el sistema Contable y Seguimiento de Operaciones de Quenmar. \r\n\r\n"
              "¿Tiene instalado el sistema Contable o Seguimiento de Carpetas?\r\n\r\n\r\n"_s;
        const QString source = u"FELCORA.frmListadeClientesPendientes.controladorCargarClientes.::RecordBroker."_s
            + (onServer() ? u"QPSQL.CrearRs"_s : u"SQLite.Attach"_s);
        // The server's own words for the missing table stand between the two parts there.
        const auto report = [&](const QString &shown, const char *routine) {
            const QString tail = u" linea 1\r\n\r\nFELCORA.frmListadeClientesPendientes."_s + QLatin1String(routine)
                + u".::"_s + source + u" linea 2"_s;
            if (onServer() && shown.startsWith(description) && shown.endsWith(tail)
                && shown.contains(u"quenmarcontable.agentes"_s, Qt::CaseInsensitive))
                return shown;
            return description + underlying + tail;
        };
        const auto before = DatabaseSnapshot::take(personal());
        QVERIFY(addNew([&](FrmNewCliente *w) {
            MessageBoxes boxes;
            QVERIFY(userWorks<frmListadeClientesPendientes>(
                [&] { QTest::mouseClick(child<QAbstractButton>(w, u"cmdClientesPendientes"_s), Qt::LeftButton); },
                [&](frmListadeClientesPendientes *p) {
                    QCOMPARE(boxes.texts.size(), 2);
                    QCOMPARE(boxes.texts,
                             (QStringList{report(boxes.texts.at(0), "Form_Load"),
                                          report(boxes.texts.at(1), "Form_Activate")}));
                    QCOMPARE(boxes.icons, (QList<QMessageBox::Icon>{QMessageBox::Warning, QMessageBox::NoIcon}));
                    QCOMPARE(child<QTreeWidget>(p, u"lstLista"_s)->topLevelItemCount(), 0);
                    pressKey(Qt::Key_Escape);
                }));
            edit(w, kNamed);
            pressKey(Qt::Key_F11);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(before.differences(DatabaseSnapshot::take(personal())),
                 QStringList{u"clientes[20444444445] inserted"_s});
        QVERIFY(state().gClienteAgregado);
    }

    // Insert in the customer list: the saved customer's row comes where the
    // list's order puts it, selected; picked, its numbers are zero.
    void addFromTheList_data()
    {
        QTest::addColumn<QString>("start");     // where Insert is pressed
        QTest::addColumn<QStringList>("cuits"); // the list afterwards
        QTest::addColumn<int>("row");
        QTest::newRow("the list: at the end")
            << u"LstReporte"_s << QStringList{u"20111111112"_s, u"27222222223"_s, u"20333333334"_s, kNewCuit} << 3;
        QTest::newRow("the search box, sorted by CUIT: in its place")
            << u"txtBuscar"_s << QStringList{u"20111111112"_s, u"20333333334"_s, kNewCuit, u"27222222223"_s} << 2;
        QTest::newRow("no customers yet") << u"LstReporte"_s << QStringList{kNewCuit} << 0;
    }
    void addFromTheList()
    {
        QFETCH(QString, start);
        QFETCH(QStringList, cuits);
        QFETCH(int, row);
        using namespace browser;
        if (cuits.size() == 1)
            TempDatabase::exec(personal(), u"delete from clientes"_s);
        m_session->listado.setSeleccionar(true);
        QVERIFY(userWorks<FrmABMClientes>(
            [&] { QVERIFY(!errorOf([&] { QMetaObject::invokeMethod(&m_session->listado, "MostrarListado"); })); },
            [&](FrmABMClientes *list) {
                QTableView *view = list->list()->reportView();
                if (start == u"txtBuscar") { // a header click sorts by that column
                    QHeaderView *header = view->horizontalHeader();
                    const int x = header->sectionViewportPosition(kCuit) + header->sectionSize(kCuit) / 2;
                    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, {x, header->height() / 2});
                }
                QWidget *target = start == u"txtBuscar" ? child<QWidget>(list, start) : view->viewport();
                QTest::mouseClick(target, Qt::LeftButton, {}, {2, target->height() - 2});
                QCOMPARE(focusName(), start);
                QVERIFY(userWorks<FrmNewCliente>([] { pressKey(Qt::Key_Insert); },
                                                 [&](FrmNewCliente *w) {
                                                     edit(w,
                                                          {u"TxtCuit="_s + kNewCuit, u"TxtNombre=Zapata, Ana"_s,
                                                           u"TxtDomicilio=Mitre 10"_s, u"TxtEmail=ana@ejemplo.com"_s});
                                                     pressKey(Qt::Key_F11);
                                                 }));
                QStringList shown;
                for (int r = 0; r < list->model()->rowCount(); ++r)
                    shown << list->model()->text(r, kCuit);
                QCOMPARE(shown, cuits);
                QCOMPARE(list->list()->selectedRow(), row);
                QStringList added;
                for (int column = kNombre; column < kCustomerColumnCount; ++column)
                    added << list->model()->text(row, column);
                QCOMPARE(added, (QStringList{u"Zapata, Ana"_s, kNewCuit, u"Mitre 10"_s, u"ana@ejemplo.com"_s, {}, {}}));
                reactivate(list);
                pressKey(Qt::Key_Return);
            }));
        const ComponentState &s = state();
        QCOMPARE(s.Cliente_Cuit, kNewCuit);
        QCOMPARE(s.Cliente_Regalias, 0.0);
        QCOMPARE(s.Cliente_AjustexVinculacion, 0.0);
    }

private:
    void useDataAccess(QObject *broker) { m_session->useDataAccess(broker); }

    QString personal() const { return m_session->personal(); }

    std::unique_ptr<HostSession> m_session;
    UserSettingsSandbox m_settings;
    StrayMessageWatchdog m_watchdog;
};

QTEST_MAIN(TestNewCustomer)
#include "tst_newcustomer.moc"
