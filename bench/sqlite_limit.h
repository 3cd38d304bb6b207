#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Seconds to open the database, step "select * from clientes order by nombre"
 * to the end and read the six list columns as text; -1 with a message in
 * error on failure. rows receives the number of rows read. */
double felcora_limit_seconds(const char *path, long long *rows, char *error, size_t error_size);

#ifdef __cplusplus
}
#endif
