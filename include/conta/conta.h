/* The C interface of conta, for hosts in any language (C, Python ctypes,
 * Node, Go, Java, Pascal).
 *
 * Conventions:
 *  - Every function that can fail returns a status (CONTA_OK on success) and,
 *    when `error` is not NULL, stores there a message the caller frees with
 *    conta_free(); on success *error is set to NULL.
 *  - Texts are UTF-8 and NUL-terminated. Texts the library returns are the
 *    caller's to free with conta_free().
 *  - No C++ exception ever crosses this interface.
 *  - Calls are serialised inside the library: a host may call from several
 *    threads, but the calls run one at a time.
 */
#ifndef CONTA_CONTA_H_
#define CONTA_CONTA_H_

#include "conta/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Statuses. */
#define CONTA_OK 0
#define CONTA_ERROR 1            /* the work failed; the message says why */
#define CONTA_ABORTED 2          /* a bill rule refused and reported why */
#define CONTA_INVALID_ARGUMENT 3 /* a NULL or malformed argument */

/* ---- package entry points -------------------------------------------------
 * A host that loads the library calls Initialize once after loading and
 * Finalize before unloading; unloading without Finalize runs it. Neither
 * destroys the data module, which lives until the process ends. */

typedef struct conta_package_unit {
  const char* name; /* the unit, e.g. "Srv_Xol41260" */
  int initialized;  /* 1 between Initialize and Finalize */
} conta_package_unit;

typedef struct conta_package_info {
  const char* package; /* "conta" */
  int unit_count;
  const conta_package_unit* units; /* in initialization order, the module's own last */
} conta_package_info;

CONTA_EXPORT void Initialize(void);
CONTA_EXPORT void Finalize(void);
CONTA_EXPORT const conta_package_info* GetPackageInfoTable(void);

/* ---- reports ---------------------------------------------------------------
 * The module reports failed operations and the messages of the bill rules.
 * By default each report is one line on standard error; a host may take them
 * instead. kind: 0 a failed database operation (operation, unit and context
 * set), 3 a bill rule's message (only text set). The pointers are valid
 * during the call only. */

typedef struct conta_report {
  int kind;
  const char* operation;
  const char* unit;
  const char* context;
  const char* text;
} conta_report;

typedef void (*conta_report_fn)(void* user_data, const conta_report* report);

/* NULL restores the default (standard error). */
CONTA_EXPORT void conta_set_report_sink(conta_report_fn sink, void* user_data);

/* ---- configuration ------------------------------------------------------- */

/* The store database's connection string (see the README); NULL returns to
 * CONTA_CONNECTION, conexao.txt in the host directory, or the embedded
 * default. It is read the next time the connection opens. */
CONTA_EXPORT int conta_set_connection_string(const char* connection_string, char** error);

/* The directory where the store's files are looked for; NULL returns to the
 * default (CONTA_HOST_DIR, else the executable's directory). */
CONTA_EXPORT int conta_set_host_directory(const char* directory, char** error);

/* Creates the data module on first use and opens its connection, so a host
 * can check its set-up before the first bill. */
CONTA_EXPORT int conta_connect(char** error);

/* The DDL of the store database for "sqlite" or "postgresql". */
CONTA_EXPORT int conta_store_schema(const char* dialect, char** sql, char** error);

/* ---- memory and version -------------------------------------------------- */

CONTA_EXPORT void conta_free(char* text);
CONTA_EXPORT const char* conta_version(void);

#ifdef __cplusplus
}
#endif

#endif /* CONTA_CONTA_H_ */
