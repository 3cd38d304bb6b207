#pragma once

#include <memory>
#include <optional>

#include "browser/customertable.h"
#include "browser/nameorder.h"
#include "core/customerstore.h"
#include "felcora/felcora_export.h"

namespace felcora {
class IRecordset;
}

namespace felcora::browser {

// Reads the whole customer list a slice at a time, so that its window shows
// the first screen at once and stays at the user's command while the rest is
// read. The rows come in the database's own order; the list orders them by
// name when they are all read.
class FELCORA_TESTS_EXPORT CustomerListFill
{
public:
    explicit CustomerListFill(const CustomerStore &store);
    ~CustomerListFill();

    // Reads for about this long (at least one record); answers whether every
    // record has been read and ordered by name. Failures are thrown; the fill
    // cannot go on then.
    bool readFor(int milliseconds);

    qint64 rowsRead() const { return m_table.rowCount(); }
    // The rows read, ordered by name, handed over once.
    CustomerTable take() { return std::move(m_table); }

private:
    CustomerStore m_store;
    std::unique_ptr<IRecordset> m_rs;
    std::optional<CustomerTableReader> m_reader;
    CustomerTable m_table;
    NameOrder m_nameOrder;
    bool m_read = false; // every record read; the names may still be sorting
    bool m_done = false;
};

} // namespace felcora::browser
