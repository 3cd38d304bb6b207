/* The floor for opening the customer list: SQLite itself stepping the list's
 * query and reading the six columns the list shows, as text. */
#include "sqlite_limit.h"

#include <sqlite3.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <time.h>

static const char *const list_columns[6] = {"nombre", "CUIT", "domicilio", "email", "regalias", "AjxVinc_4102"};

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

double felcora_limit_seconds(const char *path, long long *rows, char *error, size_t error_size)
{
    sqlite3 *db = NULL;
    sqlite3_stmt *statement = NULL;
    double start = now();
    double seconds = -1;
    int index[6];
    long long bytes = 0;

    *rows = 0;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK
        || sqlite3_prepare_v2(db, "select * from clientes order by nombre", -1, &statement, NULL) != SQLITE_OK) {
        snprintf(error, error_size, "%s", sqlite3_errmsg(db));
        goto done;
    }
    for (int c = 0; c < 6; ++c) {
        index[c] = -1;
        for (int k = 0; k < sqlite3_column_count(statement); ++k) {
            if (strcasecmp(sqlite3_column_name(statement, k), list_columns[c]) == 0)
                index[c] = k;
        }
        if (index[c] < 0) {
            snprintf(error, error_size, "no column %s", list_columns[c]);
            goto done;
        }
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        for (int c = 0; c < 6; ++c) {
            sqlite3_column_text(statement, index[c]);
            bytes += sqlite3_column_bytes(statement, index[c]);
        }
        ++*rows;
    }
    if (rc != SQLITE_DONE) {
        snprintf(error, error_size, "%s", sqlite3_errmsg(db));
        goto done;
    }
    seconds = now() - start;
    if (bytes == 0 && *rows > 0)
        snprintf(error, error_size, "the rows had no text"); /* keeps the reads from being optimised away */
done:
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return seconds;
}
