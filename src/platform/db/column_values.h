// Helpers the drivers share to turn engine values into packet values.
#ifndef CONTA_PLATFORM_DB_COLUMN_VALUES_H_
#define CONTA_PLATFORM_DB_COLUMN_VALUES_H_

#include <optional>
#include <string>
#include <string_view>

#include "conta/data_packet.h"
#include "conta/date_time.h"
#include "conta/variant.h"

namespace conta::db {

// Column names come back in upper case on every engine.
[[nodiscard]] std::string upperName(std::string_view name);

// A SQL type name as a packet field ("VARCHAR(10)" → String 10,
// "INTEGER" → Int64, "FLOAT"/"NUMERIC(15,2)" → Float, "TIMESTAMP" → DateTime,
// "BOOLEAN" → Boolean, "BLOB"/"BYTEA" → Bytes); nullopt when it names none.
[[nodiscard]] std::optional<Field> fieldFromTypeName(const std::string& column,
                                                     std::string_view type_name);

// "2024-03-15 14:30:05.123": how date-times travel as text to and from the
// engines (SQLite stores them so; PostgreSQL reads and prints them so).
[[nodiscard]] std::string timestampText(const DateTime& t);
// Reads "yyyy-mm-dd", "yyyy-mm-dd hh:nn[:ss[.fraction]]" (blank or T).
[[nodiscard]] std::optional<DateTime> parseTimestamp(std::string_view text);

// A text as the value of a field of the given type: numbers, booleans
// ("t"/"f", "true"/"false", "1"/"0"), date-times, else the text itself.
// nullopt when the text does not spell a value of that type.
[[nodiscard]] std::optional<Variant> valueFromText(const Field& field, std::string_view text);

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_COLUMN_VALUES_H_
