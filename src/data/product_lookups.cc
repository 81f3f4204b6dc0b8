// The lookups of the charge products: their taxes in the branch and their
// product row.
#include "data/envelope.h"
#include "frame/data_module.h"

namespace Srv_Xol41260 {

using conta::data::envelope;
using conta::data::narrowText;

conta::Variant TdtmFuncoesRev::getImposto(const std::wstring& CDFILIAL,
                                          const std::wstring& CDPRODUTO) {
  return envelope(adcFuncoesRev, [&] {
    adqAliqImpFis.setParameter("P_CDFILIAL", narrowText(CDFILIAL));
    adqAliqImpFis.setParameter("P_CDPRODUTO", narrowText(CDPRODUTO));
    // The provider runs the query afresh and closes it again.
    return conta::Variant(dspAliqImpFis.data());
  });
}

conta::Variant TdtmFuncoesRev::GetProdCouCon(const std::wstring& CDPRODUTO) {
  return envelope(adcFuncoesRev, [&] {
    adqProdCouCon.close();
    adqProdCouCon.setParameter("P_CDPRODUTO", narrowText(CDPRODUTO));
    adqProdCouCon.open();
    return conta::Variant(dspProdCouCon.data());
  });
}

}  // namespace Srv_Xol41260
