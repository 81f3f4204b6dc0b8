// adqAliqImpFis: the taxes of a product in a branch: one row per rate row that has its tax.
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqAliqImpFis() {
  static const std::string text =
      R"sql(SELECT AL.VRPEALIMPFIS, AL.CDIMPOSTO, IP.IDTPIMPOSFIS, IP.CDINTIMPOSTO FROM ALIQIMPFIS AL, IMPOSTO IP WHERE (AL.CDFILIAL = :P_CDFILIAL ) AND (AL.CDPRODUTO = :P_CDPRODUTO) AND (AL.CDIMPOSTO = IP.CDIMPOSTO))sql";
  static const StatementDefinition definition = {
      "adqAliqImpFis", false, {text, text, text, text}, {}};
  return definition;
}

}  // namespace conta::data::sql
