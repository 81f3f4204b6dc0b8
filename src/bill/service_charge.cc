// The service charge and the seller commission it becomes on the comandas.
#include "bill/service_charge.h"

#include "bill/operation_report.h"
#include "conta/variant.h"
#include "platform/text_encoding.h"
#include "support/consiste.h"
#include "support/xol_corvana.h"

namespace Srv_Xol41260 {

std::optional<BaseTaxaServico> BaseDaTaxaServico(const TParametrosLoja& loja, double itens,
                                                 double descontoManual, double descontoTotal) {
  const std::string& consumo = loja.IDCONSDESCTXSERV;
  const std::string& manual = loja.IDCONDESCTXSERV;
  if (consumo == "S" && manual == "S") return BaseTaxaServico{itens, 0, ""};
  if (consumo == "N" && manual == "N") {
    return BaseTaxaServico{static_cast<long double>(itens) + descontoTotal, descontoTotal,
                           "descontos"};
  }
  if (manual == "N") {
    return BaseTaxaServico{static_cast<long double>(itens) + descontoManual, descontoManual,
                           "descontos manuais"};
  }
  if (consumo == "N") {
    return BaseTaxaServico{static_cast<long double>(descontoTotal) - descontoManual + itens,
                           descontoTotal - descontoManual, "descontos não manuais"};
  }
  return std::nullopt;
}

double TdtmFuncoesRev::IncluiTaxa(const std::string& ListaComandas, double base,
                                  double VrDescontoManual, double VrTotalDesconto, bool aplica,
                                  double& VrTaxaCalculada) {
  ModuleLock lock;
  const TParametrosLoja& loja = ParametrosLoja;

  // 1. The computed charge.
  if (loja.IDCOMISVENDA != "S") {
    // The waiters' commissions, taken as they are.
    VrTaxaCalculada = base;
  } else if (auto sobre = BaseDaTaxaServico(loja, base, VrDescontoManual, VrTotalDesconto)) {
    // Divided by 100 first, then multiplied; rounded to a double, then cut.
    const double charge = static_cast<double>(sobre->valor / 100 * loja.VRCOMISVENDA);
    VrTaxaCalculada = Xol_corvana::Trunc2(charge);
  }
  // (No rule: the computed charge keeps the value it came with.)

  // 2-3. Applied or not, the value is stored on the comandas: a bill without
  // service charge resets their commission to 0.
  const double aplicada = aplica ? VrTaxaCalculada : 0;
  const double armazenada = Consiste::RoundDec(aplicada, 2);

  // 4-5. The general format with the locale's separator, as text passes it.
  ConfereOperacao(SetComisVenda(conta::text_encoding::widen(loja.CDFILIAL),
                                conta::text_encoding::widen(ListaComandas), armazenada),
                  "setComisVenda",
                  Contexto({loja.CDFILIAL, ListaComandas, conta::Variant(armazenada).toText()}));

  // 6. The applied charge, not rounded.
  return aplicada;
}

void CobraTaxaServico(TdtmFuncoesRev& dm, ValoresConta& v) {
  const TParametrosLoja& loja = dm.ParametrosLoja;
  ExplicacaoTaxa& explicacao = v.Explicacao.taxa;
  if (loja.IDCOMISVENDA != "S" && loja.IDCOMISVENDA != "G") {
    explicacao.motivo = MotivoSemCobranca::LojaNaoCobra;
    return;
  }
  const bool percentual = loja.IDCOMISVENDA == "S";
  const double itens = percentual ? v.VrBaseTaxa : v.VrComissaoGarcom;
  v.VrTaxaServico = dm.IncluiTaxa(v.ListaComandas, itens, v.VrDescontoManual, v.VrTotalDesconto,
                                  v.CobraTaxa, v.VrTaxaCalculada);

  explicacao.regra = percentual ? "percentual" : "comissoes";
  explicacao.itensComTaxa = itens;
  explicacao.base = itens;
  if (percentual) {
    explicacao.percentual = loja.VRCOMISVENDA;
    if (auto sobre = BaseDaTaxaServico(loja, itens, v.VrDescontoManual, v.VrTotalDesconto)) {
      explicacao.base = static_cast<double>(sobre->valor);
      explicacao.descontosSomados = sobre->somados;
      explicacao.quaisDescontos = sobre->quais;
    } else {
      explicacao.motivo = MotivoSemCobranca::SemRegraDeDescontos;
    }
  }
  explicacao.calculada = v.VrTaxaCalculada;
  explicacao.cobrada = v.VrTaxaServico;
  if (explicacao.motivo == MotivoSemCobranca::Nenhum && !v.CobraTaxa) {
    explicacao.motivo =
        v.PedidaTaxa ? MotivoSemCobranca::DesligadaNaComanda : MotivoSemCobranca::NaoPedida;
  }
}

}  // namespace Srv_Xol41260
