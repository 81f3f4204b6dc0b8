// One statement of the data module: its component, its texts for every
// database side by side, and its parameters. Every SQL text of the module is
// one of these, each in its own file under sql/.
#ifndef CONTA_DATA_STATEMENT_DEFINITION_H_
#define CONTA_DATA_STATEMENT_DEFINITION_H_

#include <optional>
#include <string>
#include <vector>

#include "platform/db/dialect.h"
#include "platform/db/driver.h"

namespace conta::data {

struct ParameterDeclaration {
  std::string name;
  db::ParamType type = db::ParamType::String;
};

struct StatementDefinition {
  // The component that runs it ("adqListaComanda").
  std::string component;
  // True when the store's two dialects have texts of their own; false when
  // one text serves Oracle and MS SQL Server alike (then oracle == mssql).
  bool two_dialects = false;
  db::DialectTexts texts;
  // Declared types; a parameter not listed is a string of size 16.
  std::vector<ParameterDeclaration> parameters;
  // For a statement that tests the comanda list: its texts with the plain
  // substring test, which the indexed texts above must agree with.
  std::optional<db::DialectTexts> substring_texts{};
};

// Every statement of the module, for the checks that walk them all.
const std::vector<const StatementDefinition*>& allStatements();

}  // namespace conta::data

#endif  // CONTA_DATA_STATEMENT_DEFINITION_H_
