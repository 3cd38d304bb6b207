#pragma once

#include <QObject>

#include "felcora/hostcomponents.h"
#include "felcora/hostkit/hostkit_data_export.h"

namespace felcora::hostkit {

// The default format component, "cMOLDE.MAIN".
class FELCORA_HOSTKIT_DATA_EXPORT Molde : public QObject, public IFormat
{
    Q_OBJECT
    Q_INTERFACES(felcora::IFormat)

public:
    explicit Molde(QObject *parent = nullptr);

    // Numbers as C-form text ("12.5"), which QString::toDouble reads back;
    // null, empty and text that is no number give "0".
    QString EsNumero(const QVariant &value) override;
    QString EsNull(const QVariant &value) override;
};

} // namespace felcora::hostkit
