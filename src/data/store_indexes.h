// The indexes a bill relies on to cost what its own rows cost on a store of
// years: which a store's database has (under any name, as the leading
// columns of one of its indexes), and the DDL that adds the missing ones
// under names of this module's own (CONTA_IX_...), which no store's index
// takes. A store made by other tools may lack some; `conta indices` tells.
#ifndef CONTA_DATA_STORE_INDEXES_H_
#define CONTA_DATA_STORE_INDEXES_H_

#include <string>
#include <vector>

#include "platform/db/connection.h"

namespace conta::data {

struct IndiceConta {
  std::string nome;    // the name it is created under
  std::string tabela;  // upper case
  std::vector<std::string> colunas;
  std::string porque;  // what of a bill needs it
};

const std::vector<IndiceConta>& indicesDaConta();

// The CREATE INDEX of one, in the dialect's words.
std::string ddlIndice(const IndiceConta& indice, db::Dialect dialect);

struct SituacaoIndice {
  IndiceConta indice;
  std::string existente;  // the store's index that serves, "" when none does
};

// Reads the catalog of an SQLite or PostgreSQL store; conta::Error for the
// other engines, whose catalogs the module does not read.
std::vector<SituacaoIndice> confereIndices(db::Connection& connection);

// Creates those that are missing; the names of the ones created.
std::vector<std::string> criaIndices(db::Connection& connection);

}  // namespace conta::data

#endif  // CONTA_DATA_STORE_INDEXES_H_
