// The cover charge, through the bill: one unit of the cover product per
// person, added, re-counted, or removed with every bill, in the database and
// in the bill's items.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conta/calcula_conta.h"
#include "conta/error.h"
#include "platform/db/statement.h"
#include "support/bill_test.h"
#include "support/mensagemxol.h"

namespace {

using conta::Variant;
using conta::testing_support::entry;
using conta::testing_support::packetOf;
using conta::testing_support::Pedido;
using conta::testing_support::textOf;
using Srv_Xol41260::TParametrosLoja;

// A stored cover row.
struct Linha {
  std::string comanda, produto, lugar;
  double quantidade = 0, preco = 0;
};

class CoverChargeTest : public conta::testing_support::BillTest {
 protected:
  void SetUp() override {
    BillTest::SetUp();
    if (IsSkipped()) return;
    Mensagemxol::setReportSink([this](const Mensagemxol::Report& r) { reports_.push_back(r); });
    store().product({.produto = "COUV", .nome = "Couvert artístico", .arvore = "9.2"});
    useStore(coverStore());
    store().sale({.venda = "V1", .pessoas = 4});
    store().comanda({.venda = "V1", .comanda = "0012"});
    store().item({.comanda = "0012", .numero = "000001", .preco = 20, .lugar = "01"});
  }
  void TearDown() override {
    Mensagemxol::setReportSink({});
    BillTest::TearDown();
  }

  // A store that charges a cover of 12.345 a person.
  static TParametrosLoja coverStore() {
    TParametrosLoja parameters = loja();
    parameters.IDCOUVERART = "S";
    parameters.PRECOCOUVERT = 12.345;
    return parameters;
  }

  Variant cover(const std::string& lista = "0012", bool cobra = true,
                const std::string& excluidos = "") {
    return bill({.lista = lista, .tipo = "2", .couvert = cobra, .excluidos = excluidos});
  }
  void coverItem(double quantidade, const std::string& numero, const std::string& lugar = "01",
                 const std::string& produto = "COUV") {
    store().item({.comanda = "0012",
                  .numero = numero,
                  .produto = produto,
                  .quantidade = quantidade,
                  .preco = 12.345,
                  .lugar = lugar});
  }
  void persons(int count) {
    conta::db::Command update(*connection_, "persons");
    update.setSql("UPDATE VENDAREST SET NRPESMESAVEN = :P_N");
    update.setParameter("P_N", Variant(static_cast<double>(count)));
    update.execute();
  }

  // The stored cover rows (any case of the code), by comanda and seat.
  std::vector<Linha> linhas() {
    conta::db::Query query(*connection_, "linhas");
    query.setSql(
        "SELECT NRCOMANDA, CDPRODUTO, NRLUGARMESA, QTPRODCOMVEN, VRPRECCOMVEN FROM ITCOMANDAVEN "
        "WHERE UPPER(CDPRODUTO) = 'COUV' ORDER BY NRCOMANDA, NRLUGARMESA, NRPRODCOMVEN");
    query.open();
    std::vector<Linha> found;
    for (query.first(); !query.eof(); query.next()) {
      found.push_back({textOf(query.value("NRCOMANDA")), textOf(query.value("CDPRODUTO")),
                       textOf(query.value("NRLUGARMESA")), query.value("QTPRODCOMVEN").toDouble(),
                       query.value("VRPRECCOMVEN").toDouble()});
    }
    return found;
  }
  // The cover records among the bill's items: "quantity x price".
  static std::vector<std::string> registros(const Variant& result) {
    conta::DataPacket itens = packetOf(result[10]);
    std::vector<std::string> found;
    const std::size_t produto = *itens.fieldIndex("CDPRODUTO");
    const std::size_t quantidade = *itens.fieldIndex("QTPRODCOMVEN");
    const std::size_t preco = *itens.fieldIndex("VRPRECCOMVEN");
    for (const auto& row : itens.rows) {
      if (textOf(row.values[produto]) != "COUV") continue;
      found.push_back(textOf(row.values[quantidade]) + " x " + textOf(row.values[preco]));
    }
    return found;
  }

  std::vector<Mensagemxol::Report> reports_;
};

TEST_P(CoverChargeTest, TheCoverIsAddedOnceThenFollowsThePersons) {
  Variant first = cover();
  EXPECT_DOUBLE_EQ(entry(first, 5), 4 * 12.345);
  EXPECT_NEAR(entry(first, 5), 49.38, 1e-9);
  expectTotal(first);
  std::vector<Linha> rows = linhas();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].lugar, "01");
  EXPECT_EQ(rows[0].quantidade, 4);
  EXPECT_EQ(rows[0].preco, 12.345);  // the stored price, not cut
  // The items were read again: the row as stored, not the cut one of memory.
  EXPECT_EQ(registros(first), (std::vector<std::string>{"4 x 12.345"}));

  // Unchanged: nothing new, the same figures.
  Variant again = cover();
  EXPECT_EQ(entry(again, 5), entry(first, 5));
  EXPECT_EQ(entry(again, 1), entry(first, 1));
  EXPECT_EQ(linhas().size(), 1u);
  EXPECT_EQ(registros(again), (std::vector<std::string>{"4 x 12.345"}));

  // A fifth person: re-counted, and the amount is not cut.
  persons(5);
  Variant more = cover();
  EXPECT_DOUBLE_EQ(entry(more, 5), 5 * 12.345);
  rows = linhas();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].quantidade, 5);
  EXPECT_TRUE(reports_.empty());
}

TEST_P(CoverChargeTest, ACoverCodeInAnotherCaseCountsAsTheCoverRow) {
  store().product({.produto = "couv"});
  coverItem(4, "000002", "01", "couv");
  Variant result = cover();
  EXPECT_DOUBLE_EQ(entry(result, 5), 4 * 12.345);
  std::vector<Linha> rows = linhas();
  ASSERT_EQ(rows.size(), 1u);  // nothing added
  EXPECT_EQ(rows[0].produto, "couv");
}

TEST_P(CoverChargeTest, AReservedTableBySeatGetsOneUnitOnEachSeatOnce) {
  TParametrosLoja parameters = coverStore();
  parameters.IDLUGARMESA = "S";
  useStore(parameters);
  persons(2);
  store().comanda({.venda = "V1", .comanda = "0040", .descricao = "RES 40"});
  store().item({.comanda = "0040", .numero = "000001", .lugar = "01"});
  store().item({.comanda = "0040", .numero = "000002", .lugar = "03"});
  auto seats = [&] {
    std::vector<std::string> found;
    for (const Linha& row : linhas())
      if (row.comanda == "0040")
        found.push_back(row.lugar + ":" + Variant(row.quantidade).toText());
    return found;
  };
  // The bill charges the units it shows, each cut to two decimals.
  Variant first = cover("0040");
  EXPECT_NEAR(entry(first, 5), 2 * 12.34, 1e-9);
  EXPECT_EQ(seats(), (std::vector<std::string>{"01:1", "03:1"}));
  Variant second = cover("0040");
  EXPECT_EQ(seats(), (std::vector<std::string>{"01:1", "03:1"}));
  EXPECT_NEAR(entry(second, 5), 2 * 12.34, 1e-9);
  // A third person: a unit on the free seat 02 is added, 03 and 01 stay.
  persons(3);
  Variant third = cover("0040");
  EXPECT_EQ(seats(), (std::vector<std::string>{"01:1", "02:1", "03:1"}));
  EXPECT_NEAR(entry(third, 5), 3 * 12.34, 1e-9);
}

TEST_P(CoverChargeTest, ABillWithoutCoverRemovesEveryCoverItem) {
  coverItem(4, "000002");
  Variant off = cover("0012", false);
  EXPECT_EQ(entry(off, 5), 0);
  EXPECT_TRUE(registros(off).empty());
  EXPECT_TRUE(linhas().empty());
  expectTotal(off);
  // The filter that picked them stays set, switched off.
  EXPECT_EQ(module().cdsItemComandas.filterText(), "CDPRODUTO  = 'COUV'");
  EXPECT_FALSE(module().cdsItemComandas.filtered());

  // The comanda's own switch does the same.
  coverItem(4, "000003");
  conta::db::Command update(*connection_, "switch");
  update.setSql("UPDATE COMANDAVEN SET IDUTILCOUVERT = 'N'");
  update.execute();
  Variant switched = cover();
  EXPECT_EQ(entry(switched, 5), 0);
  EXPECT_TRUE(linhas().empty());

  // A cover item the bill does not show (excluded, or on a seat it does not
  // bill) goes too: the comanda keeps no cover the bill does not charge.
  coverItem(4, "000004");
  Variant excluded = cover("0012", false, "000004");
  EXPECT_EQ(entry(excluded, 5), 0);
  EXPECT_TRUE(linhas().empty());
}

TEST_P(CoverChargeTest, AStoreWithoutCoverOnlyRecountsAnExistingItem) {
  TParametrosLoja parameters = coverStore();
  parameters.IDCOUVERART = "N";
  useStore(parameters);
  Variant none = cover();
  EXPECT_EQ(entry(none, 5), 0);
  EXPECT_TRUE(linhas().empty());

  coverItem(2, "000002");
  Variant recounted = cover();
  EXPECT_NEAR(entry(recounted, 5), 12.34 * 4, 1e-9);  // the cut price, per person
  std::vector<Linha> rows = linhas();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].quantidade, 4);
}

TEST_P(CoverChargeTest, AFailedTaxCheckWritesNothingOfTheInsertion) {
  TParametrosLoja parameters = coverStore();
  parameters.UTILIZAIMPFIS = true;
  parameters.IDLUGARMESA = "S";
  useStore(parameters);
  store().tax({.imposto = "T1", .tipo = "T"});
  store().tax({.imposto = "T2", .tipo = "T"});
  store().taxRate({.produto = "COUV", .imposto = "T1", .aliquota = 18});
  store().taxRate({.produto = "COUV", .imposto = "T2", .aliquota = 18});
  // A reserved table with one cover unit and three persons: the per-seat
  // insertion of the two missing units is refused.
  persons(3);
  store().comanda({.venda = "V1", .comanda = "0040", .descricao = "RES 40"});
  store().item({.comanda = "0040",
                .numero = "000001",
                .produto = "COUV",
                .quantidade = 1,
                .preco = 12.345,
                .lugar = "01"});
  std::vector<Variant> p =
      conta::testing_support::parametros({.lista = "0040", .tipo = "2", .couvert = true});
  Variant result = Variant::array(14);
  EXPECT_THROW(Srv_Xol41260::CalculaConta(p.data(), 6, result), conta::SilentAbort);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].text,
            "Produto para cobrança do Couvert Artístico não pode ser vendido, pois possui mais de "
            "um imposto parametrizado.");
  std::vector<Linha> rows = linhas();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].quantidade, 1);  // a seat's unit
}

TEST_P(CoverChargeTest, TheRecountReachesOnlyTheCoverItemsOfTheListedComandas) {
  store().comanda({.venda = "V1", .comanda = "0013"});
  coverItem(4, "000002");
  auto recount = [&](const wchar_t* lista, double quantidade) {
    EXPECT_EQ(textOf(module().setCalculaCouvert(L"0001", L"V1", lista, L"COUV", quantidade)),
              "<empty>");
    std::vector<std::string> found;
    for (const Linha& row : linhas())
      found.push_back(row.comanda + ":" + Variant(row.quantidade).toText());
    return found;
  };
  using Found = std::vector<std::string>;
  // One cover item among the listed comandas: the persons, wherever the
  // list names other comandas of its sale.
  EXPECT_EQ(recount(L"0012", 6), (Found{"0012:6"}));
  EXPECT_EQ(recount(L"0012_0013", 5), (Found{"0012:5"}));
  // A comanda of the sale that is not listed keeps its cover.
  EXPECT_EQ(recount(L"0013", 7), (Found{"0012:5"}));
  EXPECT_EQ(recount(L"0099", 7), (Found{"0012:5"}));
  // Two cover items: one unit each.
  store().item(
      {.comanda = "0013", .numero = "000001", .produto = "COUV", .quantidade = 3, .preco = 8});
  EXPECT_EQ(recount(L"0012_0013", 6), (Found{"0012:1", "0013:1"}));
}

INSTANTIATE_TEST_SUITE_P(Databases, CoverChargeTest,
                         ::testing::ValuesIn(conta::testing_support::testDatabaseKinds()),
                         conta::testing_support::databaseKindName);

}  // namespace
