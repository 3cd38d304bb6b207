#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "core/registerrules.h"
#include "core/statements.h"
#include "core/storecontext.h"
#include "felcora/felcora_core_export.h"

namespace felcora {

class IRecordset;
namespace taxregister {
struct RegisterLine;
}

// The snapshot's own line: which register it was taken from.
struct SnapshotInfo
{
    QDate registerDate;   // the register's date, as its zip records it
    QString fileName;     // the zip file imported (its name, without folders)
    QDateTime importedAt; // when
    qint64 lines = 0;     // the register's lines
    qint64 damaged = 0;   // of them, damaged and left out
};

// The register's snapshot in the customer database ("PERSONAL"): for the
// master file's customers, what the register said of them, with the
// register's date. Plain values in and out; made for one opening of a window,
// or one import, and copied freely.
class FELCORA_CORE_EXPORT RegisterStore
{
public:
    RegisterStore() = default;
    explicit RegisterStore(const StoreContext &context);

    // The snapshot's tables, created when missing (the customer database's
    // schema predates them): two queries of no rows when they are there.
    void ensureTables() const;

    // The snapshot there is, or nothing when none was ever imported (its
    // tables are made then, when missing).
    std::optional<SnapshotInfo> snapshot() const;
    // What the snapshot says of this CUIT.
    std::optional<RegisterRecord> find(const QString &cuit) const;

    // Every customer's CUIT (an open recordset: cuit).
    std::unique_ptr<IRecordset> openCustomerCuits() const;
    // Every customer with the snapshot's line of its CUIT, for the check: an
    // open recordset to read to its end (see selectCustomersToCheckSql).
    std::unique_ptr<IRecordset> openCheck() const;
    // Where a result holds the snapshot's columns (cuit, nombre, ganancias, ...),
    // looked up once for all its rows.
    struct SnapshotColumns
    {
        static constexpr int kCount = 8;
        explicit SnapshotColumns(const IRecordset &rs);
        int at[kCount];
    };
    // The snapshot's columns of the current row.
    static RegisterRecord recordAt(const IRecordset &rs, const SnapshotColumns &columns);

    // Replacing the snapshot: begin(), add() the lines a batch at a time,
    // commit(). All of it is one transaction where the data access offers
    // them: until commit() others see the previous snapshot, and leaving
    // without commit() (a cancel, a failure) leaves it whole. Without
    // transactions the snapshot's own line goes first and comes back last,
    // so that a snapshot cut short is never taken for a whole one.
    class FELCORA_CORE_EXPORT Replacement
    {
    public:
        // info: the snapshot's own line, which may also be told later, before commit().
        Replacement(const RegisterStore &store, SnapshotInfo info = {});
        ~Replacement();
        Replacement(const Replacement &) = delete;
        Replacement &operator=(const Replacement &) = delete;
        void begin();
        void add(std::span<const taxregister::RegisterLine> lines);
        void setInfo(const SnapshotInfo &info) { m_info = info; }
        void commit();

    private:
        const RegisterStore &m_store;
        SnapshotInfo m_info;
        AllOrNothing m_work;
    };

private:
    StoreContext m_context;
};

} // namespace felcora
