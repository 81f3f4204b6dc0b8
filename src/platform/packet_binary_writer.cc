// The client dataset's binary packet: the writer.
//
// Every packet is written with its metadata and its data offset; what the
// reader kept of a file (parameter type words, change-log rows, "unchanged"
// marks) is written back as it was, so that a file re-encodes to the same
// bytes.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

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

class ByteWriter {
 public:
  void u8(std::uint64_t v) { put(v, 1); }
  void u16(std::uint64_t v) { put(v, 2); }
  void u32(std::uint64_t v) { put(v, 4); }
  void put(std::uint64_t v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
      out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  void f64(double d) { put(std::bit_cast<std::uint64_t>(d), 8); }
  void bytes(std::string_view b) { out_.append(b); }
  std::string& out() { return out_; }
  std::size_t size() const { return out_.size(); }
  void patch16(std::size_t at, std::uint16_t v) {
    out_[at] = static_cast<char>(v & 0xFF);
    out_[at + 1] = static_cast<char>(v >> 8);
  }

 private:
  std::string out_;
};

[[noreturn]] void writeFail(const std::string& problem) {
  throw PacketError("packet", problem);
}

std::uint16_t prefixFor(std::size_t length) {
  if (length <= 0xFF) return 1;
  if (length <= 0xFFFF) return 2;
  return 4;
}

// The bytes a text or blob value is stored as.
template <class What>
std::string storedBytes(const Field& field, const Variant& value, const What& what) {
  if (field.type == FieldType::String) {
    if (value.isText()) return text_encoding::utf8ToCp1252(value.text());
    auto text = value.tryText();
    if (!text) writeFail(describe(what) + ": " + value.describe() + " cannot be stored as text");
    return text_encoding::utf8ToCp1252(*text);
  }
  if (value.kind() == Variant::Kind::Bytes) return value.bytes();
  auto text = value.tryText();
  if (!text) writeFail(describe(what) + ": " + value.describe() + " cannot be stored in a blob");
  std::string subtype = field.subtype();
  if (subtype == "WideText") return text_encoding::utf8ToUtf16le(*text);
  if (subtype == "Text") return text_encoding::utf8ToCp1252(*text);
  return *text;
}

std::uint32_t columnTypeWord(const DataPacket& packet, std::size_t column) {
  const Field& field = packet.fields[column];
  auto fixed = [](std::uint16_t code, std::uint16_t size) { return typeWord(code, size); };
  switch (field.type) {
    case FieldType::Int8:
      return fixed(kInt, 1);
    case FieldType::Int16:
      return fixed(kInt, 2);
    case FieldType::Int32:
      return fixed(kInt, 4);
    case FieldType::Int64:
      return fixed(kInt, 8);
    case FieldType::UInt8:
      return fixed(kUInt, 1);
    case FieldType::UInt16:
      return fixed(kUInt, 2);
    case FieldType::UInt32:
      return fixed(kUInt, 4);
    case FieldType::UInt64:
      return fixed(kUInt, 8);
    case FieldType::Boolean: {
      std::uint16_t s = field.storageSize;
      return fixed(kBool, s == 1 || s == 4 ? s : 2);
    }
    case FieldType::Float:
      return fixed(kFloat, 8);
    case FieldType::Date:
      return fixed(kDate, 4);
    case FieldType::Time:
      return fixed(kTime, 4);
    case FieldType::DateTime:
      return fixed(kTimestamp, 8);
    case FieldType::String:
    case FieldType::Bytes: {
      // The prefix as stored, or as the declared width asks; wider when a
      // value would not fit, so that nothing is cut.
      std::uint16_t prefix = field.storageSize;
      if (prefix != 1 && prefix != 2 && prefix != 4) {
        if (field.type == FieldType::Bytes && !field.subtype().empty()) {
          prefix = 4;
        } else {
          prefix = field.width() >= 255 ? 2 : 1;
        }
      }
      // A UTF-8 text never shrinks less than to one byte a character in
      // cp1252 (two in UTF-16), so its size bounds the stored length; only
      // a value whose bound exceeds the prefix is converted to measure it.
      const std::size_t capacity = prefix == 1 ? 0xFF : prefix == 2 ? 0xFFFF : SIZE_MAX;
      const bool wide = field.type == FieldType::Bytes && field.subtype() == "WideText";
      std::size_t longest = 0;
      for (std::size_t r = 0; r < packet.rows.size(); ++r) {
        const auto& values = packet.rows[r].values;
        if (column >= values.size() || values[column].isNull() || values[column].isEmpty()) {
          continue;
        }
        const Variant& value = values[column];
        std::size_t bound = SIZE_MAX;
        if (value.isText()) bound = wide ? 2 * value.text().size() : value.text().size();
        if (value.kind() == Variant::Kind::Bytes) bound = value.bytes().size();
        if (bound <= capacity) continue;
        longest = std::max(longest, storedBytes(field, value, Cell{r + 1, &field.name}).size());
      }
      prefix = std::max(prefix, prefixFor(longest));
      return typeWord((field.type == FieldType::String ? kZString : kBytes) | kFlagVarying, prefix);
    }
    default:
      writeFail("field '" + field.name + "': type " + xmlFieldTypeName(field.type) +
                " cannot be written in the binary packet (its layout there is not known well "
                "enough); convert the field to another type or use XML or JSON");
  }
}

std::uint32_t defaultParamType(const PacketParam& param) {
  if (param.name == "WIDTH" || param.name == "DECIMALS") return typeWord(kUInt, 2);
  if (param.name == "SUBTYPE") return typeWord(kZString | kFlagVarying, 2);
  if (param.name == "LCID") return typeWord(kInt, 4);
  if (param.name == "DEFAULT_ORDER" || param.name == "PRIMARY_KEY") {
    return typeWord(kUInt | kFlagArray, 2);
  }
  if (param.name == "CHANGE_LOG") return typeWord(kUInt | kFlagArray, 4);
  switch (param.value.kind()) {
    case Variant::Kind::Boolean:
      return typeWord(kBool, 2);
    case Variant::Kind::Integer: {
      std::int64_t v = param.value.integer();
      return typeWord(kInt, v >= INT32_MIN && v <= INT32_MAX ? 4 : 8);
    }
    case Variant::Kind::Double:
      return typeWord(kFloat, 8);
    case Variant::Kind::Bytes:
      return typeWord(kBytes | kFlagVarying, 2);
    case Variant::Kind::Array: {
      for (const auto& e : param.value.elements()) {
        if (e.tryInteger().value_or(0) < 0) return typeWord(kInt | kFlagArray, 4);
      }
      return typeWord(kUInt | kFlagArray, 4);
    }
    default:
      return typeWord(kZString | kFlagVarying, 2);
  }
}

template <class What>
void writeIntegerValue(ByteWriter& out, std::int64_t v, bool is_signed, std::uint16_t size,
                       const What& what) {
  bool fits = true;
  if (size < 8) {
    std::int64_t bits = 8 * size;
    if (is_signed) {
      std::int64_t lo = -(std::int64_t{1} << (bits - 1));
      std::int64_t hi = (std::int64_t{1} << (bits - 1)) - 1;
      fits = v >= lo && v <= hi;
    } else {
      fits = v >= 0 && v < (std::int64_t{1} << bits);
    }
  } else if (!is_signed) {
    fits = v >= 0;
  }
  if (!fits) {
    writeFail(describe(what) + ": " + std::to_string(v) + " does not fit " +
              (is_signed ? "a signed " : "an unsigned ") + std::to_string(8 * size) +
              "-bit integer");
  }
  out.put(static_cast<std::uint64_t>(v), size);
}

template <class What>
void writeScalar(ByteWriter& out, std::uint16_t code, std::uint16_t size, const Variant& value,
                 const What& what) {
  switch (code) {
    case kInt:
    case kUInt: {
      auto v = value.tryInteger();
      if (!v) writeFail(describe(what) + ": " + value.describe() + " is not an integer");
      writeIntegerValue(out, *v, code == kInt, size, what);
      return;
    }
    case kBool: {
      auto v = value.tryBoolean();
      if (!v) writeFail(describe(what) + ": " + value.describe() + " is not a boolean");
      out.put(*v ? 1 : 0, size);
      return;
    }
    case kFloat: {
      auto v = value.tryDouble();
      if (!v || size != 8) writeFail(describe(what) + ": " + value.describe() + " is not a number");
      out.f64(*v);
      return;
    }
    default:
      writeFail(describe(what) + ": a value of type code " + std::to_string(code) +
                " cannot be written");
  }
}

void writeParam(ByteWriter& out, const PacketParam& param, const std::string& owner) {
  std::string name = text_encoding::utf8ToCp1252(param.name);
  std::string what = owner + " parameter '" + param.name + "'";
  if (name.size() > 0xFF) writeFail(what + ": the name is longer than 255 bytes");
  std::uint32_t word = param.typeWord != 0 ? param.typeWord : defaultParamType(param);
  std::uint16_t code = codeOf(word & ~kParamIncludeInDelta);
  std::uint16_t flags = flagsOf(word & ~kParamIncludeInDelta);
  std::uint16_t size = sizeOf(word);
  out.u8(name.size());
  out.bytes(name);
  out.u32(word);
  if (flags & kFlagArray) {
    if (!param.value.isArray()) writeFail(what + ": an array parameter needs an array value");
    const auto& elements = param.value.elements();
    out.u32(elements.size());
    for (const auto& e : elements)
      writeScalar(out, code, size, e, what);
  } else if (flags & kFlagVarying) {
    std::string data;
    if (code == kZString) {
      auto text = param.value.tryText();
      if (!text) writeFail(what + ": " + param.value.describe() + " is not text");
      data = text_encoding::utf8ToCp1252(*text);
      data += '\0';
    } else if (param.value.kind() == Variant::Kind::Bytes) {
      data = param.value.bytes();
    } else {
      writeFail(what + ": " + param.value.describe() + " cannot be written as bytes");
    }
    if (size != 1 && size != 2 && size != 4) writeFail(what + ": invalid length prefix size");
    if (size < 4 && data.size() >= (std::size_t{1} << (8 * size))) {
      writeFail(what + ": the value is too long for its length prefix");
    }
    out.put(data.size(), size);
    out.bytes(data);
  } else {
    writeScalar(out, code, size, param.value, what);
  }
}

void writeValue(ByteWriter& out, const Field& field, std::uint32_t word, const Variant& value,
                const Cell& what) {
  std::uint16_t code = codeOf(word);
  std::uint16_t size = sizeOf(word);
  switch (code) {
    case kInt:
    case kUInt:
    case kBool:
    case kFloat:
      writeScalar(out, code, size, value, what);
      return;
    case kDate:
    case kTime:
    case kTimestamp: {
      auto t = value.tryDateTime();
      if (!t) writeFail(describe(what) + ": " + value.describe() + " is not a date-time");
      if (code == kDate) {
        out.u32(static_cast<std::uint32_t>(static_cast<std::int32_t>(t->dayNumberFromYearOne())));
      } else if (code == kTime) {
        out.u32(static_cast<std::uint32_t>(t->millisecondOfDay()));
      } else {
        out.f64(static_cast<double>(t->milliseconds() + kPlatformDayZero * kMillisecondsPerDay));
      }
      return;
    }
    case kZString:
    case kBytes: {
      std::string data = storedBytes(field, value, what);
      out.put(data.size(), size);
      out.bytes(data);
      return;
    }
    default:
      writeFail(describe(what) + ": unsupported field type");
  }
}

}  // namespace

std::string encodeBinaryPacket(const DataPacket& packet) {
  if (packet.fields.size() > 0xFFFF) writeFail("more than 65535 fields");
  if (packet.rows.size() > 0xFFFFFFFFu) writeFail("more than 4294967295 rows");
  std::vector<std::uint32_t> words;
  words.reserve(packet.fields.size());
  for (std::size_t c = 0; c < packet.fields.size(); ++c)
    words.push_back(columnTypeWord(packet, c));

  ByteWriter out;
  out.u32(kMagic);
  out.u16(packet.versionMajor);
  out.u16(packet.versionMinor);
  out.u32(kHeaderSize);
  out.u16(packet.fields.size());
  out.u32(packet.rows.size());
  out.u32(kPropertyMetadata | kPropertyDataOffset);
  std::size_t offset_at = out.size();
  out.u16(0);  // data offset, patched below

  for (std::size_t c = 0; c < packet.fields.size(); ++c) {
    const Field& field = packet.fields[c];
    std::string name = text_encoding::utf8ToCp1252(field.name);
    if (name.size() > 0xFF)
      writeFail("field '" + field.name + "': the name is longer than 255 bytes");
    if (field.params.size() > 0xFFFF) writeFail("field '" + field.name + "': too many parameters");
    out.u8(name.size());
    out.bytes(name);
    out.u32(words[c]);
    out.u16(field.attributes);
    out.u16(field.params.size());
    for (const auto& p : field.params)
      writeParam(out, p, "field '" + field.name + "'");
  }
  if (packet.params.size() > 0xFFFF) writeFail("too many packet parameters");
  out.u16(packet.params.size());
  for (const auto& p : packet.params)
    writeParam(out, p, "packet");
  if (out.size() > 0xFFFF) writeFail("the metadata is larger than 65535 bytes");
  out.patch16(offset_at, static_cast<std::uint16_t>(out.size()));

  std::size_t flag_bytes = (packet.fields.size() + 3) / 4;
  for (std::size_t r = 0; r < packet.rows.size(); ++r) {
    const PacketRow& row = packet.rows[r];
    if (row.values.size() > packet.fields.size()) {
      writeFail("row " + std::to_string(r + 1) + " has more values than the packet has fields");
    }
    out.u8(row.state);
    bool modified = row.state & row_state::kModified;
    std::string flags(flag_bytes, '\0');
    for (std::size_t c = 0; c < packet.fields.size(); ++c) {
      const Variant* v = c < row.values.size() ? &row.values[c] : nullptr;
      std::uint8_t flag = 0;
      if (v == nullptr || v->isNull()) {
        flag = kFieldNull;
      } else if (v->isEmpty()) {
        // Only a modified row can leave a field unchanged.
        flag = modified ? kFieldUnchanged : kFieldNull;
      }
      flags[c / 4] =
          static_cast<char>(static_cast<unsigned char>(flags[c / 4]) | (flag << (2 * (c % 4))));
    }
    out.bytes(flags);
    for (std::size_t c = 0; c < packet.fields.size(); ++c) {
      const std::uint8_t flag = (static_cast<unsigned char>(flags[c / 4]) >> (2 * (c % 4))) & 3;
      if (flag != 0) continue;
      writeValue(out, packet.fields[c], words[c], row.values[c],
                 Cell{r + 1, &packet.fields[c].name});
    }
  }
  return std::move(out.out());
}

}  // namespace conta
