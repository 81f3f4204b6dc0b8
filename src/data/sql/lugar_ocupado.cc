// adqLugarOcupado: the seats in use on a comanda of a sale.
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqLugarOcupado() {
  static const std::string text =
      R"sql(SELECT NRLUGARMESA FROM ITCOMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA GROUP BY NRLUGARMESA)sql";
  static const StatementDefinition definition = {
      "adqLugarOcupado", false, {text, text, text, text}, {}};
  return definition;
}

}  // namespace conta::data::sql
