// CalculaConta on every database: the persons a bill is for, the item sums,
// the fourteen result entries in their places, and how a failing bill
// leaves the host's array. The stores here work out no service charge and
// no cover, and the switches are off unless a test is about them.
#include "conta/calcula_conta.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "conta/error.h"
#include "data/packet_layouts.h"
#include "platform/db/statement.h"
#include "platform/host_directory.h"
#include "support/bill_test.h"
#include "support/store_builder.h"

namespace {

namespace fs = std::filesystem;
using conta::DataPacket;
using conta::Variant;
using conta::testing_support::entry;
using conta::testing_support::hasFields;
using conta::testing_support::packetOf;
using conta::testing_support::parametros;
using conta::testing_support::Pedido;
using conta::testing_support::storeDay;
using conta::testing_support::textOf;
using conta::testing_support::Value;
using Srv_Xol41260::TParametrosLoja;
using Strings = std::vector<std::string>;

// Every row of a packet as one text, the rows sorted: the lookups give no
// order of their own.
Strings rowTexts(const DataPacket& packet) {
  Strings rows;
  for (const auto& row : packet.rows) {
    std::string text;
    for (const auto& value : row.values)
      text += textOf(value) + "|";
    rows.push_back(text);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

Strings column(const DataPacket& packet, const char* field) {
  Strings values;
  auto index = packet.fieldIndex(field);
  if (!index) return {std::string("<no field ") + field + ">"};
  for (const auto& row : packet.rows)
    values.push_back(textOf(row.values.at(*index)));
  return values;
}

class CalculaContaTest : public conta::testing_support::BillTest {};

TEST_P(CalculaContaTest, EntriesAreWrittenInTheirPlacesAndNothingElseIsTouched) {
  store().junction("01", "J1", {"10", "11"});
  store().sale({.venda = "V1", .mesa = "10", .pessoas = 2});
  store().comanda({.venda = "V1", .comanda = "0012", .acrescimo = 1.5});
  store().sale({.venda = "V2", .mesa = "11", .pessoas = 1});
  store().comanda({.venda = "V2", .comanda = "0021"});
  store().item({.venda = "V1", .comanda = "0012", .quantidade = 2, .preco = 10, .lugar = "01"});
  store().item({.venda = "V1",
                .comanda = "0012",
                .preco = 3.5,
                .desconto = 0.5,
                .lugar = "02",
                .descontoManual = "S"});
  // The joined table's comanda comes with the comandas, not with the items:
  // only the listed comandas' items are billed.
  store().item({.venda = "V2", .comanda = "0021", .preco = 100});

  // The host's array is longer than fourteen, and its parameters array
  // carries more than seven: the extra elements are the host's business.
  std::vector<Variant> p = parametros({.lista = "0012"});
  p.push_back(Variant("extra"));
  p.push_back(Variant::null());
  Variant result = Variant::array(16);
  result.set(14, Variant("do host"));
  result.set(15, Variant(99.5));
  bool answered = false;
  ASSERT_NO_THROW(answered = ::CalculaConta(p.data(), static_cast<int>(p.size()) - 1, result));
  EXPECT_TRUE(answered);
  ASSERT_TRUE(result.isArray());
  ASSERT_EQ(result.size(), 16u);
  EXPECT_EQ(result[14], Variant("do host"));
  EXPECT_EQ(result[15], Variant(99.5));

  EXPECT_NEAR(entry(result, 2), 23, 1e-9);
  EXPECT_NEAR(entry(result, 3), 23, 1e-9);
  EXPECT_NEAR(entry(result, 8), 0.5, 1e-9);
  EXPECT_NEAR(entry(result, 13), 0.5, 1e-9);
  EXPECT_EQ(entry(result, 7), 0);   // kind "1"
  EXPECT_EQ(entry(result, 11), 1);  // nothing grouped under either comanda
  EXPECT_EQ(entry(result, 4), 25);  // no sex recorded: the other consumer's price
  expectTotal(result);
  for (std::size_t i = 0; i < 14; ++i) {
    if (i != 9 && i != 10) {
      EXPECT_EQ(result[i].kind(), Variant::Kind::Double) << "entry " << i;
    }
  }

  // Entry 9: the comandas of the list and of the joined table, as the
  // lookup gave them; entry 10: the items, as they stand.
  ASSERT_TRUE(result[9].isPacket()) << result[9].describe();
  ASSERT_TRUE(result[10].isPacket()) << result[10].describe();
  const DataPacket& comandas = result[9].packet();
  const DataPacket& itens = result[10].packet();
  EXPECT_TRUE(hasFields(comandas, conta::data::comandaPacketFields()));
  EXPECT_TRUE(hasFields(itens, conta::data::itemPacketFields()));
  Strings numbers = column(comandas, "NRCOMANDA");
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(numbers, (Strings{"0012", "0021"}));
  EXPECT_EQ(rowTexts(comandas), rowTexts(packetOf(module().getListaCmd(L"0001", L"0012"))));
  EXPECT_EQ(column(itens, "NRCOMANDA"), (Strings{"0012", "0012"}));
  EXPECT_EQ(rowTexts(itens),
            rowTexts(packetOf(module().GetItProdVend(L"0001", L"0012", L"T", L""))));
}

TEST_P(CalculaContaTest, PersonsSurchargesAndItemsByKindSeatsAndList) {
  // Table 10: comanda 0012 ("MESA 10"), under which three comandas of
  // another table are grouped; one more names its number, not its
  // description, and is no part of the group.
  store().sale({.venda = "V1", .mesa = "10", .pessoas = 2});
  store().comanda({.venda = "V1", .comanda = "0012", .descricao = "MESA 10", .acrescimo = 1.25});
  store().item({.venda = "V1", .comanda = "0012", .preco = 10, .lugar = "01"});
  store().item({.venda = "V1", .comanda = "0012", .preco = 6, .lugar = "02"});
  store().sale({.venda = "V3", .mesa = "30", .pessoas = 9});
  for (const char* grouped : {"0031", "0032", "0033"})
    store().comanda({.venda = "V3", .comanda = grouped, .principal = "MESA 10"});
  store().comanda({.venda = "V3", .comanda = "0034", .principal = "0012"});
  // Table 20: one sale of three persons holding two comandas.
  store().sale({.venda = "V2", .mesa = "20", .pessoas = 3});
  store().comanda({.venda = "V2", .comanda = "0013", .acrescimo = 2.5});
  store().comanda({.venda = "V2", .comanda = "0014", .acrescimo = 0.75});
  store().item({.venda = "V2", .comanda = "0013", .preco = 4, .lugar = "01"});
  store().item({.venda = "V2", .comanda = "0014", .preco = 1});
  // Table 40: a sale whose persons were never recorded.
  store().sale({.venda = "V4", .mesa = "40", .pessoas = std::nullopt});
  store().comanda({.venda = "V4", .comanda = "0041"});

  struct Case {
    Pedido pedido;
    double pessoas, acrescimo, itens;
  };
  const Case cases[] = {
      {{.lista = "0012", .tipo = "1"}, 4, 0, 16},
      {{.lista = "0012", .tipo = "1", .lugares = "02"}, 1, 0, 6},
      // No seat text at all, or blanks only, leaves the count as the kind made it.
      {{.lista = "0012", .tipo = "1", .lugares = ""}, 4, 0, 0},
      {{.lista = "0012", .tipo = "1", .lugares = " "}, 4, 0, 0},
      {{.lista = "00120013", .tipo = "2"}, 5, 3.75, 20},
      {{.lista = "00120013", .tipo = "2", .lugares = "01"}, 1, 3.75, 14},
      // A sale counts its persons once, however many of its comandas are
      // listed; every comanda's surcharge counts.
      {{.lista = "00130014", .tipo = "2"}, 3, 3.25, 5},
      {{.lista = "0012_0013", .tipo = "2"}, 5, 3.75, 20},
      {{.lista = "00410013", .tipo = "2"}, 3, 2.5, 4},
      // No count, so no minimum consumption even when it is asked for.
      {{.lista = "00120013", .tipo = "3", .consumacao = true}, 0, 0, 20},
      {{.lista = "0012", .tipo = "3", .lugares = "01"}, 1, 0, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("list " + c.pedido.lista + " kind " + c.pedido.tipo + " seats '" +
                 c.pedido.lugares + "'");
    Variant result = bill(c.pedido);
    EXPECT_EQ(entry(result, 11), c.pessoas);
    EXPECT_NEAR(entry(result, 7), c.acrescimo, 1e-9);
    EXPECT_NEAR(entry(result, 2), c.itens, 1e-9);
    EXPECT_EQ(entry(result, 0), 0);
    expectTotal(result);
  }
}

TEST_P(CalculaContaTest, ItemAmountsTheServiceChargeBaseAndTheDiscounts) {
  store().product({.produto = "N1", .cobraTaxa = "N"});
  store().product({.produto = "L1", .cobraTaxa = "s"});
  store().product({.produto = "X1", .cobraTaxa = std::nullopt});
  store().product({.produto = "W1", .cobraTaxa = "S", .pesado = "S"});
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012"});
  auto item = [&](const char* produto, Value quantidade, Value preco, Value desconto,
                  Value acrescimo, Value manual) {
    store().item({.venda = "V1",
                  .comanda = "0012",
                  .produto = produto,
                  .quantidade = quantidade,
                  .preco = preco,
                  .desconto = desconto,
                  .acrescimo = acrescimo,
                  .descontoManual = manual});
  };
  item("P1", 1, 2.999, 0.10, 0.05, "N");  // 000001: 2.99 - 0.10 + 0.05 = 2.94
  item("P1", 3, 2.999, 0, 0, {});         // 000002: the product is cut, 8.99
  item("N1", -2, 4.5, 1, 0, "S");         // 000003: turned positive first, 8.00
  item("W1", 0.375, 31.9, 0.5, 0, "N");   // 000004: 11.96 - 0.50 = 11.46
  item("L1", 1, 5, 0.25, 0, "s");         // 000005: 4.75
  item("X1", 1, 1, 0, 0, {});             // 000006: 1.00

  Variant all = bill({.lista = "0012"});
  EXPECT_NEAR(entry(all, 2), 37.14, 1e-9);
  EXPECT_NEAR(entry(all, 3), 23.39, 1e-9);  // only IDCOBTXSERV "S"
  EXPECT_NEAR(entry(all, 8), 1.85, 1e-9);
  EXPECT_NEAR(entry(all, 13), 1, 1e-9);  // only IDDESCMANUAL "S"
  expectTotal(all);

  Variant some = bill({.lista = "0012", .excluidos = "000001000004"});
  EXPECT_NEAR(entry(some, 2), 22.74, 1e-9);
  EXPECT_NEAR(entry(some, 3), 8.99, 1e-9);
  EXPECT_NEAR(entry(some, 8), 1.25, 1e-9);
  EXPECT_NEAR(entry(some, 13), 1, 1e-9);
  expectTotal(some);
}

TEST_P(CalculaContaTest, CoverAndConsumptionItemsOnlyAddTheirDiscounts) {
  for (const char* produto : {"COUV", "CONM", "CONF"})
    store().product({.produto = produto, .cobraTaxa = "S"});
  struct Case {
    const char* comanda;
    Value sexo;
    double preco;
  };
  // Neither consumption product is an ordinary item, the other sex's one
  // included: it is a charge an earlier bill of the comanda left.
  const Case cases[] = {
      {"0051", "M", 30},
      {"0052", "F", 25},
      {"0053", std::nullopt, 25},
  };
  int mesa = 50;
  for (const Case& c : cases) {
    std::string venda = std::string("V") + c.comanda;
    store().sale({.venda = venda, .mesa = std::to_string(++mesa)});
    store().comanda({.venda = venda, .comanda = c.comanda, .sexo = c.sexo});
    auto item = [&](const char* produto, double quantidade, double preco, double desconto,
                    const char* manual) {
      store().item({.venda = venda,
                    .comanda = c.comanda,
                    .produto = produto,
                    .quantidade = quantidade,
                    .preco = preco,
                    .desconto = desconto,
                    .descontoManual = manual});
    };
    item("P1", 1, 10, 1, "S");
    item("COUV", 2, 8, 0.5, "S");
    item("CONM", 1, 20, 2, "N");
    item("CONF", 1, 15, 1.5, "S");
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.comanda);
    Variant result = bill({.lista = c.comanda});
    EXPECT_NEAR(entry(result, 2), 9, 1e-9);
    EXPECT_NEAR(entry(result, 3), 9, 1e-9);
    EXPECT_NEAR(entry(result, 8), 5, 1e-9);
    EXPECT_NEAR(entry(result, 13), 3, 1e-9);
    EXPECT_EQ(entry(result, 4), c.preco);
    expectTotal(result);
  }
}

// The consumer's sex is read where the walk over the comandas stopped: the
// first comanda, or the last one after a bill of kind "2".
TEST_P(CalculaContaTest, ConsumptionPriceFollowsTheComandaTheWalkEndsOn) {
  store().sale({.venda = "V6", .mesa = "60"});
  store().comanda({.venda = "V6", .comanda = "0061", .sexo = "M"});
  store().sale({.venda = "V7", .mesa = "70"});
  store().comanda({.venda = "V7", .comanda = "0062", .sexo = "F"});
  auto price = [](const Variant& result, bool last) {
    Strings sexes = column(result[9].packet(), "SGSEXOCON");
    if (sexes.size() != 2) return -1.0;
    return (last ? sexes.back() : sexes.front()) == "M" ? 30.0 : 25.0;
  };
  Variant first = bill({.lista = "00610062", .tipo = "1"});
  ASSERT_TRUE(first[9].isPacket());
  EXPECT_EQ(entry(first, 4), price(first, false));
  Variant last = bill({.lista = "00610062", .tipo = "2"});
  ASSERT_TRUE(last[9].isPacket());
  EXPECT_EQ(entry(last, 4), price(last, true));
  EXPECT_EQ(entry(last, 11), 2);

  // The store's file changes while the module runs: the bill keeps the
  // parameters it loaded.
  TParametrosLoja changed = loja();
  changed.PRECOCONSUMAMASC = 99;
  changed.PRECOCONSUMAFEMI = 98;
  conta::testing_support::writeStoreParameters(host_, {changed});
  Variant again = bill({.lista = "0061"});
  EXPECT_EQ(entry(again, 4), 30);
  fs::remove(host_ / "PARAMETROSXOL.CDS");
  again = bill({.lista = "0062"});
  EXPECT_EQ(entry(again, 4), 25);
}

// Charges asked for by the host but refused by the store or the comanda.
TEST_P(CalculaContaTest, ChargesTheStoreOrTheComandaTurnsOff) {
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012", .consumacao = "N", .comissao = 5.55});
  store().item({.venda = "V1", .comanda = "0012", .preco = 10});
  Variant result = bill({.lista = "0012", .consumacao = true, .couvert = true, .taxa = true});
  for (std::size_t i : {0, 5, 6, 12})
    EXPECT_EQ(entry(result, i), 0) << "entry " << i;
  EXPECT_NEAR(entry(result, 1), 10, 1e-9);

  conta::db::Query query(*connection_, "stored");
  query.setSql("SELECT VRCOMISVENDE FROM COMANDAVEN");
  query.open();
  ASSERT_FALSE(query.eof());
  EXPECT_NEAR(query.value("VRCOMISVENDE").toDouble(), 5.55, 1e-9);  // untouched
  conta::db::Query items(*connection_, "items");
  items.setSql("SELECT CDPRODUTO FROM ITCOMANDAVEN");
  items.open();
  Strings products;
  for (items.first(); !items.eof(); items.next())
    products.push_back(textOf(items.value("CDPRODUTO")));
  EXPECT_EQ(products, Strings{"P1"});  // no charge item added
}

TEST_P(CalculaContaTest, AFailedBillRaisesLeavesTheArrayAndTheNextBillWorks) {
  store().sale({.venda = "V0", .fechada = storeDay(19)});
  store().comanda({.venda = "V0", .comanda = "0015"});
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012"});
  store().item({.venda = "V1", .comanda = "0012", .preco = 10});

  std::vector<Variant> hosted(14, Variant("do host"));
  // The bill raises the error `expected` wants to see, and writes nothing.
  auto failing = [&](const std::string& lista, auto&& expected) {
    std::vector<Variant> p = parametros({.lista = lista, .tipo = "2"});
    Variant result = Variant::array(hosted);
    try {
      Srv_Xol41260::CalculaConta(p.data(), 6, result);
      ADD_FAILURE() << "list '" << lista << "' was billed";
    } catch (const conta::Error& e) {
      expected(e);
    }
    EXPECT_EQ(result.elements(), hosted);
  };
  // No open comanda: unknown, of a closed sale, or no list at all.
  for (const std::string lista : {"9999", "0015", ""}) {
    SCOPED_TRACE(lista);
    failing(lista, [&](const conta::Error& e) {
      EXPECT_NE(std::string(e.what()).find(lista), std::string::npos) << e.what();
    });
  }
  exec("ALTER TABLE PRODUTO RENAME TO PRODUTO_FORA");
  failing("0012", [](const conta::Error& e) {
    auto* failure = dynamic_cast<const conta::OperationFailure*>(&e);
    ASSERT_NE(failure, nullptr) << e.what();
    EXPECT_EQ(failure->operation(), "GetItProdVend");
    EXPECT_NE(std::string(e.what()).find("GetItProdVend"), std::string::npos) << e.what();
  });
  exec("ALTER TABLE PRODUTO_FORA RENAME TO PRODUTO");
  EXPECT_NEAR(entry(bill({.lista = "0012"}), 2), 10, 1e-9);

  // The host's own mistakes.
  std::vector<Variant> p = parametros({.lista = "0012"});
  Variant good = Variant::array(14);
  EXPECT_THROW(Srv_Xol41260::CalculaConta(p.data(), 5, good), conta::Error);
  for (Variant bad : {Variant(), Variant(1.0), Variant::array(13)}) {
    SCOPED_TRACE(bad.describe());
    EXPECT_THROW(Srv_Xol41260::CalculaConta(p.data(), 6, bad), conta::Error);
  }
  Variant result = bill({.lista = "0012"});
  EXPECT_NEAR(entry(result, 2), 10, 1e-9);
  EXPECT_TRUE(result[9].isPacket());
}

INSTANTIATE_TEST_SUITE_P(Databases, CalculaContaTest,
                         ::testing::ValuesIn(conta::testing_support::testDatabaseKinds()),
                         conta::testing_support::databaseKindName);

}  // namespace
