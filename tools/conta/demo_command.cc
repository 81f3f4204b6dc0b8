// conta demo: makes a demo store and bills it.
#include <cstdio>
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

void runDemo(const std::string& directory) {
  std::string dir = std::filesystem::absolute(directory).lexically_normal().string();
  char* error = nullptr;
  if (conta_create_demo_store(dir.c_str(), &error) != CONTA_OK) fail(error, "no demo store");
  if (conta_set_host_directory(dir.c_str(), &error) != CONTA_OK) fail(error, "no host directory");
  // The demo's own database, Dados/loja.db under it.
  if (conta_set_connection_string(nullptr, &error) != CONTA_OK) fail(error, "no connection");

  // Table 10 (comandas 0012 and 0013) is joined with table 11 (0021): the
  // three comandas are billed together; 0012 receives the charge items.
  conta_bill_request request{"0012_0013_0021", "2", 1, 1, 1, "T", ""};
  conta_bill bill{};
  if (conta_calcula(&request, &bill, &error) != CONTA_OK) fail(error, "the bill failed");
  std::string text;
  try {
    text = billText(bill, {request.lista_comandas, request.tipo_conta});
  } catch (...) {
    conta_bill_free(&bill);
    throw;
  }
  conta_bill_free(&bill);
  std::printf("Loja de demonstração criada em %s\n\n%s\n", dir.c_str(), text.c_str());
  std::printf(
      "Para calcular de novo:\n  conta calcula --host-dir %s --lista-comandas "
      "0012_0013_0021 --tipo-conta 2 --cobra-consumacao --cobra-couvert --cobra-taxa\n",
      dir.c_str());
}

}  // namespace

void addDemoCommand(CLI::App& app) {
  auto directory = std::make_shared<std::string>("conta-demo");
  CLI::App* command = app.add_subcommand(
      "demo",
      "Create a demo store (SQLite database, parameter files) in a directory and bill its "
      "joined tables 10 and 11.");
  command->add_option("DIR", *directory, "Where to create it (default: ./conta-demo)");
  command->footer("Example:\n  conta demo /tmp/loja-demo");
  command->callback([directory] { runDemo(*directory); });
}

}  // namespace conta::cli
