// CalculaConta: the bill of one or more comandas, step by step.
#include "conta/calcula_conta.h"

#include <initializer_list>
#include <set>

#include "bill/bill_checks.h"
#include "bill/bill_explanation.h"
#include "bill/bill_result.h"
#include "bill/bill_transaction.h"
#include "bill/bill_values.h"
#include "bill/cover_charge.h"
#include "bill/minimum_consumption.h"
#include "bill/service_charge.h"
#include "conta/error.h"
#include "frame/data_module.h"
#include "platform/host_directory.h"
#include "platform/text_encoding.h"
#include "support/consiste.h"
#include "support/mensagemxol.h"
#include "support/xol_corvana.h"

namespace Srv_Xol41260 {
namespace {

const char* const kUnit = "Srv_Xol41260";

// A context text: the call's values joined by "-".
std::string context(std::initializer_list<std::string> parts) {
  std::string out;
  for (const auto& part : parts) {
    if (!out.empty()) out += '-';
    out += part;
  }
  return out;
}

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

// The comanda that receives the bill's charge items: of the bill's
// comandas, the one whose number occurs earliest in the list text (the
// longer number when two start at the same place), with its own sale. A
// comanda reached only through a joined table is not in the text and never
// receives them. It moves the cursor; the steps after it go to the first
// record.
struct ComandaBase {
  std::string venda;
  std::string comanda;
};

ComandaBase escolheComandaBase(conta::ClientDataSet& comandas, const std::string& lista) {
  ComandaBase base;
  std::size_t melhor = std::string::npos;
  for (comandas.first(); !comandas.eof(); comandas.next()) {
    const std::string numero = comandas.fieldByName("NRCOMANDA").asString();
    if (numero.empty()) continue;
    const std::size_t onde = lista.find(numero);
    if (onde == std::string::npos) continue;
    if (onde < melhor || (onde == melhor && numero.size() > base.comanda.size())) {
      melhor = onde;
      base = {comandas.fieldByName("NRVENDAREST").asString(), numero};
    }
  }
  return base;
}

// The bill, made for good or, as a preview, computed whole and then undone.
bool calculaConta(const conta::Variant* Parametros, int ParametrosHigh, conta::Variant& Resultado,
                  bool previa, std::string* explicacao) {
  std::lock_guard lock(moduleMutex());
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

  // 1-2. The data module, its connection, the parameters and the store.
  TdtmFuncoesRev& dm = dataModule();
  dm.adcFuncoesRev.open();
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
  dm.InicializaForm();
  if (!dm.cdsParametrosXol.active() || dm.cdsParametrosXol.isEmpty()) {
    // Without them the bill has no branch, no prices and no rules.
    throw conta::Error("Os parâmetros da loja (PARAMETROSXOL.CDS) não foram encontrados em " +
                       conta::hostDirectory().string() + ": a conta não foi calculada.");
  }
  const TParametrosLoja& loja = dm.ParametrosLoja;
  const std::string& filial = loja.CDFILIAL;

  // The bill's transaction, and in it the lock of the branch's bills: every
  // statement from here on, and all of the bill or none of it.
  TransacaoConta transacao(dm, filial, previa);
  ConfereNumerosDosItens(dm, v.ListaComandas);

  // 3. Negative quantities of the listed comandas turn positive.
  Mensagemxol::MensagemMetodo(dm.AjustaQtdeNeg(wide(filial), wide(v.ListaComandas)), true, 0,
                              "AjustaQtdeNeg", kUnit, context({filial, v.ListaComandas}), "");

  // 4. The comandas, widened to the joined tables.
  dm.cdsComandas.setData(
      Mensagemxol::MensagemMetodo(dm.getListaCmd(wide(filial), wide(v.ListaComandas)), true, 0,
                                  "getListaCmd", kUnit, context({filial, v.ListaComandas}), ""));
  if (dm.cdsComandas.isEmpty()) {
    // Every later step reads the first comanda: a bill needs one.
    throw conta::Error(SemComandas(v.ListaComandas, filial));
  }

  ConfereComandas(dm.cdsComandas);

  // The comanda that receives the charge items, and its sale.
  const ComandaBase base = escolheComandaBase(dm.cdsComandas, v.ListaComandas);

  // 5. The items.
  dm.cdsItemComandas.setData(Mensagemxol::MensagemMetodo(
      dm.GetItProdVend(wide(filial), wide(v.ListaComandas), wide(v.LugaresMesa),
                       wide(v.ItensExcluidos)),
      true, 0, "GetItProdVend", kUnit, context({filial, v.ListaComandas, v.ItensExcluidos}), ""));
  ConfereItens(dm.cdsItemComandas);

  // 6. The comandas grouped under the first one. A comanda without a text
  // counts under the empty text (its null would otherwise end the bill).
  // Only a bill of kind "1" adds them to its persons; the count reads every
  // comanda the branch ever had (grouped comandas of closed sales count
  // too), so the other kinds, which never read it, do not pay for it.
  dm.cdsComandas.first();
  const std::string dsComanda = dm.cdsComandas.fieldByName("DSCOMANDA").asString();
  if (v.TipoConta == "1") {
    dm.cdsCmdAgrupada.setData(
        Mensagemxol::MensagemMetodo(dm.getCmdAgrupada(wide(filial), wide(dsComanda)), true, 0,
                                    "getCmdAgrupada", kUnit, context({filial, dsComanda}), ""));
  }

  // 7. The comandas' charge switches.
  dm.cdsComandaVal.setData(Mensagemxol::MensagemMetodo(
      dm.getComandaVal(wide(filial), wide(loja.CDLOJA), wide(v.ListaComandas)), true, 0,
      "getValComanda", "Cli_Rev00100", context({filial, loja.CDLOJA, v.ListaComandas}), ""));

  // 8. The caller's switches, narrowed by the first comanda's; a field is
  // read only when the caller's switch is on.
  dm.cdsComandaVal.first();
  auto comandaSwitch = [&](const char* field) {
    return dm.cdsComandaVal.fieldByName(field).asString() == "S";
  };
  v.CobraTaxa = v.CobraTaxa && comandaSwitch("IDUTILTXSERV");
  v.CobraCouvert = v.CobraCouvert && comandaSwitch("IDUTILCOUVERT");
  v.CobraConsumacao = v.CobraConsumacao && comandaSwitch("IDUTILCONSUMA");

  // 9. The prefix of the first comanda's text.
  dm.PrefixoComanda = conta::text_encoding::firstCharacters(dsComanda, 3);
  dm.cdsComandas.first();

  // 10. The persons the bill is for. Whatever the kind, the charge items go
  // to the base comanda's own sale.
  v.NrVendaBase = base.venda;
  if (v.TipoConta == "1") {
    v.QtdePessoas = 1;
  } else if (v.TipoConta == "2") {
    v.QtdePessoas = 0;
    // The people at each sale's table count once, however many of the
    // sale's comandas the bill covers; every comanda's surcharge counts.
    std::set<std::string> vendas;
    for (dm.cdsComandas.first(); !dm.cdsComandas.eof(); dm.cdsComandas.next()) {
      v.VrAcrescimoComandas += dm.cdsComandas.fieldByName("VRACRCOMANDA").asFloat();
      if (vendas.insert(dm.cdsComandas.fieldByName("NRVENDAREST").asString()).second) {
        v.QtdePessoas =
            addPersons(v.QtdePessoas, dm.cdsComandas.fieldByName("NRPESMESAVEN").value());
      }
    }
  }
  if (v.TipoConta == "1") {
    dm.cdsCmdAgrupada.first();
    v.QtdePessoas = addPersons(v.QtdePessoas, dm.cdsCmdAgrupada.fieldByName("NRPESSOAS").value());
  }
  if (!Consiste::EmptyString(v.LugaresMesa) && v.LugaresMesa != "T") v.QtdePessoas = 1;

  // 11. The discounts of every item.
  conta::ClientDataSet& itens = dm.cdsItemComandas;
  for (itens.first(); !itens.eof(); itens.next()) {
    double desconto = itens.fieldByName("VRDESCCOMVEN").asFloat();
    v.VrTotalDesconto += desconto;
    if (itens.fieldByName("IDDESCMANUAL").asString() == "S") v.VrDescontoManual += desconto;
  }

  // 12. The minimum consumption for the consumer's sex, read on the comanda
  // the cursor stands on: the first, or the last after bill kind "2".
  if (dm.cdsComandas.fieldByName("SGSEXOCON").asString() == "M") {
    v.CdProdConsumacao = loja.CDPRODCONSUM;
    v.VrPrecoConsumacao = loja.PRECOCONSUMAMASC;
  } else {
    v.CdProdConsumacao = loja.CDPRODCONSUF;
    v.VrPrecoConsumacao = loja.PRECOCONSUMAFEMI;
  }

  // 13. The items: cover items apart, consumption items skipped (also those
  // of the other sex's product, which the consumption step takes off), the
  // ordinary ones make the totals.
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
    // Only the product is cut to two decimals.
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

  // 14. The service charge.
  CobraTaxaServico(dm, v);

  // 15. The comanda that receives a new charge item. (Cut before the first
  // "_", a list separated otherwise, or listed in another order, would name
  // a comanda that is not there, or one of another sale.)
  v.ListaComandasBase = base.comanda;

  // 16-18. The minimum consumption.
  CobraConsumacaoMinima(dm, v);

  // 19-20. The cover charge.
  CobraCouvertArtistico(dm, v);

  // 21. The total, with no rounding.
  v.VrTotalConta = static_cast<double>(static_cast<long double>(v.VrTotalItens) + v.VrConsumacao +
                                       v.VrCouvert + v.VrTaxaServico);

  // No figure beyond what a double holds is billed, returned or kept.
  ConfereFiguras(v);

  // The bill's writes kept, or, for a preview, undone: the entries are those
  // the bill computed all the same.
  if (previa) {
    transacao.desfaz();
  } else {
    transacao.confirma();
  }

  // 22. The fourteen entries, in index order, and when asked for the
  // bill's explanation.
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
