// Whole bills through the C interface, on the demo store and on store
// histories of growing size, with the comanda list matched both ways: the
// indexed form the module uses and the substring form it replaced. Each
// indexed run reports how many times faster it is than the substring run of
// the same store and bill ("x_faster"), and every run the share of the bill's
// time spent outside the database ("outside_db").
// Every history is billed again as other software would have made its
// store (only the primary keys and the two comanda indexes, statistics
// gathered), and one history copied to four branches in both schemas: those
// runs report their time against the same bill on the store they were made
// from ("x_own": the other schema against this project's, four branches
// against one). Every run reports its first bill on a new connection
// ("first_ms"), whose statements are all prepared and planned anew, and
// what that costs above a bill of a connection that has them ("plan_ms").
//
//   build/bench/conta_bill_bench --benchmark_out=bills.json --benchmark_out_format=json
//   bench/plot_bills.py bills.json docs/bill-time.png
//
// Environment:
//   CONTA_BENCH_DIR         where the stores are kept between runs
//                           (default: bench-stores in the build tree)
//   CONTA_BENCH_POSTGRESQL  a libpq key=value string: also bill on PostgreSQL
//                           (one schema per history size)
//   CONTA_BENCH_SIZES       the histories as NAME:DAYS,... (default
//                           10k:4,300k:104,3M:1095; about 2,900 items a day)
//   CONTA_BENCH_FILIAIS     the branches the second history is copied to
//                           (default 4; 1 for none)
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench_stores.h"
#include "conta/conta.h"
#include "platform/db/database_time.h"

namespace conta::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds per bill of every substring run, by store and bill, for the
// ratio the indexed run of the same store and bill reports.
std::map<std::string, double>& substringTimes() {
  static std::map<std::string, double> times;
  return times;
}

// Milliseconds per bill of every indexed run, by store and bill, for the
// ratio of the stores made from it.
std::map<std::string, double>& indexedTimes() {
  static std::map<std::string, double> times;
  return times;
}

// The store a store was made from: "300k-x4-other" from "300k-x4", that from
// "300k"; a history from none.
std::string madeFrom(const std::string& name) {
  const auto dash = name.rfind('-');
  return dash == std::string::npos ? "" : name.substr(0, dash);
}

void check(int status, char* error, const std::string& what) {
  if (status == CONTA_OK) return;
  std::string message = error ? error : "unknown error";
  conta_free(error);
  throw std::runtime_error(what + ": " + message);
}

std::string joined(const std::vector<std::string>& comandas, std::size_t count) {
  std::string list;
  for (std::size_t i = 0; i < count && i < comandas.size(); ++i)
    list += (i ? "_" : "") + comandas[i];
  return list;
}

// One bill of the store, with service, cover and minimum consumption.
void bill(const std::string& list) {
  conta_bill_request request{list.c_str(), "2", 1, 1, 1, "T", ""};
  conta_bill result{};
  char* error = nullptr;
  check(conta_calcula(&request, &result, &error), error, "the bill of " + list);
  conta_bill_free(&result);
}

void billBenchmark(benchmark::State& state, const BenchStore& store, std::size_t comandas,
                   const std::string& form, const std::string& host_directory) {
  const std::string list = joined(store.comandas, comandas);
  const std::string key = store.backend + "/" + store.name + "/" + std::to_string(comandas);
  try {
    char* error = nullptr;
    check(conta_set_connection_string(store.connection.c_str(), &error), error, "connection");
    check(conta_set_list_matching(form.c_str(), &error), error, "list matching");
    bill(list);  // the first bill writes the charges; the timed ones find them there
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  // The first bill of a new connection: its statements prepared and planned.
  double first_ms = 0;
  try {
    char* error = nullptr;
    check(conta_set_host_directory(host_directory.c_str(), &error), error, "reconnection");
    check(conta_connect(&error), error, "connection");
    const auto start = Clock::now();
    bill(list);
    first_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  Clock::duration total{};
  std::chrono::nanoseconds in_database{};
  const std::uint64_t statements_before = db::statementsRun();
  for (auto _ : state) {
    const auto start = Clock::now();
    const auto database_before = db::timeInDatabase();
    bill(list);
    in_database += db::timeInDatabase() - database_before;
    total += Clock::now() - start;
  }
  const double ms = std::chrono::duration<double, std::milli>(total).count() /
                    static_cast<double>(state.iterations());
  state.counters["items"] = static_cast<double>(store.itens);
  state.counters["statements"] = static_cast<double>(db::statementsRun() - statements_before) /
                                 static_cast<double>(state.iterations());
  state.counters["outside_db"] = 1.0 - std::chrono::duration<double>(in_database).count() /
                                           std::chrono::duration<double>(total).count();
  state.counters["first_ms"] = first_ms;
  state.counters["plan_ms"] = first_ms - ms;
  if (form == "substring") {
    substringTimes()[key] = ms;
  } else {
    indexedTimes()[key] = ms;
    if (auto found = substringTimes().find(key); found != substringTimes().end())
      state.counters["x_faster"] = found->second / ms;
    const std::string own =
        store.backend + "/" + madeFrom(store.name) + "/" + std::to_string(comandas);
    if (auto found = indexedTimes().find(own); found != indexedTimes().end())
      state.counters["x_own"] = ms / found->second;
  }
  state.SetLabel(list);
}

std::vector<HistorySize> sizesFromEnvironment() {
  const char* text = std::getenv("CONTA_BENCH_SIZES");
  std::string listed = text ? text : "10k:4,300k:104,3M:1095";
  std::vector<HistorySize> sizes;
  std::stringstream items(listed);
  for (std::string item; std::getline(items, item, ',');) {
    const auto colon = item.find(':');
    if (colon == std::string::npos)
      throw std::runtime_error("CONTA_BENCH_SIZES: expected NAME:DAYS, found " + item);
    sizes.push_back({item.substr(0, colon), std::stoi(item.substr(colon + 1))});
  }
  return sizes;
}

void registerBills(const std::vector<BenchStore>& stores, const std::string& host_directory) {
  for (const BenchStore& store : stores) {
    // The demo store has four open comandas: it is billed with all of them.
    const std::vector<std::size_t> bills = {1, store.name == "demo" ? store.comandas.size() : 5};
    // The stores made from a history are compared with it, not with the
    // substring form.
    const bool copy = store.kind.outro_esquema || store.kind.filiais > 1;
    const std::vector<std::string> forms = copy ? std::vector<std::string>{"indexed"}
                                                : std::vector<std::string>{"substring", "indexed"};
    for (std::size_t comandas : bills) {
      // The substring run first, so the indexed run can give the ratio.
      for (const std::string& form : forms) {
        auto* benchmark = benchmark::RegisterBenchmark(
            ("bill/" + store.backend + "/" + store.name + "/" + std::to_string(comandas) +
             "_comandas/" + form)
                .c_str(),
            [store, comandas, form, host_directory](benchmark::State& state) {
              billBenchmark(state, store, comandas, form, host_directory);
            });
        benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
        // A substring bill on a large history takes seconds: a few are enough.
        if (form == "substring" && store.itens > 100000) benchmark->Iterations(3);
      }
    }
  }
}

}  // namespace
}  // namespace conta::bench

int main(int argc, char** argv) {
  using namespace conta::bench;
  benchmark::Initialize(&argc, argv);
  try {
    BenchSetup setup;
    const char* dir = std::getenv("CONTA_BENCH_DIR");
    setup.cache = dir ? dir : CONTA_BENCH_DEFAULT_DIR;
    setup.conta_tool = CONTA_TOOL;
    if (const char* pg = std::getenv("CONTA_BENCH_POSTGRESQL"); pg && *pg) setup.postgresql = pg;
    setup.sizes = sizesFromEnvironment();
    if (const char* filiais = std::getenv("CONTA_BENCH_FILIAIS"); filiais && *filiais)
      setup.filiais = std::atoi(filiais);
    const std::vector<BenchStore> stores = prepareStores(setup);
    char* error = nullptr;
    // The store parameters are read once per process: every store is
    // billed with the same parameter files.
    const std::string host_directory = hostDirectory(setup).string();
    check(conta_set_host_directory(host_directory.c_str(), &error), error, "host directory");
    conta_set_report_sink([](void*, const conta_report*) {}, nullptr);
    registerBills(stores, host_directory);
  } catch (const std::exception& e) {
    std::cerr << "conta_bill_bench: " << e.what() << "\n";
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
