// The in-process server's four entry points.

#include <QSettings>
#include <QUuid>
#include <dlfcn.h>

#include "core/componentstate.h"
#include "felcora/clListado.h"
#include "felcora/clModificar.h"
#include "felcora/registry.h"

namespace felcora {
namespace {

// The per-user registry store: where registration records the component.
QSettings registryStore()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("FELCORA"), QStringLiteral("registry"));
}

QString libraryPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&DllRegisterServer), &info) && info.dli_fname)
        return QString::fromLocal8Bit(info.dli_fname);
    return {};
}

struct RegisteredClass
{
    const char *name;
    QUuid classId;
    QUuid interfaceId;
};

QList<RegisteredClass> registeredClasses()
{
    return {{identity::kListadoName, identity::listadoClassId(), identity::listadoInterfaceId()},
            {identity::kModificarName, identity::modificarClassId(), identity::modificarInterfaceId()}};
}

void *createListado()
{
    return static_cast<QObject *>(new clListado);
}
void *createModificar()
{
    return static_cast<QObject *>(new clModificar);
}

} // namespace
} // namespace felcora

using namespace felcora;

extern "C" long DllRegisterServer(void)
{
    QSettings store = registryStore();
    const QString path = libraryPath();
    store.beginGroup(QStringLiteral("TypeLib"));
    store.setValue(QStringLiteral("Id"), identity::typeLibraryId().toString());
    store.setValue(QStringLiteral("Version"), QString::fromLatin1(identity::kTypeLibraryVersion));
    store.setValue(QStringLiteral("Path"), path);
    store.endGroup();
    for (const RegisteredClass &c : registeredClasses()) {
        store.beginGroup(QString::fromLatin1(c.name));
        store.setValue(QStringLiteral("CLSID"), c.classId.toString());
        store.setValue(QStringLiteral("Interface"), c.interfaceId.toString());
        store.setValue(QStringLiteral("InprocServer"), path);
        store.setValue(QStringLiteral("TypeLib"), identity::typeLibraryId().toString());
        store.endGroup();
    }
    store.sync();
    return store.status() == QSettings::NoError ? FELCORA_S_OK : FELCORA_E_FAIL;
}

extern "C" long DllUnregisterServer(void)
{
    QSettings store = registryStore();
    store.remove(QStringLiteral("TypeLib"));
    for (const RegisteredClass &c : registeredClasses())
        store.remove(QString::fromLatin1(c.name));
    store.sync();
    return store.status() == QSettings::NoError ? FELCORA_S_OK : FELCORA_E_FAIL;
}

extern "C" long DllGetClassObject(const char *classId, FelcoraCreateFunction *factory)
{
    if (!classId || !factory)
        return FELCORA_E_POINTER;
    *factory = nullptr;
    const QUuid id(QString::fromLatin1(classId));
    if (id == identity::listadoClassId())
        *factory = &createListado;
    else if (id == identity::modificarClassId())
        *factory = &createModificar;
    else
        return FELCORA_CLASS_E_CLASSNOTAVAILABLE;
    return FELCORA_S_OK;
}

extern "C" long DllCanUnloadNow(void)
{
    return LiveObject::count() == 0 ? FELCORA_S_OK : FELCORA_S_FALSE;
}
