#include "bill/bill_result.h"

#include <array>

namespace Srv_Xol41260 {

void writeResult(conta::Variant& result, const ValoresConta& v, conta::DataPacket comandas,
                 conta::DataPacket itens) {
  // Everything is made before the first entry is written: a failure leaves
  // the host's array as it was.
  std::array<conta::Variant, kResultEntries> entries = {
      conta::Variant(v.VrConsumacao),      conta::Variant(v.VrTotalConta),
      conta::Variant(v.VrTotalItens),      conta::Variant(v.VrBaseTaxa),
      conta::Variant(v.VrPrecoConsumacao), conta::Variant(v.VrCouvert),
      conta::Variant(v.VrTaxaServico),     conta::Variant(v.VrAcrescimoComandas),
      conta::Variant(v.VrTotalDesconto),   conta::Variant(std::move(comandas)),
      conta::Variant(std::move(itens)),    conta::Variant(v.QtdePessoas),
      conta::Variant(v.VrTaxaCalculada),   conta::Variant(v.VrDescontoManual),
  };
  for (std::size_t i = 0; i < entries.size(); ++i)
    result.set(i, std::move(entries[i]));
}

}  // namespace Srv_Xol41260
