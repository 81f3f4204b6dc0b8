// adqProdConsumaCouvert: whether a product sits on a seat of a comanda, in any status.
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqProdConsumaCouvert() {
  static const std::string text =
      R"sql(SELECT 1 FROM ITCOMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA AND CDPRODUTO = :P_CDPRODUTO AND NRLUGARMESA = :P_NRLUGARMESA)sql";
  static const StatementDefinition definition = {
      "adqProdConsumaCouvert", false, {text, text, text, text}, {}};
  return definition;
}

}  // namespace conta::data::sql
