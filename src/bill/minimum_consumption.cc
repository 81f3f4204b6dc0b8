// The minimum consumption charge and its item on the comanda.
#include "bill/minimum_consumption.h"

#include "bill/charge_items.h"
#include "bill/charge_product.h"
#include "bill/operation_report.h"
#include "data/envelope.h"
#include "platform/clock.h"
#include "platform/number_text.h"
#include "platform/text_encoding.h"

namespace Srv_Xol41260 {
namespace {

using conta::text_encoding::narrow;
using conta::text_encoding::widen;

// A value passed through its decimal text (15 significant digits) and read
// back: the rounding every price of the item's rows goes through, so that
// a value and its stored copy compare equal.
double viaTexto(double value) {
  const char separator = conta::number_text::decimalSeparator();
  return conta::number_text::parseDecimal(conta::number_text::formatGeneral(value, 15, separator),
                                          separator)
      .value_or(value);
}

// The product's rows as one query gives them: the first row's price and
// item number, and the sum of every row's price.
struct LinhasProduto {
  bool achou = false;
  std::string primeiroNumero;
  double primeiroPreco = 0;
  double total = 0;
};

LinhasProduto soma(conta::db::Query& query) {
  LinhasProduto linhas;
  query.first();
  if (query.eof()) return linhas;
  linhas.achou = true;
  linhas.primeiroNumero = query.value("NRPRODCOMVEN").toText();
  linhas.primeiroPreco = query.value("VRPRECCOMVEN").toDouble();
  for (; !query.eof(); query.next())
    linhas.total += query.value("VRPRECCOMVEN").toDouble();
  return linhas;
}

// Removes a consumption product from the bill's listed comandas in the
// database; the answer is not used.
void retiraDoBanco(TdtmFuncoesRev& dm, const ValoresConta& v, const std::string& produto)
    CONTA_REQUIRES(moduleMutex) {
  const std::string& filial = dm.ParametrosLoja.CDFILIAL;
  ConfereOperacao(dm.SetRetiraItem(widen(filial), widen(v.ListaComandas), widen(produto)),
                  "setRetiraItem", Contexto({filial, v.ListaComandasBase, produto}));
}

// Takes a consumption product off the bill: its records and its stored
// items, also those on seats the bill does not show.
void retiraProduto(TdtmFuncoesRev& dm, const ValoresConta& v, const std::string& produto)
    CONTA_REQUIRES(moduleMutex) {
  RetiraRegistrosProduto(dm, produto);
  if (!ItensCobranca(dm, v.ListaComandas, produto).empty()) retiraDoBanco(dm, v, produto);
}

// Moves the item dataset onto the first consumption item; false when there
// is none.
bool localizaItem(TdtmFuncoesRev& dm, const std::string& produto) {
  return dm.cdsItemComandas.locate("CDPRODUTO", conta::Variant(produto));
}

}  // namespace

conta::Variant TdtmFuncoesRev::setAlteraVrConsuma(
    const std::wstring& CDFILIAL, const std::wstring& NRVENDAREST, const std::wstring& NRCOMANDA,
    const std::wstring& CDPRODUTO, double QTPRODCOMVEN, const std::wstring& CDLOJA,
    double VRPRECCOMVEN, const std::wstring& CDCLIENTE) {
  return conta::data::envelope(adcFuncoesRev, [&] {
    const conta::Variant filial(narrow(CDFILIAL));
    const conta::Variant venda(narrow(NRVENDAREST));
    const conta::Variant comanda(narrow(NRCOMANDA));
    const conta::Variant produto(narrow(CDPRODUTO));

    // 1-3. The comanda's own rows of the product: the rows the update below
    // can reach are the rows that decide.
    adqConsumaComVen.close();
    adqConsumaComVen.setParameter("P_CDFILIAL", filial);
    adqConsumaComVen.setParameter("P_NRVENDAREST", venda);
    adqConsumaComVen.setParameter("P_NRCOMANDA", comanda);
    adqConsumaComVen.setParameter("P_CDPRODUTO", produto);
    adqConsumaComVen.open();
    const LinhasProduto linhas = soma(adqConsumaComVen);

    // 4-5. Compared as their decimal texts, the new value included: a charge
    // that is what the rows already hold leaves them and their time alone.
    const double total = viaTexto(linhas.total);
    const double novo = viaTexto(VRPRECCOMVEN);
    if (total == novo) return conta::Variant("");

    if (!linhas.achou) {
      // The bill holds a consumption item, but not on this comanda (it sits
      // on another comanda of the list): there is no row to re-price, so the
      // charge is added here, where every later bill looks for it, rather
      // than lost.
      return setIncluiConsumaCouvert(CDFILIAL, NRVENDAREST, NRCOMANDA, CDPRODUTO, QTPRODCOMVEN,
                                     CDLOJA, VRPRECCOMVEN, CDCLIENTE);
    }

    // 6. The first item number takes the whole difference.
    const double preco = viaTexto(novo - total + viaTexto(linhas.primeiroPreco));
    acmAlteraVrConsuma.setParameter("P_CDFILIAL", filial);
    acmAlteraVrConsuma.setParameter("P_NRVENDAREST", venda);
    acmAlteraVrConsuma.setParameter(
        "P_NRCOMANDA", conta::Variant(conta::text_encoding::firstCharacters(comanda.text(), 10)));
    acmAlteraVrConsuma.setParameter("P_CDPRODUTO", produto);
    acmAlteraVrConsuma.setParameter("P_VRPRECCOMVEN", conta::Variant(preco));
    acmAlteraVrConsuma.setParameter("P_DTHRINCOMVEN", conta::Variant(conta::localNow()));
    acmAlteraVrConsuma.setParameter("P_NRPRODCOMVEN", conta::Variant(linhas.primeiroNumero));
    acmAlteraVrConsuma.execute();

    // 7.
    return conta::Variant("");
  });
}

double TdtmFuncoesRev::IncluiConsuma(conta::ClientDataSet&, double consumido, double minimo,
                                     const std::string& produto, const std::string& venda,
                                     const std::string& comanda, double, bool reprecifica) {
  ModuleLock lock;
  // 1-2. Nothing is charged, checked or written when the minimum is reached.
  if (consumido >= minimo) return 0;
  const double cobranca = minimo - consumido;

  // 3. The fiscal printer must be able to sell the product.
  const TParametrosLoja& loja = ParametrosLoja;
  if (loja.UTILIZAIMPFIS) VerificaImpostoCobranca(*this, produto, kImpostoConsumacao);

  // 4.
  const std::string contexto = Contexto(
      {loja.CDFILIAL, venda, comanda, produto, "1", loja.CDLOJA, "", "0", loja.CDCLIENTE, ""});
  auto argumentos = [&](auto operacao) CONTA_REQUIRES(moduleMutex) {
    return (this->*operacao)(widen(loja.CDFILIAL), widen(venda), widen(comanda), widen(produto), 1,
                             widen(loja.CDLOJA), cobranca, widen(loja.CDCLIENTE));
  };

  conta::ClientDataSet& itens = cdsItemComandas;
  if (!reprecifica) {
    // 5. A new item, in the database and in the bill's items, with the
    // product's own name and tree code.
    ConfereOperacao(argumentos(&TdtmFuncoesRev::setIncluiConsumaCouvert), "setPedido", contexto);
    CarregaProdutoCobranca(*this, produto);
    itens.insert();
    itens.fieldByName("CDPRODUTO").setValue(conta::Variant(produto));
    itens.fieldByName("QTPRODCOMVEN").setValue(conta::Variant(1.0));
    itens.fieldByName("NMPRODUTO").setValue(cdsItComanda.fieldByName("NMPRODUTO").value());
    itens.fieldByName("CDARVPROD").setValue(cdsItComanda.fieldByName("CDARVPROD").value());
    itens.fieldByName("VRPRECCOMVEN").setValue(conta::Variant(cobranca));
    itens.post();
  } else {
    // 6. The item re-priced in the database, then its record.
    ConfereOperacao(argumentos(&TdtmFuncoesRev::setAlteraVrConsuma), "setPedido", contexto);
    if (localizaItem(*this, produto) && itens.fieldByName("VRPRECCOMVEN").asFloat() != cobranca) {
      itens.edit();
      itens.fieldByName("VRPRECCOMVEN").setValue(conta::Variant(cobranca));
      itens.post();
    }
  }
  // 7.
  return cobranca;
}

void CobraConsumacaoMinima(TdtmFuncoesRev& dm, ValoresConta& v) {
  const TParametrosLoja& loja = dm.ParametrosLoja;
  // A store with one product for each sex: the other sex's item was left by
  // a bill of these comandas whose consumer was of the other sex; it is no
  // longer the charge.
  const std::string& outro =
      v.CdProdConsumacao == loja.CDPRODCONSUM ? loja.CDPRODCONSUF : loja.CDPRODCONSUM;
  if (!outro.empty() && outro != v.CdProdConsumacao) retiraProduto(dm, v, outro);

  // 16. Not for a reserved comanda of a store that bills by seat.
  const double minimo = v.QtdePessoas * v.VrPrecoConsumacao;
  ExplicacaoConsumacao& explicacao = v.Explicacao.consumacao;
  explicacao.pessoas = v.QtdePessoas;
  explicacao.preco = v.VrPrecoConsumacao;
  explicacao.minimo = minimo;
  explicacao.consumido = v.VrTotalItens;
  const bool reserva = loja.IDLUGARMESA != "N" && dm.PrefixoComanda == "RES";
  if (!v.CobraConsumacao || reserva) {
    // 18. An item left from an earlier bill goes.
    retiraProduto(dm, v, v.CdProdConsumacao);
    v.VrConsumacao = 0;
    explicacao.motivo = !v.PedidaConsumacao  ? MotivoSemCobranca::NaoPedida
                        : !v.CobraConsumacao ? MotivoSemCobranca::DesligadaNaComanda
                                             : MotivoSemCobranca::ComandaDeReserva;
    return;
  }

  // 17. The bill's item as stored, whatever seats it shows: one, on the
  // comanda an earlier bill put it on. Within the minimum it is re-priced;
  // above it, it is dropped and a new one added.
  std::vector<ItemCobranca> mantidos =
      ConsolidaItensCobranca(dm, v, v.CdProdConsumacao, /*porLugar=*/false);
  if (!mantidos.empty() && mantidos.front().preco > minimo) {
    RetiraItemCobranca(dm, mantidos.front(), v.CdProdConsumacao);
    mantidos.clear();
  }
  v.IdConsumacaoLancada = !mantidos.empty();
  const std::string& venda = mantidos.empty() ? v.NrVendaBase : mantidos.front().venda;
  const std::string& comanda = mantidos.empty() ? v.ListaComandasBase : mantidos.front().comanda;
  v.VrConsumacao = dm.IncluiConsuma(dm.cdsItemComandas, v.VrTotalItens, minimo, v.CdProdConsumacao,
                                    venda, comanda, v.QtdePessoas, v.IdConsumacaoLancada);
  explicacao.cobrada = v.VrConsumacao;
  if (v.VrTotalItens >= minimo) explicacao.motivo = MotivoSemCobranca::MinimoAtingido;
  // Nothing to charge: the item leaves the database (the bill's items keep
  // it).
  if (v.VrConsumacao == 0 && v.IdConsumacaoLancada) retiraDoBanco(dm, v, v.CdProdConsumacao);
}

}  // namespace Srv_Xol41260
