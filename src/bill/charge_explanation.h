// Why each charge of a bill is what it is: the figures of its rule and, for
// a charge not billed, the reason. The bill records them where it decides
// (the service charge in CalculaConta, the minimum consumption and the cover
// in their own steps), so that the explanation is the bill's own reasoning,
// not a second reckoning of it.
#ifndef CONTA_BILL_CHARGE_EXPLANATION_H_
#define CONTA_BILL_CHARGE_EXPLANATION_H_

#include <string>
#include <vector>

namespace Srv_Xol41260 {

// Why a charge was not billed; Nenhum when it was, or when its rule left
// nothing to charge.
enum class MotivoSemCobranca {
  Nenhum,
  NaoPedida,               // the caller did not ask for it
  DesligadaNaComanda,      // asked for, but switched off on the comanda
  LojaNaoCobra,            // the store's mode has no service charge
  SemRegraDeDescontos,     // the store's discount switches match no rule
  ComandaDeReserva,        // a reserved comanda of a store that bills by seat
  MinimoAtingido,          // the items reached the minimum
  SemPessoas,              // a cover for nobody
  CouvertDesligadoNaLoja,  // no cover item, and the store adds none
};

// The code a host reads ("nao_pedida", ...), "" for Nenhum.
const char* codigoMotivo(MotivoSemCobranca motivo);
// The same in the store's words ("não pedida nesta conta", ...).
const char* textoMotivo(MotivoSemCobranca motivo);

struct ExplicacaoTaxa {
  std::string regra = "nenhuma";  // "percentual", "comissoes" or "nenhuma"
  double percentual = 0;          // the store's rate (regra "percentual")
  double itensComTaxa = 0;        // the items that bear it, or the waiters' commissions
  double descontosSomados = 0;    // discounts the store does not let lower it
  std::string quaisDescontos;     // "descontos", "descontos manuais", "descontos não manuais"
  double base = 0;                // what the rate is applied to
  double calculada = 0;           // before the switches
  double cobrada = 0;
  MotivoSemCobranca motivo = MotivoSemCobranca::Nenhum;
};

struct ExplicacaoConsumacao {
  double pessoas = 0;
  double preco = 0;  // per person
  double minimo = 0;
  double consumido = 0;
  double cobrada = 0;  // the shortfall, when billed
  MotivoSemCobranca motivo = MotivoSemCobranca::Nenhum;
};

struct ExplicacaoCouvert {
  bool porLugar = false;  // a reserved table billed by seat: a unit a seat
  double unidades = 0;    // persons, or units on the seats
  double preco = 0;       // a unit
  std::vector<std::string> lugares;
  double cobrado = 0;
  MotivoSemCobranca motivo = MotivoSemCobranca::Nenhum;
};

struct ExplicacaoCobrancas {
  ExplicacaoTaxa taxa;
  ExplicacaoConsumacao consumacao;
  ExplicacaoCouvert couvert;
};

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_CHARGE_EXPLANATION_H_
