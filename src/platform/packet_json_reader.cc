// The JSON form of a data packet: the reader.
#include <cstdint>
#include <optional>
#include <string>

#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "platform/base64.h"
#include "platform/packet_json_format.h"

namespace conta {
namespace {

using json_packet::Json;

FieldType typeFromJsonName(const std::string& name, bool& known) {
  known = true;
  if (name == "string") return FieldType::String;
  if (name == "integer") return FieldType::Int32;
  if (name == "float") return FieldType::Float;
  if (name == "boolean") return FieldType::Boolean;
  if (name == "datetime") return FieldType::DateTime;
  if (name == "bytes") return FieldType::Bytes;
  known = false;
  return FieldType::String;
}

Variant paramFromJson(const Json& value) {
  if (value.is_boolean()) return Variant(value.get<bool>());
  if (value.is_number_integer()) return Variant(value.get<std::int64_t>());
  if (value.is_number()) return Variant(value.get<double>());
  if (value.is_array()) {
    std::vector<Variant> elements;
    for (const auto& e : value)
      elements.push_back(paramFromJson(e));
    return Variant::array(std::move(elements));
  }
  if (value.is_string()) return Variant(value.get<std::string>());
  return Variant::null();
}

}  // namespace

DataPacket decodeJsonPacket(std::string_view bytes, std::string_view source_view) {
  std::string source(source_view);
  auto fail = [&](const std::string& problem) -> void { throw PacketError(source, problem); };
  Json doc;
  try {
    doc = Json::parse(bytes.begin(), bytes.end());
  } catch (const Json::exception& e) {
    // A syntax error, or a number too large for a double (out_of_range).
    // The library's message carries the byte position after its own tag
    // ("[json.exception.parse_error.101] ").
    std::string message = e.what();
    auto cut = message.find("] ");
    throw PacketError(source, "ill-formed JSON: " +
                                  (cut == std::string::npos ? message : message.substr(cut + 2)));
  }
  if (!doc.is_object()) fail("a JSON packet is an object with \"fields\" and \"rows\"");
  if (!doc.contains("fields") || !doc["fields"].is_array())
    fail("\"fields\" is missing or not an array");
  if (!doc.contains("rows") || !doc["rows"].is_array()) fail("\"rows\" is missing or not an array");

  DataPacket packet;
  std::size_t index = 0;
  for (const auto& entry : doc["fields"]) {
    ++index;
    std::string label = "field " + std::to_string(index);
    if (!entry.is_object() || !entry.contains("name") || !entry["name"].is_string()) {
      fail(label + ": a field is an object with a \"name\"");
    }
    Field field;
    field.name = entry["name"].get<std::string>();
    label = "field '" + field.name + "'";
    if (entry.contains("fieldtype")) {
      if (!entry["fieldtype"].is_string()) fail(label + ": \"fieldtype\" is not text");
      auto type = fieldTypeFromXmlName(entry["fieldtype"].get<std::string>());
      if (!type)
        fail(label + ": unknown fieldtype '" + entry["fieldtype"].get<std::string>() + "'");
      field.type = *type;
    } else {
      if (!entry.contains("type") || !entry["type"].is_string())
        fail(label + ": \"type\" is missing");
      bool known = false;
      field.type = typeFromJsonName(entry["type"].get<std::string>(), known);
      if (!known) fail(label + ": unknown type '" + entry["type"].get<std::string>() + "'");
      if (field.type == FieldType::Bytes) field.setSubtype("Binary");
    }
    auto number = [&](const char* key) -> std::optional<std::int64_t> {
      if (!entry.contains(key)) return std::nullopt;
      if (!entry[key].is_number_integer() || entry[key].get<std::int64_t>() < 0 ||
          entry[key].get<std::int64_t>() > 0xFFFF) {
        fail(label + ": \"" + key + "\" is not a whole number from 0 to 65535");
      }
      return entry[key].get<std::int64_t>();
    };
    if (auto w = number("width"); w && *w > 0) field.setWidth(static_cast<int>(*w));
    if (auto d = number("decimals")) field.setDecimals(static_cast<int>(*d));
    if (auto a = number("attributes")) field.attributes = static_cast<std::uint16_t>(*a);
    if (entry.contains("subtype")) {
      if (!entry["subtype"].is_string()) fail(label + ": \"subtype\" is not text");
      field.setSubtype(entry["subtype"].get<std::string>());
    }
    packet.fields.push_back(std::move(field));
  }

  bool widen_integers = false;
  std::size_t row_number = 0;
  for (const auto& row_json : doc["rows"]) {
    ++row_number;
    std::string label = "row " + std::to_string(row_number);
    if (!row_json.is_array() || row_json.size() != packet.fields.size()) {
      fail(label + ": a row is an array of " + std::to_string(packet.fields.size()) + " values");
    }
    PacketRow row;
    row.values.reserve(packet.fields.size());
    for (std::size_t c = 0; c < packet.fields.size(); ++c) {
      const Field& field = packet.fields[c];
      const Json& v = row_json[c];
      std::string what = label + ", field '" + field.name + "'";
      if (v.is_null()) {
        row.values.push_back(Variant::null());
        continue;
      }
      switch (field.valueKind()) {
        case ValueKind::Text:
          if (!v.is_string()) fail(what + ": expected text, found " + v.dump());
          row.values.emplace_back(v.get<std::string>());
          break;
        case ValueKind::Integer:
          if (v.is_number_unsigned() && v.get<std::uint64_t>() > INT64_MAX) {
            fail(what + ": " + v.dump() + " is out of range");
          }
          if (!v.is_number_integer()) fail(what + ": expected an integer, found " + v.dump());
          row.values.emplace_back(v.get<std::int64_t>());
          if (v.get<std::int64_t>() < INT32_MIN || v.get<std::int64_t>() > INT32_MAX) {
            widen_integers = true;
          }
          break;
        case ValueKind::Float:
          if (!v.is_number()) fail(what + ": expected a number, found " + v.dump());
          row.values.emplace_back(v.get<double>());
          break;
        case ValueKind::Boolean:
          if (!v.is_boolean()) fail(what + ": expected true or false, found " + v.dump());
          row.values.emplace_back(v.get<bool>());
          break;
        case ValueKind::DateTime: {
          if (!v.is_string()) fail(what + ": expected an ISO-8601 date-time, found " + v.dump());
          auto t = DateTime::parseIso(v.get<std::string>());
          if (!t) fail(what + ": '" + v.get<std::string>() + "' is not an ISO-8601 date-time");
          row.values.emplace_back(*t);
          break;
        }
        case ValueKind::Bytes: {
          if (!v.is_string()) fail(what + ": expected base64 text, found " + v.dump());
          auto data = base64::decode(v.get<std::string>());
          if (!data) fail(what + ": the value is not valid base64");
          row.values.push_back(Variant::fromBytes(std::move(*data)));
          break;
        }
      }
    }
    packet.rows.push_back(std::move(row));
  }
  // A plain "integer" field holds 32 bits unless a value needs more.
  if (widen_integers) {
    for (std::size_t c = 0; c < packet.fields.size(); ++c) {
      const auto& entry = doc["fields"][c];
      if (!entry.contains("fieldtype") && packet.fields[c].type == FieldType::Int32) {
        packet.fields[c].type = FieldType::Int64;
      }
    }
  }

  if (doc.contains("params")) {
    if (!doc["params"].is_object()) fail("\"params\" is not an object");
    for (const auto& [name, value] : doc["params"].items()) {
      packet.params.push_back({name, paramFromJson(value), 0});
    }
  }
  return packet;
}

}  // namespace conta
