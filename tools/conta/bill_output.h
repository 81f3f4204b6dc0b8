// How the tool shows a bill: a text a person reads, or one JSON object.
#ifndef CONTA_TOOLS_CONTA_BILL_OUTPUT_H_
#define CONTA_TOOLS_CONTA_BILL_OUTPUT_H_

#include <string>

#include "conta/conta.h"

namespace conta::cli {

struct BillHeading {
  std::string lista_comandas;
  std::string tipo_conta;
};

// The items grouped by comanda and seat, the persons, each charge and the
// total, with amounts in the Brazilian way (1.234,56).
std::string billText(const conta_bill& bill, const BillHeading& heading);

// {"entries":[...14 entries in index order, packets as objects...],
//  "VrConsumacao":..., ... the numeric entries under their names}
std::string billJson(const conta_bill& bill);

// {"error":{"message":"..."}}
std::string errorJson(const std::string& message);

}  // namespace conta::cli

#endif  // CONTA_TOOLS_CONTA_BILL_OUTPUT_H_
