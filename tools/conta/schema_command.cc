// conta schema: prints the store database's DDL for a dialect.
#include <cstdio>
#include <memory>
#include <string>

#include "commands.h"
#include "conta/conta.h"
#include "conta/error.h"

namespace conta::cli {

void addSchemaCommand(CLI::App& app) {
  auto dialect = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand("schema", "Print the DDL of the store database");
  command->add_option("--dialect", *dialect, "sqlite or postgresql")
      ->required()
      ->check(CLI::IsMember({"sqlite", "postgresql"}));
  command->footer(
      "Every table and column the bill module uses, with keys and the indexes bills need on a\n"
      "long history, to create a store, a test or a demo database.\n"
      "\n"
      "Examples:\n"
      "  conta schema --dialect sqlite | sqlite3 Dados/loja.db\n"
      "  conta schema --dialect postgresql | psql -d loja\n"
      "Exit status: 0 success, 1 failure, 2 wrong command line.");
  command->callback([dialect] {
    char* sql = nullptr;
    char* error = nullptr;
    if (conta_store_schema(dialect->c_str(), &sql, &error) != CONTA_OK) {
      std::string message = error != nullptr ? error : "no schema";
      conta_free(error);
      throw Error(message);
    }
    std::fputs(sql, stdout);
    conta_free(sql);
    if (std::fflush(stdout) != 0) throw Error("cannot write to standard output");
  });
}

}  // namespace conta::cli
