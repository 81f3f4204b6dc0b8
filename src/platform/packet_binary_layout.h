// Constants of the client dataset's binary packet. The format is described
// in prose beside the interop samples; every number the codec relies on is
// here.
//
// Layout: a 24-byte header, the column descriptors with their parameters,
// the packet parameters, then the rows from the data offset. Integers are
// little-endian.
#ifndef CONTA_PLATFORM_PACKET_BINARY_LAYOUT_H_
#define CONTA_PLATFORM_PACKET_BINARY_LAYOUT_H_

#include <cstdint>

namespace conta::binary_layout {

inline constexpr std::uint32_t kMagic = 0xBDE01996;  // bytes 96 19 E0 BD
inline constexpr std::uint32_t kHeaderSize = 24;
// Properties: bit 1 metadata present, bit 2 data offset present.
inline constexpr std::uint32_t kPropertyMetadata = 0x1;
inline constexpr std::uint32_t kPropertyDataOffset = 0x2;

// A type word is ((code | flags) << 16) | size.
enum TypeCode : std::uint16_t {
  kInt = 1,
  kUInt = 2,
  kBool = 3,
  kFloat = 4,
  kBcd = 5,
  kDate = 6,
  kTime = 7,
  kTimestamp = 8,
  kZString = 9,
  kUnicode = 10,
  kBytes = 11,
  kAdt = 12,
  kArray = 13,
  kNestedTable = 14,
  kRef = 15,
  kSqlDateTime = 17,
  kFmtBcd = 18,
  kSingle = 27,
  kDateTimeOffset = 36,
};

inline constexpr std::uint16_t kCodeMask = 0x3F;
inline constexpr std::uint16_t kFlagVarying = 0x40;
inline constexpr std::uint16_t kFlagArray = 0x80;
inline constexpr std::uint16_t kFlagsComposite = 0x100 | 0x200 | 0x400;
// Parameters only: the parameter travels in delta packets too.
inline constexpr std::uint32_t kParamIncludeInDelta = 0x80000000;

constexpr std::uint32_t typeWord(std::uint16_t code_and_flags, std::uint16_t size) {
  return (static_cast<std::uint32_t>(code_and_flags) << 16) | size;
}
constexpr std::uint16_t codeOf(std::uint32_t word) {
  return (word >> 16) & kCodeMask;
}
constexpr std::uint16_t flagsOf(std::uint32_t word) {
  return static_cast<std::uint16_t>((word >> 16) & ~kCodeMask & 0x7FFF);
}
constexpr std::uint16_t sizeOf(std::uint32_t word) {
  return word & 0xFFFF;
}

static_assert(typeWord(kZString | kFlagVarying, 1) == 0x00490001, "string column of width < 255");
static_assert(typeWord(kUInt | kFlagArray, 2) == 0x00820002, "DEFAULT_ORDER parameter");

// Field flags: two bits per field after the row state.
inline constexpr std::uint8_t kFieldNull = 1;
inline constexpr std::uint8_t kFieldUnchanged = 2;

// TIMESTAMP and DATE count from 0001-01-01; the platform's day zero
// (1899-12-30) is day 693594 of that count.
inline constexpr std::int64_t kPlatformDayZero = 693594;
// 9999-12-31, the last day a date-time holds (day 1 is 0001-01-01).
inline constexpr std::int64_t kLastDay = 3652059;
inline constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

}  // namespace conta::binary_layout

#endif  // CONTA_PLATFORM_PACKET_BINARY_LAYOUT_H_
