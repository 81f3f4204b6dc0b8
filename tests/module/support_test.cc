// The support package as the module relies on it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "platform/host_directory.h"
#include "support/consiste.h"
#include "support/geralxol.h"
#include "support/mensagemxol.h"
#include "support/messages.h"

namespace {

using conta::Variant;

// Collects the reports; restores the default sink afterwards.
class ReportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Mensagemxol::setReportSink([this](const Mensagemxol::Report& r) { reports_.push_back(r); });
  }
  void TearDown() override { Mensagemxol::setReportSink({}); }
  std::vector<Mensagemxol::Report> reports_;
};

TEST_F(ReportsTest, SuccessfulEnvelopesPassUnchangedAndReportNothing) {
  conta::DataPacket packet;
  packet.fields.emplace_back("NRPESSOAS", conta::FieldType::Float);
  packet.rows.push_back({0, {Variant(3.0)}});
  Variant read(packet);
  EXPECT_EQ(Mensagemxol::MensagemMetodo(read, true, 0, "getCmdAgrupada", "Srv_Xol41260",
                                        "0001-MESA 12", ""),
            read);
  EXPECT_TRUE(Mensagemxol::MensagemMetodo(Variant(), true, 0, "AjustaQtdeNeg", "Srv_Xol41260",
                                          "0001-0012", "")
                  .isEmpty());
  EXPECT_EQ(Mensagemxol::MensagemMetodo(Variant(""), true, 0, "setPedido", "Srv_Xol41260", "x", ""),
            Variant(""));
  EXPECT_TRUE(reports_.empty());
}

TEST_F(ReportsTest, AnErrorEnvelopeIsReportedAndRaisedWithAllFourParts) {
  try {
    (void)Mensagemxol::MensagemMetodo(Variant("ORA-00942: table or view does not exist"), true, 0,
                                      "getValComanda", "Cli_Rev00100", "0001-01-0012", "");
    FAIL() << "a failure passed as data";
  } catch (const conta::OperationFailure& e) {
    EXPECT_EQ(e.operation(), "getValComanda");
    EXPECT_EQ(e.unit(), "Cli_Rev00100");
    EXPECT_EQ(e.context(), "0001-01-0012");
    EXPECT_EQ(e.text(), "ORA-00942: table or view does not exist");
    EXPECT_STREQ(e.what(),
                 "getValComanda (Cli_Rev00100) [0001-01-0012]: ORA-00942: table or view does not "
                 "exist");
  }
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].kind, 0);
  EXPECT_EQ(reports_[0].operation, "getValComanda");
  EXPECT_EQ(reports_[0].context, "0001-01-0012");
}

TEST_F(ReportsTest, MessagesAreReportedWithTheirKindAndASinkThatThrowsIsIgnored) {
  Mensagemxol::Mensagem("Alíquota não cadastrada", "", "N", "N", 3, "", "", 0, nullptr);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].kind, 3);
  EXPECT_EQ(reports_[0].text, "Alíquota não cadastrada");
  Mensagemxol::setReportSink([](const Mensagemxol::Report&) { throw std::runtime_error("host"); });
  EXPECT_NO_THROW(Mensagemxol::Mensagem("x", "", "N", "N", 3, "", "", 0, nullptr));
}

TEST(ConsisteTest, EmptyTextsWidthsAndChoices) {
  EXPECT_TRUE(Consiste::EmptyString(""));
  EXPECT_TRUE(Consiste::EmptyString("  \t"));
  EXPECT_FALSE(Consiste::EmptyString(" 01 "));
  EXPECT_EQ(Consiste::Ajusta("1", 2), "01");
  EXPECT_EQ(Consiste::Ajusta("12", 2), "12");
  EXPECT_EQ(Consiste::Ajusta("123", 2), "123");  // never cut
  EXPECT_EQ(Consiste::Ajusta("", 2), "00");
  EXPECT_EQ(Consiste::iif(true, Variant("T"), Variant("")), Variant("T"));
  EXPECT_EQ(Consiste::iif(false, Variant("T"), Variant("")), Variant(""));
}

TEST(MessagesTest, LooksUpExactKeys) {
  Messages::TMessages table({"A|first", "AB|second|with bar", "B|"});
  EXPECT_EQ(table.Msg("A"), "first");
  EXPECT_EQ(table.Msg("AB"), "second|with bar");
  EXPECT_EQ(table.Msg("B"), "");
  EXPECT_EQ(table.Msg("a"), "");  // case counts
  EXPECT_EQ(table.Msg("C"), "");
}

class ConnectionStringSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(CONTA_TEST_TMP) / ("host_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    conta::setHostDirectory(dir_);
    ::unsetenv("CONTA_CONNECTION");
    Geralxol::setConnectionString(std::nullopt);
  }
  void TearDown() override {
    conta::setHostDirectory({});
    ::unsetenv("CONTA_CONNECTION");
    Geralxol::setConnectionString(std::nullopt);
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
};

TEST_F(ConnectionStringSourceTest, HostThenEnvironmentThenFileThenEmbeddedDefault) {
  EXPECT_EQ(Geralxol::GetStringConexXol(""), "");  // the embedded default
  std::ofstream(dir_ / "CONEXAO.TXT") << "# the store's server\n\n  postgresql://loja  \nignored\n";
  EXPECT_EQ(Geralxol::GetStringConexXol(""), "postgresql://loja");
  ::setenv("CONTA_CONNECTION", "sqlite:/var/loja.db", 1);
  EXPECT_EQ(Geralxol::GetStringConexXol(""), "sqlite:/var/loja.db");
  Geralxol::setConnectionString("odbc:DSN=loja");
  EXPECT_EQ(Geralxol::GetStringConexXol(""), "odbc:DSN=loja");
  Geralxol::setConnectionString(std::nullopt);
  EXPECT_EQ(Geralxol::GetStringConexXol(""), "sqlite:/var/loja.db");
}

}  // namespace
