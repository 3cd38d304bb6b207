// The host-facing classes: their per-thread components and state, their
// members as a host reaches them, what they publish, the server entry points.

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

QVariant handed(QObject *dataAccess)
{
    return QVariant::fromValue(dataAccess);
}

// Calls as a host does: by name, through the meta-object system.
void invoke(QObject *object, const char *method)
{
    QVERIFY2(QMetaObject::invokeMethod(object, method, Qt::DirectConnection), method);
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
    void cleanup()
    {
        closeAllModals();
        state() = ComponentState{};
        hostkit::registerHostComponents();
    }

    // clListado creates its thread's components (a later one replaces them, a missing one fails leaving them and
    // counting no object); each thread's state starts empty, and its objects share a pick the host cannot write.
    void eachThreadHasItsComponentsAndState()
    {
        const auto components = [] {
            const ComponentState &s = state();
            return QList<QObject *>{s.gBroker.object(), s.gPrintDesk.object(), s.gMolde.object()};
        };
        auto listado = std::make_unique<clListado>();
        const QList<QObject *> created = components();
        QVERIFY(created[0] && created[0]->inherits("felcora::hostkit::RecordBroker"));
        QVERIFY(qobject_cast<hostkit::PrintDesk *>(created[1]));
        QVERIFY(created[2] && created[2]->inherits("felcora::hostkit::Molde"));
        const QPointer<QObject> broker(created[0]);
        listado.reset();
        QVERIFY2(!broker.isNull(), "the components outlive the object that created them");
        state().Cliente_Nombre = u"main thread"_s;
        bool fresh = false;
        std::thread([&] {
            const ComponentState &s = state();
            fresh = !s.gBroker.isSet() && s.Cliente_Nombre.isEmpty() && s.windows.isEmpty();
            clListado other;
            state().Cliente_Nombre = u"worker thread"_s;
        }).join();
        QVERIFY(fresh);
        QCOMPARE(components(), created);
        QCOMPARE(state().Cliente_Nombre, u"main thread"_s);
        for (const char *name : {components::kDataAccess, components::kListing, components::kFormat}) {
            registry::unregisterClass(QString::fromLatin1(name));
            const auto error = errorOf([] { clListado failing; });
            QVERIFY(error && error->description().contains(QLatin1String(name)));
            QCOMPARE(components(), created);
            QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK); // the failed object never counted
            hostkit::registerHostComponents();
        }
        useFakeListing();
        clListado first;
        QVERIFY(qobject_cast<FakeListing *>(state().gPrintDesk.object()));
        QVERIFY2(broker.isNull(), "the replaced data access was not released");
        const clListado second;
        simulatePreviousPick();
        for (const char *name : kPickProperties)
            QVERIFY2(!first.setProperty(name, u"7"_s), name);
        QCOMPARE(published(first), u"Ana Pérez|27123456780|Av. Siempre Viva 742|ana@example.com|3.5|1.25"_s);
        QCOMPARE(published(second), published(first));
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
            user.sync();
            QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK);
            const std::unique_ptr<QObject> object(make());
            QCOMPARE(DllCanUnloadNow(), FELCORA_S_FALSE);
            state().BaseDatos = u"stale"_s;
            QVERIFY(object->setProperty("BaseDatos", value));
            QCOMPARE(state().BaseDatos, expected);
            QCOMPARE(object->property("BaseDatos").toString(), expected);
        }
        QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK);
    }

    // The host's data access is borrowed and handed to the listing; its deletion is noticed; anything else refused.
    void setDataConnection()
    {
        auto *broker = new RecordingBroker;
        const QPointer<RecordingBroker> watch(broker);
        useFakeListing();
        clListado listado;
        listado.SetDataConnection(handed(broker));
        QCOMPARE(state().gBroker.object(), broker);
        QCOMPARE(FakeListing::received, QList<QObject *>{broker});
        clListado replacing; // the host keeps ownership: replacing the thread's data access leaves it alive
        QVERIFY(!watch.isNull());
        replacing.SetDataConnection(handed(broker));
        for (const QVariant &other : {handed(state().gPrintDesk.object()), QVariant(u"RecordBroker.BrokerMain"_s)}) {
            const auto error = errorOf([&] { replacing.SetDataConnection(other); });
            QVERIFY(error && error->number() == 13);
            QCOMPARE(state().gBroker.object(), broker);
        }
        delete broker;
        QVERIFY(!state().gBroker.isSet());
    }

    // MostrarListado loads the parameters and hands the data access over again, MostrarListadoEx neither; both
    // clear the pick's texts before reading. MostrarListado's failures name its step, MostrarListadoEx's pass.
    void mostrarListado_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<int>("fault"); // -1: none, the list is closed with Esc; 0: loading, 1: no listing, 2: query
        QTest::addColumn<QString>("expected");
        const QByteArray listado("MostrarListado"), ex("MostrarListadoEx");
        const QString wrapped = u"11111 FELCORA.clListado.MostrarListado::"_s, cleared = u" / ||||3.5|1.25"_s,
                      kept = u" / Ana Pérez|27123456780|Av. Siempre Viva 742|ana@example.com|3.5|1.25"_s;
        QTest::newRow("shown") << listado << -1 << u"loads 1, handovers 2, read on PERSONAL"_s + cleared;
        QTest::newRow("Ex: shown") << ex << -1 << u"loads 0, handovers 1, read on PERSONAL"_s + cleared;
        QTest::newRow("LoadParameters fails") << listado << 0 << wrapped + u"RecordBroker: falló - LINEA 2"_s + kept;
        QTest::newRow("no listing component") << listado << 1
                                              << wrapped
                + u"gPrintDesk: Variable de tipo Object o la variable de bloque With no está establecida "
                  "(gPrintDesk) - LINEA 3"_s
                + kept;
        QTest::newRow("query fails") << listado << 2 << wrapped + u"RecordBroker: falló - LINEA 5"_s + cleared;
        QTest::newRow("Ex: query fails") << ex << 2 << u"3146 RecordBroker: falló"_s + cleared;
    }
    void mostrarListado()
    {
        QFETCH(QByteArray, method);
        QFETCH(int, fault);
        QFETCH(QString, expected);
        useFakeListing();
        clListado listado;
        RecordingBroker broker;
        listado.SetDataConnection(handed(&broker));
        const Error inner(3146, u"RecordBroker"_s, u"falló"_s);
        switch (fault) {
        case -1:
            // A customer without name or CUIT is listed with empty texts, not a failure.
            broker.script(ScriptedAnswer::rowset(
                {u"nombre"_s, u"CUIT"_s, u"domicilio"_s, u"email"_s, u"regalias"_s, u"AjxVinc_4102"_s},
                {{u"Ana"_s, u"1"_s, {}, {}, 1.5, {}}, {{}, {}, {}, {}, {}, {}}}));
            onNextModal<QDialog>([](QDialog *) { pressKey(Qt::Key_Escape); });
            break;
        case 0: broker.failLoadParameters(inner); break;
        case 1: state().gPrintDesk.clear(); break;
        default: broker.script(ScriptedAnswer::failure(inner));
        }
        simulatePreviousPick();
        const auto error = errorOf([&] { invoke(&listado, method.constData()); });
        QString outcome;
        if (error) {
            outcome = u"%1 %2: %3"_s.arg(error->number()).arg(error->source(), error->description());
        } else {
            QStringList entities;
            for (const RecordingBroker::Statement &statement : broker.statements())
                entities << statement.entity;
            outcome = u"loads %1, handovers %2, read on %3"_s.arg(broker.loadParametersCalls())
                          .arg(FakeListing::received.size())
                          .arg(entities.join(u", "_s));
        }
        QCOMPARE(outcome + u" / "_s + published(listado), expected);
    }

    // What the host reads after each window: the pick, the row saved, the customer added; leaving an editor keeps
    // only the e-mail and the numbers.
    void windowsPublishForTheHost()
    {
        HostSession session(kCustomersSql);
        session.listado.setSeleccionar(true);
        const auto list = [&](const std::function<void(browser::FrmABMClientes *)> &user) {
            QVERIFY(userWorks<browser::FrmABMClientes>([&] { invoke(&session.listado, "MostrarListado"); }, user));
        };
        // The pick, then whether the last editor of each kind saved.
        const auto read = [&] {
            const ComponentState &s = state();
            return published(session.listado) + (s.gClienteModificado ? u" modified"_s : QString())
                + (s.gClienteAgregado ? u" added"_s : QString());
        };
        list([&](browser::FrmABMClientes *w) {
            typeText(u"gam"_s);
            QVERIFY(filled<customer::FrmModCliente>(
                [] { pressKey(Qt::Key_F6); },
                {u"TxtNombre=Zapata, Luis"_s, u"txtRegalias=2.5"_s, u"TxtIniactiv=01/02/2003"_s}, Qt::Key_F11));
            QCOMPARE(read(), u"Zapata, Luis|20333333334|Rivadavia 100||2.5|0 modified"_s);
            reactivate(w);
            QVERIFY(filled<customer::FrmNewCliente>([] { pressKey(Qt::Key_Insert); },
                                                    {u"TxtCuit=20444444445"_s, u"TxtNombre=Ana"_s,
                                                     u"TxtDomicilio=Mitre 10"_s, u"txtRegalias=4"_s,
                                                     u"TxtEmail=ana@ejemplo.com"_s},
                                                    Qt::Key_F11));
            QCOMPARE(read(), u"Ana|20444444445|Mitre 10|ana@ejemplo.com|2.5|0 modified added"_s);
            reactivate(w);
            pressKey(Qt::Key_Return); // the customer added, its numbers zero
        });
        QCOMPARE(read(), u"Ana|20444444445|Mitre 10|ana@ejemplo.com|0|0 modified added"_s);
        list([](browser::FrmABMClientes *) {
            typeText(u"b"_s);
            pressKey(Qt::Key_Return);
        });
        QCOMPARE(read(), u"Benítez, Juan|20111111112|Rivadavia 300|juan@ejemplo.com|12.5|1.5 modified added"_s);

        clModificar modificar;
        modificar.setCLICUIT(u"20111111112"_s);
        QVERIFY(filled<customer::FrmModCliente>([&] { modificar.Mostrar(); },
                                                {u"TxtEmail=otro@ejemplo.com"_s, u"TxtNombre=Otro"_s}, Qt::Key_Escape));
        QCOMPARE(read(), u"|||juan@ejemplo.com|12.5|1.5 added"_s);
        QVERIFY(userWorks<customer::FrmNewCliente>(
            [] { clNuevo().MostrarNuevo(); },
            [](customer::FrmNewCliente *n) {
                MessageBoxes taken;
                edit(n,
                     {u"TxtCuit=20111111112"_s, u"TxtNombre=Otro"_s, u"TxtDomicilio=Calle 1"_s,
                      u"TxtEmail=otro@ejemplo.com"_s});
                pressKey(Qt::Key_F11);
                QCOMPARE(taken.texts, QStringList{u"El número de Cuit 20111111112 ya existe."_s});
                reactivate(n);
                pressKey(Qt::Key_Escape);
            }));
        QCOMPARE(read(), u"|||otro@ejemplo.com|12.5|1.5"_s); // handed back before the CUIT was found taken
        list([](browser::FrmABMClientes *) { pressKey(Qt::Key_C, Qt::ControlModifier); });
        QCOMPARE(read(), u"||||12.5|1.5"_s);

        // No such customer: no window, nothing saved. A failing load is shown.
        modificar.setCLICUIT(u"99999999999"_s);
        state().gClienteModificado = true;
        modificar.Mostrar();
        QCOMPARE(read(), u"||||12.5|1.5"_s);
        RecordingBroker failing;
        session.useDataAccess(&failing);
        failing.script(ScriptedAnswer::failure(Error(3146, u"RecordBroker.CrearRs[PERSONAL]"_s, u"falló la red"_s)));
        MessageBoxes boxes;
        modificar.Mostrar();
        QCOMPARE(boxes.texts, QStringList{u"3146 - falló la red\r\n\r\nSección FELCORA.clModificar.Mostrar"_s});
        QCOMPARE(boxes.icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
    }

    // Registering writes the type library and each class, unregistering removes only that; the entry point hands
    // out a class object for a class identifier only; the registry creates a class by identifier or by name.
    void serverEntryPoints()
    {
        QSettings store(QSettings::IniFormat, QSettings::UserScope, u"FELCORA"_s, u"registry"_s);
        store.setValue(u"Other/Key"_s, u"kept"_s);
        store.sync();
        QCOMPARE(DllRegisterServer(), FELCORA_S_OK);
        store.sync();
        const QString typeLibrary = identity::typeLibraryId().toString();
        const QString path = store.value(u"TypeLib/Path"_s).toString();
        QCOMPARE(store.value(u"TypeLib/Id"_s).toString() + u' ' + store.value(u"TypeLib/Version"_s).toString(),
                 typeLibrary + u" 2.6"_s);
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
            for (const QByteArray &key : {id.toByteArray(), id.toByteArray(QUuid::WithoutBraces)}) {
                FelcoraCreateFunction factory = nullptr;
                QCOMPARE(DllGetClassObject(key.constData(), nullptr), FELCORA_E_POINTER);
                QCOMPARE(DllGetClassObject(key.constData(), &factory), FELCORA_S_OK);
                QVERIFY(factory);
                QCOMPARE(classOf(static_cast<QObject *>(factory())), className);
            }
            QCOMPARE(classOf(registry::createObject(id)), className);
            QCOMPARE(registry::classId(name.toLower()), id);
            QCOMPARE(classOf(registry::createObject(name.toUpper())), className);
        }
        for (const QByteArray &key :
             {QByteArray(identity::kListadoName), identity::listadoInterfaceId().toByteArray()}) {
            FelcoraCreateFunction factory
                = [] { return static_cast<void *>(nullptr); }; // a refusal must not leave this
            QCOMPARE(DllGetClassObject(key.constData(), &factory), FELCORA_CLASS_E_CLASSNOTAVAILABLE);
            QVERIFY(!factory);
        }
        FelcoraCreateFunction factory = nullptr;
        QCOMPARE(DllGetClassObject(nullptr, &factory), FELCORA_E_POINTER);
        QCOMPARE(DllUnregisterServer(), FELCORA_S_OK);
        store.sync();
        QCOMPARE(store.childGroups(), QStringList{u"Other"_s});
        QCOMPARE(store.value(u"Other/Key"_s).toString(), u"kept"_s);
    }

private:
    UserSettingsSandbox m_settings;
    StrayMessageWatchdog m_watchdog;
};

QTEST_MAIN(TestEntryClasses)
#include "tst_entryclasses.moc"
