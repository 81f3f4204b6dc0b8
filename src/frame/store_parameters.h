// TParametrosLoja: the store parameters the data module holds once it has
// read the store's parameters file. The file's fields, and how each is read
// and written, are declared in bill/store_parameters_layout.h.
#ifndef CONTA_FRAME_STORE_PARAMETERS_H_
#define CONTA_FRAME_STORE_PARAMETERS_H_

#include <string>

namespace Srv_Xol41260 {

// The store parameters: the fields of the first record of the store's
// parameters file, named after them. Before the first load every text is
// empty, every number 0 and UTILIZAIMPFIS false.
struct TParametrosLoja {
  double VRCOMISVENDA = 0;       // service-charge percentage
  std::string CDFILIAL;          // branch
  std::string CDLOJA;            // store within the branch
  std::string CDCLIENTE;         // client of the charge items
  bool UTILIZAIMPFIS = false;    // the store prints through a fiscal printer
  std::string CDPRODCOUVER;      // cover-charge product
  std::string CDPRODCONSUM;      // minimum-consumption product, male consumer
  std::string CDPRODCONSUF;      // minimum-consumption product, any other consumer
  std::string IDCOUVERART;       // "S": the store charges the cover
  double PRECOCOUVERT = 0;       // cover price per person
  double PRECOCONSUMAMASC = 0;   // minimum consumption per person, male
  double PRECOCONSUMAFEMI = 0;   // minimum consumption per person, other
  std::string IDLUGARMESA;       // seat switch
  std::string CDCAIXA;           // cash register of the charge items
  std::string IDCOMISVENDA;      // service-charge mode: "S" percentage, "G" commissions
  std::string IDCONDESCTXSERV;   // which discounts go back into the
  std::string IDCONSDESCTXSERV;  // service-charge base
};

}  // namespace Srv_Xol41260

#endif  // CONTA_FRAME_STORE_PARAMETERS_H_
