#pragma once

// The object registry: programmatic name -> class identifier and factory.
// The component registers its own classes ("FELCORA.clListado",
// "FELCORA.clModificar"); a host registers the host components
// ("RecordBroker.BrokerMain", "oPrintDesk.cMain", "cMOLDE.MAIN") before it
// constructs clListado, which creates them by name.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <functional>

#include "felcora/felcora_export.h"

namespace felcora {

using ObjectFactory = std::function<QObject *()>;

namespace registry {

// Registers (or replaces) a class. A null class identifier gets one derived from the name.
FELCORA_EXPORT void registerClass(const QString &programmaticName, ObjectFactory factory,
                                  const QUuid &classId = QUuid());
FELCORA_EXPORT void unregisterClass(const QString &programmaticName);
FELCORA_EXPORT bool isRegistered(const QString &programmaticName);
FELCORA_EXPORT QUuid classId(const QString &programmaticName);
FELCORA_EXPORT QStringList registeredNames();

// Creates an object by name; the caller owns it. Throws felcora::Error naming
// the component when nobody registered the name, or when its factory fails.
FELCORA_EXPORT QObject *createObject(const QString &programmaticName);
FELCORA_EXPORT QObject *createObject(const QUuid &classId);

} // namespace registry

// The component's fixed automation identity.
namespace identity {
constexpr const char *kListadoName = "FELCORA.clListado";
constexpr const char *kModificarName = "FELCORA.clModificar";
constexpr const char *kTypeLibraryVersion = "2.6";
FELCORA_EXPORT QUuid typeLibraryId();
FELCORA_EXPORT QUuid listadoClassId();
FELCORA_EXPORT QUuid listadoInterfaceId();
FELCORA_EXPORT QUuid modificarClassId();
FELCORA_EXPORT QUuid modificarInterfaceId();
} // namespace identity

// Host component names.
namespace components {
constexpr const char *kDataAccess = "RecordBroker.BrokerMain";
constexpr const char *kListing = "oPrintDesk.cMain";
constexpr const char *kFormat = "cMOLDE.MAIN";
} // namespace components

} // namespace felcora

// The four server entry points of the in-process server. Result codes follow
// the automation convention: 0 success, 1 "false", negative failures.
extern "C" {
using FelcoraCreateFunction = void *(*)();
// Records the type library, the two classes and this library's path in the per-user store.
FELCORA_EXPORT long DllRegisterServer(void);
FELCORA_EXPORT long DllUnregisterServer(void);
// classId: a class identifier in text form ("{...}"); on success *factory creates a QObject.
FELCORA_EXPORT long DllGetClassObject(const char *classId, FelcoraCreateFunction *factory);
// 0 when no component object is alive (the library may be unloaded), 1 otherwise.
FELCORA_EXPORT long DllCanUnloadNow(void);
}

#define FELCORA_S_OK 0L
#define FELCORA_S_FALSE 1L
#define FELCORA_E_FAIL long(qint32(0x80004005u))
#define FELCORA_E_POINTER long(qint32(0x80004003u))
#define FELCORA_CLASS_E_CLASSNOTAVAILABLE long(qint32(0x80040111u))
