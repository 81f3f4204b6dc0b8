// acmRetiraItemCobranca: deletes one charge item, named by its sale, comanda
// and item number: a second cover or consumption row of a bill.
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& acmRetiraItemCobranca() {
  static const std::string text =
      R"sql(DELETE FROM ITCOMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA AND NRPRODCOMVEN = :P_NRPRODCOMVEN AND CDPRODUTO = :P_CDPRODUTO)sql";
  static const StatementDefinition definition = {
      "acmRetiraItemCobranca", false, {text, text, text, text}, {}};
  return definition;
}

}  // namespace conta::data::sql
