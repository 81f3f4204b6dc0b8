// acmAjustaQtdeNeg: turns the negative item quantities of the listed
// comandas of open sales positive; zero and positive quantities, and closed
// sales that used the same comanda number, are not touched.
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
   AND (QTPRODCOMVEN < 0)
   AND EXISTS (SELECT 1
                 FROM VENDAREST VR
                WHERE (VR.CDFILIAL = ITCOMANDAVEN.CDFILIAL)
                  AND (VR.NRVENDAREST = ITCOMANDAVEN.NRVENDAREST)
                  AND (VR.DTHRFECHMESA IS NULL)))sql",
                                                                  // MS SQL Server
                                                                  R"sql(UPDATE ITCOMANDAVEN
   SET QTPRODCOMVEN = ABS(QTPRODCOMVEN)
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND (CHARINDEX(NRCOMANDA, :P_NRCOMANDA) <> 0)
   AND (QTPRODCOMVEN < 0)
   AND EXISTS (SELECT 1
                 FROM VENDAREST VR
                WHERE (VR.CDFILIAL = ITCOMANDAVEN.CDFILIAL)
                  AND (VR.NRVENDAREST = ITCOMANDAVEN.NRVENDAREST)
                  AND (VR.DTHRFECHMESA IS NULL)))sql",
                                                                  // PostgreSQL
                                                                  R"sql(UPDATE ITCOMANDAVEN
   SET QTPRODCOMVEN = ABS(QTPRODCOMVEN)
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND ({{NRCOMANDA in :P_NRCOMANDA}})
   AND (QTPRODCOMVEN < 0)
   AND EXISTS (SELECT 1
                 FROM VENDAREST VR
                WHERE (VR.CDFILIAL = ITCOMANDAVEN.CDFILIAL)
                  AND (VR.NRVENDAREST = ITCOMANDAVEN.NRVENDAREST)
                  AND (VR.DTHRFECHMESA IS NULL)))sql",
                                                                  // SQLite
                                                                  R"sql(UPDATE ITCOMANDAVEN
   SET QTPRODCOMVEN = ABS(QTPRODCOMVEN)
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND ({{NRCOMANDA in :P_NRCOMANDA}})
   AND (QTPRODCOMVEN < 0)
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
