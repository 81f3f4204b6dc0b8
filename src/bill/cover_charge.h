// The cover charge of a bill: one unit of the store's cover product per
// person, kept on the comanda as an ordinary item.
#ifndef CONTA_BILL_COVER_CHARGE_H_
#define CONTA_BILL_COVER_CHARGE_H_

#include "bill/bill_values.h"
#include "frame/data_module.h"

namespace Srv_Xol41260 {

// The bill's cover: when the bill carries it, re-counts the sale's cover
// items from the persons, adds or re-counts the cover item through
// IncluiCouver when the amount changed (and the store charges a cover), and
// reloads the bill's items; when it does not, every cover item leaves the
// items and the database. Sets `VrCouvert`.
void CobraCouvertArtistico(TdtmFuncoesRev& dm, ValoresConta& v) CONTA_REQUIRES(moduleMutex);

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_COVER_CHARGE_H_
