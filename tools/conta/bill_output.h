// How the tool shows a bill: a text a person reads, or one JSON object.
#ifndef CONTA_TOOLS_CONTA_BILL_OUTPUT_H_
#define CONTA_TOOLS_CONTA_BILL_OUTPUT_H_

#include <filesystem>
#include <optional>
#include <string>

#include "conta/conta.h"

namespace conta::cli {

// What the bill was asked for.
struct BillHeading {
  std::string lista_comandas;
  std::string tipo_conta;
  bool cobra_consumacao = false;
  bool cobra_couvert = false;
  bool cobra_taxa = false;
};

// The house rules the charges follow, as the store's parameters file
// PARAMETROSXOL.CDS gives them to the bill: the text explains each charge
// with them. Only the fields the charges' rules read.
struct ParametrosLoja {
  double VRCOMISVENDA = 0;       // the service charge, in percent of its base
  std::string IDCOMISVENDA;      // "S" a rate on the items, "G" the waiters' commissions
  std::string IDCONDESCTXSERV;   // "N": manual discounts do not lower the service charge
  std::string IDCONSDESCTXSERV;  // "N": the other discounts do not lower it
  std::string CDPRODCOUVER;      // the cover product
  std::string IDCOUVERART;       // "S": a bill asking for the cover adds its item
  double PRECOCOUVERT = 0;       // the cover per person
  std::string IDLUGARMESA;       // the seat switch: reserved tables ("RES") by seat
};

// The parameters file of a host directory, found as the bill module finds
// it (whatever the case of its name); nullopt when it is missing or cannot
// be read, and the bill is then shown without the rules.
std::optional<ParametrosLoja> leParametrosLoja(const std::filesystem::path& host_directory);

// The items grouped by comanda and seat, the persons, each charge with its
// rule (or why it was not billed) and the total, with amounts in the
// Brazilian way (1.234,56).
std::string billText(const conta_bill& bill, const BillHeading& heading,
                     const std::optional<ParametrosLoja>& parametros);

// {"entries":[...14 entries in index order, packets as {"fields","rows"}...],
//  "VrConsumacao":..., ... the numeric entries under their names}
std::string billJson(const conta_bill& bill);

// {"error":{"message":"..."}}
std::string errorJson(const std::string& message);

}  // namespace conta::cli

#endif  // CONTA_TOOLS_CONTA_BILL_OUTPUT_H_
