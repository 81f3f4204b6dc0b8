// The service charge and the seller commission it becomes on the comandas.
#include "conta/variant.h"
#include "frame/data_module.h"
#include "platform/text_encoding.h"
#include "support/consiste.h"
#include "support/mensagemxol.h"
#include "support/xol_corvana.h"

namespace Srv_Xol41260 {

double TdtmFuncoesRev::IncluiTaxa(const std::string& ListaComandas, double base,
                                  double VrDescontoManual, double VrTotalDesconto, bool aplica,
                                  double& VrTaxaCalculada) {
  std::lock_guard lock(moduleMutex());
  const TParametrosLoja& loja = ParametrosLoja;

  // 1. The computed charge.
  if (loja.IDCOMISVENDA != "S") {
    // The waiters' commissions, taken as they are.
    VrTaxaCalculada = base;
  } else {
    // A flag "N" adds back the discounts it governs, so that they do not
    // lower the charge; the first row that matches decides.
    const std::string& consumo = loja.IDCONSDESCTXSERV;
    const std::string& manual = loja.IDCONDESCTXSERV;
    bool picked = true;
    long double amount = 0;
    if (consumo == "S" && manual == "S") {
      amount = base;
    } else if (consumo == "N" && manual == "N") {
      amount = static_cast<long double>(base) + VrTotalDesconto;
    } else if (manual == "N") {
      amount = static_cast<long double>(base) + VrDescontoManual;
    } else if (consumo == "N") {
      amount = static_cast<long double>(VrTotalDesconto) - VrDescontoManual + base;
    } else {
      picked = false;  // the computed charge keeps the value it came with
    }
    if (picked) {
      // Divided by 100 first, then multiplied; rounded to a double, then cut.
      const double charge = static_cast<double>(amount / 100 * loja.VRCOMISVENDA);
      VrTaxaCalculada = Xol_corvana::Trunc2(charge);
    }
  }

  // 2-3. Applied or not, the value is stored on the comandas: a bill without
  // service charge resets their commission to 0.
  const double aplicada = aplica ? VrTaxaCalculada : 0;
  const double armazenada = Consiste::RoundDec(aplicada, 2);

  // 4-5. The general format with the locale's separator, as text passes it.
  const std::string context =
      loja.CDFILIAL + "-" + ListaComandas + "-" + conta::Variant(armazenada).toText();
  Mensagemxol::MensagemMetodo(SetComisVenda(conta::text_encoding::widen(loja.CDFILIAL),
                                            conta::text_encoding::widen(ListaComandas), armazenada),
                              true, 0, "setComisVenda", "Srv_Xol41260", context, "");

  // 6. The applied charge, not rounded.
  return aplicada;
}

}  // namespace Srv_Xol41260
