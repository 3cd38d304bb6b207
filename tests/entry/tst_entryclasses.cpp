// The host-facing classes: the per-thread state they share, the host
// components clListado creates and is handed, its members as a host reaches
// them by name, what the list, clModificar and clNuevo publish for the host,
// and the in-process server entry points.

#include <QDialog>
#include <QFileInfo>
#include <QSettings>
#include <QTest>
#include <thread>

#include "browser/customerlistmodel.h"
#include "browser/customerlistview.h"
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

// A listing component that keeps every data access it is handed.
class FakeListing : public QObject, public IListing
{
    Q_OBJECT
    Q_INTERFACES(felcora::IListing)
public:
    QList<QObject *> received;
    void SetDataAccess(QObject *&dataAccess) override { received.append(dataAccess); }
    QString getSubRegimenListado() override { return {}; }
    QString getVentajasListado() override { return {}; }
};

void useFakeListing()
{
    registry::registerClass(QString::fromLatin1(components::kListing), [] { return new FakeListing; });
}

FakeListing *fakeListing()
{
    return qobject_cast<FakeListing *>(state().gPrintDesk.object());
}

// Calls as a host does: by name, through the meta-object system.
void invoke(QObject *object, const char *method)
{
    QVERIFY2(QMetaObject::invokeMethod(object, method, Qt::DirectConnection), method);
}

void setDataConnection(QObject *listado, QObject *broker)
{
    QVERIFY(QMetaObject::invokeMethod(listado, "SetDataConnection", Qt::DirectConnection,
                                      Q_ARG(QVariant, QVariant::fromValue<QObject *>(broker))));
}

std::unique_ptr<QObject> makeClass(const QString &name)
{
    if (name == u"clListado")
        return std::make_unique<clListado>();
    if (name == u"clModificar")
        return std::make_unique<clModificar>();
    return std::make_unique<clNuevo>();
}

void simulatePreviousPick()
{
    state().publish({u"Ana Pérez"_s, u"27123456780"_s, u"Av. Siempre Viva 742"_s, u"ana@example.com"_s, 3.5, 1.25});
}

// What the host reads: the picked or saved customer, its numbers as text.
QString published()
{
    const ComponentState &s = state();
    return QStringList{s.Cliente_Nombre,
                       s.Cliente_Cuit,
                       s.Cliente_Domicilio,
                       s.Cliente_EMail,
                       QString::number(s.Cliente_Regalias),
                       QString::number(s.Cliente_AjustexVinculacion)}
        .join(u'|');
}

const QStringList kListColumns = {u"nombre"_s, u"CUIT"_s, u"domicilio"_s, u"email"_s, u"regalias"_s, u"AjxVinc_4102"_s};
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

    void stateIsPerThreadAndStartsEmpty()
    {
        RecordingBroker broker;
        state().gBroker.borrow(&broker);
        state().Cliente_Nombre = u"main thread"_s;
        bool fresh = false;
        std::thread([&] {
            const ComponentState &s = state();
            fresh = !s.gBroker.isSet() && s.Cliente_Nombre.isEmpty() && s.windows.isEmpty();
            clListado other; // gives this thread, and only this one, its components
            state().Cliente_Nombre = u"worker thread"_s;
        }).join();
        QVERIFY(fresh);
        QCOMPARE(state().gBroker.object(), &broker);
        QCOMPARE(state().Cliente_Nombre, u"main thread"_s);
    }

    // clListado creates the three components for the thread; a later one
    // replaces them, and a missing one fails leaving the thread's as they were.
    void constructionCreatesHostComponents()
    {
        auto listado = std::make_unique<clListado>();
        const ComponentState &s = state();
        QVERIFY(s.gBroker.object() && s.gBroker.object()->inherits("felcora::hostkit::RecordBroker"));
        QVERIFY(qobject_cast<hostkit::PrintDesk *>(s.gPrintDesk.object()));
        QVERIFY(s.gMolde.object() && s.gMolde.object()->inherits("felcora::hostkit::Molde"));
        const QPointer<QObject> created(s.gBroker.object());
        listado.reset();
        QVERIFY2(!created.isNull(), "the components outlive the object that created them");
        useFakeListing();
        const clListado second;
        QVERIFY(fakeListing());
        QVERIFY2(created.isNull(), "the replaced data access was not released");
        for (const char *name : {components::kDataAccess, components::kListing, components::kFormat}) {
            QObject *const components[] = {s.gBroker.object(), s.gPrintDesk.object(), s.gMolde.object()};
            registry::unregisterClass(QString::fromLatin1(name));
            const auto error = errorOf([] { clListado failing; });
            QVERIFY(error && error->description().contains(QLatin1String(name)));
            QCOMPARE((QList<QObject *>{s.gBroker.object(), s.gPrintDesk.object(), s.gMolde.object()}),
                     (QList<QObject *>{components[0], components[1], components[2]}));
            hostkit::registerHostComponents();
        }
    }

    void pickPropertiesAreSharedAndReadOnly()
    {
        clListado first, second;
        simulatePreviousPick();
        for (const char *name : {"Cliente_Nombre", "Cliente_Cuit", "Cliente_Domicilio", "Cliente_EMail",
                                 "Cliente_Regalias", "Cliente_AjustexVinculacion"}) {
            const QVariant value = first.property(name);
            QVERIFY2(!first.setProperty(name, QVariant(u"7"_s)), name);
            QCOMPARE(second.property(name), value);
        }
        QCOMPARE(QStringList({first.property("Cliente_Nombre").toString(), first.property("Cliente_Cuit").toString(),
                              first.property("Cliente_Domicilio").toString(),
                              first.property("Cliente_EMail").toString(), first.property("Cliente_Regalias").toString(),
                              first.property("Cliente_AjustexVinculacion").toString()})
                     .join(u'|'),
                 published());
    }

    // "" (exactly empty) keeps the per-user default, anything else as given.
    void baseDatosSetter_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<QVariant>("userDefault"); // null: no per-user setting
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        const QVariant path(u"/datos/personal.db"_s);
        QTest::newRow("clListado: empty takes the user default")
            << u"clListado"_s << path << QString() << path.toString();
        QTest::newRow("clModificar: empty without default") << u"clModificar"_s << QVariant() << QString() << QString();
        QTest::newRow("clNuevo: blank kept") << u"clNuevo"_s << path << u" "_s << u" "_s;
        QTest::newRow("clListado: name kept") << u"clListado"_s << path << u"OTRA"_s << u"OTRA"_s;
    }
    void baseDatosSetter()
    {
        QFETCH(QString, cls);
        QFETCH(QVariant, userDefault);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QSettings user(QSettings::IniFormat, QSettings::UserScope, u"TARVIS"_s, u"TARVIS"_s);
        userDefault.isNull() ? user.remove(u"BASES/PERSONAL"_s) : user.setValue(u"BASES/PERSONAL"_s, userDefault);
        user.sync();
        const auto object = makeClass(cls);
        state().BaseDatos = u"stale"_s;
        QVERIFY(object->setProperty("BaseDatos", value));
        QCOMPARE(state().BaseDatos, expected);
        QCOMPARE(object->property("BaseDatos").toString(), expected);
    }

    // The host's data access is borrowed and handed to the listing component;
    // its deletion is noticed. Anything else is refused, keeping the thread's.
    void setDataConnection()
    {
        auto *broker = new RecordingBroker;
        const QPointer<RecordingBroker> watch(broker);
        {
            clListado withDefaultListing;
            ::setDataConnection(&withDefaultListing, broker);
            QCOMPARE(qobject_cast<hostkit::PrintDesk *>(state().gPrintDesk.object())->dataAccess(), broker);
        }
        useFakeListing();
        clListado listado;
        ::setDataConnection(&listado, broker);
        QCOMPARE(state().gBroker.object(), broker);
        QCOMPARE(fakeListing()->received, QList<QObject *>{broker});
        clListado replacing; // the host keeps ownership: replacing the thread's data access leaves it alive
        QVERIFY(!watch.isNull());
        ::setDataConnection(&replacing, broker);
        QObject plain;
        for (const QVariant &handed :
             {QVariant::fromValue<QObject *>(&plain), QVariant::fromValue<QObject *>(fakeListing()),
              QVariant::fromValue<QObject *>(nullptr), QVariant(u"RecordBroker.BrokerMain"_s)}) {
            const auto error = errorOf([&] { replacing.SetDataConnection(handed); });
            QVERIFY(error && error->number() == 13);
            QCOMPARE(state().gBroker.object(), broker);
        }
        delete broker;
        QVERIFY(!state().gBroker.isSet());
    }

    // MostrarListado loads the parameters and hands the data access to the
    // listing again; MostrarListadoEx does neither. Both clear the pick's
    // texts, keep its numbers, and read the list on "PERSONAL".
    void mostrarListadoRunsItsSteps_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<int>("loads");
        QTest::addColumn<int>("handovers");
        QTest::newRow("MostrarListado") << QByteArray("MostrarListado") << 1 << 2;
        QTest::newRow("MostrarListadoEx") << QByteArray("MostrarListadoEx") << 0 << 1;
    }
    void mostrarListadoRunsItsSteps()
    {
        QFETCH(QByteArray, method);
        QFETCH(int, loads);
        QFETCH(int, handovers);
        useFakeListing();
        clListado listado;
        RecordingBroker broker;
        ::setDataConnection(&listado, &broker);
        // A customer without name or CUIT is listed with empty texts, not a failure.
        broker.script(
            ScriptedAnswer::rowset(kListColumns, {{u"Ana"_s, u"1"_s, {}, {}, 1.5, {}}, {{}, {}, {}, {}, {}, {}}}));
        simulatePreviousPick();
        onNextModal<QDialog>([](QDialog *) { pressKey(Qt::Key_Escape); });
        invoke(&listado, method.constData());
        QCOMPARE(broker.loadParametersCalls(), loads);
        QCOMPARE(fakeListing()->received.size(), handovers);
        QCOMPARE(broker.statements().size(), 1);
        QCOMPARE(broker.statements().front().entity, u"PERSONAL"_s);
        QCOMPARE(published(), u"||||3.5|1.25"_s);
    }

    // MostrarListado's failures come back as its own error, with the step;
    // MostrarListadoEx's as they were raised.
    void mostrarListadoWrapsFailures_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("line"); // 0: the failure as raised
        QTest::addColumn<QString>("innerSource");
        const QByteArray listado("MostrarListado");
        QTest::newRow("LoadParameters fails") << listado << 0 << 2 << u"RecordBroker.BrokerMain.LoadParameters"_s;
        QTest::newRow("no data access") << listado << 1 << 2 << u"gBroker"_s;
        QTest::newRow("no listing component") << listado << 2 << 3 << u"gPrintDesk"_s;
        QTest::newRow("query fails") << listado << 3 << 5 << u"RecordBroker.CrearRs[PERSONAL]"_s;
        QTest::newRow("row lacks a column") << listado << 4 << 5 << u"Recordset"_s;
        QTest::newRow("Ex: query fails") << QByteArray("MostrarListadoEx") << 3 << 0
                                         << u"RecordBroker.CrearRs[PERSONAL]"_s;
    }
    void mostrarListadoWrapsFailures()
    {
        QFETCH(QByteArray, method);
        QFETCH(int, fault);
        QFETCH(int, line);
        QFETCH(QString, innerSource);
        clListado listado;
        RecordingBroker broker;
        ::setDataConnection(&listado, &broker);
        const Error inner(3146, innerSource, u"falló"_s);
        switch (fault) {
        case 0: broker.failLoadParameters(inner); break;
        case 1: state().gBroker.clear(); break;
        case 2: state().gPrintDesk.clear(); break;
        case 3: broker.script(ScriptedAnswer::failure(inner)); break;
        default: broker.script(ScriptedAnswer::rowset({u"nombre"_s, u"CUIT"_s}, {{u"Ana"_s, u"1"_s}}));
        }
        simulatePreviousPick();
        const auto error = errorOf([&] { invoke(&listado, method.constData()); });
        QVERIFY(error);
        if (line == 0) {
            QCOMPARE(QStringList({QString::number(error->number()), error->source(), error->description()}),
                     (QStringList{u"3146"_s, innerSource, u"falló"_s}));
            return;
        }
        QCOMPARE(error->number(), 11111);
        QCOMPARE(error->source(), u"FELCORA.clListado.MostrarListado::"_s + innerSource);
        QVERIFY2(error->description().endsWith(u" - LINEA %1"_s.arg(line)), qPrintable(error->description()));
        if (fault == 0 || fault == 3)
            QCOMPARE(error->description(), u"falló - LINEA %1"_s.arg(line));
        QCOMPARE(state().Cliente_Nombre.isEmpty(), line == 5); // cleared at step 4
    }

    // What the host reads after each window: the customer picked in the list,
    // the row F6 saved there and the new customer Insert added (its numbers
    // zero); after leaving a window, the texts cleared but the e-mail (the
    // list clears them all and keeps the numbers).
    void windowsPublishForTheHost()
    {
        HostSession session(kCustomersSql);
        session.listado.setSeleccionar(true);
        const auto list = [&](const std::function<void(browser::FrmABMClientes *)> &user) {
            QVERIFY(userWorks<browser::FrmABMClientes>([&] { invoke(&session.listado, "MostrarListado"); }, user));
        };
        list([](browser::FrmABMClientes *w) {
            typeText(u"gam"_s);
            QVERIFY(userWorks<customer::FrmModCliente>(
                [] { pressKey(Qt::Key_F6); },
                [](customer::FrmModCliente *m) {
                    edit(m, {u"TxtNombre=Zapata, Luis"_s, u"txtRegalias=2.5"_s, u"TxtIniactiv=01/02/2003"_s});
                    pressKey(Qt::Key_F11);
                }));
            QCOMPARE(w->model()->text(w->list()->selectedRow(), browser::kNombre), u"Zapata, Luis"_s);
            QCOMPARE(published(), u"Zapata, Luis|20333333334|Rivadavia 100||2.5|0"_s);
            QVERIFY(state().gClienteModificado);
            reactivate(w);
            QVERIFY(userWorks<customer::FrmNewCliente>([] { pressKey(Qt::Key_Insert); },
                                                       [](customer::FrmNewCliente *n) {
                                                           edit(n,
                                                                {u"TxtCuit=20444444445"_s, u"TxtNombre=Ana"_s,
                                                                 u"TxtDomicilio=Mitre 10"_s, u"txtRegalias=4"_s,
                                                                 u"TxtEmail=ana@ejemplo.com"_s});
                                                           pressKey(Qt::Key_F11);
                                                       }));
            QCOMPARE(w->model()->text(w->list()->selectedRow(), browser::kNombre), u"Ana"_s);
            QVERIFY(state().gClienteAgregado);
            reactivate(w);
            pressKey(Qt::Key_Return);
        });
        QCOMPARE(published(), u"Ana|20444444445|Mitre 10|ana@ejemplo.com|0|0"_s);
        list([](browser::FrmABMClientes *) {
            typeText(u"b"_s);
            pressKey(Qt::Key_Return);
        });
        QCOMPARE(published(), u"Benítez, Juan|20111111112|Rivadavia 300|juan@ejemplo.com|12.5|1.5"_s);

        clModificar modificar;
        modificar.setCLICUIT(u"20111111112"_s);
        QVERIFY(userWorks<customer::FrmModCliente>([&] { modificar.Mostrar(); },
                                                   [](customer::FrmModCliente *m) {
                                                       edit(m, {u"TxtEmail=otro@ejemplo.com"_s, u"TxtNombre=Otro"_s});
                                                       pressKey(Qt::Key_Escape);
                                                   }));
        QCOMPARE(published(), u"|||juan@ejemplo.com|12.5|1.5"_s);
        QVERIFY(!state().gClienteModificado);
        QVERIFY(userWorks<customer::FrmNewCliente>(
            [] { clNuevo().MostrarNuevo(); },
            [](customer::FrmNewCliente *n) {
                edit(n,
                     {u"TxtCuit=20111111112"_s, u"TxtNombre=Otro"_s, u"TxtDomicilio=Calle 1"_s,
                      u"TxtEmail=otro@ejemplo.com"_s});
                MessageBoxes taken;
                pressKey(Qt::Key_F11);
                QCOMPARE(taken.texts, QStringList{u"El número de Cuit 20111111112 ya existe."_s});
                reactivate(n);
                pressKey(Qt::Key_Escape);
            }));
        QCOMPARE(published(), u"|||otro@ejemplo.com|12.5|1.5"_s); // the e-mail handed back before the CUIT was taken
        QVERIFY(!state().gClienteAgregado);
        list([](browser::FrmABMClientes *) { pressKey(Qt::Key_C, Qt::ControlModifier); });
        QCOMPARE(published(), u"||||12.5|1.5"_s);

        // No such customer: no window, nothing saved. A failing load is shown.
        modificar.setCLICUIT(u"99999999999"_s);
        state().gClienteModificado = true;
        modificar.Mostrar();
        QVERIFY(!state().gClienteModificado);
        RecordingBroker failing;
        session.useDataAccess(&failing);
        failing.script(ScriptedAnswer::failure(Error(3146, u"RecordBroker.CrearRs[PERSONAL]"_s, u"falló la red"_s)));
        MessageBoxes boxes;
        modificar.Mostrar();
        QCOMPARE(boxes.texts, QStringList{u"3146 - falló la red\r\n\r\nSección FELCORA.clModificar.Mostrar"_s});
        QCOMPARE(boxes.icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
    }

    // Both ways to create a class: by name or identifier through the
    // registry, and through the class object the server entry point hands out.
    void classesAreCreated_data()
    {
        QTest::addColumn<QByteArray>("key"); // null: no text at all
        QTest::addColumn<long>("result");
        QTest::addColumn<QByteArray>("className");
        const QByteArray listado("felcora::clListado"), modificar("felcora::clModificar");
        const long missing = FELCORA_CLASS_E_CLASSNOTAVAILABLE;
        QTest::newRow("listado") << identity::listadoClassId().toByteArray() << FELCORA_S_OK << listado;
        QTest::newRow("listado, no braces")
            << identity::listadoClassId().toByteArray(QUuid::WithoutBraces) << FELCORA_S_OK << listado;
        QTest::newRow("modificar") << identity::modificarClassId().toByteArray() << FELCORA_S_OK << modificar;
        QTest::newRow("by name") << QByteArray("FELCORA.clListado") << missing << listado;
        QTest::newRow("by name, other case") << QByteArray("Felcora.ClModificar") << missing << modificar;
        QTest::newRow("type library id") << identity::typeLibraryId().toByteArray() << missing << QByteArray();
        QTest::newRow("interface id") << identity::listadoInterfaceId().toByteArray() << missing << QByteArray();
        QTest::newRow("null id") << QByteArray() << FELCORA_E_POINTER << QByteArray();
    }
    void classesAreCreated()
    {
        QFETCH(QByteArray, key);
        QFETCH(long, result);
        QFETCH(QByteArray, className);
        FelcoraCreateFunction factory = [] { return static_cast<void *>(nullptr); }; // a refusal must not leave this
        QCOMPARE(DllGetClassObject(key.isNull() ? nullptr : key.constData(), &factory), result);
        QCOMPARE(DllGetClassObject(key.constData(), nullptr), FELCORA_E_POINTER);
        if (result != FELCORA_E_POINTER)
            QCOMPARE(!!factory, result == FELCORA_S_OK);
        const QString name = QString::fromLatin1(key);
        const bool byName = name.startsWith(u"felcora."_s, Qt::CaseInsensitive);
        QList<std::function<QObject *()>> creators;
        if (result == FELCORA_S_OK)
            creators << [&] { return static_cast<QObject *>(factory()); };
        if (byName || (result == FELCORA_S_OK))
            creators << [&] { return byName ? registry::createObject(name) : registry::createObject(QUuid(name)); };
        if (byName)
            QCOMPARE(registry::classId(name),
                     className.endsWith("clListado") ? identity::listadoClassId() : identity::modificarClassId());
        for (const auto &create : creators) {
            std::unique_ptr<QObject> object;
            QVERIFY(!errorOf([&] { object.reset(create()); }) && object);
            QCOMPARE(QByteArray(object->metaObject()->className()), className);
        }
    }

    void canUnloadOnlyWithoutLiveObjects()
    {
        for (const QString &cls : {u"clListado"_s, u"clModificar"_s, u"clNuevo"_s}) {
            QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK);
            auto object = makeClass(cls);
            QCOMPARE(DllCanUnloadNow(), FELCORA_S_FALSE);
            object.reset();
        }
        QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK);
        registry::unregisterClass(QString::fromLatin1(components::kFormat));
        QVERIFY(errorOf([] { clListado failing; })); // an object whose construction failed never counts
        QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK);
    }

    void registerAndUnregisterServer()
    {
        QSettings store(QSettings::IniFormat, QSettings::UserScope, u"FELCORA"_s, u"registry"_s);
        store.setValue(u"Other/Key"_s, u"kept"_s);
        store.sync();
        QCOMPARE(DllRegisterServer(), FELCORA_S_OK);
        store.sync();
        QCOMPARE(store.value(u"TypeLib/Id"_s).toString(), identity::typeLibraryId().toString());
        QCOMPARE(store.value(u"TypeLib/Version"_s).toString(), u"2.6"_s);
        const QString path = store.value(u"TypeLib/Path"_s).toString();
        QVERIFY2(QFileInfo(path).isFile() && QFileInfo(path).fileName().startsWith(u"libfelcora.so"_s),
                 qPrintable(path));
        for (const auto &[name, classId, interfaceId] :
             {std::tuple{"FELCORA.clListado", identity::listadoClassId(), identity::listadoInterfaceId()},
              std::tuple{"FELCORA.clModificar", identity::modificarClassId(), identity::modificarInterfaceId()}}) {
            store.beginGroup(QLatin1String(name));
            QCOMPARE(
                (QStringList{store.value(u"CLSID"_s).toString(), store.value(u"Interface"_s).toString(),
                             store.value(u"InprocServer"_s).toString(), store.value(u"TypeLib"_s).toString()}),
                (QStringList{classId.toString(), interfaceId.toString(), path, identity::typeLibraryId().toString()}));
            store.endGroup();
        }
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
