// conta demo: makes a demo store and bills it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bill_output.h"
#include "commands.h"
#include "conta/conta.h"
#include "conta/error.h"
#include "platform/host_directory.h"

namespace conta::cli {
namespace {

void fail(char* error, const char* what) {
  std::string message = error != nullptr ? error : what;
  conta_free(error);
  throw Error(message);
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
  if (conta_calcula(&request, &bill, &error) != CONTA_OK) fail(error, "the bill failed");
  std::string text;
  try {
    text = billText(bill, {request.lista_comandas, request.tipo_conta, true, true, true},
                    leParametrosLoja(dir));
  } catch (...) {
    conta_bill_free(&bill);
    throw;
  }
  conta_bill_free(&bill);
  std::printf("Loja de demonstração criada em %s\n\n%s\n", dir.c_str(), text.c_str());
  // conta calcula finds the database as a host does: when CONTA_CONNECTION
  // or a conexao.txt would send it elsewhere, the command names the demo's.
  const char* environment = std::getenv("CONTA_CONNECTION");
  std::string connection;
  if ((environment != nullptr && *environment != '\0') || findIgnoringCase(dir, "conexao.txt")) {
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
