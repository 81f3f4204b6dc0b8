// acmCalculaCouvert: the quantity of one cover item, named by its sale,
// comanda and item number (a sale's other comandas may not be in the bill).
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& acmCalculaCouvert() {
  static const std::string text =
      R"sql(UPDATE ITCOMANDAVEN SET QTPRODCOMVEN = :P_QTPRODCOMVEN WHERE (CDFILIAL = :P_CDFILIAL ) AND (NRVENDAREST = :P_NRVENDAREST ) AND (NRCOMANDA = :P_NRCOMANDA ) AND (NRPRODCOMVEN = :P_NRPRODCOMVEN ) AND (CDPRODUTO = :P_CDPRODUTO ))sql";
  static const StatementDefinition definition = {"acmCalculaCouvert",
                                                 false,
                                                 {text, text, text, text},
                                                 {{"P_QTPRODCOMVEN", db::ParamType::Float}}};
  return definition;
}

}  // namespace conta::data::sql
