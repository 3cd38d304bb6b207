#pragma once

#include <QtGlobal>

namespace felcora::hostkit::brokererr {
// The database refused or failed a statement; the description is the driver's message.
constexpr qint32 kDatabase = qint32(0x80040E14u);
// The data access refused to send a statement.
constexpr qint32 kRefused = qint32(0x80040E21u);
// A database could not be opened or is not configured.
constexpr qint32 kOpen = qint32(0x80004005u);
// A value handed over for a statement is not what it must be (a date, a number).
constexpr qint32 kValue = qint32(0x80040E07u);
} // namespace felcora::hostkit::brokererr
