// conta calcula: the bill of one or more comandas, as the host would get it.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "bill_output.h"
#include "commands.h"
#include "conta/conta.h"
#include "conta/error.h"

namespace conta::cli {
namespace {

struct CalculaOptions {
  std::string lista_comandas;
  std::string tipo_conta;
  bool cobra_consumacao = false;
  bool cobra_couvert = false;
  bool cobra_taxa = false;
  std::string lugares_mesa = "T";
  std::string itens_excluidos;
  std::string connection;
  std::string host_dir;
  std::string format = "text";
};

// Runs one call of the C interface; fails with the library's message.
template <class Call>
void check(Call&& call) {
  char* error = nullptr;
  if (call(&error) == CONTA_OK) return;
  std::string message = error != nullptr ? error : "the bill failed";
  conta_free(error);
  throw Error(message);
}

// A relative SQLite path on the command line is taken from the current
// directory, as a person typing it means it.
std::string connectionFromCommandLine(const std::string& text) {
  if (text.rfind("sqlite:", 0) != 0) return text;
  std::filesystem::path path(text.substr(7));
  return path.is_relative() ? "sqlite:" + std::filesystem::absolute(path).string() : text;
}

void runCalcula(const CalculaOptions& options) {
  if (!options.host_dir.empty()) {
    std::string dir = std::filesystem::absolute(options.host_dir).string();
    check([&](char** error) { return conta_set_host_directory(dir.c_str(), error); });
  }
  if (!options.connection.empty()) {
    std::string connection = connectionFromCommandLine(options.connection);
    check([&](char** error) { return conta_set_connection_string(connection.c_str(), error); });
  }
  conta_bill_request request{options.lista_comandas.c_str(),   options.tipo_conta.c_str(),
                             options.cobra_consumacao ? 1 : 0, options.cobra_couvert ? 1 : 0,
                             options.cobra_taxa ? 1 : 0,       options.lugares_mesa.c_str(),
                             options.itens_excluidos.c_str()};
  conta_bill bill{};
  check([&](char** error) { return conta_calcula(&request, &bill, error); });
  std::string out;
  try {
    out = options.format == "json" ? billJson(bill)
                                   : billText(bill, {options.lista_comandas, options.tipo_conta});
  } catch (...) {
    conta_bill_free(&bill);
    throw;
  }
  conta_bill_free(&bill);
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0) throw Error("cannot write to standard output");
}

}  // namespace

void addCalculaCommand(CLI::App& app) {
  auto options = std::make_shared<CalculaOptions>();
  CLI::App* command = app.add_subcommand(
      "calcula",
      "Compute the bill of one or more comandas (and of the tables joined to theirs), writing "
      "back to the store database as the module does.");
  command
      ->add_option("--lista-comandas", options->lista_comandas,
                   "The comanda numbers; a comanda is billed when its number occurs anywhere "
                   "in the text, e.g. 0012 or 0012_0013")
      ->required();
  command
      ->add_option("--tipo-conta", options->tipo_conta,
                   "Kind of bill: 1 one person per comanda grouped under the first, 2 the "
                   "persons of the table sales, other: no count")
      ->required();
  command->add_flag("--cobra-consumacao", options->cobra_consumacao,
                    "Apply the minimum consumption");
  command->add_flag("--cobra-couvert", options->cobra_couvert, "Apply the cover charge");
  command->add_flag("--cobra-taxa", options->cobra_taxa, "Apply the service charge");
  command->add_option("--lugares-mesa", options->lugares_mesa,
                      "T (the default) for every seat, else the seats to bill, e.g. 01");
  command->add_option("--itens-excluidos", options->itens_excluidos,
                      "Item numbers to leave out of the bill, e.g. 000003 (none by default)");
  command->add_option("--connection", options->connection,
                      "The store database: sqlite:PATH, postgresql://..., odbc:... (default: "
                      "CONTA_CONNECTION, else conexao.txt in the host directory, else "
                      "Dados/loja.db there)");
  command->add_option("--host-dir", options->host_dir,
                      "Where PARAMETROSXOL.CDS and Dados/ are (default: the directory of this "
                      "program, or CONTA_HOST_DIR)");
  command->add_option("--format", options->format, "text (a bill to read, the default) or json")
      ->check(CLI::IsMember({"text", "json"}));
  command->footer(
      "Examples:\n"
      "  conta calcula --host-dir /opt/loja --lista-comandas 0012 --tipo-conta 2 --cobra-taxa\n"
      "  conta calcula --lista-comandas 0012_0013 --tipo-conta 1 --lugares-mesa 01 "
      "--format json\n"
      "JSON output: {\"entries\":[14 entries by index, 9 and 10 as packets {\"fields\",\"rows\"}],"
      " \"VrConsumacao\":..., \"VrTotalConta\":..., ...}; on failure {\"error\":{\"message\"}}.");
  command->callback([options] {
    try {
      runCalcula(*options);
    } catch (const std::exception& e) {
      if (options->format == "json") std::fputs(errorJson(e.what()).c_str(), stdout);
      throw;
    }
  });
}

}  // namespace conta::cli
