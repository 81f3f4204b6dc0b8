// A bill reads what its own rows need, not the store's history. On SQLite
// the statement trace gives the virtual machine steps each statement of a
// bill took, which grow with the rows it reads: summed over the same bills,
// they stay the same on a store with twenty times the history, whether the
// store has this project's indexes or only what other software leaves it
// (the primary keys and the two comanda indexes), with statistics gathered
// or without. The substring form of the list test, which reads the branch's
// whole history, shows that the measure sees a read that grows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/db/connection.h"
#include "platform/db/statement.h"
#include "reliability/reliability.h"

namespace conta::reliability {
namespace {

enum class Esquema { Proprio, OutroComEstatisticas, OutroSemEstatisticas };

const char* nome(Esquema esquema) {
  switch (esquema) {
    case Esquema::Proprio:
      return "this project's schema";
    case Esquema::OutroComEstatisticas:
      return "other schema, statistics gathered";
    default:
      return "other schema, no statistics";
  }
}

void executa(const fs::path& dir, const std::string& sql) {
  db::Connection db("test");
  db.setConnectionString("sqlite:" + (dir / "Dados" / "loja.db").string());
  db.open();
  db::Command command(db, "test");
  command.setSql(sql);
  command.execute();
}

// A store of `dias` days as `esquema` says, with the bills to make on it.
std::vector<Pedido> loja(const fs::path& dir, int dias, Esquema esquema) {
  history::Opcoes opcoes;
  opcoes.dias = dias;
  opcoes.vendas_por_dia = 40;
  opcoes.semente = 11;
  opcoes.substituir = true;
  const history::Resumo resumo = history::gera(dir, "", opcoes);
  if (esquema != Esquema::Proprio) {
    for (const char* indice :
         {"IX_VENDAREST_ABERTA", "IX_COMANDAVEN_PRINCIPAL", "IX_ITCOMANDAVEN_PRODUTO"})
      executa(dir, std::string("DROP INDEX ") + indice);
    executa(dir, "DROP TABLE IF EXISTS sqlite_stat1");
    if (esquema == Esquema::OutroComEstatisticas) executa(dir, "ANALYZE");
  }
  std::vector<Pedido> pedidos = mesasSeparadas(resumo);
  // The joined tables' open sales are found through the open-sales index;
  // without it they are read among the branch's sales.
  if (esquema == Esquema::Proprio) pedidos.push_back({resumo.comandas_juncao, "2"});
  return pedidos;
}

// The steps of every statement, summed over the bills, from the trace.
std::map<std::string, long long> passos(const fs::path& dir, const std::vector<Pedido>& pedidos) {
  const fs::path trace = dir / "trace.txt";
  fs::remove(trace);
  usaLoja(dir, "sqlite:" + (dir / "Dados" / "loja.db").string());
  ::setenv("CONTA_TRACE_SQL", trace.c_str(), 1);
  for (const Pedido& pedido : pedidos) {
    const Conta conta = calcula(pedido);
    EXPECT_EQ(conta.status, CONTA_OK) << pedido.comanda << ": " << conta.erro;
  }
  ::unsetenv("CONTA_TRACE_SQL");
  std::map<std::string, long long> out;
  std::ifstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    // sqlite NAME MS ms ROWS rows STEPS steps reused
    std::istringstream words(line);
    std::string engine, statement, ms, unit, rows, rows_word;
    long long steps = 0;
    words >> engine >> statement >> ms >> unit >> rows >> rows_word >> steps;
    out[statement] += steps;
  }
  return out;
}

TEST(HistoryReadsTest, EveryStatementReadsAsMuchOnTwentyTimesTheHistory) {
  ScratchEmMemoria scratch("history_reads");
  for (Esquema esquema :
       {Esquema::Proprio, Esquema::OutroComEstatisticas, Esquema::OutroSemEstatisticas}) {
    SCOPED_TRACE(nome(esquema));
    const fs::path curta = scratch.path() / "curta", longa = scratch.path() / "longa";
    const auto pedidosCurta = loja(curta, 2, esquema);
    const auto pedidosLonga = loja(longa, 40, esquema);
    const auto antes = passos(curta, pedidosCurta);
    const auto depois = passos(longa, pedidosLonga);
    ASSERT_GT(antes.count("adqItProdVend"), 0u);
    for (const auto& [statement, steps] : depois) {
      // The bills of kind "1" count the comandas grouped under theirs among
      // every comanda the branch ever had: without the index of the
      // principal comandas that is a read of the branch's comandas.
      if (esquema != Esquema::Proprio && statement == "adqComandaAgrupada") continue;
      const long long short_steps = antes.count(statement) ? antes.at(statement) : 0;
      // The two stores' open sales differ a little: their bills read a
      // little more or less; a read of the history would take 20 times as many.
      EXPECT_LE(steps, 3 * short_steps + 2000)
          << statement << ": " << short_steps << " steps on 2 days, " << steps << " on 40";
    }
  }
}

TEST(HistoryReadsTest, TheSubstringListTestReadsTheHistory) {
  ScratchEmMemoria scratch("history_reads_substring");
  const fs::path curta = scratch.path() / "curta", longa = scratch.path() / "longa";
  const auto pedidosCurta = loja(curta, 2, Esquema::Proprio);
  const auto pedidosLonga = loja(longa, 40, Esquema::Proprio);
  char* error = nullptr;
  ASSERT_EQ(conta_set_list_matching("substring", &error), CONTA_OK) << error;
  const auto antes = passos(curta, pedidosCurta);
  const auto depois = passos(longa, pedidosLonga);
  ASSERT_EQ(conta_set_list_matching("indexed", &error), CONTA_OK) << error;
  EXPECT_GT(depois.at("adqItProdVend"), 5 * antes.at("adqItProdVend"));
}

}  // namespace
}  // namespace conta::reliability
