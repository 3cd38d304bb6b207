#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "customer/newcustomer.h"
#include "felcora/felcora_export.h"

namespace felcora {

class CustomerStore;
class LiveObject;

// The register a new customer's CUIT is looked up in, on the store's
// database: the index of the whole register at defaultIndexPath() when there
// is one, else the snapshot of the master's customers.
FELCORA_TESTS_EXPORT customer::RegisterLookup registerLookup(const CustomerStore &store);

// Enters a new customer; used by the customer list, not registered for hosts.
class FELCORA_TESTS_EXPORT clNuevo : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString BaseDatos READ baseDatosValue WRITE setBaseDatos)

public:
    explicit clNuevo(QObject *parent = nullptr);
    ~clNuevo() override;

    void setBaseDatos(const QString &value);

    // Clears gClienteAgregado, then opens the new-customer window; returns when it closes.
    Q_INVOKABLE void MostrarNuevo();

private:
    QString baseDatosValue() const;

    std::unique_ptr<LiveObject> m_live;
};

} // namespace felcora
