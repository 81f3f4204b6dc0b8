#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "platform/text_encoding.h"

namespace conta {
namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return DateTime::fromParts({y, mo, d, h, mi, s, ms});
}

std::string packetXml(std::string_view fields, std::string_view rows,
                      std::string_view params = "") {
  return "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET "
         "Version=\"2.0\"><METADATA><FIELDS>" +
         std::string(fields) + "</FIELDS><PARAMS" + std::string(params) + "/></METADATA><ROWDATA>" +
         std::string(rows) + "</ROWDATA></DATAPACKET>";
}

// The message of the PacketError that decoding `xml` throws.
std::string readError(const std::string& xml) {
  try {
    decodeXmlPacket(xml, "t.xml");
  } catch (const PacketError& e) {
    EXPECT_EQ(e.source(), "t.xml");
    return e.problem();
  }
  ADD_FAILURE() << "no error for " << xml;
  return {};
}

std::string writeError(const DataPacket& packet) {
  try {
    encodeXmlPacket(packet);
  } catch (const PacketError& e) {
    return e.problem();
  }
  ADD_FAILURE() << "no error writing";
  return {};
}

DataPacket oneField(FieldType type, std::vector<Variant> values, std::string name = "F") {
  DataPacket p;
  p.fields.emplace_back(std::move(name), type);
  for (auto& v : values)
    p.rows.push_back({0, {std::move(v)}});
  return p;
}

TEST(PacketXmlTest, EveryTypeRoundTrips) {
  DataPacket p;
  auto add = [&](const char* name, FieldType type, Variant value) {
    p.fields.emplace_back(name, type);
    if (p.rows.empty()) p.rows.resize(2);
    p.rows[0].values.push_back(std::move(value));
    p.rows[1].values.push_back(Variant::null());
  };
  std::string all_bytes;
  for (int b = 0; b < 256; ++b) {
    all_bytes += static_cast<char>(b);
  }
  add("S", FieldType::String, Variant("Ação <&>\"' x"));
  p.fields.back().setWidth(20);
  p.fields.back().attributes = field_attribute::kRequired | field_attribute::kHidden;
  add("W", FieldType::WideString, Variant("€ ツ 𝄞 é"));
  add("I1", FieldType::Int8, Variant(-128));
  add("I2", FieldType::Int16, Variant(32767));
  add("I4", FieldType::Int32, Variant(std::numeric_limits<std::int32_t>::min()));
  add("I8", FieldType::Int64, Variant(std::numeric_limits<std::int64_t>::max()));
  add("U1", FieldType::UInt8, Variant(255));
  add("U2", FieldType::UInt16, Variant(65535));
  add("U4", FieldType::UInt32, Variant(4294967295LL));
  add("U8", FieldType::UInt64, Variant(9007199254740993LL));
  add("B", FieldType::Boolean, Variant(true));
  add("R8", FieldType::Float, Variant(1.0 / 3));
  p.fields.back().setSubtype("Money");
  p.fields.back().attributes = field_attribute::kReadOnly;
  add("R4", FieldType::Single, Variant(0.1 + 0.2));
  add("FX", FieldType::Fixed, Variant(123.45));
  p.fields.back().setWidth(15);
  p.fields.back().setDecimals(2);
  add("FF", FieldType::FixedFmt, Variant(-0.00001));
  add("D", FieldType::Date, Variant(at(2024, 2, 29)));
  add("T", FieldType::Time, Variant(DateTime::fromMilliseconds(86'399'999)));
  add("DT", FieldType::DateTime, Variant(at(2024, 3, 15, 14, 30, 5, 123)));
  add("SQ", FieldType::SqlDateTime, Variant(at(1, 1, 1)));
  add("BIN", FieldType::Bytes, Variant::fromBytes(all_bytes));
  add("Observação", FieldType::Bytes, Variant("Olá € “x”"));
  p.fields.back().setSubtype("Text");
  add("WMEMO", FieldType::Bytes, Variant("ツ 𝄞"));
  p.fields.back().setSubtype("WideText");
  p.params = {{"LCID", Variant(1033), 0},
              {"DEFAULT_ORDER", Variant::array({Variant(1), Variant(3)}), 0},
              {"NOTE", Variant("hello"), 0}};

  DataPacket back = decodeXmlPacket(encodeXmlPacket(p));
  EXPECT_EQ(back, p);
  EXPECT_EQ(decodeXmlPacket(encodeXmlPacket(back)), p);
}

TEST(PacketXmlTest, ValuesAreSpelledAsThePlatformWritesThem) {
  DataPacket p;
  p.fields = {Field("S", FieldType::String), Field("D", FieldType::DateTime),
              Field("T", FieldType::Time), Field("W", FieldType::WideString),
              Field("B", FieldType::Boolean)};
  p.rows.push_back({0,
                    {Variant(""), Variant(at(2024, 3, 15)), Variant(at(1899, 12, 30, 14, 30, 5)),
                     Variant("é"), Variant(false)}});
  p.rows.push_back({0,
                    {Variant::null(), Variant(at(2024, 3, 15, 0, 0, 0, 7)), Variant::null(),
                     Variant::null(), Variant::null()}});
  std::string xml = encodeXmlPacket(p);
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>", 0), 0u);
  EXPECT_NE(xml.find("<ROW S=\"\" D=\"20240315\" T=\"14:30:05000\" W=\"&#233;\" B=\"FALSE\"/>"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<ROW D=\"20240315T00:00:00007\"/>"), std::string::npos) << xml;

  DataPacket back = decodeXmlPacket(xml);
  EXPECT_EQ(back.rows[0].values[0], Variant(""));  // empty text is not NULL
  EXPECT_TRUE(back.rows[1].values[0].isNull());
  EXPECT_EQ(back, p);
}

TEST(PacketXmlTest, DoublesRoundTripBitExact) {
  const double values[] = {-0.0,
                           1.0 / 3,
                           1e-300,
                           0.1 + 0.2,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::denorm_min(),
                           -1861.0};
  for (FieldType type : {FieldType::Float, FieldType::Single, FieldType::Fixed}) {
    DataPacket p = oneField(type, {});
    for (double v : values)
      p.rows.push_back({0, {Variant(v)}});
    DataPacket back = decodeXmlPacket(encodeXmlPacket(p));
    ASSERT_EQ(back.rows.size(), std::size(values));
    for (std::size_t i = 0; i < std::size(values); ++i) {
      double got = back.rows[i].values[0].real();
      EXPECT_EQ(std::memcmp(&got, &values[i], sizeof got), 0)
          << xmlFieldTypeName(type) << " " << values[i] << " read back as " << got;
    }
  }
}

TEST(PacketXmlTest, SpecialCharactersSurviveARoundTrip) {
  const std::string text = "<a> & \"b\" 'c' \\ line1\r\nline2\tend  ";
  DataPacket p = oneField(FieldType::String, {Variant(text)}, "NAME");
  p.fields.emplace_back("U", FieldType::WideString);
  p.rows[0].values.emplace_back(text + "é");
  std::string xml = encodeXmlPacket(p);
  EXPECT_NE(xml.find("&lt;a&gt; &amp; &quot;b&quot; &apos;c&apos; &#092; "
                     "line1&#013;&#010;line2&#009;end"),
            std::string::npos)
      << xml;
  EXPECT_EQ(decodeXmlPacket(xml), p);
}

TEST(PacketXmlTest, ReadsTheSpellingsOtherWritersUse) {
  DataPacket p = decodeXmlPacket(
      packetXml(R"(<FIELD attrname="B" fieldtype="boolean"/><FIELD attrname="T" fieldtype="time"/>)"
                R"(<FIELD attrname="R" fieldtype="r8"/><FIELD attrname="I" fieldtype="i4"/>)",
                R"(<ROW B="true" T="14:30:05" R="100." I=""/><ROW B="t" T="14:30:05123" R="-0"/>)"
                R"(<ROW B="False" T="14:30:5" R="1.5E-5"/>)"));
  auto second = [](int s, int ms) {
    return Variant(DateTime::fromMilliseconds(52'200'000 + s * 1000 + ms));
  };
  EXPECT_EQ(p.rows[0].values,
            (std::vector<Variant>{Variant(true), second(5, 0), Variant(100.0), Variant::null()}));
  EXPECT_EQ(p.rows[1].values[0], Variant(true));
  EXPECT_EQ(p.rows[1].values[1], second(5, 123));
  EXPECT_TRUE(std::signbit(p.rows[1].values[2].real()));
  EXPECT_EQ(p.rows[2].values[0], Variant(false));
  EXPECT_EQ(p.rows[2].values[1], second(50, 0));  // digits are right-padded
  EXPECT_EQ(p.rows[2].values[2], Variant(1.5E-5));
}

TEST(PacketXmlTest, ReadsAChangeLogAndResolvesTheCurrentRows) {
  DataPacket p = decodeXmlPacket(packetXml(
      R"(<FIELD attrname="ID" fieldtype="i4"/><FIELD attrname="NAME" fieldtype="string"/>)"
      R"(<FIELD attrname="QTY" fieldtype="i4"/>)",
      R"(<ROW RowState="1" ID="1" NAME="old" QTY="5"/><ROW RowState="8" NAME="new"/>)"
      R"(<ROW ID="2" NAME="kept"/><ROW RowState="4" ID="3" NAME="added" QTY="1"/>)"
      R"(<ROW RowState="2" ID="4" NAME="gone"/>)",
      R"( CHANGE_LOG="2 1 8 4 0 4 5 0 2")"));
  ASSERT_EQ(p.rows.size(), 5u);
  EXPECT_EQ(p.rows[1].state, row_state::kModified);
  EXPECT_TRUE(p.rows[1].values[0].isEmpty());  // unchanged, not NULL
  EXPECT_TRUE(p.rows[2].values[2].isNull());
  EXPECT_EQ(p.rows[3].state, row_state::kInserted);
  const PacketParam* log = p.findParam("CHANGE_LOG");
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(log->value.size(), 9u);
  EXPECT_EQ(log->value[2], Variant(8));

  DataPacket current = p.currentRows();
  ASSERT_EQ(current.rows.size(), 3u);
  EXPECT_EQ(current.rows[0].values, (std::vector<Variant>{Variant(1), Variant("new"), Variant(5)}));
  EXPECT_EQ(current.rows[2].values[1], Variant("added"));

  // What is written for hosts is the current rows, without the log.
  std::string xml = encodeXmlPacket(p);
  EXPECT_EQ(xml.find("RowState"), std::string::npos);
  EXPECT_EQ(xml.find("CHANGE_LOG"), std::string::npos);
  EXPECT_EQ(decodeXmlPacket(xml), current);
}

TEST(PacketXmlTest, ReadsTheEncodingItIsGiven) {
  const std::string body =
      R"(<DATAPACKET Version="2.0"><METADATA><FIELDS><FIELD attrname="N" fieldtype="string"/>)"
      R"(</FIELDS><PARAMS/></METADATA><ROWDATA><ROW N="caf)";
  auto name = [](const std::string& xml) { return decodeXmlPacket(xml).rows.at(0).values.at(0); };
  // No declared encoding: the store's code page.
  EXPECT_EQ(name(body + "\xE9 \x80\"/></ROWDATA></DATAPACKET>"), Variant("café €"));
  EXPECT_EQ(name(" \r\n<?xml version=\"1.0\"?>" + body + "\xE9\"/></ROWDATA></DATAPACKET>"),
            Variant("café"));
  const std::string utf8 = body + "é €\"/></ROWDATA></DATAPACKET>";
  EXPECT_EQ(name("\xEF\xBB\xBF" + utf8), Variant("café €"));
  EXPECT_EQ(name("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + utf8), Variant("café €"));
  EXPECT_EQ(name("<?xml version='1.0' encoding='windows-1252'?>" + body +
                 "\xE9 \x80\"/></ROWDATA></DATAPACKET>"),
            Variant("café €"));
  EXPECT_EQ(name("\xFF\xFE" + text_encoding::utf8ToUtf16le(utf8)), Variant("café €"));
  EXPECT_EQ(name(body + "&#233;&#x20AC;\"/></ROWDATA></DATAPACKET>"), Variant("café€"));
  EXPECT_NE(readError("<?xml version=\"1.0\" encoding=\"EBCDIC-US\"?>" + utf8).find("EBCDIC-US"),
            std::string::npos);
}

TEST(PacketXmlTest, RejectsBadDocumentsWithAClearMessage) {
  const std::string id = R"(<FIELD attrname="ID" fieldtype="i2"/>)";
  const std::string doc = packetXml(id, R"(<ROW ID="1"/>)");
  const std::pair<std::string, std::string> cases[] = {
      {doc.substr(0, doc.size() - 20), "ill-formed XML at line 1"},
      {"", "empty"},
      {"<?xml version=\"1.0\"?><PACKET/>", "root element is <PACKET>"},
      {packetXml(R"(<FIELD attrname="X" fieldtype="money"/>)", ""), "field 'X'"},
      {packetXml(R"(<FIELD attrname="X" fieldtype="nested"/>)", ""), "'nested'"},
      {packetXml(R"(<FIELD fieldtype="i4"/>)", ""), "field 1 has no attrname"},
      {packetXml(id, R"(<ROW ID="1" Id="2"/>)"), "row 1 has the attribute 'Id'"},
      {packetXml(id, R"(<ROW ID="1"/><ROW ID="1.5"/>)"),
       "row 2, field ID: '1.5' is not an integer"},
      {packetXml(id, R"(<ROW ID="40000"/>)"), "40000 is outside the range of i2"},
      {packetXml(R"(<FIELD attrname="D" fieldtype="date"/>)", R"(<ROW D="20240230"/>)"),
       "row 1, field D: '20240230' is not a date"},
      {packetXml(R"(<FIELD attrname="T" fieldtype="time"/>)", R"(<ROW T="25:00:00"/>)"),
       "'25:00:00' is not a time"},
      {packetXml(R"(<FIELD attrname="R" fieldtype="r8"/>)", R"(<ROW R="1.2.3"/>)"),
       "row 1, field R: '1.2.3' is not a number"},
      {"<!DOCTYPE DATAPACKET [<!ENTITY a \"aaaa\">]>" + doc, "document type"},
  };
  for (const auto& [xml, fragment] : cases) {
    std::string message = readError(xml);
    EXPECT_NE(message.find(fragment), std::string::npos) << message;
  }
}

TEST(PacketXmlTest, RefusesToWriteWhatXmlCannotCarry) {
  EXPECT_NE(writeError(oneField(FieldType::String, {Variant("ok"), Variant("a\x01z")}, "NAME"))
                .find("row 2, field NAME: the text holds the character U+0001"),
            std::string::npos);
  EXPECT_NE(writeError(oneField(FieldType::String, {Variant("\xC3")})).find("not valid UTF-8"),
            std::string::npos);
  EXPECT_NE(writeError(oneField(FieldType::Float, {Variant(std::nan(""))})).find("finite"),
            std::string::npos);
  EXPECT_NE(writeError(oneField(FieldType::Int32, {Variant("abc")})).find("row 1, field F"),
            std::string::npos);
  EXPECT_NE(writeError(oneField(FieldType::Int8, {Variant(300)})).find("outside the range"),
            std::string::npos);
  EXPECT_NE(writeError(oneField(FieldType::String, {}, "MY FIELD")).find("no XML name"),
            std::string::npos);
  DataPacket memo = oneField(FieldType::Bytes, {Variant("ツ")});
  memo.fields[0].setSubtype("Text");
  EXPECT_NE(writeError(memo).find("cp1252"), std::string::npos);

  // A value of another kind is converted as the variant converts it.
  DataPacket converted =
      decodeXmlPacket(encodeXmlPacket(oneField(FieldType::Int32, {Variant("42")})));
  EXPECT_EQ(converted.rows[0].values[0], Variant(42));
}

}  // namespace
}  // namespace conta
