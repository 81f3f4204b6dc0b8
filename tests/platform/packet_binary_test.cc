#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"

namespace conta {
namespace {

// The complete 64-byte file with one FLOAT column "NewKey" and one row 1861.0.
const std::string kNextOrd(
    "\x96\x19\xE0\xBD\x01\x00\x00\x00\x18\x00\x00\x00\x01\x00\x01\x00\x00\x00\x03\x00\x00\x00"
    "\x36\x00"
    "\x06NewKey\x08\x00\x04\x00\x00\x00\x00\x00"
    "\x01\x00\x04LCID\x04\x00\x01\x00\x09\x04\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x14\x9D\x40",
    64);

// A packet with every type the binary format stores, NULLs, and awkward values.
DataPacket everyType() {
  DataPacket p;
  p.fields.emplace_back("CDPRODUTO", FieldType::String, 10);
  p.fields.emplace_back("NMPRODUTO", FieldType::String, 300);  // 2-byte length prefix
  p.fields.emplace_back("QTPRODCOMVEN", FieldType::Float);
  p.fields.emplace_back("I2", FieldType::Int16);
  p.fields.emplace_back("I4", FieldType::Int32);
  p.fields.emplace_back("I8", FieldType::Int64);
  p.fields.emplace_back("U1", FieldType::UInt8);
  p.fields.emplace_back("ATIVO", FieldType::Boolean);
  p.fields.emplace_back("DIA", FieldType::Date);
  p.fields.emplace_back("HORA", FieldType::Time);
  p.fields.emplace_back("DTHRINCOMVEN", FieldType::DateTime);
  Field memo("TXPRODCOMVEN", FieldType::Bytes);
  memo.setSubtype("Text");
  p.fields.push_back(memo);
  Field blob("FOTO", FieldType::Bytes);
  blob.setSubtype("Binary");
  p.fields.push_back(blob);
  p.params.push_back({"LCID", Variant(1046), 0});

  DateTime when = DateTime::fromParts({2024, 3, 15, 14, 30, 5, 123});
  p.rows.push_back(
      {0,
       {Variant("COUV"), Variant("Couvert artístico €"), Variant(1.0 / 3.0), Variant(-32768),
        Variant(std::int64_t{2147483647}), Variant(std::int64_t{9007199254740993}), Variant(255),
        Variant(true), Variant(DateTime::fromDate(2024, 3, 15)),
        Variant(DateTime::fromParts({1899, 12, 30, 23, 59, 59, 999})), Variant(when),
        Variant("linha 1\r\nlinha 2"), Variant::fromBytes(std::string("\0\x01\xFF", 3))}});
  p.rows.push_back(
      {0,
       {Variant(""), Variant(std::string(400, 'x')), Variant(-0.0), Variant::null(),
        Variant::null(), Variant::null(), Variant::null(), Variant(false), Variant::null(),
        Variant::null(), Variant::null(), Variant(""), Variant::fromBytes("")}});
  return p;
}

// Values and types survive; sizes the reader records are not compared.
void expectSameContent(const DataPacket& a, const DataPacket& b) {
  ASSERT_EQ(a.fields.size(), b.fields.size());
  for (std::size_t i = 0; i < a.fields.size(); ++i) {
    EXPECT_EQ(a.fields[i].name, b.fields[i].name);
    EXPECT_EQ(a.fields[i].type, b.fields[i].type) << a.fields[i].name;
    EXPECT_EQ(a.fields[i].width(), b.fields[i].width()) << a.fields[i].name;
    EXPECT_EQ(a.fields[i].subtype(), b.fields[i].subtype()) << a.fields[i].name;
  }
  ASSERT_EQ(a.rows.size(), b.rows.size());
  for (std::size_t r = 0; r < a.rows.size(); ++r) {
    EXPECT_EQ(a.rows[r].state, b.rows[r].state);
    for (std::size_t c = 0; c < a.fields.size(); ++c) {
      const Variant& x = a.rows[r].values[c];
      const Variant& y = b.rows[r].values[c];
      if (x.kind() == Variant::Kind::Double && y.kind() == Variant::Kind::Double) {
        EXPECT_EQ(std::signbit(x.real()), std::signbit(y.real()));
      }
      EXPECT_EQ(x, y) << "row " << r + 1 << " field " << a.fields[c].name << ": " << x.describe()
                      << " vs " << y.describe();
    }
  }
}

TEST(BinaryPacketTest, ReadsTheSmallestRealFileAndWritesItBackByteForByte) {
  DataPacket p = decodeBinaryPacket(kNextOrd, "nextord.cds");
  ASSERT_EQ(p.fields.size(), 1u);
  EXPECT_EQ(p.fields[0].name, "NewKey");
  EXPECT_EQ(p.fields[0].type, FieldType::Float);
  ASSERT_EQ(p.rows.size(), 1u);
  EXPECT_EQ(p.rows[0].values[0].real(), 1861.0);
  ASSERT_NE(p.findParam("LCID"), nullptr);
  EXPECT_EQ(p.findParam("LCID")->value.integer(), 1033);
  EXPECT_EQ(encodeBinaryPacket(p), kNextOrd);
  EXPECT_EQ(detectPacketFormat(kNextOrd), PacketFormat::Binary);
}

TEST(BinaryPacketTest, EveryStoredTypeRoundTripsExactly) {
  DataPacket p = everyType();
  std::string bytes = encodeBinaryPacket(p);
  DataPacket back = decodeBinaryPacket(bytes);
  expectSameContent(p, back);
  // Reading what was written and writing it again gives the same bytes.
  EXPECT_EQ(encodeBinaryPacket(back), bytes);
}

TEST(BinaryPacketTest, ValuesLongerThanTheDeclaredWidthAreNotCut) {
  DataPacket p;
  p.fields.emplace_back("TXT", FieldType::String, 10);  // 1-byte prefix by width
  p.rows.push_back({0, {Variant(std::string(1000, 'a'))}});
  DataPacket back = decodeBinaryPacket(encodeBinaryPacket(p));
  EXPECT_EQ(back.rows[0].values[0].text().size(), 1000u);
}

TEST(BinaryPacketTest, TextOutsideTheCodePageBecomesAQuestionMark) {
  DataPacket p;
  p.fields.emplace_back("TXT", FieldType::String, 10);
  p.rows.push_back({0, {Variant("ok \xE2\x9C\x93")}});  // a check mark
  EXPECT_EQ(decodeBinaryPacket(encodeBinaryPacket(p)).rows[0].values[0].text(), "ok ?");
}

TEST(BinaryPacketTest, ChangeLogRowsAreKeptAsReadAndResolvedForReaders) {
  DataPacket p;
  p.fields.emplace_back("ID", FieldType::Int32);
  p.fields.emplace_back("NAME", FieldType::String, 20);
  p.rows.push_back({row_state::kOriginal, {Variant(1), Variant("old")}});
  p.rows.push_back({0, {Variant(2), Variant("two")}});
  p.rows.push_back({row_state::kDeleted, {Variant(3), Variant("gone")}});
  p.rows.push_back({row_state::kModified, {Variant(), Variant("new")}});  // ID unchanged
  p.params.push_back(
      {"CHANGE_LOG",
       Variant::array({Variant(4), Variant(1), Variant(8), Variant(3), Variant(0), Variant(2)}),
       0});
  std::string bytes = encodeBinaryPacket(p);
  DataPacket back = decodeBinaryPacket(bytes);
  ASSERT_EQ(back.rows.size(), 4u);
  EXPECT_TRUE(back.rows[3].values[0].isEmpty());  // "unchanged", not NULL
  EXPECT_EQ(encodeBinaryPacket(back), bytes);

  DataPacket current = back.currentRows();
  ASSERT_EQ(current.rows.size(), 2u);
  EXPECT_EQ(current.rows[0].values[0].integer(), 1);  // the new version in the original's place
  EXPECT_EQ(current.rows[0].values[1].text(), "new");
  EXPECT_EQ(current.rows[1].values[1].text(), "two");
  EXPECT_EQ(current.findParam("CHANGE_LOG"), nullptr);
  EXPECT_FALSE(current.hasChangeLog());
}

TEST(BinaryPacketTest, TypesWithoutAKnownLayoutAreRefusedWhenWriting) {
  DataPacket p;
  p.fields.emplace_back("U", FieldType::WideString, 10);
  try {
    (void)encodeBinaryPacket(p);
    FAIL();
  } catch (const PacketError& e) {
    EXPECT_NE(std::string(e.what()).find("field 'U': type string.uni cannot be written"),
              std::string::npos)
        << e.what();
  }
  DataPacket q;
  q.fields.emplace_back("N", FieldType::Int16);
  q.rows.push_back({0, {Variant(70000)}});
  EXPECT_THROW((void)encodeBinaryPacket(q), PacketError);
}

// Each case damages the good file in one place and checks the message.
class BinaryPacketCorruptionTest : public ::testing::Test {
 protected:
  static std::string message(const std::string& bytes) {
    try {
      (void)decodeBinaryPacket(bytes, "bad.cds");
    } catch (const PacketError& e) {
      EXPECT_EQ(e.source(), "bad.cds");
      return e.what();
    }
    ADD_FAILURE() << "no error";
    return {};
  }
  static void expectMessage(const std::string& bytes, const std::string& part) {
    std::string m = message(bytes);
    EXPECT_NE(m.find(part), std::string::npos) << m;
  }
};

TEST_F(BinaryPacketCorruptionTest, WrongMagicAndShortFiles) {
  std::string bad = kNextOrd;
  bad[0] = 'X';
  expectMessage(bad, "bad.cds: wrong magic 58 19 E0 BD");
  expectMessage(kNextOrd.substr(0, 2), "too short to be a packet");
  expectMessage(kNextOrd.substr(0, 20), "truncated: header");
  expectMessage(kNextOrd.substr(0, 30), "truncated: column 1 name");
  expectMessage(kNextOrd.substr(0, 33), "truncated: column 'NewKey' type");
  expectMessage(kNextOrd.substr(0, 60), "truncated: row 1, field 'NewKey' at byte 56");
  expectMessage(kNextOrd + "x", "1 unexpected bytes after the last row");
}

TEST_F(BinaryPacketCorruptionTest, CountsAndOffsetsPointingPastTheEnd) {
  std::string rows = kNextOrd;
  rows[14] = '\xFF';  // row count 255
  expectMessage(rows, "row count 255 does not fit");
  std::string offset = kNextOrd;
  offset[22] = '\xF0';  // data offset 240
  expectMessage(offset, "data offset 240 points past the end");
  std::string inside = kNextOrd;
  inside[22] = '\x10';
  expectMessage(inside, "points inside the metadata");
  std::string name = kNextOrd;
  name[24] = '\x7F';  // column name of 127 bytes
  expectMessage(name, "truncated: column 1 name");

  // A string whose length prefix says more than the file holds.
  DataPacket p;
  p.fields.emplace_back("S", FieldType::String, 10);
  p.rows.push_back({0, {Variant("abc")}});
  std::string bytes = encodeBinaryPacket(p);
  bytes[bytes.size() - 4] = '\x50';
  expectMessage(bytes, "truncated: row 1, field 'S'");
}

TEST_F(BinaryPacketCorruptionTest, UnknownAndUnsupportedTypes) {
  std::string unknown = kNextOrd;
  unknown[33] = '\x13';  // type code 19
  expectMessage(unknown, "column 'NewKey': unknown type code 19");
  std::string bcd = kNextOrd;
  bcd[33] = '\x05';
  expectMessage(bcd, "column 'NewKey': type BCD (code 5) is not supported");
  std::string size = kNextOrd;
  size[31] = '\x04';  // FLOAT of 4 bytes
  expectMessage(size, "a FLOAT column of size 4 is not a valid layout");
  std::string flag = kNextOrd;
  flag[55] = '\x03';
  expectMessage(flag, "undefined field flag 3");
}

}  // namespace
}  // namespace conta
