#include "data/list_matching.h"

#include <stdexcept>

namespace conta::data {
namespace {

// PostgreSQL runs the sub-select once per statement and probes the index
// with the array it gives; a constant array or a set-returning function
// called in the condition would lead the planner to hash the whole table.
// The store schema holds comanda numbers in varchar(10) there, so longer
// substrings cannot match and are not made.
std::string indexedPostgresql(const std::string& column, const std::string& list) {
  return column +
         " = ANY (ARRAY(SELECT substr(L.S, I.I, N.N)"
         " FROM (SELECT CAST(:" +
         list +
         " AS text) AS S) L, generate_series(1, length(L.S)) AS I(I),"
         " generate_series(1, least(length(L.S), 10)) AS N(N)"
         " WHERE I.I + N.N - 1 <= length(L.S)))";
}

// SQLite numbers the list's positions with a recursive CTE and pairs each
// with each length up to 10 that stays inside the list. The store schema
// holds comanda numbers to 10 characters there too (a CHECK), so longer
// substrings are not made; the lengths come from a CTE of their own so that
// a long list costs ten substrings a position.
std::string indexedSqlite(const std::string& column, const std::string& list) {
  const std::string length = "length(:" + list + ")";
  return column + " IN (WITH RECURSIVE K(I) AS (SELECT 1 WHERE " + length +
         " > 0 UNION ALL SELECT I + 1 FROM K WHERE I < " + length +
         "), N(J) AS (SELECT 1 UNION ALL SELECT J + 1 FROM N WHERE J < 10) SELECT substr(:" + list +
         ", K.I, N.J) FROM K, N WHERE K.I + N.J <= " + length + " + 1)";
}

std::string substring(db::Dialect dialect, const std::string& column, const std::string& list) {
  const char* search = dialect == db::Dialect::PostgreSql ? "strpos" : "instr";
  return std::string(search) + "(:" + list + ", NULLIF(" + column + ", '')) > 0";
}

}  // namespace

std::string expandListTests(std::string_view text, db::Dialect dialect, ListMatching form) {
  if (dialect != db::Dialect::PostgreSql && dialect != db::Dialect::Sqlite) {
    throw std::logic_error("list tests are expanded for PostgreSQL and SQLite only");
  }
  std::string out;
  std::size_t pos = 0;
  while (true) {
    std::size_t open = text.find("{{", pos);
    if (open == std::string_view::npos) break;
    std::size_t close = text.find("}}", open);
    std::size_t in = text.find(" in :", open);
    if (close == std::string_view::npos || in == std::string_view::npos || in > close) {
      throw std::logic_error("malformed list test in statement text: " +
                             std::string(text.substr(open, 40)));
    }
    const std::string column(text.substr(open + 2, in - open - 2));
    const std::string list(text.substr(in + 5, close - in - 5));
    out.append(text.substr(pos, open - pos));
    if (form == ListMatching::Substring) {
      out += substring(dialect, column, list);
    } else {
      out += dialect == db::Dialect::PostgreSql ? indexedPostgresql(column, list)
                                                : indexedSqlite(column, list);
    }
    pos = close + 2;
  }
  out.append(text.substr(pos));
  return out;
}

StatementDefinition listStatement(std::string component, const db::DialectTexts& templates,
                                  std::vector<ParameterDeclaration> parameters) {
  auto form = [&](ListMatching matching) {
    return db::DialectTexts{
        templates.oracle, templates.mssql,
        expandListTests(templates.postgresql, db::Dialect::PostgreSql, matching),
        expandListTests(templates.sqlite, db::Dialect::Sqlite, matching)};
  };
  StatementDefinition definition{std::move(component), true, form(ListMatching::Indexed),
                                 std::move(parameters)};
  definition.substring_texts = form(ListMatching::Substring);
  return definition;
}

}  // namespace conta::data
