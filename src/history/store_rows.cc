#include "history/store_rows.h"

#include <array>

namespace conta::history {
namespace {

Cell c(const std::string& value) {
  return Cell(std::string_view(value));
}
Cell c(const std::optional<std::string>& value) {
  return value ? Cell(std::string_view(*value)) : Cell();
}
Cell c(double value) {
  return Cell(value);
}
Cell c(const std::optional<double>& value) {
  return value ? Cell(*value) : Cell();
}

template <std::size_t N>
void add(Loader& loader, const TableLayout& table, const std::array<Cell, N>& row) {
  loader.add(table, row);
}

const TableLayout kFILIAL{"FILIAL", {"CDFILIAL"}};
const TableLayout kLOJA{"LOJA", {"CDFILIAL", "CDLOJA", "IDCONTROPROD"}};
const TableLayout kVENDEDOR{"VENDEDOR",
                            {"CDVENDEDOR", "NMFANVEN", "VRPERCCOMISVEND", "IDVRINCIDECONTA"}};
const TableLayout kCLIENTE{"CLIENTE", {"CDCLIENTE", "NMRAZSOCCLIE"}};
const TableLayout kCONSUMIDOR{"CONSUMIDOR",
                              {"CDCLIENTE", "CDCONSUMIDOR", "NMCONSUMIDOR", "CDTIPOCONS"}};
const TableLayout kPRODUTO{"PRODUTO",
                           {"CDPRODUTO", "NMPRODUTO", "NMPRODIMPFIS", "CDARVPROD", "CDBARPRODUTO",
                            "IDCOBTXSERV", "IDPESAPROD"}};
const TableLayout kPRODRALIMENT{"PRODRALIMENT",
                                {"CDFILIAL", "CDPRODUTO", "CDCLIENTE", "CDCONSUMIDOR"}};
const TableLayout kPRODLOJA{"PRODLOJA", {"CDFILIAL", "CDLOJA", "CDPRODUTO", "CDSETOR"}};
const TableLayout kIMPOSTO{"IMPOSTO", {"CDIMPOSTO", "IDTPIMPOSFIS", "CDINTIMPOSTO"}};
const TableLayout kALIQIMPFIS{"ALIQIMPFIS", {"CDFILIAL", "CDPRODUTO", "CDIMPOSTO", "VRPEALIMPFIS"}};
const TableLayout kJUNCAOMESA{"JUNCAOMESA", {"CDFILIAL", "CDLOJA", "NRJUNMESA"}};
const TableLayout kMESAJUNCAO{"MESAJUNCAO", {"CDFILIAL", "CDLOJA", "NRJUNMESA", "NRMESA"}};
const TableLayout kVENDAREST{
    "VENDAREST",
    {"CDFILIAL", "NRVENDAREST", "CDLOJA", "NRMESA", "NRPESMESAVEN", "DTHRABERMESA", "DTHRFECHMESA",
     "CDVENDEDOR", "CDCLIENTE", "CDCONSUMIDOR"}};
const TableLayout kCOMANDAVEN{
    "COMANDAVEN",
    {"CDFILIAL", "NRVENDAREST", "NRCOMANDA", "CDLOJA", "DSCOMANDA", "DSCOMANDAPRI", "IDSTCOMANDA",
     "IDUTILTXSERV", "IDUTILCONSUMA", "IDUTILCOUVERT", "VRDESCOMANDA", "VRACRCOMANDA",
     "VRCOMISVENDE", "SGSEXOCON"}};
const TableLayout kITCOMANDAVEN{
    "ITCOMANDAVEN",
    {"CDFILIAL", "NRVENDAREST", "NRCOMANDA", "NRPRODCOMVEN", "CDPRODUTO", "QTPRODCOMVEN",
     "VRPRECCOMVEN", "VRPRECCLCOMVEN", "VRDESCCOMVEN", "VRACRCOMVEN", "TXPRODCOMVEN",
     "IDSTPRCOMVEN", "NRLUGARMESA", "DTHRINCOMVEN", "CDLOJA", "CDCAIXACOLETOR", "CDVENDEDOR",
     "IDDESCMANUAL", "IDPRODREFIL"}};

}  // namespace

void grava(Loader& loader, const Filial& r) {
  add<1>(loader, kFILIAL, {c(r.CDFILIAL)});
}

void grava(Loader& loader, const Loja& r) {
  add<3>(loader, kLOJA, {c(r.CDFILIAL), c(r.CDLOJA), c(r.IDCONTROPROD)});
}

void grava(Loader& loader, const Vendedor& r) {
  add<4>(loader, kVENDEDOR,
         {c(r.CDVENDEDOR), c(r.NMFANVEN), c(r.VRPERCCOMISVEND), c(r.IDVRINCIDECONTA)});
}

void grava(Loader& loader, const Cliente& r) {
  add<2>(loader, kCLIENTE, {c(r.CDCLIENTE), c(r.NMRAZSOCCLIE)});
}

void grava(Loader& loader, const Consumidor& r) {
  add<4>(loader, kCONSUMIDOR,
         {c(r.CDCLIENTE), c(r.CDCONSUMIDOR), c(r.NMCONSUMIDOR), c(r.CDTIPOCONS)});
}

void grava(Loader& loader, const Produto& r) {
  add<7>(loader, kPRODUTO,
         {c(r.CDPRODUTO), c(r.NMPRODUTO), c(r.NMPRODIMPFIS), c(r.CDARVPROD), c(r.CDBARPRODUTO),
          c(r.IDCOBTXSERV), c(r.IDPESAPROD)});
}

void grava(Loader& loader, const ProdRaliment& r) {
  add<4>(loader, kPRODRALIMENT, {c(r.CDFILIAL), c(r.CDPRODUTO), c(r.CDCLIENTE), c(r.CDCONSUMIDOR)});
}

void grava(Loader& loader, const ProdLoja& r) {
  add<4>(loader, kPRODLOJA, {c(r.CDFILIAL), c(r.CDLOJA), c(r.CDPRODUTO), c(r.CDSETOR)});
}

void grava(Loader& loader, const Imposto& r) {
  add<3>(loader, kIMPOSTO, {c(r.CDIMPOSTO), c(r.IDTPIMPOSFIS), c(r.CDINTIMPOSTO)});
}

void grava(Loader& loader, const AliqImpFis& r) {
  add<4>(loader, kALIQIMPFIS, {c(r.CDFILIAL), c(r.CDPRODUTO), c(r.CDIMPOSTO), c(r.VRPEALIMPFIS)});
}

void grava(Loader& loader, const JuncaoMesa& r) {
  add<3>(loader, kJUNCAOMESA, {c(r.CDFILIAL), c(r.CDLOJA), c(r.NRJUNMESA)});
}

void grava(Loader& loader, const MesaJuncao& r) {
  add<4>(loader, kMESAJUNCAO, {c(r.CDFILIAL), c(r.CDLOJA), c(r.NRJUNMESA), c(r.NRMESA)});
}

void grava(Loader& loader, const VendaRest& r) {
  add<10>(
      loader, kVENDAREST,
      {c(r.CDFILIAL), c(r.NRVENDAREST), c(r.CDLOJA), c(r.NRMESA), c(r.NRPESMESAVEN),
       c(r.DTHRABERMESA), c(r.DTHRFECHMESA), c(r.CDVENDEDOR), c(r.CDCLIENTE), c(r.CDCONSUMIDOR)});
}

void grava(Loader& loader, const ComandaVen& r) {
  add<14>(loader, kCOMANDAVEN,
          {c(r.CDFILIAL), c(r.NRVENDAREST), c(r.NRCOMANDA), c(r.CDLOJA), c(r.DSCOMANDA),
           c(r.DSCOMANDAPRI), c(r.IDSTCOMANDA), c(r.IDUTILTXSERV), c(r.IDUTILCONSUMA),
           c(r.IDUTILCOUVERT), c(r.VRDESCOMANDA), c(r.VRACRCOMANDA), c(r.VRCOMISVENDE),
           c(r.SGSEXOCON)});
}

void grava(Loader& loader, const ItComandaVen& r) {
  add<19>(
      loader, kITCOMANDAVEN,
      {c(r.CDFILIAL), c(r.NRVENDAREST), c(r.NRCOMANDA), c(r.NRPRODCOMVEN), c(r.CDPRODUTO),
       c(r.QTPRODCOMVEN), c(r.VRPRECCOMVEN), c(r.VRPRECCLCOMVEN), c(r.VRDESCCOMVEN),
       c(r.VRACRCOMVEN), c(r.TXPRODCOMVEN), c(r.IDSTPRCOMVEN), c(r.NRLUGARMESA), c(r.DTHRINCOMVEN),
       c(r.CDLOJA), c(r.CDCAIXACOLETOR), c(r.CDVENDEDOR), c(r.IDDESCMANUAL), c(r.IDPRODREFIL)});
}

const std::vector<const TableLayout*>& tabelasGravadas() {
  static const std::vector<const TableLayout*> tabelas = {
      &kFILIAL,     &kLOJA,         &kVENDEDOR,  &kCLIENTE,    &kCONSUMIDOR,
      &kPRODUTO,    &kPRODRALIMENT, &kPRODLOJA,  &kIMPOSTO,    &kALIQIMPFIS,
      &kJUNCAOMESA, &kMESAJUNCAO,   &kVENDAREST, &kCOMANDAVEN, &kITCOMANDAVEN};
  return tabelas;
}

}  // namespace conta::history
