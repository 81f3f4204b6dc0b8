#include "platform/db/sql_storage.h"

#include "platform/db/database_error.h"
#include "platform/db/statement.h"

namespace conta::db {

const std::string& DialectTexts::forDialect(Dialect dialect) const {
  switch (dialect) {
    case Dialect::Oracle:
      return oracle;
    case Dialect::MsSql:
      return mssql;
    case Dialect::PostgreSql:
      return postgresql;
    case Dialect::Sqlite:
      return sqlite;
  }
  return oracle;
}

SqlStorage::SqlStorage(Statement& statement, DialectTexts texts) : statement_(statement) {
  statement_.storage_ = this;
  setTexts(std::move(texts));
}

void SqlStorage::setTexts(DialectTexts texts) {
  texts_ = std::move(texts);
  statement_.parsed_for_.reset();
  // The parameters are known before the database is: set by name at once.
  for (Dialect d : {Dialect::Oracle, Dialect::MsSql, Dialect::PostgreSql, Dialect::Sqlite}) {
    const std::string& text = texts_.forDialect(d);
    if (!text.empty()) statement_.adoptParameters(parseNamedParameters(text));
  }
}

SqlStorage::~SqlStorage() {
  if (statement_.storage_ == this) statement_.storage_ = nullptr;
}

const std::string& SqlStorage::textFor(Dialect dialect) const {
  const std::string& text = texts_.forDialect(dialect);
  if (text.empty()) {
    throw DatabaseError(statement_.name() + ": no " + dialectName(dialect) +
                        " text for this statement");
  }
  return text;
}

}  // namespace conta::db
