// The next-number service on every database.
#include <gtest/gtest.h>

#include "platform/db/statement.h"
#include "support/test_databases.h"
#include "support/xol_proximocodigo.h"

namespace {

using conta::testing_support::DatabaseTest;

class NextItemNumberTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    if (IsSkipped()) return;
    createStoreSchema();
  }
  void item(const char* filial, const char* venda, const char* comanda, const char* number) {
    conta::db::Command insert(*connection_, "insert");
    insert.setSql(
        "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO) "
        "VALUES (:P_CDFILIAL, :P_NRVENDAREST, :P_NRCOMANDA, :P_NRPRODCOMVEN, 'P')");
    insert.setParameter("P_CDFILIAL", conta::Variant(filial));
    insert.setParameter("P_NRVENDAREST", conta::Variant(venda));
    insert.setParameter("P_NRCOMANDA", conta::Variant(comanda));
    insert.setParameter("P_NRPRODCOMVEN", conta::Variant(number));
    insert.execute();
  }
  std::string next(const std::string& comanda) {
    Xol_proximocodigo::TdtmXolProxCodigo service(*connection_);
    return service.PrxItemComanda("0001", comanda, 1);
  }
};

TEST_P(NextItemNumberTest, CountsFromTheHighestNumberOfTheComanda) {
  EXPECT_EQ(next("0012"), "000001");
  item("0001", "V1", "0012", "000007");
  item("0001", "V2", "0012", "9");       // an earlier sale of the same comanda number
  item("0001", "V1", "0012", "000010");  // "10" comes after "9" as a number
  item("0001", "V1", "0012", "BRINDE");  // no number: does not count
  item("0001", "V1", "0013", "000500");  // another comanda
  item("0002", "V1", "0012", "000900");  // another branch
  EXPECT_EQ(next("0012"), "000011");
  EXPECT_EQ(next("0013"), "000501");
  // The comanda is matched on the 10 characters NRCOMANDA holds.
  item("0001", "V1", "0012345678", "000041");
  EXPECT_EQ(next("0012345678_0013"), "000042");
}

TEST_P(NextItemNumberTest, NumbersTakenInsideOneInsertionNeverCollide) {
  item("0001", "V1", "0012", "000003");
  connection_->beginTransaction();
  std::string first = next("0012");
  item("0001", "V1", "0012", first.c_str());
  std::string second = next("0012");
  item("0001", "V1", "0012", second.c_str());
  connection_->commit();
  EXPECT_EQ(first, "000004");
  EXPECT_EQ(second, "000005");
}

INSTANTIATE_TEST_SUITE_P(Databases, NextItemNumberTest,
                         ::testing::ValuesIn(conta::testing_support::testDatabaseKinds()),
                         conta::testing_support::databaseKindName);

}  // namespace
