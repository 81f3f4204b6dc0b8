// The transaction of one bill. Every statement of a bill runs in it, and the
// first one locks the branch's bills out: two bills of one table, from any
// two processes (terminals, application servers, the tool), run one after
// the other instead of both adding the charge items neither has seen yet.
// A bill that fails leaves the store exactly as it found it; a preview
// undoes its writes on purpose.
#ifndef CONTA_BILL_BILL_TRANSACTION_H_
#define CONTA_BILL_BILL_TRANSACTION_H_

#include <optional>
#include <string>

#include "frame/data_module.h"
#include "frame/transaction_scope.h"

namespace Srv_Xol41260 {

class TransacaoConta {
 public:
  // Begins the transaction and takes the lock of the branch's bills. A bill
  // that waits for another bill of the branch longer than the engines' lock
  // wait fails with a text for the operator that says so ("... outra conta
  // da filial ..."), having written nothing; so does a branch that has no
  // row in FILIAL, which has nothing to lock. When the host holds a
  // transaction of its own on the module's connection, the bill works in it
  // and leaves its end to the host (a preview then refuses to start).
  TransacaoConta(TdtmFuncoesRev& dm, const std::string& filial, bool previa)
      CONTA_REQUIRES(moduleMutex);
  // Rolls back a transaction begun here and neither confirmed nor undone.
  ~TransacaoConta() CONTA_REQUIRES(moduleMutex);
  TransacaoConta(const TransacaoConta&) = delete;
  TransacaoConta& operator=(const TransacaoConta&) = delete;

  // Commits the bill's writes.
  void confirma() CONTA_REQUIRES(moduleMutex);
  // Rolls the bill's writes back: the store is as before the bill.
  void desfaz() CONTA_REQUIRES(moduleMutex);

 private:
  void termina(bool confirmar) CONTA_REQUIRES(moduleMutex);
  // Takes the lock of the branch's bills; false when the branch has no row.
  bool bloqueiaFilial() CONTA_REQUIRES(moduleMutex);

  TdtmFuncoesRev& dm_;
  std::string filial_;
  // The bill's transaction (the host's, joined, when one was open); none
  // when the bill runs without one, or after it ended.
  std::optional<TransactionScope> transacao_;
};

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_BILL_TRANSACTION_H_
