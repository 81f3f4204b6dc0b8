// The comanda list test of the store statements: "the comanda's number
// occurs somewhere in the list text" (a list is the numbers joined by "_",
// and any substring of it counts, as the store's own databases test it).
//
// On PostgreSQL and SQLite the test is written in two forms that find the
// same rows. The substring form asks the database to search the list for
// every comanda of the branch, so it reads the branch's whole history. The
// indexed form turns the list, bound once, into the set of its substrings
// inside the statement and looks each one up through the comanda index, so
// a bill costs what its own rows cost. An empty number never matches (as on
// the store's other databases); a null list matches nothing.
#ifndef CONTA_DATA_LIST_MATCHING_H_
#define CONTA_DATA_LIST_MATCHING_H_

#include <string>
#include <string_view>
#include <vector>

#include "data/statement_definition.h"

namespace conta::data {

enum class ListMatching { Indexed, Substring };

// Expands every "{{COLUMN in :PARAMETER}}" of a PostgreSQL or SQLite text
// into the list test of that column against that parameter. A SQLite text
// may instead start from the list: "{{substrings of :PARAMETER}} L" is a
// table of the list's substrings (one column, value) and "{{COLUMN matches L}}"
// the join of a column to it. With CROSS JOIN after it, that fixes the order
// of the tables: SQLite's planner, which without a store's statistics takes
// the branch prefix of a primary key for a better path than an index probed
// by a list of substrings, is then left the comanda index alone.
std::string expandListTests(std::string_view text, db::Dialect dialect, ListMatching form);

// A statement that tests the comanda list: the Oracle and MS SQL Server
// texts as they are, the PostgreSQL and SQLite templates expanded into the
// indexed form (its texts) and the substring form (its reference texts).
StatementDefinition listStatement(std::string component, const db::DialectTexts& templates,
                                  std::vector<ParameterDeclaration> parameters = {});

}  // namespace conta::data

#endif  // CONTA_DATA_LIST_MATCHING_H_
