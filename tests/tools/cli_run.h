// Runs the conta tool as a store would run it, and keeps what it printed.
#ifndef CONTA_TESTS_TOOLS_CLI_RUN_H_
#define CONTA_TESTS_TOOLS_CLI_RUN_H_

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/files.h"

namespace conta::testing_support {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// `environment` is put before the command ("NAME=value ..."); the store's
// connection and host directory never come from the test's own environment.
inline CliRun runConta(const std::string& arguments, const std::filesystem::path& scratch,
                       const std::string& environment = "") {
  const std::filesystem::path err = scratch / "stderr.txt";
  const std::string command = "env -u CONTA_CONNECTION -u CONTA_HOST_DIR " + environment + " " +
                              std::string(CONTA_CLI) + " " + arguments + " 2>" + err.string();
  CliRun result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    result.out.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.err = readWholeFile(err);
  return result;
}

}  // namespace conta::testing_support

#endif  // CONTA_TESTS_TOOLS_CLI_RUN_H_
