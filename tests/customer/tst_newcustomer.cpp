// The new-customer window as a user works it: save, CUIT box, states, pending agents.

#include <QAbstractButton>
#include <QDir>
#include <QTest>
#include <QTreeWidget>

#include "core/customerstore.h"
#include "customer/newcustomer.h"
#include "customer/newcustomerwindow.h"
#include "customer/pendingcustomerswindow.h"
#include "molde/molde.h"
#include "support/dialogwork.h"
#include "support/serverdatabase.h"
#include "support/tempdatabase.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::customer;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

const QString kCustomersSql = u"insert into clientes (cuit, nombre, domicilio) values "
                              "('20111111112', 'Benítez, Juan', 'Rivadavia 300')"_s;
// Only generator 1 has role 2; 11 is a customer; 14's number and address overflow their boxes, its place is NULL.
const QString kLongAddress = u"Avenida Presidente Figueroa Alcorta 7597, piso 12"_s;
const QString kAgentsSql = u"insert into AGENTES values (1, '30000000001', 'Generador', NULL, NULL, NULL, NULL),"
                           "(2, '30000000002', 'Sin rol', NULL, NULL, NULL, NULL),"
                           "(10, '30500000001', 'Acme SA', 'Mitre 10', 'B1638', 'Vicente López', 1),"
                           "(11, '20111111112', 'Benítez, Juan', 'Rivadavia 300', '1708', 'Morón', 1),"
                           "(12, '30600000002', 'Otra SA', 'Belgrano 5', '2000', 'Rosario', 2),"
                           "(14, '20-55555555-5', 'Guiones SA', '%1', NULL, NULL, 1);"
                           "insert into ROLES_AUTORIZADOS values (1, 2), (2, 3)"_s.arg(kLongAddress);

// Opens the window as the entry classes do; how the opening ended, when it showed.
std::optional<NewCustomerOutcome> addNew(const CustomerStore &store, const std::function<void(FrmNewCliente *)> &user)
{
    std::optional<NewCustomerOutcome> outcome;
    if (!userWorks<FrmNewCliente>([&] { outcome = showNewCustomer(store); }, user))
        outcome.reset();
    return outcome;
}

} // namespace

class TestNewCustomer : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_db = std::make_unique<TempDatabase>();
        m_broker = m_db->makeBroker();
        m_pending = {};
        TempDatabase::exec(personal(), kCustomersSql);
    }
    void cleanup()
    {
        closeAllModals();
        m_broker.reset();
        m_db.reset();
    }

    // The checks in the save's order: a refusal stores nothing; what passes is read back
    // as stored, and the typed customer is handed back once the checks pass.
    void save_data()
    {
        QTest::addColumn<bool>("keepsFee");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Buttons>("answers");
        QTest::addColumn<QString>("stored"); // the row's values, "|" between them
        QTest::addColumn<QString>("handed"); // the CUIT handed back
        const auto row = [](const char *name, const QString &steps, const QString &message, const QString &stored = {},
                            const Buttons &answers = {}, bool keepsFee = true, const QString &handed = {}) {
            QTest::newRow(name) << keepsFee << steps.split(u';') << message << answers << stored
                                << (stored.isEmpty() ? handed : stored.section(u'|', 0, 0));
        };
        const QString doubt = u"El CUIT %1 no es válido: %2. ¿Guardar de todos modos?"_s;
        row("royalties emptied, before an empty CUIT", u"txtRegalias="_s,
            u"El campo REGALIAS debe tener un valor numerico"_s);
        row("blank CUIT", u"TxtCuit=   ;TxtNombre=Ana"_s, u"Debe ingresar el número de cuit"_s);
        row("a blank and ten digits", u"TxtCuit= 2044444444;TxtNombre=Ana"_s,
            u"El número de CUIT debe tener 11 digitos"_s);
        row("a wrong check digit, not confirmed by default", u"TxtCuit=30712345670;TxtNombre=Ana"_s,
            doubt.arg(u"30712345670"_s, u"el dígito verificador debería ser 1"_s));
        row("no name: nothing said", u"TxtCuit=20444444445"_s, {});
        row("exemption zero, before the reduction and the date",
            u"TxtCuit=20444444445;TxtNombre=Ana;EXIMGANS;TxtEximGan=0;OpIVAREDS;TxtIvaReduccion=x;TxtIniactiv=abc"_s,
            u"Debe ingresar un valor mayor a CERO"_s);
        row("a CUIT taken", u"TxtCuit=20111111112;TxtNombre=Otro"_s, u"El número de Cuit 20111111112 ya existe."_s, {},
            {}, true, u"20111111112"_s);
        row("every box, both frames SI, exempt with VAT, the fee",
            u"TxtCuit=20444444445;TxtNombre=O'Brien, Ana;TxtDomicilio=Rivadavia 300;txtLocalidad=Morón;txtCP=1708;"
            "TxtEmail=ana@ejemplo.com;TxtTelefonos=4555-1234;TxtIniactiv=5/3/2001;TxtContact=Pedro;"
            "txtLugarDepMerc=O'Higgins 12;txtRegalias=3,25;txtAjxVinc_4102=4,5;chExecLAPI;cboIVAMARIA#2;EXIMGANS;"
            "TxtEximGan=1,5;OpIVAREDS;TxtIvaReduccion=-2;cboIVAFACTU#5;txtIvaExcento=12,5;txtHonorario=7"_s,
            {},
            u"20444444445|O'Brien, Ana|Rivadavia 300|Morón|1708|ana@ejemplo.com|4555-1234|05/03/2001|Pedro|"
            "O´Higgins 12|3.25|4.5|S|M|S|1.5|0|S|-2|0|X|12.5|7|0"_s);
        row("the product: ten digits and a letter confirmed, a frame set back to NO, no date",
            u"TxtCuit=2044444444A;TxtNombre=Ana;EXIMGANS;TxtEximGan=9;EXIMGANN"_s,
            doubt.arg(u"2044444444A"_s, u"debe tener solo dígitos"_s),
            u"2044444444A|Ana||||||01/01/1900|||0|0|N|S|N|0|0|N|0|0|S|0||0"_s, {QMessageBox::Yes}, false);
    }
    void save()
    {
        QFETCH(bool, keepsFee);
        QFETCH(QStringList, steps);
        QFETCH(QString, message);
        QFETCH(Buttons, answers);
        QFETCH(QString, stored);
        QFETCH(QString, handed);
        const auto before = DatabaseSnapshot::take(personal());
        const auto outcome = addNew(store(keepsFee), [&](FrmNewCliente *w) {
            MessageBoxes boxes(answers);
            edit(w, steps);
            pressKey(Qt::Key_F11);
            QCOMPARE(boxes.texts, message.isEmpty() ? QStringList() : QStringList{message});
            const auto icon = message.startsWith(u"El CUIT "_s) ? QMessageBox::Question : QMessageBox::Warning;
            QCOMPARE(boxes.icons, QList<QMessageBox::Icon>(boxes.texts.size(), icon));
            QCOMPARE(w->isVisible(), stored.isEmpty());
            if (w->isVisible()) {
                reactivate(w);
                pressKey(Qt::Key_Escape);
            }
        });
        QVERIFY(outcome);
        QCOMPARE(outcome->added, !stored.isEmpty());
        QCOMPARE(outcome->escaped, stored.isEmpty());
        QCOMPARE(outcome->handedBack ? outcome->handedBack->cuit : QString(), handed);
        QCOMPARE(before.differences(DatabaseSnapshot::take(personal())),
                 stored.isEmpty() ? QStringList() : QStringList{u"clientes[%1] inserted"_s.arg(handed)});
        if (stored.isEmpty())
            return;
        const auto row = store(keepsFee).load(handed);
        QVERIFY(row);
        QStringList values;
        for (const CustomerField field : kCustomerFields)
            values << valueOf(*row, field);
        QCOMPARE(values.join(u'|'), stored);
    }

    // The boxes as the window opens and as the invoicing condition changes them. Each dash
    // typed in the CUIT is refused and typing goes on; a pasted CUIT loses its dashes.
    void windowStatesAndCuitDashes()
    {
        const QStringList opening
            = (u"TxtCuit=;TxtNombre=;TxtDomicilio=;txtLocalidad=;txtCP=;TxtEmail=;TxtTelefonos=;TxtIniactiv=;"
               "TxtContact=;txtLugarDepMerc=;txtINGBRU=0 hidden;txtRegalias=0;txtAjxVinc_4102=0;chkCVDI off;"
               "chExecLAPI off;cboIVAMARIA#0;EXIMGANS off;EXIMGANN on;TxtEximGan=0 disabled;TxtTemp=0 disabled;"
               "OpIVAREDS off;OpIVAREDN on;TxtIvaReduccion=0 disabled;TxtIvaTemp=0 disabled;cboIVAFACTU#0;"
               "txtIvaExcento=0 hidden;lbIvaExento hidden;txtHonorario=;lbHonorario;cmdClientesPendientes"_s)
                  .split(u';');
        // Exempt with VAT, then another entry: the value hidden, its text kept.
        const QStringList switched = {u"txtIvaExcento=12,5 hidden"_s, u"lbIvaExento hidden"_s};
        QVERIFY(addNew(store(), [&](FrmNewCliente *w) {
            MessageBoxes boxes;
            QCOMPARE(looks(w, opening), opening);
            edit(w, {u"cboIVAFACTU#5"_s, u"txtIvaExcento=12,5"_s, u"cboIVAFACTU#4"_s});
            QCOMPARE(looks(w, switched), switched);
            QCOMPARE(boxes.texts, QStringList());
            QLineEdit *cuit = child(w, u"TxtCuit"_s);
            typeText(u"20-"_s, cuit);
            reactivate(w); // back from the message
            typeText(u"12345678-99"_s, cuit);
            const QString refusal = u"No debe ingresar guiones ( - ) en el CUIT"_s;
            QCOMPARE(boxes.texts, (QStringList{refusal, refusal}));
            QCOMPARE(boxes.icons, (QList<QMessageBox::Icon>{QMessageBox::Critical, QMessageBox::Critical}));
            QCOMPARE(cuit->text(), u"20123456789"_s);
            edit(w, {u"TxtCuit<30-71234567-1"_s});
            QCOMPARE(cuit->text(), u"30712345671"_s);
            reactivate(w);
            pressKey(Qt::Key_Escape);
        }));
    }

    // Listed: a role-2 generator's agents not yet customers. A pick (mouse or keys) replaces
    // the identification, NULLs as empty; Esc changes nothing.
    void pendingImport()
    {
        TempDatabase::exec(m_db->accountingPath(), kAgentsSql);
        const QStringList listed = {u"30500000001|Acme SA|Mitre 10|B1638|Vicente López"_s,
                                    u"20-55555555-5|Guiones SA|"_s + kLongAddress + u"||"_s};
        const QString acme = u"TxtCuit=30500000001;TxtDomicilio=Mitre 10;txtCP=B1638;txtLocalidad=Vicente López;"
                             "TxtContact=Pedro;txtRegalias=4,5"_s;
        const QList<std::tuple<QString, std::function<void(QTreeWidget *)>, QString>> picks
            = {{u"TxtCuit=1;TxtNombre=Otro;TxtContact=Pedro;txtRegalias=4,5"_s,
                [](QTreeWidget *list) {
                    const QPoint at = list->visualItemRect(list->topLevelItem(0)).center();
                    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
                },
                acme + u";TxtNombre=Acme SA"_s},
               {u"TxtNombre=Acme Sociedad Anónima"_s, [](QTreeWidget *) { pressKey(Qt::Key_Escape); },
                acme + u";TxtNombre=Acme Sociedad Anónima"_s},
               {{},
                [](QTreeWidget *) { // the list has the focus as it opens
                    pressKey(Qt::Key_Down);
                    pressKey(Qt::Key_Return);
                },
                u"TxtCuit=20-55555555-5;TxtNombre=Guiones SA;txtCP=;txtLocalidad=;TxtContact=Pedro;TxtDomicilio="_s
                    + kLongAddress}};
        QVERIFY(addNew(store(), [&](FrmNewCliente *w) {
            for (const auto &[steps, pick, shown] : picks) {
                edit(w, steps.split(u';', Qt::SkipEmptyParts));
                QVERIFY(userWorks<frmListadeClientesPendientes>(
                    [&] { QTest::mouseClick(child<QAbstractButton>(w, u"cmdClientesPendientes"_s), Qt::LeftButton); },
                    [&](frmListadeClientesPendientes *p) {
                        auto *list = child<QTreeWidget>(p, u"lstLista"_s);
                        QCOMPARE(entries(list), listed);
                        pick(list);
                    }));
                reactivate(w);
                QCOMPARE(looks(w, shown.split(u';')), shown.split(u';'));
            }
            pressKey(Qt::Key_Escape);
        }));
    }

    // Without the accounting database the user is told twice, the list is empty, saving works.
    void missingAccountingDatabase()
    {
        hostkit::RecordBroker broker;
        if (onServer()) {
            TempDatabase::exec(personal(), u"drop schema quenmarcontable cascade"_s);
        } else {
            hostkit::BrokerConfig config = m_db->config();
            hostkit::EntitySettings &personalEntity = config.entities[u"PERSONAL"_s];
            personalEntity.accounting = QDir(m_db->folder()).filePath(u"ausente.db"_s);
            personalEntity.schema.clear(); // nothing created: the customer database exists
            broker.useConfig(config);
            broker.LoadParameters();
        }
        const QString description
            = u"Este módulo es compatible con el sistema Contable y Seguimiento de Operaciones de Quenmar. \r\n\r\n"
              "¿Tiene instalado el sistema Contable o Seguimiento de Carpetas?\r\n\r\n\r\n"_s;
        const auto before = DatabaseSnapshot::take(personal());
        hostkit::RecordBroker *used = onServer() ? m_broker.get() : &broker;
        const CustomerStore onIt({used, &m_format, used}, nullptr, true, &m_pending);
        QVERIFY(addNew(onIt, [&](FrmNewCliente *w) {
            MessageBoxes boxes;
            QVERIFY(userWorks<frmListadeClientesPendientes>(
                [&] { QTest::mouseClick(child<QAbstractButton>(w, u"cmdClientesPendientes"_s), Qt::LeftButton); },
                [&](frmListadeClientesPendientes *p) {
                    // From loading the list, then from showing it.
                    QCOMPARE(boxes.icons, (QList<QMessageBox::Icon>{QMessageBox::Warning, QMessageBox::NoIcon}));
                    QVERIFY(boxes.texts[0].startsWith(description) && boxes.texts[0].contains(u"Form_Load"_s));
                    QVERIFY(boxes.texts[1].startsWith(description) && boxes.texts[1].contains(u"Form_Activate"_s));
                    QCOMPARE(child<QTreeWidget>(p, u"lstLista"_s)->topLevelItemCount(), 0);
                    pressKey(Qt::Key_Escape);
                }));
            edit(w, {u"TxtCuit=20444444445"_s, u"TxtNombre=Ana"_s});
            pressKey(Qt::Key_F11);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(before.differences(DatabaseSnapshot::take(personal())),
                 QStringList{u"clientes[20444444445] inserted"_s});
    }

private:
    // The store of one opening on the test database.
    CustomerStore store(bool keepsFee = true)
    {
        return CustomerStore({m_broker.get(), &m_format, m_broker.get()}, nullptr, keepsFee, &m_pending);
    }

    QString personal() const { return m_db->personalPath(); }

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<hostkit::RecordBroker> m_broker;
    hostkit::Molde m_format;
    PendingImport m_pending;
    StrayMessageWatchdog m_watchdog;
};

QTEST_MAIN(TestNewCustomer)
#include "tst_newcustomer.moc"
