// acmAlteraVrConsuma: the new unit price and inclusion time of one item
// number of a product on a comanda.
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& acmAlteraVrConsuma() {
  static const std::string text =
      R"sql(UPDATE ITCOMANDAVEN SET VRPRECCOMVEN = :P_VRPRECCOMVEN, DTHRINCOMVEN = :P_DTHRINCOMVEN WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA AND CDPRODUTO = :P_CDPRODUTO AND NRPRODCOMVEN =:P_NRPRODCOMVEN)sql";
  static const StatementDefinition definition = {
      "acmAlteraVrConsuma",
      false,
      {text, text, text, text},
      {{"P_VRPRECCOMVEN", db::ParamType::Float}, {"P_DTHRINCOMVEN", db::ParamType::DateTime}}};
  return definition;
}

}  // namespace conta::data::sql
