// The ODBC driver on its own: SQLite through the SQLite ODBC driver always,
// PostgreSQL through psqlODBC when CONTA_TEST_ODBC_POSTGRESQL holds an ODBC
// connection string.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/db/database_error.h"
#include "platform/db/odbc/connection.h"

namespace conta::db {
namespace {

BoundParameter text(std::string value) {
  return {ParamType::String, Variant(std::move(value))};
}
BoundParameter number(double value) {
  return {ParamType::Float, Variant(value)};
}
BoundParameter when(DateTime value) {
  return {ParamType::DateTime, Variant(value)};
}
BoundParameter null(ParamType type) {
  return {type, Variant::null()};
}

ResultSet run(DriverConnection& c, const std::string& sql, std::vector<BoundParameter> values = {},
              const std::vector<ColumnHint>* hints = nullptr, int timeout = 0) {
  ExecuteOptions options;
  options.hints = hints;
  options.timeout_seconds = timeout;
  return c.execute(parseNamedParameters(sql), values, options);
}

std::unique_ptr<DriverConnection> open(const std::string& odbc) {
  ConnectionTarget target;
  target.driver = DriverKind::Odbc;
  target.target = odbc;
  return openOdbc(target);
}

std::uint64_t bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

const DateTime kAt = DateTime::fromParts({2024, 3, 15, 14, 30, 5, 123});
const Variant kBlob = Variant::fromBytes(std::string{'\0', '\xff', 'A'});

// Checks that hold on every engine; `table` has ID INTEGER, NAME VARCHAR(40),
// PRICE (double) and AT (timestamp) columns.
void checkRoundTrip(DriverConnection& c, const std::string& table) {
  std::string insert = "INSERT INTO " + table + " (ID, NAME, PRICE, AT) VALUES (:ID, :N, :P, :A)";
  for (auto [id, name] :
       {std::pair{1, Variant("ação €")}, {2, Variant("")}, {3, Variant::null()}}) {
    auto done = run(c, insert,
                    {number(id),
                     {ParamType::String, name},
                     number(id == 1 ? 0.1 : 0.0),
                     id == 1 ? when(kAt) : null(ParamType::DateTime)});
    EXPECT_EQ(done.rows_affected, 1);
  }
  // :THREE occurs three times, around :N, and is bound at each place.
  auto r = run(c,
               "SELECT ID, NAME, PRICE, AT FROM " + table +
                   " WHERE ID = :THREE OR (NAME = :N AND :THREE = 3 AND :THREE * 2 = 6)"
                   " ORDER BY ID",
               {number(3), text("ação €")});
  EXPECT_EQ(r.fields, (std::vector<Field>{{"ID", FieldType::Int64},
                                          {"NAME", FieldType::String, 40},
                                          {"PRICE", FieldType::Float},
                                          {"AT", FieldType::DateTime}}));
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_EQ(r.rows[0][0], Variant(1));
  EXPECT_EQ(r.rows[0][1], Variant("ação €"));
  EXPECT_EQ(r.rows[0][2], Variant(0.1));
  EXPECT_EQ(r.rows[0][3], Variant(kAt));
  EXPECT_TRUE(r.rows[1][1].isNull());
  EXPECT_TRUE(r.rows[1][3].isNull());

  // Literal text in the statement crosses the driver manager intact.
  EXPECT_EQ(run(c, "SELECT NAME FROM " + table + " WHERE NAME = 'ação €'").rows.size(), 1u);

  auto empty = run(c, "SELECT NAME, PRICE FROM " + table + " WHERE ID = 2");
  ASSERT_EQ(empty.rows.size(), 1u);
  EXPECT_EQ(empty.rows[0][0], Variant(""));
  EXPECT_EQ(empty.rows[0][1], Variant(0.0));

  // A list of codes is longer than the column it is compared with.
  std::string list(200, 'x');
  list += "€";
  run(c, "UPDATE " + table + " SET NAME = NULL WHERE ID = 1");
  auto longer = run(c, "SELECT :L AS L, ID FROM " + table + " WHERE ID = 1", {text(list)});
  ASSERT_EQ(longer.rows.size(), 1u);
  EXPECT_EQ(longer.rows[0][0], Variant(list));
  // A text far longer than one piece of a read.
  std::string novel;
  for (int i = 0; i < 3000; ++i)
    novel += "çã€" + std::to_string(i);
  EXPECT_EQ(run(c, "SELECT :T AS T", {text(novel)}).rows.at(0).at(0), Variant(novel));

  EXPECT_EQ(run(c, "UPDATE " + table + " SET PRICE = 1 WHERE ID > 100").rows_affected, 0);
  EXPECT_EQ(run(c, "UPDATE " + table + " SET PRICE = 1 WHERE ID >= 2").rows_affected, 2);
}

void checkFailureAndTransactions(DriverConnection& c, const std::string& table) {
  try {
    run(c, "SELEC 1 FROM " + table);
    ADD_FAILURE() << "a syntax error was accepted";
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.sqlstate().size(), 5u) << e.what();
    EXPECT_FALSE(e.message().empty());
  }
  EXPECT_TRUE(c.alive());
  EXPECT_EQ(run(c, "SELECT COUNT(*) AS N FROM " + table).rows.at(0).at(0), Variant(0));

  std::string insert = "INSERT INTO " + table + " (ID) VALUES (:ID)";
  EXPECT_FALSE(c.inTransaction());
  c.begin();
  EXPECT_TRUE(c.inTransaction());
  EXPECT_THROW(c.begin(), DatabaseError);
  run(c, insert, {number(10)});
  c.rollback();
  EXPECT_FALSE(c.inTransaction());
  c.begin();
  run(c, insert, {number(11)});
  c.commit();
  EXPECT_FALSE(c.inTransaction());
  EXPECT_THROW(c.commit(), DatabaseError);
  // Back in autocommit: this row outlives the rollback that follows.
  run(c, insert, {number(12)});
  c.begin();
  run(c, insert, {number(13)});
  c.rollback();
  auto ids = run(c, "SELECT ID FROM " + table + " ORDER BY ID");
  ASSERT_EQ(ids.rows.size(), 2u);
  EXPECT_EQ(ids.rows[0][0], Variant(11));
  EXPECT_EQ(ids.rows[1][0], Variant(12));
}

class OdbcSqliteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(CONTA_TEST_TMP);
    path_ = std::string(CONTA_TEST_TMP) + "/odbc-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
    std::filesystem::remove(path_);
    odbc_ = "DRIVER={SQLite3};DATABASE=" + path_ + ";";
    c_ = open(odbc_);
    run(*c_, "CREATE TABLE T (ID INTEGER, NAME VARCHAR(40), PRICE DOUBLE, AT TIMESTAMP)");
  }
  void TearDown() override {
    c_.reset();
    std::filesystem::remove(path_);
  }

  std::string path_, odbc_;
  std::unique_ptr<DriverConnection> c_;
};

TEST_F(OdbcSqliteTest, DialectComesFromTheDbmsUnlessTheStringNamesIt) {
  EXPECT_EQ(c_->dialect(), Dialect::Sqlite);
  EXPECT_TRUE(c_->alive());
  ConnectionTarget target{DriverKind::Odbc, odbc_, Dialect::MsSql, {}};
  EXPECT_EQ(openOdbc(target)->dialect(), Dialect::MsSql);
  try {
    open("DRIVER={No Such Driver};PWD=s3cret;");
    ADD_FAILURE() << "an unknown driver was opened";
  } catch (const DatabaseError& e) {
    // The driver manager reports a missing driver as a warning (01000).
    EXPECT_TRUE(e.isConnectionFailure()) << e.what();
    EXPECT_NE(std::string(e.what()).find("No Such Driver"), std::string::npos);
    EXPECT_EQ(std::string(e.what()).find("s3cret"), std::string::npos);
  }
}

TEST_F(OdbcSqliteTest, ValuesComeBackAsTheyWent) {
  checkRoundTrip(*c_, "T");
}

TEST_F(OdbcSqliteTest, DoublesKeepTheFifteenDigitsTheDriverCarries) {
  // The SQLite ODBC driver hands values over as text with 15 significant
  // digits; the file itself keeps the exact double.
  const double values[] = {1.0 / 3, 1234567.89, -1.5e300};
  for (int i = 0; i < 3; ++i)
    run(*c_, "INSERT INTO T (ID, PRICE) VALUES (:I, :P)", {number(i), number(values[i])});
  auto r = run(*c_, "SELECT PRICE, PRICE = 1.0 / 3 AS EXACT FROM T ORDER BY ID");
  EXPECT_NEAR(r.rows[0][0].real(), 1.0 / 3, 1e-15);
  EXPECT_EQ(r.rows[0][1], Variant(1));
  EXPECT_EQ(r.rows[1][0], Variant(1234567.89));
  EXPECT_EQ(r.rows[2][0], Variant(-1.5e300));
}

TEST_F(OdbcSqliteTest, HintsTypeExpressionColumnsWhateverTheRows) {
  std::vector<ColumnHint> hints = {{"LAST", FieldType::DateTime, 0},
                                   {"TOTAL", FieldType::Float, 0},
                                   {"LABEL", FieldType::String, 12}};
  std::string sql = "SELECT MAX(AT) AS last, SUM(PRICE) AS Total, 'x' AS LABEL FROM T";
  for (int pass = 0; pass < 2; ++pass) {
    auto r = run(*c_, sql, {}, &hints);
    ASSERT_EQ(r.fields.size(), 3u);
    EXPECT_EQ(r.fields[0], Field("LAST", FieldType::DateTime));
    EXPECT_EQ(r.fields[1], Field("TOTAL", FieldType::Float));
    EXPECT_EQ(r.fields[2], Field("LABEL", FieldType::String, 12));
    if (pass == 0) {
      EXPECT_TRUE(r.rows.at(0)[0].isNull());
      run(*c_, "INSERT INTO T (ID, PRICE, AT) VALUES (1, 2.5, :A)", {when(kAt)});
      run(*c_, "INSERT INTO T (ID, PRICE) VALUES (2, 4)");
    } else {
      EXPECT_EQ(r.rows.at(0)[0], Variant(kAt));
      EXPECT_EQ(r.rows.at(0)[1], Variant(6.5));
    }
  }
  auto blob = run(*c_, "SELECT x'00ff41' AS B", {}, &hints);
  EXPECT_EQ(blob.fields.at(0).type, FieldType::Bytes);
  EXPECT_EQ(blob.rows.at(0).at(0), kBlob);

  // Text the driver would silently turn into NULL is an error here.
  run(*c_, "INSERT INTO T (ID, PRICE) VALUES (3, 'abc')");
  try {
    run(*c_, "SELECT PRICE FROM T WHERE ID = 3");
    ADD_FAILURE() << "a text in a float column was read";
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.sqlstate(), "22018");
    EXPECT_NE(std::string(e.what()).find("abc"), std::string::npos);
  }
}

TEST_F(OdbcSqliteTest, FailuresLeaveTheConnectionUsableAndTransactionsHold) {
  checkFailureAndTransactions(*c_, "T");
}

// PostgreSQL through psqlODBC.
class OdbcPostgreSqlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* odbc = std::getenv("CONTA_TEST_ODBC_POSTGRESQL");
    if (odbc == nullptr || *odbc == '\0') {
      GTEST_SKIP() << "set CONTA_TEST_ODBC_POSTGRESQL to an ODBC connection string for "
                      "psqlODBC to run these tests";
    }
    odbc_ = odbc;
    if (odbc_.back() != ';') odbc_ += ';';
    c_ = open(odbc_);
    table_ = "odbc_t_" + std::to_string(getpid());
    run(*c_, "CREATE TEMPORARY TABLE " + table_ +
                 " (ID INTEGER, NAME VARCHAR(40), PRICE DOUBLE PRECISION, AT TIMESTAMP,"
                 " AMOUNT NUMERIC(15,2), PAID BOOLEAN)");
  }

  std::string odbc_, table_;
  std::unique_ptr<DriverConnection> c_;
};

TEST_F(OdbcPostgreSqlTest, ValuesComeBackAsTheyWent) {
  EXPECT_EQ(c_->dialect(), Dialect::PostgreSql);
  checkRoundTrip(*c_, table_);
  run(*c_, "DELETE FROM " + table_);
  const double values[] = {1.0 / 3, 0.1 + 0.2, -0.0, 5e-324};
  for (int i = 0; i < 4; ++i) {
    run(*c_, "INSERT INTO " + table_ + " (ID, PRICE) VALUES (:I, :P)",
        {number(i), number(values[i])});
  }
  auto r = run(*c_, "SELECT PRICE FROM " + table_ + " ORDER BY ID");
  ASSERT_EQ(r.rows.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_EQ(bits(r.rows[i][0].real()), bits(values[i])) << i;

  run(*c_, "INSERT INTO " + table_ + " (ID, AMOUNT, PAID) VALUES (9, 12.34, TRUE)");
  std::vector<ColumnHint> hints = {{"PAID", FieldType::Boolean, 0}};
  auto typed = run(*c_, "SELECT AMOUNT, PAID FROM " + table_ + " WHERE ID = 9", {}, &hints);
  EXPECT_EQ(typed.fields[0].type, FieldType::Float);
  EXPECT_EQ(typed.rows.at(0)[0], Variant(12.34));
  EXPECT_EQ(typed.rows.at(0)[1], Variant(true));

  auto other = run(*c_,
                   "SELECT DATE '2024-03-15' AS D, TIME '14:30:05' AS T, "
                   "'\\x00ff41'::bytea AS B, 7::bigint AS N");
  ASSERT_EQ(other.fields.size(), 4u);
  EXPECT_EQ(other.fields[0].type, FieldType::DateTime);
  EXPECT_EQ(other.fields[1].type, FieldType::DateTime);
  EXPECT_EQ(other.fields[2].type, FieldType::Bytes);
  EXPECT_EQ(other.fields[3].type, FieldType::Int64);
  EXPECT_EQ(other.rows.at(0)[0], Variant(DateTime::fromDate(2024, 3, 15)));
  EXPECT_EQ(other.rows.at(0)[1], Variant(DateTime::fromParts({1899, 12, 30, 14, 30, 5, 0})));
  EXPECT_EQ(other.rows.at(0)[2], kBlob);
  EXPECT_EQ(other.rows.at(0)[3], Variant(7));
}

TEST_F(OdbcPostgreSqlTest, AnUntypedNullParameterNeedsClientSidePrepare) {
  auto c = open(odbc_ + "UseServerSidePrepare=0;");
  auto r = run(*c, "SELECT 1 AS ONE WHERE :N IS NULL", {null(ParamType::String)});
  EXPECT_EQ(r.rows.size(), 1u);
}

TEST_F(OdbcPostgreSqlTest, FailuresLeaveTheConnectionUsableAndTransactionsHold) {
  checkFailureAndTransactions(*c_, table_);
  try {
    run(*c_, "SELECT pg_sleep(5)", {}, nullptr, 1);
    ADD_FAILURE() << "the timeout did not stop the statement";
  } catch (const DatabaseError& e) {
    EXPECT_FALSE(e.isConnectionFailure()) << e.what();
    EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << e.what();
  }
  EXPECT_TRUE(c_->alive());
  EXPECT_EQ(run(*c_, "SELECT 2 AS TWO").rows.at(0).at(0), Variant(2));
}

TEST_F(OdbcPostgreSqlTest, ALostConnectionIsNoLongerAlive) {
  EXPECT_TRUE(c_->alive());
  try {
    run(*c_, "SELECT pg_terminate_backend(pg_backend_pid())");
    ADD_FAILURE() << "the server did not end the connection";
  } catch (const DatabaseError& e) {
    EXPECT_TRUE(e.isConnectionFailure()) << e.what();
  }
  EXPECT_FALSE(c_->alive());
  auto fresh = open(odbc_);
  EXPECT_TRUE(fresh->alive());
  EXPECT_EQ(run(*fresh, "SELECT 1 AS ONE").rows.at(0).at(0), Variant(1));
}

}  // namespace
}  // namespace conta::db
