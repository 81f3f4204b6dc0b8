// The indexes a bill relies on: found under the store's own names, missing
// ones listed and created under the module's names (once), on SQLite and
// PostgreSQL; their DDL for every engine.
#include "data/store_indexes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_databases.h"

namespace {

using conta::data::SituacaoIndice;

class StoreIndexesTest : public conta::testing_support::DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    if (IsSkipped()) return;
    createStoreSchema();
  }

  // "TABLE:name of the store's index that serves, or -"
  std::vector<std::string> situacao() {
    std::vector<std::string> out;
    for (const SituacaoIndice& s : conta::data::confereIndices(*connection_))
      out.push_back(s.indice.tabela + ":" + (s.existente.empty() ? "-" : s.existente));
    return out;
  }
};

TEST_P(StoreIndexesTest, MissingIndexesAreListedThenCreatedOnce) {
  auto lower = [&](std::string name) {
    // PostgreSQL keeps unquoted names in lower case.
    if (database_->schemaDialect() == "postgresql")
      for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
  };
  EXPECT_EQ(situacao(),
            (std::vector<std::string>{"ITCOMANDAVEN:" + lower("IX_ITCOMANDAVEN_COMANDA"),
                                      "COMANDAVEN:" + lower("IX_COMANDAVEN_COMANDA"),
                                      "VENDAREST:" + lower("IX_VENDAREST_ABERTA"),
                                      "COMANDAVEN:" + lower("IX_COMANDAVEN_PRINCIPAL")}));
  // A store made by other software: only the comanda indexes, one of them
  // wider and under its own name.
  exec("DROP INDEX IX_VENDAREST_ABERTA");
  exec("DROP INDEX IX_COMANDAVEN_PRINCIPAL");
  exec("DROP INDEX IX_COMANDAVEN_COMANDA");
  exec("CREATE INDEX OUTRO_IDX ON COMANDAVEN (CDFILIAL, NRCOMANDA, NRVENDAREST)");
  EXPECT_EQ(situacao(), (std::vector<std::string>{
                            "ITCOMANDAVEN:" + lower("IX_ITCOMANDAVEN_COMANDA"),
                            "COMANDAVEN:" + lower("OUTRO_IDX"), "VENDAREST:-", "COMANDAVEN:-"}));
  EXPECT_EQ(
      conta::data::criaIndices(*connection_),
      (std::vector<std::string>{"CONTA_IX_VENDAREST_ABERTA", "CONTA_IX_COMANDAVEN_PRINCIPAL"}));
  EXPECT_EQ(situacao()[2], "VENDAREST:" + lower("CONTA_IX_VENDAREST_ABERTA"));
  EXPECT_TRUE(conta::data::criaIndices(*connection_).empty());
}

INSTANTIATE_TEST_SUITE_P(Databases, StoreIndexesTest, ::testing::Values("sqlite", "postgresql"),
                         conta::testing_support::databaseKindName);

TEST(StoreIndexesDdlTest, EveryEngineGetsItsCreateIndex) {
  const auto& indice = conta::data::indicesDaConta().front();
  EXPECT_EQ(conta::data::ddlIndice(indice, conta::db::Dialect::Oracle),
            "CREATE INDEX CONTA_IX_ITCOMANDAVEN_COMANDA ON ITCOMANDAVEN (CDFILIAL, NRCOMANDA)");
  EXPECT_EQ(conta::data::ddlIndice(indice, conta::db::Dialect::MsSql),
            conta::data::ddlIndice(indice, conta::db::Dialect::Oracle));
  EXPECT_EQ(conta::data::ddlIndice(indice, conta::db::Dialect::Sqlite),
            "CREATE INDEX IF NOT EXISTS CONTA_IX_ITCOMANDAVEN_COMANDA ON ITCOMANDAVEN (CDFILIAL, "
            "NRCOMANDA)");
}

}  // namespace
