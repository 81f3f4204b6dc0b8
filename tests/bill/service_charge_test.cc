// The service charge, through the bill: how it is computed by the store's
// mode and discount flags, when it is applied, and the seller commission it
// leaves on the comandas.
#include <gtest/gtest.h>

#include "conta/error.h"
#include "platform/db/statement.h"
#include "platform/number_text.h"
#include "support/bill_test.h"

namespace {

using conta::Variant;
using conta::testing_support::entry;
using conta::testing_support::Pedido;
using Srv_Xol41260::TParametrosLoja;

class ServiceChargeTest : public conta::testing_support::BillTest {
 protected:
  // A store that works out a 10 % service charge with the given flags.
  void chargeBy(const std::string& mode, const std::string& consumo = "S",
                const std::string& manual = "S") {
    TParametrosLoja parameters = loja();
    parameters.IDCOMISVENDA = mode;
    parameters.VRCOMISVENDA = 10;
    parameters.IDCONSDESCTXSERV = consumo;
    parameters.IDCONDESCTXSERV = manual;
    useStore(parameters);
  }

  // The seller commission stored on a comanda.
  double stored(const std::string& comanda, const std::string& filial = "0001") {
    conta::db::Query query(*connection_, "stored");
    query.setSql("SELECT VRCOMISVENDE FROM COMANDAVEN WHERE CDFILIAL = :P_F AND NRCOMANDA = :P_C");
    query.setParameter("P_F", Variant(filial));
    query.setParameter("P_C", Variant(comanda));
    query.open();
    if (query.eof()) {
      ADD_FAILURE() << "no comanda " << comanda;
      return -1;
    }
    return query.value("VRCOMISVENDE").toDouble();
  }

  // Items worth 90.06 of chargeable net amount, with 4.50 of manual and
  // 10.30 of all discounts.
  void discountedItems() {
    store().sale({.venda = "V1"});
    store().comanda({.venda = "V1", .comanda = "0012", .comissao = 1});
    store().item(
        {.venda = "V1", .comanda = "0012", .preco = 50, .desconto = 4.5, .descontoManual = "S"});
    store().item({.venda = "V1", .comanda = "0012", .preco = 50.36, .desconto = 5.8});
  }
};

TEST_P(ServiceChargeTest, APercentageIsCutAndStoredWhetherOrNotTheBillAppliesIt) {
  chargeBy("S");
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012", .comissao = 5.55});
  store().comanda({.venda = "V1", .comanda = "0013", .comissao = 5.55});
  store().item({.venda = "V1", .comanda = "0012", .preco = 123.45});

  Variant applied = bill({.lista = "0012_0013", .taxa = true});
  EXPECT_EQ(entry(applied, 6), 12.34);  // 12.345 cut, not rounded
  EXPECT_EQ(entry(applied, 12), 12.34);
  EXPECT_DOUBLE_EQ(entry(applied, 1), 123.45 + 12.34);
  EXPECT_EQ(stored("0012"), 12.34);
  EXPECT_EQ(stored("0013"), 12.34);  // every comanda the whole charge, not a share

  // The bill's switch off: computed, not applied, and the comandas reset.
  Variant off = bill({.lista = "0012_0013", .taxa = false});
  EXPECT_EQ(entry(off, 6), 0);
  EXPECT_EQ(entry(off, 12), 12.34);
  EXPECT_EQ(stored("0012"), 0);
  EXPECT_EQ(stored("0013"), 0);
}

TEST_P(ServiceChargeTest, TheComandasOwnSwitchTurnsTheChargeOff) {
  chargeBy("S");
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012", .taxa = "N", .comissao = 5.55});
  store().item({.venda = "V1", .comanda = "0012", .preco = 123.45});
  Variant result = bill({.lista = "0012", .taxa = true});
  EXPECT_EQ(entry(result, 6), 0);
  EXPECT_EQ(entry(result, 12), 12.34);
  EXPECT_EQ(stored("0012"), 0);
}

TEST_P(ServiceChargeTest, TheDiscountFlagsChooseWhatTheChargeIsTakenOn) {
  discountedItems();
  struct Case {
    const char* consumo;  // IDCONSDESCTXSERV
    const char* manual;   // IDCONDESCTXSERV
    double charge;
  };
  const Case cases[] = {
      {"S", "S", 9.00},   // the base
      {"N", "N", 10.03},  // the base and every discount
      {"S", "N", 9.45},   // the base and the manual discounts
      {"N", "S", 9.58},   // the base and the other discounts
      {"s", "S", 0},      // no row matches: nothing
      {"S", "", 0},      {" ", "S", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.consumo) + "/" + c.manual);
    chargeBy("S", c.consumo, c.manual);
    Variant result = bill({.lista = "0012", .taxa = true});
    EXPECT_NEAR(entry(result, 3), 90.06, 1e-9);
    EXPECT_EQ(entry(result, 6), c.charge);
    EXPECT_EQ(entry(result, 12), c.charge);
    EXPECT_EQ(stored("0012"), c.charge);
  }
}

TEST_P(ServiceChargeTest, InCommissionModeTheChargeIsTheWaitersCommissions) {
  chargeBy("G");
  store().seller({.vendedor = "W1", .comissao = 10, .incide = "S"});
  store().seller({.vendedor = "W2", .comissao = 0, .incide = "S"});
  store().seller({.vendedor = "W3", .comissao = 10, .incide = "N"});
  store().product({.produto = "NT", .cobraTaxa = "N"});
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012"});
  store().item({.venda = "V1", .comanda = "0012", .preco = 77.77, .vendedor = "W1"});  // 7.77
  store().item({.venda = "V1", .comanda = "0012", .preco = 12.39, .vendedor = "W1"});  // 1.23
  store().item({.venda = "V1", .comanda = "0012", .preco = 50, .vendedor = "W2"});     // 0 %
  store().item({.venda = "V1", .comanda = "0012", .preco = 50, .vendedor = "W3"});     // not "S"
  store().item({.venda = "V1", .comanda = "0012", .preco = 50});                       // no seller
  store().item({.venda = "V1",
                .comanda = "0012",
                .produto = "NT",
                .preco = 50,
                .vendedor = "W1"});  // product without service charge
  Variant result = bill({.lista = "0012", .taxa = true});
  EXPECT_DOUBLE_EQ(entry(result, 6), 7.77 + 1.23);
  EXPECT_DOUBLE_EQ(entry(result, 12), 7.77 + 1.23);
  EXPECT_EQ(stored("0012"), 9.00);
}

TEST_P(ServiceChargeTest, WithoutAModeNoChargeIsWorkedOutAndTheComandasAreLeftAlone) {
  chargeBy("");
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012", .comissao = 5.55});
  store().item({.venda = "V1", .comanda = "0012", .preco = 123.45});
  Variant result = bill({.lista = "0012", .taxa = true});
  EXPECT_EQ(entry(result, 6), 0);
  EXPECT_EQ(entry(result, 12), 0);
  EXPECT_EQ(stored("0012"), 5.55);
}

TEST_P(ServiceChargeTest, TheCommissionReachesEveryComandaTheListTextContains) {
  chargeBy("S");
  store().sale({.venda = "V1"});
  store().sale({.venda = "V2", .mesa = "20"});
  store().sale({.filial = "0002", .venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "112"});
  store().comanda({.venda = "V2", .comanda = "12"});  // inside the text "112"
  store().comanda({.venda = "V2", .comanda = "13"});
  store().comanda({.filial = "0002", .venda = "V1", .comanda = "112"});
  store().item({.venda = "V1", .comanda = "112", .preco = 100});
  bill({.lista = "112", .taxa = true});
  EXPECT_EQ(stored("112"), 10);
  EXPECT_EQ(stored("12"), 10);
  EXPECT_EQ(stored("13"), 0);
  EXPECT_EQ(stored("112", "0002"), 0);  // other branches never
}

// The charge handed back is not rounded; the stored one is, and the text of
// the report names it with the locale's decimal separator.
TEST_P(ServiceChargeTest, TheAppliedChargeIsReturnedWholeAndStoredRounded) {
  chargeBy("G");
  store().sale({.venda = "V1"});
  store().comanda({.venda = "V1", .comanda = "0012"});
  module().InicializaForm();
  double computed = 0;
  EXPECT_EQ(module().IncluiTaxa("0012", 7.777, 0, 0, true, computed), 7.777);
  EXPECT_EQ(computed, 7.777);
  EXPECT_EQ(stored("0012"), 7.78);

  // A failing update reports the stored value in the context text.
  connection_->close();
  exec("ALTER TABLE COMANDAVEN RENAME TO COMANDAVEN_GONE");
  module().adcFuncoesRev.close();
  conta::number_text::setDecimalSeparatorOverride(',');
  try {
    module().IncluiTaxa("0012", 7.777, 0, 0, true, computed);
    ADD_FAILURE() << "the update did not fail";
  } catch (const conta::OperationFailure& e) {
    EXPECT_EQ(e.operation(), "setComisVenda");
    EXPECT_EQ(e.context(), "0001-0012-7,78");
  }
  conta::number_text::setDecimalSeparatorOverride(std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Databases, ServiceChargeTest,
                         ::testing::ValuesIn(conta::testing_support::testDatabaseKinds()),
                         conta::testing_support::databaseKindName);

}  // namespace
