// The client dataset's binary packet: the reader.
//
// The reader keeps everything a file holds (parameters with their type
// words, change-log rows, per-field "unchanged" marks) so that a file
// re-encodes to the same bytes. Types whose layout is not known with
// confidence are refused with a clear error rather than guessed.
#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>

#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "platform/packet_binary_cell.h"
#include "platform/packet_binary_layout.h"
#include "platform/text_encoding.h"

namespace conta {
namespace {

using namespace binary_layout;
using binary_packet::Cell;
using binary_packet::describe;

const char* typeCodeName(std::uint16_t code) {
  switch (code) {
    case kBcd:
      return "BCD";
    case kUnicode:
      return "UNICODE";
    case kAdt:
      return "ADT";
    case kArray:
      return "ARRAY";
    case kNestedTable:
      return "nested table";
    case kRef:
      return "REF";
    case kSqlDateTime:
      return "SQL date-time";
    case kFmtBcd:
      return "FMTBCD";
    case kSingle:
      return "SINGLE";
    case kDateTimeOffset:
      return "date-time with offset";
    default:
      return nullptr;
  }
}

class ByteReader {
 public:
  ByteReader(std::string_view bytes, std::string_view source) : bytes_(bytes), source_(source) {}

  [[noreturn]] void fail(const std::string& problem) const { throw PacketError(source_, problem); }

  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }
  std::size_t size() const { return bytes_.size(); }
  void seek(std::size_t pos) { pos_ = pos; }

  template <class What>
  std::string_view take(std::size_t n, const What& what) {
    if (n > remaining()) {
      fail("truncated: " + describe(what) + " at byte " + std::to_string(pos_) + " needs " +
           std::to_string(n) + " bytes but only " + std::to_string(remaining()) + " remain");
    }
    std::string_view out = bytes_.substr(pos_, n);
    pos_ += n;
    return out;
  }

  template <class What>
  std::uint64_t unsignedLE(std::size_t n, const What& what) {
    std::string_view b = take(n, what);
    std::uint64_t v = 0;
    for (std::size_t i = n; i-- > 0;)
      v = (v << 8) | static_cast<unsigned char>(b[i]);
    return v;
  }
  template <class What>
  std::int64_t signedLE(std::size_t n, const What& what) {
    std::uint64_t v = unsignedLE(n, what);
    if (n < 8 && (v >> (8 * n - 1)) & 1) v |= ~std::uint64_t{0} << (8 * n);
    return static_cast<std::int64_t>(v);
  }
  template <class What>
  std::uint8_t u8(const What& what) {
    return static_cast<std::uint8_t>(unsignedLE(1, what));
  }
  template <class What>
  std::uint16_t u16(const What& what) {
    return static_cast<std::uint16_t>(unsignedLE(2, what));
  }
  template <class What>
  std::uint32_t u32(const What& what) {
    return static_cast<std::uint32_t>(unsignedLE(4, what));
  }
  template <class What>
  double f64(const What& what) {
    return std::bit_cast<double>(unsignedLE(8, what));
  }

 private:
  std::string_view bytes_;
  std::string source_;
  std::size_t pos_ = 0;
};

// The logical type of a column's type word; fails for what is not supported.
FieldType columnType(ByteReader& in, const std::string& column, std::uint32_t word) {
  std::uint16_t code = codeOf(word);
  std::uint16_t flags = flagsOf(word);
  std::uint16_t size = sizeOf(word);
  std::string where = "column '" + column + "'";
  if (flags & (kFlagArray | kFlagsComposite)) {
    in.fail(where + ": array and composite columns are not supported (type word 0x" + [&] {
      char hex[16];
      std::snprintf(hex, sizeof hex, "%08X", word);
      return std::string(hex);
    }() + ")");
  }
  bool varying = flags & kFlagVarying;
  auto badSize = [&](const char* type) {
    return where + ": a " + type + " column of size " + std::to_string(size) +
           (varying ? " with varying length" : "") + " is not a valid layout";
  };
  switch (code) {
    case kInt:
    case kUInt: {
      bool s = code == kInt;
      if (!varying) {
        switch (size) {
          case 1:
            return s ? FieldType::Int8 : FieldType::UInt8;
          case 2:
            return s ? FieldType::Int16 : FieldType::UInt16;
          case 4:
            return s ? FieldType::Int32 : FieldType::UInt32;
          case 8:
            return s ? FieldType::Int64 : FieldType::UInt64;
          default:
            break;
        }
      }
      in.fail(badSize(s ? "INT" : "UINT"));
    }
    case kBool:
      if (varying || (size != 1 && size != 2 && size != 4)) in.fail(badSize("BOOL"));
      return FieldType::Boolean;
    case kFloat:
      if (varying || size != 8) in.fail(badSize("FLOAT"));
      return FieldType::Float;
    case kDate:
      if (varying || size != 4) in.fail(badSize("DATE"));
      return FieldType::Date;
    case kTime:
      if (varying || size != 4) in.fail(badSize("TIME"));
      return FieldType::Time;
    case kTimestamp:
      if (varying || size != 8) in.fail(badSize("TIMESTAMP"));
      return FieldType::DateTime;
    case kZString:
      if (!varying || (size != 1 && size != 2 && size != 4)) in.fail(badSize("ZSTRING"));
      return FieldType::String;
    case kBytes:
      if (!varying || (size != 1 && size != 2 && size != 4)) in.fail(badSize("BYTES"));
      return FieldType::Bytes;
    default:
      break;
  }
  if (const char* name = typeCodeName(code)) {
    in.fail(where + ": type " + name + " (code " + std::to_string(code) +
            ") is not supported: its layout is not known well enough to read it safely");
  }
  in.fail(where + ": unknown type code " + std::to_string(code));
}

template <class What>
Variant readFixedScalar(ByteReader& in, std::uint16_t code, std::uint16_t size, const What& what) {
  switch (code) {
    case kInt:
      if (size == 1 || size == 2 || size == 4 || size == 8) return Variant(in.signedLE(size, what));
      break;
    case kUInt:
      if (size == 1 || size == 2 || size == 4) return Variant(in.unsignedLE(size, what));
      if (size == 8) {
        std::uint64_t v = in.unsignedLE(8, what);
        if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
          in.fail(describe(what) + ": unsigned value " + std::to_string(v) + " is out of range");
        }
        return Variant(static_cast<std::int64_t>(v));
      }
      break;
    case kBool:
      if (size == 1 || size == 2 || size == 4) return Variant(in.unsignedLE(size, what) != 0);
      break;
    case kFloat:
      if (size == 8) return Variant(in.f64(what));
      break;
    default:
      break;
  }
  in.fail(describe(what) + ": a value of type code " + std::to_string(code) + " and size " +
          std::to_string(size) + " is not supported");
}

// WIDTH and DECIMALS are u16 in the files the platform writes. Under another
// type word they must still hold such a number: a width no other format can
// carry would make the packet impossible to hand on.
void checkSizeParams(ByteReader& in, const Field& field) {
  for (const char* name : {"WIDTH", "DECIMALS"}) {
    const PacketParam* param = field.findParam(name);
    if (param == nullptr) continue;
    auto value = param->value.tryInteger();
    if (value && (*value < 0 || *value > 0xFFFF)) {
      in.fail("column '" + field.name + "': " + name + " " + std::to_string(*value) +
              " is not a whole number from 0 to 65535");
    }
  }
}

PacketParam readParam(ByteReader& in, const std::string& owner) {
  std::uint8_t name_length = in.u8(owner + " parameter name length");
  std::string name = text_encoding::cp1252ToUtf8(in.take(name_length, owner + " parameter name"));
  std::string what = owner + " parameter '" + name + "'";
  std::uint32_t word = in.u32(what + " type");
  std::uint16_t code = codeOf(word & ~kParamIncludeInDelta);
  std::uint16_t flags = flagsOf(word & ~kParamIncludeInDelta);
  std::uint16_t size = sizeOf(word);
  PacketParam param{name, Variant(), word};
  if (flags & kFlagsComposite) in.fail(what + ": composite parameters are not supported");
  if (flags & kFlagArray) {
    std::uint32_t count = in.u32(what + " element count");
    if (size == 0 || static_cast<std::uint64_t>(count) * size > in.remaining()) {
      in.fail(what + ": " + std::to_string(count) + " elements of " + std::to_string(size) +
              " bytes point past the end of the packet");
    }
    std::vector<Variant> elements;
    elements.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      elements.push_back(readFixedScalar(in, code, size, what));
    }
    param.value = Variant::array(std::move(elements));
  } else if (flags & kFlagVarying) {
    if (size != 1 && size != 2 && size != 4) in.fail(what + ": invalid length prefix size");
    auto length = static_cast<std::size_t>(in.unsignedLE(size, what + " length"));
    std::string_view data = in.take(length, what + " value");
    if (code == kZString) {
      // String parameters carry their terminating NUL.
      if (!data.empty() && data.back() == '\0') data.remove_suffix(1);
      param.value = Variant(text_encoding::cp1252ToUtf8(data));
    } else if (code == kBytes) {
      param.value = Variant::fromBytes(std::string(data));
    } else {
      in.fail(what + ": a varying parameter of type code " + std::to_string(code) +
              " is not supported");
    }
  } else {
    param.value = readFixedScalar(in, code, size, what);
  }
  return param;
}

Variant readValue(ByteReader& in, const Field& field, const Cell& what) {
  const Cell length_of{what.row, what.field, " length"};
  std::uint16_t size = field.storageSize;
  switch (field.type) {
    case FieldType::Int8:
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::Int64:
      return Variant(in.signedLE(size, what));
    case FieldType::UInt8:
    case FieldType::UInt16:
    case FieldType::UInt32:
    case FieldType::UInt64:
      return readFixedScalar(in, kUInt, size, what);
    case FieldType::Boolean:
      return Variant(in.unsignedLE(size, what) != 0);
    case FieldType::Float: {
      // As the XML and JSON readers: a value is a finite number or NULL.
      const double value = in.f64(what);
      if (!std::isfinite(value)) {
        in.fail(describe(what) + ": " + Variant(value).describe() + " is not a finite number");
      }
      return Variant(value);
    }
    case FieldType::Date: {
      std::int64_t day = in.signedLE(4, what);
      if (day < 1 || day > kLastDay) {
        in.fail(describe(what) + ": day " + std::to_string(day) + " is not a valid date");
      }
      return Variant(DateTime::fromMilliseconds((day - kPlatformDayZero) * kMillisecondsPerDay));
    }
    case FieldType::Time: {
      std::int64_t ms = in.signedLE(4, what);
      if (ms < 0 || ms >= kMillisecondsPerDay) {
        in.fail(describe(what) + ": " + std::to_string(ms) + " ms is not a time of day");
      }
      return Variant(DateTime::fromMilliseconds(ms));
    }
    case FieldType::DateTime: {
      double stamp = in.f64(what);
      // From 0001-01-01 00:00 to the last millisecond of 9999-12-31, tested
      // once rounded: a stamp just short of 10000-01-01 rounds onto it.
      constexpr double kEnd = (kLastDay + 1.0) * kMillisecondsPerDay;
      std::int64_t rounded =
          std::isfinite(stamp) && stamp > 0.0 && stamp < kEnd ? std::llround(stamp) : 0;
      if (rounded < kMillisecondsPerDay || rounded >= (kLastDay + 1) * kMillisecondsPerDay) {
        in.fail(describe(what) + ": the timestamp is not a valid date-time");
      }
      return Variant(DateTime::fromMilliseconds(rounded - kPlatformDayZero * kMillisecondsPerDay));
    }
    case FieldType::String: {
      auto length = static_cast<std::size_t>(in.unsignedLE(size, length_of));
      return Variant(text_encoding::cp1252ToUtf8(in.take(length, what)));
    }
    case FieldType::Bytes: {
      auto length = static_cast<std::size_t>(in.unsignedLE(size, length_of));
      std::string_view data = in.take(length, what);
      std::string subtype = field.subtype();
      if (subtype == "Text") return Variant(text_encoding::cp1252ToUtf8(data));
      if (subtype == "WideText") return Variant(text_encoding::utf16leToUtf8(data));
      return Variant::fromBytes(std::string(data));
    }
    default:
      break;
  }
  in.fail(describe(what) + ": unsupported field type");
}

}  // namespace

DataPacket decodeBinaryPacket(std::string_view bytes, std::string_view source) {
  ByteReader in(bytes, source);
  if (bytes.size() < 4) {
    in.fail("too short to be a packet (" + std::to_string(bytes.size()) + " bytes)");
  }
  std::uint32_t magic = in.u32("magic");
  if (magic != kMagic) {
    char shown[64];
    std::snprintf(shown, sizeof shown, "%02X %02X %02X %02X", static_cast<unsigned char>(bytes[0]),
                  static_cast<unsigned char>(bytes[1]), static_cast<unsigned char>(bytes[2]),
                  static_cast<unsigned char>(bytes[3]));
    in.fail(std::string("wrong magic ") + shown +
            ": not a client-dataset packet (expected 96 19 E0 BD)");
  }
  DataPacket packet;
  packet.versionMajor = in.u16("header version");
  packet.versionMinor = in.u16("header version");
  std::uint32_t header_size = in.u32("header size");
  if (header_size != kHeaderSize) {
    in.fail("unsupported header size " + std::to_string(header_size) + " (expected 24)");
  }
  std::uint16_t column_count = in.u16("column count");
  std::uint32_t row_count = in.u32("row count");
  std::uint32_t properties = in.u32("header properties");
  std::uint16_t data_offset = in.u16("data offset");

  packet.fields.reserve(column_count);
  for (std::uint16_t c = 0; c < column_count; ++c) {
    std::string label = "column " + std::to_string(c + 1);
    std::uint8_t name_length = in.u8(label + " name length");
    Field field;
    field.name = text_encoding::cp1252ToUtf8(in.take(name_length, label + " name"));
    std::uint32_t word = in.u32("column '" + field.name + "' type");
    field.type = columnType(in, field.name, word);
    field.storageSize = sizeOf(word);
    field.attributes = in.u16("column '" + field.name + "' attributes");
    std::uint16_t param_count = in.u16("column '" + field.name + "' parameter count");
    for (std::uint16_t p = 0; p < param_count; ++p) {
      field.params.push_back(readParam(in, "column '" + field.name + "'"));
    }
    checkSizeParams(in, field);
    packet.fields.push_back(std::move(field));
  }
  std::uint16_t packet_param_count = in.u16("packet parameter count");
  for (std::uint16_t p = 0; p < packet_param_count; ++p) {
    packet.params.push_back(readParam(in, "packet"));
  }

  if (properties & kPropertyDataOffset) {
    if (data_offset < in.position()) {
      in.fail("data offset " + std::to_string(data_offset) +
              " points inside the metadata (which ends at byte " + std::to_string(in.position()) +
              ")");
    }
    if (data_offset > in.size()) {
      in.fail("data offset " + std::to_string(data_offset) + " points past the end (" +
              std::to_string(in.size()) + " bytes)");
    }
    in.seek(data_offset);
  }

  std::size_t flag_bytes = (column_count + 3) / 4;
  if (static_cast<std::uint64_t>(row_count) * (1 + flag_bytes) > in.remaining()) {
    in.fail("row count " + std::to_string(row_count) + " does not fit in the " +
            std::to_string(in.remaining()) + " bytes after the metadata");
  }
  packet.rows.reserve(row_count);
  for (std::uint32_t r = 0; r < row_count; ++r) {
    PacketRow row;
    row.state = in.u8(Cell{r + 1, nullptr, " state"});
    std::string_view flags = in.take(flag_bytes, Cell{r + 1, nullptr, " field flags"});
    row.values.reserve(column_count);
    for (std::size_t c = 0; c < column_count; ++c) {
      const Field& field = packet.fields[c];
      auto flag = static_cast<std::uint8_t>(
          (static_cast<unsigned char>(flags[c / 4]) >> (2 * (c % 4))) & 3);
      if (flag == kFieldNull) {
        row.values.push_back(Variant::null());
      } else if (flag == kFieldUnchanged) {
        row.values.push_back(Variant());
      } else if (flag == 0) {
        row.values.push_back(readValue(in, field, Cell{r + 1, &field.name}));
      } else {
        in.fail(describe(Cell{r + 1, &field.name}) + ": undefined field flag 3");
      }
    }
    packet.rows.push_back(std::move(row));
  }
  if (in.remaining() != 0) {
    in.fail(std::to_string(in.remaining()) + " unexpected bytes after the last row");
  }
  return packet;
}

}  // namespace conta
