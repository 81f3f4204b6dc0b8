// acmRetiraItem: deletes every item of one product from the listed comandas
// of open sales, whatever their seat or status. A closed sale that used the
// same comanda number is never touched.
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
   AND (CDPRODUTO = :P_CDPRODUTO)
   AND EXISTS (SELECT 1
                 FROM VENDAREST VR
                WHERE (VR.CDFILIAL = ITCOMANDAVEN.CDFILIAL)
                  AND (VR.NRVENDAREST = ITCOMANDAVEN.NRVENDAREST)
                  AND (VR.DTHRFECHMESA IS NULL)))sql",
                                                                  // MS SQL Server
                                                                  R"sql(DELETE FROM ITCOMANDAVEN
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND (CHARINDEX(NRCOMANDA, :P_NRCOMANDA) > 0)
   AND (CDPRODUTO = :P_CDPRODUTO)
   AND EXISTS (SELECT 1
                 FROM VENDAREST VR
                WHERE (VR.CDFILIAL = ITCOMANDAVEN.CDFILIAL)
                  AND (VR.NRVENDAREST = ITCOMANDAVEN.NRVENDAREST)
                  AND (VR.DTHRFECHMESA IS NULL)))sql",
                                                                  // PostgreSQL
                                                                  R"sql(DELETE FROM ITCOMANDAVEN
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND ({{NRCOMANDA in :P_NRCOMANDA}})
   AND (CDPRODUTO = :P_CDPRODUTO)
   AND EXISTS (SELECT 1
                 FROM VENDAREST VR
                WHERE (VR.CDFILIAL = ITCOMANDAVEN.CDFILIAL)
                  AND (VR.NRVENDAREST = ITCOMANDAVEN.NRVENDAREST)
                  AND (VR.DTHRFECHMESA IS NULL)))sql",
                                                                  // SQLite
                                                                  R"sql(DELETE FROM ITCOMANDAVEN
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND ({{NRCOMANDA in :P_NRCOMANDA}})
   AND (CDPRODUTO = :P_CDPRODUTO)
   AND EXISTS (SELECT 1
                 FROM VENDAREST VR
                WHERE (VR.CDFILIAL = ITCOMANDAVEN.CDFILIAL)
                  AND (VR.NRVENDAREST = ITCOMANDAVEN.NRVENDAREST)
                  AND (VR.DTHRFECHMESA IS NULL)))sql",
                                                              },
                                                              {});
  return definition;
}

}  // namespace conta::data::sql
