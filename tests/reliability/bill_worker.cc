// A host process that bills one store again and again, as a terminal or an
// application server does, for the tests and the benchmark that run several
// of them at once against one database.
//
//   conta_bill_worker [--sem-bloqueio|--sem-transacao] HOST_DIR CONNECTION COUNT LIST...
//
// Bills COUNT times, the lists in turn (kind "2", every charge asked for,
// every seat); CONNECTION "" bills the store's own SQLite file. One line per
// bill on standard output:
//   ok MICROSECONDS TOTAL         the bill was made
//   espera MICROSECONDS MESSAGE   it waited for another bill of the branch too long
//   erro MICROSECONDS MESSAGE     any other failure
// To measure what they cost: --sem-bloqueio bills in the bill's transaction
// without the lock of the branch's bills, --sem-transacao without either
// (every write committing on its own). Exit status 0 when no bill ended in
// "erro", 1 otherwise, 2 on bad usage.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "conta/calcula_conta.h"
#include "frame/data_module.h"
#include "platform/host_directory.h"
#include "support/geralxol.h"
#include "support/mensagemxol.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const std::string modo = !args.empty() && args.front().rfind("--", 0) == 0 ? args.front() : "";
  if (!modo.empty()) args.erase(args.begin());
  if (args.size() < 4 || (!modo.empty() && modo != "--sem-bloqueio" && modo != "--sem-transacao")) {
    std::fprintf(stderr,
                 "usage: %s [--sem-bloqueio|--sem-transacao] HOST_DIR CONNECTION COUNT LIST...\n",
                 argv[0]);
    return 2;
  }
  Mensagemxol::setReportSink([](const Mensagemxol::Report&) {});
  conta::setHostDirectory(args[0]);
  Geralxol::setConnectionString(args[1].empty() ? std::nullopt
                                                : std::optional<std::string>(args[1]));
  Srv_Xol41260::dataModule().BloqueiaContas = modo.empty();
  Srv_Xol41260::dataModule().ContaEmUmaTransacao = modo != "--sem-transacao";
  const int count = std::atoi(args[2].c_str());
  const std::vector<std::string> lists(args.begin() + 3, args.end());
  bool failed = false;
  for (int i = 0; i < count; ++i) {
    const std::string& list = lists[static_cast<std::size_t>(i) % lists.size()];
    conta::Variant parameters[7] = {
        conta::Variant(list), conta::Variant("2"), conta::Variant(true), conta::Variant(true),
        conta::Variant(true), conta::Variant("T"), conta::Variant("")};
    conta::Variant result = conta::Variant::array(14);
    const auto start = std::chrono::steady_clock::now();
    std::string message;
    try {
      Srv_Xol41260::CalculaConta(parameters, 6, result);
    } catch (const std::exception& e) {
      message = e.what();
    }
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    if (message.empty()) {
      std::printf("ok %lld %.2f\n", static_cast<long long>(micros), result[1].toDouble());
    } else {
      const bool waited = message.find("outra conta") != std::string::npos;
      failed = failed || !waited;
      std::printf("%s %lld %s\n", waited ? "espera" : "erro", static_cast<long long>(micros),
                  message.c_str());
    }
    std::fflush(stdout);
  }
  return failed ? 1 : 0;
}
