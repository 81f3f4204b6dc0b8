#include "support/test_databases.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "data/store_schema.h"
#include "platform/db/script.h"

namespace conta::testing_support {
namespace {

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string uniqueSuffix() {
  static std::atomic<int> counter{0};
  return std::to_string(::getpid()) + "_" + std::to_string(++counter);
}

std::string freshSqliteFile() {
  std::filesystem::path dir = std::filesystem::path(CONTA_TEST_TMP) / "databases";
  std::filesystem::create_directories(dir);
  std::filesystem::path file = dir / ("store_" + uniqueSuffix() + ".db");
  std::filesystem::remove(file);
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  sqlite3_close(db);
  return file.string();
}

// Runs one statement on PostgreSQL with libpq; empty string on success.
std::string pgRun(const std::string& conninfo, const std::string& sql) {
  PGconn* connection = PQconnectdb(conninfo.c_str());
  std::string error;
  if (PQstatus(connection) != CONNECTION_OK) {
    error = PQerrorMessage(connection);
  } else {
    PGresult* result = PQexec(connection, sql.c_str());
    if (PQresultStatus(result) != PGRES_COMMAND_OK) error = PQerrorMessage(connection);
    PQclear(result);
  }
  PQfinish(connection);
  return error;
}

}  // namespace

TestDatabase::TestDatabase(const std::string& kind) : kind_(kind) {
  if (kind == "sqlite") {
    file_ = freshSqliteFile();
    connection_string_ = "sqlite:" + file_;
  } else if (kind == "odbc_sqlite") {
    std::string base = env("CONTA_TEST_ODBC_SQLITE");
    if (base.empty()) {
      skip_reason_ =
          "set CONTA_TEST_ODBC_SQLITE (e.g. \"DRIVER={SQLite3};\") to run against "
          "SQLite through ODBC";
      return;
    }
    file_ = freshSqliteFile();
    if (!base.empty() && base.back() != ';') base += ';';
    connection_string_ = "odbc:" + base + "DATABASE=" + file_ + ";";
  } else if (kind == "postgresql" || kind == "odbc_postgresql") {
    admin_ = env("CONTA_TEST_POSTGRESQL");
    std::string odbc = env("CONTA_TEST_ODBC_POSTGRESQL");
    if (admin_.empty()) {
      skip_reason_ =
          "set CONTA_TEST_POSTGRESQL to a libpq key=value string to run against "
          "PostgreSQL";
      return;
    }
    if (kind == "odbc_postgresql" && odbc.empty()) {
      skip_reason_ =
          "set CONTA_TEST_ODBC_POSTGRESQL to an ODBC string for psqlODBC to run "
          "against PostgreSQL through ODBC";
      return;
    }
    schema_ = "conta_test_" + uniqueSuffix();
    std::string error = pgRun(admin_, "CREATE SCHEMA " + schema_);
    if (!error.empty()) {
      ADD_FAILURE() << "cannot create a test schema on PostgreSQL: " << error;
      skip_reason_ = "PostgreSQL is configured but unreachable";
      return;
    }
    if (kind == "postgresql") {
      connection_string_ = admin_ + " options='-c search_path=" + schema_ + "'";
    } else {
      if (odbc.back() != ';') odbc += ';';
      connection_string_ = "odbc:" + odbc + "Pqopt={options='-c search_path=" + schema_ + "'};";
    }
  } else {
    skip_reason_ = "unknown database kind " + kind;
  }
}

TestDatabase::~TestDatabase() {
  if (!file_.empty()) std::filesystem::remove(file_);
  if (!schema_.empty()) pgRun(admin_, "DROP SCHEMA " + schema_ + " CASCADE");
}

std::string TestDatabase::schemaDialect() const {
  return kind_.find("postgresql") != std::string::npos ? "postgresql" : "sqlite";
}

void DatabaseTest::SetUp() {
  database_ = std::make_unique<TestDatabase>(GetParam());
  if (!database_->skipReason().empty()) GTEST_SKIP() << database_->skipReason();
  connection_ = std::make_unique<db::Connection>("test");
  connection_->setConnectionString(database_->connectionString());
  connection_->open();
}

void DatabaseTest::TearDown() {
  connection_.reset();
  database_.reset();
}

void DatabaseTest::exec(const std::string& sql) {
  db::runSqlScript(*connection_, sql);
}

void DatabaseTest::createStoreSchema() {
  db::runSqlScript(*connection_, storeSchemaSql(database_->schemaDialect()));
}

std::string databaseKindName(const ::testing::TestParamInfo<std::string>& info) {
  return info.param;
}

}  // namespace conta::testing_support
