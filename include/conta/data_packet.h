// DataPacket: the rows of a query or of a client dataset as plain data:
// fields (name, type, width, attributes, parameters) and rows of values in
// field order. It is what providers produce, what client datasets load and
// hand out, and what the host receives as the comanda and item data.
//
// Codecs (binary packet, XML datapacket, JSON) live beside it in
// packet_codecs.h; this header holds only the data.
#ifndef CONTA_DATA_PACKET_H_
#define CONTA_DATA_PACKET_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conta/export.h"
#include "conta/variant.h"

namespace conta {

// Field types of a packet, named after the XML datapacket's fieldtype.
enum class FieldType : std::uint8_t {
  String,       // "string": ANSI text in files, UTF-8 here; WIDTH in characters
  WideString,   // "string.uni"
  Int8,         // "i1"
  Int16,        // "i2"
  Int32,        // "i4"
  Int64,        // "i8"
  UInt8,        // "ui1"
  UInt16,       // "ui2"
  UInt32,       // "ui4"
  UInt64,       // "ui8"
  Boolean,      // "boolean"
  Float,        // "r8" (SUBTYPE "Money" for currency)
  Single,       // "r4"
  Fixed,        // "fixed": WIDTH = precision, DECIMALS = scale; held as double
  FixedFmt,     // "fixedFMT"
  Date,         // "date"
  Time,         // "time"
  DateTime,     // "dateTime"
  SqlDateTime,  // "SQLdateTime"
  Bytes,        // "bin.hex": blobs (SUBTYPE Binary, Text, Graphics...) and byte strings
};

// What kind of Variant a field of the type holds when not null. Memos
// (Bytes with SUBTYPE "Text" or "WideText") hold Text.
enum class ValueKind : std::uint8_t { Text, Integer, Float, Boolean, DateTime, Bytes };

CONTA_EXPORT const char* xmlFieldTypeName(FieldType type);
CONTA_EXPORT std::optional<FieldType> fieldTypeFromXmlName(std::string_view name);

// A named metadata parameter of a field (WIDTH, SUBTYPE, DECIMALS) or of the
// packet (LCID, DEFAULT_ORDER, PRIMARY_KEY, CHANGE_LOG). The value is an
// Integer, Boolean, Double, Text or an Array of Integer. typeWord keeps the
// binary packet's type word as read, so a file re-encodes to the same bytes;
// 0 lets the binary writer choose from the name and the value.
struct CONTA_EXPORT PacketParam {
  std::string name;
  Variant value;
  std::uint32_t typeWord = 0;

  friend bool operator==(const PacketParam&, const PacketParam&) = default;
};

// Field attribute bits, as the binary packet stores them.
namespace field_attribute {
inline constexpr std::uint16_t kHidden = 0x01;
inline constexpr std::uint16_t kReadOnly = 0x02;
inline constexpr std::uint16_t kRequired = 0x04;
inline constexpr std::uint16_t kLink = 0x08;
}  // namespace field_attribute

struct CONTA_EXPORT Field {
  std::string name;
  FieldType type = FieldType::String;
  std::uint16_t attributes = 0;
  std::vector<PacketParam> params;  // in stored order
  // Binary packets only: the size half of the type word as read (value size,
  // or width of the length prefix of varying types). 0: derive it.
  std::uint16_t storageSize = 0;

  Field() = default;
  Field(std::string name, FieldType type, int width = 0);

  // WIDTH (characters of a string, precision of a fixed), 0 when absent.
  int width() const;
  void setWidth(int width);
  int decimals() const;
  void setDecimals(int decimals);
  std::string subtype() const;
  void setSubtype(std::string subtype);
  const PacketParam* findParam(std::string_view name) const;
  void setParam(PacketParam param);  // replaces a parameter of that name, or appends

  ValueKind valueKind() const;

  friend bool operator==(const Field&, const Field&) = default;
};

// Row states of a change log; a plain row is 0. They combine (5 = an
// original version of an inserted row).
namespace row_state {
inline constexpr std::uint8_t kOriginal = 0x01;
inline constexpr std::uint8_t kDeleted = 0x02;
inline constexpr std::uint8_t kInserted = 0x04;
inline constexpr std::uint8_t kModified = 0x08;
inline constexpr std::uint8_t kUnused = 0x20;
inline constexpr std::uint8_t kDetailChanged = 0x40;
// States of rows that are no current row: an original version, a deleted
// row, an unused slot.
inline constexpr std::uint8_t kNotCurrent = kOriginal | kDeleted | kUnused;
}  // namespace row_state

// A row: values in field order. A value is Null for a NULL and Empty for a
// field that a modified row leaves unchanged (its value is the original's).
struct CONTA_EXPORT PacketRow {
  std::uint8_t state = 0;
  std::vector<Variant> values;

  friend bool operator==(const PacketRow&, const PacketRow&) = default;
};

class CONTA_EXPORT DataPacket {
 public:
  std::vector<Field> fields;
  std::vector<PacketRow> rows;
  std::vector<PacketParam> params;  // packet parameters in stored order
  // Binary header version; 1.0 for every type this module writes.
  std::uint16_t versionMajor = 1;
  std::uint16_t versionMinor = 0;

  // Index of the field of that name, compared without regard to case as the
  // platform compares field names; nullopt when there is none.
  std::optional<std::size_t> fieldIndex(std::string_view name) const;
  const PacketParam* findParam(std::string_view name) const;

  // True when some row carries a change-log state or a CHANGE_LOG parameter
  // is present.
  bool hasChangeLog() const;

  // The rows a reader sees: original versions, deleted and unused rows
  // dropped; a modified row takes the place of its original (by CHANGE_LOG,
  // or the row before it when there is none) and takes the original's value
  // for every field it leaves unchanged. The result has no CHANGE_LOG
  // parameter and every row state 0.
  DataPacket currentRows() const;

  friend bool operator==(const DataPacket&, const DataPacket&) = default;
};

}  // namespace conta

#endif  // CONTA_DATA_PACKET_H_
