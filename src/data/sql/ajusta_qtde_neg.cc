// acmAjustaQtdeNeg: turns the negative item quantities of the listed
// comandas positive; zero and positive quantities are not touched.
// On PostgreSQL and SQLite the comanda list test is written
// "{{COLUMN in :LIST}}" and expanded as data/list_matching.h says.
#include "data/list_matching.h"
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& acmAjustaQtdeNeg() {
  static const StatementDefinition definition = listStatement("acmAjustaQtdeNeg",
                                                              {
                                                                  // Oracle
                                                                  R"sql(UPDATE ITCOMANDAVEN
   SET QTPRODCOMVEN = ABS(QTPRODCOMVEN)
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND (INSTR(:P_NRCOMANDA, NRCOMANDA) <> 0)
   AND (QTPRODCOMVEN < 0))sql",
                                                                  // MS SQL Server
                                                                  R"sql(UPDATE ITCOMANDAVEN
   SET QTPRODCOMVEN = ABS(QTPRODCOMVEN)
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND (CHARINDEX(NRCOMANDA, :P_NRCOMANDA) <> 0)
   AND (QTPRODCOMVEN < 0))sql",
                                                                  // PostgreSQL
                                                                  R"sql(UPDATE ITCOMANDAVEN
   SET QTPRODCOMVEN = ABS(QTPRODCOMVEN)
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND ({{NRCOMANDA in :P_NRCOMANDA}})
   AND (QTPRODCOMVEN < 0))sql",
                                                                  // SQLite
                                                                  R"sql(UPDATE ITCOMANDAVEN
   SET QTPRODCOMVEN = ABS(QTPRODCOMVEN)
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND ({{NRCOMANDA in :P_NRCOMANDA}})
   AND (QTPRODCOMVEN < 0))sql",
                                                              },
                                                              {});
  return definition;
}

}  // namespace conta::data::sql
