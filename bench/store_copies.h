// Stores of the benchmarks made from a generated history: its branch copied
// to more branches, and the store as other software would have made it.
#ifndef CONTA_BENCH_STORE_COPIES_H_
#define CONTA_BENCH_STORE_COPIES_H_

#include <string>

namespace conta::bench {

// The branch code of the k-th branch (0 is "0001", the generated one).
std::string filial(int k);

// Copies every row of branch 0001 to the branches 0002... of the store, one
// INSERT ... SELECT a table and branch, in one transaction.
void copiaFiliais(const std::string& connection, int filiais);

// Drops the indexes this project's schema adds beyond the primary keys and
// the two comanda indexes (the open sales, the grouped comandas, the
// products' items): what a store made by other software is left with.
void deixaSoIndicesDeOutroEsquema(const std::string& connection);

// Gathers the store's statistics, as its administrator would.
void coletaEstatisticas(const std::string& connection);

}  // namespace conta::bench

#endif  // CONTA_BENCH_STORE_COPIES_H_
