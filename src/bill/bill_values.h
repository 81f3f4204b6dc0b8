// The working values of one bill: all amounts and counts start at 0, every
// flag false, every text empty.
#ifndef CONTA_BILL_BILL_VALUES_H_
#define CONTA_BILL_BILL_VALUES_H_

#include <string>

#include "bill/charge_explanation.h"

namespace Srv_Xol41260 {

struct ValoresConta {
  // The seven parameters.
  std::string ListaComandas;
  std::string TipoConta;
  bool CobraConsumacao = false;
  bool CobraCouvert = false;
  bool CobraTaxa = false;
  std::string LugaresMesa;
  std::string ItensExcluidos;
  // The three charge switches as the caller gave them, before the first
  // comanda's switches narrowed them.
  bool PedidaConsumacao = false;
  bool PedidoCouvert = false;
  bool PedidaTaxa = false;

  std::string ListaComandasBase;  // the comanda that receives the charge items
  std::string NrVendaBase;        // its own sale
  double QtdePessoas = 0;
  double VrAcrescimoComandas = 0;
  double VrTotalDesconto = 0;
  double VrDescontoManual = 0;
  std::string CdProdConsumacao;
  double VrPrecoConsumacao = 0;
  double VrTotalItens = 0;
  double VrBaseTaxa = 0;
  double VrComissaoGarcom = 0;
  double VrCouvertItens = 0;
  bool IdCouvertLancado = false;
  bool IdConsumacaoLancada = false;
  double VrTaxaServico = 0;
  double VrTaxaCalculada = 0;
  double VrConsumacao = 0;
  double VrCouvert = 0;
  double VrTotalConta = 0;

  // Why each charge is what it is.
  ExplicacaoCobrancas Explicacao;
};

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_BILL_VALUES_H_
