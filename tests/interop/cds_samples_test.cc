// The real client-dataset files saved by the platform: each decodes, holds
// the values the platform put there, and re-encodes to the same bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "support/files.h"

namespace conta {
namespace {

namespace fs = std::filesystem;

fs::path samplesDir() {
  return fs::path(CONTA_SHARED_DIR) / "interop" / "cds-samples";
}

class CdsSamplesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::is_directory(samplesDir())) {
      GTEST_SKIP() << "no sample files at " << samplesDir() << " (the shared folder is absent)";
    }
  }
  static DataPacket load(const std::string& name) { return readPacketFile(samplesDir() / name); }
  static const Variant& value(const DataPacket& p, std::size_t row, const std::string& field) {
    return p.rows.at(row).values.at(*p.fieldIndex(field));
  }
};

TEST_F(CdsSamplesTest, EveryFileReEncodesByteForByte) {
  int files = 0;
  for (const auto& entry : fs::directory_iterator(samplesDir())) {
    if (entry.path().extension() != ".cds") continue;
    ++files;
    std::string original = testing_support::readWholeFile(entry.path());
    DataPacket packet = decodePacket(original, entry.path().filename().string());
    EXPECT_EQ(encodeBinaryPacket(packet), original) << entry.path().filename();
  }
  EXPECT_GE(files, 12);
}

TEST_F(CdsSamplesTest, ValuesOfEveryStoredTypeAreWhatThePlatformWrote) {
  DataPacket country = load("country.cds");
  ASSERT_EQ(country.rows.size(), 18u);
  EXPECT_EQ(value(country, 0, "Name").text(), "Argentina");
  EXPECT_EQ(value(country, 0, "Capital").text(), "Buenos Aires");
  EXPECT_EQ(value(country, 0, "Area").real(), 2777815.0);
  EXPECT_EQ(country.fields[0].width(), 24);
  EXPECT_EQ(country.findParam("PRIMARY_KEY")->value, Variant::array({Variant(1)}));

  DataPacket orders = load("orders.cds");
  EXPECT_EQ(value(orders, 0, "OrderNo").real(), 1003.0);
  EXPECT_EQ(value(orders, 0, "SaleDate").dateTime(), DateTime::fromDate(1988, 4, 12));
  EXPECT_EQ(value(orders, 0, "EmpNo").integer(), 114);
  EXPECT_TRUE(value(orders, 0, "ShipToContact").isNull());
  EXPECT_EQ(value(orders, 0, "ItemsTotal").real(), 1250.0);
  EXPECT_EQ(orders.fields[*orders.fieldIndex("ItemsTotal")].subtype(), "Money");
  EXPECT_EQ(orders.fields[*orders.fieldIndex("CustNo")].attributes, field_attribute::kRequired);

  DataPacket holdings = load("holdings.cds");
  EXPECT_EQ(holdings.fields[4].type, FieldType::Date);
  EXPECT_EQ(value(holdings, 0, "PUR_DATE").dateTime(), DateTime::fromDate(1987, 9, 13));

  DataPacket vendors = load("vendors.cds");
  EXPECT_EQ(vendors.fields[*vendors.fieldIndex("Preferred")].type, FieldType::Boolean);
  EXPECT_TRUE(value(vendors, 0, "Preferred").boolean());
  EXPECT_TRUE(value(vendors, 0, "Address2").isNull());

  DataPacket employee = load("employee.cds");
  EXPECT_EQ(value(employee, 0, "EmpNo").integer(), 2);
  EXPECT_EQ(value(employee, 0, "HireDate").dateTime(), DateTime::fromDate(1988, 12, 28));

  DataPacket animals = load("animals.cds");
  const Field& bmp = animals.fields[*animals.fieldIndex("BMP")];
  EXPECT_EQ(bmp.type, FieldType::Bytes);
  EXPECT_EQ(bmp.subtype(), "TypedBinary");
  EXPECT_GT(value(animals, 0, "BMP").bytes().size(), 10000u);
  EXPECT_EQ(value(animals, 0, "BMP").bytes().substr(8, 2), "BM");  // a bitmap inside
}

TEST_F(CdsSamplesTest, AFileWithAChangeLogReadsAsItsCurrentRows) {
  DataPacket raw = load("country_changelog.cds");
  ASSERT_EQ(raw.rows.size(), 19u);
  EXPECT_TRUE(raw.hasChangeLog());

  DataPacket current = raw.currentRows();
  ASSERT_EQ(current.rows.size(), 18u);
  // The edited Argentina stands where the original stood, with its new memo.
  EXPECT_EQ(value(current, 0, "Name").text(), "Argentina");
  EXPECT_TRUE(value(current, 0, "Text").text().starts_with("This is memo line 1\r\n"));
  EXPECT_EQ(value(current, 1, "Name").text(), "Bolivia");
  EXPECT_EQ(value(current, 1, "Text").text(), "This is memo 2");
  for (const auto& row : current.rows)
    EXPECT_EQ(row.state, 0);
}

TEST_F(CdsSamplesTest, BinaryToXmlToJsonToBinaryKeepsEveryValue) {
  for (const auto& entry : fs::directory_iterator(samplesDir())) {
    if (entry.path().extension() != ".cds") continue;
    SCOPED_TRACE(entry.path().filename().string());
    DataPacket original = readPacketFile(entry.path()).currentRows();
    DataPacket via_xml = decodeXmlPacket(encodeXmlPacket(original));
    DataPacket via_json = decodeJsonPacket(encodeJsonPacket(via_xml));
    DataPacket back = decodeBinaryPacket(encodeBinaryPacket(via_json));
    ASSERT_EQ(back.fields.size(), original.fields.size());
    for (std::size_t i = 0; i < original.fields.size(); ++i) {
      EXPECT_EQ(back.fields[i].name, original.fields[i].name);
      EXPECT_EQ(back.fields[i].type, original.fields[i].type);
      EXPECT_EQ(back.fields[i].width(), original.fields[i].width());
    }
    // Variant equality: doubles exact, NULL is not "", date-times to the ms.
    EXPECT_EQ(back.rows, original.rows);
  }
}

}  // namespace
}  // namespace conta
