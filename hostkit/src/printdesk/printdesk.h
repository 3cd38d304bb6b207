#pragma once

#include <QObject>
#include <QPointer>

#include "felcora/hostcomponents.h"
#include "felcora/hostkit/hostkit_export.h"

namespace felcora::hostkit {

// The default listing component, "oPrintDesk.cMain". It keeps the data access
// it is given for its pick windows of benefit regimes and sub-regimes.
class FELCORA_HOSTKIT_EXPORT PrintDesk : public QObject, public IListing
{
    Q_OBJECT
    Q_INTERFACES(felcora::IListing)

public:
    explicit PrintDesk(QObject *parent = nullptr);

    void SetDataAccess(QObject *&dataAccess) override;
    QString getSubRegimenListado() override;
    QString getVentajasListado() override;

    QObject *dataAccess() const { return m_dataAccess.data(); }

private:
    QPointer<QObject> m_dataAccess;
};

} // namespace felcora::hostkit
