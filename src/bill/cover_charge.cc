// The cover charge and its items on the comandas.
#include "bill/cover_charge.h"

#include <algorithm>

#include "bill/charge_items.h"
#include "bill/charge_product.h"
#include "bill/operation_report.h"
#include "data/envelope.h"
#include "platform/text_encoding.h"
#include "support/xol_corvana.h"

namespace Srv_Xol41260 {
namespace {

using conta::text_encoding::widen;

// A value in the general format with the locale's separator, as context
// texts show numbers.
std::string comoTexto(double value) {
  return conta::Variant(value).toText();
}

// A filter text's literal: the text in quotes, a quote inside doubled.
std::string literal(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

// The bill's items read again from the database, with every edit of the
// call in them.
void recarregaItens(TdtmFuncoesRev& dm, const ValoresConta& v) {
  const std::string& filial = dm.ParametrosLoja.CDFILIAL;
  dm.cdsItemComandas.setData(ResultadoOperacao(
      dm.GetItProdVend(widen(filial), widen(v.ListaComandas), widen(v.LugaresMesa),
                       widen(v.ItensExcluidos)),
      "GetItProdVend", Contexto({filial, v.ListaComandasBase, v.ItensExcluidos})));
}

// What the bill's items show of the cover, each item cut to two decimals:
// the charge, and for its explanation the units, a unit's price and the
// seats they stand on.
double couvertMostrado(TdtmFuncoesRev& dm, const std::string& produto,
                       ExplicacaoCouvert& explicacao) {
  conta::ClientDataSet& itens = dm.cdsItemComandas;
  long double total = 0;
  explicacao.unidades = 0;
  explicacao.lugares.clear();
  for (itens.first(); !itens.eof(); itens.next()) {
    if (itens.fieldByName("CDPRODUTO").asString() != produto) continue;
    const double preco = itens.fieldByName("VRPRECCOMVEN").asFloat();
    const double quantidade = itens.fieldByName("QTPRODCOMVEN").asFloat();
    total += Xol_corvana::Trunc2(preco * quantidade);
    explicacao.unidades += quantidade;
    explicacao.preco = Xol_corvana::Trunc2(preco);
    const std::string lugar = itens.fieldByName("NRLUGARMESA").asString();
    if (!lugar.empty()) explicacao.lugares.push_back(lugar);
  }
  std::sort(explicacao.lugares.begin(), explicacao.lugares.end());
  explicacao.lugares.erase(std::unique(explicacao.lugares.begin(), explicacao.lugares.end()),
                           explicacao.lugares.end());
  return static_cast<double>(total);
}

}  // namespace

conta::Variant TdtmFuncoesRev::setCalculaCouvert(const std::wstring& CDFILIAL, const std::wstring&,
                                                 const std::wstring& NRCOMANDA,
                                                 const std::wstring& CDPRODUTO,
                                                 double QTPRODCOMVEN) {
  using conta::data::narrowText;
  return conta::data::envelope(adcFuncoesRev, [&]() CONTA_REQUIRES(moduleMutex) {
    // 1. The cover items of the listed comandas of open sales, one row each.
    adqCouvert.close();
    adqCouvert.setParameter("P_CDFILIAL", narrowText(CDFILIAL));
    adqCouvert.setParameter("P_NRCOMANDA", narrowText(NRCOMANDA));
    adqCouvert.setParameter("P_CDPRODUTO", narrowText(CDPRODUTO));
    adqCouvert.open();

    // 2-4. One cover item takes the persons; several take one unit each, as
    // every item at a reserved table billed by seat does. Each item is named
    // by its comanda and number: the other comandas of its sale may be
    // outside the bill, and an item that holds its quantity is not written.
    const bool porLugar = PrefixoComanda == "RES" && ParametrosLoja.IDLUGARMESA == "S";
    const double quantidade = adqCouvert.recordCount() == 1 && !porLugar ? QTPRODCOMVEN : 1;
    for (adqCouvert.first(); !adqCouvert.eof(); adqCouvert.next()) {
      if (adqCouvert.value("QTPRODCOMVEN").toDouble() == quantidade) continue;
      acmCalculaCouvert.setParameter("P_QTPRODCOMVEN", conta::Variant(quantidade));
      acmCalculaCouvert.setParameter("P_CDFILIAL", narrowText(CDFILIAL));
      acmCalculaCouvert.setParameter("P_NRVENDAREST", adqCouvert.value("NRVENDAREST"));
      acmCalculaCouvert.setParameter("P_NRCOMANDA", adqCouvert.value("NRCOMANDA"));
      acmCalculaCouvert.setParameter("P_NRPRODCOMVEN", adqCouvert.value("NRPRODCOMVEN"));
      acmCalculaCouvert.setParameter("P_CDPRODUTO", narrowText(CDPRODUTO));
      acmCalculaCouvert.execute();
    }
    // 5.
    return conta::Variant();
  });
}

conta::Variant TdtmFuncoesRev::SetAlteraNumIt(const std::wstring& CDFILIAL,
                                              const std::wstring& NRVENDAREST,
                                              const std::wstring& NRCOMANDA,
                                              const std::wstring& CDPRODUTO, double QTPRODCOMVEN) {
  using conta::data::narrowText;
  return conta::data::envelope(adcFuncoesRev, [&] {
    acmAlteraNumIt.setParameter("CDFILIAL", narrowText(CDFILIAL));
    acmAlteraNumIt.setParameter("NRVENDAREST", narrowText(NRVENDAREST));
    acmAlteraNumIt.setParameter("NRCOMANDA", narrowText(NRCOMANDA));
    acmAlteraNumIt.setParameter("CDPRODUTO", narrowText(CDPRODUTO));
    acmAlteraNumIt.setParameter("QTPRODCOMVEN", conta::Variant(QTPRODCOMVEN));
    acmAlteraNumIt.execute();
    return conta::Variant();
  });
}

double TdtmFuncoesRev::IncluiCouver(conta::ClientDataSet& itens, const std::string& comanda,
                                    const std::string& venda, double unidades) {
  ModuleLock lock;
  const TParametrosLoja& loja = ParametrosLoja;
  const std::string& produto = loja.CDPRODCOUVER;
  const std::string contexto =
      Contexto({loja.CDFILIAL, venda, comanda, produto, comoTexto(unidades)});

  // 1. The cover row: among the items (its code in any case), or stored on
  // the comanda on a seat the items do not show.
  bool temCouvert = itens.locate("CDPRODUTO", conta::Variant(produto), {.caseInsensitive = true});
  double quantidade = temCouvert ? itens.fieldByName("QTPRODCOMVEN").asFloat() : 0;
  if (!temCouvert) {
    for (const ItemCobranca& item : ItensCobranca(*this, comanda, produto)) {
      if (item.venda != venda || item.comanda != comanda) continue;
      temCouvert = true;
      quantidade = item.quantidade;
      break;
    }
  }
  const bool porLugar = PrefixoComanda == "RES" && loja.IDLUGARMESA == "S";

  if (temCouvert && !porLugar) {
    // 2. Re-counted in the database; the row in memory stays as it is.
    if (quantidade != unidades) {
      ConfereOperacao(SetAlteraNumIt(widen(loja.CDFILIAL), widen(venda), widen(comanda),
                                     widen(produto), unidades),
                      "SetAlteraNumIt", contexto);
    }
  } else {
    // 3. Added: by seat at a reserved table, the seats that lack it.
    if (loja.UTILIZAIMPFIS) VerificaImpostoCobranca(*this, produto, kImpostoCouvert);
    ConfereOperacao(setIncluiConsumaCouvert(widen(loja.CDFILIAL), widen(venda), widen(comanda),
                                            widen(produto), unidades, widen(loja.CDLOJA),
                                            loja.PRECOCOUVERT, widen(loja.CDCLIENTE)),
                    "setIncluiConsumaCouvert",
                    Contexto({contexto, loja.CDLOJA, "", "0", loja.CDCLIENTE, ""}));
    CarregaProdutoCobranca(*this, produto);
    itens.insert();
    itens.fieldByName("CDPRODUTO").setValue(conta::Variant(produto));
    itens.fieldByName("QTPRODCOMVEN").setValue(conta::Variant(unidades));
    itens.fieldByName("NMPRODUTO").setValue(cdsItComanda.fieldByName("NMPRODUTO").value());
    itens.fieldByName("CDARVPROD").setValue(cdsItComanda.fieldByName("CDARVPROD").value());
    itens.fieldByName("VRPRECCOMVEN")
        .setValue(conta::Variant(Xol_corvana::Trunc2(loja.PRECOCOUVERT)));
    itens.post();
  }
  // 4. The stored price, not cut, whichever way ran.
  return unidades * loja.PRECOCOUVERT;
}

void CobraCouvertArtistico(TdtmFuncoesRev& dm, ValoresConta& v) {
  const TParametrosLoja& loja = dm.ParametrosLoja;
  const std::string& filial = loja.CDFILIAL;
  const std::string& produto = loja.CDPRODCOUVER;
  conta::ClientDataSet& itens = dm.cdsItemComandas;
  const std::string contexto = Contexto({filial, v.ListaComandasBase, produto});

  ExplicacaoCouvert& explicacao = v.Explicacao.couvert;
  explicacao.unidades = v.QtdePessoas;
  explicacao.preco = loja.PRECOCOUVERT;
  // A cover for nobody is no cover: its items go as when it is not asked.
  if (v.CobraCouvert && v.QtdePessoas > 0) {
    // 19.1 The bill's cover items as stored, whatever seats the bill shows,
    // down to the one that carries the cover (one per seat at a reserved
    // table billed by seat). They are re-counted from the persons; the item
    // is changed when its amount no longer matches.
    const bool porLugar = dm.PrefixoComanda == "RES" && loja.IDLUGARMESA == "S";
    explicacao.porLugar = porLugar;
    const std::vector<ItemCobranca> mantidos = ConsolidaItensCobranca(dm, v, produto, porLugar);
    if (!mantidos.empty()) {
      const ItemCobranca& item = mantidos.front();
      ConfereOperacao(dm.setCalculaCouvert(widen(filial), widen(item.venda), widen(v.ListaComandas),
                                           widen(produto), v.QtdePessoas),
                      "setCalculaCouvert", contexto);
      explicacao.preco = Xol_corvana::Trunc2(item.preco);
      v.VrCouvert = explicacao.preco * v.QtdePessoas;
      if (Xol_corvana::Trunc2(v.VrCouvertItens) != Xol_corvana::Trunc2(v.VrCouvert) &&
          loja.IDCOUVERART == "S") {
        explicacao.preco = loja.PRECOCOUVERT;
        v.VrCouvert = dm.IncluiCouver(itens, item.comanda, item.venda, v.QtdePessoas);
      }
      recarregaItens(dm, v);
    } else if (loja.IDCOUVERART == "S") {
      // 19.2 No cover item yet: one is added to the base comanda.
      v.VrCouvert = dm.IncluiCouver(itens, v.ListaComandasBase, v.NrVendaBase, v.QtdePessoas);
      recarregaItens(dm, v);
    } else {
      explicacao.motivo = MotivoSemCobranca::CouvertDesligadoNaLoja;
      return;
    }
    // By seat, a unit goes on every seat in use as well as on the seats up to
    // the persons: the bill charges the units on the seats it covers, as it
    // shows them, so that what it charges is what the comanda holds.
    if (porLugar) v.VrCouvert = couvertMostrado(dm, produto, explicacao);
    explicacao.cobrado = v.VrCouvert;
    return;
  }
  explicacao.motivo = !v.PedidoCouvert  ? MotivoSemCobranca::NaoPedida
                      : !v.CobraCouvert ? MotivoSemCobranca::DesligadaNaComanda
                                        : MotivoSemCobranca::SemPessoas;

  // 20. No cover on this bill: its items go, from the bill and from every
  // listed comanda (also those on seats the bill does not show). The filter
  // text stays set, switched off.
  itens.setFiltered(false);
  itens.setFilterText("CDPRODUTO  = " + literal(produto));
  itens.setFiltered(true);
  // The item dataset outlives the bill: a failure part-way must not leave it
  // filtered, or the next bill would see only the cover rows as its items.
  struct FilterOff {
    conta::ClientDataSet& dataset;
    ~FilterOff() { dataset.setFiltered(false); }
  } filterOff{itens};
  if (!itens.isEmpty() || !ItensCobranca(dm, v.ListaComandas, produto).empty()) {
    while (!itens.isEmpty()) {
      itens.first();
      itens.remove();
    }
    ConfereOperacao(dm.SetRetiraItem(widen(filial), widen(v.ListaComandas), widen(produto)),
                    "setRetiraItem", contexto);
    v.VrCouvert = 0;
  }
}

}  // namespace Srv_Xol41260
