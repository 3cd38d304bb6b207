#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "felcora/felcora_export.h"

namespace felcora {

class LiveObject;

// Edits one customer by CUIT. Relies on the host components created by a
// clListado constructed earlier on the same thread.
class FELCORA_EXPORT clModificar : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "FELCORA.clModificar")
    Q_PROPERTY(QString CLICUIT READ cuitValue WRITE setCLICUIT)
    Q_PROPERTY(QString BaseDatos READ baseDatosValue WRITE setBaseDatos)

public:
    explicit clModificar(QObject *parent = nullptr);
    ~clModificar() override;

    void setCLICUIT(const QString &cuit);
    void setBaseDatos(const QString &value);

    // Opens the modify-customer window for CLICUIT; returns when it closes.
    Q_INVOKABLE void Mostrar();

private:
    QString cuitValue() const { return m_cuit; }
    QString baseDatosValue() const;

    QString m_cuit;
    std::unique_ptr<LiveObject> m_live;
};

} // namespace felcora
