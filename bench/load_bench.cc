// Bills under load: K host processes (conta_bill_worker) bill one store
// database at once, on one SQLite file and on one PostgreSQL server, each
// host the tables of a branch of its own, or all of them the tables of one
// branch. Each run reports bills per second, the median and 99th-percentile
// bill time, and the bills that waited too long for another one. Three runs
// each, side by side: the bills without their transaction (every write
// committing on its own, as the store's older software did), in their
// transaction without the lock of the branch's bills, and with it (the
// module as it is); the last reports its throughput against the run without
// the lock ("vs_no_lock") and against the run without the transaction
// ("vs_no_transaction"). Every run follows an untimed one that brings the
// store and the server to their steady state.
//
//   build/bench/conta_load_bench --benchmark_out=load.json --benchmark_out_format=json
//   bench/plot_load.py load.json docs/bill-load.png
//
// Environment:
//   CONTA_BENCH_DIR         where the stores are made (default: bench-stores
//                           in the build tree); they are made anew every run
//   CONTA_BENCH_POSTGRESQL  a libpq key=value string: also on PostgreSQL
//   CONTA_LOAD_HOSTS        host processes (default 4), one branch each
//   CONTA_LOAD_BILLS        bills per host (default 100)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "conta/packet_codecs.h"
#include "history/history.h"
#include "platform/db/connection.h"
#include "platform/db/statement.h"
#include "store_copies.h"

extern char** environ;

namespace conta::bench {
namespace {

namespace fs = std::filesystem;

int fromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

// A host directory per branch: the store's parameter files, its branch
// code in PARAMETROSXOL.CDS.
fs::path hostDaFilial(const fs::path& store, int k) {
  const fs::path host = store / ("host-" + filial(k));
  fs::create_directories(host / "Dados" / "Cadastros");
  fs::copy_file(store / "Dados" / "Cadastros" / "AliqImpFis.cds",
                host / "Dados" / "Cadastros" / "AliqImpFis.cds",
                fs::copy_options::overwrite_existing);
  DataPacket parametros = readPacketFile(store / "PARAMETROSXOL.CDS").currentRows();
  parametros.rows.at(0).values.at(*parametros.fieldIndex("CDFILIAL")) = Variant(filial(k));
  writePacketFile(parametros, host / "PARAMETROSXOL.CDS", PacketFormat::Binary);
  return host;
}

struct Loja {
  std::string backend;
  std::string connection;  // for the workers
  std::vector<fs::path> hosts;
  std::vector<std::string> comandas;  // one comanda per open sale of a branch
};

Loja preparaLoja(const std::string& backend, const std::string& postgresql, int filiais) {
  const char* dir = std::getenv("CONTA_BENCH_DIR");
  const fs::path store =
      fs::path(dir != nullptr ? dir : CONTA_BENCH_DEFAULT_DIR) / ("load-" + backend);
  fs::remove_all(store);
  fs::create_directories(store);
  Loja loja{backend, "", {}, {}};
  if (backend == "sqlite") {
    loja.connection = "sqlite:" + fs::absolute(store / "Dados" / "loja.db").string();
  } else {
    db::Connection admin("load");
    admin.setConnectionString(postgresql);
    admin.open();
    db::Command schema(admin, "schema");
    schema.setSql("DROP SCHEMA IF EXISTS conta_load CASCADE");
    schema.execute();
    schema.setSql("CREATE SCHEMA conta_load");
    schema.execute();
    loja.connection = postgresql + " options='-c search_path=conta_load'";
  }
  history::Opcoes opcoes;
  opcoes.dias = 30;
  opcoes.vendas_por_dia = 60;
  opcoes.substituir = true;
  const history::Resumo resumo =
      history::gera(store, backend == "sqlite" ? "" : loja.connection, opcoes);
  copiaFiliais(loja.connection, filiais);
  // Statistics of the store as it now is, not as autovacuum finds it in the
  // middle of the first run.
  if (backend == "postgresql") coletaEstatisticas(loja.connection);
  for (int k = 0; k < filiais; ++k)
    loja.hosts.push_back(hostDaFilial(store, k));
  const std::size_t mesas = std::min<std::size_t>(resumo.vendas_abertas, 8);
  loja.comandas.assign(resumo.comandas_abertas.begin(),
                       resumo.comandas_abertas.begin() + static_cast<long>(mesas));
  return loja;
}

struct Medida {
  double segundos = 0;
  std::vector<double> ms;  // every bill made
  int esperas = 0, erros = 0;
};

// K workers at once; worker i on branch i, or all of them on branch 0001.
// `modo`: the worker's option ("", "--sem-bloqueio", "--sem-transacao").
Medida carga(const Loja& loja, int hosts, int contas, bool umaFilial, const std::string& modo) {
  const fs::path saida = fs::temp_directory_path() / ("conta-load-" + std::to_string(getpid()));
  fs::create_directories(saida);
  std::vector<pid_t> pids;
  const auto inicio = std::chrono::steady_clock::now();
  for (int i = 0; i < hosts; ++i) {
    const fs::path host = loja.hosts[umaFilial ? 0 : static_cast<std::size_t>(i)];
    std::vector<std::string> args = {CONTA_BILL_WORKER};
    if (!modo.empty()) args.push_back(modo);
    args.insert(args.end(), {host.string(), loja.connection, std::to_string(contas)});
    // Each host bills the tables in its own order.
    for (std::size_t j = 0; j < loja.comandas.size(); ++j)
      args.push_back(loja.comandas[(j + static_cast<std::size_t>(i)) % loja.comandas.size()]);
    std::vector<char*> argv;
    for (auto& arg : args)
      argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = (saida / (std::to_string(i) + ".txt")).string();
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
      throw std::runtime_error(std::string("cannot start ") + argv[0]);
    posix_spawn_file_actions_destroy(&actions);
    pids.push_back(pid);
  }
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
  }
  Medida medida;
  medida.segundos =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  for (int i = 0; i < hosts; ++i) {
    std::ifstream lines(saida / (std::to_string(i) + ".txt"));
    std::string kind;
    long long micros = 0;
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line);
      fields >> kind >> micros;
      if (kind == "ok") {
        medida.ms.push_back(static_cast<double>(micros) / 1000.0);
      } else if (kind == "espera") {
        ++medida.esperas;
      } else {
        ++medida.erros;
      }
    }
  }
  fs::remove_all(saida);
  std::sort(medida.ms.begin(), medida.ms.end());
  return medida;
}

double percentil(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  const auto i = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(i, sorted.size() - 1)];
}

// Bills per second of the runs without the lock or the transaction, by
// backend, scenario and run.
std::map<std::string, double>& vazoes() {
  static std::map<std::string, double> throughput;
  return throughput;
}

void registra(const Loja& loja, int hosts, int contas) {
  const std::pair<const char*, const char*> modos[] = {
      {"no_transaction", "--sem-transacao"}, {"no_lock", "--sem-bloqueio"}, {"lock", ""}};
  for (const bool umaFilial : {false, true}) {
    for (const auto& [modo, opcao] : modos) {
      const std::string cenario = umaFilial ? "one_branch" : "own_branches";
      const std::string nome =
          "load/" + loja.backend + "/" + std::to_string(hosts) + "_hosts/" + cenario + "/" + modo;
      const std::string chave = loja.backend + "/" + cenario + "/";
      benchmark::RegisterBenchmark(
          nome.c_str(),
          [loja, hosts, contas, umaFilial, modo = std::string(modo), opcao = std::string(opcao),
           chave](benchmark::State& state) {
            carga(loja, hosts, std::max(contas / 4, 8), umaFilial, opcao);  // warm-up
            for (auto _ : state) {
              const Medida m = carga(loja, hosts, contas, umaFilial, opcao);
              state.SetIterationTime(m.segundos);
              const double vazao = static_cast<double>(m.ms.size()) / m.segundos;
              state.counters["bills_per_s"] = vazao;
              state.counters["median_ms"] = percentil(m.ms, 0.5);
              state.counters["p99_ms"] = percentil(m.ms, 0.99);
              state.counters["waited_too_long"] = m.esperas;
              state.counters["errors"] = m.erros;
              vazoes()[chave + modo] = vazao;
              if (modo == "lock") {
                if (vazoes().count(chave + "no_lock"))
                  state.counters["vs_no_lock"] = vazao / vazoes()[chave + "no_lock"];
                if (vazoes().count(chave + "no_transaction"))
                  state.counters["vs_no_transaction"] = vazao / vazoes()[chave + "no_transaction"];
              }
            }
          })
          ->Iterations(1)
          ->UseManualTime()
          ->Unit(benchmark::kSecond);
    }
  }
}

}  // namespace
}  // namespace conta::bench

int main(int argc, char** argv) {
  using namespace conta::bench;
  benchmark::Initialize(&argc, argv);
  const int hosts = fromEnvironment("CONTA_LOAD_HOSTS", 4);
  const int contas = fromEnvironment("CONTA_LOAD_BILLS", 100);
  try {
    registra(preparaLoja("sqlite", "", hosts), hosts, contas);
    if (const char* pg = std::getenv("CONTA_BENCH_POSTGRESQL"); pg != nullptr && *pg)
      registra(preparaLoja("postgresql", pg, hosts), hosts, contas);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "conta_load_bench: %s\n", e.what());
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
