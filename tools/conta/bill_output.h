// How the tool shows a bill: a text a person reads, or one JSON object.
// Both come from what the library hands back: the fourteen entries and the
// bill's explanation (conta_calcula_explicada); the tool keeps no rule of
// the bill's own.
#ifndef CONTA_TOOLS_CONTA_BILL_OUTPUT_H_
#define CONTA_TOOLS_CONTA_BILL_OUTPUT_H_

#include <string>

#include "conta/conta.h"

namespace conta::cli {

// What the bill was asked for.
struct BillHeading {
  std::string lista_comandas;
  std::string tipo_conta;
};

// The items grouped by comanda and seat, the persons, each charge with its
// rule (or why it was not billed) and the total, with amounts in the
// Brazilian way (1.234,56), from the bill's explanation alone.
std::string billText(const std::string& explicacao, const BillHeading& heading);

// {"entries":[...14 entries in index order, packets as {"fields","rows"}...],
//  "VrConsumacao":..., ... the numeric entries under their names,
//  "explicacao":{...the bill's explanation...}}
std::string billJson(const conta_bill& bill, const std::string& explicacao);

// {"error":{"message":"..."}}
std::string errorJson(const std::string& message);

}  // namespace conta::cli

#endif  // CONTA_TOOLS_CONTA_BILL_OUTPUT_H_
