// adqConsumaComVen: a product's items on one comanda, one row per item
// number with its summed unit price and its count of rows.
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqConsumaComVen() {
  static const std::string text =
      R"sql(SELECT CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, SUM(VRPRECCOMVEN) AS VRPRECCOMVEN, COUNT(*) AS CONT FROM ITCOMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA AND CDPRODUTO = :P_CDPRODUTO GROUP BY CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN)sql";
  static const StatementDefinition definition = {
      "adqConsumaComVen", false, {text, text, text, text}, {}};
  return definition;
}

}  // namespace conta::data::sql
