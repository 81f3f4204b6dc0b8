// The bill conta prints: each charge with the rule that made it, or why it
// was not billed, told from the bill's result and the store's parameters;
// and the JSON object whose shape hosts and scripts rely on. On the demo
// store: tables 10 and 11 joined (comandas 0012, 0013 and 0021), 5 persons,
// items of 189,58 with a manual discount of 3,25.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "conta/packet_codecs.h"
#include "tools/cli_run.h"

namespace conta {
namespace {

namespace fs = std::filesystem;
using testing_support::CliRun;
using testing_support::runConta;

const char* const kTodas = "--cobra-consumacao --cobra-couvert --cobra-taxa";

class BillTextCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(CONTA_TEST_TMP) / "bill_text_cli" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    store_ = scratch_ / "loja";
  }

  CliRun run(const std::string& arguments, const std::string& environment = "") {
    return runConta(arguments, scratch_, environment);
  }

  void makeDemo() {
    CliRun demo = run("demo " + store_.string());
    ASSERT_EQ(demo.status, 0) << demo.out << demo.err;
  }

  // The bill of the joined tables, as text; its charges' lines, from
  // the persons down.
  std::string charges(const std::string& switches) {
    CliRun bill = run("calcula --host-dir " + store_.string() +
                      " --lista-comandas 0012_0013_0021 --tipo-conta 2 " + switches);
    EXPECT_EQ(bill.status, 0) << bill.out << bill.err;
    const auto start = bill.out.find("\nPessoas");
    return start == std::string::npos ? bill.out : bill.out.substr(start + 1);
  }

  nlohmann::json json(const std::string& switches) {
    CliRun bill = run("calcula --host-dir " + store_.string() +
                      " --lista-comandas 0012_0013_0021 --tipo-conta 2 --format json " + switches);
    EXPECT_EQ(bill.status, 0) << bill.err;
    return nlohmann::json::parse(bill.out, nullptr, false);
  }

  // One field of the store's parameters file changed.
  void setParameter(const std::string& name, const Variant& value) {
    const fs::path file = store_ / "PARAMETROSXOL.CDS";
    DataPacket packet = readPacketFile(file).currentRows();
    auto index = packet.fieldIndex(name);
    ASSERT_TRUE(index) << name;
    packet.rows.at(0).values.at(*index) = value;
    writePacketFile(packet, file, PacketFormat::Binary);
  }

  void sql(const std::string& statement) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((store_ / "Dados" / "loja.db").c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error != nullptr ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
  }

  fs::path scratch_;
  fs::path store_;
};

TEST_F(BillTextCliTest, DemoBillShowsEachChargeWithItsRule) {
  CliRun demo = run("demo " + store_.string());
  ASSERT_EQ(demo.status, 0) << demo.out << demo.err;
  // 10% of the items that bear the charge; 5 persons (3 at table 10, whose
  // sale holds two of the comandas, and 2 at table 11) at 80,00 less the
  // 189,58 the items came to; 5 covers at 12,50.
  const std::string expected =
      "Pessoas                                                     5\n"
      "Itens                                                  189,58\n"
      "  descontos nos itens (manuais 3,25)                     3,25\n"
      "Taxa de serviço 10% sobre 189,58                        18,95\n"
      "Consumação mínima 5 × 80,00 = 400,00                   210,42\n"
      "  consumido 189,58; cobrada a diferença\n"
      "Couvert 5 × 12,50 por pessoa                            62,50\n"
      "Acréscimo das comandas (fora do total)                   5,00\n"
      "Total                                                  481,45\n";
  EXPECT_NE(demo.out.find(expected), std::string::npos) << demo.out;
  // The same bill again from conta calcula.
  EXPECT_EQ(charges(kTodas), expected);
}

TEST_F(BillTextCliTest, APreviewPrintsTheBillAndLeavesTheStoreAsItWas) {
  makeDemo();
  sql("DELETE FROM ITCOMANDAVEN WHERE CDPRODUTO IN ('COUVERT', 'CONSUMAF')");
  const fs::path database = store_ / "Dados" / "loja.db";
  const std::string before = testing_support::readWholeFile(database);
  const std::string preview = charges(std::string(kTodas) + " --previa");
  EXPECT_EQ(testing_support::readWholeFile(database), before);
  EXPECT_NE(preview.find("\nPrévia: nada foi gravado no banco da loja.\n"), std::string::npos)
      << preview;
  // The bill that follows charges what the preview showed, and writes it.
  const std::string bill = charges(kTodas);
  EXPECT_EQ(preview.substr(0, preview.find("\nPrévia")), bill);
  EXPECT_NE(testing_support::readWholeFile(database), before);
}

TEST_F(BillTextCliTest, ChargesNotBilledSayWhy) {
  makeDemo();
  // Not asked for: each charge shows its rule, 0,00 and the reason; the
  // service charge what it would have been.
  const std::string none = charges("");
  EXPECT_NE(none.find("Taxa de serviço 10% sobre 189,58                         0,00\n"
                      "  não cobrada (seria 18,95): não pedida nesta conta\n"),
            std::string::npos)
      << none;
  EXPECT_NE(none.find("Consumação mínima 5 × 80,00 = 400,00                     0,00\n"
                      "  não cobrada: não pedida nesta conta\n"),
            std::string::npos)
      << none;
  EXPECT_NE(none.find("Couvert 5 × 12,50 por pessoa                             0,00\n"
                      "  não cobrado: não pedido nesta conta\n"),
            std::string::npos)
      << none;
  EXPECT_NE(none.find("Total                                                  189,58"),
            std::string::npos)
      << none;

  // Asked for, but the comandas do not take them.
  sql("UPDATE COMANDAVEN SET IDUTILTXSERV = 'N', IDUTILCONSUMA = 'N', IDUTILCOUVERT = 'N'");
  const std::string off = charges(kTodas);
  EXPECT_NE(off.find("  não cobrada (seria 18,95): desligada na comanda\n"), std::string::npos)
      << off;
  EXPECT_NE(off.find("Consumação mínima 5 × 80,00 = 400,00                     0,00\n"
                     "  não cobrada: desligada na comanda\n"),
            std::string::npos)
      << off;
  EXPECT_NE(off.find("  não cobrado: desligado na comanda\n"), std::string::npos) << off;

  // Back on: a minimum the items reach is no charge, and says so.
  sql("UPDATE COMANDAVEN SET IDUTILTXSERV = 'S', IDUTILCONSUMA = 'S', IDUTILCOUVERT = 'S'");
  setParameter("PRECOCONSUMAFEMI", Variant(20.0));
  setParameter("PRECOCONSUMAMASC", Variant(20.0));
  const std::string reached = charges(kTodas);
  EXPECT_NE(reached.find("Consumação mínima 5 × 20,00 = 100,00                     0,00\n"
                         "  consumido 189,58: mínimo atingido\n"),
            std::string::npos)
      << reached;
}

TEST_F(BillTextCliTest, ServiceChargeRuleFollowsTheStoreParameters) {
  makeDemo();
  // The manual discount does not lower the charge: 10% of 189,58 + 3,25.
  setParameter("IDCONDESCTXSERV", Variant("N"));
  EXPECT_NE(charges(kTodas).find("Taxa de serviço 10% sobre 192,83                        19,28\n"
                                 "  itens com taxa 189,58 + descontos manuais 3,25, que não "
                                 "reduzem a taxa\n"),
            std::string::npos)
      << charges(kTodas);
  EXPECT_DOUBLE_EQ(json(kTodas)["VrTaxaServico"].get<double>(), 19.28);

  // No discount lowers it, at a rate with a fraction.
  setParameter("IDCONSDESCTXSERV", Variant("N"));
  setParameter("VRCOMISVENDA", Variant(12.5));
  EXPECT_NE(charges(kTodas).find("Taxa de serviço 12,5% sobre 192,83                      24,10\n"
                                 "  itens com taxa 189,58 + descontos 3,25"),
            std::string::npos)
      << charges(kTodas);
  EXPECT_DOUBLE_EQ(json(kTodas)["VrTaxaServico"].get<double>(), 24.10);

  // Discount switches that match no rule: the bill works out no charge.
  setParameter("IDCONSDESCTXSERV", Variant("X"));
  setParameter("IDCONDESCTXSERV", Variant("X"));
  EXPECT_NE(charges(kTodas).find("Taxa de serviço 12,5%                                    0,00\n"
                                 "  não calculada: nenhuma regra para os descontos da loja"),
            std::string::npos)
      << charges(kTodas);

  // The waiters' commissions, not a rate.
  setParameter("IDCOMISVENDA", Variant("G"));
  const std::string commissions = charges(kTodas);
  const auto line = commissions.find("Taxa de serviço: comissões dos garçons");
  ASSERT_NE(line, std::string::npos) << commissions;
  EXPECT_EQ(commissions.find("%", line), std::string::npos) << commissions;

  // A store without a service charge; and without the cover, which a bill
  // then never adds (the bill without the cover removed the demo's item).
  setParameter("IDCOMISVENDA", Variant("N"));
  setParameter("IDCOUVERART", Variant("N"));
  charges("");
  const std::string plain = charges(kTodas);
  EXPECT_NE(plain.find("Taxa de serviço                                          0,00\n"
                       "  não cobrada: a loja não cobra taxa de serviço\n"),
            std::string::npos)
      << plain;
  EXPECT_NE(plain.find("Couvert                                                  0,00\n"
                       "  não cobrado: couvert artístico desligado na loja\n"),
            std::string::npos)
      << plain;
}

TEST_F(BillTextCliTest, ReservedTableSparesTheMinimumAndTakesTheCoverBySeat) {
  makeDemo();
  // A store that bills by seat; the first comanda is a reservation.
  setParameter("IDLUGARMESA", Variant("S"));
  sql("UPDATE COMANDAVEN SET DSCOMANDA = 'RES 10' WHERE NRCOMANDA = '0012'");
  charges("");  // the demo bill's cover item goes: the next bill adds one per seat
  const std::string text = charges(kTodas);
  EXPECT_NE(text.find("Consumação mínima 5 × 80,00 = 400,00                     0,00\n"
                      "  não cobrada: comanda de reserva (RES)\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Couvert 5 × 12,50 por lugar                             62,50\n"
                      "  um por lugar da mesa reservada: 01, 02, 03, 04, 05\n"),
            std::string::npos)
      << text;
}

TEST_F(BillTextCliTest, DemoBillsItsOwnDatabaseWhateverTheEnvironmentSays) {
  // A connection string in the environment names a database that does not
  // exist: the demo still bills the store it made.
  CliRun demo = run("demo " + store_.string(),
                    "CONTA_CONNECTION=sqlite:" + (scratch_ / "nowhere" / "x.db").string());
  ASSERT_EQ(demo.status, 0) << demo.out << demo.err;
  EXPECT_NE(demo.out.find("Total                                                  481,45"),
            std::string::npos)
      << demo.out;
  // Its command line to bill again names the demo's database.
  EXPECT_NE(demo.out.find("--connection sqlite:" + (store_ / "Dados" / "loja.db").string()),
            std::string::npos)
      << demo.out;
}

// The JSON of a bill: the keys in a fixed order, numbers as numbers, the
// packets as {"fields","rows"}. A change to any of these breaks hosts.
TEST_F(BillTextCliTest, JsonShapeOfTheDemoBillIsPinned) {
  makeDemo();
  CliRun bill = run("calcula --host-dir " + store_.string() +
                    " --lista-comandas 0012_0013_0021 --tipo-conta 2 --format json " + kTodas);
  ASSERT_EQ(bill.status, 0) << bill.err;
  const auto json = nlohmann::ordered_json::parse(bill.out);
  auto keys = [](const nlohmann::ordered_json& object) {
    std::vector<std::string> out;
    for (const auto& [key, value] : object.items())
      out.push_back(key);
    return out;
  };
  EXPECT_EQ(keys(json), (std::vector<std::string>{
                            "entries", "VrConsumacao", "VrTotalConta", "VrTotalItens", "VrBaseTaxa",
                            "VrPrecoConsumacao", "VrCouvert", "VrTaxaServico",
                            "VrAcrescimoComandas", "VrTotalDesconto", "QtdePessoas",
                            "VrTaxaCalculada", "VrDescontoManual", "explicacao"}));

  // The explanation: each charge with its rule's figures, the items by
  // comanda and seat with the amount each adds.
  const auto& explicacao = json.at("explicacao");
  EXPECT_EQ(keys(explicacao), (std::vector<std::string>{"pessoas", "comandas", "itens",
                                                        "taxa_servico", "consumacao_minima",
                                                        "couvert", "acrescimo_comandas", "total"}));
  EXPECT_EQ(explicacao.at("taxa_servico").dump(),
            R"({"regra":"percentual","percentual":10.0,"itens_com_taxa":189.58,)"
            R"("descontos_somados":0.0,"descontos_que_nao_reduzem":"","base":189.58,)"
            R"("calculada":18.95,"valor":18.95,"motivo":null})");
  EXPECT_EQ(explicacao.at("consumacao_minima").dump(),
            R"({"pessoas":5.0,"preco":80.0,"minimo":400.0,"consumido":189.58,"valor":210.42,)"
            R"("motivo":null})");
  EXPECT_EQ(explicacao.at("couvert").dump(),
            R"({"por_lugar":false,"unidades":5.0,"preco":12.5,"lugares":[],"valor":62.5,)"
            R"("motivo":null})");
  EXPECT_EQ(explicacao.at("itens").dump(),
            R"({"total":189.58,"descontos":3.25,"descontos_manuais":3.25})");
  const auto& comandas = explicacao.at("comandas");
  ASSERT_EQ(comandas.size(), 3u);
  EXPECT_EQ(keys(comandas[0]), (std::vector<std::string>{"numero", "descricao", "lugares"}));
  EXPECT_EQ(comandas[0].at("lugares")[0].at("itens")[0].dump(),
            R"({"produto":"FRITAS","nome":"Batata frita","quantidade":1.0,"preco":32.5,)"
            R"("valor":32.5,"desconto":3.25,"acrescimo":0.0})");
  EXPECT_EQ(explicacao.at("total").get<double>(), 481.45);

  const auto& entries = json.at("entries");
  ASSERT_EQ(entries.size(), 14u);
  const double values[14] = {210.42, 481.45, 189.58, 189.58, 80, 62.5,  18.95,
                             5,      3.25,   0,      0,      5,  18.95, 3.25};
  for (std::size_t i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13}) {
    ASSERT_TRUE(entries[i].is_number()) << i;
    EXPECT_NEAR(entries[i].get<double>(), values[i], 1e-9) << i;
  }
  for (std::size_t i : {9, 10}) {
    EXPECT_EQ(keys(entries[i]), (std::vector<std::string>{"fields", "rows"})) << i;
    for (const auto& field : entries[i].at("fields"))
      EXPECT_EQ(keys(field), (std::vector<std::string>{"name", "type", "width", "fieldtype"}));
  }
  EXPECT_EQ(entries[9].at("fields").size(), 30u);
  EXPECT_EQ(entries[10].at("fields").size(), 28u);
  EXPECT_EQ(entries[9].at("fields")[1].dump(),
            R"({"name":"NRCOMANDA","type":"string","width":10,"fieldtype":"string"})");
  ASSERT_EQ(entries[9].at("rows").size(), 3u);
  EXPECT_EQ(entries[9].at("rows")[0][1], "0012");
  EXPECT_TRUE(entries[9].at("rows")[0][10].is_number()) << "NRPESMESAVEN";

  // Numbers are the doubles the bill computed, in the shortest form that
  // reads back the same: the minimum consumption is 400 - 189.58, and the
  // total carries it.
  EXPECT_NE(bill.out.find("\"VrConsumacao\": 210.42,"), std::string::npos);
  EXPECT_NE(bill.out.find("\"VrTotalConta\": 481.45,"), std::string::npos);
  EXPECT_NE(bill.out.find("\"QtdePessoas\": 5.0,"), std::string::npos);
}

}  // namespace
}  // namespace conta
