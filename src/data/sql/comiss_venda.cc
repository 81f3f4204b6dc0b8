// adqComissVenda: the service charge of the bill, stored on every comanda
// of the list as its seller commission.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqComissVenda() {
  static const StatementDefinition definition = {
      "adqComissVenda",
      true,
      {
          // Oracle
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND (INSTR(:P_NRCOMANDA, NRCOMANDA) <> 0))sql",
          // MS SQL Server
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND(CHARINDEX(NRCOMANDA, :P_NRCOMANDA) <> 0))sql",
          // PostgreSQL
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND (strpos(:P_NRCOMANDA, NULLIF(NRCOMANDA, '')) <> 0))sql",
          // SQLite
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND (instr(:P_NRCOMANDA, NULLIF(NRCOMANDA, '')) <> 0))sql",
      },
      {{"P_COMISSVENDA", db::ParamType::Float}},
  };
  return definition;
}

}  // namespace conta::data::sql
