// A bill takes the lock of its branch's bills first. Held by another bill
// (here the test's own connection, in a transaction that holds what a bill
// holds) for longer than every engine waits, the bill fails with a text for
// the operator and writes nothing; once the other bill ends, it goes through.
// A branch without its row in FILIAL has nothing to lock, and is refused.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>

#include "conta/calcula_conta.h"
#include "platform/db/driver.h"
#include "platform/db/statement.h"
#include "support/bill_test.h"
#include "support/mensagemxol.h"

namespace {

using conta::Variant;
using conta::testing_support::Pedido;
using conta::testing_support::textOf;

class BillLockTest : public conta::testing_support::BillTest {
 protected:
  void SetUp() override {
    BillTest::SetUp();
    if (IsSkipped()) return;
    Mensagemxol::setReportSink([](const Mensagemxol::Report&) {});
    store().branch("0002");
    store().sale({.venda = "V1", .pessoas = 2});
    store().comanda({.venda = "V1", .comanda = "0012"});
    store().item({.comanda = "0012", .quantidade = -2, .preco = 10, .lugar = "01"});
  }
  void TearDown() override {
    if (connection_ && connection_->inTransaction()) connection_->rollback();
    Mensagemxol::setReportSink({});
    BillTest::TearDown();
  }

  // The items and comandas as stored.
  std::map<std::string, std::string> rows() {
    std::map<std::string, std::string> out;
    for (const char* table : {"ITCOMANDAVEN", "COMANDAVEN"}) {
      conta::db::Query query(*connection_, "rows");
      query.setSql(std::string("SELECT * FROM ") + table);
      query.open();
      for (query.first(); !query.eof(); query.next()) {
        std::string row;
        for (const auto& field : query.fields())
          row += textOf(query.value(field.name)) + "|";
        out[row] = table;
      }
    }
    return out;
  }

  // Holds what a bill of `filial` holds until the test's transaction ends.
  void holdLock(const std::string& filial) {
    connection_->beginTransaction();  // SQLite: the database's write lock
    if (database_->schemaDialect() == "postgresql") {
      conta::db::Query lock(*connection_, "lock");
      lock.setSql("SELECT CDFILIAL FROM FILIAL WHERE CDFILIAL = '" + filial + "' FOR UPDATE");
      lock.open();
    }
  }

  std::string tryBill() {
    std::vector<Variant> p = conta::testing_support::parametros(
        {.lista = "0012", .tipo = "2", .consumacao = true, .couvert = true, .taxa = true});
    Variant result = Variant::array(14);
    try {
      Srv_Xol41260::CalculaConta(p.data(), 6, result);
      return "";
    } catch (const std::exception& e) {
      return e.what();
    }
  }
};

TEST_P(BillLockTest, ABillKeptWaitingByAnotherFailsWritingNothingThenGoesThrough) {
  const auto before = rows();
  holdLock("0001");
  const auto start = std::chrono::steady_clock::now();
  const std::string error = tryBill();
  const double waited =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  connection_->rollback();
  EXPECT_GE(waited, conta::db::kLockWaitSeconds - 0.5);
  EXPECT_LT(waited, conta::db::kLockWaitSeconds + 10);
  EXPECT_NE(error.find("outra conta da filial 0001"), std::string::npos) << error;
  EXPECT_NE(error.find(std::to_string(conta::db::kLockWaitSeconds) + " s"), std::string::npos)
      << error;
  EXPECT_NE(error.find("nada foi gravado"), std::string::npos) << error;
  EXPECT_EQ(rows(), before);
  EXPECT_FALSE(module().adcFuncoesRev.inTransaction());

  // The other bill over, this one goes through.
  EXPECT_EQ(tryBill(), "");
  EXPECT_NE(rows(), before);
}

TEST_P(BillLockTest, BillsOfAnotherBranchDoNotWaitAndABranchWithoutItsRowIsRefused) {
  if (database_->schemaDialect() == "postgresql") {
    // SQLite's lock is the whole database's; a server locks the branch's row.
    holdLock("0002");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(tryBill(), "");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5);
    connection_->rollback();
  }
  exec("DELETE FROM FILIAL WHERE CDFILIAL = '0001'");
  const auto before = rows();
  const std::string error = tryBill();
  EXPECT_NE(error.find("A filial 0001 não está cadastrada"), std::string::npos) << error;
  EXPECT_EQ(rows(), before);
}

INSTANTIATE_TEST_SUITE_P(Databases, BillLockTest, ::testing::Values("sqlite", "postgresql"),
                         conta::testing_support::databaseKindName);

}  // namespace
