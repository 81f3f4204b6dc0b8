// Bills given hostile texts for the comanda list, the seats and the excluded
// items: quotes, wildcards, statement separators, SQL of their own, NUL
// bytes, invalid UTF-8 and 100,000 characters. They are only ever bound as
// parameters: the bill either computes or ends with a clear error, and no
// row of another comanda changes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "conta/calcula_conta.h"
#include "conta/error.h"
#include "platform/db/statement.h"
#include "support/bill_test.h"
#include "support/mensagemxol.h"

namespace {

using conta::Variant;
using conta::testing_support::Pedido;
using conta::testing_support::textOf;

class HostileInputTest : public conta::testing_support::BillTest {
 protected:
  void SetUp() override {
    BillTest::SetUp();
    if (IsSkipped()) return;
    Mensagemxol::setReportSink([](const Mensagemxol::Report&) {});
    TParametros parameters = loja();
    parameters.IDCOUVERART = "S";
    useStore(parameters);
    store().product({.produto = "COUV"});
    store().product({.produto = "CONF"});
    store().sale({.venda = "V1", .pessoas = 2});
    store().comanda({.venda = "V1", .comanda = "0012"});
    store().item({.comanda = "0012", .numero = "000001", .preco = 10, .lugar = "01"});
    // Another table's sale, which no bill here may touch.
    store().sale({.venda = "V2", .mesa = "20", .pessoas = 3});
    store().comanda({.venda = "V2", .comanda = "0099"});
    store().item({.venda = "V2", .comanda = "0099", .numero = "000001", .quantidade = -1});
    store().item({.venda = "V2", .comanda = "0099", .numero = "000002", .produto = "COUV"});
  }
  void TearDown() override {
    Mensagemxol::setReportSink({});
    BillTest::TearDown();
  }
  using TParametros = Srv_Xol41260::TParametrosLoja;

  // The other sale's rows, and how many comandas there are, as text.
  std::vector<std::string> others() {
    std::vector<std::string> rows;
    for (const char* sql : {"SELECT * FROM VENDAREST WHERE NRVENDAREST = 'V2'",
                            "SELECT * FROM COMANDAVEN WHERE NRVENDAREST = 'V2'",
                            "SELECT * FROM ITCOMANDAVEN WHERE NRVENDAREST = 'V2'",
                            "SELECT COUNT(*) AS N FROM COMANDAVEN"}) {
      conta::db::Query query(*connection_, "others");
      query.setSql(sql);
      query.setColumnHints({{"N", conta::FieldType::Float, 0}});
      query.open();
      for (query.first(); !query.eof(); query.next()) {
        std::string row;
        for (const auto& field : query.fields())
          row += textOf(query.value(field.name)) + "|";
        rows.push_back(row);
      }
    }
    return rows;
  }

  // The bill's error, "" when it computed.
  std::string tryBill(const Pedido& pedido) {
    std::vector<Variant> p = conta::testing_support::parametros(pedido);
    Variant result = Variant::array(14);
    try {
      Srv_Xol41260::CalculaConta(p.data(), static_cast<int>(p.size()) - 1, result);
      return "";
    } catch (const conta::Error& e) {
      return std::string("error: ") + e.what();
    } catch (const std::exception& e) {
      return std::string("unexpected exception: ") + e.what();
    }
  }
};

TEST_P(HostileInputTest, HostileTextsAreBoundNeverRunAndTouchNoOtherComanda) {
  const std::string huge(100000, '7');
  const std::vector<std::string> texts = {
      "0012'",
      "0012' OR '1'='1",
      "'; DELETE FROM ITCOMANDAVEN; --",
      "0012; DROP TABLE ITCOMANDAVEN",
      "%",
      "0012_%_",
      "\"0012\"",
      "0012) OR (1=1",
      std::string("0012\0' OR 1=1 --", 16),
      "0012\xff\xfe\xc3",
      "0012_" + huge,
      ":P_CDFILIAL",
      "$1",
      "?",
  };
  const std::vector<std::string> before = others();
  int computed = 0;
  for (const std::string& text : texts) {
    for (int place = 0; place < 3; ++place) {
      SCOPED_TRACE("text " + textOf(Variant(text.substr(0, 40))) + " as the " +
                   (place == 0   ? "list"
                    : place == 1 ? "seats"
                                 : "exclusions"));
      Pedido pedido{
          .lista = "0012", .tipo = "2", .consumacao = true, .couvert = true, .taxa = true};
      if (place == 0) pedido.lista = text;
      if (place == 1) pedido.lugares = text;
      if (place == 2) pedido.excluidos = text;
      const std::string outcome = tryBill(pedido);
      EXPECT_EQ(outcome.find("unexpected"), std::string::npos) << outcome;
      if (text.size() > 4000) {
        EXPECT_NE(outcome.find("100005 caracteres; o limite é 4000"), std::string::npos) << outcome;
      }
      if (outcome.empty()) ++computed;
      EXPECT_FALSE(module().adcFuncoesRev.inTransaction());
      EXPECT_EQ(others(), before);
    }
  }
  EXPECT_GT(computed, 0);
  // The store still bills, and a list as long as a list may be is matched
  // whole: the comanda at its very end is found.
  EXPECT_EQ(tryBill({.lista = "0012", .tipo = "2", .couvert = true}), "");
  EXPECT_EQ(tryBill({.lista = std::string(3996, ',') + "0012", .tipo = "2", .couvert = true}), "");
  EXPECT_NE(tryBill({.lista = std::string(3997, ',') + "0012", .tipo = "2", .couvert = true})
                .find("tem 4001 caracteres"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Databases, HostileInputTest, ::testing::Values("sqlite", "postgresql"),
                         conta::testing_support::databaseKindName);

}  // namespace
