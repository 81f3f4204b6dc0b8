// conta indices: the indexes a bill relies on, on the store it connects to.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "commands.h"
#include "conta/conta.h"
#include "conta/error.h"

namespace conta::cli {
namespace {

struct IndicesOptions {
  bool cria = false;
  std::string ddl;
  std::string connection;
  std::string host_dir;
};

void check(int status, char* error) {
  if (status == CONTA_OK) return;
  std::string message = error != nullptr ? error : "the indexes could not be read";
  conta_free(error);
  throw Error(message);
}

void runIndices(const IndicesOptions& options) {
  char* error = nullptr;
  char* text = nullptr;
  if (!options.ddl.empty()) {
    check(conta_store_index_ddl(options.ddl.c_str(), &text, &error), error);
  } else {
    if (!options.host_dir.empty()) {
      const std::string dir = std::filesystem::absolute(options.host_dir).string();
      check(conta_set_host_directory(dir.c_str(), &error), error);
    }
    if (!options.connection.empty()) {
      std::string connection = options.connection;
      if (connection.rfind("sqlite:", 0) == 0 && connection.size() > 7) {
        connection = "sqlite:" + std::filesystem::absolute(connection.substr(7)).string();
      }
      check(conta_set_connection_string(connection.c_str(), &error), error);
    }
    check(conta_store_indexes(options.cria ? 1 : 0, &text, &error), error);
    const std::string report = text;
    conta_free(text);
    std::string out = "Índices de que a conta precisa:\n";
    bool falta = false;
    std::size_t start = 0;
    while (start < report.size()) {
      const std::size_t end = report.find('\n', start);
      const std::string line = report.substr(start, end - start);
      falta = falta || line.find(": falta: ") != std::string::npos;
      out += "  " + line + "\n";
      start = end == std::string::npos ? report.size() : end + 1;
    }
    if (falta) out += "Para criar os que faltam: conta indices --cria\n";
    std::fputs(out.c_str(), stdout);
    if (std::fflush(stdout) != 0) throw Error("cannot write to standard output");
    return;
  }
  std::fputs(text, stdout);
  conta_free(text);
  if (std::fflush(stdout) != 0) throw Error("cannot write to standard output");
}

}  // namespace

void addIndicesCommand(CLI::App& app) {
  auto options = std::make_shared<IndicesOptions>();
  CLI::App* command = app.add_subcommand(
      "indices", "List the indexes a bill relies on that the store's database lacks");
  command->add_flag("--cria", options->cria,
                    "Create the missing ones (under names beginning CONTA_IX_, which no\n"
                    "store's index takes); indexes already there are left alone");
  command
      ->add_option("--ddl", options->ddl,
                   "Print their CREATE INDEX statements for oracle, mssql, postgresql or\n"
                   "sqlite instead, without connecting (for a store whose catalog the\n"
                   "module does not read: Oracle, MS SQL Server)")
      ->check(CLI::IsMember({"oracle", "mssql", "postgresql", "sqlite"}));
  command->add_option("--connection", options->connection,
                      "The store database, as for conta calcula (default: CONTA_CONNECTION,\n"
                      "else conexao.txt in the host directory, else Dados/loja.db there)");
  command->add_option("--host-dir", options->host_dir,
                      "The host directory (default: CONTA_HOST_DIR, else the directory of\n"
                      "this program)");
  command->footer(
      "A store made by other software may lack indexes a bill relies on; a bill then reads the\n"
      "branch's whole history and takes seconds instead of milliseconds. An index counts as\n"
      "there when one of the store's indexes, under any name, begins with its columns.\n"
      "\n"
      "Examples:\n"
      "  conta indices --host-dir /opt/loja\n"
      "  conta indices --connection \"host=db1 dbname=loja\" --cria\n"
      "  conta indices --ddl mssql > indices.sql\n"
      "Exit status: 0 success, 1 failure, 2 wrong command line.");
  command->callback([options] { runIndices(*options); });
}

}  // namespace conta::cli
