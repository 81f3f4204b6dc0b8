// adqLoja: the production-control indicator of a store.
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqLoja() {
  static const std::string text =
      R"sql(SELECT IDCONTROPROD FROM LOJA WHERE (CDFILIAL = :P_CDFILIAL) AND (CDLOJA = :P_CDLOJA ))sql";
  static const StatementDefinition definition = {"adqLoja", false, {text, text, text, text}, {}};
  return definition;
}

}  // namespace conta::data::sql
