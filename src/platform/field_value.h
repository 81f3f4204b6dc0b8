// A value as a field of a given type stores it, for datasets and queries.
#ifndef CONTA_PLATFORM_FIELD_VALUE_H_
#define CONTA_PLATFORM_FIELD_VALUE_H_

#include "conta/data_packet.h"
#include "conta/variant.h"

namespace conta {

// Null for Null and Empty; otherwise the field's kind of value: text (never
// cut to the field's width), an integer within the type's range, a double, a
// boolean, a date-time (the date alone for a date field, the time of day for a
// time field), bytes. Throws VariantError naming the value and the field.
Variant fieldValue(const Field& field, const Variant& value);

}  // namespace conta

#endif  // CONTA_PLATFORM_FIELD_VALUE_H_
