#include "bench_stores.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "conta/conta.h"
#include "platform/db/connection.h"
#include "platform/db/script.h"
#include "platform/db/statement.h"
#include "store_copies.h"

namespace conta::bench {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

// The first comanda with items of each open sale, in sale order, and the
// items of the store; nothing when the store is not there (or is empty).
bool readStore(BenchStore& store) {
  try {
    db::Connection connection("bench");
    connection.setConnectionString(store.connection);
    db::Query count(connection, "itens");
    count.setSql("SELECT COUNT(*) AS N FROM ITCOMANDAVEN");
    count.setColumnHints({{"N", FieldType::Float, 0}});
    count.open();
    store.itens = static_cast<std::uint64_t>(count.value("N").toDouble());
    // A copy to more branches that did not finish is made again.
    count.close();
    count.setSql("SELECT COUNT(*) AS N FROM FILIAL");
    count.open();
    if (count.value("N").toDouble() != store.kind.filiais) return false;
    db::Query open(connection, "abertas");
    open.setSql(
        "SELECT CO.NRVENDAREST, MIN(CO.NRCOMANDA) AS NRCOMANDA"
        "  FROM COMANDAVEN CO"
        "  JOIN VENDAREST VE ON (VE.CDFILIAL = CO.CDFILIAL) AND (VE.NRVENDAREST = CO.NRVENDAREST)"
        " WHERE (CO.CDFILIAL = '0001') AND (VE.DTHRFECHMESA IS NULL) AND (CO.IDSTCOMANDA <> '4')"
        "   AND EXISTS (SELECT 1 FROM ITCOMANDAVEN IT WHERE (IT.CDFILIAL = CO.CDFILIAL)"
        "               AND (IT.NRVENDAREST = CO.NRVENDAREST) AND (IT.NRCOMANDA = CO.NRCOMANDA))"
        " GROUP BY CO.NRVENDAREST ORDER BY CO.NRVENDAREST");
    open.setColumnHints({{"NRCOMANDA", FieldType::String, 10}});
    open.open();
    store.comandas.clear();
    for (open.first(); !open.eof(); open.next())
      store.comandas.push_back(open.value("NRCOMANDA").toText());
    return store.itens > 0 && store.comandas.size() >= 5;
  } catch (const std::exception& e) {
    std::cerr << "store " << store.backend << "/" << store.name << ": " << e.what() << "\n";
    return false;
  }
}

void run(const std::string& command) {
  std::cerr << "$ " << command << "\n";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("the command failed: " + command);
}

void makeHistory(const BenchSetup& setup, const fs::path& dir, const std::string& connection,
                 const HistorySize& size) {
  std::string command = quoted(setup.conta_tool.string()) + " historico " + quoted(dir.string()) +
                        " --dias " + std::to_string(size.dias) + " --substituir";
  if (!connection.empty()) command += " --connection " + quoted(connection);
  run(command);
}

// A PostgreSQL store per name, each in a schema of its own.
std::string postgresqlStore(const BenchSetup& setup, const std::string& name) {
  std::string schema = "conta_bench_" + name;
  std::replace(schema.begin(), schema.end(), '-', '_');
  db::Connection connection("bench");
  connection.setConnectionString(*setup.postgresql);
  db::runSqlScript(connection, "CREATE SCHEMA IF NOT EXISTS " + schema);
  return *setup.postgresql + " options='-c search_path=" + schema + "'";
}

}  // namespace

fs::path hostDirectory(const BenchSetup& setup) {
  return setup.sizes.empty() ? setup.cache / "demo"
                             : setup.cache / ("sqlite-" + setup.sizes[0].name);
}

std::vector<BenchStore> prepareStores(const BenchSetup& setup) {
  std::vector<BenchStore> stores;
  fs::create_directories(setup.cache);

  char* error = nullptr;
  const fs::path demo_dir = setup.cache / "demo";
  if (conta_create_demo_store(demo_dir.c_str(), &error) != CONTA_OK) {
    std::string message = error ? error : "unknown error";
    conta_free(error);
    throw std::runtime_error("the demo store: " + message);
  }
  BenchStore demo{"sqlite", "demo", "sqlite:" + (demo_dir / "Dados/loja.db").string()};
  readStore(demo);
  stores.push_back(demo);

  std::vector<std::string> backends = {"sqlite"};
  if (setup.postgresql) backends.push_back("postgresql");
  std::vector<std::pair<HistorySize, StoreKind>> stores_of_a_backend;
  for (const HistorySize& size : setup.sizes) {
    stores_of_a_backend.push_back({size, StoreKind{false, 1}});
    stores_of_a_backend.push_back({size, StoreKind{true, 1}});
  }
  if (setup.filiais > 1 && setup.history_of_branches < setup.sizes.size()) {
    const HistorySize& size = setup.sizes[setup.history_of_branches];
    stores_of_a_backend.push_back({size, StoreKind{false, setup.filiais}});
    stores_of_a_backend.push_back({size, StoreKind{true, setup.filiais}});
  }
  for (const std::string& backend : backends) {
    for (const auto& [size, kind] : stores_of_a_backend) {
      std::string name = size.name;
      if (kind.filiais > 1) name += "-x" + std::to_string(kind.filiais);
      if (kind.outro_esquema) name += "-other";
      const fs::path dir = setup.cache / (backend + "-" + name);
      BenchStore store{backend, name,
                       backend == "sqlite" ? "sqlite:" + (dir / "Dados/loja.db").string()
                                           : postgresqlStore(setup, name),
                       kind};
      // Dropping the indexes again costs nothing and mends a store whose
      // making stopped before it.
      if (kind.outro_esquema && readStore(store)) deixaSoIndicesDeOutroEsquema(store.connection);
      if (!readStore(store)) {
        makeHistory(setup, dir, backend == "sqlite" ? "" : store.connection, size);
        if (kind.filiais > 1) copiaFiliais(store.connection, kind.filiais);
        if (kind.outro_esquema) deixaSoIndicesDeOutroEsquema(store.connection);
        coletaEstatisticas(store.connection);
        if (!readStore(store))
          throw std::runtime_error("the history " + dir.string() + " has no open comandas");
      }
      stores.push_back(store);
    }
  }
  return stores;
}

}  // namespace conta::bench
