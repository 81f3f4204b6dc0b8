// The charge products: the check that the fiscal printer can sell them
// (exactly one tax in the branch, its rate and fiscal type in the printer's
// rate table) and the load of their product row.
#include "bill/charge_product.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "conta/error.h"
#include "support/bill_test.h"
#include "support/mensagemxol.h"

namespace {

using conta::testing_support::FiscalRate;
using Srv_Xol41260::ChaveMensagensImposto;
using Srv_Xol41260::kImpostoConsumacao;
using Srv_Xol41260::kImpostoCouvert;

// The three refusals of one charge rule, with the texts the operator reads.
struct Recusas {
  const char* regra;
  const ChaveMensagensImposto& chaves;
  const char* varios;
  const char* nenhum;
  const char* aliquota;
};

const Recusas kConsumacao{
    "consumption", kImpostoConsumacao,
    "Produto para cobrança da Consumação Mínima não pode ser vendido, pois possui mais de um "
    "imposto parametrizado.",
    "Produto para cobrança da Consumação Mínima não pode ser vendido, pois não possui um imposto "
    "parametrizado.",
    "Alíquota do Produto para cobrança de Consumação Mínima não cadastrado na impressora Fiscal"};
const Recusas kCouvert{
    "cover", kImpostoCouvert,
    "Produto para cobrança do Couvert Artístico não pode ser vendido, pois possui mais de um "
    "imposto parametrizado.",
    "Produto para cobrança do Couvert Artístico não pode ser vendido, pois não possui um imposto "
    "parametrizado.",
    "Alíquota do Produto para cobrança de Couvert Artístico não cadastrado na impressora Fiscal."};

class ChargeProductTest : public conta::testing_support::BillTest {
 protected:
  void SetUp() override {
    BillTest::SetUp();
    if (IsSkipped()) return;
    Mensagemxol::setReportSink([this](const Mensagemxol::Report& r) { reports_.push_back(r); });
  }
  void TearDown() override {
    Mensagemxol::setReportSink({});
    BillTest::TearDown();
  }

  // A store with a fiscal printer whose rate table holds `rates`; without
  // rates the table's file is absent and the table stays closed.
  void printer(const std::optional<std::vector<FiscalRate>>& rates) {
    Srv_Xol41260::TParametrosLoja parameters = loja();
    parameters.UTILIZAIMPFIS = true;
    useStore(parameters);
    std::filesystem::remove_all(host_ / "Dados");
    if (rates) conta::testing_support::writeFiscalRates(host_, *rates);
    module().InicializaForm();
  }

  // The empty text when the check passes (and reports nothing); else the
  // text it aborted with, which must be the one text it reported.
  std::string check(const std::string& produto, const ChaveMensagensImposto& chaves) {
    reports_.clear();
    try {
      Srv_Xol41260::VerificaImpostoCobranca(module(), produto, chaves);
    } catch (const conta::SilentAbort& e) {
      EXPECT_EQ(reports_.size(), 1u);
      if (!reports_.empty()) {
        EXPECT_EQ(reports_[0].kind, 3);
        EXPECT_EQ(reports_[0].text, e.what());
      }
      return e.what();
    }
    EXPECT_TRUE(reports_.empty()) << reports_.front().text;
    return "";
  }

  std::vector<Mensagemxol::Report> reports_;
};

TEST_P(ChargeProductTest, TheCheckPassesOnlyOnOneTaxOfTheBranchWhoseRateThePrinterKnows) {
  store().tax({.imposto = "T1", .tipo = "t"});  // the printer writes its type in capitals
  store().tax({.imposto = "T2", .tipo = "T"});
  store().tax({.imposto = "T3", .tipo = "F"});
  store().tax({.imposto = "T4", .tipo = "I"});
  // UMA: one tax here, another in a second branch.
  store().taxRate({.produto = "UMA", .imposto = "T1", .aliquota = 18});
  store().taxRate({.filial = "0002", .produto = "UMA", .imposto = "T2", .aliquota = 7});
  // ORFA: a second rate whose tax does not exist does not count.
  store().taxRate({.produto = "ORFA", .imposto = "T2", .aliquota = 18});
  store().taxRate({.produto = "ORFA", .imposto = "T9", .aliquota = 7});
  // DUAS: two taxes, both known to the printer.
  store().taxRate({.produto = "DUAS", .imposto = "T1", .aliquota = 18});
  store().taxRate({.produto = "DUAS", .imposto = "T2", .aliquota = 18});
  store().taxRate({.filial = "0002", .produto = "OUTRA", .imposto = "T1", .aliquota = 18});
  store().taxRate({.produto = "SOORFA", .imposto = "T9", .aliquota = 18});
  // QUASE: the printer knows 18.0001 of its type, not 18.
  store().taxRate({.produto = "QUASE", .imposto = "T3", .aliquota = 18});
  // TIPO: the printer knows 18 and type I, but not together.
  store().taxRate({.produto = "TIPO", .imposto = "T4", .aliquota = 18});
  store().taxRate({.produto = "VALOR", .imposto = "T2", .aliquota = 12});
  printer(std::vector<FiscalRate>{{"01", 18, "T"}, {"02", 18.0001, "F"}, {"03", 7, "I"}});

  enum class Fim { Passa, Varios, Nenhum, Aliquota };
  struct Case {
    const char* produto;
    Fim fim;
  };
  // Passing and failing products alternate: each check reads its own
  // product's taxes afresh.
  const Case cases[] = {
      {"UMA", Fim::Passa},      {"DUAS", Fim::Varios},    {"ORFA", Fim::Passa},
      {"OUTRA", Fim::Nenhum},   {"UMA", Fim::Passa},      {"SOORFA", Fim::Nenhum},
      {"QUASE", Fim::Aliquota}, {"SEM", Fim::Nenhum},     {"TIPO", Fim::Aliquota},
      {"ORFA", Fim::Passa},     {"VALOR", Fim::Aliquota}, {"DUAS", Fim::Varios},
  };
  for (const Recusas* regra : {&kConsumacao, &kCouvert}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(regra->regra) + " " + c.produto);
      const char* expected = c.fim == Fim::Passa    ? ""
                             : c.fim == Fim::Varios ? regra->varios
                             : c.fim == Fim::Nenhum ? regra->nenhum
                                                    : regra->aliquota;
      EXPECT_EQ(check(c.produto, regra->chaves), expected);
    }
  }
}

TEST_P(ChargeProductTest, ARateTableNeverLoadedIsAnErrorNamingItsFile) {
  store().tax({.imposto = "T1", .tipo = "T"});
  store().tax({.imposto = "T2", .tipo = "T"});
  store().taxRate({.produto = "UMA", .imposto = "T1", .aliquota = 18});
  store().taxRate({.produto = "DUAS", .imposto = "T1", .aliquota = 18});
  store().taxRate({.produto = "DUAS", .imposto = "T2", .aliquota = 18});
  printer(std::nullopt);
  ASSERT_FALSE(module().cdsAliqImpFis.active());
  try {
    Srv_Xol41260::VerificaImpostoCobranca(module(), "UMA", kImpostoCouvert);
    ADD_FAILURE() << "the check passed without a rate table";
  } catch (const conta::SilentAbort& e) {
    ADD_FAILURE() << "a closed rate table read as a refusal: " << e.what();
  } catch (const conta::Error& e) {
    EXPECT_NE(std::string(e.what()).find("AliqImpFis.cds"), std::string::npos) << e.what();
  }
  // The tax count is decided before the table is needed.
  EXPECT_EQ(check("DUAS", kImpostoCouvert), kCouvert.varios);
  EXPECT_EQ(check("SEM", kImpostoConsumacao), kConsumacao.nenhum);

  // An empty table is loaded: nothing is known to the printer.
  printer(std::vector<FiscalRate>{});
  EXPECT_EQ(check("UMA", kImpostoConsumacao), kConsumacao.aliquota);
}

TEST_P(ChargeProductTest, TheLookupsAnswerWithTheirColumnsAndAFailureNamesItsOperation) {
  store().tax({.imposto = "T1", .tipo = "T", .interno = "I1"});
  store().taxRate({.produto = "UMA", .imposto = "T1", .aliquota = 18});
  conta::DataPacket taxes = conta::testing_support::packetOf(module().getImposto(L"0001", L"UMA"));
  std::vector<std::string> names;
  for (const auto& field : taxes.fields)
    names.push_back(field.name);
  EXPECT_EQ(names, (std::vector<std::string>{"VRPEALIMPFIS", "CDIMPOSTO", "IDTPIMPOSFIS",
                                             "CDINTIMPOSTO"}));
  ASSERT_EQ(taxes.rows.size(), 1u);
  EXPECT_EQ(taxes.rows[0].values[3], conta::Variant("I1"));

  printer(std::vector<FiscalRate>{{"01", 18, "T"}});
  connection_->close();
  exec("ALTER TABLE ALIQIMPFIS RENAME TO ALIQIMPFIS_GONE");
  exec("ALTER TABLE PRODUTO RENAME TO PRODUTO_GONE");
  module().adcFuncoesRev.close();
  try {
    Srv_Xol41260::VerificaImpostoCobranca(module(), "UMA", kImpostoCouvert);
    ADD_FAILURE() << "the tax lookup did not fail";
  } catch (const conta::OperationFailure& e) {
    EXPECT_EQ(e.operation(), "getImposto");
    EXPECT_EQ(e.unit(), "Srv_Xol41260");
    EXPECT_EQ(e.context(), "0001-UMA");
  }
  try {
    Srv_Xol41260::CarregaProdutoCobranca(module(), "COUV");
    ADD_FAILURE() << "the product lookup did not fail";
  } catch (const conta::OperationFailure& e) {
    EXPECT_EQ(e.operation(), "GetProdCouCon");
    EXPECT_EQ(e.unit(), "Srv_Xol41260");
    EXPECT_EQ(e.context(), "COUV");
  }
}

TEST_P(ChargeProductTest, TheProductRowLoadReplacesTheHoldersContent) {
  store().product({.produto = "COUV", .nome = "Couvert Artístico", .arvore = "0102"});
  store().product({.produto = "CONM", .nome = "Consumação", .arvore = "0103"});
  auto load = [&](const char* produto) {
    Srv_Xol41260::CarregaProdutoCobranca(module(), produto);
    conta::ClientDataSet& holder = module().cdsItComanda;
    return std::to_string(holder.recordCount()) + "|" + holder.fieldByName("NMPRODUTO").asString() +
           "|" + holder.fieldByName("CDARVPROD").asString();
  };
  EXPECT_EQ(load("COUV"), "1|Couvert Artístico|0102");
  EXPECT_EQ(load("CONM"), "1|Consumação|0103");
  EXPECT_EQ(load("NADA"), "0||");  // no product row: empty texts
  EXPECT_EQ(load("COUV"), "1|Couvert Artístico|0102");
}

INSTANTIATE_TEST_SUITE_P(Databases, ChargeProductTest,
                         ::testing::ValuesIn(conta::testing_support::testDatabaseKinds()),
                         conta::testing_support::databaseKindName);

}  // namespace
