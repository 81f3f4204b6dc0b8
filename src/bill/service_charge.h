// The service charge of a bill: a rate on the items that bear it, or the
// waiters' commissions, stored on the comandas as the seller commission.
#ifndef CONTA_BILL_SERVICE_CHARGE_H_
#define CONTA_BILL_SERVICE_CHARGE_H_

#include <optional>

#include "bill/bill_values.h"
#include "frame/data_module.h"

namespace Srv_Xol41260 {

// What the rate is applied to: the items that bear the charge plus the
// discounts the store does not let lower it, by its two discount switches
// (a flag "N" adds back the discounts it governs; the first rule that
// matches decides). nullopt when the switches match no rule.
struct BaseTaxaServico {
  long double valor = 0;
  double somados = 0;      // the discounts added back
  const char* quais = "";  // which: "descontos", "descontos manuais", ...
};
std::optional<BaseTaxaServico> BaseDaTaxaServico(const TParametrosLoja& loja, double itens,
                                                 double descontoManual, double descontoTotal);

// The bill's service charge, by the store's mode: a percentage of the
// chargeable items ("S") or the waiters' commissions ("G") through
// IncluiTaxa; any other mode works out none and leaves the comandas'
// commission alone. Sets `VrTaxaServico`, `VrTaxaCalculada` and the
// charge's explanation.
void CobraTaxaServico(TdtmFuncoesRev& dm, ValoresConta& v) CONTA_REQUIRES(moduleMutex);

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_SERVICE_CHARGE_H_
