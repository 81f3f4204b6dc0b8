// The fourteen result entries a bill hands its host, by index.
#ifndef CONTA_BILL_BILL_RESULT_H_
#define CONTA_BILL_BILL_RESULT_H_

#include <cstddef>

#include "bill/bill_values.h"
#include "conta/data_packet.h"
#include "conta/variant.h"

namespace Srv_Xol41260 {

inline constexpr std::size_t kResultEntries = 14;

// Writes entries 0 to 13 into `result` (an array of at least 14 elements),
// in index order, touching no other element.
void writeResult(conta::Variant& result, const ValoresConta& v, conta::DataPacket comandas,
                 conta::DataPacket itens);

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_BILL_RESULT_H_
