// adqVerifConsumaCouvert: how many items of a product a comanda holds in status "1" or "4".
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqVerifConsumaCouvert() {
  static const std::string text =
      R"sql(SELECT COUNT(CDPRODUTO) AS QTDECONSUMCOUVER FROM ITCOMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA AND CDPRODUTO = :P_CDPRODUTO AND (IDSTPRCOMVEN = '1' OR IDSTPRCOMVEN = '4'))sql";
  static const StatementDefinition definition = {
      "adqVerifConsumaCouvert", false, {text, text, text, text}, {}};
  return definition;
}

}  // namespace conta::data::sql
