// adqComissVenda: the service charge of the bill, stored on every comanda
// of the list as its seller commission. Only comandas of open sales: a
// closed sale that used the same comanda number keeps its commission.
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
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND (INSTR(:P_NRCOMANDA, NRCOMANDA) <> 0) AND EXISTS (SELECT 1 FROM VENDAREST VR WHERE VR.CDFILIAL = COMANDAVEN.CDFILIAL AND VR.NRVENDAREST = COMANDAVEN.NRVENDAREST AND VR.DTHRFECHMESA IS NULL))sql",
          // MS SQL Server
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND(CHARINDEX(NRCOMANDA, :P_NRCOMANDA) <> 0) AND EXISTS (SELECT 1 FROM VENDAREST VR WHERE VR.CDFILIAL = COMANDAVEN.CDFILIAL AND VR.NRVENDAREST = COMANDAVEN.NRVENDAREST AND VR.DTHRFECHMESA IS NULL))sql",
          // PostgreSQL
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND ({{NRCOMANDA in :P_NRCOMANDA}}) AND EXISTS (SELECT 1 FROM VENDAREST VR WHERE VR.CDFILIAL = COMANDAVEN.CDFILIAL AND VR.NRVENDAREST = COMANDAVEN.NRVENDAREST AND VR.DTHRFECHMESA IS NULL))sql",
          // SQLite
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA WHERE (CDFILIAL = :P_CDFILIAL) AND ({{NRCOMANDA in :P_NRCOMANDA}}) AND EXISTS (SELECT 1 FROM VENDAREST VR WHERE VR.CDFILIAL = COMANDAVEN.CDFILIAL AND VR.NRVENDAREST = COMANDAVEN.NRVENDAREST AND VR.DTHRFECHMESA IS NULL))sql",
      },
      {{"P_COMISSVENDA", db::ParamType::Float}});
  return definition;
}

}  // namespace conta::data::sql
