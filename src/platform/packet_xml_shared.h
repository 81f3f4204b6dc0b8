// What the XML datapacket's reader and writer share: expat's parser as an
// owned handle, the quoting of values in messages, and the range each
// integer field type holds.
//
// The datapacket: one FIELD element per field with its type and parameters,
// one ROW element per row with a value attribute per non-null field.
#ifndef CONTA_PLATFORM_PACKET_XML_SHARED_H_
#define CONTA_PLATFORM_PACKET_XML_SHARED_H_

#include <expat.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "conta/data_packet.h"

namespace conta::xml_packet {

struct ParserDeleter {
  void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};
using ParserPtr = std::unique_ptr<XML_ParserStruct, ParserDeleter>;

inline bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// A value quoted for a message, cut short (on a character boundary) when long.
inline std::string shown(std::string_view text) {
  constexpr std::size_t kMax = 40;
  if (text.size() <= kMax) return "'" + std::string(text) + "'";
  std::size_t cut = kMax;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  return "'" + std::string(text.substr(0, cut)) + "...'";
}

struct IntegerRange {
  std::int64_t min;
  std::int64_t max;
};

// The values an integer field holds. ui8 stops at the largest value a
// Variant holds.
inline std::optional<IntegerRange> integerRange(FieldType type) {
  switch (type) {
    case FieldType::Int8:
      return IntegerRange{INT8_MIN, INT8_MAX};
    case FieldType::Int16:
      return IntegerRange{INT16_MIN, INT16_MAX};
    case FieldType::Int32:
      return IntegerRange{INT32_MIN, INT32_MAX};
    case FieldType::Int64:
      return IntegerRange{INT64_MIN, INT64_MAX};
    case FieldType::UInt8:
      return IntegerRange{0, UINT8_MAX};
    case FieldType::UInt16:
      return IntegerRange{0, UINT16_MAX};
    case FieldType::UInt32:
      return IntegerRange{0, UINT32_MAX};
    case FieldType::UInt64:
      return IntegerRange{0, INT64_MAX};
    default:
      return std::nullopt;
  }
}

inline std::string outOfRange(std::string_view value, FieldType type, IntegerRange range) {
  return std::string(value) + " is outside the range of " + xmlFieldTypeName(type) + " (" +
         std::to_string(range.min) + " to " + std::to_string(range.max) + ")";
}

}  // namespace conta::xml_packet

#endif  // CONTA_PLATFORM_PACKET_XML_SHARED_H_
