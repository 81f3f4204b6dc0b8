// The databases the shared test suite runs against. Each test gets a fresh,
// empty database of its kind:
//   sqlite             always (a new file)
//   postgresql         when CONTA_TEST_POSTGRESQL holds a libpq key=value
//                      string (a new schema per test)
//   odbc-sqlite        when CONTA_TEST_ODBC_SQLITE holds an ODBC string naming
//                      the SQLite driver (a new file is appended)
//   odbc-postgresql    when CONTA_TEST_ODBC_POSTGRESQL holds an ODBC string
//                      for psqlODBC (a new schema per test)
// A database whose variable is unset is skipped with a message naming it.
#ifndef CONTA_TESTS_SUPPORT_TEST_DATABASES_H_
#define CONTA_TESTS_SUPPORT_TEST_DATABASES_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/db/connection.h"

namespace conta::testing_support {

inline const std::vector<std::string>& testDatabaseKinds() {
  static const std::vector<std::string> kinds = {"sqlite", "postgresql", "odbc_sqlite",
                                                 "odbc_postgresql"};
  return kinds;
}

// A fresh database of one kind. Creating it may fail the test (a server that
// is configured but unreachable is a failure, not a skip).
class TestDatabase {
 public:
  explicit TestDatabase(const std::string& kind);
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  // Non-empty when the kind is not configured here.
  const std::string& skipReason() const { return skip_reason_; }
  const std::string& connectionString() const { return connection_string_; }
  const std::string& kind() const { return kind_; }
  // "sqlite" or "postgresql": the store schema and texts this database takes.
  std::string schemaDialect() const;

 private:
  std::string kind_;
  std::string skip_reason_;
  std::string connection_string_;
  std::string file_;    // SQLite kinds
  std::string schema_;  // PostgreSQL kinds
  std::string admin_;   // libpq string to drop the schema afterwards
};

// A fixture parameterised over testDatabaseKinds(): a fresh database and an
// open connection to it.
class DatabaseTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs statements without parameters (table set-up).
  void exec(const std::string& sql);
  void createStoreSchema();

  std::unique_ptr<TestDatabase> database_;
  std::unique_ptr<db::Connection> connection_;
};

// Names for the parameterised instances: DatabaseTest/sqlite, .../postgresql.
std::string databaseKindName(const ::testing::TestParamInfo<std::string>& info);

}  // namespace conta::testing_support

#endif  // CONTA_TESTS_SUPPORT_TEST_DATABASES_H_
