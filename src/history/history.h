// The store history: a store laid out as the host finds it (PARAMETROSXOL.CDS,
// Dados/Cadastros/AliqImpFis.cds, the store database) holding years of closed
// sales and, at the end of the last day, the open sales whose comandas bills
// are made for. It gives bills the volumes a store gathers, to measure them.
//
// The same options give the same rows: everything comes from the seed, and
// the history ends on a fixed day (2026-11-30), never on the clock.
#ifndef CONTA_HISTORY_HISTORY_H_
#define CONTA_HISTORY_HISTORY_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "conta/conta.h"

namespace conta::history {

struct Opcoes {
  int anos = 3;              // years of 365 days
  int vendas_por_dia = 300;  // sales a day, the last day's open sales among them
  std::uint64_t semente = 1;
  bool substituir = false;  // replace a store already there
  int dias = 0;             // > 0: this many days instead of anos x 365 (small stores)
};

// Limits of the options; gera() refuses values outside them.
inline constexpr int kMaxAnos = CONTA_HISTORY_MAX_ANOS;
inline constexpr int kMinVendasPorDia = CONTA_HISTORY_MIN_VENDAS_POR_DIA;  // the open sales fit
inline constexpr int kMaxVendasPorDia = CONTA_HISTORY_MAX_VENDAS_POR_DIA;

struct Resumo {
  std::uint64_t vendas = 0, comandas = 0, itens = 0;
  std::uint64_t vendas_abertas = 0;
  // The open comandas that have items: the first comanda of every open sale
  // in sale order (each on its own sale), then the others in sale and
  // comanda order. A bill of any of them finds items.
  std::vector<std::string> comandas_abertas;
  // Every comanda of the open sales at the two joined tables, joined by "_":
  // the list a bill of the joined tables is asked for.
  std::string comandas_juncao;
  // The open comanda of a reserved table (DSCOMANDA beginning with "RES"),
  // which takes the cover charge one unit per seat.
  std::string comanda_reserva;
  // The first and last day of the history, "YYYY-MM-DD".
  std::string primeiro_dia, ultimo_dia;
};

// Called as the sales are written: feito of total sales so far. It is called
// with feito 0 first and feito == total last, and at most about a thousand
// times in between.
using Progresso = std::function<void(std::uint64_t feito, std::uint64_t total)>;

// Writes the store under host_dir. `connection` empty: the SQLite database
// Dados/loja.db there, and a conexao.txt in host_dir is removed (it would
// send bills elsewhere). Otherwise a PostgreSQL connection string (libpq
// key=value or postgresql://...; sqlite:PATH is taken too): the store tables
// are made in its current schema and host_dir/conexao.txt holds the string.
// The parameter files are (re)written in any case.
//
// A store already there (the SQLite file, or any store table in the schema)
// is an error unless opcoes.substituir; then it is replaced. Everything is
// written in one transaction (on SQLite into a new file that takes the old
// one's place at the end), so a failed run leaves the store that was there.
// Throws conta::Error (db::DatabaseError for the database's own failures)
// with a message naming what failed.
Resumo gera(const std::filesystem::path& host_dir, const std::string& connection,
            const Opcoes& opcoes = {}, const Progresso& progresso = {});

// What gera wrote, as the C interface hands it over (conta/conta.h):
// {"vendas", "comandas", "itens", "vendas_abertas", "comandas_abertas": [...],
//  "comandas_juncao", "comanda_reserva", "primeiro_dia", "ultimo_dia",
//  "base": {"tipo": "sqlite", "arquivo", "bytes"} or {"tipo": "postgresql"}}.
std::string resumoJson(const Resumo& resumo, const std::filesystem::path& host_dir,
                       const std::string& connection);

}  // namespace conta::history

#endif  // CONTA_HISTORY_HISTORY_H_
