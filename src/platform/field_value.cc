#include "platform/field_value.h"

#include <cstdint>
#include <string>
#include <utility>

#include "conta/error.h"

namespace conta {
namespace {

std::pair<std::int64_t, std::int64_t> integerRange(FieldType type) {
  switch (type) {
    case FieldType::Int8:
      return {INT8_MIN, INT8_MAX};
    case FieldType::Int16:
      return {INT16_MIN, INT16_MAX};
    case FieldType::Int32:
      return {INT32_MIN, INT32_MAX};
    case FieldType::UInt8:
      return {0, UINT8_MAX};
    case FieldType::UInt16:
      return {0, UINT16_MAX};
    case FieldType::UInt32:
      return {0, UINT32_MAX};
    case FieldType::UInt64:
      return {0, INT64_MAX};
    default:
      return {INT64_MIN, INT64_MAX};
  }
}

std::int64_t floorModDay(std::int64_t milliseconds) {
  std::int64_t r = milliseconds % DateTime::kMillisecondsPerDay;
  return r < 0 ? r + DateTime::kMillisecondsPerDay : r;
}

// A value as the field stores it: Null for Null and Empty, otherwise the
// field's kind of value. Throws VariantError naming the value and the field.

}  // namespace

Variant fieldValue(const Field& field, const Variant& value) {
  if (value.isNull() || value.isEmpty()) return Variant::null();
  try {
    switch (field.valueKind()) {
      case ValueKind::Text: {
        // A text longer than the field's width is kept whole: the width
        // describes the column, and cutting a product's name or an item's
        // note would lose what the store typed. The binary writer widens
        // its length prefix when a value needs it.
        std::string text = value.kind() == Variant::Kind::Bytes ? value.bytes() : value.toText();
        return Variant(std::move(text));
      }
      case ValueKind::Integer: {
        std::int64_t number = value.toInteger();
        auto [low, high] = integerRange(field.type);
        if (number < low || number > high) {
          throw VariantError(value.describe() + " is out of the range " + std::to_string(low) +
                             ".." + std::to_string(high));
        }
        return Variant(number);
      }
      case ValueKind::Float:
        return Variant(value.toDouble());
      case ValueKind::Boolean:
        return Variant(value.toBoolean());
      case ValueKind::DateTime: {
        std::int64_t ms = value.toDateTime().milliseconds();
        if (field.type == FieldType::Date) ms -= floorModDay(ms);
        if (field.type == FieldType::Time) ms = floorModDay(ms);
        return Variant(DateTime::fromMilliseconds(ms));
      }
      case ValueKind::Bytes:
        if (value.kind() == Variant::Kind::Bytes) return value;
        if (value.isText()) return Variant::fromBytes(value.text());
        throw VariantError("could not convert " + value.describe() + " into bytes");
    }
  } catch (const VariantError& e) {
    throw VariantError(std::string(e.what()) + " for field '" + field.name + "'");
  }
  return value;
}

}  // namespace conta
