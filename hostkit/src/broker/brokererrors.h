#pragma once

#include <QString>
#include <QtGlobal>

#include "felcora/error.h"

namespace felcora::hostkit::brokererr {
// The database refused or failed a statement; the description is the driver's message.
constexpr qint32 kDatabase = qint32(0x80040E14u);
// The data access refused to send a statement.
constexpr qint32 kRefused = qint32(0x80040E21u);
// A database could not be opened, is not configured, or its driver is not available.
constexpr qint32 kOpen = qint32(0x80004005u);
// A transaction was begun twice, or committed without being begun.
constexpr qint32 kTransaction = qint32(0x800A0CAEu);
// A value handed over for a statement is not what it must be (a date, a number).
constexpr qint32 kValue = qint32(0x80040E07u);

// An entity configured with a driver this data access does not offer.
inline Error driverNotAvailable(const QString &driver)
{
    return Error(kOpen, QStringLiteral("RecordBroker.BrokerMain"),
                 QStringLiteral("El controlador de base de datos \"%1\" no está disponible").arg(driver));
}
} // namespace felcora::hostkit::brokererr
