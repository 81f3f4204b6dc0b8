// The comanda lookups of the data module: which comandas a bill covers, how
// they are set up, and how many comandas are grouped under a principal.
#include "data/envelope.h"
#include "frame/data_module.h"

namespace Srv_Xol41260 {

using conta::data::envelope;
using conta::data::narrowText;

conta::Variant TdtmFuncoesRev::getListaCmd(const std::wstring& CDFILIAL,
                                           const std::wstring& LCOMANDA) {
  return envelope(adcFuncoesRev, [&] {
    adqListaComanda.setParameter("P_CDFILIAL", narrowText(CDFILIAL));
    adqListaComanda.setParameter("P_LCOMANDA", narrowText(LCOMANDA));
    // The provider runs the statement anew, packs all rows and closes it.
    return conta::Variant(dspListaComanda.data());
  });
}

conta::Variant TdtmFuncoesRev::getCmdAgrupada(const std::wstring& CDFILIAL,
                                              const std::wstring& DSCOMANDA) {
  return envelope(adcFuncoesRev, [&] {
    adqComandaAgrupada.setParameter("P_CDFILIAL", narrowText(CDFILIAL));
    // One comanda text, compared by equality, under the list's name.
    adqComandaAgrupada.setParameter("P_LCOMANDA", narrowText(DSCOMANDA));
    return conta::Variant(dspComandaAgrupada.data());
  });
}

conta::Variant TdtmFuncoesRev::getComandaVal(const std::wstring& CDFILIAL, const std::wstring&,
                                             const std::wstring& LCOMANDA) {
  return envelope(adcFuncoesRev, [&] {
    adqComandaVal.close();
    adqComandaVal.setParameter("P_CDFILIAL", narrowText(CDFILIAL));
    adqComandaVal.setParameter("P_LCOMANDA", narrowText(LCOMANDA));
    adqComandaVal.open();  // stays open until the next call
    return conta::Variant(dspComandaVal.data());
  });
}

}  // namespace Srv_Xol41260
