#pragma once

#include <QString>
#include <memory>

#include "felcora/hostcomponents.h"
#include "felcora/hostkit/brokerconfig.h"

namespace felcora::hostkit {

// An open database behind one entity: runs statement texts that were already
// checked and translated to its dialect.
class DatabaseSession
{
public:
    virtual ~DatabaseSession() = default;
    // An open forward-only recordset, positioned on the first row (if any).
    virtual std::unique_ptr<IRecordset> query(const QString &sql) = 0;
    // The number of rows the statement changed; 0 for a statement that reads.
    virtual qint64 execute(const QString &sql) = 0;
    // True when opening created the database, empty with its schema.
    virtual bool createdDatabase() const { return false; }

    // One transaction at a time: what runs between begin and commit is kept or undone together.
    virtual void begin() = 0;
    virtual void commit() = 0;
    // Undoes the open transaction; nothing to do when none is open (a failed
    // statement may already have ended it).
    virtual void rollback() = 0;

    static std::unique_ptr<DatabaseSession> open(const EntitySettings &settings);
};

} // namespace felcora::hostkit
