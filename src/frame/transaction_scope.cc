#include "frame/transaction_scope.h"

namespace Srv_Xol41260 {

TransactionScope::TransactionScope(conta::db::Connection& connection) : connection_(connection) {
  if (connection_.inTransaction()) return;
  connection_.beginTransaction();
  owns_ = true;
}

TransactionScope::~TransactionScope() {
  if (!owns_) return;
  try {
    if (connection_.inTransaction()) connection_.rollback();
  } catch (...) {
  }
}

void TransactionScope::commit() {
  if (!owns_) return;
  connection_.commit();
  owns_ = false;
}

void TransactionScope::rollback() {
  if (!owns_) return;
  owns_ = false;
  if (connection_.inTransaction()) connection_.rollback();
}

}  // namespace Srv_Xol41260
