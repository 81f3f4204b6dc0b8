// The packets the data module hands out, declared once: the 30 columns of
// the comanda packet and the 28 fields of the item packet, with the types and
// widths every database delivers them in.
#ifndef CONTA_DATA_PACKET_LAYOUTS_H_
#define CONTA_DATA_PACKET_LAYOUTS_H_

#include <vector>

#include "conta/data_packet.h"

namespace conta::data {

// The comanda packet of getListaCmd, in column order; the second
// CDCONSUMIDOR (the consumer's own) is CDCONSUMIDOR_1.
const std::vector<Field>& comandaPacketFields();

// The seven switch columns of getComandaVal.
const std::vector<Field>& comandaValPacketFields();

// The item packet of GetItProdVend: the persistent fields of adqItProdVend.
const std::vector<Field>& itemPacketFields();

}  // namespace conta::data

#endif  // CONTA_DATA_PACKET_LAYOUTS_H_
