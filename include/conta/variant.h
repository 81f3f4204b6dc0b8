// Variant: the one value type that crosses every interface of the module
// (parameters, result entries, field values, result envelopes).
//
// It behaves like the platform's variant where the module depends on it:
// empty and null are distinct, text converts to and from numbers in the
// general format with the locale's decimal separator, booleans convert from
// booleans, numbers and the texts "True"/"False", and two variants add as the
// persons count needs. Conversions that the platform refuses throw
// VariantError with a message that names the value; null never becomes a
// silent 0.
//
// Arrays and packets are held immutably and shared between copies; set()
// copies an array before changing it, so a Variant behaves as a value.
// A Variant is not synchronised: share copies between threads, not objects.
#ifndef CONTA_VARIANT_H_
#define CONTA_VARIANT_H_

#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "conta/date_time.h"
#include "conta/export.h"

namespace conta {

class DataPacket;

class CONTA_EXPORT Variant {
 public:
  enum class Kind : std::uint8_t {
    Empty,  // never assigned (the platform's Unassigned)
    Null,   // a database NULL
    Boolean,
    Integer,  // 64-bit signed
    Double,
    Text,  // UTF-8
    DateTime,
    Bytes,   // raw bytes of a blob
    Array,   // one-dimensional, zero-based
    Packet,  // a data packet
  };

  Variant() noexcept = default;
  static Variant null() { return Variant(NullTag{}); }
  static Variant fromBytes(std::string bytes);
  static Variant array(std::vector<Variant> elements);
  // An array of `count` empty elements, as a host makes the result array.
  static Variant array(std::size_t count);

  explicit Variant(bool value) : value_(value) {}
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) explicit Variant(T value)
      : value_(checkedInteger(value)) {}
  explicit Variant(double value) : value_(value) {}
  explicit Variant(std::string text) : value_(std::move(text)) {}
  explicit Variant(std::string_view text) : value_(std::string(text)) {}
  explicit Variant(const char* text) : value_(std::string(text)) {}
  explicit Variant(conta::DateTime value) : value_(value) {}
  explicit Variant(DataPacket packet);
  explicit Variant(std::shared_ptr<const DataPacket> packet);

  Kind kind() const noexcept { return static_cast<Kind>(value_.index()); }
  bool isEmpty() const noexcept { return kind() == Kind::Empty; }
  bool isNull() const noexcept { return kind() == Kind::Null; }
  bool isNumber() const noexcept { return kind() == Kind::Integer || kind() == Kind::Double; }
  bool isText() const noexcept { return kind() == Kind::Text; }
  bool isArray() const noexcept { return kind() == Kind::Array; }
  bool isPacket() const noexcept { return kind() == Kind::Packet; }

  // Conversions as the platform's variant makes them:
  //  - empty gives false, 0, 0.0, "" and day zero; null and arrays give an error;
  //  - a number gives the text of the general format (15 significant digits,
  //    the locale's decimal separator); text gives the number it spells
  //    (blanks around it allowed, '.' always accepted as decimal separator);
  //  - true is -1 as a number and "True" as text;
  //  - a double becomes an integer rounded half to even;
  //  - a date-time is the platform's day number with fraction as a double.
  // Each throws VariantError naming the value when the conversion is not defined.
  bool toBoolean() const;
  std::int64_t toInteger() const;
  double toDouble() const;
  std::string toText() const;
  conta::DateTime toDateTime() const;

  // The same conversions without throwing: nullopt where those throw.
  std::optional<bool> tryBoolean() const;
  std::optional<std::int64_t> tryInteger() const;
  std::optional<double> tryDouble() const;
  std::optional<std::string> tryText() const;
  std::optional<conta::DateTime> tryDateTime() const;

  // The held value itself. Each throws VariantError when the kind differs.
  bool boolean() const;
  std::int64_t integer() const;
  double real() const;
  const std::string& text() const;
  conta::DateTime dateTime() const;
  const std::string& bytes() const;
  const std::vector<Variant>& elements() const;
  const DataPacket& packet() const;
  std::shared_ptr<const DataPacket> sharedPacket() const;

  // Array access. Throws VariantError when this is no array or the index is
  // outside it.
  std::size_t size() const;
  const Variant& operator[](std::size_t index) const;
  void set(std::size_t index, Variant value);

  // For messages: "Null", "Text 'abc'", "Double 1.5", "Array[3]".
  std::string describe() const;
  static const char* kindName(Kind kind);

  // Same kind and same value (packets compare by content, doubles by ==).
  friend CONTA_EXPORT bool operator==(const Variant& a, const Variant& b);

 private:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  struct BytesValue {
    std::string data;
    bool operator==(const BytesValue&) const = default;
  };
  using Array = std::shared_ptr<const std::vector<Variant>>;
  using Packet = std::shared_ptr<const DataPacket>;

  explicit Variant(NullTag tag) : value_(tag) {}

  template <std::integral T>
  static std::int64_t checkedInteger(T value) {
    if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(std::int64_t)) {
      if (value > static_cast<T>(INT64_MAX)) throwIntegerOutOfRange();
    }
    return static_cast<std::int64_t>(value);
  }
  [[noreturn]] static void throwIntegerOutOfRange();

  // The order of the alternatives is the order of Kind.
  std::variant<std::monostate, NullTag, bool, std::int64_t, double, std::string, conta::DateTime,
               BytesValue, Array, Packet>
      value_;
};

// Adds two variants as the platform does: null with anything is null; empty
// is the other operand; two texts concatenate; numbers (and text that spells
// a number, and booleans as -1/0) add as numbers, integers staying integers
// while they fit; a date-time plus a number moves by that many days.
// Anything else throws VariantError.
CONTA_EXPORT Variant operator+(const Variant& a, const Variant& b);

}  // namespace conta

#endif  // CONTA_VARIANT_H_
