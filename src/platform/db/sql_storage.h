// SqlStorage: the texts of one statement for every dialect, side by side.
// Linked to its statement, it makes the statement run the text of the
// database the connection reaches (an Oracle database gets the Oracle text,
// MS SQL Server the MSSQL text, PostgreSQL and SQLite their own).
#ifndef CONTA_PLATFORM_DB_SQL_STORAGE_H_
#define CONTA_PLATFORM_DB_SQL_STORAGE_H_

#include <string>

#include "platform/db/dialect.h"

namespace conta::db {

class Statement;

struct DialectTexts {
  std::string oracle;
  std::string mssql;
  std::string postgresql;
  std::string sqlite;

  const std::string& forDialect(Dialect dialect) const;
};

class SqlStorage {
 public:
  // Links itself to `statement`; the statement must not outlive it.
  SqlStorage(Statement& statement, DialectTexts texts = {});
  ~SqlStorage();
  SqlStorage(const SqlStorage&) = delete;
  SqlStorage& operator=(const SqlStorage&) = delete;

  const DialectTexts& texts() const { return texts_; }
  // Replaces the texts; the statement takes them on its next run.
  void setTexts(DialectTexts texts);
  // DatabaseError when the dialect has no text.
  const std::string& textFor(Dialect dialect) const;

 private:
  Statement& statement_;
  DialectTexts texts_;
};

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_SQL_STORAGE_H_
