// The charge items a bill keeps on its comandas (cover, minimum consumption)
// as the store holds them: what a bill reads to decide whether its charge
// item is there, whatever seats and items the bill itself shows, and how it
// brings them down to the one item (or one per seat) that carries its
// charge.
#ifndef CONTA_BILL_CHARGE_ITEMS_H_
#define CONTA_BILL_CHARGE_ITEMS_H_

#include <string>
#include <vector>

#include "bill/bill_values.h"
#include "frame/data_module.h"

namespace Srv_Xol41260 {

// One stored item of a charge product.
struct ItemCobranca {
  std::string venda;    // NRVENDAREST
  std::string comanda;  // NRCOMANDA
  std::string numero;   // NRPRODCOMVEN
  std::string lugar;    // NRLUGARMESA ("" when none)
  double quantidade = 0;
  double preco = 0;
};

// The items of `produto` on the comandas of `lista` (a comanda list as the
// bill's lookups match it) of open sales of the branch, any seat, not
// cancelled, in the order of sale, comanda and item number. A database
// failure is reported and raised as every lookup of the bill.
std::vector<ItemCobranca> ItensCobranca(TdtmFuncoesRev& dm, const std::string& lista,
                                        const std::string& produto) CONTA_REQUIRES(moduleMutex);

// The items of `produto` that carry the bill's charge: those on the bill's
// base comanda when it holds any, else those on the comanda of the first
// item; of these one, or in the per-seat mode one per seat. Every other
// stored item of the product on the bill's comandas is deleted, and its
// record leaves the bill's items. Empty when the bill holds no such item.
std::vector<ItemCobranca> ConsolidaItensCobranca(TdtmFuncoesRev& dm, const ValoresConta& v,
                                                 const std::string& produto, bool porLugar)
    CONTA_REQUIRES(moduleMutex);

// Deletes one stored item of `produto`, and its record from the bill's
// items when they show it.
void RetiraItemCobranca(TdtmFuncoesRev& dm, const ItemCobranca& item, const std::string& produto)
    CONTA_REQUIRES(moduleMutex);

// Deletes every record of `produto` from the bill's items (the database is
// left as it is).
void RetiraRegistrosProduto(TdtmFuncoesRev& dm, const std::string& produto)
    CONTA_REQUIRES(moduleMutex);

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_CHARGE_ITEMS_H_
