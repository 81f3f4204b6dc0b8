// adqComissVenda: the service charge of the bill, stored on every comanda
// of the list as its seller commission. Only comandas of open sales: a
// closed sale that used the same comanda number keeps its commission.
// On PostgreSQL and SQLite the comanda list test is written
// "{{COLUMN in :LIST}}" and expanded as data/list_matching.h says; SQLite
// starts from the list's numbers instead and updates the comandas it finds
// by key. There a comanda that already carries the commission is not
// written again, which also keeps SQLite, on a store without statistics,
// from taking the primary key's branch prefix (it holds every column the
// search would otherwise read) over the comanda index.
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
          // SQLite: the comandas found from the list's numbers, by key.
          R"sql(UPDATE COMANDAVEN SET VRCOMISVENDE = :P_COMISSVENDA
 WHERE (CDFILIAL, NRVENDAREST, NRCOMANDA) IN
       (SELECT CO.CDFILIAL, CO.NRVENDAREST, CO.NRCOMANDA
          FROM {{substrings of :P_NRCOMANDA}} LC
          CROSS JOIN COMANDAVEN CO
          CROSS JOIN VENDAREST VR ON (VR.CDFILIAL = CO.CDFILIAL) AND (VR.NRVENDAREST = CO.NRVENDAREST)
         WHERE (CO.CDFILIAL = :P_CDFILIAL)
           AND ({{CO.NRCOMANDA matches LC}})
           AND (VR.DTHRFECHMESA IS NULL)
           AND (CO.VRCOMISVENDE IS NOT :P_COMISSVENDA)))sql",
      },
      {{"P_COMISSVENDA", db::ParamType::Float}});
  return definition;
}

}  // namespace conta::data::sql
