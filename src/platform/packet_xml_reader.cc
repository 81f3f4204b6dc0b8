// The XML datapacket: the reader.
//
// Reading goes through expat. The encoding comes from a byte-order mark, or
// the XML declaration, or else is the store's ANSI code page cp1252, which is
// what files written without a declaration hold. Change-log rows (RowState,
// CHANGE_LOG) are kept as read; DataPacket::currentRows() resolves them.
#include <expat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "platform/base64.h"
#include "platform/number_text.h"
#include "platform/packet_xml_shared.h"
#include "platform/text_encoding.h"

namespace conta {
namespace {

using namespace xml_packet;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool readDigits(std::string_view text, std::size_t& pos, std::size_t count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!isDigit(text[pos + i])) return false;
    value = value * 10 + (text[pos + i] - '0');
  }
  pos += count;
  return true;
}

// "hh:nn" or "hh:nn:SSmmm" with one to five digits after the second colon,
// right-padded ("14:30:05" is 5 seconds), as milliseconds of the day.
std::optional<std::int64_t> parseTimeOfDay(std::string_view text) {
  std::size_t pos = 0;
  int hour = 0, minute = 0;
  if (!readDigits(text, pos, 2, hour) || pos >= text.size() || text[pos++] != ':' ||
      !readDigits(text, pos, 2, minute)) {
    return std::nullopt;
  }
  int second_ms = 0;
  if (pos < text.size()) {
    if (text[pos++] != ':') return std::nullopt;
    std::size_t digits = text.size() - pos;
    if (digits < 1 || digits > 5) return std::nullopt;
    if (!readDigits(text, pos, digits, second_ms)) return std::nullopt;
    for (std::size_t i = digits; i < 5; ++i) {
      second_ms *= 10;
    }
  }
  if (hour > 23 || minute > 59 || second_ms > 59'999) return std::nullopt;
  return (static_cast<std::int64_t>(hour) * 60 + minute) * 60'000 + second_ms;
}

// "yyyymmdd" or "yyyymmddThh:nn:SSmmm".
std::optional<DateTime> parseDateTime(std::string_view text) {
  std::size_t pos = 0;
  DateTime::Parts p;
  if (!readDigits(text, pos, 4, p.year) || !readDigits(text, pos, 2, p.month) ||
      !readDigits(text, pos, 2, p.day)) {
    return std::nullopt;
  }
  std::int64_t ms = 0;
  if (pos < text.size()) {
    if (text[pos] != 'T') return std::nullopt;
    auto time = parseTimeOfDay(text.substr(pos + 1));
    if (!time) return std::nullopt;
    ms = *time;
  }
  try {
    return DateTime::fromMilliseconds(DateTime::fromParts(p).milliseconds() + ms);
  } catch (const VariantError&) {
    return std::nullopt;
  }
}

// Space-separated integers (DEFAULT_ORDER, PRIMARY_KEY, CHANGE_LOG).
std::optional<Variant> parseIntegerList(std::string_view text) {
  std::vector<Variant> elements;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (isBlank(text[pos])) {
      ++pos;
      continue;
    }
    std::size_t end = pos;
    while (end < text.size() && !isBlank(text[end])) {
      ++end;
    }
    auto value = number_text::parseInteger(text.substr(pos, end - pos));
    if (!value) return std::nullopt;
    elements.emplace_back(*value);
    pos = end;
  }
  return Variant::array(std::move(elements));
}

// The integer the text spells in its plain form ("12", "-3"); nullopt for
// anything that would not read back as the same text ("007", "+1", "1.0").
std::optional<std::int64_t> canonicalInteger(std::string_view text) {
  auto value = number_text::parseInteger(text);
  if (!value || std::to_string(*value) != text) return std::nullopt;
  return static_cast<std::int64_t>(*value);
}

// ---- encodings ----------------------------------------------------------------

// expat knows UTF-8, UTF-16, ISO-8859-1 and US-ASCII; the store's ANSI code
// page is given to it as a one-byte map.
int XMLCALL onUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  if (!text_encoding::equalsIgnoringAsciiCase(name, "windows-1252")) return XML_STATUS_ERROR;
  for (int b = 0; b < 256; ++b) {
    std::string utf8 = text_encoding::cp1252ToUtf8(std::string(1, static_cast<char>(b)));
    std::size_t pos = 0;
    info->map[b] = static_cast<int>(text_encoding::nextCodePoint(utf8, pos).value_or(0xFFFD));
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

// The encoding="..." of an XML declaration at the start of 8-bit text;
// nullopt when there is no declaration or it names no encoding.
std::optional<std::string> declaredEncoding(std::string_view text) {
  if (text.substr(0, 5) != "<?xml" || text.size() < 6 || !isBlank(text[5])) return std::nullopt;
  std::string_view decl = text.substr(0, text.find("?>"));
  std::size_t at = decl.find("encoding");
  if (at == std::string_view::npos) return std::nullopt;
  std::size_t pos = at + 8;
  while (pos < decl.size() && isBlank(decl[pos])) {
    ++pos;
  }
  if (pos >= decl.size() || decl[pos] != '=') return std::nullopt;
  ++pos;
  while (pos < decl.size() && isBlank(decl[pos])) {
    ++pos;
  }
  if (pos >= decl.size() || (decl[pos] != '"' && decl[pos] != '\'')) return std::nullopt;
  char quote = decl[pos++];
  std::size_t end = decl.find(quote, pos);
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(decl.substr(pos, end - pos));
}

// The encoding name to give expat for the declared one; ISO-8859-1 is read
// as its superset cp1252, since the files that declare it come from Windows
// hosts and hold the euro sign and quotes at 0x80..0x9F.
std::optional<const char*> expatEncodingFor(std::string_view declared) {
  std::string name;
  for (char c : declared) {
    name += lowerAscii(c);
  }
  if (name == "utf-8" || name == "utf8") return "UTF-8";
  if (name == "us-ascii" || name == "ascii") return "US-ASCII";
  if (name == "windows-1252" || name == "cp1252" || name == "iso-8859-1" || name == "iso8859-1" ||
      name == "latin1" || name == "latin-1" || name == "l1") {
    return "windows-1252";
  }
  return std::nullopt;
}

class XmlReader {
 public:
  explicit XmlReader(std::string_view source) : source_(source) {}

  DataPacket read(std::string_view bytes) {
    std::string buffer;
    const char* encoding = prepare(bytes, buffer);
    if (buffer.empty()) fail("the document is empty");

    parser_.reset(XML_ParserCreate(encoding));
    if (!parser_) throw std::bad_alloc();
    XML_Parser parser = parser_.get();
    XML_SetUserData(parser, this);
    XML_SetUnknownEncodingHandler(parser, onUnknownEncoding, nullptr);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    XML_SetStartDoctypeDeclHandler(parser, onDoctype);

    constexpr std::size_t kChunk = 1 << 24;
    std::string_view rest(buffer);
    do {
      std::size_t size = std::min(rest.size(), kChunk);
      bool last = size == rest.size();
      XML_Status status = XML_Parse(parser, rest.data(), static_cast<int>(size), last);
      if (failure_) std::rethrow_exception(failure_);
      if (status != XML_STATUS_OK) {
        fail("ill-formed XML at line " +
             std::to_string(XML_GetCurrentLineNumber(parser) + skipped_lines_) + ", column " +
             std::to_string(XML_GetCurrentColumnNumber(parser) + 1) + ": " +
             XML_ErrorString(XML_GetErrorCode(parser)));
      }
      rest.remove_prefix(size);
    } while (!rest.empty());

    if (!seen_metadata_) fail("the DATAPACKET has no METADATA");
    return std::move(packet_);
  }

 private:
  enum class Node { Packet, Metadata, Fields, Field, Params, RowData, Row };

  static const char* nodeName(Node node) {
    switch (node) {
      case Node::Packet:
        return "DATAPACKET";
      case Node::Metadata:
        return "METADATA";
      case Node::Fields:
        return "FIELDS";
      case Node::Field:
        return "FIELD";
      case Node::Params:
        return "PARAMS";
      case Node::RowData:
        return "ROWDATA";
      case Node::Row:
        return "ROW";
    }
    return "?";
  }

  [[noreturn]] void fail(const std::string& problem) const { throw PacketError(source_, problem); }

  void skipBlanks(std::string_view& bytes) {
    while (!bytes.empty() && isBlank(bytes.front())) {
      if (bytes.front() == '\n') ++skipped_lines_;
      bytes.remove_prefix(1);
    }
  }

  // Works out the encoding to give expat and copies the document without the
  // blanks some writers put before the XML declaration (expat refuses them).
  const char* prepare(std::string_view bytes, std::string& buffer) {
    auto starts = [&](std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; };
    if (starts("\xEF\xBB\xBF")) {
      bytes.remove_prefix(3);
      skipBlanks(bytes);
      buffer.assign(bytes);
      return "UTF-8";
    }
    if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
      bool little = bytes[0] == '\xFF';
      std::string_view body = bytes.substr(2);
      while (body.size() >= 2 && isBlank(body[little ? 0 : 1]) && body[little ? 1 : 0] == '\0') {
        if (body[little ? 0 : 1] == '\n') ++skipped_lines_;
        body.remove_prefix(2);
      }
      if (body.empty()) return nullptr;
      buffer.assign(bytes.substr(0, 2));
      buffer.append(body);
      return nullptr;
    }
    if (starts(std::string_view("<\0", 2)) || starts(std::string_view("\0<", 2))) {
      buffer.assign(bytes);  // UTF-16 without a mark: expat tells it from the '<'
      return nullptr;
    }
    skipBlanks(bytes);
    buffer.assign(bytes);
    auto declared = declaredEncoding(bytes);
    if (!declared) return "windows-1252";
    if (text_encoding::equalsIgnoringAsciiCase(*declared, "utf-16")) {
      fail("the document declares the encoding UTF-16 but is not UTF-16 text");
    }
    auto encoding = expatEncodingFor(*declared);
    if (!encoding) {
      fail("the encoding " + shown(*declared) +
           " is not supported (UTF-8, UTF-16, ISO-8859-1 and windows-1252 are)");
    }
    return *encoding;
  }

  // expat is C: nothing may unwind through it. A handler keeps the first
  // failure, stops the parser, and read() throws it once expat returns.
  template <typename Body>
  static void guarded(void* self, Body&& body) {
    auto* reader = static_cast<XmlReader*>(self);
    if (reader->failure_) return;
    try {
      body(*reader);
    } catch (...) {
      reader->failure_ = std::current_exception();
      XML_StopParser(reader->parser_.get(), XML_FALSE);
    }
  }

  static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attributes) {
    guarded(self, [&](XmlReader& r) { r.startElement(name, attributes); });
  }
  static void XMLCALL onEnd(void* self, const XML_Char*) {
    guarded(self, [](XmlReader& r) { r.open_.pop_back(); });
  }
  static void XMLCALL onText(void* self, const XML_Char* text, int length) {
    guarded(self, [&](XmlReader& r) {
      std::string_view s(text, static_cast<std::size_t>(length));
      if (std::all_of(s.begin(), s.end(), isBlank)) return;
      r.fail("unexpected text " + shown(s) + " inside <" + nodeName(r.open_.back()) + ">");
    });
  }
  // A datapacket has no document type; refusing it also keeps entity
  // definitions (and their expansion) out.
  static void XMLCALL onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*,
                                int) {
    guarded(self, [](XmlReader& r) { r.fail("a datapacket may not have a document type"); });
  }

  void startElement(std::string_view name, const XML_Char** attributes) {
    if (open_.empty()) {
      if (name != "DATAPACKET") {
        fail("the root element is <" + std::string(name) + ">, not <DATAPACKET>");
      }
      open_.push_back(Node::Packet);
      return;
    }
    Node parent = open_.back();
    auto unexpected = [&]() {
      fail("unexpected element <" + std::string(name) + "> inside <" + nodeName(parent) + ">");
    };
    auto once = [&](bool& seen) {
      if (seen) fail("the datapacket has more than one <" + std::string(name) + ">");
      seen = true;
    };
    switch (parent) {
      case Node::Packet:
        if (name == "METADATA") {
          if (seen_rowdata_) fail("the ROWDATA comes before the METADATA");
          once(seen_metadata_);
          open_.push_back(Node::Metadata);
        } else if (name == "ROWDATA") {
          if (!seen_metadata_) fail("the ROWDATA comes before the METADATA");
          once(seen_rowdata_);
          open_.push_back(Node::RowData);
        } else {
          unexpected();
        }
        return;
      case Node::Metadata:
        if (name == "FIELDS") {
          once(seen_fields_);
          open_.push_back(Node::Fields);
        } else if (name == "PARAMS") {
          once(seen_params_);
          readPacketParams(attributes);
          open_.push_back(Node::Params);
        } else {
          unexpected();
        }
        return;
      case Node::Fields:
        if (name != "FIELD") unexpected();
        readField(attributes);
        open_.push_back(Node::Field);
        return;
      case Node::RowData:
        if (name != "ROW") unexpected();
        readRow(attributes);
        open_.push_back(Node::Row);
        return;
      case Node::Field:
      case Node::Params:
      case Node::Row:
        unexpected();
    }
  }

  // ---- metadata

  void readField(const XML_Char** attributes) {
    const std::string number = "field " + std::to_string(packet_.fields.size() + 1);
    Field field;
    std::optional<std::string_view> type_name;
    bool named = false;
    for (const XML_Char** a = attributes; *a != nullptr; a += 2) {
      std::string_view key(a[0]);
      if (key == "attrname") {
        field.name = a[1];
        named = true;
      } else if (key == "fieldtype") {
        type_name = a[1];
      }
    }
    if (!named || field.name.empty()) fail(number + " has no attrname");
    const std::string label = "field '" + field.name + "'";
    if (!type_name) fail(label + " has no fieldtype");

    auto type = fieldTypeFromXmlName(*type_name);
    for (int t = 0; !type && t <= static_cast<int>(FieldType::Bytes); ++t) {
      auto candidate = static_cast<FieldType>(t);
      if (text_encoding::equalsIgnoringAsciiCase(*type_name, xmlFieldTypeName(candidate)))
        type = candidate;
    }
    if (!type) {
      static constexpr std::array<std::string_view, 5> kUnsupported = {"nested", "array", "struct",
                                                                       "r10", "SQLdateTimeOffset"};
      bool known =
          std::find(kUnsupported.begin(), kUnsupported.end(), *type_name) != kUnsupported.end();
      fail(label + " has the type " + shown(*type_name) +
           (known ? ", which this module does not support" : ", which is no known field type"));
    }
    field.type = *type;

    for (const XML_Char** a = attributes; *a != nullptr; a += 2) {
      std::string_view key(a[0]);
      std::string_view value(a[1]);
      if (key == "attrname" || key == "fieldtype") continue;
      if (key == "required" || key == "readonly" || key == "hidden") {
        std::uint16_t bit = key == "required"   ? field_attribute::kRequired
                            : key == "readonly" ? field_attribute::kReadOnly
                                                : field_attribute::kHidden;
        if (text_encoding::equalsIgnoringAsciiCase(value, "true")) {
          field.attributes |= bit;
        } else if (!text_encoding::equalsIgnoringAsciiCase(value, "false")) {
          fail(label + ": " + std::string(key) + "=" + shown(value) + " is neither true nor false");
        }
      } else if (key == "WIDTH" || key == "DECIMALS") {
        auto number_value = canonicalInteger(value);
        // The binary packet and JSON hold them in 16 bits.
        if (!number_value || *number_value < 0 || *number_value > 0xFFFF) {
          fail(label + ": " + std::string(key) + " " + shown(value) +
               " is not a whole number from 0 to 65535");
        }
        field.params.push_back({std::string(key), Variant(*number_value), 0});
      } else {
        field.params.push_back({std::string(key), Variant(value), 0});
      }
    }

    if (!field_index_.emplace(field.name, packet_.fields.size()).second) {
      fail(label + " is declared twice");
    }
    packet_.fields.push_back(std::move(field));
  }

  void readPacketParams(const XML_Char** attributes) {
    for (const XML_Char** a = attributes; *a != nullptr; a += 2) {
      std::string name(a[0]);
      std::string_view text(a[1]);
      Variant value;
      if (name == "DEFAULT_ORDER" || name == "PRIMARY_KEY" || name == "CHANGE_LOG") {
        auto list = parseIntegerList(text);
        if (!list) fail("the parameter " + name + " " + shown(text) + " is not a list of numbers");
        value = std::move(*list);
      } else if (name == "LCID") {
        auto lcid = canonicalInteger(text);
        if (!lcid) fail("the parameter LCID " + shown(text) + " is not a number");
        value = Variant(*lcid);
      } else if (auto number = canonicalInteger(text)) {
        value = Variant(*number);
      } else {
        value = Variant(text);
      }
      packet_.params.push_back({std::move(name), std::move(value), 0});
    }
  }

  // ---- rows

  void readRow(const XML_Char** attributes) {
    ++row_number_;
    const std::size_t count = packet_.fields.size();
    PacketRow row;
    row.values.resize(count);
    std::vector<bool> present(count, false);
    // "RowState" is the row's state unless the packet has a field of that name.
    const bool state_is_field = field_index_.contains("RowState");
    for (const XML_Char** a = attributes; *a != nullptr; a += 2) {
      std::string_view key(a[0]);
      std::string_view text(a[1]);
      if (key == "RowState" && !state_is_field) {
        auto state = canonicalInteger(text);
        if (!state || *state < 0 || *state > 255) {
          fail("row " + std::to_string(row_number_) + ": RowState " + shown(text) +
               " is not a row state");
        }
        row.state = static_cast<std::uint8_t>(*state);
        continue;
      }
      auto it = field_index_.find(std::string(key));
      if (it == field_index_.end()) {
        fail("row " + std::to_string(row_number_) + " has the attribute '" + std::string(key) +
             "', which names no field");
      }
      row.values[it->second] = readValue(packet_.fields[it->second], text);
      present[it->second] = true;
    }
    // A modified row leaves out the fields it did not change: those are
    // Empty (take the original's value), not NULL.
    const bool modified = (row.state & row_state::kModified) != 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (!present[i] && !modified) row.values[i] = Variant::null();
    }
    packet_.rows.push_back(std::move(row));
  }

  [[noreturn]] void badValue(const Field& field, const std::string& problem) const {
    fail("row " + std::to_string(row_number_) + ", field " + field.name + ": " + problem);
  }

  Variant readValue(const Field& field, std::string_view text) const {
    switch (field.type) {
      case FieldType::String:
      case FieldType::WideString:
        return Variant(text);
      case FieldType::Bytes: {
        auto bytes = base64::decode(text);
        if (!bytes) badValue(field, shown(text) + " is not base64");
        if (field.valueKind() != ValueKind::Text) return Variant::fromBytes(std::move(*bytes));
        if (field.subtype() == "WideText") return Variant(text_encoding::utf16leToUtf8(*bytes));
        return Variant(text_encoding::cp1252ToUtf8(*bytes));
      }
      default:
        break;
    }
    if (text.empty()) return Variant::null();

    if (auto range = integerRange(field.type)) {
      auto value = number_text::parseInteger(text);
      if (!value) {
        // Digits that overflow 64 bits are a range problem, not a spelling one.
        std::string_view digits = text;
        if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
        bool spelled = !digits.empty() && std::all_of(digits.begin(), digits.end(), isDigit);
        badValue(field, spelled ? outOfRange(text, field.type, *range)
                                : shown(text) + " is not an integer");
      }
      if (*value < range->min || *value > range->max) {
        badValue(field, outOfRange(text, field.type, *range));
      }
      return Variant(static_cast<std::int64_t>(*value));
    }

    switch (field.type) {
      case FieldType::Float:
      case FieldType::Single:
      case FieldType::Fixed:
      case FieldType::FixedFmt: {
        auto value = number_text::parseDecimal(text, '.');
        if (!value) badValue(field, shown(text) + " is not a number");
        return Variant(*value);
      }
      case FieldType::Boolean:
        // TRUE or FALSE, as readers have always taken them: by the first
        // letter. Anything else is no boolean.
        if (text.front() == 'T' || text.front() == 't') return Variant(true);
        if (text.front() != 'F' && text.front() != 'f') {
          badValue(field, shown(text) + " is not a boolean (TRUE or FALSE)");
        }
        return Variant(false);
      case FieldType::Date: {
        auto value = parseDateTime(text);
        if (!value) badValue(field, shown(text) + " is not a date (yyyymmdd)");
        return Variant(
            DateTime::fromMilliseconds(value->milliseconds() - value->millisecondOfDay()));
      }
      case FieldType::Time: {
        // A full date-time in a time field gives its time of day.
        std::size_t t = text.find('T');
        auto value = parseTimeOfDay(t == std::string_view::npos ? text : text.substr(t + 1));
        if (!value || (t != std::string_view::npos && !parseDateTime(text))) {
          badValue(field, shown(text) + " is not a time (hh:nn:SSmmm)");
        }
        return Variant(DateTime::fromMilliseconds(*value));
      }
      case FieldType::DateTime:
      case FieldType::SqlDateTime: {
        auto value = parseDateTime(text);
        if (!value) badValue(field, shown(text) + " is not a date-time (yyyymmddThh:nn:SSmmm)");
        return Variant(*value);
      }
      default:
        badValue(field, "the field type cannot be read");
    }
  }

  std::string source_;
  ParserPtr parser_;
  DataPacket packet_;
  std::vector<Node> open_;
  std::unordered_map<std::string, std::size_t> field_index_;
  std::size_t row_number_ = 0;
  std::size_t skipped_lines_ = 0;  // blank lines before the declaration
  bool seen_metadata_ = false;
  bool seen_fields_ = false;
  bool seen_params_ = false;
  bool seen_rowdata_ = false;
  std::exception_ptr failure_;
};

}  // namespace

DataPacket decodeXmlPacket(std::string_view bytes, std::string_view source) {
  return XmlReader(source).read(bytes);
}

}  // namespace conta
