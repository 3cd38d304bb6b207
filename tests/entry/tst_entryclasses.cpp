// The host-facing classes: per-thread components and state, members as a host reaches them, the server entry points.

#include <QDialog>
#include <QFileInfo>
#include <QSettings>
#include <QTest>
#include <thread>

#include "browser/customerlistwindow.h"
#include "core/componentstate.h"
#include "customer/modifycustomerwindow.h"
#include "customer/newcustomerwindow.h"
#include "entry/newcustomerentry.h"
#include "felcora/clListado.h"
#include "felcora/clModificar.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/registry.h"
#include "printdesk/printdesk.h"
#include "support/dialogwork.h"
#include "support/errors.h"
#include "support/hostsession.h"
#include "support/recordingbroker.h"
#include "support/typing.h"

using namespace felcora;
using namespace felcora::test;
using namespace Qt::StringLiterals;

namespace {

// A listing component that keeps every data access handed to it since useFakeListing().
class FakeListing : public QObject, public IListing
{
    Q_OBJECT
    Q_INTERFACES(felcora::IListing)
public:
    static inline QList<QObject *> received;
    void SetDataAccess(QObject *&dataAccess) override { received.append(dataAccess); }
    QString getSubRegimenListado() override { return {}; }
    QString getVentajasListado() override { return {}; }
};

// Makes the fake the listing component of the next clListado.
void useFakeListing()
{
    FakeListing::received.clear();
    registry::registerClass(QString::fromLatin1(components::kListing), [] { return new FakeListing; });
}

// Opens a window of type W with open, fills the fields and leaves with key.
template <class W> bool filled(const std::function<void()> &open, const QStringList &fields, Qt::Key key)
{
    return userWorks<W>(open, [&](W *w) {
        edit(w, fields);
        pressKey(key);
    });
}

void simulatePreviousPick()
{
    state().publish({u"Ana Pérez"_s, u"27123456780"_s, u"Av. Siempre Viva 742"_s, u"ana@example.com"_s, 3.5, 1.25});
}

const char *const kPickProperties[] = {"Cliente_Nombre", "Cliente_Cuit",     "Cliente_Domicilio",
                                       "Cliente_EMail",  "Cliente_Regalias", "Cliente_AjustexVinculacion"};

// What a host reads of the picked or saved customer, by property name.
QString published(const QObject &listado)
{
    QStringList values;
    for (const char *name : kPickProperties)
        values << listado.property(name).toString();
    return values.join(u'|');
}

const QString kCustomersSql = u"insert into clientes (cuit, nombre, domicilio, email, regalias, AjxVinc_4102) values "
                              "('20111111112', 'Benítez, Juan', 'Rivadavia 300', 'juan@ejemplo.com', 12.5, 1.5),"
                              "('20333333334', 'gamboa, Luis', 'Rivadavia 100', '', 0, 0)"_s;

} // namespace

class TestEntryClasses : public QObject
{
    Q_OBJECT

private slots:
    void init() { hostkit::registerHostComponents(); }
    void cleanup() { state() = ComponentState{}; }

    // clListado creates its thread's components (a later one replaces them, a missing one fails leaving them and
    // counting no object), which outlive it; each thread has its own.
    void eachThreadHasItsComponentsAndState()
    {
        const auto components = [] {
            const ComponentState &s = state();
            return QList<QObject *>{s.gBroker.object(), s.gPrintDesk.object(), s.gMolde.object()};
        };
        auto listado = std::make_unique<clListado>();
        const QList<QObject *> created = components();
        QVERIFY(created[0] && created[0]->inherits("felcora::hostkit::RecordBroker")
                && qobject_cast<hostkit::PrintDesk *>(created[1]) && created[2]
                && created[2]->inherits("felcora::hostkit::Molde"));
        const QPointer<QObject> broker(created[0]);
        listado.reset();
        QVERIFY(!broker.isNull());
        bool fresh = false;
        std::thread([&] {
            fresh = !state().gBroker.isSet();
            clListado other;
        }).join();
        QVERIFY(fresh);
        // The format is created last: nothing may be stored before it.
        registry::unregisterClass(QString::fromLatin1(components::kFormat));
        const auto error = errorOf([] { clListado failing; });
        QVERIFY(error && error->description().contains(QLatin1String(components::kFormat)));
        QCOMPARE(components(), created);
        QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK); // the failed object never counted
        hostkit::registerHostComponents();
        useFakeListing();
        clListado first;
        QVERIFY(qobject_cast<FakeListing *>(state().gPrintDesk.object()));
        QVERIFY2(broker.isNull(), "the replaced data access was not released");
        simulatePreviousPick();
        QCOMPARE(published(first), u"Ana Pérez|27123456780|Av. Siempre Viva 742|ana@example.com|3.5|1.25"_s);
    }

    // Each class counts as a live object while it exists and takes BaseDatos: "" (exactly empty) as the per-user
    // default, anything else as given.
    void classesCountAndTakeTheDatabase()
    {
        QSettings user(QSettings::IniFormat, QSettings::UserScope, u"TARVIS"_s, u"TARVIS"_s);
        const QString path = u"/datos/personal.db"_s;
        for (const auto &[make, userDefault, value, expected] :
             {std::tuple{ObjectFactory([] { return new clListado; }), path, QString(), path},
              {[]() -> QObject * { return new clModificar; }, QString(), QString(), QString()},
              {[]() -> QObject * { return new clNuevo; }, path, u" "_s, u" "_s}}) {
            userDefault.isNull() ? user.remove(u"BASES/PERSONAL"_s) : user.setValue(u"BASES/PERSONAL"_s, userDefault);
            QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK);
            const std::unique_ptr<QObject> object(make());
            QCOMPARE(DllCanUnloadNow(), FELCORA_S_FALSE);
            state().BaseDatos = u"stale"_s;
            QVERIFY(object->setProperty("BaseDatos", value));
            QCOMPARE(object->property("BaseDatos").toString(), expected);
        }
        QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK);
    }

    // The host's data access is borrowed, its deletion noticed; anything else is refused.
    void setDataConnection()
    {
        auto *broker = new RecordingBroker;
        const QPointer<RecordingBroker> watch(broker);
        clListado listado;
        listado.SetDataConnection(QVariant::fromValue<QObject *>(broker));
        clListado replacing; // the host keeps ownership: replacing the thread's data access leaves it alive
        QVERIFY(!watch.isNull());
        replacing.SetDataConnection(QVariant::fromValue<QObject *>(broker));
        const auto error
            = errorOf([&] { replacing.SetDataConnection(QVariant::fromValue(state().gPrintDesk.object())); });
        QVERIFY(error && error->number() == 13);
        QCOMPARE(state().gBroker.object(), broker);
        delete broker;
        QVERIFY(!state().gBroker.isSet());
    }

    // MostrarListado loads the parameters and hands the data access over again, MostrarListadoEx neither; both
    // clear the pick's texts before reading. MostrarListado's failure names its step, MostrarListadoEx's passes.
    void mostrarListado_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<bool>("fails"); // the query; else the list is closed with Esc
        QTest::addColumn<QString>("expected");
        const QByteArray listado("MostrarListado"), ex("MostrarListadoEx");
        QTest::newRow("shown") << listado << false << u"loads 1, handovers 2, read 1 on PERSONAL"_s;
        QTest::newRow("Ex: shown") << ex << false << u"loads 0, handovers 1, read 1 on PERSONAL"_s;
        QTest::newRow("query fails") << listado << true
                                     << u"11111 FELCORA.clListado.MostrarListado::RecordBroker: falló - LINEA 5"_s;
        QTest::newRow("Ex: query fails") << ex << true << u"3146 RecordBroker: falló"_s;
    }
    void mostrarListado()
    {
        QFETCH(QByteArray, method);
        QFETCH(bool, fails);
        QFETCH(QString, expected);
        useFakeListing();
        clListado listado;
        RecordingBroker broker;
        listado.SetDataConnection(QVariant::fromValue<QObject *>(&broker));
        if (fails) {
            broker.script(ScriptedAnswer::failure(Error(3146, u"RecordBroker"_s, u"falló"_s)));
        } else {
            // A customer without name or CUIT is listed with empty texts, not a failure.
            broker.script(ScriptedAnswer::rowset(
                {u"nombre"_s, u"CUIT"_s, u"domicilio"_s, u"email"_s, u"regalias"_s, u"AjxVinc_4102"_s},
                {{u"Ana"_s, u"1"_s, {}, {}, 1.5, {}}, {{}, {}, {}, {}, {}, {}}}));
            onNextModal<QDialog>([](QDialog *) { pressKey(Qt::Key_Escape); });
        }
        simulatePreviousPick();
        // Called as a host does, by name.
        const auto error = errorOf([&] { QVERIFY(QMetaObject::invokeMethod(&listado, method, Qt::DirectConnection)); });
        const QList<RecordingBroker::Statement> &read = broker.statements();
        QCOMPARE(error ? u"%1 %2: %3"_s.arg(error->number()).arg(error->source(), error->description())
                       : u"loads %1, handovers %2, read %3 on %4"_s.arg(broker.loadParametersCalls())
                             .arg(FakeListing::received.size())
                             .arg(read.size())
                             .arg(read.value(0).entity),
                 expected);
        QCOMPARE(published(listado), u"||||3.5|1.25"_s);
    }

    // What the host reads after each window: the row saved, the customer added, the pick; leaving an editor keeps
    // only the e-mail and the numbers; a customer not found shows nothing, a failing load is reported.
    void windowsPublishForTheHost()
    {
        HostSession session(kCustomersSql);
        session.listado.setSeleccionar(true);
        // The pick, then whether the last editor of each kind saved.
        const auto read = [&] {
            const ComponentState &s = state();
            return published(session.listado) + (s.gClienteModificado ? u" modified"_s : QString())
                + (s.gClienteAgregado ? u" added"_s : QString());
        };
        QVERIFY(userWorks<browser::FrmABMClientes>(
            [&] { session.listado.MostrarListado(); },
            [&](browser::FrmABMClientes *w) {
                typeText(u"gam"_s);
                QVERIFY(filled<customer::FrmModCliente>(
                    [] { pressKey(Qt::Key_F6); },
                    {u"TxtNombre=Zapata, Luis"_s, u"txtRegalias=2.5"_s, u"TxtIniactiv=01/02/2003"_s}, Qt::Key_F11));
                QCOMPARE(read(), u"Zapata, Luis|20333333334|Rivadavia 100||2.5|0 modified"_s);
                reactivate(w);
                QVERIFY(filled<customer::FrmNewCliente>(
                    [] { pressKey(Qt::Key_Insert); },
                    {u"TxtCuit=20444444445"_s, u"TxtNombre=Ana"_s, u"txtRegalias=4"_s, u"TxtEmail=ana@ejemplo.com"_s},
                    Qt::Key_F11));
                QCOMPARE(read(), u"Ana|20444444445||ana@ejemplo.com|2.5|0 modified added"_s);
                reactivate(w);
                pressKey(Qt::Key_Return); // the customer added, its numbers zero
            }));
        QCOMPARE(read(), u"Ana|20444444445||ana@ejemplo.com|0|0 modified added"_s);

        simulatePreviousPick();
        clModificar modificar;
        modificar.setCLICUIT(u"20111111112"_s);
        QVERIFY(filled<customer::FrmModCliente>([&] { modificar.Mostrar(); },
                                                {u"TxtEmail=otro@ejemplo.com"_s, u"TxtNombre=Otro"_s}, Qt::Key_Escape));
        QCOMPARE(read(), u"|||ana@example.com|3.5|1.25 added"_s);
        modificar.setCLICUIT(u"99999999999"_s);
        state().gClienteModificado = true;
        modificar.Mostrar();
        QCOMPARE(read(), u"|||ana@example.com|3.5|1.25 added"_s);
        RecordingBroker failing;
        session.useDataAccess(&failing);
        failing.script(ScriptedAnswer::failure(Error(3146, u"RecordBroker.CrearRs[PERSONAL]"_s, u"falló la red"_s)));
        MessageBoxes boxes;
        modificar.Mostrar();
        QCOMPARE(boxes.texts, QStringList{u"3146 - falló la red\r\n\r\nSección FELCORA.clModificar.Mostrar"_s});
        QCOMPARE(boxes.icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
    }

    // Registering writes the type library and each class, unregistering removes only that; the entry point hands
    // out a class object for a class identifier only; the registry creates a class by identifier or name.
    void serverEntryPoints()
    {
        QSettings store(QSettings::IniFormat, QSettings::UserScope, u"FELCORA"_s, u"registry"_s);
        store.setValue(u"Other/Key"_s, u"kept"_s);
        QCOMPARE(DllRegisterServer(), FELCORA_S_OK);
        const QString typeLibrary = identity::typeLibraryId().toString();
        const QString path = store.value(u"TypeLib/Path"_s).toString();
        QCOMPARE(store.value(u"TypeLib/Id"_s).toString(), typeLibrary);
        QVERIFY2(QFileInfo(path).isFile() && QFileInfo(path).fileName().startsWith(u"libfelcora.so"_s),
                 qPrintable(path));
        const auto classOf = [](QObject *created) {
            const std::unique_ptr<QObject> object(created);
            return QByteArray(object ? object->metaObject()->className() : "none");
        };
        for (const auto &[name, id, interfaceId, className] :
             {std::tuple{u"FELCORA.clListado"_s, identity::listadoClassId(), identity::listadoInterfaceId(),
                         "felcora::clListado"},
              {u"FELCORA.clModificar"_s, identity::modificarClassId(), identity::modificarInterfaceId(),
               "felcora::clModificar"}}) {
            store.beginGroup(name);
            QCOMPARE((QStringList{store.value(u"CLSID"_s).toString(), store.value(u"Interface"_s).toString(),
                                  store.value(u"InprocServer"_s).toString(), store.value(u"TypeLib"_s).toString()}),
                     (QStringList{id.toString(), interfaceId.toString(), path, typeLibrary}));
            store.endGroup();
            FelcoraCreateFunction factory = nullptr;
            QCOMPARE(DllGetClassObject(id.toByteArray().constData(), &factory), FELCORA_S_OK);
            QVERIFY(factory);
            QCOMPARE(classOf(static_cast<QObject *>(factory())), className);
            QCOMPARE(classOf(registry::createObject(id)), className);
            QCOMPARE(classOf(registry::createObject(name.toUpper())), className);
        }
        FelcoraCreateFunction factory = [] { return static_cast<void *>(nullptr); }; // a refusal must not leave this
        const QByteArray interfaceId = identity::listadoInterfaceId().toByteArray();
        QCOMPARE(DllGetClassObject(interfaceId.constData(), &factory), FELCORA_CLASS_E_CLASSNOTAVAILABLE);
        QVERIFY(!factory);
        QCOMPARE(DllGetClassObject(interfaceId.constData(), nullptr), FELCORA_E_POINTER);
        QCOMPARE(DllUnregisterServer(), FELCORA_S_OK);
        QCOMPARE(store.childGroups(), QStringList{u"Other"_s});
    }

private:
    UserSettingsSandbox m_settings;
    StrayMessageWatchdog m_watchdog;
};

QTEST_MAIN(TestEntryClasses)
#include "tst_entryclasses.moc"
