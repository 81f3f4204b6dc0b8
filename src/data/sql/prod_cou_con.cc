// adqProdCouCon: every column of one product's row.
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqProdCouCon() {
  static const std::string text = R"sql(SELECT * FROM PRODUTO WHERE CDPRODUTO = :P_CDPRODUTO)sql";
  static const StatementDefinition definition = {
      "adqProdCouCon", false, {text, text, text, text}, {}};
  return definition;
}

}  // namespace conta::data::sql
