// The statement trace: with CONTA_TRACE_SQL naming a file, every statement
// the module runs appends a line to it (the engine, the statement's
// component, its milliseconds, its rows, and, where the engine tells, the
// work it took and whether it was prepared for this run or reused), so that
// an operator can see which statement is slow on their store, and whether it
// reads more as the store's history grows:
//
//   sqlite adqItProdVend 1.204 ms 12 rows 5210 steps reused
#ifndef CONTA_PLATFORM_DB_STATEMENT_TRACE_H_
#define CONTA_PLATFORM_DB_STATEMENT_TRACE_H_

#include <string>

#include "platform/db/driver.h"

namespace conta::db {

// Whether the trace is on (CONTA_TRACE_SQL is set); asked before timing.
[[nodiscard]] bool statementTraceOn();

void traceStatement(Dialect dialect, const std::string* name, double milliseconds,
                    const ResultSet& result);

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_STATEMENT_TRACE_H_
