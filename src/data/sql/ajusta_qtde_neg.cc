// acmAjustaQtdeNeg: turns the negative item quantities of the listed
// comandas positive; zero and positive quantities are not touched.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& acmAjustaQtdeNeg() {
  static const StatementDefinition definition = {
      "acmAjustaQtdeNeg",
      true,
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
   AND (strpos(:P_NRCOMANDA, NULLIF(NRCOMANDA, '')) <> 0)
   AND (QTPRODCOMVEN < 0))sql",
          // SQLite
          R"sql(UPDATE ITCOMANDAVEN
   SET QTPRODCOMVEN = ABS(QTPRODCOMVEN)
 WHERE (CDFILIAL = :P_CDFILIAL)
   AND (instr(:P_NRCOMANDA, NULLIF(NRCOMANDA, '')) <> 0)
   AND (QTPRODCOMVEN < 0))sql",
      },
      {},
  };
  return definition;
}

}  // namespace conta::data::sql
