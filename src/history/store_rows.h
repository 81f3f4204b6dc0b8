// The rows of the store tables the history fills, one struct per table with
// the columns it sets (the others stay NULL, or take the schema's DEFAULT),
// and grava() writing one row through a loader. Each table's columns are
// declared once, in store_rows.cc, beside the code that puts them in order.
#ifndef CONTA_HISTORY_STORE_ROWS_H_
#define CONTA_HISTORY_STORE_ROWS_H_

#include <optional>
#include <string>
#include <vector>

#include "history/loader.h"

namespace conta::history {

struct Filial {
  std::string CDFILIAL;
};

struct Loja {
  std::string CDFILIAL, CDLOJA, IDCONTROPROD;
};

struct Vendedor {
  std::string CDVENDEDOR, NMFANVEN;
  double VRPERCCOMISVEND = 0;
  std::string IDVRINCIDECONTA;
};

struct Cliente {
  std::string CDCLIENTE, NMRAZSOCCLIE;
};

struct Consumidor {
  std::string CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, CDTIPOCONS;
};

struct ProdRaliment {
  std::string CDFILIAL, CDPRODUTO, CDCLIENTE, CDCONSUMIDOR;
};

struct Produto {
  std::string CDPRODUTO, NMPRODUTO;
  std::optional<std::string> NMPRODIMPFIS;
  std::string CDARVPROD;
  std::optional<std::string> CDBARPRODUTO;
  std::string IDCOBTXSERV, IDPESAPROD;
};

struct ProdLoja {
  std::string CDFILIAL, CDLOJA, CDPRODUTO, CDSETOR;
};

struct Imposto {
  std::string CDIMPOSTO, IDTPIMPOSFIS, CDINTIMPOSTO;
};

struct AliqImpFis {
  std::string CDFILIAL, CDPRODUTO, CDIMPOSTO;
  double VRPEALIMPFIS = 0;
};

struct JuncaoMesa {
  std::string CDFILIAL, CDLOJA, NRJUNMESA;
};

struct MesaJuncao {
  std::string CDFILIAL, CDLOJA, NRJUNMESA, NRMESA;
};

// Date-times are text, "2026-11-30 20:05:00.000", as both engines take them.
struct VendaRest {
  std::string CDFILIAL, NRVENDAREST, CDLOJA, NRMESA;
  double NRPESMESAVEN = 0;
  std::string DTHRABERMESA;
  std::optional<std::string> DTHRFECHMESA;  // nullopt while the sale is open
  std::string CDVENDEDOR;
  std::optional<std::string> CDCLIENTE, CDCONSUMIDOR;
};

struct ComandaVen {
  std::string CDFILIAL, NRVENDAREST, NRCOMANDA, CDLOJA, DSCOMANDA;
  std::optional<std::string> DSCOMANDAPRI;
  std::string IDSTCOMANDA, IDUTILTXSERV, IDUTILCONSUMA, IDUTILCOUVERT;
  double VRDESCOMANDA = 0, VRACRCOMANDA = 0, VRCOMISVENDE = 0;
  std::string SGSEXOCON;
};

struct ItComandaVen {
  std::string CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO;
  double QTPRODCOMVEN = 0, VRPRECCOMVEN = 0;
  std::optional<double> VRPRECCLCOMVEN;  // the price of an addition, beside the product's
  double VRDESCCOMVEN = 0, VRACRCOMVEN = 0;
  std::optional<std::string> TXPRODCOMVEN;
  std::string IDSTPRCOMVEN, NRLUGARMESA, DTHRINCOMVEN, CDLOJA, CDCAIXACOLETOR;
  std::optional<std::string> CDVENDEDOR;
  std::string IDDESCMANUAL, IDPRODREFIL;
};

void grava(Loader& loader, const Filial& row);
void grava(Loader& loader, const Loja& row);
void grava(Loader& loader, const Vendedor& row);
void grava(Loader& loader, const Cliente& row);
void grava(Loader& loader, const Consumidor& row);
void grava(Loader& loader, const Produto& row);
void grava(Loader& loader, const ProdRaliment& row);
void grava(Loader& loader, const ProdLoja& row);
void grava(Loader& loader, const Imposto& row);
void grava(Loader& loader, const AliqImpFis& row);
void grava(Loader& loader, const JuncaoMesa& row);
void grava(Loader& loader, const MesaJuncao& row);
void grava(Loader& loader, const VendaRest& row);
void grava(Loader& loader, const ComandaVen& row);
void grava(Loader& loader, const ItComandaVen& row);

// Every table the history writes to, for checks against the store schema.
const std::vector<const TableLayout*>& tabelasGravadas();

}  // namespace conta::history

#endif  // CONTA_HISTORY_STORE_ROWS_H_
