#pragma once

#include <QString>

#include "felcora/felcora_export.h"

namespace felcora {
class IDataAccess;
class IFormat;
}

namespace felcora::browser {

class CustomerTable;

// The statement that fills the list.
FELCORA_EXPORT QString customerListSql();

// Reads every customer for the list through the "PERSONAL" connection.
FELCORA_EXPORT CustomerTable readCustomerList(IDataAccess &broker, IFormat &format);

// Loads the customer window (the thread's shared instance), fills its list and
// shows it modally without an owner; returns when it closes, and it is
// unloaded then.
FELCORA_EXPORT void showCustomerList();

} // namespace felcora::browser
