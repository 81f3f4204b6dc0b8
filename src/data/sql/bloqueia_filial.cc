// adqBloqueiaFilial: the first statement of every bill, in the bill's
// transaction: it locks the branch's own row, so that every other bill of the
// branch, from any process, waits until this one ends. A bill that waits
// longer than the lock wait of every engine (15 s) fails instead. The branch
// must have its row: no row, no lock.
//   Oracle: the row locked for update, waiting at most 15 s (ORA-30006).
//   MS SQL Server: the row locked for update (SET LOCK_TIMEOUT on the
//     connection bounds the wait).
//   PostgreSQL: the row locked for update (lock_timeout on the connection).
//   SQLite: the bill's transaction begins IMMEDIATE and holds the database's
//     write lock already; the row is only read (busy timeout on the
//     connection).
#include "data/sql/statements.h"

namespace conta::data::sql {

const StatementDefinition& adqBloqueiaFilial() {
  static const StatementDefinition definition = {
      "adqBloqueiaFilial",
      true,
      {
          // Oracle
          R"sql(SELECT CDFILIAL FROM FILIAL WHERE (CDFILIAL = :P_CDFILIAL) FOR UPDATE WAIT 15)sql",
          // MS SQL Server
          R"sql(SELECT CDFILIAL FROM FILIAL WITH (UPDLOCK, ROWLOCK) WHERE (CDFILIAL = :P_CDFILIAL))sql",
          // PostgreSQL
          R"sql(SELECT CDFILIAL FROM FILIAL WHERE (CDFILIAL = :P_CDFILIAL) FOR UPDATE)sql",
          // SQLite
          R"sql(SELECT CDFILIAL FROM FILIAL WHERE (CDFILIAL = :P_CDFILIAL))sql",
      },
      {},
  };
  return definition;
}

}  // namespace conta::data::sql
