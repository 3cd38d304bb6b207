#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <memory>

#include "felcora/felcora_export.h"

namespace felcora {

class LiveObject;

// The customer browser for a host: set the flags, optionally hand over the
// host's data access, open the list, read the pick. Every member is also
// reachable by name through the meta-object system.
//
// Constructing it creates the three host components by their registered
// names and makes them the ones of every class and window of this thread.
class FELCORA_EXPORT clListado : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "FELCORA.clListado")
    // Written by the host. Qt properties need a read accessor; it answers the stored value.
    Q_PROPERTY(bool OrigenTarvis READ origenTarvisValue WRITE setOrigenTarvis)
    Q_PROPERTY(bool seleccionar READ seleccionarValue WRITE setSeleccionar)
    Q_PROPERTY(QVariant OwnerForm READ ownerFormValue WRITE setOwnerForm)
    Q_PROPERTY(QString BaseDatos READ baseDatosValue WRITE setBaseDatos)
    // Read by the host.
    Q_PROPERTY(QString Cliente_Nombre READ Cliente_Nombre)
    Q_PROPERTY(QString Cliente_Cuit READ Cliente_Cuit)
    Q_PROPERTY(QString Cliente_Domicilio READ Cliente_Domicilio)
    Q_PROPERTY(QString Cliente_EMail READ Cliente_EMail)
    Q_PROPERTY(double Cliente_Regalias READ Cliente_Regalias)
    Q_PROPERTY(double Cliente_AjustexVinculacion READ Cliente_AjustexVinculacion)

public:
    explicit clListado(QObject *parent = nullptr);
    ~clListado() override;

    void setOrigenTarvis(bool value);
    void setSeleccionar(bool value);
    // Accepted and ignored.
    void setOwnerForm(const QVariant &value);
    // "" stores the per-user default database key instead.
    void setBaseDatos(const QString &value);

    QString Cliente_Nombre() const;
    QString Cliente_Cuit() const;
    QString Cliente_Domicilio() const;
    QString Cliente_EMail() const;
    double Cliente_Regalias() const;
    double Cliente_AjustexVinculacion() const;

    // Opens the customer list modally; returns when it closes. frm and
    // Refresco are accepted and not used. Failures come back as error 11111.
    Q_INVOKABLE void MostrarListado(QObject *frm = nullptr, short Refresco = 0);
    // Hands over the host's data-access object: a QObject implementing
    // felcora::IDataAccess, held in the variant.
    Q_INVOKABLE void SetDataConnection(const QVariant &p_Broker);
    // Opens the list without loading data-access parameters; failures reach the caller unchanged.
    Q_INVOKABLE void MostrarListadoEx();

private:
    bool origenTarvisValue() const;
    bool seleccionarValue() const;
    QVariant ownerFormValue() const { return {}; }
    QString baseDatosValue() const;

    std::unique_ptr<LiveObject> m_live;
};

} // namespace felcora
