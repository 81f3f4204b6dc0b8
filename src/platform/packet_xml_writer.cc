// The XML datapacket: the writer.
//
// Writing is by hand, in UTF-8 with a declaration, and only ever the current
// rows: a packet for hosts carries no change log. Whatever the format cannot
// carry (a control character, a name that is no XML name, a number that is
// not finite) is refused with the row and field named, never dropped.
#include <expat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
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

// Date-time texts of the datapacket: date yyyymmdd, time hh:nn:SSmmm where
// SSmmm is seconds x 1000 + milliseconds, date-time yyyymmddThh:nn:SSmmm.

std::string dateText(const DateTime& value) {
  DateTime::Parts p = value.parts();
  char out[16];
  std::snprintf(out, sizeof out, "%04d%02d%02d", p.year, p.month, p.day);
  return out;
}

std::string timeText(const DateTime& value) {
  DateTime::Parts p = value.parts();
  char out[16];
  std::snprintf(out, sizeof out, "%02d:%02d:%05d", p.hour, p.minute,
                p.second * 1000 + p.millisecond);
  return out;
}

std::string dateTimeText(const DateTime& value) {
  if (value.millisecondOfDay() == 0) return dateText(value);
  return dateText(value) + "T" + timeText(value);
}

constexpr const char* kWriteSource = "packet";

// Appends `text` as an attribute value: the five XML specials as entities,
// CR, LF, TAB and backslash as character references (so that they survive
// attribute-value normalisation and the readers of the platform), and with
// `ascii_only` every other non-ASCII character as a reference too. Returns
// what is wrong when the text cannot be carried.
std::optional<std::string> appendEscaped(std::string& out, std::string_view text, bool ascii_only) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t start = pos;
    auto cp = text_encoding::nextCodePoint(text, pos);
    if (!cp) return std::string("the text is not valid UTF-8");
    switch (*cp) {
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      case '"':
        out += "&quot;";
        continue;
      case '&':
        out += "&amp;";
        continue;
      case '\'':
        out += "&apos;";
        continue;
      case '\r':
        out += "&#013;";
        continue;
      case '\n':
        out += "&#010;";
        continue;
      case '\t':
        out += "&#009;";
        continue;
      case '\\':
        out += "&#092;";
        continue;
      default:
        break;
    }
    if (*cp < 0x20 || *cp == 0xFFFE || *cp == 0xFFFF) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(*cp));
      return std::string("the text holds the character ") + code + ", which XML cannot carry";
    }
    if (ascii_only && *cp >= 0x80) {
      out += "&#" + std::to_string(static_cast<std::uint32_t>(*cp)) + ";";
    } else {
      out.append(text.substr(start, pos - start));
    }
  }
  return std::nullopt;
}

// Whether `name` can stand as an attribute name (field names are the
// attributes of ROW). ASCII is checked here; for other letters the reader
// itself (expat) is asked, so that what is written can always be read.
bool isXmlName(std::string_view name) {
  if (name.empty() || !text_encoding::isValidUtf8(name)) return false;
  bool ascii = true;
  for (std::size_t i = 0; i < name.size(); ++i) {
    auto c = static_cast<unsigned char>(name[i]);
    if (c >= 0x80) {
      ascii = false;
      continue;
    }
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
    bool other = isDigit(static_cast<char>(c)) || c == '-' || c == '.';
    if (!letter && !(other && i > 0)) return false;
  }
  if (ascii) return true;
  std::string probe = "<x " + std::string(name) + "=\"\"/>";
  ParserPtr parser(XML_ParserCreate("UTF-8"));
  if (!parser) throw std::bad_alloc();
  return XML_Parse(parser.get(), probe.data(), static_cast<int>(probe.size()), XML_TRUE) ==
         XML_STATUS_OK;
}

// The text of a metadata parameter: numbers plain, arrays space-separated.
std::optional<std::string> paramText(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null:
      return std::string();
    case Variant::Kind::Boolean:
      return std::string(value.boolean() ? "TRUE" : "FALSE");
    case Variant::Kind::Integer:
      return std::to_string(value.integer());
    case Variant::Kind::Double:
      if (!std::isfinite(value.real())) return std::nullopt;
      return number_text::formatShortest(value.real());
    case Variant::Kind::Text:
      return value.text();
    case Variant::Kind::DateTime:
      return dateTimeText(value.dateTime());
    case Variant::Kind::Array: {
      std::string out;
      for (const auto& element : value.elements()) {
        if (element.isArray()) return std::nullopt;
        auto text = paramText(element);
        if (!text) return std::nullopt;
        if (!out.empty()) out += ' ';
        out += *text;
      }
      return out;
    }
    default:
      return std::nullopt;
  }
}

class XmlWriter {
 public:
  std::string write(const DataPacket& packet) {
    out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
    out_ += "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    std::unordered_set<std::string> names;
    for (const auto& field : packet.fields) {
      if (!isXmlName(field.name)) {
        fail("the field name " + shown(field.name) + " is no XML name, so no row could hold it");
      }
      if (!names.insert(field.name).second) fail("the field " + field.name + " appears twice");
      writeField(field);
    }
    out_ += "</FIELDS><PARAMS";
    writeParams(packet.params, "the packet", {});
    out_ += "/></METADATA><ROWDATA>";
    for (std::size_t r = 0; r < packet.rows.size(); ++r) {
      writeRow(packet, r);
    }
    out_ += "</ROWDATA></DATAPACKET>\n";
    return std::move(out_);
  }

 private:
  [[noreturn]] static void fail(const std::string& problem) {
    throw PacketError(kWriteSource, problem);
  }

  void attribute(std::string_view name, std::string_view value, bool ascii_only,
                 const std::string& context) {
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    if (auto problem = appendEscaped(out_, value, ascii_only)) fail(context + ": " + *problem);
    out_ += '"';
  }

  void writeField(const Field& field) {
    const std::string label = "field " + field.name;
    const char* type = xmlFieldTypeName(field.type);
    if (std::string_view(type) == "?") fail(label + " has no field type XML can name");
    out_ += "<FIELD";
    attribute("attrname", field.name, false, label);
    attribute("fieldtype", type, false, label);
    if (field.attributes & field_attribute::kRequired) out_ += " required=\"true\"";
    if (field.attributes & field_attribute::kReadOnly) out_ += " readonly=\"true\"";
    if (field.attributes & field_attribute::kHidden) out_ += " hidden=\"true\"";
    writeParams(field.params, label, {"attrname", "fieldtype", "required", "readonly", "hidden"});
    out_ += "/>";
  }

  void writeParams(const std::vector<PacketParam>& params, const std::string& owner,
                   std::unordered_set<std::string> taken) {
    for (const auto& param : params) {
      const std::string label = owner + ", parameter " + param.name;
      if (!isXmlName(param.name)) fail(label + ": the name is no XML name");
      if (!taken.insert(param.name).second) fail(label + " appears twice");
      auto text = paramText(param.value);
      if (!text) fail(label + ": " + param.value.describe() + " cannot be written in XML");
      attribute(param.name, *text, false, label);
    }
  }

  void writeRow(const DataPacket& packet, std::size_t index) {
    const PacketRow& row = packet.rows[index];
    const std::string number = "row " + std::to_string(index + 1);
    for (std::size_t i = packet.fields.size(); i < row.values.size(); ++i) {
      if (!row.values[i].isNull() && !row.values[i].isEmpty()) {
        fail(number + " has more values than the packet has fields");
      }
    }
    out_ += "<ROW";
    for (std::size_t i = 0; i < packet.fields.size() && i < row.values.size(); ++i) {
      const Variant& value = row.values[i];
      if (value.isNull() || value.isEmpty()) continue;  // NULL: no attribute
      const Field& field = packet.fields[i];
      const std::string context = number + ", field " + field.name;
      std::string text;
      try {
        text = valueText(field, value, context);
      } catch (const VariantError& e) {
        fail(context + ": " + e.what());
      }
      attribute(field.name, text, field.type == FieldType::WideString, context);
    }
    out_ += "/>";
  }

  // The value in the field's own spelling, converted first when the
  // Variant holds another kind.
  static std::string valueText(const Field& field, const Variant& value,
                               const std::string& context) {
    if (auto range = integerRange(field.type)) {
      std::int64_t n = value.toInteger();
      if (n < range->min || n > range->max) {
        fail(context + ": " + outOfRange(std::to_string(n), field.type, *range));
      }
      return std::to_string(n);
    }
    switch (field.type) {
      case FieldType::String:
      case FieldType::WideString:
        return value.toText();
      case FieldType::Boolean:
        return value.toBoolean() ? "TRUE" : "FALSE";
      case FieldType::Float:
      case FieldType::Single:
      case FieldType::Fixed:
      case FieldType::FixedFmt: {
        double d = value.toDouble();
        if (!std::isfinite(d)) fail(context + ": " + value.describe() + " is not a finite number");
        bool fixed = field.type == FieldType::Fixed || field.type == FieldType::FixedFmt;
        return fixed ? number_text::formatShortestFixed(d) : number_text::formatShortest(d);
      }
      case FieldType::Date:
      case FieldType::Time:
      case FieldType::DateTime:
      case FieldType::SqlDateTime: {
        DateTime t = value.toDateTime();
        if (field.type == FieldType::Time) return timeText(t);
        int year = t.parts().year;
        if (year < 1 || year > 9999) {
          fail(context + ": " + value.describe() + " lies outside the years 1 to 9999");
        }
        return field.type == FieldType::Date ? dateText(t) : dateTimeText(t);
      }
      case FieldType::Bytes:
        return base64::encode(blobBytes(field, value, context));
      default:
        fail(context + ": the field type cannot be written");
    }
  }

  // The stored bytes of a blob: a Text memo in the store's code page, a
  // WideText memo in UTF-16LE, anything else as it is.
  static std::string blobBytes(const Field& field, const Variant& value,
                               const std::string& context) {
    if (value.kind() == Variant::Kind::Bytes) return value.bytes();
    std::string text = value.toText();
    if (!text_encoding::isValidUtf8(text)) fail(context + ": the text is not valid UTF-8");
    if (field.valueKind() != ValueKind::Text) return text;
    if (field.subtype() == "WideText") return text_encoding::utf8ToUtf16le(text);
    std::size_t replaced = 0;
    std::string ansi = text_encoding::utf8ToCp1252(text, &replaced);
    if (replaced > 0) {
      fail(context + ": the memo text holds characters the code page cp1252 cannot store");
    }
    return ansi;
  }

  std::string out_;
};

}  // namespace

std::string encodeXmlPacket(const DataPacket& packet) {
  if (!packet.hasChangeLog()) return XmlWriter().write(packet);
  return XmlWriter().write(packet.currentRows());
}

}  // namespace conta
