#include <gtest/gtest.h>

#include <cmath>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"

namespace conta {
namespace {

DataPacket items() {
  DataPacket p;
  p.fields.emplace_back("NRCOMANDA", FieldType::String, 10);
  p.fields.emplace_back("QTPRODCOMVEN", FieldType::Float);
  p.fields.emplace_back("NRSEQ", FieldType::Int32);
  p.fields.emplace_back("IDCHECK", FieldType::Boolean);
  p.fields.emplace_back("DTHRINCOMVEN", FieldType::DateTime);
  Field blob("FOTO", FieldType::Bytes);
  blob.setSubtype("Binary");
  p.fields.push_back(blob);
  p.rows.push_back({0,
                    {Variant("0012 \"x\"\n"), Variant(0.1 + 0.2), Variant(-7), Variant(true),
                     Variant(DateTime::fromParts({2024, 3, 15, 14, 30, 5, 123})),
                     Variant::fromBytes(std::string("\0\xFF", 2))}});
  p.rows.push_back({0,
                    {Variant(""), Variant(-0.0), Variant::null(), Variant::null(), Variant::null(),
                     Variant::null()}});
  p.params.push_back({"LCID", Variant(1046), 0});
  return p;
}

TEST(JsonPacketTest, WritesTheDocumentedShapeOneRowPerLine) {
  std::string json = encodeJsonPacket(items());
  EXPECT_TRUE(json.starts_with(
      "{\"fields\":[\n{\"name\":\"NRCOMANDA\",\"type\":\"string\",\"width\":10,\"fieldtype\":"
      "\"string\"},\n"))
      << json;
  EXPECT_NE(json.find("\n[\"0012 \\\"x\\\"\\n\",0.30000000000000004,-7,true,"
                      "\"2024-03-15T14:30:05.123\",\"AP8=\"]"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\n[\"\",-0.0,null,null,null,null]"), std::string::npos) << json;
  EXPECT_NE(json.find("\"params\":{\"LCID\":1046}"), std::string::npos);
  EXPECT_EQ(detectPacketFormat(json), PacketFormat::Json);
}

TEST(JsonPacketTest, RoundTripKeepsTypesAndEveryValue) {
  DataPacket p = items();
  DataPacket back = decodeJsonPacket(encodeJsonPacket(p));
  ASSERT_EQ(back.fields.size(), p.fields.size());
  for (std::size_t i = 0; i < p.fields.size(); ++i) {
    EXPECT_EQ(back.fields[i].type, p.fields[i].type);
    EXPECT_EQ(back.fields[i].width(), p.fields[i].width());
  }
  EXPECT_EQ(back.rows, p.rows);
  EXPECT_TRUE(std::signbit(back.rows[1].values[1].real()));
  EXPECT_EQ(back.params, std::vector<PacketParam>({{"LCID", Variant(1046), 0}}));
}

TEST(JsonPacketTest, PlainTypesWithoutFieldtypeAreUnderstood) {
  DataPacket p = decodeJsonPacket(
      R"({"fields":[{"name":"A","type":"integer","width":0},{"name":"B","type":"string","width":4},
                    {"name":"C","type":"datetime"}],
          "rows":[[5000000000,"ab","2024-01-02"]]})");
  EXPECT_EQ(p.fields[0].type, FieldType::Int64);  // widened: the value needs 64 bits
  EXPECT_EQ(p.fields[1].width(), 4);
  EXPECT_EQ(p.rows[0].values[2].dateTime(), DateTime::fromDate(2024, 1, 2));
}

TEST(JsonPacketTest, BadDocumentsNameTheProblem) {
  auto message = [](std::string_view json) {
    try {
      (void)decodeJsonPacket(json, "in.json");
    } catch (const PacketError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_NE(message("{\"fields\":[").find("in.json: ill-formed JSON"), std::string::npos);
  EXPECT_EQ(message("[]"), "in.json: a JSON packet is an object with \"fields\" and \"rows\"");
  EXPECT_EQ(message(R"({"fields":[],"rows":[[1]]})"),
            "in.json: row 1: a row is an array of 0 values");
  EXPECT_EQ(message(R"({"fields":[{"name":"A","type":"money"}],"rows":[]})"),
            "in.json: field 'A': unknown type 'money'");
  EXPECT_EQ(message(R"({"fields":[{"name":"A","type":"integer"}],"rows":[["1"]]})"),
            "in.json: row 1, field 'A': expected an integer, found \"1\"");
  EXPECT_EQ(message(R"({"fields":[{"name":"A","type":"datetime"}],"rows":[["15/03/2024"]]})"),
            "in.json: row 1, field 'A': '15/03/2024' is not an ISO-8601 date-time");
  EXPECT_EQ(message(R"({"fields":[{"name":"A","type":"bytes"}],"rows":[["@@"]]})"),
            "in.json: row 1, field 'A': the value is not valid base64");

  DataPacket nan;
  nan.fields.emplace_back("R", FieldType::Float);
  nan.rows.push_back({0, {Variant(std::nan(""))}});
  EXPECT_THROW((void)encodeJsonPacket(nan), PacketError);
}

}  // namespace
}  // namespace conta
