// adqCouvert: the cover items of the sales of the listed comandas, one row
// for each pair of a cover item and a listed comanda of its sale. A comanda
// counts as listed when its number occurs anywhere in the list text.
// On PostgreSQL and SQLite the comanda list test is written
// "{{COLUMN in :LIST}}" and expanded as data/list_matching.h says.
#include "data/list_matching.h"
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqCouvert() {
  static const StatementDefinition definition = listStatement(
      "adqCouvert",
      {
          // Oracle
          R"sql(SELECT NRPESMESAVEN, DSCOMANDA, V.NRVENDAREST FROM VENDAREST V, ITCOMANDAVEN I, COMANDAVEN C WHERE V.CDFILIAL = :P_CDFILIAL AND (INSTR(:P_NRCOMANDA, C.NRCOMANDA) > 0) AND V.CDFILIAL = I.CDFILIAL and V.NRVENDAREST = I.NRVENDAREST AND V.CDFILIAL = C.CDFILIAL AND V.NRVENDAREST = C.NRVENDAREST AND CDPRODUTO = :P_CDPRODUTO)sql",
          // MS SQL Server
          R"sql(SELECT NRPESMESAVEN, DSCOMANDA, V.NRVENDAREST FROM VENDAREST V, ITCOMANDAVEN I, COMANDAVEN C WHERE V.CDFILIAL = :P_CDFILIAL AND (CHARINDEX(C.NRCOMANDA, :P_NRCOMANDA) > 0) AND V.CDFILIAL = I.CDFILIAL and V.NRVENDAREST = I.NRVENDAREST AND V.CDFILIAL = C.CDFILIAL AND V.NRVENDAREST = C.NRVENDAREST AND CDPRODUTO = :P_CDPRODUTO)sql",
          // PostgreSQL: an empty comanda number occurs in no list, as
          // Oracle's INSTR of an empty (NULL) text finds nothing.
          R"sql(SELECT NRPESMESAVEN, DSCOMANDA, V.NRVENDAREST FROM VENDAREST V, ITCOMANDAVEN I, COMANDAVEN C WHERE V.CDFILIAL = :P_CDFILIAL AND ({{C.NRCOMANDA in :P_NRCOMANDA}}) AND V.CDFILIAL = I.CDFILIAL and V.NRVENDAREST = I.NRVENDAREST AND V.CDFILIAL = C.CDFILIAL AND V.NRVENDAREST = C.NRVENDAREST AND CDPRODUTO = :P_CDPRODUTO)sql",
          // SQLite
          R"sql(SELECT NRPESMESAVEN, DSCOMANDA, V.NRVENDAREST FROM VENDAREST V, ITCOMANDAVEN I, COMANDAVEN C WHERE V.CDFILIAL = :P_CDFILIAL AND ({{C.NRCOMANDA in :P_NRCOMANDA}}) AND V.CDFILIAL = I.CDFILIAL and V.NRVENDAREST = I.NRVENDAREST AND V.CDFILIAL = C.CDFILIAL AND V.NRVENDAREST = C.NRVENDAREST AND CDPRODUTO = :P_CDPRODUTO)sql",
      },
      {});
  return definition;
}

}  // namespace conta::data::sql
