// acmAlteraNumIt: the quantity of a product on one comanda. Its parameters
// carry no "P_" prefix. One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& acmAlteraNumIt() {
  static const std::string text =
      R"sql(UPDATE ITCOMANDAVEN SET QTPRODCOMVEN = :QTPRODCOMVEN WHERE CDFILIAL = :CDFILIAL AND NRVENDAREST = :NRVENDAREST AND NRCOMANDA = :NRCOMANDA AND CDPRODUTO = :CDPRODUTO)sql";
  static const StatementDefinition definition = {
      "acmAlteraNumIt", false, {text, text, text, text}, {{"QTPRODCOMVEN", db::ParamType::Float}}};
  return definition;
}

}  // namespace conta::data::sql
