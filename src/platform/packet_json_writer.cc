// The JSON form of a data packet: the writer. One field and one row per
// line, so that the output is stable and diffs well.
#include <cmath>
#include <string>

#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "platform/base64.h"
#include "platform/packet_json_format.h"
#include "platform/text_encoding.h"

namespace conta {
namespace {

using json_packet::Json;

const char* jsonTypeName(const Field& field) {
  switch (field.valueKind()) {
    case ValueKind::Text:
      return "string";
    case ValueKind::Integer:
      return "integer";
    case ValueKind::Float:
      return "float";
    case ValueKind::Boolean:
      return "boolean";
    case ValueKind::DateTime:
      return "datetime";
    case ValueKind::Bytes:
      return "bytes";
  }
  return "string";
}

std::string dumpValue(const Json& value) {
  // Strict UTF-8 was checked before; replace keeps dump() from throwing.
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json paramToJson(const Variant& value) {
  switch (value.kind()) {
    case Variant::Kind::Boolean:
      return value.boolean();
    case Variant::Kind::Integer:
      return value.integer();
    case Variant::Kind::Double:
      return value.real();
    case Variant::Kind::Array: {
      Json out = Json::array();
      for (const auto& e : value.elements())
        out.push_back(paramToJson(e));
      return out;
    }
    case Variant::Kind::Bytes:
      return base64::encode(value.bytes());
    default:
      return value.tryText().value_or("");
  }
}

// `row` is 1-based; the place is spelled out only when the value fails.
Json valueToJson(const Field& field, const Variant& value, std::size_t row) {
  if (value.isNull() || value.isEmpty()) return nullptr;
  auto where = [&] { return "row " + std::to_string(row) + ", field '" + field.name + "'"; };
  auto fail = [&](const char* wanted) -> Json {
    throw PacketError("packet", where() + ": " + value.describe() + " is not " + wanted);
  };
  switch (field.valueKind()) {
    case ValueKind::Text: {
      auto text = value.tryText();
      if (!text) return fail("text");
      if (!text_encoding::isValidUtf8(*text)) {
        throw PacketError("packet", where() + ": the text is not valid UTF-8");
      }
      return *text;
    }
    case ValueKind::Integer: {
      auto v = value.tryInteger();
      return v ? Json(*v) : fail("an integer");
    }
    case ValueKind::Float: {
      auto v = value.tryDouble();
      if (!v) return fail("a number");
      if (!std::isfinite(*v)) {
        throw PacketError("packet",
                          where() + ": " + value.describe() + " cannot be written in JSON");
      }
      return *v;
    }
    case ValueKind::Boolean: {
      auto v = value.tryBoolean();
      return v ? Json(*v) : fail("a boolean");
    }
    case ValueKind::DateTime: {
      auto v = value.tryDateTime();
      return v ? Json(v->iso()) : fail("a date-time");
    }
    case ValueKind::Bytes:
      if (value.kind() == Variant::Kind::Bytes) return base64::encode(value.bytes());
      if (auto text = value.tryText()) return base64::encode(*text);
      return fail("bytes");
  }
  return nullptr;
}

}  // namespace

std::string encodeJsonPacket(const DataPacket& source_packet) {
  DataPacket packet = source_packet.currentRows();
  std::string out = "{\"fields\":[";
  for (std::size_t i = 0; i < packet.fields.size(); ++i) {
    const Field& field = packet.fields[i];
    Json entry;
    entry["name"] = field.name;
    entry["type"] = jsonTypeName(field);
    entry["width"] = field.width();
    entry["fieldtype"] = xmlFieldTypeName(field.type);
    if (std::string subtype = field.subtype(); !subtype.empty()) entry["subtype"] = subtype;
    if (field.findParam("DECIMALS") != nullptr) entry["decimals"] = field.decimals();
    if (field.attributes != 0) entry["attributes"] = field.attributes;
    out += i == 0 ? "\n" : ",\n";
    out += dumpValue(entry);
  }
  out += "\n],\n\"rows\":[";
  for (std::size_t r = 0; r < packet.rows.size(); ++r) {
    const auto& values = packet.rows[r].values;
    out += r == 0 ? "\n[" : ",\n[";
    for (std::size_t c = 0; c < packet.fields.size(); ++c) {
      if (c > 0) out += ',';
      static const Variant kNull = Variant::null();
      const Variant& value = c < values.size() ? values[c] : kNull;
      out += dumpValue(valueToJson(packet.fields[c], value, r + 1));
    }
    out += ']';
  }
  out += "\n]";
  if (!packet.params.empty()) {
    Json params = Json::object();
    for (const auto& p : packet.params)
      params[p.name] = paramToJson(p.value);
    out += ",\n\"params\":" + dumpValue(params);
  }
  out += "}\n";
  return out;
}

}  // namespace conta
