// The edits of the comandas themselves: the seller commission.
#include "data/envelope.h"
#include "frame/data_module.h"

namespace Srv_Xol41260 {

using conta::data::envelope;
using conta::data::narrowText;

conta::Variant TdtmFuncoesRev::SetComisVenda(const std::wstring& CDFILIAL,
                                             const std::wstring& NRCOMANDA, double VRCOMISVENDE) {
  return envelope(adcFuncoesRev, [&] {
    adqComissVenda.setParameter("P_CDFILIAL", narrowText(CDFILIAL));
    adqComissVenda.setParameter("P_NRCOMANDA", narrowText(NRCOMANDA));
    adqComissVenda.setParameter("P_COMISSVENDA", conta::Variant(VRCOMISVENDE));
    adqComissVenda.execSql();  // a query that only writes
    return conta::Variant();
  });
}

}  // namespace Srv_Xol41260
