// Inputs the fuzz targets (fuzz/) found wrong, each with the clean outcome it
// has now. A packet a reader accepts must write in every format and read
// back, yet the binary and XML readers accepted dates and widths that the
// other formats cannot carry; and the JSON reader let its library's own
// exception out in place of a PacketError.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "platform/client_dataset.h"

namespace conta {
namespace {

std::string littleEndian(std::uint64_t value, std::size_t bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

// A binary packet of one column "C" (type word, then its parameters as
// stored) and one row holding `value`.
std::string oneValuePacket(std::uint32_t type_word, const std::string& value,
                           const std::string& params = {}, std::uint16_t param_count = 0) {
  std::string metadata = std::string("\x01") + 'C' + littleEndian(type_word, 4) +
                         littleEndian(0, 2) + littleEndian(param_count, 2) + params +
                         littleEndian(0, 2);
  std::string header = "\x96\x19\xE0\xBD" + littleEndian(1, 2) + littleEndian(0, 2) +
                       littleEndian(24, 4) + littleEndian(1, 2) + littleEndian(1, 4) +
                       littleEndian(3, 4) + littleEndian(24 + metadata.size(), 2);
  return header + metadata + std::string("\0\0", 2) + value;
}

constexpr std::uint32_t kDateColumn = 0x00060004;
constexpr std::uint32_t kTimeColumn = 0x00070004;
constexpr std::uint32_t kTimestampColumn = 0x00080008;
constexpr std::uint32_t kStringColumn = 0x00490001;
constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr std::int64_t kLastDay = 3'652'059;  // 9999-12-31, counting 0001-01-01 as 1

std::string dateValue(std::int64_t day) {
  return littleEndian(static_cast<std::uint64_t>(day), 4);
}
std::string stampValue(double stamp) {
  return littleEndian(std::bit_cast<std::uint64_t>(stamp), 8);
}

std::string problemOf(const std::string& bytes) {
  try {
    (void)decodePacket(bytes);
  } catch (const PacketError& e) {
    return e.problem();
  }
  return "read";
}

// Read, then every format written and read back, as the fuzz targets check.
void expectHandsOn(const std::string& bytes) {
  DataPacket packet = decodePacket(bytes);
  for (PacketFormat format : {PacketFormat::Binary, PacketFormat::Xml, PacketFormat::Json}) {
    std::string written = encodePacket(packet, format);
    EXPECT_EQ(encodePacket(decodePacket(written), format), written) << packetFormatName(format);
  }
}

TEST(FuzzRegressionsTest, BinaryDatesOutsideYearsOneTo9999AreRefused) {
  // Day 0 (0000-12-31) was read and written to JSON as a year 0 its reader refuses.
  EXPECT_EQ(problemOf(oneValuePacket(kDateColumn, dateValue(0))),
            "row 1, field 'C': day 0 is not a valid date");
  EXPECT_EQ(problemOf(oneValuePacket(kDateColumn, dateValue(-693593))),
            "row 1, field 'C': day -693593 is not a valid date");
  EXPECT_EQ(problemOf(oneValuePacket(kDateColumn, dateValue(kLastDay + 1))),
            "row 1, field 'C': day 3652060 is not a valid date");
  expectHandsOn(oneValuePacket(kDateColumn, dateValue(1)));
  expectHandsOn(oneValuePacket(kDateColumn, dateValue(kLastDay)));
  EXPECT_EQ(decodePacket(oneValuePacket(kDateColumn, dateValue(1))).rows[0].values[0],
            Variant(DateTime::fromDate(1, 1, 1)));
}

TEST(FuzzRegressionsTest, BinaryTimesOutsideADayAreRefused) {
  EXPECT_EQ(problemOf(oneValuePacket(kTimeColumn, dateValue(-1))),
            "row 1, field 'C': -1 ms is not a time of day");
  EXPECT_EQ(problemOf(oneValuePacket(kTimeColumn, dateValue(kMsPerDay))),
            "row 1, field 'C': 86400000 ms is not a time of day");
  expectHandsOn(oneValuePacket(kTimeColumn, dateValue(kMsPerDay - 1)));
}

TEST(FuzzRegressionsTest, BinaryTimestampsOutsideYearsOneTo9999AreRefused) {
  const double end = static_cast<double>((kLastDay + 1) * kMsPerDay);  // 10000-01-01
  for (double stamp : {0.0, -1.0 * kMsPerDay, kMsPerDay - 1.0, end, end - 0.25}) {
    EXPECT_EQ(problemOf(oneValuePacket(kTimestampColumn, stampValue(stamp))),
              "row 1, field 'C': the timestamp is not a valid date-time")
        << stamp;
  }
  expectHandsOn(oneValuePacket(kTimestampColumn, stampValue(1.0 * kMsPerDay)));
  DataPacket last = decodePacket(oneValuePacket(kTimestampColumn, stampValue(end - 1.0)));
  EXPECT_EQ(last.rows[0].values[0], Variant(DateTime::fromParts({9999, 12, 31, 23, 59, 59, 999})));
}

TEST(FuzzRegressionsTest, WidthsBeyondSixteenBitsAreRefusedByEveryReader) {
  // An XML WIDTH up to 2^31 - 1 was read, then written to JSON, whose reader
  // takes widths of 0 to 65535 only.
  const std::string xml =
      "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
      "<FIELD attrname=\"CDPRODUTO\" fieldtype=\"string\" WIDTH=\"WIDE\"/></FIELDS><PARAMS/>"
      "</METADATA><ROWDATA><ROW CDPRODUTO=\"AGUA\"/></ROWDATA></DATAPACKET>";
  auto withWidth = [&](const std::string& width) {
    std::string text = xml;
    return text.replace(text.find("WIDE"), 4, width);
  };
  EXPECT_EQ(problemOf(withWidth("1202403150")),
            "field 'CDPRODUTO': WIDTH '1202403150' is not a whole number from 0 to 65535");
  EXPECT_EQ(problemOf(withWidth("65536")),
            "field 'CDPRODUTO': WIDTH '65536' is not a whole number from 0 to 65535");
  expectHandsOn(withWidth("65535"));

  // A binary WIDTH stored under a 32-bit type word instead of the usual u16.
  auto widthParam = [](std::int64_t width) {
    return "\x05WIDTH" + littleEndian(0x00010004, 4) +
           littleEndian(static_cast<std::uint64_t>(width), 4);
  };
  const std::string value = std::string("\x04") + "AGUA";
  EXPECT_EQ(problemOf(oneValuePacket(kStringColumn, value, widthParam(70000), 1)),
            "column 'C': WIDTH 70000 is not a whole number from 0 to 65535");
  EXPECT_EQ(problemOf(oneValuePacket(kStringColumn, value, widthParam(-1), 1)),
            "column 'C': WIDTH -1 is not a whole number from 0 to 65535");
  expectHandsOn(oneValuePacket(kStringColumn, value, widthParam(40), 1));
}

TEST(FuzzRegressionsTest, JsonNumbersBeyondADoubleAreIllFormedJson) {
  // The JSON library's out_of_range got out of the reader (and out of a
  // client dataset loading the file) instead of a PacketError.
  EXPECT_EQ(problemOf("{\"fields\":[{\"name\":\"V\",\"type\":\"float\"}],\"rows\":[[1e99999]]}"),
            "ill-formed JSON: number overflow parsing '1e99999'");
  EXPECT_EQ(problemOf("{\"fields\":[],\"rows\":[],\"x\":-99999e99099}"),
            "ill-formed JSON: number overflow parsing '-99999e99099'");

  std::filesystem::path file = std::filesystem::path(CONTA_TEST_TMP) / "fuzz_overflow.json";
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << "{\"fields\":[],\"rows\":[],\"x\":1e99999}";
  ClientDataSet dataset("cdsParametrosXol");
  try {
    dataset.loadFromFile(file);
    ADD_FAILURE() << "loaded";
  } catch (const PacketError& e) {
    EXPECT_EQ(e.source(), file.string());
  }
  EXPECT_FALSE(dataset.active());
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace conta
