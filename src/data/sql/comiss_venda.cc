// adqComissVenda: the service charge of the bill, stored on every comanda
// of the list as its seller commission.
// On PostgreSQL and SQLite the comanda list test is written
// "{{COLUMN in :LIST}}" and expanded as data/list_matching.h says.
#include "data/list_matching.h"
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqComissVenda() {
  static const StatementDefinition definition = listStatement(
      "adqComissVenda",
      {
          // Oracle
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND (INSTR(:P_NRCOMANDA, NRCOMANDA) <> 0))sql",
          // MS SQL Server
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND(CHARINDEX(NRCOMANDA, :P_NRCOMANDA) <> 0))sql",
          // PostgreSQL
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND ({{NRCOMANDA in :P_NRCOMANDA}}))sql",
          // SQLite
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND ({{NRCOMANDA in :P_NRCOMANDA}}))sql",
      },
      {{"P_COMISSVENDA", db::ParamType::Float}});
  return definition;
}

}  // namespace conta::data::sql
