// XML datapackets against the shared edge-case files and against an
// independent reader/writer built with Free Pascal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "support/cdsdump.h"

namespace conta {
namespace {

namespace fs = std::filesystem;
using testing_support::CdsdumpTest;
using testing_support::Dump;
using testing_support::parseDump;

const fs::path kShared = CONTA_SHARED_DIR;

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return DateTime::fromParts({y, mo, d, h, mi, s, ms});
}

class XmlCasesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::is_directory(kShared / "interop" / "xml-cases")) {
      GTEST_SKIP() << "no shared interop folder at " << kShared;
    }
  }
  static DataPacket load(const char* name) {
    fs::path path = kShared / "interop" / "xml-cases" / name;
    return decodeXmlPacket(testing_support::readWholeFile(path), path.string());
  }
  static std::vector<Variant> row(const DataPacket& p, std::size_t i) {
    return p.rows.at(i).values;
  }
};

TEST_F(XmlCasesTest, EveryFileReads) {
  int files = 0;
  for (const auto& entry : fs::directory_iterator(kShared / "interop" / "xml-cases")) {
    if (entry.path().extension() != ".xml") continue;
    ++files;
    EXPECT_NO_THROW(
        decodeXmlPacket(testing_support::readWholeFile(entry.path()), entry.path().string()))
        << entry.path();
  }
  EXPECT_GE(files, 8);
}

TEST_F(XmlCasesTest, ValuesAreWhatThePlatformMeans) {
  DataPacket edge = load("edge.xml");
  ASSERT_EQ(edge.rows.size(), 3u);
  EXPECT_EQ(row(edge, 0), (std::vector<Variant>{Variant(1), Variant(""), Variant(1.5E-5)}));
  EXPECT_EQ(row(edge, 1), (std::vector<Variant>{Variant(2), Variant::null(), Variant(100.0)}));
  EXPECT_TRUE(std::signbit(edge.rows[2].values[2].real()));

  DataPacket modified = load("modified.xml").currentRows();
  ASSERT_EQ(modified.rows.size(), 1u);
  EXPECT_EQ(row(modified, 0), (std::vector<Variant>{Variant(1), Variant("new")}));

  DataPacket inserted = load("inserted.xml").currentRows();
  ASSERT_EQ(inserted.rows.size(), 2u);
  EXPECT_EQ(row(inserted, 1), (std::vector<Variant>{Variant(2), Variant("b")}));
  EXPECT_EQ(load("rowstate_nolog.xml").currentRows().rows.size(), 1u);

  for (const char* name : {"latin1_nodecl.xml", "utf8_bom.xml", "utf8_decl.xml"}) {
    EXPECT_EQ(row(load(name), 0), (std::vector<Variant>{Variant(1), Variant("café")})) << name;
  }

  DataPacket types = load("types.xml");
  ASSERT_EQ(types.rows.size(), 1u);
  EXPECT_EQ(row(types, 0),
            (std::vector<Variant>{
                Variant("café €"), Variant(at(2024, 3, 15, 14, 30, 5)), Variant(12.5),
                Variant("Hello"), Variant(at(2024, 3, 15)),
                Variant(DateTime::fromMilliseconds((14 * 60 + 30) * 60'000 + 5000)), Variant(-3),
                Variant(9007199254740993LL), Variant(123.45), Variant(7)}));
  EXPECT_EQ(types.fields[2].subtype(), "Money");
  EXPECT_EQ(types.fields[8].width(), 15);
  EXPECT_EQ(types.fields[8].decimals(), 2);
  EXPECT_EQ(types.findParam("LCID")->value, Variant(1033));
  EXPECT_EQ(types.findParam("PRIMARY_KEY")->value, Variant::array({Variant(1)}));
}

TEST_F(CdsdumpTest, ReadsWhatWeWrite) {
  const std::string name = "Ação & <b> \"q\" 'a' \\ end";
  DataPacket p;
  p.fields = {Field("NAME", FieldType::String, 40), Field("RATE", FieldType::Float),
              Field("ACTIVE", FieldType::Boolean), Field("CHANGED", FieldType::DateTime),
              Field("QTY", FieldType::Int32)};
  p.rows.push_back({0,
                    {Variant(name), Variant(1.0 / 3), Variant(true),
                     Variant(at(2024, 3, 15, 14, 30, 5, 123)), Variant(42)}});
  p.rows.push_back(
      {0,
       {Variant("Zoë"), Variant(-2.5), Variant(false), Variant(at(2024, 1, 1)), Variant::null()}});
  fs::path file = scratch("xml-ours.xml");
  std::ofstream(file, std::ios::binary) << encodeXmlPacket(p);

  Dump dump = parseDump(run("dump " + file.string()));
  EXPECT_EQ(dump.field_types, (std::map<std::string, std::string>{{"NAME", "ftString 40"},
                                                                  {"RATE", "ftFloat 0"},
                                                                  {"ACTIVE", "ftBoolean 0"},
                                                                  {"CHANGED", "ftDateTime 0"},
                                                                  {"QTY", "ftInteger 0"}}));
  ASSERT_EQ(dump.rows.size(), 2u);
  EXPECT_EQ(dump.rows[0]["NAME"], name);
  double third = std::strtod(dump.rows[0]["RATE"].c_str(), nullptr);
  double expected = 1.0 / 3;
  EXPECT_EQ(std::memcmp(&third, &expected, sizeof third), 0) << dump.rows[0]["RATE"];
  EXPECT_EQ(dump.rows[0]["ACTIVE"], "TRUE");
  EXPECT_EQ(dump.rows[0]["CHANGED"], "2024-03-15T14:30:05.123");
  EXPECT_EQ(dump.rows[0]["QTY"], "42");
  EXPECT_EQ(dump.rows[1],
            (std::map<std::string, std::string>{{"NAME", "Zoë"},
                                                {"RATE", "-2.5"},
                                                {"ACTIVE", "FALSE"},
                                                {"CHANGED", "2024-01-01T00:00:00.000"},
                                                {"QTY", "NULL"}}));
}

TEST_F(CdsdumpTest, WeReadWhatItWrites) {
  fs::path file = scratch("xml-cdsdump.xml");
  run("write " + file.string());
  DataPacket p = decodeXmlPacket(testing_support::readWholeFile(file), file.string());

  ASSERT_EQ(p.fields.size(), 5u);
  EXPECT_EQ(p.fields[0].name, "CODE");
  EXPECT_EQ(p.fields[0].type, FieldType::String);
  EXPECT_EQ(p.fields[0].width(), 10);
  EXPECT_EQ(p.fields[1].type, FieldType::Float);
  EXPECT_EQ(p.fields[2].type, FieldType::Boolean);
  EXPECT_EQ(p.fields[3].type, FieldType::DateTime);
  EXPECT_EQ(p.fields[4].type, FieldType::Int32);
  ASSERT_EQ(p.rows.size(), 2u);
  EXPECT_EQ(p.rows[0].values,
            (std::vector<Variant>{Variant("A&B \"x\"<>"), Variant(0.19), Variant(true),
                                  Variant(at(2024, 3, 15, 14, 30, 5, 123)), Variant(42)}));
  // It writes doubles with 16 significant digits.
  EXPECT_EQ(p.rows[1].values,
            (std::vector<Variant>{Variant("Ünïcö"), Variant(0.3333333333333333), Variant(false),
                                  Variant(at(2024, 1, 1)), Variant::null()}));
}

}  // namespace
}  // namespace conta
