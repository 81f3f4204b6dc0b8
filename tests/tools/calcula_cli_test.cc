// conta demo and conta calcula, run as a store would run them, on the demo
// store: comandas 0012 and 0013 at table 10, joined with table 11 and its
// comanda 0021. Amounts depend on the demo's data: only the ties between
// them and the store's structure are checked.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "support/files.h"
#include "tools/cli_run.h"

namespace conta {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

using testing_support::CliRun;

const char* const kNames[] = {
    "VrConsumacao", "VrTotalConta",  "VrTotalItens",        "VrBaseTaxa",       "VrPrecoConsumacao",
    "VrCouvert",    "VrTaxaServico", "VrAcrescimoComandas", "VrTotalDesconto",  nullptr,
    nullptr,        "QtdePessoas",   "VrTaxaCalculada",     "VrDescontoManual",
};

class CalculaCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(CONTA_TEST_TMP) / "calcula_cli" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    demo_ = scratch_ / "loja";
  }

  // The tool with the store's own settings only: no connection or host
  // directory from the environment.
  CliRun run(const std::string& arguments) {
    return testing_support::runConta(arguments, scratch_);
  }

  void makeDemo() {
    CliRun demo = run("demo " + demo_.string());
    ASSERT_EQ(demo.status, 0) << demo.out << demo.err;
  }

  std::string calcula(const std::string& more = "") {
    return "calcula --lista-comandas 0012 --tipo-conta 2 --host-dir " + demo_.string() + " " + more;
  }

  fs::path scratch_;
  fs::path demo_;
};

TEST_F(CalculaCliTest, DemoMakesTheStoreAndPrintsItsBill) {
  CliRun demo = run("demo " + demo_.string());
  ASSERT_EQ(demo.status, 0) << demo.out << demo.err;
  EXPECT_NE(demo.out.find("Total"), std::string::npos) << demo.out;
  // The demo bill charges a cover and a minimum consumption: both items
  // are listed, read back from the store after the bill wrote them.
  EXPECT_NE(demo.out.find("x Couvert artístico"), std::string::npos) << demo.out;
  EXPECT_NE(demo.out.find("x Consumação mínima"), std::string::npos) << demo.out;
  // Without a cover the items are not read again: the charge item the bill
  // just added belongs to no comanda yet and is listed on its own.
  CliRun alone = run("calcula --lista-comandas 0021 --tipo-conta 2 --cobra-consumacao --host-dir " +
                     demo_.string());
  ASSERT_EQ(alone.status, 0) << alone.out << alone.err;
  const auto charges = alone.out.find("Itens de cobrança desta conta");
  ASSERT_NE(charges, std::string::npos) << alone.out;
  EXPECT_NE(alone.out.find("x Consumação mínima", charges), std::string::npos) << alone.out;
  for (const char* file : {"Dados/loja.db", "PARAMETROSXOL.CDS", "Dados/Cadastros/AliqImpFis.cds"})
    EXPECT_TRUE(fs::exists(demo_ / file)) << file;
  // An existing demo is replaced.
  CliRun again = run("demo " + demo_.string());
  EXPECT_EQ(again.status, 0) << again.out << again.err;
}

TEST_F(CalculaCliTest, JsonCarriesTheFourteenEntriesInOrderAndByName) {
  makeDemo();
  CliRun bill = run(calcula("--format json"));
  ASSERT_EQ(bill.status, 0) << bill.out << bill.err;
  Json json;
  ASSERT_NO_THROW(json = Json::parse(bill.out)) << bill.out;
  ASSERT_TRUE(json.is_object());
  const Json& entries = json["entries"];
  ASSERT_TRUE(entries.is_array());
  ASSERT_EQ(entries.size(), 14u);
  for (std::size_t i = 0; i < 14; ++i) {
    SCOPED_TRACE(i);
    if (kNames[i] == nullptr) {
      ASSERT_TRUE(entries[i].is_object());
      EXPECT_TRUE(entries[i]["fields"].is_array());
      EXPECT_TRUE(entries[i]["rows"].is_array());
    } else {
      ASSERT_TRUE(entries[i].is_number());
      ASSERT_TRUE(json.contains(kNames[i])) << kNames[i];
      EXPECT_EQ(json[kNames[i]], entries[i]) << kNames[i];
    }
  }
  auto value = [&](std::size_t i) { return entries[i].get<double>(); };
  EXPECT_NEAR(value(1), value(2) + value(0) + value(5) + value(6), 1e-9);
  EXPECT_GT(value(2), 0);
  EXPECT_LE(value(3), value(2) + 1e-9);
  EXPECT_GE(value(8), value(13) - 1e-9);
  EXPECT_GE(value(11), 1);

  const Json& comandas = entries[9];
  const Json& itens = entries[10];
  EXPECT_EQ(comandas["fields"].size(), 30u);
  EXPECT_EQ(itens["fields"].size(), 28u);
  EXPECT_FALSE(itens["rows"].empty());
  std::size_t number = 0;
  while (number < comandas["fields"].size() && comandas["fields"][number]["name"] != "NRCOMANDA")
    ++number;
  ASSERT_LT(number, comandas["fields"].size());
  std::set<std::string> numbers;
  for (const Json& row : comandas["rows"])
    numbers.insert(row.at(number).get<std::string>());
  EXPECT_EQ(numbers, (std::set<std::string>{"0012", "0013", "0021"}));

  // The database named instead of found, and every switch and filter given.
  fs::path database = demo_ / "Dados" / "loja.db";
  CliRun named = run(calcula("--format json --connection sqlite:" + database.string()));
  ASSERT_EQ(named.status, 0) << named.err;
  EXPECT_EQ(Json::parse(named.out)["VrTotalItens"], json["VrTotalItens"]);
  CliRun everything =
      run(calcula("--format json --cobra-consumacao --cobra-couvert --cobra-taxa --lugares-mesa T "
                  "--itens-excluidos 999999"));
  ASSERT_EQ(everything.status, 0) << everything.err;
  Json charged = Json::parse(everything.out);
  EXPECT_NEAR(charged["VrTotalConta"].get<double>(),
              charged["VrTotalItens"].get<double>() + charged["VrConsumacao"].get<double>() +
                  charged["VrCouvert"].get<double>() + charged["VrTaxaServico"].get<double>(),
              1e-9);
}

TEST_F(CalculaCliTest, TextIsABillAPersonReads) {
  makeDemo();
  Json json = Json::parse(run(calcula("--format json")).out);
  CliRun bill = run(calcula());
  ASSERT_EQ(bill.status, 0) << bill.out << bill.err;
  const std::string& text = bill.out;
  EXPECT_NE(text.find("Total"), std::string::npos) << text;
  for (const char* comanda : {"0012", "0013", "0021"})
    EXPECT_NE(text.find(comanda), std::string::npos) << comanda << "\n" << text;
  // Every item by its name.
  const Json& itens = json["entries"][10];
  std::size_t name = 0;
  while (name < itens["fields"].size() && itens["fields"][name]["name"] != "NMPRODUTO")
    ++name;
  ASSERT_LT(name, itens["fields"].size());
  for (const Json& row : itens["rows"]) {
    if (!row.at(name).is_string()) continue;
    std::string product = row.at(name).get<std::string>().substr(0, 20);
    EXPECT_NE(text.find(product), std::string::npos) << product << "\n" << text;
  }
  // The total to pay, with either decimal mark.
  char amount[64];
  std::snprintf(amount, sizeof amount, "%.2f", json["VrTotalConta"].get<double>());
  std::string dot = amount;
  std::string comma = dot;
  comma[comma.find('.')] = ',';
  EXPECT_TRUE(text.find(dot) != std::string::npos || text.find(comma) != std::string::npos)
      << dot << "\n"
      << text;
}

TEST_F(CalculaCliTest, AListWithoutOpenComandasFailsWithItsMessage) {
  makeDemo();
  const std::string unknown =
      "calcula --lista-comandas 9999 --tipo-conta 2 --host-dir " + demo_.string();
  CliRun text = run(unknown);
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.out, "");
  EXPECT_NE(text.err.find("9999"), std::string::npos) << text.err;

  CliRun json = run(unknown + " --format json");
  EXPECT_EQ(json.status, 1);
  Json error;
  ASSERT_NO_THROW(error = Json::parse(json.out)) << json.out;
  ASSERT_TRUE(error["error"]["message"].is_string()) << json.out;
  EXPECT_NE(error["error"]["message"].get<std::string>().find("9999"), std::string::npos);
}

TEST_F(CalculaCliTest, HelpDocumentsEveryOptionAndAWrongCommandLineExitsWithTwo) {
  CliRun help = run("calcula --help");
  EXPECT_EQ(help.status, 0);
  for (const char* option :
       {"--lista-comandas", "--tipo-conta", "--cobra-consumacao", "--cobra-couvert", "--cobra-taxa",
        "--lugares-mesa", "--itens-excluidos", "--connection", "--host-dir", "--format"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option << "\n" << help.out;
  CliRun top = run("--help");
  EXPECT_NE(top.out.find("calcula"), std::string::npos) << top.out;
  EXPECT_NE(top.out.find("demo"), std::string::npos) << top.out;

  for (const char* wrong : {"calcula --lista-comandas 0012 --tipo-conta 2 --nao-existe",
                            "calcula --lista-comandas 0012 --tipo-conta 2 --format yaml"}) {
    SCOPED_TRACE(wrong);
    CliRun run_wrong = run(std::string(wrong) + " --host-dir " + scratch_.string());
    EXPECT_EQ(run_wrong.status, 2) << run_wrong.out << run_wrong.err;
    EXPECT_FALSE(run_wrong.err.empty());
  }
}

}  // namespace
}  // namespace conta

namespace conta {
namespace {

// Values a store ends up holding, and files that are not what they should
// be: the tool prints what it can bill, whatever the size of its figures,
// and fails naming what is wrong, without a crash.
TEST_F(CalculaCliTest, HostileValuesAndFilesAreBilledOrNamed) {
  struct Caso {
    const char* nome;
    std::string sql;        // run on the demo store first
    std::string alteracao;  // a shell command run in the store's directory first
    std::string opcoes;     // more options of conta calcula
    int status;
    std::string saida;  // in the output (status 0) or the error (status 1)
  };
  const Caso casos[] = {
      {"a quantity of 1e40 prints whole",
       "UPDATE ITCOMANDAVEN SET QTPRODCOMVEN = 1e40 WHERE NRCOMANDA = '0012' AND "
       "NRPRODCOMVEN = '000001'",
       "", "", 0, "10000000000000000303786028427003666890752,000 x Cerveja"},
      {"an amount of 1e60 prints whole",
       "UPDATE ITCOMANDAVEN SET VRPRECCOMVEN = 1e60 WHERE NRCOMANDA = '0012' AND "
       "NRPRODCOMVEN = '000001'",
       "", "", 0,
       "2.999.999.999.999.999.848.161.405.891.222.056.600.890.935.033.040.230.219.251.712,00\n"},
      {"an infinite quantity is refused, named",
       "UPDATE ITCOMANDAVEN SET QTPRODCOMVEN = 9e999 WHERE NRCOMANDA = '0012' AND "
       "NRPRODCOMVEN = '000001'",
       "", "", 1, "ITCOMANDAVEN.QTPRODCOMVEN o valor"},
      {"an empty sqlite: names no file", "", "", "--connection sqlite:", 1,
       "não diz o arquivo do banco da loja"},
      {"a damaged store file is named", "", "printf 'not a database at all......' > lixo.db",
       "--connection sqlite:{loja}/lixo.db", 1, "lixo.db não pode ser lido"},
      {"a folder named conexao.txt is named", "", "mkdir conexao.txt", "", 1,
       "conexao.txt não é um arquivo"},
      {"a folder in place of the parameters file is named", "",
       "rm PARAMETROSXOL.CDS && mkdir PARAMETROSXOL.CDS", "", 1,
       "PARAMETROSXOL.CDS não é um arquivo"},
      {"no parameters file is named", "", "rm PARAMETROSXOL.CDS", "", 1,
       "Os parâmetros da loja (PARAMETROSXOL.CDS) não foram encontrados"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nome);
    fs::remove_all(demo_);
    makeDemo();
    if (!caso.sql.empty()) {
      sqlite3* db = nullptr;
      ASSERT_EQ(sqlite3_open((demo_ / "Dados" / "loja.db").c_str(), &db), SQLITE_OK);
      EXPECT_EQ(sqlite3_exec(db, caso.sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
      sqlite3_close(db);
    }
    if (!caso.alteracao.empty()) {
      ASSERT_EQ(std::system(("cd " + demo_.string() + " && " + caso.alteracao).c_str()), 0);
    }
    std::string opcoes = caso.opcoes;
    if (auto at = opcoes.find("{loja}"); at != std::string::npos)
      opcoes.replace(at, 6, demo_.string());
    CliRun bill =
        run("calcula --lista-comandas 0012_0013_0021 --tipo-conta 2 --cobra-couvert "
            "--cobra-taxa --cobra-consumacao --host-dir " +
            demo_.string() + " " + opcoes);
    EXPECT_EQ(bill.status, caso.status) << bill.out << bill.err;
    EXPECT_NE((caso.status == 0 ? bill.out : bill.err).find(caso.saida), std::string::npos)
        << bill.out << bill.err;
  }
}

}  // namespace
}  // namespace conta
