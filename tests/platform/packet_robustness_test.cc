// Damaged packets never crash a reader: every truncation and every single
// damaged byte of a packet gives either a packet or a PacketError. Run under
// the sanitizers, this also proves no read goes outside the given bytes.
#include <gtest/gtest.h>

#include <functional>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"

namespace conta {
namespace {

DataPacket sample() {
  DataPacket p;
  p.fields.emplace_back("CDPRODUTO", FieldType::String, 10);
  p.fields.emplace_back("QTPRODCOMVEN", FieldType::Float);
  p.fields.emplace_back("NRSEQ", FieldType::Int32);
  p.fields.emplace_back("ATIVO", FieldType::Boolean);
  p.fields.emplace_back("DTHRINCOMVEN", FieldType::DateTime);
  p.fields.emplace_back("DIA", FieldType::Date);
  Field memo("TXPRODCOMVEN", FieldType::Bytes);
  memo.setSubtype("Text");
  p.fields.push_back(memo);
  p.params.push_back({"LCID", Variant(1046), 0});
  for (int r = 0; r < 3; ++r) {
    p.rows.push_back(
        {0,
         {Variant("Água " + std::to_string(r)), Variant(r * 1.5), Variant(r), Variant(r % 2 == 0),
          Variant(DateTime::fromParts({2024, 3, 15, 20, r, 0, 7})),
          r == 1 ? Variant::null() : Variant(DateTime::fromDate(2024, 1, 1 + r)),
          Variant("nota & <x>")}});
  }
  return p;
}

// Decodes and, on success, encodes again in every format (a damaged but
// readable packet must still be writable or refused with an error).
void survive(const std::string& bytes, const std::function<DataPacket(std::string_view)>& decode) {
  try {
    DataPacket p = decode(bytes);
    for (PacketFormat f : {PacketFormat::Binary, PacketFormat::Xml, PacketFormat::Json}) {
      try {
        (void)encodePacket(p, f);
      } catch (const PacketError&) {
      }
    }
  } catch (const PacketError& e) {
    EXPECT_FALSE(std::string(e.what()).empty());
  }
}

void everyDamage(const std::string& good,
                 const std::function<DataPacket(std::string_view)>& decode) {
  for (std::size_t n = 0; n < good.size(); ++n)
    survive(good.substr(0, n), decode);
  for (std::size_t i = 0; i < good.size(); ++i) {
    for (unsigned char b : {0x00, 0x7F, 0xFF, 0x22, 0x3C}) {
      std::string bad = good;
      bad[i] = static_cast<char>(b);
      survive(bad, decode);
    }
  }
}

TEST(PacketRobustnessTest, DamagedBinaryPackets) {
  std::string good = encodeBinaryPacket(sample());
  everyDamage(good, [](std::string_view b) { return decodeBinaryPacket(b); });
  // Every strict prefix is refused, never read as a shorter packet.
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_THROW((void)decodeBinaryPacket(good.substr(0, n)), PacketError) << n;
  }
}

TEST(PacketRobustnessTest, DamagedXmlPackets) {
  std::string good = encodeXmlPacket(sample());
  everyDamage(good, [](std::string_view b) { return decodeXmlPacket(b); });
  EXPECT_THROW((void)decodeXmlPacket(good.substr(0, good.size() / 2)), PacketError);
}

TEST(PacketRobustnessTest, DamagedJsonPackets) {
  std::string good = encodeJsonPacket(sample());
  everyDamage(good, [](std::string_view b) { return decodeJsonPacket(b); });
  EXPECT_THROW((void)decodeJsonPacket(good.substr(0, good.size() / 2)), PacketError);
}

}  // namespace
}  // namespace conta
