// Named statement parameters (":P_CDFILIAL") found in a SQL text.
//
// A name may occur several times; each occurrence receives the value set for
// the name. Drivers render the text in their own placeholder style: SQLite
// numbers each name once (?1), libpq likewise ($1), ODBC puts one ? per
// occurrence. The scan skips quoted strings ('it''s :x'), quoted identifiers
// ("a:b", [a:b]), comments (-- and /* */), PostgreSQL casts (::) and
// assignments (:=).
#ifndef CONTA_PLATFORM_DB_NAMED_PARAMETERS_H_
#define CONTA_PLATFORM_DB_NAMED_PARAMETERS_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace conta::db {

struct ParsedSql {
  // Distinct names (without the colon) in the order of their first occurrence.
  std::vector<std::string> names;
  // For each occurrence, in text order: the index of its name in `names`.
  std::vector<std::size_t> occurrences;
  // The text around the occurrences: pieces.size() == occurrences.size() + 1.
  std::vector<std::string> pieces;

  // The text with each occurrence replaced by placeholder(occurrence index,
  // name index).
  [[nodiscard]] std::string render(
      const std::function<std::string(std::size_t occurrence, std::size_t name)>& placeholder)
      const;
  // Index of a name, compared without regard to case; npos when absent.
  [[nodiscard]] std::size_t nameIndex(std::string_view name) const;
};

[[nodiscard]] ParsedSql parseNamedParameters(std::string_view sql);

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_NAMED_PARAMETERS_H_
