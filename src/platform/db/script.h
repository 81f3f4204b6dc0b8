// SQL scripts: several statements separated by ';' (schema files, demo data).
#ifndef CONTA_PLATFORM_DB_SCRIPT_H_
#define CONTA_PLATFORM_DB_SCRIPT_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/db/connection.h"

namespace conta::db {

// The statements of a script, without their ';' and the comments between
// them. A ';' inside quotes or a comment does not end a statement.
[[nodiscard]] std::vector<std::string> splitSqlScript(std::string_view script);

// Runs every statement of the script in order, in one transaction: all of
// the script or none of it.
void runSqlScript(Connection& connection, std::string_view script);

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_SCRIPT_H_
