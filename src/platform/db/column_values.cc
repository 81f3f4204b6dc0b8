#include "platform/db/column_values.h"

#include <cstdio>

#include "platform/number_text.h"

namespace conta::db {

std::string upperName(std::string_view name) {
  std::string out(name);
  for (auto& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

std::optional<Field> fieldFromTypeName(const std::string& column, std::string_view type_name) {
  std::string type = upperName(type_name);
  if (type.empty()) return std::nullopt;
  int width = 0;
  if (auto open = type.find('('); open != std::string::npos) {
    width = std::atoi(type.c_str() + open + 1);
  }
  auto has = [&](const char* part) { return type.find(part) != std::string::npos; };
  // The order follows SQLite's affinity rules: INT first, then text, blob,
  // floating point; dates and booleans by name.
  if (has("INT")) return Field(column, FieldType::Int64);
  if (has("CHAR") || has("CLOB") || has("TEXT")) return Field(column, FieldType::String, width);
  if (has("BLOB") || has("BYTEA") || has("BINARY")) return Field(column, FieldType::Bytes);
  if (has("REAL") || has("FLOA") || has("DOUB") || has("NUMERIC") || has("DECIMAL") ||
      has("MONEY")) {
    return Field(column, FieldType::Float);
  }
  if (has("DATE") || has("TIME")) return Field(column, FieldType::DateTime);
  if (has("BOOL") || has("BIT")) return Field(column, FieldType::Boolean);
  return std::nullopt;
}

std::string timestampText(const DateTime& t) {
  DateTime::Parts p = t.parts();
  char out[32];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day,
                p.hour, p.minute, p.second, p.millisecond);
  return out;
}

std::optional<DateTime> parseTimestamp(std::string_view text) {
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  return DateTime::parseIso(text);
}

std::optional<Variant> valueFromText(const Field& field, std::string_view text) {
  switch (field.valueKind()) {
    case ValueKind::Text:
      return Variant(text);
    case ValueKind::Integer: {
      if (auto v = number_text::parseInteger(text)) return Variant(static_cast<std::int64_t>(*v));
      return std::nullopt;
    }
    case ValueKind::Float: {
      if (auto v = number_text::parseDecimal(text, '.')) return Variant(*v);
      return std::nullopt;
    }
    case ValueKind::Boolean: {
      std::string t = upperName(text);
      if (t == "T" || t == "TRUE" || t == "1" || t == "Y" || t == "S") return Variant(true);
      if (t == "F" || t == "FALSE" || t == "0" || t == "N") return Variant(false);
      return std::nullopt;
    }
    case ValueKind::DateTime: {
      if (auto t = parseTimestamp(text)) return Variant(*t);
      return std::nullopt;
    }
    case ValueKind::Bytes:
      return Variant::fromBytes(std::string(text));
  }
  return std::nullopt;
}

}  // namespace conta::db
