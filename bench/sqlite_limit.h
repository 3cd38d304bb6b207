#pragma once

// The floors of the customer list: SQLite itself producing the list's rows,
// on a connection of its own with the list's Spanish collation, reading the
// six columns the list shows as text. Nothing of the component but the
// collation takes part.

#include <optional>
#include <string>

namespace felcora::bench {

// The rows the list reads before it first shows itself: one screen.
inline constexpr int kFirstScreenRows = 64;

enum class FloorQuery {
    Ordered,  // every customer in the list's order
    Head,     // the list's first screen in that order
    Unordered // every customer as stored: what reading costs without the order
};

struct FloorRun
{
    double seconds = 0; // from opening the database to the end of the rows
    long long rows = 0;
};

// Opens the database read-only, registers the collation and steps the query
// to its end; nothing, with SQLite's or the collation's message in error,
// when any step failed.
std::optional<FloorRun> sqliteFloor(const char *path, FloorQuery query, std::string &error);

} // namespace felcora::bench
