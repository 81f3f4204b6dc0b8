// acmCalculaCouvert: the quantity of every cover item of a sale.
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& acmCalculaCouvert() {
  static const std::string text =
      R"sql(UPDATE ITCOMANDAVEN SET QTPRODCOMVEN = :P_QTPRODCOMVEN WHERE (CDFILIAL = :P_CDFILIAL ) AND (NRVENDAREST = :P_NRVENDAREST ) AND (CDPRODUTO = :P_CDPRODUTO ))sql";
  static const StatementDefinition definition = {"acmCalculaCouvert",
                                                 false,
                                                 {text, text, text, text},
                                                 {{"P_QTPRODCOMVEN", db::ParamType::Float}}};
  return definition;
}

}  // namespace conta::data::sql
