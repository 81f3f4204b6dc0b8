// The next-number service: the next free item number of a comanda.
#ifndef CONTA_SUPPORT_XOL_PROXIMOCODIGO_H_
#define CONTA_SUPPORT_XOL_PROXIMOCODIGO_H_

#include <string>

#include "platform/db/connection.h"
#include "platform/db/statement.h"

namespace Xol_proximocodigo {

// Created for one request and freed after it. It reads the comanda's items
// through the module's connection, so inside a transaction it sees the items
// that transaction added: two numbers taken for one comanda in one insertion
// never collide.
class TdtmXolProxCodigo {
 public:
  explicit TdtmXolProxCodigo(conta::db::Connection& connection);

  // The comanda's next item number as a 6-character text ("000007"): the
  // highest numeric NRPRODCOMVEN among the comanda's ITCOMANDAVEN rows of the
  // branch, plus `increment`. The comanda is matched on its first 10
  // characters, the width of NRCOMANDA, as the insertion stores it. Throws
  // (DatabaseError, conta::Error when no 6-digit number is left).
  std::string PrxItemComanda(const std::string& branch, const std::string& comanda, int increment);

 private:
  conta::db::Query adqItensComanda;
};

}  // namespace Xol_proximocodigo

#endif  // CONTA_SUPPORT_XOL_PROXIMOCODIGO_H_
