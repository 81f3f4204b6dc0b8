// conta pacote, run as a store would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "conta/packet_codecs.h"
#include "support/cdsdump.h"

namespace conta {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string output;  // standard output and error together
};

CliRun runCli(const std::string& arguments) {
  std::string command = std::string(CONTA_CLI) + " " + arguments + " 2>&1";
  CliRun result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    result.output.append(buffer, n);
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

class PacoteCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(CONTA_TEST_TMP) / "pacote_cli";
    fs::create_directories(scratch_);
  }
  std::string sample(const std::string& name) {
    fs::path path = fs::path(CONTA_SHARED_DIR) / "interop" / "cds-samples" / name;
    if (!fs::exists(path)) return {};
    return path.string();
  }
  fs::path scratch_;
};

TEST_F(PacoteCliTest, HelpExplainsEveryOptionWithExamples) {
  CliRun help = runCli("pacote --help");
  EXPECT_EQ(help.status, 0);
  for (const char* part : {"--format", "--output", "FILE", "Examples:", "PARAMETROSXOL.CDS"}) {
    EXPECT_NE(help.output.find(part), std::string::npos) << part << "\n" << help.output;
  }
  CliRun top = runCli("--help");
  EXPECT_EQ(top.status, 0);
  EXPECT_NE(top.output.find("pacote"), std::string::npos);
  EXPECT_EQ(runCli("").status, 2);  // a subcommand is required
  EXPECT_EQ(runCli("pacote").status, 2);
  EXPECT_EQ(runCli("pacote x --format yaml").status, 2);
}

TEST_F(PacoteCliTest, ListsAPacketForPeople) {
  // A packet of our own, so this runs without the shared samples too.
  DataPacket p;
  p.fields.emplace_back("CDFILIAL", FieldType::String, 4);
  p.fields.emplace_back("VRCOMISVENDA", FieldType::Float);
  p.fields.emplace_back("UTILIZAIMPFIS", FieldType::Boolean);
  p.rows.push_back({0, {Variant("0001"), Variant(10.0), Variant(false)}});
  fs::path file = scratch_ / "PARAMETROSXOL.CDS";
  writePacketFile(p, file, PacketFormat::Binary);
  CliRun shown = runCli("pacote " + file.string());
  ASSERT_EQ(shown.status, 0) << shown.output;
  EXPECT_NE(shown.output.find("3 fields, 1 rows"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("CDFILIAL       string(4)"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("VRCOMISVENDA   10\n"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("CDFILIAL       '0001'"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("UTILIZAIMPFIS  "), std::string::npos);
}

TEST_F(PacoteCliTest, ConvertsBetweenTheThreeFormatsWithoutLoss) {
  std::string country = sample("country_changelog.cds");
  if (country.empty()) GTEST_SKIP() << "the shared sample files are absent";
  fs::path xml = scratch_ / "country.xml";
  fs::path json = scratch_ / "country.json";
  fs::path cds = scratch_ / "country.cds";
  ASSERT_EQ(runCli("pacote " + country + " --output " + xml.string()).status, 0);
  ASSERT_EQ(runCli("pacote " + xml.string() + " --format json --output " + json.string()).status,
            0);
  ASSERT_EQ(runCli("pacote " + json.string() + " --output " + cds.string()).status, 0);
  DataPacket original = readPacketFile(country).currentRows();
  DataPacket back = readPacketFile(cds);
  EXPECT_EQ(back.rows, original.rows);
  EXPECT_EQ(testing_support::readWholeFile(xml).substr(0, 5), "<?xml");

  // Standard output carries JSON and XML; binary goes to a file or a pipe.
  CliRun as_json = runCli("pacote " + country + " --format json");
  ASSERT_EQ(as_json.status, 0);
  EXPECT_EQ(decodeJsonPacket(as_json.output).rows, original.rows);
  CliRun piped =
      runCli("pacote " + sample("nextord.cds") + " --format binary | od -An -tx1 | head -1");
  EXPECT_NE(piped.output.find("96 19 e0 bd"), std::string::npos) << piped.output;
}

TEST_F(PacoteCliTest, FailuresNameTheFileAndExitWithOne) {
  fs::path bad = scratch_ / "bad.cds";
  std::ofstream(bad, std::ios::binary) << std::string("\x96\x19\xE0\xBD\x01\x00", 6);
  CliRun truncated = runCli("pacote " + bad.string());
  EXPECT_EQ(truncated.status, 1);
  EXPECT_NE(truncated.output.find("conta: " + bad.string() + ": truncated"), std::string::npos)
      << truncated.output;

  fs::path text = scratch_ / "notes.txt";
  std::ofstream(text) << "hello";
  CliRun unknown = runCli("pacote " + text.string());
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.output.find("not a data packet"), std::string::npos);

  CliRun no_extension =
      runCli("pacote " + bad.string() + " --output " + (scratch_ / "out").string());
  EXPECT_EQ(no_extension.status, 1);
  EXPECT_EQ(runCli("pacote " + (scratch_ / "missing.cds").string()).status, 2);
}

// The XML the tool writes loads in the independent reader with the same
// names, types and values.
class PacoteXmlInteropTest : public testing_support::CdsdumpTest {};

std::string independentType(const Field& field) {
  switch (field.type) {
    case FieldType::String:
      return "ftString " + std::to_string(field.width());
    case FieldType::Float:
      return field.subtype() == "Money" ? "ftCurrency 0" : "ftFloat 0";
    case FieldType::Int16:
      return "ftSmallint 0";
    case FieldType::Int32:
      return "ftInteger 0";
    case FieldType::Boolean:
      return "ftBoolean 0";
    case FieldType::Date:
      return "ftDate 0";
    case FieldType::DateTime:
      return "ftDateTime 0";
    default:
      return "?";
  }
}

std::string independentValue(const Field& field, const Variant& v) {
  if (v.isNull()) return "NULL";
  switch (field.type) {
    case FieldType::Boolean:
      return v.boolean() ? "TRUE" : "FALSE";
    case FieldType::Date:
      return v.dateTime().iso().substr(0, 10);
    case FieldType::DateTime:
      return v.dateTime().iso();
    case FieldType::Float:
      return "";  // compared as numbers below
    default:
      return v.toText();
  }
}

TEST_F(PacoteXmlInteropTest, XmlItWritesLoadsWithTheSameNamesTypesAndValues) {
  fs::path dir = fs::path(CONTA_SHARED_DIR) / "interop" / "cds-samples";
  fs::path scratch = fs::path(CONTA_TEST_TMP) / "pacote_cli";
  fs::create_directories(scratch);
  for (const char* name : {"customer.cds", "orders.cds", "vendors.cds", "holdings.cds"}) {
    SCOPED_TRACE(name);
    fs::path xml = scratch / (std::string(name) + ".xml");
    CliRun converted =
        runCli("pacote " + (dir / name).string() + " --format xml --output " + xml.string());
    ASSERT_EQ(converted.status, 0) << converted.output;
    DataPacket ours = readPacketFile(dir / name);
    testing_support::Dump dump =
        testing_support::parseDump(CdsdumpTest::run("dump " + xml.string()));
    ASSERT_EQ(dump.field_types.size(), ours.fields.size());
    for (const auto& field : ours.fields) {
      EXPECT_EQ(dump.field_types[field.name], independentType(field)) << field.name;
    }
    ASSERT_EQ(dump.rows.size(), ours.rows.size());
    for (std::size_t r = 0; r < ours.rows.size(); ++r) {
      for (std::size_t c = 0; c < ours.fields.size(); ++c) {
        const Field& field = ours.fields[c];
        const Variant& value = ours.rows[r].values[c];
        const std::string& theirs = dump.rows[r][field.name];
        if (field.type == FieldType::Float && !value.isNull()) {
          EXPECT_EQ(std::strtod(theirs.c_str(), nullptr), value.real()) << field.name;
        } else {
          EXPECT_EQ(theirs, independentValue(field, value)) << "row " << r + 1 << " " << field.name;
        }
      }
    }
  }
}

}  // namespace
}  // namespace conta
