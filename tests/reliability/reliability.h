// What the reliability tests share: a small generated store (on SQLite, or
// in a schema of its own on the PostgreSQL server of CONTA_TEST_POSTGRESQL),
// bills through the C interface kept as plain bytes, and the comandas of
// open sales that stand at tables of their own.
//
// The store parameters are read once per process: every store here comes
// from the history generator, whose parameter files are the same for every
// store, so the first store a process bills decides them for all.
#ifndef CONTA_TESTS_RELIABILITY_RELIABILITY_H_
#define CONTA_TESTS_RELIABILITY_RELIABILITY_H_

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "conta/conta.h"
#include "history/history.h"

namespace conta::reliability {

namespace fs = std::filesystem;

// A bill as the host received it: status, message, the fourteen entries and
// both packets' bytes.
struct Conta {
  int status = CONTA_ERROR;
  std::string erro;
  std::array<double, CONTA_ENTRY_COUNT> valores{};
  std::string comandas;  // entry 9
  std::string itens;     // entry 10

  // The same bill to the last bit: every entry and both packets.
  bool operator==(const Conta& other) const;
};

// One comanda and the request it is always billed with.
struct Pedido {
  std::string comanda;
  std::string tipo_conta;
  bool consumacao = true, couvert = true, taxa = true;
  std::string lugares = "T";
};

Conta calcula(const Pedido& pedido);

// Something readable about a bill for a failure message.
std::string descreve(const Conta& conta);

// Bills whose first difference is described, or "" when they are equal.
std::string diferenca(const Conta& esperada, const Conta& obtida);

// The first comanda of every open sale that is not at a joined table, each
// with one of a few requests (bill kinds, switches, seats) by its position:
// every comanda has a table of its own, and is always billed the same way.
std::vector<Pedido> mesasSeparadas(const history::Resumo& resumo);

// The test's scratch directory, made empty.
fs::path scratch(const std::string& name);

// A scratch directory in memory (/dev/shm when there is one, else as
// scratch()), removed with this object: a store there commits without
// waiting for the disk, so bills cost what the module spends on them.
class ScratchEmMemoria {
 public:
  explicit ScratchEmMemoria(const std::string& name);
  ~ScratchEmMemoria();
  ScratchEmMemoria(const ScratchEmMemoria&) = delete;
  ScratchEmMemoria& operator=(const ScratchEmMemoria&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A small store (two days of forty sales) under `dir`. `connection` empty:
// on SQLite (Dados/loja.db); otherwise in the PostgreSQL schema it names.
history::Resumo lojaPequena(const fs::path& dir, const std::string& connection = "");

// Bills go to this host directory and connection from now on; failures go
// to a sink that counts them instead of standard error.
void usaLoja(const fs::path& dir, const std::string& connection);
int relatosRecebidos();

// A schema of its own on the PostgreSQL server of CONTA_TEST_POSTGRESQL,
// dropped at the end. skipReason() is set when the variable is not.
class EsquemaPostgreSql {
 public:
  explicit EsquemaPostgreSql(const std::string& nome);
  ~EsquemaPostgreSql();
  EsquemaPostgreSql(const EsquemaPostgreSql&) = delete;
  EsquemaPostgreSql& operator=(const EsquemaPostgreSql&) = delete;

  const std::string& skipReason() const { return skip_; }
  // The libpq string that reaches the schema (search_path set).
  const std::string& conexao() const { return conexao_; }
  // The server's own connection string (CONTA_TEST_POSTGRESQL).
  const std::string& admin() const { return admin_; }
  // Runs SQL; the server's error text, or "" on success.
  std::string executa(const std::string& sql) const;

 private:
  std::string skip_, admin_, schema_, conexao_;
};

}  // namespace conta::reliability

#endif  // CONTA_TESTS_RELIABILITY_RELIABILITY_H_
