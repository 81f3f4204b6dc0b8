// The statements of the data module, one file each.
#ifndef CONTA_DATA_SQL_STATEMENTS_H_
#define CONTA_DATA_SQL_STATEMENTS_H_

#include "data/statement_definition.h"

namespace conta::data::sql {

const StatementDefinition& adqListaComanda();
const StatementDefinition& adqComandaAgrupada();
const StatementDefinition& adqComandaVal();
const StatementDefinition& adqItProdVend();
const StatementDefinition& acmRetiraItem();
const StatementDefinition& acmAjustaQtdeNeg();
const StatementDefinition& adqComissVenda();
const StatementDefinition& adqAliqImpFis();
const StatementDefinition& adqProdCouCon();
const StatementDefinition& adqLoja();
const StatementDefinition& adqProdLoja();
const StatementDefinition& adqLugarOcupado();
const StatementDefinition& adqProdConsumaCouvert();
const StatementDefinition& adqVerifConsumaCouvert();
const StatementDefinition& adqInsProd();
const StatementDefinition& acmRetiraItemCobranca();
const StatementDefinition& adqConsumaComVen();
const StatementDefinition& acmAlteraVrConsuma();
const StatementDefinition& adqCouvert();
const StatementDefinition& acmCalculaCouvert();
const StatementDefinition& acmAlteraNumIt();
const StatementDefinition& adqBloqueiaFilial();
const StatementDefinition& adqConfereNumeros();

}  // namespace conta::data::sql

#endif  // CONTA_DATA_SQL_STATEMENTS_H_
