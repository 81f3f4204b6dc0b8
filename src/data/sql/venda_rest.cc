// adqVendaRest: the items of a product on the sales of the tables joined with
// the table of a comanda's sale, with their item number and unit price.
// Oracle and MS SQL Server run the text as it is. PostgreSQL and SQLite run
// it behind a check that the comanda's table is joined at all, the same
// sub-select on its own: without a junction there are no rows, and the
// outer selection, which walks every item of the product in the store's
// history, is not run.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqVendaRest() {
  static const std::string text =
      R"sql(SELECT A.NRPRODCOMVEN, A.VRPRECCOMVEN FROM (SELECT NRPRODCOMVEN, IC.VRPRECCOMVEN AS VRPRECCOMVEN FROM COMANDAVEN CV, VENDAREST VR, MESAJUNCAO MJ, ITCOMANDAVEN IC, FILIAL FI WHERE FI.CDFILIAL = :P_CDFILIAL AND FI.CDFILIAL = CV.CDFILIAL AND CV.CDFILIAL = VR.CDFILIAL AND CV.CDFILIAL = MJ.CDFILIAL AND CV.NRVENDAREST = VR.NRVENDAREST AND VR.NRMESA = MJ.NRMESA AND IC.NRCOMANDA = CV.NRVENDAREST AND IC.CDPRODUTO = :P_CDPRODUTO AND NRJUNMESA IN (SELECT MJ.NRJUNMESA FROM COMANDAVEN CV, VENDAREST VR, MESAJUNCAO MJ, FILIAL FI WHERE FI.CDFILIAL = :P_CDFILIAL AND FI.CDFILIAL = CV.CDFILIAL AND CV.CDFILIAL = VR.CDFILIAL AND CV.CDFILIAL = MJ.CDFILIAL AND CV.NRCOMANDA = :P_NRCOMANDA AND CV.NRVENDAREST = VR.NRVENDAREST AND VR.NRMESA = MJ.NRMESA)) A)sql";
  static const std::string juncoes =
      R"sql(SELECT MJ.NRJUNMESA FROM COMANDAVEN CV, VENDAREST VR, MESAJUNCAO MJ, FILIAL FI WHERE FI.CDFILIAL = :P_CDFILIAL AND FI.CDFILIAL = CV.CDFILIAL AND CV.CDFILIAL = VR.CDFILIAL AND CV.CDFILIAL = MJ.CDFILIAL AND CV.NRCOMANDA = :P_NRCOMANDA AND CV.NRVENDAREST = VR.NRVENDAREST AND VR.NRMESA = MJ.NRMESA)sql";
  static const std::string guarded = text + " WHERE EXISTS (" + juncoes + ")";
  static const StatementDefinition definition = {
      "adqVendaRest", false, {text, text, guarded, guarded}, {}};
  return definition;
}

}  // namespace conta::data::sql
