// The store parameters and the fiscal-rate table: read from the host
// directory once per life of the data module, in either file format, and
// failing with the file's name when a file cannot be used.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bill/store_parameters_layout.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "data/demo_store_data.h"
#include "frame/data_module.h"
#include "platform/host_directory.h"
#include "support/store_builder.h"

namespace {

namespace fs = std::filesystem;
using conta::DataPacket;
using conta::PacketFormat;
using conta::Variant;
using conta::testing_support::FiscalRate;
using conta::testing_support::storeParametersPacket;
using Srv_Xol41260::TParametrosLoja;
using Strings = std::vector<std::string>;

// Every field differs from its default and from every other field, so a
// field read into the wrong place or not read at all shows.
const TParametrosLoja kLoja = {
    .VRCOMISVENDA = 12.5,
    .CDFILIAL = "0007",
    .CDLOJA = "03",
    .CDCLIENTE = "CLI9",
    .UTILIZAIMPFIS = true,
    .CDPRODCOUVER = "COUV",
    .CDPRODCONSUM = "CONM",
    .CDPRODCONSUF = "CONF",
    .IDCOUVERART = "A",
    .PRECOCOUVERT = 12.345,
    .PRECOCONSUMAMASC = 80.5,
    .PRECOCONSUMAFEMI = 60.25,
    .IDLUGARMESA = "B",
    .CDCAIXA = "002",
    .IDCOMISVENDA = "G",
    .IDCONDESCTXSERV = "C",
    .IDCONSDESCTXSERV = "D",
};
const TParametrosLoja kOutraLoja = {
    .VRCOMISVENDA = 8,
    .CDFILIAL = "0009",
    .CDLOJA = "05",
    .CDCLIENTE = "CLI2",
    .UTILIZAIMPFIS = false,
    .CDPRODCOUVER = "COU2",
    .CDPRODCONSUM = "CON3",
    .CDPRODCONSUF = "CON4",
    .IDCOUVERART = "S",
    .PRECOCOUVERT = 5,
    .PRECOCONSUMAMASC = 40,
    .PRECOCONSUMAFEMI = 35,
    .IDLUGARMESA = "N",
    .CDCAIXA = "009",
    .IDCOMISVENDA = "S",
    .IDCONDESCTXSERV = "S",
    .IDCONSDESCTXSERV = "N",
};

// The parameters as one line, so a failure shows every field at once.
std::string describe(const TParametrosLoja& p) {
  std::ostringstream s;
  s << "VRCOMISVENDA=" << p.VRCOMISVENDA << " CDFILIAL=" << p.CDFILIAL << " CDLOJA=" << p.CDLOJA
    << " CDCLIENTE=" << p.CDCLIENTE << " UTILIZAIMPFIS=" << p.UTILIZAIMPFIS
    << " CDPRODCOUVER=" << p.CDPRODCOUVER << " CDPRODCONSUM=" << p.CDPRODCONSUM
    << " CDPRODCONSUF=" << p.CDPRODCONSUF << " IDCOUVERART=" << p.IDCOUVERART
    << " PRECOCOUVERT=" << p.PRECOCOUVERT << " PRECOCONSUMAMASC=" << p.PRECOCONSUMAMASC
    << " PRECOCONSUMAFEMI=" << p.PRECOCONSUMAFEMI << " IDLUGARMESA=" << p.IDLUGARMESA
    << " CDCAIXA=" << p.CDCAIXA << " IDCOMISVENDA=" << p.IDCOMISVENDA
    << " IDCONDESCTXSERV=" << p.IDCONDESCTXSERV << " IDCONSDESCTXSERV=" << p.IDCONSDESCTXSERV;
  return s.str();
}

const std::vector<FiscalRate> kAliquotas = {{"T18", 18, "T"}, {"S05", 5, "S"}, {"T07", 7, "T"}};

class StoreParametersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    host_ = fs::path(CONTA_TEST_TMP) / "store_parameters" / test->name();
    fs::remove_all(host_);
    fs::create_directories(host_);
    conta::setHostDirectory(host_);
    conta::testing_support::forgetStoreParameters(module());
  }
  void TearDown() override {
    conta::testing_support::forgetStoreParameters(module());
    conta::setHostDirectory({});
  }

  static Srv_Xol41260::TdtmFuncoesRev& module() { return Srv_Xol41260::dataModule(); }
  static std::string loaded() { return describe(module().ParametrosLoja); }

  // CDALIQIMPFIS of the rate table in its active order.
  static Strings rates() {
    auto& table = module().cdsAliqImpFis;
    if (!table.active()) return {"<closed>"};
    Strings codes;
    for (table.first(); !table.eof(); table.next())
      codes.push_back(table.fieldByName("CDALIQIMPFIS").asString());
    return codes;
  }

  void writeFile(const fs::path& relative, const std::string& bytes) {
    fs::create_directories((host_ / relative).parent_path());
    std::ofstream(host_ / relative, std::ios::binary) << bytes;
  }

  fs::path host_;
};

// The demo store ships its parameters file as data; the history writes its
// stores' files by the table. Both must be the same layout.
TEST(StoreParametersLayoutTest, TheDemoStoresFileHasTheFieldsOfTheTable) {
  const DataPacket demo = conta::decodeJsonPacket(conta::data::kDemoParametersJson, "demo");
  const DataPacket table = Srv_Xol41260::pacoteParametrosLoja({});
  ASSERT_EQ(demo.fields.size(), table.fields.size());
  for (std::size_t i = 0; i < table.fields.size(); ++i) {
    EXPECT_EQ(demo.fields[i], table.fields[i])
        << "field " << i + 1 << ": demo " << demo.fields[i].name << ", table "
        << table.fields[i].name;
  }
}

TEST_F(StoreParametersTest, TheFirstRecordAndTheRatesLoadFromEitherFormatAndAnyCase) {
  struct Case {
    PacketFormat format;
    const char* parameters;
    const char* rates;
    bool reordered;  // fields in another order, and one the module does not read
  };
  const Case cases[] = {
      {PacketFormat::Binary, "PARAMETROSXOL.CDS", "Dados/Cadastros/AliqImpFis.cds", false},
      {PacketFormat::Xml, "PARAMETROSXOL.CDS", "Dados/Cadastros/AliqImpFis.cds", true},
      {PacketFormat::Binary, "parametrosxol.cds", "dados/CADASTROS/aliqimpfis.CDS", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.parameters) + (c.format == PacketFormat::Xml ? " xml" : " binary"));
    fs::remove_all(host_);
    conta::testing_support::forgetStoreParameters(module());

    DataPacket parameters = storeParametersPacket({kLoja, kOutraLoja});
    if (c.reordered) {
      std::reverse(parameters.fields.begin(), parameters.fields.end());
      parameters.fields.emplace_back("NMLOJA", conta::FieldType::String, 20);
      for (auto& row : parameters.rows) {
        std::reverse(row.values.begin(), row.values.end());
        row.values.emplace_back("Loja do centro");
      }
    }
    fs::create_directories((host_ / c.rates).parent_path());
    conta::writePacketFile(parameters, host_ / c.parameters, c.format);
    conta::writePacketFile(conta::testing_support::fiscalRatesPacket(kAliquotas), host_ / c.rates,
                           c.format);

    module().InicializaForm();
    EXPECT_EQ(loaded(), describe(kLoja));
    // In the order of the table's index, kind then rate.
    EXPECT_EQ(rates(), (Strings{"S05", "T07", "T18"}));
    // The look-up the charge rules make of a product's tax.
    auto& table = module().cdsAliqImpFis;
    EXPECT_TRUE(
        table.locate("VRALIQIMPFIS;IDALIQIMPFIS", Variant::array({Variant(7.0), Variant("T")})));
    EXPECT_EQ(table.fieldByName("CDALIQIMPFIS").asString(), "T07");
    EXPECT_FALSE(
        table.locate("VRALIQIMPFIS;IDALIQIMPFIS", Variant::array({Variant(5.0), Variant("T")})));
  }
}

TEST_F(StoreParametersTest, OnceLoadedNeitherFileIsReadAgain) {
  conta::testing_support::writeStoreParameters(host_, {kLoja});
  conta::testing_support::writeFiscalRates(host_, kAliquotas);
  module().InicializaForm();
  ASSERT_EQ(loaded(), describe(kLoja));

  conta::testing_support::writeStoreParameters(host_, {kOutraLoja});
  conta::testing_support::writeFiscalRates(host_, {{"I00", 0, "I"}});
  module().InicializaForm();
  EXPECT_EQ(loaded(), describe(kLoja));
  EXPECT_EQ(rates(), (Strings{"S05", "T07", "T18"}));

  fs::remove_all(host_);
  EXPECT_NO_THROW(module().InicializaForm());
  EXPECT_EQ(loaded(), describe(kLoja));
  EXPECT_EQ(rates(), (Strings{"S05", "T07", "T18"}));
}

TEST_F(StoreParametersTest, AParametersFileWithoutRecordsIsReadAgainOnEveryCall) {
  conta::testing_support::writeStoreParameters(host_, {});
  conta::testing_support::writeFiscalRates(host_, {{"I00", 0, "I"}});
  ASSERT_NO_THROW(module().InicializaForm());
  EXPECT_EQ(loaded(), describe(TParametrosLoja{}));
  EXPECT_EQ(rates(), Strings{"I00"});

  // The store fills its file in: the next call takes both files.
  conta::testing_support::writeStoreParameters(host_, {kLoja});
  conta::testing_support::writeFiscalRates(host_, kAliquotas);
  module().InicializaForm();
  EXPECT_EQ(loaded(), describe(kLoja));
  EXPECT_EQ(rates(), (Strings{"S05", "T07", "T18"}));
}

TEST_F(StoreParametersTest, WithoutAParametersFileTheRatesAreReadAgainOnEveryCall) {
  // Neither file: nothing is loaded and nothing fails.
  ASSERT_NO_THROW(module().InicializaForm());
  EXPECT_EQ(loaded(), describe(TParametrosLoja{}));
  EXPECT_FALSE(module().cdsAliqImpFis.active());

  conta::testing_support::writeFiscalRates(host_, {{"I00", 0, "I"}});
  module().InicializaForm();
  EXPECT_EQ(loaded(), describe(TParametrosLoja{}));
  EXPECT_EQ(rates(), Strings{"I00"});

  conta::testing_support::writeFiscalRates(host_, kAliquotas, PacketFormat::Xml);
  module().InicializaForm();
  EXPECT_EQ(rates(), (Strings{"S05", "T07", "T18"}));
}

TEST_F(StoreParametersTest, AFileThatCannotBeUsedIsAnErrorNamingItAndTheField) {
  auto without = [](DataPacket packet, const std::string& field) {
    auto index = *packet.fieldIndex(field);
    packet.fields.erase(packet.fields.begin() + index);
    for (auto& row : packet.rows)
      row.values.erase(row.values.begin() + index);
    return conta::encodeBinaryPacket(packet);
  };
  const std::string parameters = "PARAMETROSXOL.CDS";
  const std::string rates = "Dados/Cadastros/AliqImpFis.cds";
  const std::string goodRates =
      conta::encodeBinaryPacket(conta::testing_support::fiscalRatesPacket(kAliquotas));
  const std::string goodParameters = conta::encodeBinaryPacket(storeParametersPacket({kLoja}));
  struct Case {
    const char* what;
    std::string parametersBytes;  // empty: no file
    std::string ratesBytes;
    Strings named;  // what the message names
  };
  const Case cases[] = {
      {"first field missing",
       without(storeParametersPacket({kLoja}), "VRCOMISVENDA"),
       goodRates,
       {"PARAMETROSXOL.CDS", "VRCOMISVENDA"}},
      {"last field missing",
       without(storeParametersPacket({kLoja}), "IDCONSDESCTXSERV"),
       goodRates,
       {"PARAMETROSXOL.CDS", "IDCONSDESCTXSERV"}},
      {"not a packet", "parametros da loja", goodRates, {"PARAMETROSXOL.CDS"}},
      {"truncated", goodParameters.substr(0, 40), goodRates, {"PARAMETROSXOL.CDS"}},
      {"rates not a packet", goodParameters, "<html></html>", {"AliqImpFis.cds"}},
      {"rate missing",
       goodParameters,
       without(conta::testing_support::fiscalRatesPacket(kAliquotas), "VRALIQIMPFIS"),
       {"AliqImpFis.cds", "VRALIQIMPFIS"}},
      {"rates unreadable without parameters", "", "\x96\x19\xE0\xBD", {"AliqImpFis.cds"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(host_);
    conta::testing_support::forgetStoreParameters(module());
    if (!c.parametersBytes.empty()) writeFile(parameters, c.parametersBytes);
    writeFile(rates, c.ratesBytes);
    // Every call fails the same way until the file is mended: a file that
    // failed half-way never counts as loaded.
    for (int call = 0; call < 2; ++call) {
      try {
        module().InicializaForm();
        ADD_FAILURE() << "loaded without complaint, call " << call + 1;
      } catch (const conta::Error& e) {
        for (const std::string& name : c.named)
          EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
      }
    }
  }
}

}  // namespace
