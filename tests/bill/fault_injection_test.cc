// Bills whose database fails part-way. For every database call of a bill,
// the bill is run again on the same store with that call failing: the call
// ends with an error that names the failing operation, the store is exactly
// as before the bill (a bill is one transaction), no transaction is left
// open, and a clean bill afterwards gives exactly the bill and the database
// of a run that never failed. The failures come from a driver wrapped
// around the real one (support/fault_injection_driver.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "conta/calcula_conta.h"
#include "conta/error.h"
#include "platform/db/statement.h"
#include "support/bill_test.h"
#include "support/fault_injection_driver.h"
#include "support/mensagemxol.h"

namespace {

using conta::Variant;
using conta::testing_support::packetOf;
using conta::testing_support::Pedido;
using conta::testing_support::textOf;
using Srv_Xol41260::TParametrosLoja;
using Rows = std::map<std::string, std::string>;  // key -> values

// A store set-up and the bill made on it.
struct Scenario {
  std::string name;
  TParametrosLoja parameters;
  Pedido pedido;
  // Adds the sale, comandas and items (products are there already).
  void (*build)(conta::testing_support::StoreBuilder&);
};

void baseSale(conta::testing_support::StoreBuilder& store) {
  store.sale({.venda = "V1", .pessoas = 4});
  store.comanda({.venda = "V1", .comanda = "0012", .sexo = "F"});
  store.item({.comanda = "0012", .numero = "000001", .preco = 10, .lugar = "01"});
  store.item(
      {.comanda = "0012", .numero = "000002", .quantidade = -2, .preco = 7.5, .lugar = "02"});
}

class FaultInjectionTest : public conta::testing_support::BillTest {
 protected:
  void SetUp() override {
    BillTest::SetUp();
    if (IsSkipped()) return;
    Mensagemxol::setReportSink([](const Mensagemxol::Report&) {});
    faults_.emplace();
    store().product({.produto = "CONF", .nome = "Consumação", .arvore = "9.1"});
    store().product({.produto = "CONM", .nome = "Consumação", .arvore = "9.1"});
    store().product({.produto = "COUV", .nome = "Couvert", .arvore = "9.2"});
  }
  void TearDown() override {
    faults_.reset();
    Mensagemxol::setReportSink({});
    BillTest::TearDown();
  }

  static TParametrosLoja chargingStore() {
    TParametrosLoja parameters = loja();
    parameters.IDCOUVERART = "S";
    parameters.IDCOMISVENDA = "S";
    return parameters;
  }

  static std::vector<Scenario> scenarios() {
    TParametrosLoja bySeat = chargingStore();
    bySeat.IDLUGARMESA = "S";
    const Pedido all{
        .lista = "0012", .tipo = "2", .consumacao = true, .couvert = true, .taxa = true};
    return {
        {"service, consumption and cover added", chargingStore(), all, baseSale},
        {"consumption re-priced, cover re-counted", chargingStore(), all,
         [](conta::testing_support::StoreBuilder& store) {
           baseSale(store);
           store.item({.comanda = "0012", .numero = "000003", .produto = "CONF", .preco = 50});
           store.item({.comanda = "0012",
                       .numero = "000004",
                       .produto = "COUV",
                       .quantidade = 2,
                       .preco = 8,
                       .lugar = "01"});
         }},
        {"cover added seat by seat",
         bySeat,
         {.lista = "0040", .tipo = "2", .consumacao = true, .couvert = true, .taxa = true},
         [](conta::testing_support::StoreBuilder& store) {
           store.sale({.venda = "V1", .pessoas = 3});
           store.comanda({.venda = "V1", .comanda = "0040", .descricao = "RES 40"});
           store.item({.comanda = "0040", .numero = "000001", .preco = 30, .lugar = "01"});
           store.item({.comanda = "0040", .numero = "000002", .preco = 30, .lugar = "03"});
         }},
        {"cover removed",
         chargingStore(),
         {.lista = "0012", .tipo = "2", .consumacao = true, .couvert = false, .taxa = true},
         [](conta::testing_support::StoreBuilder& store) {
           baseSale(store);
           store.item({.comanda = "0012",
                       .numero = "000003",
                       .produto = "COUV",
                       .quantidade = 4,
                       .preco = 8,
                       .lugar = "01"});
         }},
    };
  }

  // The store as the scenario starts it, on a closed module connection.
  void reset(const Scenario& scenario) {
    module().adcFuncoesRev.close();
    for (const char* table : {"ITCOMANDAVEN", "COMANDAVEN", "VENDAREST"})
      exec(std::string("DELETE FROM ") + table);
    scenario.build(store());
    useStore(scenario.parameters);
  }

  // The rows a bill may change, without the inclusion times (a re-priced
  // row's time moves with the clock).
  Rows snapshot() {
    Rows rows;
    auto read = [&](const std::string& sql, std::vector<std::string> keys,
                    std::vector<std::string> values) {
      conta::db::Query query(*connection_, "snapshot");
      query.setSql(sql);
      query.open();
      for (query.first(); !query.eof(); query.next()) {
        std::string key, value;
        for (const auto& k : keys)
          key += textOf(query.value(k)) + "/";
        for (const auto& v : values)
          value += textOf(query.value(v)) + "|";
        rows[key] = value;
      }
    };
    read("SELECT * FROM ITCOMANDAVEN", {"NRVENDAREST", "NRCOMANDA", "NRPRODCOMVEN"},
         {"CDPRODUTO", "QTPRODCOMVEN", "VRPRECCOMVEN", "NRLUGARMESA", "IDSTPRCOMVEN"});
    read("SELECT * FROM COMANDAVEN", {"NRVENDAREST", "NRCOMANDA"}, {"VRCOMISVENDE"});
    return rows;
  }

  // The bill's entries, its comandas and its items (product, quantity,
  // price), as text. A bill that adds a charge item shows it as the record it
  // made, a later bill as the row it reads; and a bill reads back the
  // commission an earlier one stored: neither is compared.
  static std::vector<std::string> summary(const Variant& result) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < 14; ++i)
      if (i != 9 && i != 10) out.push_back(std::to_string(i) + "=" + textOf(result[i]));
    auto rows = [&](std::size_t entry, std::vector<std::string> fields) {
      conta::DataPacket packet = packetOf(result[entry]);
      std::vector<std::string> found;
      for (const auto& row : packet.rows) {
        std::string text;
        for (const auto& f : fields)
          text += textOf(row.values[*packet.fieldIndex(f)]) + "|";
        found.push_back(text);
      }
      std::sort(found.begin(), found.end());
      out.insert(out.end(), found.begin(), found.end());
    };
    rows(9, {"NRVENDAREST", "NRCOMANDA"});
    rows(10, {"CDPRODUTO", "QTPRODCOMVEN", "VRPRECCOMVEN"});
    return out;
  }

  // A bill; its error text, or "" when it computed.
  std::string tryBill(const Pedido& pedido, Variant& result) {
    std::vector<Variant> p = conta::testing_support::parametros(pedido);
    result = Variant::array(14);
    try {
      Srv_Xol41260::CalculaConta(p.data(), static_cast<int>(p.size()) - 1, result);
      return "";
    } catch (const conta::OperationFailure& e) {
      return e.operation().empty() ? std::string("an operation without a name: ") + e.what()
                                   : e.operation();
    } catch (const std::exception& e) {
      return std::string("no operation named: ") + e.what();
    }
  }

  // Wraps the connections opened from SetUp on, the module's among them
  // (reset() closes it before every bill).
  std::optional<conta::testing_support::DatabaseFaults> faults_;
};

TEST_P(FaultInjectionTest, EveryFailingCallLeavesAStoreThatRecalculatesToTheSameBill) {
  for (const Scenario& scenario : scenarios()) {
    SCOPED_TRACE(scenario.name);
    reset(scenario);
    const Rows start = snapshot();
    Variant reference;
    const std::uint64_t before = faults_->calls();
    ASSERT_EQ(tryBill(scenario.pedido, reference), "");
    const std::uint64_t calls = faults_->calls() - before;
    const Rows end = snapshot();
    Variant again;
    ASSERT_EQ(tryBill(scenario.pedido, again), "");
    ASSERT_EQ(snapshot(), end);
    const std::vector<std::vector<std::string>> clean_bills = {summary(reference), summary(again)};
    ASSERT_GT(calls, 5u);
    ASSERT_NE(start, end) << "the bill changes nothing to fail part-way through";

    std::uint64_t failed_bills = 0;
    for (std::uint64_t n = 1; n <= calls; ++n) {
      SCOPED_TRACE("database call " + std::to_string(n) + " of " + std::to_string(calls));
      reset(scenario);
      Variant failed;
      faults_->failCall(n);
      const std::string error = tryBill(scenario.pedido, failed);
      faults_->failCall(0);
      EXPECT_FALSE(module().adcFuncoesRev.inTransaction()) << "a transaction was left open";
      if (module().adcFuncoesRev.inTransaction()) module().adcFuncoesRev.rollback();
      if (error.empty()) {
        // The failing call was one the bill may do without.
        EXPECT_NE(std::find(clean_bills.begin(), clean_bills.end(), summary(failed)),
                  clean_bills.end());
      } else {
        ++failed_bills;
        EXPECT_EQ(error.find("no operation"), std::string::npos) << error;
        EXPECT_EQ(error.find("without a name"), std::string::npos) << error;
      }
      // A bill is one transaction: a failed bill leaves the store exactly
      // as it found it, one that went on leaves it as a clean bill does.
      EXPECT_EQ(snapshot(), error.empty() ? end : start);
      Variant clean;
      ASSERT_EQ(tryBill(scenario.pedido, clean), "");
      EXPECT_NE(std::find(clean_bills.begin(), clean_bills.end(), summary(clean)),
                clean_bills.end())
          << ::testing::PrintToString(summary(clean)) << "\nexpected one of\n"
          << ::testing::PrintToString(clean_bills) << "\nafter the error " << error;
      EXPECT_EQ(snapshot(), end);
    }
    // Most calls are ones a bill cannot do without: failures that never end
    // a bill never reached it.
    EXPECT_GT(failed_bills, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, FaultInjectionTest, ::testing::Values("sqlite", "postgresql"),
                         conta::testing_support::databaseKindName);

}  // namespace
