// A transaction for the length of a scope. It begins one when the
// connection has none open, and joins (and leaves alone) one that is open:
// it only ever ends what it began. Unless committed, what it began is rolled
// back when the scope ends, on every path out of it, an exception included.
#ifndef CONTA_FRAME_TRANSACTION_SCOPE_H_
#define CONTA_FRAME_TRANSACTION_SCOPE_H_

#include "platform/db/connection.h"

namespace Srv_Xol41260 {

class TransactionScope {
 public:
  // Begins a transaction unless one is open (DatabaseError when it cannot).
  explicit TransactionScope(conta::db::Connection& connection);
  // Rolls back the transaction begun here and not committed; a failing
  // rollback is swallowed (the failure that ended the scope is the one that
  // matters, and the server drops the transaction with the connection).
  ~TransactionScope();
  TransactionScope(const TransactionScope&) = delete;
  TransactionScope& operator=(const TransactionScope&) = delete;

  // Commits the transaction begun here; a joined one is left to its owner.
  // A commit that fails leaves the transaction to the destructor.
  void commit();
  // Rolls the transaction begun here back now.
  void rollback();
  // Whether this scope began the transaction and has not ended it yet.
  [[nodiscard]] bool owns() const { return owns_; }

 private:
  conta::db::Connection& connection_;
  bool owns_ = false;
};

}  // namespace Srv_Xol41260

#endif  // CONTA_FRAME_TRANSACTION_SCOPE_H_
