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
  bool previa = false;
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
  if (path.empty()) {
    throw Error("A conexão '" + text +
                "' não diz o arquivo do banco da loja: dê sqlite:CAMINHO, e.g. "
                "sqlite:/opt/loja/Dados/loja.db.");
  }
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
  char* explicacao = nullptr;
  check([&](char** error) {
    return conta_calcula_explicada(&request, options.previa ? 1 : 0, &bill, &explicacao, error);
  });
  std::string out;
  try {
    if (options.format == "json") {
      out = billJson(bill, explicacao);
    } else {
      out = billText(explicacao, BillHeading{options.lista_comandas, options.tipo_conta});
      if (options.previa) out += "\nPrévia: nada foi gravado no banco da loja.\n";
    }
  } catch (...) {
    conta_free(explicacao);
    conta_bill_free(&bill);
    throw;
  }
  conta_free(explicacao);
  conta_bill_free(&bill);
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0) throw Error("cannot write to standard output");
}

}  // namespace

void addCalculaCommand(CLI::App& app) {
  auto options = std::make_shared<CalculaOptions>();
  CLI::App* command = app.add_subcommand(
      "calcula", "Compute the bill of comandas and of the tables joined to theirs");
  command
      ->add_option("--lista-comandas", options->lista_comandas,
                   "The comandas to bill: a comanda is billed when its number occurs\n"
                   "anywhere in the text, e.g. 0012 or 0012_0013_0021. The comanda whose\n"
                   "number comes first receives the charge items the bill adds")
      ->required();
  command
      ->add_option("--tipo-conta", options->tipo_conta,
                   "How the persons are counted: 1 one, plus one per comanda grouped\n"
                   "under the first comanda; 2 the persons at the table of each sale\n"
                   "billed, once a sale (and the comandas' surcharges shown); anything\n"
                   "else: none")
      ->required();
  command->add_flag("--cobra-consumacao", options->cobra_consumacao,
                    "Charge the minimum consumption: persons x the store's price per\n"
                    "person, less what the items came to, when the comanda allows it");
  command->add_flag("--cobra-couvert", options->cobra_couvert,
                    "Charge the cover: one unit of the cover product per person (by seat\n"
                    "at a reserved table), when the comanda allows it. Without it the\n"
                    "bill removes the comandas' cover items");
  command->add_flag("--cobra-taxa", options->cobra_taxa,
                    "Charge the service charge (the store's rate on the items that bear\n"
                    "it, or the waiters' commissions), when the comanda allows it");
  command->add_option("--lugares-mesa", options->lugares_mesa,
                      "T (the default) for every seat, else the seats to bill: a seat is\n"
                      "billed when its number occurs in the text, e.g. 01 or 01_02; the\n"
                      "bill is then for one person");
  command->add_option("--itens-excluidos", options->itens_excluidos,
                      "Items to leave out: an item is left out when its number occurs in\n"
                      "the text, e.g. 000003 or 000003_000007 (none by default)");
  command->add_option("--connection", options->connection,
                      "The store database: sqlite:PATH (relative to the current\n"
                      "directory), postgresql://... or host=... dbname=..., odbc:..., or an\n"
                      "ADO string with Provider=. Default: CONTA_CONNECTION, else the first\n"
                      "line of conexao.txt in the host directory, else Dados/loja.db there");
  command->add_option("--host-dir", options->host_dir,
                      "The host directory, where PARAMETROSXOL.CDS, Dados/ and conexao.txt\n"
                      "are. Default: CONTA_HOST_DIR, else the directory of this program");
  command
      ->add_option("--format", options->format,
                   "text (the default): the bill to read, each charge with its rule or\n"
                   "why it was not billed; json: the 14 entries of the bill and its\n"
                   "explanation")
      ->check(CLI::IsMember({"text", "json"}));
  command->add_flag("--previa", options->previa,
                    "A preview: the bill computed whole, charge items included, and then\n"
                    "rolled back, so that nothing changes in the store database");
  command->footer(
      "The bill is computed as the host gets it and written back to the store database as\n"
      "the module does: charge items added, re-priced or removed, the service charge stored\n"
      "on the comandas, all in one transaction that waits for any other bill of the branch\n"
      "(at most 15 s). The store's rules come from PARAMETROSXOL.CDS in the host directory.\n"
      "\n"
      "Examples:\n"
      "  conta calcula --host-dir /opt/loja --lista-comandas 0012_0013_0021 --tipo-conta 2 \\\n"
      "                --cobra-consumacao --cobra-couvert --cobra-taxa\n"
      "  conta calcula --host-dir /opt/loja --lista-comandas 0012 --tipo-conta 1 \\\n"
      "                --lugares-mesa 01_02 --itens-excluidos 000003 --format json\n"
      "  conta calcula --host-dir /opt/loja --lista-comandas 0012_0013_0021 --tipo-conta 2 \\\n"
      "                --cobra-couvert --previa\n"
      "  conta calcula --host-dir /opt/loja --connection \"host=db1 dbname=loja\" \\\n"
      "                --lista-comandas 0021 --tipo-conta 2\n"
      "JSON output: {\"entries\":[the 14 entries by index, 9 and 10 as {\"fields\",\"rows\"}],\n"
      "\"VrConsumacao\":..., \"VrTotalConta\":..., the other numeric entries by name,\n"
      "\"explicacao\":{each charge with its rule, or why it was not billed}}; on failure\n"
      "{\"error\":{\"message\":...}}. Exit status: 0 the bill, 1 it failed, 2 wrong command line.");
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
