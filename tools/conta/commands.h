// Subcommands of the conta tool. Each adds itself to the application and
// runs one library call; main() turns every exception into a message and an
// exit status.
#ifndef CONTA_TOOLS_CONTA_COMMANDS_H_
#define CONTA_TOOLS_CONTA_COMMANDS_H_

#include <CLI/CLI.hpp>

namespace conta::cli {

// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the work failed (bad file, database error...)
inline constexpr int kExitUsage = 2;    // the command line was wrong

void addPacoteCommand(CLI::App& app);
void addSchemaCommand(CLI::App& app);
void addCalculaCommand(CLI::App& app);
void addDemoCommand(CLI::App& app);
void addHistoricoCommand(CLI::App& app);
void addIndicesCommand(CLI::App& app);

}  // namespace conta::cli

#endif  // CONTA_TOOLS_CONTA_COMMANDS_H_
