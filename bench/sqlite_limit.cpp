// The floors of the customer list: SQLite stepping the list's queries, in the
// list's Spanish order, to the end and reading the list's columns as text.
#include "sqlite_limit.h"

#include <sqlite3.h>

#include <chrono>
#include <iterator>
#include <memory>
#include <strings.h>

#include "broker/spanishcollation.h"
#include "felcora/error.h"

namespace felcora::bench {

namespace {

constexpr const char *kListColumns[] = {"nombre", "CUIT", "domicilio", "email", "regalias", "AjxVinc_4102"};
constexpr int kListColumnCount = int(std::size(kListColumns));

std::string sqlFor(FloorQuery query)
{
    const std::string ordered
        = std::string("select * from clientes order by nombre collate ") + hostkit::kSpanishCollation;
    switch (query) {
    case FloorQuery::Ordered: return ordered;
    case FloorQuery::Head: // the quickest form, the one the data access sends: the row ids ordered first
        return "select * from clientes where rowid in (select rowid from clientes order by nombre collate "
            + std::string(hostkit::kSpanishCollation) + " limit " + std::to_string(kFirstScreenRows)
            + ") order by nombre collate " + hostkit::kSpanishCollation;
    case FloorQuery::Unordered: return "select * from clientes";
    }
    return {};
}

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

} // namespace

std::optional<FloorRun> sqliteFloor(const char *path, FloorQuery query, std::string &error)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();

    sqlite3 *opened = nullptr;
    const int rcOpen = sqlite3_open_v2(path, &opened, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, Closer> db(opened);
    if (rcOpen != SQLITE_OK) {
        error = opened ? sqlite3_errmsg(opened) : sqlite3_errstr(rcOpen);
        return std::nullopt;
    }
    try {
        hostkit::registerSpanishCollation(db.get());
    } catch (const Error &e) {
        error = e.what();
        return std::nullopt;
    }
    sqlite3_stmt *prepared = nullptr;
    const std::string sql = sqlFor(query);
    const int rcPrepare = sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &prepared, nullptr);
    const std::unique_ptr<sqlite3_stmt, Closer> statement(prepared);
    if (rcPrepare != SQLITE_OK) {
        error = sqlite3_errmsg(db.get());
        return std::nullopt;
    }
    int index[kListColumnCount];
    for (int c = 0; c < kListColumnCount; ++c) {
        index[c] = -1;
        for (int k = 0; k < sqlite3_column_count(statement.get()); ++k) {
            if (strcasecmp(sqlite3_column_name(statement.get(), k), kListColumns[c]) == 0)
                index[c] = k;
        }
        if (index[c] < 0) {
            error = std::string("no column ") + kListColumns[c];
            return std::nullopt;
        }
    }

    FloorRun run;
    long long bytes = 0;
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        for (const int column : index) {
            sqlite3_column_text(statement.get(), column);
            bytes += sqlite3_column_bytes(statement.get(), column);
        }
        ++run.rows;
    }
    if (rc != SQLITE_DONE) {
        error = sqlite3_errmsg(db.get());
        return std::nullopt;
    }
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (bytes == 0 && run.rows > 0) { // the reads were kept, and read something
        error = "the rows had no text";
        return std::nullopt;
    }
    return run;
}

} // namespace felcora::bench
