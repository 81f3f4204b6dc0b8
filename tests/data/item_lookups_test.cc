// The item lookup and the two item edits on every database: which items a
// bill reads and how they come priced and grouped, the removal of a charge
// product from the bill's comandas, and the sign of negative quantities.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/packet_layouts.h"
#include "platform/db/statement.h"
#include "support/store_builder.h"

namespace {

using conta::DataPacket;
using conta::Variant;
using conta::testing_support::hasFields;
using conta::testing_support::packetOf;
using conta::testing_support::PacketRecords;
using conta::testing_support::sameValue;
using conta::testing_support::storeDay;
using conta::testing_support::textOf;
using conta::testing_support::Value;
using Strings = std::vector<std::string>;

class ItemLookupsTest : public conta::testing_support::StoreDataTest {
 protected:
  void SetUp() override {
    StoreDataTest::SetUp();
    if (IsSkipped()) return;
    // Products sold by the unit (summed per item) and by weight (row by row).
    store().product({.produto = "P1", .pesado = "N"});
    store().product({.produto = "S1", .pesado = "S"});
    store().sale({.venda = "V1"});
    store().comanda({.venda = "V1", .comanda = "0012"});
  }

  // The item packet, rows ordered by sale, comanda and item number.
  PacketRecords items(const std::wstring& comandas, const std::wstring& seats = L"T",
                      const std::wstring& exclusions = L"", const std::wstring& filial = L"0001") {
    return PacketRecords(packetOf(module().GetItProdVend(filial, comandas, seats, exclusions)),
                         {"NRVENDAREST", "NRCOMANDA", "NRPRODCOMVEN"});
  }
  // "sale/comanda/item" of every item of the packet.
  static Strings keys(const PacketRecords& rows) {
    Strings found;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      found.push_back(textOf(rows.at(i, "NRVENDAREST")) + "/" + textOf(rows.at(i, "NRCOMANDA")) +
                      "/" + textOf(rows.at(i, "NRPRODCOMVEN")));
    }
    return found;
  }
  // Every row of ITCOMANDAVEN as "branch/sale/comanda/item/product/quantity".
  Strings stored() {
    conta::db::Query query(*connection_, "stored");
    query.setSql(
        "SELECT CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, QTPRODCOMVEN "
        "FROM ITCOMANDAVEN ORDER BY CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN");
    query.open();
    Strings rows;
    for (query.first(); !query.eof(); query.next()) {
      std::string row;
      for (const char* column :
           {"CDFILIAL", "NRVENDAREST", "NRCOMANDA", "NRPRODCOMVEN", "CDPRODUTO", "QTPRODCOMVEN"})
        row += (row.empty() ? "" : "/") + textOf(query.value(column));
      rows.push_back(row);
    }
    return rows;
  }
  static void expectEmpty(const Variant& answer) {
    EXPECT_TRUE(answer.isEmpty()) << answer.describe();
  }
};

TEST_P(ItemLookupsTest, TheItemPacketKeepsItsFieldsWithAndWithoutRows) {
  store().item({.comanda = "0012"});
  PacketRecords none = items(L"");
  EXPECT_TRUE(hasFields(none.packet(), conta::data::itemPacketFields()));
  EXPECT_EQ(none.size(), 0u);
  PacketRecords one = items(L"0012");
  EXPECT_TRUE(hasFields(one.packet(), conta::data::itemPacketFields()));
  EXPECT_EQ(one.size(), 1u);
  EXPECT_EQ(items(L"9999").size(), 0u);
}

TEST_P(ItemLookupsTest, ItemsOfListedComandasOfOpenSalesWhateverTheComandaStatus) {
  store().sale({.venda = "V0", .fechada = storeDay(19)});
  store().comanda({.venda = "V0", .comanda = "0012"});  // yesterday's card: not today's bill
  store().comanda({.venda = "V1", .comanda = "12", .status = "4"});
  store().comanda({.venda = "V1", .comanda = "001"});
  store().comanda({.venda = "V1", .comanda = "0013"});
  for (const char* venda : {"V0", "V1"})
    store().item({.venda = venda, .comanda = "0012"});
  for (const char* comanda : {"12", "001", "0013"})
    store().item({.comanda = comanda});
  // The same sale and comanda in another branch.
  store().sale({.filial = "0002", .venda = "V1"});
  store().comanda({.filial = "0002", .venda = "V1", .comanda = "0012"});
  store().item({.filial = "0002", .venda = "V1", .comanda = "0012"});

  EXPECT_EQ(keys(items(L"0012")), (Strings{"V1/001/000001", "V1/0012/000001", "V1/12/000001"}));
  EXPECT_EQ(keys(items(L"0013")), (Strings{"V1/001/000001", "V1/0013/000001"}));
  EXPECT_EQ(keys(items(L"0012", L"T", L"", L"0002")), (Strings{"V1/0012/000001"}));
}

TEST_P(ItemLookupsTest, CancelledAndRefillItemsAreNeverRead) {
  for (const char* status : {"1", "2", "3", "4", "5", "6", "7"})
    store().item({.comanda = "0012", .numero = std::string("00000") + status, .status = status});
  store().item({.comanda = "0012", .numero = "000008", .status = std::nullopt});
  store().item({.comanda = "0012", .numero = "000009", .refil = "S"});
  store().item({.comanda = "0012", .numero = "000010", .refil = "n"});
  EXPECT_EQ(items(L"0012").column("NRPRODCOMVEN"),
            (Strings{"000001", "000002", "000003", "000004", "000005"}));
}

TEST_P(ItemLookupsTest, AnItemWithoutItsProductSaleOrComandaIsLeftOut) {
  store().item({.comanda = "0012", .numero = "000001"});
  store().item({.comanda = "0012", .numero = "000002", .produto = "NONE"});
  // Sale V9 is missing; its comanda is there.
  store().comanda({.venda = "V9", .comanda = "0012"});
  store().item({.venda = "V9", .comanda = "0012"});
  // Comanda 0014 of V1 is missing.
  store().item({.venda = "V1", .comanda = "0014"});
  // Sale V2 exists, but comanda 0012 only belongs to V1: the comanda of an
  // item is the one of its own sale.
  store().sale({.venda = "V2"});
  store().item({.venda = "V2", .comanda = "0012"});
  EXPECT_EQ(keys(items(L"00120014")), (Strings{"V1/0012/000001"}));
}

TEST_P(ItemLookupsTest, TheSeatTextChoosesTheItems) {
  for (const char* seat : {"0", "01", "02", "1", "10"})
    store().item({.comanda = "0012", .lugar = seat});
  store().item({.comanda = "0012"});  // no seat
  EXPECT_EQ(items(L"0012", L"T").column("NRLUGARMESA"),
            (Strings{"0", "01", "02", "1", "10", "<null>"}));
  EXPECT_EQ(items(L"0012", L"01").column("NRLUGARMESA"), (Strings{"0", "01", "1"}));
  EXPECT_EQ(items(L"0012", L"02").column("NRLUGARMESA"), (Strings{"0", "02"}));
  // Flags are exact: only "T" stands for every seat.
  EXPECT_EQ(items(L"0012", L"t").size(), 0u);
  PacketRecords none = items(L"0012", L"");
  EXPECT_EQ(none.size(), 0u);
  EXPECT_TRUE(hasFields(none.packet(), conta::data::itemPacketFields()));
}

TEST_P(ItemLookupsTest, TheExclusionListLeavesOutEveryItemWhoseNumberOccursInIt) {
  for (const char* number : {"12", "1", "2", "3"})
    store().item({.comanda = "0012", .numero = number});
  EXPECT_EQ(items(L"0012", L"T", L"").column("NRPRODCOMVEN"), (Strings{"1", "12", "2", "3"}));
  EXPECT_EQ(items(L"0012", L"T", L"12").column("NRPRODCOMVEN"), (Strings{"3"}));
  EXPECT_EQ(items(L"0012", L"T", L"3").column("NRPRODCOMVEN"), (Strings{"1", "12", "2"}));
  // Seats and exclusions together.
  store().item({.comanda = "0012", .numero = "4", .lugar = "02"});
  EXPECT_EQ(items(L"0012", L"02", L"3").column("NRPRODCOMVEN"), (Strings{"4"}));
}

// Both kinds of product come priced the same way: the price plus its
// complement, the discount cut (never rounded) to two decimals towards zero,
// the surcharge as stored.
TEST_P(ItemLookupsTest, PricesAndDiscountsOfBothKindsOfProduct) {
  struct Case {
    const char* numero;
    Value preco, complemento, desconto, acrescimo;
    double precoLido, descontoLido, acrescimoLido;
  };
  const Case cases[] = {
      {"000001", 10, std::nullopt, 0, 0, 10, 0, 0},     {"000002", 10, 2.5, 0, 0, 12.5, 0, 0},
      {"000003", 10, 0, 1.239, 1.239, 10, 1.23, 1.239}, {"000004", 10, 0, -1.239, 0, 10, -1.23, 0},
      {"000005", 10, 0, 0.29, 0, 10, 0.29, 0},  // 0.29 is no 0.28
      {"000006", 7.35, 0.1, 1.999, 0, 7.45, 1.99, 0},
  };
  for (const char* produto : {"P1", "S1"}) {
    SCOPED_TRACE(produto);
    std::string comanda = produto == std::string("P1") ? "0012" : "0013";
    if (comanda != "0012") store().comanda({.venda = "V1", .comanda = comanda});
    for (const Case& c : cases) {
      store().item({.comanda = comanda,
                    .numero = c.numero,
                    .produto = produto,
                    .preco = c.preco,
                    .complemento = c.complemento,
                    .desconto = c.desconto,
                    .acrescimo = c.acrescimo});
    }
    PacketRecords rows = items(std::wstring(comanda.begin(), comanda.end()));
    ASSERT_EQ(rows.size(), std::size(cases));
    for (std::size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE(cases[i].numero);
      EXPECT_TRUE(sameValue(rows.at(i, "VRPRECCOMVEN"), Variant(cases[i].precoLido)));
      EXPECT_TRUE(sameValue(rows.at(i, "VRDESCCOMVEN"), Variant(cases[i].descontoLido)));
      EXPECT_TRUE(sameValue(rows.at(i, "VRACRCOMVEN"), Variant(cases[i].acrescimoLido)));
      EXPECT_TRUE(sameValue(rows.at(i, "QTPRODCOMVEN"), Variant(1.0)));
    }
  }
}

// The catalogue code and name come from the product, the commission from
// the item's own seller (not the sale's).
TEST_P(ItemLookupsTest, ProductAndSellerColumnsOfBothKindsOfProduct) {
  store().product({.produto = "P2",
                   .nome = "Nome P2",
                   .nomeFiscal = "FISCAL P2",
                   .arvore = "ARV2",
                   .barras = "7890002",
                   .cobraTaxa = "N",
                   .pesado = "N"});
  store().product({.produto = "P3", .nome = "Nome P3", .arvore = "ARV3", .pesado = "N"});
  store().product({.produto = "S2",
                   .nome = "Nome S2",
                   .nomeFiscal = "FISCAL S2",
                   .arvore = "ARVS2",
                   .barras = "7890102",
                   .cobraTaxa = "N",
                   .pesado = "S"});
  store().product({.produto = "S3", .nome = "Nome S3", .arvore = "ARVS3", .pesado = "S"});
  store().seller({.vendedor = "V01", .comissao = 7.5, .incide = "S"});
  store().seller({.vendedor = "V02", .comissao = 3, .incide = "N"});
  store().sale({.venda = "V2", .vendedor = "V02"});
  store().comanda({.venda = "V2", .comanda = "0020"});

  store().item(
      {.venda = "V2", .comanda = "0020", .numero = "000001", .produto = "P2", .vendedor = "V01"});
  store().item({.venda = "V2", .comanda = "0020", .numero = "000002", .produto = "P3"});
  store().item({.venda = "V2",
                .comanda = "0020",
                .numero = "000003",
                .produto = "P3",
                .vendedor = "V99"});  // not registered
  store().item(
      {.venda = "V2", .comanda = "0020", .numero = "000004", .produto = "S2", .vendedor = "V01"});
  store().item({.venda = "V2", .comanda = "0020", .numero = "000005", .produto = "S3"});
  store().item(
      {.venda = "V2", .comanda = "0020", .numero = "000006", .produto = "S3", .vendedor = "V99"});

  PacketRecords rows = items(L"0020");
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows.column("CDPRODUTO"), (Strings{"P2", "P3", "P3", "S2", "S3", "S3"}));
  EXPECT_EQ(rows.column("CDARVPROD"),
            (Strings{"7890002", "ARV3", "ARV3", "7890102", "ARVS3", "ARVS3"}));
  EXPECT_EQ(rows.column("NMPRODUTO"),
            (Strings{"FISCAL P2", "Nome P3", "Nome P3", "FISCAL S2", "Nome S3", "Nome S3"}));
  EXPECT_EQ(rows.column("IDCOBTXSERV"), (Strings{"N", "S", "S", "N", "S", "S"}));
  EXPECT_EQ(rows.column("CDVENDEDORITEM"),
            (Strings{"V01", "<null>", "V99", "V01", "<null>", "V99"}));
  EXPECT_EQ(rows.column("IDVRINCIDECONTA"),
            (Strings{"S", "<null>", "<null>", "S", "<null>", "<null>"}));
  const double commission[] = {7.5, 0, 0, 7.5, 0, 0};
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_TRUE(sameValue(rows.at(i, "VRPERCCOMISVEND"), Variant(commission[i]))) << i;
}

TEST_P(ItemLookupsTest, ItemColumnsPassThroughAndTheFixedOnesAreSet) {
  const std::string text(498, 'x');
  for (const char* produto : {"P1", "S1"}) {
    std::string p = produto;
    store().item({.comanda = "0012",
                  .produto = produto,
                  .quantidade = p == "P1" ? 2.5 : 0.375,
                  .texto = text.substr(0, p == "P1" ? 498 : 31) + p,
                  .lugar = p == "P1" ? "01" : "02",
                  .entrada = storeDay(p == "P1" ? 20 : 21, 45),
                  .descontoManual = p == "P1" ? "S" : "N",
                  .more = {{"CDPRODPROMOCAO", "PROMO" + p},
                           {"NRMESADSCOMORIT", "MESA ORIGEM " + p},
                           {"IDDIVIDECONTA", p == "P1" ? "S" : "N"},
                           {"NRSEQPRODCOM", p == "P1" ? "001" : "002"},
                           {"CDCUPOMDESCXOL", "CUPOM" + p},
                           {"CDLOJA", "07"},
                           {"CDCAIXACOLETOR", "003"}}});
  }
  PacketRecords rows = items(L"0012");
  ASSERT_EQ(rows.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    std::string p = i == 0 ? "P1" : "S1";
    SCOPED_TRACE(p);
    const std::vector<std::pair<const char*, Variant>> expected = {
        {"NRPRODCOMVEN", Variant(i == 0 ? "000001" : "000002")},
        {"CDFILIAL", Variant("0001")},
        {"NRVENDAREST", Variant("V1")},
        {"NRCOMANDA", Variant("0012")},
        {"CDPRODUTO", Variant(p)},
        {"QTPRODCOMVEN", Variant(i == 0 ? 2.5 : 0.375)},
        {"NRLUGARMESA", Variant(i == 0 ? "01" : "02")},
        {"NRMESADSCOMORIT", Variant("MESA ORIGEM " + p)},
        // The item text comes whole, up to the 500 characters of the column.
        {"TXPRODCOMVEN", Variant(text.substr(0, i == 0 ? 498 : 31) + p)},
        {"IDPROMO", Variant("")},
        {"CDPRODPROMOCAO", Variant("PROMO" + p)},
        {"IDDIVIDECONTA", Variant(i == 0 ? "S" : "N")},
        {"IDCHECK", Variant("C")},
        {"CDPRODRALIMENT", Variant::null()},
        {"IDDESCMANUAL", Variant(i == 0 ? "S" : "N")},
        {"DSOBSFINVEN", Variant("")},
        {"NRSEQPRODCOM", Variant(i == 0 ? "001" : "002")},
        {"DTHRINCOMVEN", Variant(storeDay(i == 0 ? 20 : 21, 45))},
        {"CDCUPOMDESCXOL", Variant("CUPOM" + p)},
    };
    for (const auto& [field, value] : expected)
      EXPECT_TRUE(sameValue(rows.at(i, field), value)) << field;
  }
}

TEST_P(ItemLookupsTest, AProductRegisteredForTheSalesClientAndConsumerIsMarked) {
  for (const char* produto : {"P2", "P3", "P4", "P5"})
    store().product({.produto = produto});
  store().product({.produto = "S2", .pesado = "S"});
  store().sale({.venda = "V2", .cliente = "C1", .consumidor = "K1"});
  store().comanda({.venda = "V2", .comanda = "0020"});
  store().registered({.produto = "P1", .cliente = "C1", .consumidor = "K1"});
  store().registered({.produto = "S2", .cliente = "C1", .consumidor = "K1"});
  // Registered for someone else, or in another branch.
  store().registered({.produto = "P2", .cliente = "C1", .consumidor = "K2"});
  store().registered({.produto = "P3", .cliente = "C2", .consumidor = "K1"});
  store().registered({.filial = "0002", .produto = "P4", .cliente = "C1", .consumidor = "K1"});
  // More registrations of P1 must not multiply its item.
  store().registered({.produto = "P1", .cliente = "C1", .consumidor = "K2"});
  store().registered({.produto = "P1", .cliente = "C2", .consumidor = "K1"});
  store().registered({.filial = "0002", .produto = "P1", .cliente = "C1", .consumidor = "K1"});
  for (const char* produto : {"P1", "P2", "P3", "P4", "P5", "S2"})
    store().item({.venda = "V2", .comanda = "0020", .produto = produto, .quantidade = 2});
  // The same product on a sale without client.
  store().item({.venda = "V1", .comanda = "0012", .produto = "P1", .quantidade = 2});

  PacketRecords rows = items(L"00120020");
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows.column("CDPRODUTO"), (Strings{"P1", "P1", "P2", "P3", "P4", "P5", "S2"}));
  EXPECT_EQ(rows.column("CDPRODRALIMENT"),
            (Strings{"<null>", "P1", "<null>", "<null>", "<null>", "<null>", "S2"}));
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_TRUE(sameValue(rows.at(i, "QTPRODCOMVEN"), Variant(2.0))) << i;
}

// An item number is one of the grouped columns, so items of one product stay
// apart; and the comanda number seen again in other sales of the branch must
// not count an item twice.
TEST_P(ItemLookupsTest, ItemsAreNeitherMergedNorMultiplied) {
  store().sale({.venda = "V0", .fechada = storeDay(18)});
  store().comanda({.venda = "V0", .comanda = "0012"});
  store().sale({.venda = "V2"});
  store().comanda({.venda = "V2", .comanda = "0012"});
  store().sale({.filial = "0002", .venda = "V1"});
  store().comanda({.filial = "0002", .venda = "V1", .comanda = "0012"});
  for (const char* produto : {"P1", "P1", "S1", "S1"}) {
    store().item({.comanda = "0012",
                  .produto = produto,
                  .quantidade = 1.5,
                  .desconto = 1.239,
                  .acrescimo = 0.5,
                  .lugar = "01"});
  }
  PacketRecords rows = items(L"0012");
  EXPECT_EQ(keys(rows),
            (Strings{"V1/0012/000001", "V1/0012/000002", "V1/0012/000003", "V1/0012/000004"}));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(sameValue(rows.at(i, "QTPRODCOMVEN"), Variant(1.5)));
    EXPECT_TRUE(sameValue(rows.at(i, "VRDESCCOMVEN"), Variant(1.23)));
    EXPECT_TRUE(sameValue(rows.at(i, "VRACRCOMVEN"), Variant(0.5)));
  }
}

TEST_P(ItemLookupsTest, EveryCallReadsTheItemsAnew) {
  store().item({.comanda = "0012"});
  EXPECT_EQ(items(L"0012").size(), 1u);
  store().item({.comanda = "0012"});
  EXPECT_EQ(items(L"0012").size(), 2u);
  store().comanda({.venda = "V1", .comanda = "0013"});
  store().item({.comanda = "0013"});
  EXPECT_EQ(keys(items(L"0013")), (Strings{"V1/0013/000001"}));
  expectEmpty(module().SetRetiraItem(L"0001", L"0012", L"P1"));
  EXPECT_EQ(items(L"0012").size(), 0u);
}

TEST_P(ItemLookupsTest, RemovingAProductTakesItOffEveryListedComanda) {
  store().product({.produto = "P2"});
  store().sale({.venda = "V0", .fechada = storeDay(18)});
  store().comanda({.venda = "V0", .comanda = "0012"});
  store().comanda({.venda = "V1", .comanda = "0013"});
  store().comanda({.venda = "V1", .comanda = "12"});
  store().comanda({.venda = "V1", .comanda = "0099"});
  store().item({.comanda = "0012", .produto = "P1", .lugar = "01"});
  store().item({.comanda = "0012", .produto = "P1", .status = "6", .lugar = "02"});
  store().item({.comanda = "0012", .produto = "P2"});
  store().item({.venda = "V0", .comanda = "0012", .produto = "P1"});
  store().item({.comanda = "0013", .produto = "P1"});
  store().item({.comanda = "12", .produto = "P1"});
  store().item({.comanda = "0099", .produto = "P1"});
  store().item({.filial = "0002", .comanda = "0012", .produto = "P1"});

  // The closed sale's item under the same comanda number stays.
  const Strings left = {"0001/V0/0012/000001/P1/1", "0001/V1/0012/000003/P2/1",
                        "0001/V1/0099/000001/P1/1", "0002/V1/0012/000001/P1/1"};
  expectEmpty(module().SetRetiraItem(L"0001", L"00120013", L"P1"));
  EXPECT_EQ(stored(), left);
  // Nothing is left to remove: no error either.
  expectEmpty(module().SetRetiraItem(L"0001", L"00120013", L"P1"));
  EXPECT_EQ(stored(), left);
  expectEmpty(module().SetRetiraItem(L"0001", L"", L"P2"));
  EXPECT_EQ(stored(), left);
}

TEST_P(ItemLookupsTest, NegativeQuantitiesOfTheListedComandasTurnPositive) {
  store().sale({.venda = "V0", .fechada = storeDay(18)});
  store().comanda({.venda = "V0", .comanda = "0012"});
  store().comanda({.venda = "V1", .comanda = "0013"});
  store().item({.comanda = "0012", .quantidade = -3});
  store().item({.comanda = "0012", .quantidade = 0});
  store().item({.comanda = "0012", .quantidade = 2});
  store().item({.comanda = "0012", .quantidade = -2.5});
  store().item({.venda = "V0", .comanda = "0012", .quantidade = -1});
  store().item({.comanda = "0013", .quantidade = -4});
  store().item({.filial = "0002", .comanda = "0012", .quantidade = -5});

  // The closed sale's item under the same comanda number stays as it is.
  const Strings adjusted = {"0001/V0/0012/000001/P1/-1",  "0001/V1/0012/000001/P1/3",
                            "0001/V1/0012/000002/P1/0",   "0001/V1/0012/000003/P1/2",
                            "0001/V1/0012/000004/P1/2.5", "0001/V1/0013/000001/P1/-4",
                            "0002/V1/0012/000001/P1/-5"};
  expectEmpty(module().AjustaQtdeNeg(L"0001", L"0012"));
  EXPECT_EQ(stored(), adjusted);
  expectEmpty(module().AjustaQtdeNeg(L"0001", L"0012"));
  EXPECT_EQ(stored(), adjusted);
}

TEST_P(ItemLookupsTest, ADatabaseErrorAnswersWithItsTextAndTheNextCallWorks) {
  store().item({.comanda = "0012", .quantidade = -1});
  exec("ALTER TABLE ITCOMANDAVEN RENAME TO ITCOMANDAVEN_FORA");
  Variant answers[3];
  EXPECT_NO_THROW(answers[0] = module().GetItProdVend(L"0001", L"0012", L"T", L""));
  EXPECT_NO_THROW(answers[1] = module().AjustaQtdeNeg(L"0001", L"0012"));
  EXPECT_NO_THROW(answers[2] = module().SetRetiraItem(L"0001", L"0012", L"P1"));
  for (const Variant& answer : answers) {
    ASSERT_TRUE(answer.isText()) << answer.describe();
    EXPECT_FALSE(answer.text().empty());
  }
  exec("ALTER TABLE ITCOMANDAVEN_FORA RENAME TO ITCOMANDAVEN");
  expectEmpty(module().AjustaQtdeNeg(L"0001", L"0012"));
  PacketRecords rows = items(L"0012");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_TRUE(sameValue(rows.at(0, "QTPRODCOMVEN"), Variant(1.0)));
  expectEmpty(module().SetRetiraItem(L"0001", L"0012", L"P1"));
  EXPECT_EQ(stored(), Strings{});
}

INSTANTIATE_TEST_SUITE_P(Databases, ItemLookupsTest,
                         ::testing::ValuesIn(conta::testing_support::testDatabaseKinds()),
                         conta::testing_support::databaseKindName);

}  // namespace
