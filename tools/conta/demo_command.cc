// conta demo: makes a demo store and bills it.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bill_output.h"
#include "commands.h"
#include "conta/conta.h"
#include "conta/error.h"

namespace conta::cli {
namespace {

void fail(char* error, const char* what) {
  std::string message = error != nullptr ? error : what;
  conta_free(error);
  throw Error(message);
}

// Whether the directory holds a conexao.txt, its name in any case, as the
// module looks for it.
bool temConexaoTxt(const std::filesystem::path& dir) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    std::string name = entry.path().filename().string();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name == "conexao.txt") return true;
  }
  return false;
}

void runDemo(const std::string& directory) {
  std::string dir = std::filesystem::absolute(directory).lexically_normal().string();
  char* error = nullptr;
  if (conta_create_demo_store(dir.c_str(), &error) != CONTA_OK) fail(error, "no demo store");
  if (conta_set_host_directory(dir.c_str(), &error) != CONTA_OK) fail(error, "no host directory");
  // The demo's own database, Dados/loja.db under it: the empty string, not
  // NULL, which would let CONTA_CONNECTION or a conexao.txt send the bill
  // to another store.
  if (conta_set_connection_string("", &error) != CONTA_OK) fail(error, "no connection");

  // Table 10 (comandas 0012 and 0013) is joined with table 11 (0021): the
  // three comandas are billed together; 0012 receives the charge items.
  conta_bill_request request{"0012_0013_0021", "2", 1, 1, 1, "T", ""};
  conta_bill bill{};
  char* explicacao = nullptr;
  if (conta_calcula_explicada(&request, 0, &bill, &explicacao, &error) != CONTA_OK) {
    fail(error, "the bill failed");
  }
  conta_bill_free(&bill);
  std::string text;
  try {
    text = billText(explicacao, {request.lista_comandas, request.tipo_conta});
  } catch (...) {
    conta_free(explicacao);
    throw;
  }
  conta_free(explicacao);
  std::printf("Loja de demonstração criada em %s\n\n%s\n", dir.c_str(), text.c_str());
  // conta calcula finds the database as a host does: when CONTA_CONNECTION
  // or a conexao.txt would send it elsewhere, the command names the demo's.
  const char* environment = std::getenv("CONTA_CONNECTION");
  std::string connection;
  if ((environment != nullptr && *environment != '\0') || temConexaoTxt(dir)) {
    connection =
        " --connection sqlite:" + (std::filesystem::path(dir) / "Dados" / "loja.db").string();
  }
  std::printf(
      "Para calcular de novo:\n  conta calcula --host-dir %s --lista-comandas "
      "0012_0013_0021 --tipo-conta 2 --cobra-consumacao --cobra-couvert --cobra-taxa%s\n",
      dir.c_str(), connection.c_str());
}

}  // namespace

void addDemoCommand(CLI::App& app) {
  auto directory = std::make_shared<std::string>("conta-demo");
  CLI::App* command =
      app.add_subcommand("demo", "Create a demo store and print the bill of its joined tables");
  command->add_option("DIR", *directory, "Where to create it (default: ./conta-demo)");
  command->footer(
      "The store (replacing a demo already there): Dados/loja.db (SQLite), PARAMETROSXOL.CDS\n"
      "and Dados/Cadastros/AliqImpFis.cds. Its joined tables 10 and 11 are billed (comandas\n"
      "0012_0013_0021, kind 2, every charge) from that database, whatever CONTA_CONNECTION or\n"
      "a conexao.txt say.\n"
      "\n"
      "Examples:\n"
      "  conta demo                                        the demo store in ./conta-demo\n"
      "  conta demo /tmp/loja-demo\n"
      "Exit status: 0 the store and its bill, 1 it failed, 2 wrong command line.");
  command->callback([directory] { runDemo(*directory); });
}

}  // namespace conta::cli
