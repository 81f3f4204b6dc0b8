// adqComandaAgrupada: how many comandas of the branch name a comanda text as
// their principal, whatever their status or sale. One text for every
// database; the derived table is named, as MS SQL Server and PostgreSQL ask.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqComandaAgrupada() {
  static const std::string text =
      R"sql(SELECT NRPESSOAS
  FROM (SELECT COUNT(*) NRPESSOAS
          FROM COMANDAVEN
         WHERE (CDFILIAL = :P_CDFILIAL)
           AND (DSCOMANDAPRI = :P_LCOMANDA)) CMDAGRUPADA)sql";
  static const StatementDefinition definition = {
      "adqComandaAgrupada", false, {text, text, text, text}, {}};
  return definition;
}

}  // namespace conta::data::sql
