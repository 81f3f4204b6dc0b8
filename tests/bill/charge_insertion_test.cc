// The charge item insertion: one row holding the whole quantity, or one unit
// per seat at a "RES" table; every row numbered by the next-number service,
// all of a call in one transaction.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "conta/date_time.h"
#include "platform/db/statement.h"
#include "platform/text_encoding.h"
#include "support/store_builder.h"

namespace {

using conta::Variant;
using conta::testing_support::textOf;
using conta::testing_support::Value;
using Strings = std::vector<std::string>;

// A stored charge item, column by column.
struct Stored {
  std::string numero, produto, texto, status, lugar, loja, caixa;
  double quantidade = 0, preco = 0, desconto = 0, acrescimo = 0;
  Variant entrada;
};

// The test's own reading of the local clock.
conta::DateTime clockNow() {
  std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  return conta::DateTime::fromParts({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                     local.tm_hour, local.tm_min, local.tm_sec, 0});
}

class ChargeInsertionTest : public conta::testing_support::StoreDataTest {
 protected:
  void SetUp() override {
    StoreDataTest::SetUp();
    if (IsSkipped()) return;
    module().ParametrosLoja = {};
    module().ParametrosLoja.CDFILIAL = "0001";
    module().ParametrosLoja.CDCAIXA = "007";
    module().ParametrosLoja.IDLUGARMESA = "N";
    module().PrefixoComanda = "MES";
    store().shop({.loja = "01", .controle = "N"});
  }
  void TearDown() override {
    if (module_ != nullptr) {
      module_->ParametrosLoja = {};
      module_->PrefixoComanda.clear();
    }
    StoreDataTest::TearDown();
  }

  void perSeat() {
    module().PrefixoComanda = "RES";
    module().ParametrosLoja.IDLUGARMESA = "S";
  }

  Variant incluir(const std::string& comanda, double quantidade,
                  const std::string& produto = "COUV", const std::string& loja = "01",
                  double preco = 8.5) {
    using conta::text_encoding::widen;
    return module().setIncluiConsumaCouvert(L"0001", L"V1", widen(comanda), widen(produto),
                                            quantidade, widen(loja), preco, L"C1");
  }
  static void expectDone(const Variant& answer) {
    EXPECT_TRUE(answer.isText() && answer.text().empty()) << answer.describe();
  }
  static void expectRefused(const Variant& answer) {
    EXPECT_TRUE(answer.isText() && !answer.text().empty()) << answer.describe();
  }

  // An item on a seat (none: no seat), of product P1 unless told.
  void item(const std::string& comanda, Value lugar, const std::string& status = "1",
            const std::string& produto = "P1") {
    store().item({.comanda = comanda, .produto = produto, .status = status, .lugar = lugar});
  }
  // The comanda's items in branch 0001, sale V1, by item number.
  std::vector<Stored> stored(const std::string& comanda) {
    conta::db::Query query(*connection_, "stored");
    query.setSql(
        "SELECT * FROM ITCOMANDAVEN WHERE CDFILIAL = '0001' AND NRVENDAREST = 'V1' AND "
        "NRCOMANDA = :P_C ORDER BY NRPRODCOMVEN");
    query.setParameter("P_C", Variant(comanda));
    query.open();
    std::vector<Stored> rows;
    auto text = [&](const char* column) { return textOf(query.value(column)); };
    auto number = [&](const char* column) {
      Variant v = query.value(column);
      return v.isNumber() ? v.toDouble() : -1;
    };
    for (query.first(); !query.eof(); query.next()) {
      rows.push_back({text("NRPRODCOMVEN"), text("CDPRODUTO"), text("TXPRODCOMVEN"),
                      text("IDSTPRCOMVEN"), text("NRLUGARMESA"), text("CDLOJA"),
                      text("CDCAIXACOLETOR"), number("QTPRODCOMVEN"), number("VRPRECCOMVEN"),
                      number("VRDESCCOMVEN"), number("VRACRCOMVEN"), query.value("DTHRINCOMVEN")});
    }
    return rows;
  }
  // "seat:quantity" of the comanda's rows of the product, by item number.
  Strings units(const std::string& comanda, const std::string& produto = "COUV") {
    Strings found;
    for (const Stored& row : stored(comanda)) {
      if (row.produto != produto) continue;
      found.push_back(row.lugar + ":" + conta::Variant(row.quantidade).toText());
    }
    return found;
  }

  // Refuses, on this database, every new item at seat "02".
  void refuseSeatTwo() {
    conta::db::ExecuteOptions options;
    options.want_rows = false;
    auto run = [&](const std::string& text) {
      conta::db::ParsedSql sql;
      sql.pieces.push_back(text);
      connection_->execute(sql, {}, options);
    };
    if (database_->schemaDialect() == "sqlite") {
      run("CREATE TRIGGER REFUSE_SEAT_TWO BEFORE INSERT ON ITCOMANDAVEN WHEN NEW.NRLUGARMESA = "
          "'02' BEGIN SELECT RAISE(ABORT, 'refused at seat two'); END");
    } else {
      run("CREATE FUNCTION REFUSE_SEAT_TWO() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RAISE "
          "EXCEPTION ''refused at seat two''; END'");
      run("CREATE TRIGGER REFUSE_SEAT_TWO BEFORE INSERT ON ITCOMANDAVEN FOR EACH ROW WHEN "
          "(NEW.NRLUGARMESA = '02') EXECUTE PROCEDURE REFUSE_SEAT_TWO()");
    }
  }
};

TEST_P(ChargeInsertionTest, OneRowHoldsTheWholeQuantityWithEveryColumnSet) {
  item("0012", "03");
  conta::DateTime before = clockNow();
  expectDone(incluir("0012", 3));
  std::vector<Stored> rows = stored("0012");
  ASSERT_EQ(rows.size(), 2u);
  const Stored& row = rows[1];
  EXPECT_EQ(row.numero, "000002");
  EXPECT_EQ(row.produto, "COUV");
  EXPECT_EQ(row.quantidade, 3);
  EXPECT_EQ(row.preco, 8.5);
  EXPECT_TRUE(row.texto == "" || row.texto == "<null>") << row.texto;
  EXPECT_EQ(row.status, "4");
  EXPECT_EQ(row.desconto, 0);
  EXPECT_EQ(row.lugar, "01");
  EXPECT_EQ(row.loja, "01");
  EXPECT_EQ(row.acrescimo, 0);
  EXPECT_EQ(row.caixa, "007");
  auto entered = row.entrada.tryDateTime();
  ASSERT_TRUE(entered.has_value()) << row.entrada.describe();
  EXPECT_LE(std::llabs(entered->milliseconds() - before.milliseconds()), 60'000)
      << entered->text() << " against the clock's " << before.text();
}

TEST_P(ChargeInsertionTest, OnlyARESComandaOfAStoreThatSeatsItsItemsGetsAUnitPerSeat) {
  struct Case {
    const char* prefixo;
    const char* lugares;
    bool porLugar;
  };
  const Case cases[] = {{"RES", "S", true},  {"RES", "N", false}, {"MES", "S", false},
                        {"res", "S", false}, {"RES", "s", false}, {"", "S", false}};
  int comanda = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.prefixo) + "/" + c.lugares);
    module().PrefixoComanda = c.prefixo;
    module().ParametrosLoja.IDLUGARMESA = c.lugares;
    std::string numero = std::to_string(++comanda);
    expectDone(incluir(numero, 2));
    EXPECT_EQ(units(numero), c.porLugar ? (Strings{"02:1", "01:1"}) : (Strings{"01:2"}));
  }
}

TEST_P(ChargeInsertionTest, TheStatusFollowsTheStoresProductionControlAndTheProductsSector) {
  store().shop({.loja = "02", .controle = "S"});
  store().shop({.loja = "03", .controle = "N"});
  store().shopProduct({.loja = "02", .produto = "SETOR", .setor = "10"});
  store().shopProduct({.loja = "03", .produto = "SETOR", .setor = "10"});
  store().shopProduct({.loja = "02", .produto = "VAZIO", .setor = ""});
  store().shopProduct({.loja = "02", .produto = "NULO", .setor = std::nullopt});
  store().shopProduct({.loja = "03", .produto = "ALHEIO", .setor = "10"});
  struct Case {
    const char* loja;
    const char* produto;
    const char* status;
  };
  const Case cases[] = {
      {"02", "SETOR", "1"},    // controlled store, product with a sector
      {"03", "SETOR", "4"},    // the store does not control production
      {"02", "VAZIO", "4"},    // empty sector
      {"02", "NULO", "4"},     // no sector
      {"02", "SEMLOJA", "4"},  // the product is not sold in the store
      {"02", "ALHEIO", "4"},   // its sector is another store's
      {"02", "SETOR", "1"},    // each call reads the store and product afresh
  };
  int comanda = 200;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.loja) + "/" + c.produto);
    std::string numero = std::to_string(++comanda);
    expectDone(incluir(numero, 1, c.produto, c.loja));
    std::vector<Stored> rows = stored(numero);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].status, c.status);
    EXPECT_EQ(rows[0].loja, c.loja);
  }
}

TEST_P(ChargeInsertionTest, PerSeatFillsTheSeatsInUseThenTheSeatsUpToTheQuantity) {
  perSeat();
  item("0012", "01");
  item("0012", "05", "6");
  item("0012", "05");
  // An earlier sale of the same comanda number: neither its seats nor its
  // units count.
  store().item({.venda = "V0", .comanda = "0012", .lugar = "09"});
  store().item({.venda = "V0", .comanda = "0012", .produto = "COUV", .lugar = "03"});
  expectDone(incluir("0012", 3));
  std::vector<Stored> rows = stored("0012");
  ASSERT_EQ(rows.size(), 7u);
  std::vector<Stored> added(rows.begin() + 3, rows.end());
  Strings seats;
  std::set<std::string> numbers;
  for (const Stored& row : added) {
    seats.push_back(row.lugar);
    numbers.insert(row.numero);
    EXPECT_EQ(row.produto, "COUV");
    EXPECT_EQ(row.quantidade, 1);
    EXPECT_EQ(row.preco, 8.5);
    EXPECT_EQ(row.status, "4");
    EXPECT_EQ(row.caixa, "007");
  }
  EXPECT_EQ(numbers, (std::set<std::string>{"000004", "000005", "000006", "000007"}));
  // The seats in use first (in the order the database gives them), then
  // from the quantity down.
  std::sort(seats.begin(), seats.begin() + 2);
  EXPECT_EQ(seats, (Strings{"01", "05", "03", "02"}));

  // Every seat is filled now: a second call writes nothing.
  expectDone(incluir("0012", 3));
  EXPECT_EQ(stored("0012").size(), 7u);
}

TEST_P(ChargeInsertionTest, QuantityZeroFillsOnlyTheSeatsInUseAndAnItemWithoutSeatIsNone) {
  perSeat();
  item("0012", "02");
  item("0012", "04", "3");
  item("0012", std::nullopt);
  expectDone(incluir("0012", 0));
  EXPECT_EQ(units("0012"), (Strings{"02:1", "04:1"}));
  expectDone(incluir("0012", 0));
  expectDone(incluir("0012", 2));  // seats 1 and 2: only 1 lacks it; the count is 2 already
  EXPECT_EQ(units("0012"), (Strings{"02:1", "04:1"}));
  expectDone(incluir("0012", 3));
  EXPECT_EQ(units("0012"), (Strings{"02:1", "04:1", "03:1", "01:1"}));
}

// The count that ends the insertion takes units of status "1" and "4" only;
// a seat holds the product whatever the status of its unit.
TEST_P(ChargeInsertionTest, TheCountTakesStatusesOneAndFourAndASeatIsTakenByAnyStatus) {
  perSeat();
  struct Case {
    const char* status;
    Strings units;
  };
  const Case cases[] = {
      {"1", {"07:1"}},         {"4", {"07:1"}},         {"6", {"07:1", "01:1"}},
      {"2", {"07:1", "01:1"}}, {"3", {"07:1", "01:1"}},
  };
  int comanda = 300;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    std::string numero = std::to_string(++comanda);
    item(numero, "07", c.status, "COUV");
    expectDone(incluir(numero, 1));
    EXPECT_EQ(units(numero), c.units);
  }
}

TEST_P(ChargeInsertionTest, ALongComandaArgumentIsStoredAndNumberedUnderItsFirstTenCharacters) {
  store().item({.comanda = "0012345678", .numero = "000041", .lugar = "02"});
  store().item({.comanda = "0012345678", .numero = "000044", .produto = "P2", .lugar = "02"});
  expectDone(incluir("0012345678_0013", 2));
  perSeat();
  expectDone(incluir("0012345678_0013", 1));
  std::vector<Stored> rows = stored("0012345678");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(
      rows[2].numero + " " + rows[2].lugar + ":" + conta::Variant(rows[2].quantidade).toText(),
      "000045 01:2");
  // Seat 02 is in use under the first ten characters: filled; seat 01
  // holds the product already.
  EXPECT_EQ(
      rows[3].numero + " " + rows[3].lugar + ":" + conta::Variant(rows[3].quantidade).toText(),
      "000046 02:1");
  EXPECT_TRUE(stored("0012345678_0013").empty());
}

TEST_P(ChargeInsertionTest, TheNextItemNumberIsATextAndAFailureComesBackAsItsText) {
  EXPECT_EQ(module().PrxItemComanda(L"0001", L"0012", 1), L"000001");
  item("0012", "01");
  EXPECT_EQ(module().PrxItemComanda(L"0001", L"0012", 1), L"000002");
  store().item({.comanda = "0013", .numero = "999999"});
  std::wstring failure;
  EXPECT_NO_THROW(failure = module().PrxItemComanda(L"0001", L"0013", 1));
  EXPECT_FALSE(failure.empty());
  EXPECT_NE(failure.size(), 6u);
}

TEST_P(ChargeInsertionTest, WithoutAFreeItemNumberNothingIsWrittenInEitherMode) {
  store().item({.comanda = "0013", .numero = "999999", .lugar = "01"});
  for (bool seats : {false, true}) {
    SCOPED_TRACE(seats ? "per seat" : "one row");
    if (seats) perSeat();
    expectRefused(incluir("0013", 2));
    std::vector<Stored> rows = stored("0013");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].numero, "999999");
  }
  expectDone(incluir("0014", 1));
  EXPECT_EQ(units("0014"), (Strings{"01:1"}));
  // Per seat, the single row's number is never used: with every seat
  // already holding the product there is nothing to number and no failure.
  store().item({.comanda = "0015", .numero = "999999", .produto = "COUV", .lugar = "01"});
  expectDone(incluir("0015", 1));
  EXPECT_EQ(units("0015"), (Strings{"01:1"}));
}

TEST_P(ChargeInsertionTest, ARefusedSecondInsertTakesTheFirstWithItAndTheModuleGoesOn) {
  perSeat();
  item("0012", "01");
  refuseSeatTwo();
  // Seat 01 in the first pass, then seat 02 refused.
  Variant answer = incluir("0012", 2);
  expectRefused(answer);
  EXPECT_NE(textOf(answer).find("refused at seat two"), std::string::npos) << answer.describe();
  EXPECT_EQ(units("0012"), Strings{});
  EXPECT_FALSE(module().adcFuncoesRev.inTransaction());
  expectDone(incluir("0012", 1));
  EXPECT_EQ(units("0012"), (Strings{"01:1"}));
}

TEST_P(ChargeInsertionTest, ACallersOpenTransactionIsJoinedAndLeftToTheCaller) {
  perSeat();
  auto callerWrites = [&](const char* comanda) {
    module().StartTrans();
    conta::db::Command write(module().adcFuncoesRev, "caller");
    write.setSql(
        "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
        "NRLUGARMESA, IDSTPRCOMVEN, QTPRODCOMVEN) VALUES ('0001', 'V1', :P_C, '000001', 'P1', "
        "'01', '1', 1)");
    write.setParameter("P_C", Variant(comanda));
    write.execute();
  };
  // The insertion works in the caller's transaction and does not end it:
  // the caller's commit keeps both.
  callerWrites("0012");
  expectDone(incluir("0012", 1));
  ASSERT_TRUE(module().adcFuncoesRev.inTransaction());
  module().CommitTrans();
  EXPECT_EQ(units("0012", "P1"), (Strings{"01:1"}));
  EXPECT_EQ(units("0012"), (Strings{"01:1"}));

  // After a failure the transaction is still the caller's, and its rollback
  // takes both back.
  refuseSeatTwo();
  callerWrites("0013");
  expectRefused(incluir("0013", 2));
  ASSERT_TRUE(module().adcFuncoesRev.inTransaction());
  module().RollbackTrans();
  EXPECT_TRUE(stored("0013").empty());
}

INSTANTIATE_TEST_SUITE_P(Databases, ChargeInsertionTest,
                         ::testing::ValuesIn(conta::testing_support::testDatabaseKinds()),
                         conta::testing_support::databaseKindName);

}  // namespace
