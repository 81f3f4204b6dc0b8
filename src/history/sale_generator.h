// The sales of the history, day by day: the sale at its table, its comandas
// and their items, written through a loader as they are drawn, and at the end
// of the last day the open sales a bill is asked for, with the junction of
// two of their tables.
#ifndef CONTA_HISTORY_SALE_GENERATOR_H_
#define CONTA_HISTORY_SALE_GENERATOR_H_

#include "history/history.h"
#include "history/loader.h"
#include "history/random.h"
#include "history/store_files.h"

namespace conta::history {

// Open sales at the end of the last day.
inline constexpr int kVendasAbertas = 20;

struct Periodo {
  int primeiro_dia = 0;  // days since 1970-01-01
  int dias = 1;
  int vendas_por_dia = kVendasAbertas;  // REQUIRES: >= kVendasAbertas
};

// Writes the sales of every day of the period and answers with what was
// written (all but the first and last day, which the caller knows).
// Throws conta::Error when the comanda numbers run out of their 7 digits.
Resumo gravaVendas(Loader& loader, Random& random, const ParametrosHistorico& parametros,
                   const Periodo& periodo, const Progresso& progresso);

}  // namespace conta::history

#endif  // CONTA_HISTORY_SALE_GENERATOR_H_
