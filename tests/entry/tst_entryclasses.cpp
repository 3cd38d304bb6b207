// The host-facing classes: the per-thread state they share, the host
// components clListado creates, its properties and methods as a host reaches
// them by name, clModificar and clNuevo, and the in-process server entry points.

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <optional>
#include <thread>

#include "core/componentstate.h"
#include "entry/newcustomerentry.h"
#include "felcora/clListado.h"
#include "felcora/clModificar.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/registry.h"
#include "printdesk/printdesk.h"
#include "support/errors.h"
#include "support/modal.h"
#include "support/recordingbroker.h"
#include "support/tempdatabase.h"
#include "support/typing.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::test::errorOf;
using felcora::test::RecordingBroker;
using felcora::test::ScriptedAnswer;

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

// Calls as a host does: by name, through the meta-object system.
void invoke(QObject *object, const char *method)
{
    if (!QMetaObject::invokeMethod(object, method, Qt::DirectConnection))
        QFAIL(qPrintable(QStringLiteral("no invokable %1").arg(QLatin1String(method))));
}

void setDataConnection(QObject *listado, QObject *broker)
{
    if (!QMetaObject::invokeMethod(listado, "SetDataConnection", Qt::DirectConnection,
                                   Q_ARG(QVariant, QVariant::fromValue<QObject *>(broker))))
        QFAIL("no invokable SetDataConnection");
}

void useFakeListing()
{
    registry::registerClass(QString::fromLatin1(components::kListing), [] { return new FakeListing; });
}

FakeListing *fakeListing()
{
    return qobject_cast<FakeListing *>(state().gPrintDesk.object());
}

void *notACreator()
{
    return nullptr;
}

std::unique_ptr<QObject> makeClass(const QString &name)
{
    if (name == QLatin1String("clListado"))
        return std::make_unique<clListado>();
    if (name == QLatin1String("clModificar"))
        return std::make_unique<clModificar>();
    return std::make_unique<clNuevo>();
}

void simulatePreviousPick()
{
    ComponentState &s = state();
    s.Cliente_Nombre = QStringLiteral("Ana Pérez");
    s.Cliente_Cuit = QStringLiteral("27123456780");
    s.Cliente_Domicilio = QStringLiteral("Av. Siempre Viva 742");
    s.Cliente_EMail = QStringLiteral("ana@example.com");
    s.Cliente_Regalias = 3.5;
    s.Cliente_AjustexVinculacion = 1.25;
}

const QString kListSql = QStringLiteral("select * from clientes order by nombre");
const QStringList kListColumns = {QStringLiteral("nombre"), QStringLiteral("CUIT"),     QStringLiteral("domicilio"),
                                  QStringLiteral("email"),  QStringLiteral("regalias"), QStringLiteral("AjxVinc_4102")};

// The list window opens modally: leave it with Esc as soon as it shows.
void leaveNextListWithEsc()
{
    test::onNextModal<QDialog>([](QDialog *) { test::pressKey(Qt::Key_Escape); });
}

} // namespace

class TestEntryClasses : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_settings.isValid()); }
    void init() { hostkit::registerHostComponents(); }
    void cleanup()
    {
        state() = ComponentState{};
        hostkit::registerHostComponents();
    }

    void stateIsPerThreadAndStartsEmpty()
    {
        RecordingBroker broker;
        state().gBroker.borrow(&broker);
        state().Cliente_Nombre = QStringLiteral("main thread");
        state().gClienteAgregado = true;

        QStringList set; // the fields found set on a fresh thread
        std::thread([&] {
            const ComponentState &s = state();
            const std::pair<bool, const char *> fields[]
                = {{s.gBroker.isSet(), "gBroker"},
                   {s.gPrintDesk.isSet(), "gPrintDesk"},
                   {s.gMolde.isSet(), "gMolde"},
                   {!s.BaseDatos.isEmpty(), "BaseDatos"},
                   {s.OrigenTarvis, "OrigenTarvis"},
                   {s.seleccionar, "seleccionar"},
                   {s.gJurisdiccionGuardada, "gJurisdiccionGuardada"},
                   {s.gClienteAgregado, "gClienteAgregado"},
                   {s.gClienteModificado, "gClienteModificado"},
                   {!s.Cliente_Nombre.isEmpty(), "Cliente_Nombre"},
                   {!s.Cliente_Domicilio.isEmpty(), "Cliente_Domicilio"},
                   {!s.Cliente_Cuit.isEmpty(), "Cliente_Cuit"},
                   {!s.Cliente_EMail.isEmpty(), "Cliente_EMail"},
                   {s.Cliente_Regalias != 0.0, "Cliente_Regalias"},
                   {s.Cliente_AjustexVinculacion != 0.0, "Cliente_AjustexVinculacion"},
                   {!s.windows.isEmpty(), "windows"}};
            for (const auto &[isSet, name] : fields)
                if (isSet)
                    set << QLatin1String(name);
            // A clListado here gives this thread, and only this one, its components.
            clListado other;
            state().Cliente_Nombre = QStringLiteral("worker thread");
        }).join();
        QCOMPARE(set, QStringList());
        QCOMPARE(state().gBroker.object(), &broker);
        QCOMPARE(state().Cliente_Nombre, QStringLiteral("main thread"));
    }

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
        // A later object, here with a host's own listing factory, replaces them for the thread.
        useFakeListing();
        clListado second;
        QVERIFY(fakeListing());
        QVERIFY2(created.isNull(), "the replaced data access was not released");
    }

    void missingComponentFailsAndKeepsState_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {components::kDataAccess, components::kListing, components::kFormat})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void missingComponentFailsAndKeepsState()
    {
        QFETCH(QString, name);
        clListado existing;
        const ComponentState &s = state();
        QObject *const broker = s.gBroker.object(), *const desk = s.gPrintDesk.object(),
                       *const molde = s.gMolde.object();
        registry::unregisterClass(name);
        const auto error = errorOf([] { clListado failing; });
        QVERIFY(error);
        QVERIFY2(error->description().contains(name), qPrintable(error->description()));
        QCOMPARE(s.gBroker.object(), broker);
        QCOMPARE(s.gPrintDesk.object(), desk);
        QCOMPARE(s.gMolde.object(), molde);
    }

    void pickPropertiesAreSharedAndReadOnly()
    {
        clListado first, second;
        simulatePreviousPick();
        const std::pair<const char *, QVariant> picked[]
            = {{"Cliente_Nombre", QStringLiteral("Ana Pérez")},
               {"Cliente_Cuit", QStringLiteral("27123456780")},
               {"Cliente_Domicilio", QStringLiteral("Av. Siempre Viva 742")},
               {"Cliente_EMail", QStringLiteral("ana@example.com")},
               {"Cliente_Regalias", 3.5},
               {"Cliente_AjustexVinculacion", 1.25}};
        for (const auto &[name, expected] : picked) {
            QCOMPARE(first.property(name), expected);
            QVERIFY2(!first.setProperty(name, QVariant(QStringLiteral("7"))), name);
            QCOMPARE(second.property(name), expected);
        }
    }

    void baseDatosSetter_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<QVariant>("userDefault"); // null: no per-user setting
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        const QVariant path(QStringLiteral("/datos/personal.db"));
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
        {
            QSettings user(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TARVIS"),
                           QStringLiteral("TARVIS"));
            if (userDefault.isNull())
                user.remove(QStringLiteral("BASES/PERSONAL"));
            else
                user.setValue(QStringLiteral("BASES/PERSONAL"), userDefault);
        }
        const auto object = makeClass(cls);
        state().BaseDatos = QStringLiteral("stale");
        QVERIFY(object->setProperty("BaseDatos", value));
        QCOMPARE(state().BaseDatos, expected);
        QCOMPARE(object->property("BaseDatos").toString(), expected);
    }

    void setDataConnectionBorrowsBroker()
    {
        auto *broker = new RecordingBroker;
        const QPointer<RecordingBroker> watch(broker);
        {
            clListado withDefaultListing;
            setDataConnection(&withDefaultListing, broker);
            QCOMPARE(qobject_cast<hostkit::PrintDesk *>(state().gPrintDesk.object())->dataAccess(), broker);
        }
        useFakeListing();
        clListado listado;
        setDataConnection(&listado, broker);
        QCOMPARE(state().gBroker.object(), broker);
        QCOMPARE(fakeListing()->received, QList<QObject *>{broker});
        // The host keeps ownership: replacing the thread's data access leaves it alive...
        clListado replacing;
        QVERIFY(!watch.isNull());
        // ...and its deletion is noticed rather than left dangling.
        setDataConnection(&replacing, broker);
        delete broker;
        QVERIFY(!state().gBroker.isSet());
    }

    void setDataConnectionRefusesOtherObjects()
    {
        clListado listado;
        QObject *const broker = state().gBroker.object();
        QObject plain;
        FakeListing listing;
        const std::pair<const char *, QVariant> handed[]
            = {{"plain QObject", QVariant::fromValue<QObject *>(&plain)},
               {"listing component", QVariant::fromValue<QObject *>(&listing)},
               {"null object", QVariant::fromValue<QObject *>(nullptr)},
               {"text", QVariant(QStringLiteral("RecordBroker.BrokerMain"))}};
        for (const auto &[what, variant] : handed) {
            const auto error = errorOf([&] { listado.SetDataConnection(variant); });
            QVERIFY2(error && error->number() == 13, what);
            QVERIFY2(state().gBroker.object() == broker, what);
        }
    }

    void mostrarListadoRunsItsSteps()
    {
        useFakeListing();
        clListado listado;
        RecordingBroker broker;
        setDataConnection(&listado, &broker);
        broker.script(ScriptedAnswer::rowset(
            kListColumns,
            {{QStringLiteral("Ana"), QStringLiteral("27123456780"), QVariant(), QVariant(), 1.5, QVariant()},
             {QStringLiteral("Luis"), QStringLiteral("20111111112"), QVariant(), QVariant(), QVariant(), 2}}));
        simulatePreviousPick();
        leaveNextListWithEsc();
        invoke(&listado, "MostrarListado");

        QCOMPARE(broker.loadParametersCalls(), 1);
        QCOMPARE(fakeListing()->received, (QList<QObject *>{&broker, &broker}));
        QCOMPARE(broker.statements().size(), 1);
        QCOMPARE(broker.statements().front().entity, QStringLiteral("PERSONAL"));
        QVERIFY(broker.statements().front().query);
        QCOMPARE(broker.statements().front().sql, kListSql);
        for (const char *name : {"Cliente_Nombre", "Cliente_Cuit", "Cliente_Domicilio", "Cliente_EMail"})
            QVERIFY2(listado.property(name).toString().isEmpty(), name);
        QCOMPARE(listado.property("Cliente_Regalias").toDouble(), 3.5);
        QCOMPARE(listado.property("Cliente_AjustexVinculacion").toDouble(), 1.25);
    }

    void mostrarListadoWrapsFailures_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("innerSource");
        QTest::newRow("LoadParameters fails") << 0 << 2 << QStringLiteral("RecordBroker.BrokerMain.LoadParameters");
        QTest::newRow("no data access") << 1 << 2 << QStringLiteral("gBroker");
        QTest::newRow("no listing component") << 2 << 3 << QStringLiteral("gPrintDesk");
        QTest::newRow("query fails") << 3 << 5 << QStringLiteral("RecordBroker.CrearRs[PERSONAL]");
        QTest::newRow("row lacks a column") << 4 << 5 << QStringLiteral("Recordset");
    }
    void mostrarListadoWrapsFailures()
    {
        QFETCH(int, fault);
        QFETCH(int, line);
        QFETCH(QString, innerSource);
        clListado listado;
        RecordingBroker broker;
        setDataConnection(&listado, &broker);
        const Error inner(3146, innerSource, QStringLiteral("falló"));
        switch (fault) {
        case 0: broker.failLoadParameters(inner); break;
        case 1: state().gBroker.clear(); break;
        case 2: state().gPrintDesk.clear(); break;
        case 3: broker.script(ScriptedAnswer::failure(inner)); break;
        default:
            broker.script(ScriptedAnswer::rowset({QStringLiteral("nombre"), QStringLiteral("CUIT")},
                                                 {{QStringLiteral("Ana"), QStringLiteral("1")}}));
        }
        simulatePreviousPick();
        const auto error = errorOf([&] { invoke(&listado, "MostrarListado"); });
        QVERIFY(error);
        QCOMPARE(error->number(), 11111);
        QCOMPARE(error->source(), QStringLiteral("FELCORA.clListado.MostrarListado::") + innerSource);
        QVERIFY2(error->description().endsWith(QStringLiteral(" - LINEA %1").arg(line)),
                 qPrintable(error->description()));
        if (fault == 0 || fault == 3)
            QCOMPARE(error->description(), QStringLiteral("falló - LINEA %1").arg(line));
        QCOMPARE(state().Cliente_Nombre.isEmpty(), line == 5); // cleared at step 4
    }

    void mostrarListadoExSkipsSetupAndKeepsFailures()
    {
        useFakeListing();
        clListado listado;
        RecordingBroker broker;
        setDataConnection(&listado, &broker);
        simulatePreviousPick();
        // A customer without name or CUIT is listed with empty texts, not a failure.
        broker.script(ScriptedAnswer::rowset(
            kListColumns, {{QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()}}));
        leaveNextListWithEsc();
        QVERIFY(!errorOf([&] { invoke(&listado, "MostrarListadoEx"); }));
        QCOMPARE(broker.loadParametersCalls(), 0);
        QCOMPARE(fakeListing()->received.size(), 1); // the handover of SetDataConnection only
        QCOMPARE(broker.sqlTexts(), QStringList{kListSql});
        QVERIFY(state().Cliente_Nombre.isEmpty() && state().Cliente_Cuit.isEmpty());
        QVERIFY(state().Cliente_Domicilio.isEmpty() && state().Cliente_EMail.isEmpty());
        QCOMPARE(state().Cliente_Regalias, 3.5);

        broker.script(ScriptedAnswer::failure(
            Error(3146, QStringLiteral("RecordBroker.CrearRs[PERSONAL]"), QStringLiteral("falló"))));
        const auto error = errorOf([&] { invoke(&listado, "MostrarListadoEx"); });
        QVERIFY(error);
        QCOMPARE(error->number(), 3146);
        QCOMPARE(error->source(), QStringLiteral("RecordBroker.CrearRs[PERSONAL]"));
        QCOMPARE(error->description(), QStringLiteral("falló"));
    }

    void registryCreatesClasses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("classId"); // the published identifier
        QTest::addColumn<QByteArray>("className");
        const QString listado = QStringLiteral("{567930ec-0ba9-4d7b-8d6e-b2afea1873ac}");
        const QString modificar = QStringLiteral("{6fb37542-cd77-41d5-8c8a-403e54eb4ff4}");
        QTest::newRow("listado") << QStringLiteral("FELCORA.clListado") << listado << QByteArray("felcora::clListado");
        QTest::newRow("listado, other case")
            << QStringLiteral("felcora.CLLISTADO") << listado << QByteArray("felcora::clListado");
        QTest::newRow("modificar") << QStringLiteral("FELCORA.clModificar") << modificar
                                   << QByteArray("felcora::clModificar");
        QTest::newRow("modificar, other case")
            << QStringLiteral("Felcora.ClModificar") << modificar << QByteArray("felcora::clModificar");
    }
    void registryCreatesClasses()
    {
        QFETCH(QString, name);
        QFETCH(QString, classId);
        QFETCH(QByteArray, className);
        QCOMPARE(registry::classId(name), QUuid(classId));
        for (auto create : {std::function<QObject *()>([&] { return registry::createObject(name); }),
                            std::function<QObject *()>([&] { return registry::createObject(QUuid(classId)); })}) {
            std::unique_ptr<QObject> object;
            QVERIFY(!errorOf([&] { object.reset(create()); }));
            QCOMPARE(QByteArray(object->metaObject()->className()), className);
        }
    }

    void getClassObject_data()
    {
        QTest::addColumn<QByteArray>("classId"); // null: no text at all
        QTest::addColumn<long>("result");
        QTest::addColumn<QByteArray>("className");
        QTest::newRow("listado") << identity::listadoClassId().toByteArray() << FELCORA_S_OK
                                 << QByteArray("felcora::clListado");
        QTest::newRow("listado, no braces") << identity::listadoClassId().toByteArray(QUuid::WithoutBraces)
                                            << FELCORA_S_OK << QByteArray("felcora::clListado");
        QTest::newRow("modificar") << identity::modificarClassId().toByteArray() << FELCORA_S_OK
                                   << QByteArray("felcora::clModificar");
        QTest::newRow("type library id") << identity::typeLibraryId().toByteArray() << FELCORA_CLASS_E_CLASSNOTAVAILABLE
                                         << QByteArray();
        QTest::newRow("interface id") << identity::listadoInterfaceId().toByteArray()
                                      << FELCORA_CLASS_E_CLASSNOTAVAILABLE << QByteArray();
        QTest::newRow("not an id") << QByteArray("FELCORA.clListado") << FELCORA_CLASS_E_CLASSNOTAVAILABLE
                                   << QByteArray();
        QTest::newRow("null id") << QByteArray() << FELCORA_E_POINTER << QByteArray();
    }
    void getClassObject()
    {
        QFETCH(QByteArray, classId);
        QFETCH(long, result);
        QFETCH(QByteArray, className);
        FelcoraCreateFunction factory = &notACreator; // a refusal must not leave this behind
        QCOMPARE(DllGetClassObject(classId.isNull() ? nullptr : classId.constData(), &factory), result);
        QCOMPARE(DllGetClassObject(classId.constData(), nullptr), FELCORA_E_POINTER);
        if (className.isEmpty()) {
            QVERIFY(result == FELCORA_E_POINTER || !factory);
            return;
        }
        QVERIFY(factory);
        std::unique_ptr<QObject> object(static_cast<QObject *>(factory()));
        QCOMPARE(QByteArray(object->metaObject()->className()), className);
    }

    void canUnloadOnlyWithoutLiveObjects_data()
    {
        QTest::addColumn<QString>("cls");
        for (const char *cls : {"clListado", "clModificar", "clNuevo"})
            QTest::newRow(cls) << QString::fromLatin1(cls);
    }
    void canUnloadOnlyWithoutLiveObjects()
    {
        QFETCH(QString, cls);
        QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK);
        auto object = makeClass(cls);
        QCOMPARE(DllCanUnloadNow(), FELCORA_S_FALSE);
        object.reset();
        QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK);
        // An object whose construction failed never counts.
        registry::unregisterClass(QString::fromLatin1(components::kFormat));
        QVERIFY(errorOf([] { clListado failing; }));
        QCOMPARE(DllCanUnloadNow(), FELCORA_S_OK);
    }

    void registerAndUnregisterServer()
    {
        QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("FELCORA"),
                        QStringLiteral("registry"));
        store.setValue(QStringLiteral("Other/Key"), QStringLiteral("kept"));
        store.sync();
        QCOMPARE(DllRegisterServer(), FELCORA_S_OK);
        store.sync();
        QCOMPARE(store.value(QStringLiteral("TypeLib/Id")).toString(), identity::typeLibraryId().toString());
        QCOMPARE(store.value(QStringLiteral("TypeLib/Version")).toString(), QStringLiteral("2.6"));
        const QString path = store.value(QStringLiteral("TypeLib/Path")).toString();
        QVERIFY2(QFileInfo(path).isFile() && QFileInfo(path).fileName().startsWith(QLatin1String("libfelcora.so")),
                 qPrintable(path));
        const struct
        {
            const char *name;
            QUuid classId, interfaceId;
        } classes[] = {{"FELCORA.clListado", identity::listadoClassId(), identity::listadoInterfaceId()},
                       {"FELCORA.clModificar", identity::modificarClassId(), identity::modificarInterfaceId()}};
        for (const auto &c : classes) {
            store.beginGroup(QLatin1String(c.name));
            QCOMPARE(store.value(QStringLiteral("CLSID")).toString(), c.classId.toString());
            QCOMPARE(store.value(QStringLiteral("Interface")).toString(), c.interfaceId.toString());
            QCOMPARE(store.value(QStringLiteral("InprocServer")).toString(), path);
            QCOMPARE(store.value(QStringLiteral("TypeLib")).toString(), identity::typeLibraryId().toString());
            store.endGroup();
        }
        QCOMPARE(DllUnregisterServer(), FELCORA_S_OK);
        store.sync();
        QCOMPARE(store.childGroups(), QStringList{QStringLiteral("Other")});
        QCOMPARE(store.value(QStringLiteral("Other/Key")).toString(), QStringLiteral("kept"));
    }

private:
    felcora::test::UserSettingsSandbox m_settings;
};

QTEST_MAIN(TestEntryClasses)
#include "tst_entryclasses.moc"
