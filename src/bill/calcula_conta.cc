// CalculaConta: the bill of one or more comandas, read as the sequence of
// its steps below.
#include "conta/calcula_conta.h"

#include <set>

#include "bill/bill_checks.h"
#include "bill/bill_explanation.h"
#include "bill/bill_result.h"
#include "bill/bill_transaction.h"
#include "bill/bill_values.h"
#include "bill/cover_charge.h"
#include "bill/minimum_consumption.h"
#include "bill/operation_report.h"
#include "bill/service_charge.h"
#include "conta/error.h"
#include "frame/data_module.h"
#include "platform/host_directory.h"
#include "platform/text_encoding.h"
#include "support/consiste.h"
#include "support/xol_corvana.h"

namespace Srv_Xol41260 {
namespace {

std::wstring wide(const std::string& text) {
  return conta::text_encoding::widen(text);
}

// Adds a head count the way a variant adds; a null count adds nobody.
double addPersons(double running, const conta::Variant& count) {
  if (count.isNull() || count.isEmpty()) return running;
  return (conta::Variant(running) + count).toDouble();
}

// The lists are matched by substring against every code they may hold. A
// list far longer than any table's comandas is refused before the bill
// touches the store: Oracle binds no longer text, and matching it would take
// minutes on the other engines.
constexpr std::size_t kLongestList = 4000;

void refuseOverlongText(const char* what, const std::string& text) {
  const std::size_t characters = conta::text_encoding::characterCount(text);
  if (characters > kLongestList) {
    throw conta::Error("A " + std::string(what) + " tem " + std::to_string(characters) +
                       " caracteres; o limite é " + std::to_string(kLongestList) + ".");
  }
}

// The caller's seven parameters, checked, and the array the result goes to.
ValoresConta LePedido(const conta::Variant* Parametros, int ParametrosHigh,
                      const conta::Variant& Resultado) {
  if (Parametros == nullptr || ParametrosHigh < 6) {
    throw conta::Error(
        "CalculaConta needs its seven parameters (list, kind, the three "
        "switches, seats, exclusions); it was given " +
        std::to_string(Parametros == nullptr ? 0 : ParametrosHigh + 1));
  }
  if (!Resultado.isArray() || Resultado.size() < kResultEntries) {
    throw conta::Error(
        "CalculaConta writes its result into an array of at least 14 elements; "
        "it was given " +
        Resultado.describe());
  }
  ValoresConta v;
  v.ListaComandas = Parametros[0].toText();
  v.TipoConta = Parametros[1].toText();
  v.CobraConsumacao = Parametros[2].toBoolean();
  v.CobraCouvert = Parametros[3].toBoolean();
  v.CobraTaxa = Parametros[4].toBoolean();
  v.LugaresMesa = Parametros[5].toText();
  v.ItensExcluidos = Parametros[6].toText();
  v.PedidaConsumacao = v.CobraConsumacao;
  v.PedidoCouvert = v.CobraCouvert;
  v.PedidaTaxa = v.CobraTaxa;
  refuseOverlongText("lista de comandas", v.ListaComandas);
  refuseOverlongText("lista de lugares", v.LugaresMesa);
  refuseOverlongText("lista de itens excluídos", v.ItensExcluidos);
  return v;
}

// The store parameters, read for this bill. Without them the bill has no
// branch, no prices and no rules.
const TParametrosLoja& CarregaParametrosLoja(TdtmFuncoesRev& dm) CONTA_REQUIRES(moduleMutex) {
  dm.InicializaForm();
  if (!dm.cdsParametrosXol.active() || dm.cdsParametrosXol.isEmpty()) {
    throw conta::Error("Os parâmetros da loja (PARAMETROSXOL.CDS) não foram encontrados em " +
                       conta::hostDirectory().string() + ": a conta não foi calculada.");
  }
  return dm.ParametrosLoja;
}

// Negative quantities of the listed comandas turn positive.
void AcertaQuantidadesNegativas(TdtmFuncoesRev& dm, const std::string& filial,
                                const ValoresConta& v) {
  ConfereOperacao(dm.AjustaQtdeNeg(wide(filial), wide(v.ListaComandas)), "AjustaQtdeNeg",
                  Contexto({filial, v.ListaComandas}));
}

// The comandas of the list, widened to the joined tables. Every later step
// reads the first comanda: a bill needs one.
void LeComandas(TdtmFuncoesRev& dm, const std::string& filial, const ValoresConta& v) {
  dm.cdsComandas.setData(ResultadoOperacao(dm.getListaCmd(wide(filial), wide(v.ListaComandas)),
                                           "getListaCmd", Contexto({filial, v.ListaComandas})));
  if (dm.cdsComandas.isEmpty()) throw conta::Error(SemComandas(v.ListaComandas, filial));
  ConfereComandas(dm.cdsComandas);
}

// The comanda that receives the bill's charge items: of the bill's
// comandas, the one whose number occurs earliest in the list text (the
// longer number when two start at the same place), with its own sale. A
// comanda reached only through a joined table is not in the text and never
// receives them. It moves the cursor; the steps after it go to the first
// record.
void EscolheComandaBase(conta::ClientDataSet& comandas, ValoresConta& v) {
  std::size_t melhor = std::string::npos;
  for (comandas.first(); !comandas.eof(); comandas.next()) {
    const std::string numero = comandas.fieldByName("NRCOMANDA").asString();
    if (numero.empty()) continue;
    const std::size_t onde = v.ListaComandas.find(numero);
    if (onde == std::string::npos) continue;
    if (onde < melhor || (onde == melhor && numero.size() > v.ListaComandasBase.size())) {
      melhor = onde;
      v.ListaComandasBase = numero;
      v.NrVendaBase = comandas.fieldByName("NRVENDAREST").asString();
    }
  }
}

// The items of the listed comandas, narrowed by the seats and exclusions.
void LeItens(TdtmFuncoesRev& dm, const std::string& filial, const ValoresConta& v) {
  dm.cdsItemComandas.setData(
      ResultadoOperacao(dm.GetItProdVend(wide(filial), wide(v.ListaComandas), wide(v.LugaresMesa),
                                         wide(v.ItensExcluidos)),
                        "GetItProdVend", Contexto({filial, v.ListaComandas, v.ItensExcluidos})));
  ConfereItens(dm.cdsItemComandas);
}

// The comandas grouped under the first one. A comanda without a text
// counts under the empty text (its null would otherwise end the bill). Only
// a bill of kind "1" adds them to its persons; the count reads every comanda
// the branch ever had (grouped comandas of closed sales count too), so the
// other kinds, which never read it, do not pay for it.
void LeComandasAgrupadas(TdtmFuncoesRev& dm, const std::string& filial,
                         const std::string& dsComanda, const ValoresConta& v) {
  if (v.TipoConta != "1") return;
  dm.cdsCmdAgrupada.setData(ResultadoOperacao(dm.getCmdAgrupada(wide(filial), wide(dsComanda)),
                                              "getCmdAgrupada", Contexto({filial, dsComanda})));
}

// The caller's charge switches, narrowed by the first comanda's; a field is
// read only when the caller's switch is on.
void AplicaChavesDaComanda(TdtmFuncoesRev& dm, const std::string& filial, const std::string& loja,
                           ValoresConta& v) {
  dm.cdsComandaVal.setData(ResultadoOperacao(
      dm.getComandaVal(wide(filial), wide(loja), wide(v.ListaComandas)), "getValComanda",
      Contexto({filial, loja, v.ListaComandas}), "Cli_Rev00100"));
  dm.cdsComandaVal.first();
  auto chave = [&](const char* field) {
    return dm.cdsComandaVal.fieldByName(field).asString() == "S";
  };
  v.CobraTaxa = v.CobraTaxa && chave("IDUTILTXSERV");
  v.CobraCouvert = v.CobraCouvert && chave("IDUTILCOUVERT");
  v.CobraConsumacao = v.CobraConsumacao && chave("IDUTILCONSUMA");
}

// The persons the bill is for: one for kind "1" plus the comandas grouped
// under it; for kind "2" the people at each sale's table once, however many
// of the sale's comandas the bill covers (every comanda's surcharge
// counts); one when the bill is for some seats only.
void ContaPessoas(TdtmFuncoesRev& dm, ValoresConta& v) {
  conta::ClientDataSet& comandas = dm.cdsComandas;
  if (v.TipoConta == "1") {
    v.QtdePessoas = 1;
  } else if (v.TipoConta == "2") {
    v.QtdePessoas = 0;
    std::set<std::string> vendas;
    for (comandas.first(); !comandas.eof(); comandas.next()) {
      v.VrAcrescimoComandas += comandas.fieldByName("VRACRCOMANDA").asFloat();
      if (vendas.insert(comandas.fieldByName("NRVENDAREST").asString()).second) {
        v.QtdePessoas = addPersons(v.QtdePessoas, comandas.fieldByName("NRPESMESAVEN").value());
      }
    }
  }
  if (v.TipoConta == "1") {
    dm.cdsCmdAgrupada.first();
    v.QtdePessoas = addPersons(v.QtdePessoas, dm.cdsCmdAgrupada.fieldByName("NRPESSOAS").value());
  }
  if (!Consiste::EmptyString(v.LugaresMesa) && v.LugaresMesa != "T") v.QtdePessoas = 1;
}

// The discounts of every item, and those given by hand.
void SomaDescontos(conta::ClientDataSet& itens, ValoresConta& v) {
  for (itens.first(); !itens.eof(); itens.next()) {
    double desconto = itens.fieldByName("VRDESCCOMVEN").asFloat();
    v.VrTotalDesconto += desconto;
    if (itens.fieldByName("IDDESCMANUAL").asString() == "S") v.VrDescontoManual += desconto;
  }
}

// The minimum consumption for the consumer's sex, read on the comanda the
// cursor stands on: the first, or the last after bill kind "2".
void EscolheConsumacao(conta::ClientDataSet& comandas, const TParametrosLoja& loja,
                       ValoresConta& v) {
  if (comandas.fieldByName("SGSEXOCON").asString() == "M") {
    v.CdProdConsumacao = loja.CDPRODCONSUM;
    v.VrPrecoConsumacao = loja.PRECOCONSUMAMASC;
  } else {
    v.CdProdConsumacao = loja.CDPRODCONSUF;
    v.VrPrecoConsumacao = loja.PRECOCONSUMAFEMI;
  }
}

// The items' totals: cover items apart, consumption items skipped (also
// those of the other sex's product, which the consumption step takes off),
// the ordinary ones make the total, the service charge's base and the
// waiters' commissions. Only the product is cut to two decimals.
void SomaItens(conta::ClientDataSet& itens, const TParametrosLoja& loja, ValoresConta& v) {
  const std::string& outroConsumo =
      v.CdProdConsumacao == loja.CDPRODCONSUM ? loja.CDPRODCONSUF : loja.CDPRODCONSUM;
  long double totalItens = 0;
  long double baseTaxa = 0;
  long double comissaoGarcom = 0;
  long double couvertItens = 0;
  for (itens.first(); !itens.eof(); itens.next()) {
    const std::string produto = itens.fieldByName("CDPRODUTO").asString();
    const double preco = itens.fieldByName("VRPRECCOMVEN").asFloat();
    const double quantidade = itens.fieldByName("QTPRODCOMVEN").asFloat();
    if (produto == loja.CDPRODCOUVER) {
      v.IdCouvertLancado = true;
      couvertItens += Xol_corvana::Trunc2(preco * quantidade);
      continue;
    }
    if (produto == v.CdProdConsumacao || (!outroConsumo.empty() && produto == outroConsumo))
      continue;
    const double liquido = static_cast<double>(
        static_cast<long double>(Xol_corvana::Trunc2(preco * quantidade)) -
        itens.fieldByName("VRDESCCOMVEN").asFloat() + itens.fieldByName("VRACRCOMVEN").asFloat());
    const bool cobraTaxa = itens.fieldByName("IDCOBTXSERV").asString() == "S";
    if (cobraTaxa) baseTaxa += liquido;
    const double percentual = itens.fieldByName("VRPERCCOMISVEND").asFloat();
    if (!itens.fieldByName("CDVENDEDORITEM").asString().empty() && percentual > 0 &&
        itens.fieldByName("IDVRINCIDECONTA").asString() == "S" && cobraTaxa) {
      comissaoGarcom += Xol_corvana::Trunc2(percentual * (liquido / 100));
    }
    totalItens += liquido;
  }
  v.VrTotalItens = static_cast<double>(totalItens);
  v.VrBaseTaxa = static_cast<double>(baseTaxa);
  v.VrComissaoGarcom = static_cast<double>(comissaoGarcom);
  v.VrCouvertItens = static_cast<double>(couvertItens);
}

// The total, with no rounding; no figure beyond what a double holds is
// billed, returned or kept.
void SomaTotal(ValoresConta& v) {
  v.VrTotalConta = static_cast<double>(static_cast<long double>(v.VrTotalItens) + v.VrConsumacao +
                                       v.VrCouvert + v.VrTaxaServico);
  ConfereFiguras(v);
}

// The bill, made for good or, as a preview, computed whole and then undone.
bool calculaConta(const conta::Variant* Parametros, int ParametrosHigh, conta::Variant& Resultado,
                  bool previa, std::string* explicacao) {
  ModuleLock lock;
  ValoresConta v = LePedido(Parametros, ParametrosHigh, Resultado);
  TdtmFuncoesRev& dm = dataModule();
  dm.adcFuncoesRev.open();
  const TParametrosLoja& loja = CarregaParametrosLoja(dm);
  const std::string& filial = loja.CDFILIAL;

  // Every statement from here on runs in the bill's transaction, which
  // first takes the lock of the branch's bills: all of the bill or none.
  TransacaoConta transacao(dm, filial, previa);
  ConfereNumerosDosItens(dm, v.ListaComandas);
  AcertaQuantidadesNegativas(dm, filial, v);
  LeComandas(dm, filial, v);
  EscolheComandaBase(dm.cdsComandas, v);
  LeItens(dm, filial, v);

  dm.cdsComandas.first();
  const std::string dsComanda = dm.cdsComandas.fieldByName("DSCOMANDA").asString();
  LeComandasAgrupadas(dm, filial, dsComanda, v);
  AplicaChavesDaComanda(dm, filial, loja.CDLOJA, v);
  // Whether the table is a reserved one comes from the first comanda's text.
  dm.PrefixoComanda = conta::text_encoding::firstCharacters(dsComanda, 3);
  dm.cdsComandas.first();

  ContaPessoas(dm, v);
  SomaDescontos(dm.cdsItemComandas, v);
  EscolheConsumacao(dm.cdsComandas, loja, v);
  SomaItens(dm.cdsItemComandas, loja, v);
  CobraTaxaServico(dm, v);
  CobraConsumacaoMinima(dm, v);
  CobraCouvertArtistico(dm, v);
  SomaTotal(v);

  // The bill's writes kept, or, for a preview, undone: the entries are those
  // the bill computed all the same.
  if (previa) {
    transacao.desfaz();
  } else {
    transacao.confirma();
  }

  const conta::DataPacket comandas = dm.cdsComandas.data();
  const conta::DataPacket itensDaConta = dm.cdsItemComandas.data();
  if (explicacao != nullptr) *explicacao = ExplicacaoJson(v, comandas, itensDaConta);
  writeResult(Resultado, v, comandas, itensDaConta);
  return true;
}

}  // namespace

bool CalculaConta(const conta::Variant* Parametros, int ParametrosHigh, conta::Variant& Resultado) {
  return calculaConta(Parametros, ParametrosHigh, Resultado, false, nullptr);
}

bool CalculaContaPrevia(const conta::Variant* Parametros, int ParametrosHigh,
                        conta::Variant& Resultado) {
  return calculaConta(Parametros, ParametrosHigh, Resultado, true, nullptr);
}

bool CalculaContaExplicada(const conta::Variant* Parametros, int ParametrosHigh,
                           conta::Variant& Resultado, bool previa, std::string& explicacao) {
  return calculaConta(Parametros, ParametrosHigh, Resultado, previa, &explicacao);
}

}  // namespace Srv_Xol41260

extern "C" CONTA_EXPORT bool CalculaConta(const conta::Variant* Parametros, int ParametrosHigh,
                                          conta::Variant& Resultado) {
  return Srv_Xol41260::CalculaConta(Parametros, ParametrosHigh, Resultado);
}
