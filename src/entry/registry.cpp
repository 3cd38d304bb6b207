#include "felcora/registry.h"

#include <QCoreApplication>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include "felcora/clListado.h"
#include "felcora/clModificar.h"
#include "felcora/error.h"

namespace felcora {

namespace identity {
QUuid typeLibraryId()
{
    return QUuid(u"{5bb8e3ed-1f3e-4ae0-aa0f-41da86d9efd3}");
}
QUuid listadoClassId()
{
    return QUuid(u"{567930ec-0ba9-4d7b-8d6e-b2afea1873ac}");
}
QUuid listadoInterfaceId()
{
    return QUuid(u"{8e3f437e-608c-4eb3-8e4a-c28a8e9a03e3}");
}
QUuid modificarClassId()
{
    return QUuid(u"{6fb37542-cd77-41d5-8c8a-403e54eb4ff4}");
}
QUuid modificarInterfaceId()
{
    return QUuid(u"{24487c4c-ad5e-478d-9c0b-b0d94a99a2a4}");
}
} // namespace identity

namespace {

struct Entry
{
    QUuid classId;
    ObjectFactory factory;
};

// Process-wide, like the platform's class registry: any thread may create objects.
struct Registry
{
    QMutex mutex;
    QHash<QString, Entry> byName; // keyed by the name folded to lower case

    Registry()
    {
        byName.insert(QString::fromLatin1(identity::kListadoName).toLower(),
                      {identity::listadoClassId(), [] { return new clListado; }});
        byName.insert(QString::fromLatin1(identity::kModificarName).toLower(),
                      {identity::modificarClassId(), [] { return new clModificar; }});
    }
};

Registry &theRegistry()
{
    static Registry registry;
    return registry;
}

QString key(const QString &name)
{
    return name.trimmed().toLower();
}

QObject *runFactory(const QString &name, const ObjectFactory &factory)
{
    QObject *object = factory();
    if (!object)
        throw Error(errnum::kComponentNotRegistered, name,
                    QStringLiteral("No se pudo crear el componente \"%1\"").arg(name));
    return object;
}

} // namespace

namespace registry {

void registerClass(const QString &programmaticName, ObjectFactory factory, const QUuid &classId)
{
    const QUuid id = classId.isNull() ? QUuid::createUuidV5(identity::typeLibraryId(), key(programmaticName)) : classId;
    Registry &r = theRegistry();
    QMutexLocker lock(&r.mutex);
    r.byName.insert(key(programmaticName), {id, std::move(factory)});
}

void unregisterClass(const QString &programmaticName)
{
    Registry &r = theRegistry();
    QMutexLocker lock(&r.mutex);
    r.byName.remove(key(programmaticName));
}

bool isRegistered(const QString &programmaticName)
{
    Registry &r = theRegistry();
    QMutexLocker lock(&r.mutex);
    return r.byName.contains(key(programmaticName));
}

QUuid classId(const QString &programmaticName)
{
    Registry &r = theRegistry();
    QMutexLocker lock(&r.mutex);
    return r.byName.value(key(programmaticName)).classId;
}

QStringList registeredNames()
{
    Registry &r = theRegistry();
    QMutexLocker lock(&r.mutex);
    return r.byName.keys();
}

QObject *createObject(const QString &programmaticName)
{
    ObjectFactory factory;
    {
        Registry &r = theRegistry();
        QMutexLocker lock(&r.mutex);
        const auto it = r.byName.constFind(key(programmaticName));
        if (it != r.byName.cend())
            factory = it->factory;
    }
    // The factory runs unlocked: it may itself create registered objects.
    if (!factory)
        throw Error(errnum::kComponentNotRegistered, programmaticName,
                    QStringLiteral("El componente \"%1\" no está registrado").arg(programmaticName));
    return runFactory(programmaticName, factory);
}

QObject *createObject(const QUuid &classId)
{
    QString name;
    ObjectFactory factory;
    {
        Registry &r = theRegistry();
        QMutexLocker lock(&r.mutex);
        for (auto it = r.byName.cbegin(); it != r.byName.cend(); ++it) {
            if (it->classId == classId) {
                name = it.key();
                factory = it->factory;
                break;
            }
        }
    }
    if (!factory)
        throw Error(errnum::kComponentNotRegistered, classId.toString(),
                    QStringLiteral("La clase %1 no está registrada").arg(classId.toString()));
    return runFactory(name, factory);
}

} // namespace registry
} // namespace felcora
