#include "support/xol_proximocodigo.h"

#include <cstdio>

#include "conta/error.h"

namespace Xol_proximocodigo {

TdtmXolProxCodigo::TdtmXolProxCodigo(conta::db::Connection& connection)
    : adqItensComanda(connection, "adqItensComanda") {
  // One text for every database: nothing in it depends on the dialect. The
  // product is read though not used: a query of key columns alone is
  // answered from the primary key, and SQLite, on a store without
  // statistics, then reads the branch's every item by the key's branch
  // prefix instead of the comanda's few through the comanda index.
  adqItensComanda.setSql(
      "SELECT NRPRODCOMVEN, CDPRODUTO FROM ITCOMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND "
      "NRCOMANDA = :P_NRCOMANDA");
}

std::string TdtmXolProxCodigo::PrxItemComanda(const std::string& branch, const std::string& comanda,
                                              int increment) {
  adqItensComanda.close();
  adqItensComanda.setParameter("P_CDFILIAL", conta::Variant(branch));
  adqItensComanda.setParameter("P_NRCOMANDA", conta::Variant(comanda.substr(0, 10)));
  adqItensComanda.open();
  // Numbers are compared as numbers: "10" comes after "9" whatever their
  // padding; numbers that are no numbers do not count.
  long long highest = 0;
  for (adqItensComanda.first(); !adqItensComanda.eof(); adqItensComanda.next()) {
    conta::Variant number = adqItensComanda.value("NRPRODCOMVEN");
    if (!number.isText()) continue;
    const std::string& text = number.text();
    if (text.empty() || text.size() > 9) continue;
    bool digits = true;
    for (char c : text)
      digits = digits && c >= '0' && c <= '9';
    if (digits) highest = std::max(highest, std::stoll(text));
  }
  adqItensComanda.close();
  long long next = highest + (increment > 0 ? increment : 1);
  if (next > 999999) {
    throw conta::Error("the comanda " + comanda.substr(0, 10) +
                       " has no free item number left (999999 taken)");
  }
  char text[24];
  std::snprintf(text, sizeof text, "%06lld", next);
  return text;
}

}  // namespace Xol_proximocodigo
