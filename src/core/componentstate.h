#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "core/customerrecord.h"
#include "felcora/error.h"
#include "felcora/felcora_core_export.h"
#include "felcora/hostcomponents.h"

namespace felcora {

// A reference to one host component: either created by the component (and
// owned here) or handed over by the host (borrowed, and noticed when the host
// deletes it).
template <class Interface> class HostComponent
{
public:
    void own(QObject *created)
    {
        m_owned.reset(created);
        m_object = created;
    }
    void borrow(QObject *object)
    {
        m_owned.reset();
        m_object = object;
    }
    void clear() { own(nullptr); }

    QObject *object() const { return m_object.data(); }
    bool isSet() const { return !m_object.isNull(); }

    // The interface, or the component's error when there is no object.
    Interface *get(const char *field) const
    {
        if (auto *i = qobject_cast<Interface *>(m_object.data()))
            return i;
        throw objectNotSet(QString::fromLatin1(field), QString::fromLatin1(field));
    }

private:
    std::shared_ptr<QObject> m_owned;
    QPointer<QObject> m_object;
};

// The state shared by every class and window of one host thread.
struct FELCORA_CORE_EXPORT ComponentState
{
    HostComponent<IDataAccess> gBroker;
    HostComponent<IListing> gPrintDesk;
    HostComponent<IFormat> gMolde;

    QString BaseDatos;
    bool OrigenTarvis = false;
    bool seleccionar = false;

    bool gJurisdiccionGuardada = false;
    bool gClienteAgregado = false;
    bool gClienteModificado = false;

    QString Cliente_Nombre;
    QString Cliente_Domicilio;
    QString Cliente_Cuit;
    QString Cliente_EMail;
    double Cliente_Regalias = 0.0;
    double Cliente_AjustexVinculacion = 0.0;

    // The pending-customers window's fields, which outlive its closing.
    PendingImport pendingImport;

    // Shared window instances by window name; a window removes itself when it unloads.
    QHash<QString, QPointer<QObject>> windows;

    IDataAccess &broker() const { return *gBroker.get("gBroker"); }
    IListing &printDesk() const { return *gPrintDesk.get("gPrintDesk"); }
    IFormat &molde() const { return *gMolde.get("gMolde"); }
    // What the data access offers besides its interface; null where it does not.
    ITransactions *transactions() const { return qobject_cast<ITransactions *>(gBroker.object()); }

    // The customer picked or saved, as the host reads it.
    void publish(const CustomerPick &pick);
    // An editor left without saving: the name, CUIT and address are cleared, the e-mail stays.
    void clearLeftCustomer();
};

// This thread's state; created empty on first use.
FELCORA_CORE_EXPORT ComponentState &state();

// Counts the component's live class objects, for DllCanUnloadNow.
class FELCORA_CORE_EXPORT LiveObject
{
public:
    LiveObject();
    ~LiveObject();
    LiveObject(const LiveObject &) = delete;
    LiveObject &operator=(const LiveObject &) = delete;
    static int count();
};

} // namespace felcora
