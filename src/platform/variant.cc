#include "conta/variant.h"

#include <cmath>
#include <limits>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "platform/number_text.h"
#include "platform/text_encoding.h"

namespace conta {
namespace {

[[noreturn]] void cannotConvert(const Variant& v, const char* target) {
  throw VariantError("could not convert " + v.describe() + " into " + target);
}

std::optional<std::int64_t> roundToInteger(double d) {
  if (!std::isfinite(d)) return std::nullopt;
  // Round half to even, as the platform's variant does.
  double r = std::nearbyint(d);
  if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return std::nullopt;
  return static_cast<std::int64_t>(r);
}

}  // namespace

Variant Variant::fromBytes(std::string bytes) {
  Variant v;
  v.value_ = BytesValue{std::move(bytes)};
  return v;
}

Variant Variant::array(std::vector<Variant> elements) {
  Variant v;
  // Made non-const so that set() may change it in place while it is the
  // sole owner.
  v.value_ = std::shared_ptr<const std::vector<Variant>>(
      std::make_shared<std::vector<Variant>>(std::move(elements)));
  return v;
}

Variant Variant::array(std::size_t count) {
  return array(std::vector<Variant>(count));
}

Variant::Variant(DataPacket packet)
    : value_(std::make_shared<const DataPacket>(std::move(packet))) {}

Variant::Variant(std::shared_ptr<const DataPacket> packet) {
  if (!packet) throw VariantError("a packet variant needs a packet");
  value_ = std::move(packet);
}

void Variant::throwIntegerOutOfRange() {
  throw VariantError("an integer above 9223372036854775807 does not fit a variant");
}

const char* Variant::kindName(Kind kind) {
  switch (kind) {
    case Kind::Empty:
      return "Empty";
    case Kind::Null:
      return "Null";
    case Kind::Boolean:
      return "Boolean";
    case Kind::Integer:
      return "Integer";
    case Kind::Double:
      return "Double";
    case Kind::Text:
      return "Text";
    case Kind::DateTime:
      return "DateTime";
    case Kind::Bytes:
      return "Bytes";
    case Kind::Array:
      return "Array";
    case Kind::Packet:
      return "Packet";
  }
  return "?";
}

std::string Variant::describe() const {
  switch (kind()) {
    case Kind::Empty:
    case Kind::Null:
      return kindName(kind());
    case Kind::Boolean:
      return std::get<bool>(value_) ? "Boolean True" : "Boolean False";
    case Kind::Integer:
      return "Integer " + std::to_string(std::get<std::int64_t>(value_));
    case Kind::Double:
      return "Double " + number_text::formatShortest(std::get<double>(value_));
    case Kind::Text: {
      const std::string& t = std::get<std::string>(value_);
      if (t.size() <= 60) return "Text '" + t + "'";
      // Cut on a character boundary so the message stays valid UTF-8.
      std::size_t cut = 57;
      while (cut > 0 && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80)
        --cut;
      return "Text '" + t.substr(0, cut) + "...'";
    }
    case Kind::DateTime:
      return "DateTime " + std::get<conta::DateTime>(value_).iso();
    case Kind::Bytes:
      return "Bytes[" + std::to_string(std::get<BytesValue>(value_).data.size()) + "]";
    case Kind::Array:
      return "Array[" + std::to_string(std::get<Array>(value_)->size()) + "]";
    case Kind::Packet:
      return "Packet[" + std::to_string(std::get<Packet>(value_)->rows.size()) + " rows]";
  }
  return "?";
}

// ---- conversions -----------------------------------------------------------

std::optional<bool> Variant::tryBoolean() const {
  switch (kind()) {
    case Kind::Empty:
      return false;
    case Kind::Boolean:
      return std::get<bool>(value_);
    case Kind::Integer:
      return std::get<std::int64_t>(value_) != 0;
    case Kind::Double:
      return std::get<double>(value_) != 0.0;
    case Kind::Text: {
      const std::string& t = std::get<std::string>(value_);
      if (text_encoding::equalsIgnoringAsciiCase(t, "true")) return true;
      if (text_encoding::equalsIgnoringAsciiCase(t, "false")) return false;
      if (auto d = number_text::parseDecimal(t)) return *d != 0.0;
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

std::optional<double> Variant::tryDouble() const {
  switch (kind()) {
    case Kind::Empty:
      return 0.0;
    case Kind::Boolean:
      return std::get<bool>(value_) ? -1.0 : 0.0;
    case Kind::Integer:
      return static_cast<double>(std::get<std::int64_t>(value_));
    case Kind::Double:
      return std::get<double>(value_);
    case Kind::Text:
      return number_text::parseDecimal(std::get<std::string>(value_));
    case Kind::DateTime:
      return std::get<conta::DateTime>(value_).platformDays();
    default:
      return std::nullopt;
  }
}

std::optional<std::int64_t> Variant::tryInteger() const {
  switch (kind()) {
    case Kind::Empty:
      return 0;
    case Kind::Boolean:
      return std::get<bool>(value_) ? -1 : 0;
    case Kind::Integer:
      return std::get<std::int64_t>(value_);
    case Kind::Double:
      return roundToInteger(std::get<double>(value_));
    case Kind::Text: {
      const std::string& t = std::get<std::string>(value_);
      if (auto i = number_text::parseInteger(t)) return static_cast<std::int64_t>(*i);
      if (auto d = number_text::parseDecimal(t)) return roundToInteger(*d);
      return std::nullopt;
    }
    case Kind::DateTime:
      return roundToInteger(std::get<conta::DateTime>(value_).platformDays());
    default:
      return std::nullopt;
  }
}

std::optional<std::string> Variant::tryText() const {
  switch (kind()) {
    case Kind::Empty:
      return std::string();
    case Kind::Boolean:
      return std::string(std::get<bool>(value_) ? "True" : "False");
    case Kind::Integer:
      return std::to_string(std::get<std::int64_t>(value_));
    case Kind::Double:
      return number_text::formatGeneral(std::get<double>(value_));
    case Kind::Text:
      return std::get<std::string>(value_);
    case Kind::DateTime:
      return std::get<conta::DateTime>(value_).text();
    default:
      return std::nullopt;
  }
}

std::optional<conta::DateTime> Variant::tryDateTime() const {
  switch (kind()) {
    case Kind::Empty:
      return conta::DateTime();
    case Kind::DateTime:
      return std::get<conta::DateTime>(value_);
    case Kind::Integer:
    case Kind::Double:
      try {
        return conta::DateTime::fromPlatformDays(*tryDouble());
      } catch (const VariantError&) {
        return std::nullopt;
      }
    case Kind::Text:
      return conta::DateTime::parseIso(std::get<std::string>(value_));
    default:
      return std::nullopt;
  }
}

bool Variant::toBoolean() const {
  if (auto v = tryBoolean()) return *v;
  cannotConvert(*this, "a boolean");
}

std::int64_t Variant::toInteger() const {
  if (auto v = tryInteger()) return *v;
  cannotConvert(*this, "an integer");
}

double Variant::toDouble() const {
  if (auto v = tryDouble()) return *v;
  cannotConvert(*this, "a number");
}

std::string Variant::toText() const {
  if (auto v = tryText()) return *v;
  cannotConvert(*this, "text");
}

conta::DateTime Variant::toDateTime() const {
  if (auto v = tryDateTime()) return *v;
  cannotConvert(*this, "a date-time");
}

// ---- held values -------------------------------------------------------------

namespace {
[[noreturn]] void wrongKind(const Variant& v, Variant::Kind wanted) {
  throw VariantError(std::string("expected a variant of kind ") + Variant::kindName(wanted) +
                     ", found " + v.describe());
}
}  // namespace

bool Variant::boolean() const {
  if (kind() != Kind::Boolean) wrongKind(*this, Kind::Boolean);
  return std::get<bool>(value_);
}

std::int64_t Variant::integer() const {
  if (kind() != Kind::Integer) wrongKind(*this, Kind::Integer);
  return std::get<std::int64_t>(value_);
}

double Variant::real() const {
  if (kind() != Kind::Double) wrongKind(*this, Kind::Double);
  return std::get<double>(value_);
}

const std::string& Variant::text() const {
  if (kind() != Kind::Text) wrongKind(*this, Kind::Text);
  return std::get<std::string>(value_);
}

conta::DateTime Variant::dateTime() const {
  if (kind() != Kind::DateTime) wrongKind(*this, Kind::DateTime);
  return std::get<conta::DateTime>(value_);
}

const std::string& Variant::bytes() const {
  if (kind() != Kind::Bytes) wrongKind(*this, Kind::Bytes);
  return std::get<BytesValue>(value_).data;
}

const std::vector<Variant>& Variant::elements() const {
  if (kind() != Kind::Array) wrongKind(*this, Kind::Array);
  return *std::get<Array>(value_);
}

const DataPacket& Variant::packet() const {
  if (kind() != Kind::Packet) wrongKind(*this, Kind::Packet);
  return *std::get<Packet>(value_);
}

std::shared_ptr<const DataPacket> Variant::sharedPacket() const {
  if (kind() != Kind::Packet) wrongKind(*this, Kind::Packet);
  return std::get<Packet>(value_);
}

std::size_t Variant::size() const {
  return elements().size();
}

const Variant& Variant::operator[](std::size_t index) const {
  const auto& items = elements();
  if (index >= items.size()) {
    throw VariantError("index " + std::to_string(index) + " is outside the array of " +
                       std::to_string(items.size()) + " elements");
  }
  return items[index];
}

void Variant::set(std::size_t index, Variant value) {
  const auto& items = elements();
  if (index >= items.size()) {
    throw VariantError("index " + std::to_string(index) + " is outside the array of " +
                       std::to_string(items.size()) + " elements");
  }
  auto& shared = std::get<Array>(value_);
  if (shared.use_count() == 1) {
    // Sole owner: change in place.
    const_cast<std::vector<Variant>&>(*shared)[index] = std::move(value);
    return;
  }
  auto copy = std::make_shared<std::vector<Variant>>(*shared);
  (*copy)[index] = std::move(value);
  shared = std::move(copy);
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case Variant::Kind::Array:
      return a.elements() == b.elements();
    case Variant::Kind::Packet:
      return a.packet() == b.packet();
    default:
      return a.value_ == b.value_;
  }
}

// ---- addition ----------------------------------------------------------------

Variant operator+(const Variant& a, const Variant& b) {
  using Kind = Variant::Kind;
  if (a.isNull() || b.isNull()) return Variant::null();
  if (a.isEmpty()) return b;
  if (b.isEmpty()) return a;
  auto addable = [](Kind k) {
    return k == Kind::Boolean || k == Kind::Integer || k == Kind::Double || k == Kind::Text ||
           k == Kind::DateTime;
  };
  if (!addable(a.kind()) || !addable(b.kind())) {
    throw VariantError("cannot add " + a.describe() + " and " + b.describe());
  }
  if (a.isText() && b.isText()) return Variant(a.text() + b.text());
  if (a.kind() == Kind::DateTime || b.kind() == Kind::DateTime) {
    if (a.kind() == Kind::DateTime && b.kind() == Kind::DateTime) {
      throw VariantError("cannot add " + a.describe() + " and " + b.describe());
    }
    double days = a.toDouble() + b.toDouble();
    return Variant(conta::DateTime::fromPlatformDays(days));
  }
  auto integral = [](const Variant& v) -> std::optional<std::int64_t> {
    if (v.kind() == Kind::Integer) return v.integer();
    if (v.kind() == Kind::Boolean) return v.boolean() ? -1 : 0;
    return std::nullopt;
  };
  auto x = integral(a);
  auto y = integral(b);
  if (x && y) {
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(*x, *y, &sum)) return Variant(sum);
  }
  return Variant(a.toDouble() + b.toDouble());
}

}  // namespace conta
