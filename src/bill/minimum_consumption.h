// The minimum consumption of a bill: the shortfall of what the comanda
// consumed against the minimum, charged as one item of the store's
// consumption product and kept in step with every recalculation.
#ifndef CONTA_BILL_MINIMUM_CONSUMPTION_H_
#define CONTA_BILL_MINIMUM_CONSUMPTION_H_

#include "bill/bill_values.h"
#include "frame/data_module.h"

namespace Srv_Xol41260 {

// The bill's consumption charge: decides whether the minimum applies (not
// for a "RES" comanda of a store that bills by seat), drops an item priced
// above the minimum, charges the shortfall through IncluiConsuma into
// `VrConsumacao`, and removes the product's item from the base comanda when
// there is nothing to charge.
void CobraConsumacaoMinima(TdtmFuncoesRev& dm, ValoresConta& v) CONTA_REQUIRES(moduleMutex);

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_MINIMUM_CONSUMPTION_H_
