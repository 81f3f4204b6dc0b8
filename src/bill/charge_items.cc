// The stored charge items of a bill: read whatever the bill shows, and
// brought down to the item (or the item per seat) that carries the charge.
#include "bill/charge_items.h"

#include <set>

#include "bill/operation_report.h"
#include "data/envelope.h"

namespace Srv_Xol41260 {
namespace {

std::string texto(const conta::Variant& value) {
  return value.isNull() || value.isEmpty() ? std::string() : value.toText();
}

// Moves the bill's items onto the record of a stored item; false when they
// do not show it (another seat, an excluded item).
bool localizaRegistro(TdtmFuncoesRev& dm, const ItemCobranca& item, const std::string& produto) {
  if (!dm.cdsItemComandas.active()) return false;
  return dm.cdsItemComandas.locate(
      "NRVENDAREST;NRCOMANDA;NRPRODCOMVEN;CDPRODUTO",
      conta::Variant::array({conta::Variant(item.venda), conta::Variant(item.comanda),
                             conta::Variant(item.numero), conta::Variant(produto)}));
}

}  // namespace

std::vector<ItemCobranca> ItensCobranca(TdtmFuncoesRev& dm, const std::string& lista,
                                        const std::string& produto) {
  const std::string& filial = dm.ParametrosLoja.CDFILIAL;
  std::vector<ItemCobranca> itens;
  ConfereOperacao(
      conta::data::envelope(
          dm.adcFuncoesRev,
          [&] {
            conta::db::Query& query = dm.adqCouvert;
            query.close();
            query.setParameter("P_CDFILIAL", conta::Variant(filial));
            query.setParameter("P_NRCOMANDA", conta::Variant(lista));
            query.setParameter("P_CDPRODUTO", conta::Variant(produto));
            query.open();
            for (query.first(); !query.eof(); query.next()) {
              itens.push_back(
                  {texto(query.value("NRVENDAREST")), texto(query.value("NRCOMANDA")),
                   texto(query.value("NRPRODCOMVEN")), texto(query.value("NRLUGARMESA")),
                   query.value("QTPRODCOMVEN").toDouble(), query.value("VRPRECCOMVEN").toDouble()});
            }
            return conta::Variant();
          }),
      "getItensCobranca", Contexto({filial, lista, produto}));
  return itens;
}

void RetiraItemCobranca(TdtmFuncoesRev& dm, const ItemCobranca& item, const std::string& produto) {
  const std::string& filial = dm.ParametrosLoja.CDFILIAL;
  ConfereOperacao(
      conta::data::envelope(dm.adcFuncoesRev,
                            [&] {
                              conta::db::Command& command = dm.acmRetiraItemCobranca;
                              command.setParameter("P_CDFILIAL", conta::Variant(filial));
                              command.setParameter("P_NRVENDAREST", conta::Variant(item.venda));
                              command.setParameter("P_NRCOMANDA", conta::Variant(item.comanda));
                              command.setParameter("P_NRPRODCOMVEN", conta::Variant(item.numero));
                              command.setParameter("P_CDPRODUTO", conta::Variant(produto));
                              command.execute();
                              return conta::Variant();
                            }),
      "setRetiraItemCobranca", Contexto({filial, item.venda, item.comanda, item.numero, produto}));
  if (localizaRegistro(dm, item, produto)) dm.cdsItemComandas.remove();
}

void RetiraRegistrosProduto(TdtmFuncoesRev& dm, const std::string& produto) {
  conta::ClientDataSet& itens = dm.cdsItemComandas;
  if (!itens.active()) return;
  itens.first();
  while (!itens.eof()) {
    if (itens.fieldByName("CDPRODUTO").asString() == produto) {
      itens.remove();
      if (itens.isEmpty()) break;
    } else {
      itens.next();
    }
  }
}

std::vector<ItemCobranca> ConsolidaItensCobranca(TdtmFuncoesRev& dm, const ValoresConta& v,
                                                 const std::string& produto, bool porLugar) {
  const std::vector<ItemCobranca> guardados = ItensCobranca(dm, v.ListaComandas, produto);
  if (guardados.empty()) return {};
  // The comanda that carries the charge: the base comanda when it holds the
  // product, else the first that does. The charge stays where an earlier
  // bill of these comandas put it, whatever the order they are listed in.
  const ItemCobranca* portador = &guardados.front();
  for (const ItemCobranca& item : guardados) {
    if (item.venda == v.NrVendaBase && item.comanda == v.ListaComandasBase) {
      portador = &item;
      break;
    }
  }
  const std::string venda = portador->venda;
  const std::string comanda = portador->comanda;
  std::vector<ItemCobranca> mantidos;
  std::set<std::string> lugares;
  for (const ItemCobranca& item : guardados) {
    const bool noPortador = item.venda == venda && item.comanda == comanda;
    if (noPortador && (porLugar ? lugares.insert(item.lugar).second : mantidos.empty())) {
      mantidos.push_back(item);
    } else {
      RetiraItemCobranca(dm, item, produto);
    }
  }
  return mantidos;
}

}  // namespace Srv_Xol41260
