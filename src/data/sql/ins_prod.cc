// adqInsProd: one charge item into a comanda.
// One text for every database.
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqInsProd() {
  static const std::string text =
      R"sql(INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, QTPRODCOMVEN, VRPRECCOMVEN, TXPRODCOMVEN, IDSTPRCOMVEN, VRDESCCOMVEN, NRLUGARMESA, DTHRINCOMVEN, CDLOJA, VRACRCOMVEN, CDCAIXACOLETOR) VALUES (:P_CDFILIAL, :P_NRVENDAREST, :P_NRCOMANDA, :P_NRPRODCOMVEN, :P_CDPRODUTO, :P_QTPRODCOMVEN, :P_VRPRECCOMVEN, :P_TXPRODCOMVEN, :P_IDSTPRCOMVEN, :P_VRDESCCOMVEN, :P_NRLUGARMESA, :P_DTHRINCOMVEN, :P_CDLOJA, :P_VRACRCOMVEN, :P_CDCAIXACOLETOR))sql";
  static const StatementDefinition definition = {"adqInsProd",
                                                 false,
                                                 {text, text, text, text},
                                                 {{"P_QTPRODCOMVEN", db::ParamType::Float},
                                                  {"P_VRPRECCOMVEN", db::ParamType::Float},
                                                  {"P_VRDESCCOMVEN", db::ParamType::Float},
                                                  {"P_VRACRCOMVEN", db::ParamType::Float},
                                                  {"P_DTHRINCOMVEN", db::ParamType::DateTime}}};
  return definition;
}

}  // namespace conta::data::sql
