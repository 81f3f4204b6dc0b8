// The connection-string parser on any text: a target or a DatabaseError,
// never a crash. A password it finds is masked in its messages, and what it
// returns is complete for the driver it names.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/db/connection_string.h"
#include "platform/db/database_error.h"

namespace {

const std::filesystem::path kHost = "/srv/conta-host";

// A password as stores choose them: masking one that holds '*' may itself
// spell it again next to the mask ("x*" in "xx*"), which is no leak.
bool maskable(std::string_view password) {
  return !password.empty() && password.find('*') == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  conta::db::ConnectionTarget target;
  try {
    target = conta::db::parseConnectionString(text, kHost);
  } catch (const conta::db::DatabaseError& e) {
    CONTA_FUZZ_CHECK(e.sqlstate().empty());
    CONTA_FUZZ_CHECK(std::string_view(e.what()).size() > 0);
    return 0;
  }

  switch (target.driver) {
    case conta::db::DriverKind::Sqlite:
      // A file under the host directory, or an absolute path.
      CONTA_FUZZ_CHECK(target.dialect == conta::db::Dialect::Sqlite);
      CONTA_FUZZ_CHECK(!target.target.empty());
      CONTA_FUZZ_CHECK(std::filesystem::path(target.target).is_absolute());
      CONTA_FUZZ_CHECK(target.password.empty());
      break;
    case conta::db::DriverKind::PostgreSql:
      CONTA_FUZZ_CHECK(target.dialect == conta::db::Dialect::PostgreSql);
      CONTA_FUZZ_CHECK(!target.target.empty());
      break;
    case conta::db::DriverKind::Odbc:
      break;
  }
  if (!target.password.empty()) {
    CONTA_FUZZ_CHECK(target.target.find(target.password) != std::string::npos);
  }
  if (maskable(target.password)) {
    std::string message = "cannot connect with '" + target.target + "'";
    std::string masked = conta::db::withoutPassword(message, target.password);
    CONTA_FUZZ_CHECK(masked.find(target.password) == std::string::npos);
  }
  return 0;
}
