#include "platform/db/statement_trace.h"

#include <cstdio>
#include <cstdlib>

#include "platform/db/dialect.h"

namespace conta::db {
namespace {

const char* traceFile() {
  const char* path = std::getenv("CONTA_TRACE_SQL");
  return path != nullptr && *path != '\0' ? path : nullptr;
}

}  // namespace

bool statementTraceOn() {
  return traceFile() != nullptr;
}

void traceStatement(Dialect dialect, const std::string* name, double milliseconds,
                    const ResultSet& result) {
  const char* path = traceFile();
  if (path == nullptr) return;
  const long long rows =
      result.rows_affected >= 0 ? result.rows_affected : static_cast<long long>(result.rows.size());
  char steps[32] = "";
  if (result.steps >= 0)
    std::snprintf(steps, sizeof steps, " %lld steps", static_cast<long long>(result.steps));
  char line[512];
  const int size =
      std::snprintf(line, sizeof line, "%s %s %.3f ms %lld rows%s%s%s\n", dialectName(dialect),
                    name != nullptr ? name->c_str() : "(sql)", milliseconds, rows, steps,
                    *result.preparation != '\0' ? " " : "", result.preparation);
  if (size <= 0) return;
  if (std::FILE* file = std::fopen(path, "ab")) {  // the same lines on every system
    std::fwrite(line, 1, static_cast<std::size_t>(size) < sizeof line ? size : sizeof line - 1,
                file);
    std::fclose(file);
  }
}

}  // namespace conta::db
