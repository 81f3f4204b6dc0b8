// conta: the command-line tool of the bill-calculation module.
#include <cstdio>
#include <exception>
#include <iostream>

#include "commands.h"
#include "conta/conta.h"
#include "conta/error.h"

int main(int argc, char** argv) {
  CLI::App app{
      "conta: the bill-calculation module of the restaurant point-of-sale server.\n"
      "Run 'conta SUBCOMMAND --help' for the options of a subcommand, 'man conta' for all.",
      "conta"};
  // Options are --long on every system: on Windows too a path such as
  // "/tmp/loja" is an argument, not an option (the subcommands made below
  // inherit this).
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string("conta ") + conta_version());
  app.require_subcommand(1);
  app.footer(
      "Examples:\n"
      "  conta demo /tmp/loja                           make a demo store and bill it\n"
      "  conta historico /tmp/loja3a                    a store with 3 years of sales\n"
      "  conta calcula --host-dir /tmp/loja --lista-comandas 0012 --tipo-conta 2\n"
      "  conta pacote PARAMETROSXOL.CDS                 show a store's parameters file\n"
      "  conta pacote items.cds --format json           print a packet as JSON\n"
      "  conta pacote in.xml --output out.cds           convert XML to a binary .cds file\n"
      "  conta schema --dialect sqlite                  print the store database DDL\n"
      "  conta indices --host-dir /opt/loja             the indexes a bill relies on\n"
      "  conta --version                                the module's version\n"
      "Environment: CONTA_CONNECTION (the store database), CONTA_HOST_DIR (the host\n"
      "directory), CONTA_TRACE (a file for the module's package events).\n"
      "Exit status: 0 success, 1 failure, 2 wrong command line.");
  conta::cli::addCalculaCommand(app);
  conta::cli::addDemoCommand(app);
  conta::cli::addHistoricoCommand(app);
  conta::cli::addIndicesCommand(app);
  conta::cli::addPacoteCommand(app);
  conta::cli::addSchemaCommand(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return conta::cli::kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "conta: " << e.what() << '\n';
    return conta::cli::kExitFailure;
  }
  return conta::cli::kExitOk;
}
