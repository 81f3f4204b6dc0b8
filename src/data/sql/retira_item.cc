// acmRetiraItem: deletes every item of one product from the listed comandas,
// whatever their sale, seat or status.
// On PostgreSQL and SQLite the comanda list test is written
// "{{COLUMN in :LIST}}" and expanded as data/list_matching.h says.
#include "data/list_matching.h"
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& acmRetiraItem() {
  static const StatementDefinition definition = listStatement("acmRetiraItem",
                                                              {
                                                                  // Oracle
                                                                  R"sql(DELETE FROM ITCOMANDAVEN
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND (INSTR(:P_NRCOMANDA, NRCOMANDA) > 0)
   AND (CDPRODUTO = :P_CDPRODUTO))sql",
                                                                  // MS SQL Server
                                                                  R"sql(DELETE FROM ITCOMANDAVEN
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND (CHARINDEX(NRCOMANDA, :P_NRCOMANDA) > 0)
   AND (CDPRODUTO = :P_CDPRODUTO))sql",
                                                                  // PostgreSQL
                                                                  R"sql(DELETE FROM ITCOMANDAVEN
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND ({{NRCOMANDA in :P_NRCOMANDA}})
   AND (CDPRODUTO = :P_CDPRODUTO))sql",
                                                                  // SQLite
                                                                  R"sql(DELETE FROM ITCOMANDAVEN
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND ({{NRCOMANDA in :P_NRCOMANDA}})
   AND (CDPRODUTO = :P_CDPRODUTO))sql",
                                                              },
                                                              {});
  return definition;
}

}  // namespace conta::data::sql
