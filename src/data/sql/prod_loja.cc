// adqProdLoja: the store's sector for a product.
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqProdLoja() {
  static const std::string text =
      R"sql(SELECT CDSETOR FROM PRODLOJA WHERE CDFILIAL = :P_CDFILIAL AND CDLOJA = :P_CDLOJA AND CDPRODUTO = :P_CDPRODUTO)sql";
  static const StatementDefinition definition = {
      "adqProdLoja", false, {text, text, text, text}, {}};
  return definition;
}

}  // namespace conta::data::sql
