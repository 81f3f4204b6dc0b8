#include "conta/data_packet.h"

#include <algorithm>
#include <array>
#include <map>

#include "conta/error.h"
#include "platform/text_encoding.h"

namespace conta {
namespace {

struct TypeName {
  FieldType type;
  const char* name;
};

constexpr std::array<TypeName, 20> kTypeNames = {{
    {FieldType::String, "string"},
    {FieldType::WideString, "string.uni"},
    {FieldType::Int8, "i1"},
    {FieldType::Int16, "i2"},
    {FieldType::Int32, "i4"},
    {FieldType::Int64, "i8"},
    {FieldType::UInt8, "ui1"},
    {FieldType::UInt16, "ui2"},
    {FieldType::UInt32, "ui4"},
    {FieldType::UInt64, "ui8"},
    {FieldType::Boolean, "boolean"},
    {FieldType::Float, "r8"},
    {FieldType::Single, "r4"},
    {FieldType::Fixed, "fixed"},
    {FieldType::FixedFmt, "fixedFMT"},
    {FieldType::Date, "date"},
    {FieldType::Time, "time"},
    {FieldType::DateTime, "dateTime"},
    {FieldType::SqlDateTime, "SQLdateTime"},
    {FieldType::Bytes, "bin.hex"},
}};

}  // namespace

const char* xmlFieldTypeName(FieldType type) {
  for (const auto& entry : kTypeNames) {
    if (entry.type == type) return entry.name;
  }
  return "?";
}

std::optional<FieldType> fieldTypeFromXmlName(std::string_view name) {
  for (const auto& entry : kTypeNames) {
    if (name == entry.name) return entry.type;
  }
  return std::nullopt;
}

// ---- Field -------------------------------------------------------------------

Field::Field(std::string field_name, FieldType field_type, int field_width)
    : name(std::move(field_name)), type(field_type) {
  if (field_width > 0) setWidth(field_width);
}

const PacketParam* Field::findParam(std::string_view param_name) const {
  for (const auto& p : params) {
    if (p.name == param_name) return &p;
  }
  return nullptr;
}

void Field::setParam(PacketParam param) {
  for (auto& p : params) {
    if (p.name == param.name) {
      p = std::move(param);
      return;
    }
  }
  params.push_back(std::move(param));
}

int Field::width() const {
  const PacketParam* p = findParam("WIDTH");
  if (p == nullptr) return 0;
  auto v = p->value.tryInteger();
  return v ? static_cast<int>(*v) : 0;
}

void Field::setWidth(int w) {
  setParam({"WIDTH", Variant(w), 0});
}

int Field::decimals() const {
  const PacketParam* p = findParam("DECIMALS");
  if (p == nullptr) return 0;
  auto v = p->value.tryInteger();
  return v ? static_cast<int>(*v) : 0;
}

void Field::setDecimals(int d) {
  setParam({"DECIMALS", Variant(d), 0});
}

std::string Field::subtype() const {
  const PacketParam* p = findParam("SUBTYPE");
  if (p == nullptr || !p->value.isText()) return {};
  return p->value.text();
}

void Field::setSubtype(std::string s) {
  setParam({"SUBTYPE", Variant(std::move(s)), 0});
}

ValueKind Field::valueKind() const {
  switch (type) {
    case FieldType::String:
    case FieldType::WideString:
      return ValueKind::Text;
    case FieldType::Int8:
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::Int64:
    case FieldType::UInt8:
    case FieldType::UInt16:
    case FieldType::UInt32:
    case FieldType::UInt64:
      return ValueKind::Integer;
    case FieldType::Boolean:
      return ValueKind::Boolean;
    case FieldType::Float:
    case FieldType::Single:
    case FieldType::Fixed:
    case FieldType::FixedFmt:
      return ValueKind::Float;
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
    case FieldType::SqlDateTime:
      return ValueKind::DateTime;
    case FieldType::Bytes: {
      std::string s = subtype();
      return s == "Text" || s == "WideText" ? ValueKind::Text : ValueKind::Bytes;
    }
  }
  return ValueKind::Bytes;
}

// ---- DataPacket ----------------------------------------------------------------

std::optional<std::size_t> DataPacket::fieldIndex(std::string_view name) const {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (text_encoding::equalsIgnoringAsciiCase(fields[i].name, name)) return i;
  }
  return std::nullopt;
}

const PacketParam* DataPacket::findParam(std::string_view name) const {
  for (const auto& p : params) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

bool DataPacket::hasChangeLog() const {
  if (findParam("CHANGE_LOG") != nullptr) return true;
  return std::any_of(rows.begin(), rows.end(), [](const PacketRow& r) { return r.state != 0; });
}

DataPacket DataPacket::currentRows() const {
  DataPacket out;
  out.fields = fields;
  out.versionMajor = versionMajor;
  out.versionMinor = versionMinor;
  for (const auto& p : params) {
    if (p.name != "CHANGE_LOG") out.params.push_back(p);
  }
  if (!hasChangeLog()) {
    out.rows = rows;
    return out;
  }

  // newer[i] = the row that replaces row i (0-based), from the CHANGE_LOG
  // triples (row of the new version, row of the original or 0, kind), or,
  // when there is no log, from a modified row that follows an original.
  std::map<std::size_t, std::size_t> newer;
  std::map<std::size_t, std::size_t> original_of;
  if (const PacketParam* log = findParam("CHANGE_LOG"); log != nullptr && log->value.isArray()) {
    const auto& v = log->value.elements();
    for (std::size_t i = 0; i + 2 < v.size(); i += 3) {
      auto row = v[i].tryInteger();
      auto orig = v[i + 1].tryInteger();
      if (!row || !orig || *row < 1 || *orig < 1) continue;
      auto r = static_cast<std::size_t>(*row - 1);
      auto o = static_cast<std::size_t>(*orig - 1);
      if (r < rows.size() && o < rows.size() && r != o) {
        newer[o] = r;
        original_of[r] = o;
      }
    }
  } else {
    for (std::size_t i = 1; i < rows.size(); ++i) {
      if ((rows[i].state & row_state::kModified) && (rows[i - 1].state & row_state::kOriginal)) {
        newer[i - 1] = i;
        original_of[i] = i - 1;
      }
    }
  }

  // A row's value with unchanged (Empty) fields taken from its originals.
  auto resolve = [&](std::size_t index) {
    PacketRow row{0, rows[index].values};
    row.values.resize(fields.size());
    std::size_t at = index;
    for (std::size_t guard = 0; guard < rows.size(); ++guard) {
      auto it = original_of.find(at);
      if (it == original_of.end()) break;
      at = it->second;
      const auto& older = rows[at].values;
      for (std::size_t f = 0; f < row.values.size() && f < older.size(); ++f) {
        if (row.values[f].isEmpty()) row.values[f] = older[f];
      }
    }
    for (auto& value : row.values) {
      if (value.isEmpty()) value = Variant::null();
    }
    return row;
  };

  std::vector<bool> placed(rows.size(), false);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (placed[i]) continue;
    std::uint8_t state = rows[i].state;
    if (state & row_state::kOriginal) {
      // Follow the chain of versions to the newest one and show it here.
      std::size_t at = i;
      for (std::size_t guard = 0; guard < rows.size(); ++guard) {
        auto it = newer.find(at);
        if (it == newer.end()) break;
        at = it->second;
      }
      if (at != i && !placed[at] &&
          !(rows[at].state & (row_state::kDeleted | row_state::kUnused))) {
        out.rows.push_back(resolve(at));
        placed[at] = true;
      }
      continue;
    }
    if (state & (row_state::kDeleted | row_state::kUnused)) continue;
    out.rows.push_back(resolve(i));
    placed[i] = true;
  }
  return out;
}

}  // namespace conta
