#include "data/packet_layouts.h"

namespace conta::data {
namespace {

using T = FieldType;

}  // namespace

const std::vector<Field>& comandaPacketFields() {
  static const std::vector<Field> fields = {
      {"NRVENDAREST", T::String, 10},    {"NRCOMANDA", T::String, 10},
      {"CDCONSUMIDOR", T::String, 10},   {"CDCLIENTE", T::String, 10},
      {"DSCOMANDA", T::String, 30},      {"IDSTCOMANDA", T::String, 1},
      {"VRDESCOMANDA", T::Float},        {"VRCOMISVENDE", T::Float},
      {"CDVENDEDOR", T::String, 4},      {"NMFANVEN", T::String, 30},
      {"NRPESMESAVEN", T::Float},        {"NRMESA", T::String, 4},
      {"SGSEXOCON", T::String, 1},       {"VRACRCOMANDA", T::Float},
      {"DTHRABERMESA", T::DateTime},     {"CDCONSUMIDOR_1", T::String, 10},
      {"NMCONSUMIDOR", T::String, 50},   {"NMRAZSOCCLIE", T::String, 60},
      {"VRDESCFID", T::Float},           {"NRCPFFID4ALL", T::String, 14},
      {"NRCPFFIDUDS", T::String, 14},    {"VRDESCCASHUDS", T::Float},
      {"NRCPFINTEPROMO", T::String, 14}, {"IDPEDINTEPROMO", T::String, 1},
      {"IDORGCMDVENDA", T::String, 1},   {"CDTIPOCONS", T::String, 4},
      {"NRCPFCOREBANC", T::String, 14},  {"VRRESGCOREBANC", T::Float},
      {"VRRESGCORECORP", T::Float},      {"VRRESGCOREQUAL", T::Float},
  };
  return fields;
}

const std::vector<Field>& comandaValPacketFields() {
  static const std::vector<Field> fields = {
      {"NRVENDAREST", T::String, 10},  {"NRCOMANDA", T::String, 10},
      {"DSCOMANDA", T::String, 30},    {"IDSTCOMANDA", T::String, 1},
      {"IDUTILTXSERV", T::String, 1},  {"IDUTILCONSUMA", T::String, 1},
      {"IDUTILCOUVERT", T::String, 1},
  };
  return fields;
}

const std::vector<Field>& itemPacketFields() {
  static const std::vector<Field> fields = {
      {"NRPRODCOMVEN", T::String, 6},     {"CDFILIAL", T::String, 4},
      {"NRVENDAREST", T::String, 10},     {"NRCOMANDA", T::String, 10},
      {"CDPRODUTO", T::String, 10},       {"QTPRODCOMVEN", T::Float},
      {"VRPRECCOMVEN", T::Float},         {"VRDESCCOMVEN", T::Float},
      {"NRLUGARMESA", T::String, 3},      {"CDARVPROD", T::String, 20},
      {"NMPRODUTO", T::String, 50},       {"IDCOBTXSERV", T::String, 1},
      {"NRMESADSCOMORIT", T::String, 50}, {"VRACRCOMVEN", T::Float},
      {"CDVENDEDORITEM", T::String, 4},   {"TXPRODCOMVEN", T::String, 500},
      {"IDPROMO", T::String, 1},          {"CDPRODPROMOCAO", T::String, 20},
      {"VRPERCCOMISVEND", T::Float},      {"IDVRINCIDECONTA", T::String, 1},
      {"IDDIVIDECONTA", T::String, 1},    {"IDCHECK", T::String, 1},
      {"CDPRODRALIMENT", T::String, 10},  {"IDDESCMANUAL", T::String, 1},
      {"DSOBSFINVEN", T::String, 255},    {"NRSEQPRODCOM", T::String, 3},
      {"DTHRINCOMVEN", T::DateTime},      {"CDCUPOMDESCXOL", T::String, 10},
  };
  return fields;
}

}  // namespace conta::data
