// The minimum consumption, through the bill: the shortfall charged as one
// item of the consumption product, added, re-priced or removed in the
// database and in the bill's items as the consumption changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "conta/calcula_conta.h"
#include "conta/error.h"
#include "platform/db/statement.h"
#include "platform/text_encoding.h"
#include "support/bill_test.h"
#include "support/mensagemxol.h"

namespace {

using conta::Variant;
using conta::testing_support::entry;
using conta::testing_support::packetOf;
using conta::testing_support::Pedido;
using conta::testing_support::storeDay;
using conta::testing_support::textOf;

// A stored row of the consumption product.
struct Linha {
  std::string comanda, numero;
  double preco = 0, quantidade = 0;
  std::string entrada;
};

// A record of the bill's items.
struct Registro {
  std::string produto, nome, arvore;
  double preco = 0, quantidade = 0;
};

class MinimumConsumptionTest : public conta::testing_support::BillTest {
 protected:
  void SetUp() override {
    BillTest::SetUp();
    if (IsSkipped()) return;
    Mensagemxol::setReportSink([this](const Mensagemxol::Report& r) { reports_.push_back(r); });
    // The comanda's consumer is not "M": product CONF at 25.00 a person.
    store().product({.produto = "CONF",
                     .nome = "Consumação mínima",
                     .nomeFiscal = "CONSUMACAO FISCAL",
                     .arvore = "9.1",
                     .barras = "7890000000001"});
    store().sale({.venda = "V1", .pessoas = 4});
    store().comanda({.venda = "V1", .comanda = "0012"});
  }
  void TearDown() override {
    Mensagemxol::setReportSink({});
    BillTest::TearDown();
  }

  // Bill kind "2" (four persons: a minimum of 100.00) with the minimum on.
  Variant consumption(const std::string& lista = "0012") {
    return bill({.lista = lista, .tipo = "2", .consumacao = true});
  }
  // An ordinary item; one entered after a bill takes a number of its own,
  // clear of the numbers the bill gave out.
  void consumed(double preco, const std::string& comanda = "0012",
                conta::testing_support::Value numero = {}) {
    store().item({.comanda = comanda, .numero = numero, .produto = "P1", .preco = preco});
  }
  std::string consumptionItem(double preco, const std::string& comanda = "0012") {
    return store().item({.comanda = comanda, .produto = "CONF", .preco = preco});
  }

  // The consumption rows in the database, by comanda and item number.
  std::vector<Linha> linhas() {
    conta::db::Query query(*connection_, "linhas");
    query.setSql(
        "SELECT NRCOMANDA, NRPRODCOMVEN, VRPRECCOMVEN, QTPRODCOMVEN, DTHRINCOMVEN FROM "
        "ITCOMANDAVEN WHERE CDPRODUTO = 'CONF' ORDER BY NRCOMANDA, NRPRODCOMVEN");
    query.open();
    std::vector<Linha> found;
    for (query.first(); !query.eof(); query.next()) {
      found.push_back({textOf(query.value("NRCOMANDA")), textOf(query.value("NRPRODCOMVEN")),
                       query.value("VRPRECCOMVEN").toDouble(),
                       query.value("QTPRODCOMVEN").toDouble(),
                       textOf(query.value("DTHRINCOMVEN"))});
    }
    return found;
  }
  // Sets every consumption row's inclusion time back to the store's day.
  void backdate() {
    conta::db::Command update(*connection_, "backdate");
    update.setSql("UPDATE ITCOMANDAVEN SET DTHRINCOMVEN = :P_T WHERE CDPRODUTO = 'CONF'");
    update.setParameter("P_T", Variant(storeDay(20, 1)));
    update.execute();
  }
  // The consumption records among the bill's items.
  static std::vector<Registro> registros(const Variant& result) {
    conta::DataPacket itens = packetOf(result[10]);
    std::vector<Registro> found;
    auto at = [&](const conta::PacketRow& row, const char* name) {
      return row.values[*itens.fieldIndex(name)];
    };
    for (const auto& row : itens.rows) {
      if (textOf(at(row, "CDPRODUTO")) != "CONF") continue;
      found.push_back({"CONF", textOf(at(row, "NMPRODUTO")), textOf(at(row, "CDARVPROD")),
                       at(row, "VRPRECCOMVEN").toDouble(), at(row, "QTPRODCOMVEN").toDouble()});
    }
    return found;
  }

  // A store whose fiscal printer knows no rate at all: a tax check that ran
  // would end the bill.
  void fiscalPrinter() {
    Srv_Xol41260::TParametrosLoja parameters = loja();
    parameters.UTILIZAIMPFIS = true;
    useStore(parameters);
    std::filesystem::remove_all(host_ / "Dados");
  }

  std::vector<Mensagemxol::Report> reports_;
};

TEST_P(MinimumConsumptionTest, TheShortfallIsAddedThenRepricedThenLeftAlone) {
  consumed(63.40);
  Variant first = consumption();
  EXPECT_DOUBLE_EQ(entry(first, 0), 36.60);
  EXPECT_DOUBLE_EQ(entry(first, 4), 25);
  expectTotal(first);
  std::vector<Linha> rows = linhas();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].comanda, "0012");
  EXPECT_EQ(rows[0].quantidade, 1);
  EXPECT_DOUBLE_EQ(rows[0].preco, 36.60);
  // The new record carries the product's own name and tree code.
  std::vector<Registro> records = registros(first);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].nome, "Consumação mínima");
  EXPECT_EQ(records[0].arvore, "9.1");
  EXPECT_EQ(records[0].quantidade, 1);
  EXPECT_DOUBLE_EQ(records[0].preco, 36.60);

  // More consumption: the same row re-priced, and its time moves.
  consumed(16.60, "0012", "000050");
  backdate();
  const std::string old = linhas()[0].entrada;
  Variant second = consumption();
  EXPECT_DOUBLE_EQ(entry(second, 0), 20);
  rows = linhas();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_DOUBLE_EQ(rows[0].preco, 20);
  EXPECT_NE(rows[0].entrada, old);
  records = registros(second);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_DOUBLE_EQ(records[0].preco, 20);
  expectTotal(second);

  // Nothing changed: the row is not written again.
  backdate();
  Variant third = consumption();
  EXPECT_DOUBLE_EQ(entry(third, 0), 20);
  EXPECT_EQ(linhas()[0].entrada, old);
  EXPECT_TRUE(reports_.empty());
}

TEST_P(MinimumConsumptionTest, AChargeWithBinaryNoiseIsNotRewrittenEveryBill) {
  consumed(80.10);  // 100 - 80.1 is 19.900000000000006 as a double
  Variant first = consumption();
  EXPECT_NEAR(entry(first, 0), 19.90, 1e-9);
  ASSERT_EQ(linhas().size(), 1u);
  backdate();
  const std::string old = linhas()[0].entrada;
  consumption();
  EXPECT_EQ(linhas()[0].entrada, old);
}

TEST_P(MinimumConsumptionTest, AReachedMinimumRemovesTheRowWithoutAnyTaxCheck) {
  fiscalPrinter();  // and CONF has no tax: a check would end the bill
  consumed(100);
  consumptionItem(12.5);
  Variant result = consumption();
  EXPECT_EQ(entry(result, 0), 0);
  EXPECT_TRUE(linhas().empty());
  // The bill's items still show it, as read before.
  std::vector<Registro> records = registros(result);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].preco, 12.5);
  EXPECT_TRUE(reports_.empty());
  expectTotal(result);
}

TEST_P(MinimumConsumptionTest, AnItemAboveTheMinimumIsReplacedAndARESTableBySeatHasNoMinimum) {
  consumed(63.40);
  consumptionItem(150);
  Variant result = consumption();
  EXPECT_DOUBLE_EQ(entry(result, 0), 36.60);
  std::vector<Linha> rows = linhas();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_DOUBLE_EQ(rows[0].preco, 36.60);
  std::vector<Registro> records = registros(result);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_DOUBLE_EQ(records[0].preco, 36.60);

  // A reserved comanda of a store that bills by seat: the item goes.
  Srv_Xol41260::TParametrosLoja parameters = loja();
  parameters.IDLUGARMESA = "S";
  useStore(parameters);
  store().comanda({.venda = "V1", .comanda = "0030", .descricao = "RESERVA 7"});
  consumed(10, "0030");
  consumptionItem(90, "0030");
  Variant reserved = consumption("0030");
  EXPECT_EQ(entry(reserved, 0), 0);
  EXPECT_TRUE(registros(reserved).empty());
  rows = linhas();
  ASSERT_EQ(rows.size(), 1u);  // only comanda 0012's
  EXPECT_EQ(rows[0].comanda, "0012");

  // The same comanda in a store that does not bill by seat has a minimum.
  useStore(loja());
  EXPECT_DOUBLE_EQ(entry(consumption("0030"), 0), 90);
}

TEST_P(MinimumConsumptionTest, TheFirstItemNumberTakesTheWholeDifferenceAndABillKeepsOneRow) {
  consumed(70);
  consumptionItem(10);
  consumptionItem(15);
  // The re-price on its own: the first item number takes the difference.
  EXPECT_EQ(
      textOf(module().setAlteraVrConsuma(L"0001", L"V1", L"0012", L"CONF", 1, L"01", 30, L"C1")),
      "");
  std::vector<Linha> rows = linhas();
  ASSERT_EQ(rows.size(), 2u);
  std::vector<double> prices = {rows[0].preco, rows[1].preco};
  std::sort(prices.begin(), prices.end());
  // Either row may be the first the database returns; the other keeps its price.
  EXPECT_TRUE((prices == std::vector<double>{10, 20}) || (prices == std::vector<double>{15, 15}))
      << prices[0] << " " << prices[1];
  // A bill keeps one consumption row: a second one would be a second charge.
  Variant result = consumption();
  EXPECT_DOUBLE_EQ(entry(result, 0), 30);
  rows = linhas();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].preco, 30);
}

TEST_P(MinimumConsumptionTest, AFailedTaxCheckEndsTheBillBeforeAnythingIsAdded) {
  fiscalPrinter();
  store().tax({.imposto = "T1", .tipo = "T"});
  store().tax({.imposto = "T2", .tipo = "T"});
  store().taxRate({.produto = "CONF", .imposto = "T1", .aliquota = 18});
  store().taxRate({.produto = "CONF", .imposto = "T2", .aliquota = 18});
  consumed(63.40);
  std::vector<Variant> p =
      conta::testing_support::parametros({.lista = "0012", .tipo = "2", .consumacao = true});
  Variant result = Variant::array(14);
  EXPECT_THROW(Srv_Xol41260::CalculaConta(p.data(), 6, result), conta::SilentAbort);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].text,
            "Produto para cobrança da Consumação Mínima não pode ser vendido, pois possui mais "
            "de um imposto parametrizado.");
  EXPECT_TRUE(linhas().empty());
}

TEST_P(MinimumConsumptionTest, AnItemOnAnotherComandaOfTheListIsTheOneRepriced) {
  // The bill holds a consumption item on the list's second comanda, where
  // an earlier bill put it: that row carries the charge, no second one is
  // added on the first comanda.
  store().comanda({.venda = "V1", .comanda = "0013"});
  consumed(163.40);
  consumptionItem(10, "0013");
  Srv_Xol41260::TParametrosLoja parameters = loja();
  parameters.PRECOCONSUMAFEMI = 200;
  useStore(parameters);
  Variant short_ = bill({.lista = "0012_0013", .tipo = "1", .consumacao = true});
  const double charge = entry(short_, 11) * 200 - 163.40;
  EXPECT_DOUBLE_EQ(entry(short_, 0), charge);
  std::vector<Linha> rows = linhas();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].comanda, "0013");
  EXPECT_DOUBLE_EQ(rows[0].preco, charge);

  // A minimum the items reach: the row goes, whichever comanda holds it.
  useStore(loja());
  Variant reached = bill({.lista = "0012_0013", .tipo = "1", .consumacao = true});
  EXPECT_EQ(entry(reached, 0), 0);
  EXPECT_TRUE(linhas().empty());
  EXPECT_TRUE(reports_.empty());
}

TEST_P(MinimumConsumptionTest, OnlyTheComandasOwnRowsDecideTheRePrice) {
  store().sale({.venda = "V2", .mesa = "11"});
  store().comanda({.venda = "V2", .comanda = "0020"});
  store().junction("01", "J1", {"10", "11"});
  // A row on the joined table whose comanda is its sale's number: the
  // re-price cannot reach it, so it does not decide.
  store().item({.venda = "V2", .comanda = "V2", .numero = "000003", .produto = "CONF", .preco = 7});
  store().item({.comanda = "0012", .numero = "000003", .produto = "CONF", .preco = 10});
  store().item({.comanda = "0012", .numero = "000004", .produto = "CONF", .preco = 4});
  Variant answer =
      module().setAlteraVrConsuma(L"0001", L"V1", L"0012", L"CONF", 1, L"01", 30, L"C1");
  EXPECT_EQ(textOf(answer), "");
  std::vector<Linha> rows = linhas();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].comanda, "0012");
  EXPECT_EQ(rows[0].preco, 26);  // 30 - (10 + 4) + 10
  EXPECT_EQ(rows[1].preco, 4);
  EXPECT_EQ(rows[2].comanda, "V2");
  EXPECT_EQ(rows[2].preco, 7);
}

INSTANTIATE_TEST_SUITE_P(Databases, MinimumConsumptionTest,
                         ::testing::ValuesIn(conta::testing_support::testDatabaseKinds()),
                         conta::testing_support::databaseKindName);

}  // namespace
