// The item lookups and edits of the data module: the items of a bill, the
// sign of their quantities, and the removal of a product's items.
#include "data/envelope.h"
#include "frame/data_module.h"
#include "support/consiste.h"

namespace Srv_Xol41260 {

using conta::data::envelope;
using conta::data::narrowText;

conta::Variant TdtmFuncoesRev::GetItProdVend(const std::wstring& CDFILIAL,
                                             const std::wstring& NRCOMANDA,
                                             const std::wstring& NRLUGARMESA,
                                             const std::wstring& LNRPRODCOMVEN) {
  return envelope(adcFuncoesRev, [&] {
    adqItProdVend.close();
    adqItProdVend.setParameter("P_CDFILIAL", narrowText(CDFILIAL));
    adqItProdVend.setParameter("P_NRCOMANDA", narrowText(NRCOMANDA));
    // The seat text is both the list and the all-seats flag ("T").
    adqItProdVend.setParameter("P_NRLUGARMESA", narrowText(NRLUGARMESA));
    adqItProdVend.setParameter("P_TNRLUGARMESA", narrowText(NRLUGARMESA));
    conta::Variant exclusions = narrowText(LNRPRODCOMVEN);
    adqItProdVend.setParameter("P_LNRPRODCOMVEN", exclusions);
    // An empty exclusion list leaves nothing out.
    adqItProdVend.setParameter("P_TNRPRODCOMVEN",
                               Consiste::iif(Consiste::EmptyString(exclusions.text()),
                                             conta::Variant("T"), conta::Variant("")));
    adqItProdVend.open();  // a static cursor, open until the next call
    return conta::Variant(dspItProdVend.data());
  });
}

conta::Variant TdtmFuncoesRev::SetRetiraItem(const std::wstring& CDFILIAL,
                                             const std::wstring& NRCOMANDA,
                                             const std::wstring& CDPRODUTO) {
  return envelope(adcFuncoesRev, [&] {
    acmRetiraItem.setParameter("P_CDFILIAL", narrowText(CDFILIAL));
    acmRetiraItem.setParameter("P_NRCOMANDA", narrowText(NRCOMANDA));
    acmRetiraItem.setParameter("P_CDPRODUTO", narrowText(CDPRODUTO));
    acmRetiraItem.execute();
    return conta::Variant();
  });
}

conta::Variant TdtmFuncoesRev::AjustaQtdeNeg(const std::wstring& CDFILIAL,
                                             const std::wstring& NRCOMANDA) {
  return envelope(adcFuncoesRev, [&] {
    acmAjustaQtdeNeg.setParameter("P_CDFILIAL", narrowText(CDFILIAL));
    acmAjustaQtdeNeg.setParameter("P_NRCOMANDA", narrowText(NRCOMANDA));
    acmAjustaQtdeNeg.execute();
    return conta::Variant();
  });
}

}  // namespace Srv_Xol41260
