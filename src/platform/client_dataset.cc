#include "platform/client_dataset.h"

#include <algorithm>
#include <cstdint>

#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "platform/dataset_filter.h"
#include "platform/field_value.h"
#include "platform/text_encoding.h"

namespace conta {

// A record of the dataset. While the change log is on, a posted edit keeps
// the values the record had before (original), an insert is marked inserted,
// and a delete only marks the record deleted, so that data() can hand the
// changes on and mergeChangeLog() can accept them.
struct ClientDataSet::Record {
  std::uint64_t id = 0;
  std::vector<Variant> values;
  bool inserted = false;
  bool deleted = false;
  std::optional<std::vector<Variant>> original;
};

namespace {

constexpr const char* kChangeLogParam = "CHANGE_LOG";
constexpr int kChangeDeleted = 2;
constexpr int kChangeInserted = 4;
constexpr int kChangeModified = 8;

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> splitFieldList(std::string_view list) {
  std::vector<std::string_view> names;
  while (true) {
    std::size_t semicolon = list.find(';');
    names.push_back(trimBlanks(list.substr(0, semicolon)));
    if (semicolon == std::string_view::npos) break;
    list.remove_prefix(semicolon + 1);
  }
  return names;
}

// Kinds that may stand for one another when a packet is checked against the
// persistent fields: every number is a number.
const char* kindFamily(ValueKind kind) {
  switch (kind) {
    case ValueKind::Text:
      return "text";
    case ValueKind::Integer:
    case ValueKind::Float:
      return "a number";
    case ValueKind::Boolean:
      return "a boolean";
    case ValueKind::DateTime:
      return "a date-time";
    case ValueKind::Bytes:
      return "bytes";
  }
  return "?";
}

// A locate key in the terms of its field: numbers stay numbers (18.5 does
// not round to an integer field's 18), text as text. Null finds NULL.
Variant locateKey(const Field& field, const Variant& key, bool fold_case) {
  if (key.isNull() || key.isEmpty()) return Variant::null();
  try {
    switch (field.valueKind()) {
      case ValueKind::Integer:
      case ValueKind::Float:
        return key.isNumber() ? key : Variant(key.toDouble());
      case ValueKind::Text: {
        std::string text = key.kind() == Variant::Kind::Bytes ? key.bytes() : key.toText();
        return Variant(fold_case ? text_encoding::foldCase(text) : text);
      }
      default:
        return fieldValue(field, key);
    }
  } catch (const VariantError& e) {
    std::string message = e.what();
    if (message.find("for field '") == std::string::npos)
      message += " for field '" + field.name + "'";
    throw VariantError(message);
  }
}

bool keyMatches(const Field& field, const Variant& value, const Variant& key,
                const LocateOptions& options) {
  if (key.isNull()) return value.isNull() || value.isEmpty();
  if (value.isNull() || value.isEmpty()) return false;
  if (field.valueKind() == ValueKind::Text) {
    std::string text = value.isText() ? value.text() : value.tryText().value_or(std::string());
    if (options.caseInsensitive) text = text_encoding::foldCase(text);
    const std::string& wanted = key.text();
    if (options.partialKey) return std::string_view(text).starts_with(wanted);
    return text == wanted;
  }
  return compareFieldValues(value, key) == 0;
}

}  // namespace

// ---- DataSetField ----------------------------------------------------------

const std::string& DataSetField::name() const {
  return dataset_->fieldAt(index_).name;
}
const Field& DataSetField::definition() const {
  return dataset_->fieldAt(index_);
}
Variant DataSetField::value() const {
  return dataset_->currentValue(index_);
}
bool DataSetField::isNull() const {
  Variant v = value();
  return v.isNull() || v.isEmpty();
}

std::string DataSetField::asString() const {
  Variant v = value();
  if (v.isNull() || v.isEmpty()) return {};
  if (v.kind() == Variant::Kind::Bytes) return v.bytes();
  return v.toText();
}

double DataSetField::asFloat() const {
  Variant v = value();
  return v.isNull() ? 0.0 : v.toDouble();
}

std::int64_t DataSetField::asInteger() const {
  Variant v = value();
  return v.isNull() ? 0 : v.toInteger();
}

bool DataSetField::asBoolean() const {
  Variant v = value();
  return v.isNull() ? false : v.toBoolean();
}

DateTime DataSetField::asDateTime() const {
  Variant v = value();
  return v.isNull() ? DateTime() : v.toDateTime();
}

void DataSetField::setValue(const Variant& value) {
  dataset_->setBufferValue(index_, value);
}
void DataSetField::clear() {
  dataset_->setBufferValue(index_, Variant::null());
}

// ---- ClientDataSet: definition and filling -----------------------------------

ClientDataSet::ClientDataSet(std::string name) : name_(std::move(name)) {}
ClientDataSet::~ClientDataSet() = default;

void ClientDataSet::requireActive() const {
  if (!active()) throw DataSetError(name_ + ": Cannot perform this operation on a closed dataset");
}

void ClientDataSet::requireEditing() const {
  requireActive();
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) {
    throw DataSetError(name_ + ": Dataset not in edit or insert mode");
  }
}

void ClientDataSet::checkBrowseMode() {
  if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) post();
}

void ClientDataSet::definePersistentField(Field field) {
  for (const auto& existing : persistent_) {
    if (text_encoding::equalsIgnoringAsciiCase(existing.name, field.name)) {
      throw DataSetError(name_ + ": Field '" + field.name + "' is defined twice");
    }
  }
  persistent_.push_back(std::move(field));
}

void ClientDataSet::addIndexDef(IndexDef index) {
  if (index.name.empty()) throw DataSetError(name_ + ": An index needs a name");
  if (findIndexDef(index.name) != nullptr) {
    throw DataSetError(name_ + ": Index '" + index.name + "' is defined twice");
  }
  for (std::string_view field : splitFieldList(index.fields)) {
    if (field.empty()) {
      throw DataSetError(name_ + ": Index '" + index.name + "' has an empty field name in '" +
                         index.fields + "'");
    }
  }
  index_defs_.push_back(std::move(index));
}

const IndexDef* ClientDataSet::findIndexDef(std::string_view name) const {
  for (const auto& def : index_defs_) {
    if (text_encoding::equalsIgnoringAsciiCase(def.name, name)) return &def;
  }
  return nullptr;
}

std::vector<std::size_t> ClientDataSet::indexFieldPositions(
    const IndexDef& index, const std::vector<Field>& fields) const {
  std::vector<std::size_t> positions;
  for (std::string_view field : splitFieldList(index.fields)) {
    auto it = std::find_if(fields.begin(), fields.end(), [&](const Field& f) {
      return text_encoding::equalsIgnoringAsciiCase(f.name, field);
    });
    if (it == fields.end()) {
      throw DataSetError(name_ + ": Field '" + std::string(field) + "' of index '" + index.name +
                         "' not found");
    }
    positions.push_back(static_cast<std::size_t>(it - fields.begin()));
  }
  return positions;
}

void ClientDataSet::setIndexName(std::string_view name) {
  const IndexDef* def = nullptr;
  if (!name.empty()) {
    def = findIndexDef(name);
    if (def == nullptr) throw DataSetError(name_ + ": Index '" + std::string(name) + "' not found");
  }
  if (active()) {
    checkBrowseMode();
    if (def != nullptr) indexFieldPositions(*def, meta_.fields);  // throws for a missing field
  }
  index_name_ = def != nullptr ? def->name : std::string();
  if (active()) {
    // Same record, new order.
    view_dirty_ = true;
    eof_ = bof_ = view().empty();
  }
}

void ClientDataSet::checkPersistentFields(const std::vector<Field>& fields,
                                          const std::string& source) const {
  for (const auto& wanted : persistent_) {
    auto it = std::find_if(fields.begin(), fields.end(), [&](const Field& f) {
      return text_encoding::equalsIgnoringAsciiCase(f.name, wanted.name);
    });
    if (it == fields.end()) {
      throw DataSetError(name_ + ": Field '" + wanted.name + "' not found in " + source);
    }
    const char* expected = kindFamily(wanted.valueKind());
    const char* found = kindFamily(it->valueKind());
    if (std::string_view(expected) != found) {
      throw DataSetError(name_ + ": Field '" + wanted.name + "' in " + source + " holds " + found +
                         ", expected " + expected);
    }
  }
}

void ClientDataSet::setData(const DataPacket& packet) {
  openWith(packet, "the data packet");
}

void ClientDataSet::setData(const Variant& packet) {
  if (packet.isPacket()) {
    setData(packet.packet());
    return;
  }
  close();
  if (packet.isText()) throw DataSetError(name_ + ": " + packet.text());
  throw DataSetError(name_ + ": Cannot load data from a variant of kind " +
                     Variant::kindName(packet.kind()) + "; a data packet is needed");
}

void ClientDataSet::loadFromFile(const std::filesystem::path& path) {
  close();
  DataPacket packet = readPacketFile(path);
  openWith(std::move(packet), "file '" + path.string() + "'");
}

void ClientDataSet::openWith(DataPacket packet, const std::string& source) {
  // Loading replaces the content: the dataset is closed first and stays
  // closed when the packet does not fit the definitions.
  close();
  if (packet.hasChangeLog()) packet = packet.currentRows();
  checkPersistentFields(packet.fields, source);
  if (const IndexDef* def = findIndexDef(index_name_)) indexFieldPositions(*def, packet.fields);
  std::unique_ptr<DataSetFilter> filter;
  if (filtered_) filter = std::make_unique<DataSetFilter>(filter_text_, packet.fields, name_);

  std::vector<std::unique_ptr<Record>> records;
  records.reserve(packet.rows.size());
  for (auto& row : packet.rows) {
    auto record = std::make_unique<Record>();
    record->id = next_record_id_++;
    record->values = std::move(row.values);
    record->values.resize(packet.fields.size());
    for (std::size_t f = 0; f < record->values.size(); ++f) {
      Variant& value = record->values[f];
      if (value.isEmpty()) {
        value = Variant::null();
      } else if (value.kind() == Variant::Kind::Integer &&
                 packet.fields[f].valueKind() == ValueKind::Float) {
        // A float field gives doubles, whatever the packet wrote.
        value = Variant(value.toDouble());
      }
    }
    records.push_back(std::move(record));
  }

  packet.rows.clear();
  meta_ = std::move(packet);
  records_ = std::move(records);
  filter_ = std::move(filter);
  state_ = DataSetState::Browse;
  view_dirty_ = true;
  first();
  if (afterOpen) afterOpen(*this);
}

void ClientDataSet::close() {
  state_ = DataSetState::Inactive;
  buffer_.reset();
  records_.clear();
  view_.clear();
  view_dirty_ = true;
  cursor_id_ = 0;
  cursor_hint_ = 0;
  eof_ = bof_ = true;
  filter_.reset();
  meta_ = DataPacket();
}

DataPacket ClientDataSet::data() const {
  requireActive();
  DataPacket out;
  out.fields = meta_.fields;
  out.params = meta_.params;
  out.versionMajor = meta_.versionMajor;
  out.versionMinor = meta_.versionMinor;

  // Every record keeps its place; a modified record leaves its original
  // version there and its new version goes to the end, as a change log reads.
  std::vector<Variant> log;
  auto logChange = [&](std::size_t row, std::size_t original, int kind) {
    log.emplace_back(static_cast<std::int64_t>(row));
    log.emplace_back(static_cast<std::int64_t>(original));
    log.emplace_back(kind);
  };
  std::vector<std::pair<const Record*, std::size_t>> modified;
  for (const auto& record : records_) {
    std::size_t row = out.rows.size() + 1;
    if (record->deleted) {
      out.rows.push_back({row_state::kDeleted, record->original.value_or(record->values)});
      logChange(row, 0, kChangeDeleted);
    } else if (record->inserted) {
      out.rows.push_back({row_state::kInserted, record->values});
      logChange(row, 0, kChangeInserted);
    } else if (record->original) {
      out.rows.push_back({row_state::kOriginal, *record->original});
      modified.emplace_back(record.get(), row);
    } else {
      out.rows.push_back({0, record->values});
    }
  }
  for (const auto& [record, original_row] : modified) {
    out.rows.push_back({row_state::kModified, record->values});
    logChange(out.rows.size(), original_row, kChangeModified);
  }
  if (!log.empty()) out.params.push_back({kChangeLogParam, Variant::array(std::move(log)), 0});
  return out;
}

// ---- change log ----------------------------------------------------------------

void ClientDataSet::setLogChanges(bool on) {
  log_changes_ = on;
}

std::size_t ClientDataSet::changeCount() const {
  requireActive();
  return static_cast<std::size_t>(std::count_if(
      records_.begin(), records_.end(),
      [](const auto& r) { return r->inserted || r->deleted || r->original.has_value(); }));
}

void ClientDataSet::mergeChangeLog() {
  requireActive();
  checkBrowseMode();
  std::erase_if(records_, [](const auto& r) { return r->deleted; });
  for (auto& record : records_) {
    record->inserted = false;
    record->original.reset();
  }
  view_dirty_ = true;
}

// ---- view and cursor -------------------------------------------------------------

const std::vector<ClientDataSet::Record*>& ClientDataSet::view() const {
  if (view_dirty_) rebuildView();
  return view_;
}

void ClientDataSet::rebuildView() const {
  view_.clear();
  for (const auto& record : records_) {
    if (record->deleted) continue;
    if (filter_ && !filter_->matches(record->values)) continue;
    view_.push_back(record.get());
  }
  view_dirty_ = false;

  const IndexDef* def = findIndexDef(index_name_);
  if (def == nullptr || index_name_.empty()) return;
  std::vector<std::size_t> positions = indexFieldPositions(*def, meta_.fields);
  // Sort keys once per record: folded text for a case-insensitive index.
  struct Keyed {
    std::vector<Variant> keys;
    Record* record;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(view_.size());
  for (Record* record : view_) {
    Keyed k{{}, record};
    for (std::size_t p : positions) {
      const Variant& v = record->values[p];
      if (def->caseInsensitive && v.isText()) {
        k.keys.emplace_back(text_encoding::foldCase(v.text()));
      } else if (v.isEmpty()) {
        k.keys.push_back(Variant::null());
      } else {
        k.keys.push_back(v);
      }
    }
    keyed.push_back(std::move(k));
  }
  const bool descending = def->descending;
  std::stable_sort(keyed.begin(), keyed.end(), [descending](const Keyed& a, const Keyed& b) {
    for (std::size_t i = 0; i < a.keys.size(); ++i) {
      // NULL orders before every value (compareFieldValues ranks it first).
      int c = compareFieldValues(a.keys[i], b.keys[i]);
      if (c != 0) return descending ? c > 0 : c < 0;
    }
    return false;
  });
  for (std::size_t i = 0; i < keyed.size(); ++i)
    view_[i] = keyed[i].record;
}

std::optional<std::size_t> ClientDataSet::cursorPosition() const {
  const auto& records = view();
  if (cursor_id_ == 0) return std::nullopt;
  if (cursor_hint_ < records.size() && records[cursor_hint_]->id == cursor_id_) {
    return cursor_hint_;
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i]->id == cursor_id_) {
      cursor_hint_ = i;
      return i;
    }
  }
  return std::nullopt;
}

ClientDataSet::Record* ClientDataSet::currentRecord() const {
  auto position = cursorPosition();
  return position ? view_[*position] : nullptr;
}

void ClientDataSet::placeCursor(std::size_t position) {
  cursor_id_ = view()[position]->id;
  cursor_hint_ = position;
}

void ClientDataSet::placeCursorOnOneOf(std::initializer_list<std::uint64_t> ids) {
  for (std::uint64_t id : ids) {
    if (id == 0) continue;
    cursor_id_ = id;
    if (cursorPosition()) {
      eof_ = bof_ = false;
      return;
    }
  }
  if (view().empty()) {
    cursor_id_ = 0;
    eof_ = bof_ = true;
    return;
  }
  placeCursor(0);
  bof_ = true;
  eof_ = false;
}

std::size_t ClientDataSet::physicalIndex(std::uint64_t id) const {
  for (std::size_t i = 0; i < records_.size(); ++i) {
    if (records_[i]->id == id) return i;
  }
  return records_.size();
}

// ---- navigation ----------------------------------------------------------------

void ClientDataSet::first() {
  requireActive();
  checkBrowseMode();
  if (view().empty()) {
    cursor_id_ = 0;
    eof_ = bof_ = true;
    return;
  }
  placeCursor(0);
  bof_ = true;
  eof_ = false;
}

void ClientDataSet::last() {
  requireActive();
  checkBrowseMode();
  if (view().empty()) {
    cursor_id_ = 0;
    eof_ = bof_ = true;
    return;
  }
  placeCursor(view().size() - 1);
  eof_ = true;
  bof_ = false;
}

void ClientDataSet::next() {
  requireActive();
  checkBrowseMode();
  auto position = cursorPosition();
  if (!position) {
    eof_ = true;
    bof_ = view().empty();
    return;
  }
  bof_ = false;
  if (*position + 1 < view().size()) {
    placeCursor(*position + 1);
    eof_ = false;
  } else {
    eof_ = true;
  }
}

void ClientDataSet::prior() {
  requireActive();
  checkBrowseMode();
  auto position = cursorPosition();
  if (!position) {
    bof_ = true;
    eof_ = view().empty();
    return;
  }
  eof_ = false;
  if (*position > 0) {
    placeCursor(*position - 1);
    bof_ = false;
  } else {
    bof_ = true;
  }
}

bool ClientDataSet::eof() const {
  requireActive();
  return eof_ || view().empty();
}

bool ClientDataSet::bof() const {
  requireActive();
  return bof_ || view().empty();
}

bool ClientDataSet::isEmpty() const {
  requireActive();
  return view().empty();
}

std::size_t ClientDataSet::recordCount() const {
  requireActive();
  return view().size();
}

std::size_t ClientDataSet::recNo() const {
  requireActive();
  auto position = cursorPosition();
  return position ? *position + 1 : 0;
}

// ---- fields ----------------------------------------------------------------------

const std::vector<Field>& ClientDataSet::fields() const {
  requireActive();
  return meta_.fields;
}

const Field& ClientDataSet::fieldAt(std::size_t field) const {
  const auto& all = fields();
  if (field >= all.size()) {
    throw DataSetError(name_ + ": Field number " + std::to_string(field + 1) +
                       " no longer exists (the dataset was reloaded with other fields)");
  }
  return all[field];
}

DataSetField ClientDataSet::fieldByName(std::string_view name) {
  if (auto field = findField(name)) return *field;
  throw DataSetError(name_ + ": Field '" + std::string(name) + "' not found");
}

std::optional<DataSetField> ClientDataSet::findField(std::string_view name) {
  requireActive();
  if (auto index = meta_.fieldIndex(name)) return DataSetField(this, *index);
  return std::nullopt;
}

Variant ClientDataSet::currentValue(std::size_t field) const {
  fieldAt(field);
  if (buffer_) return buffer_->values[field];
  const Record* record = currentRecord();
  return record != nullptr ? record->values[field] : Variant::null();
}

void ClientDataSet::setBufferValue(std::size_t field, const Variant& value) {
  requireEditing();
  buffer_->values[field] = fieldValue(fieldAt(field), value);
}

// ---- locate ----------------------------------------------------------------------

std::vector<std::size_t> ClientDataSet::keyFieldPositions(std::string_view key_fields) const {
  std::vector<std::size_t> positions;
  for (std::string_view name : splitFieldList(key_fields)) {
    auto index = meta_.fieldIndex(name);
    if (name.empty() || !index) {
      throw DataSetError(name_ + ": Field '" + std::string(name) + "' not found");
    }
    positions.push_back(*index);
  }
  return positions;
}

bool ClientDataSet::locate(std::string_view key_fields, const Variant& values,
                           LocateOptions options) {
  requireActive();
  checkBrowseMode();
  std::vector<std::size_t> positions = keyFieldPositions(key_fields);

  std::vector<Variant> keys;
  if (positions.size() == 1 && !(values.isArray() && values.size() == 1)) {
    if (values.isArray()) {
      throw DataSetError(name_ + ": Locate on '" + std::string(key_fields) +
                         "' needs one value, got " + values.describe());
    }
    keys.push_back(values);
  } else {
    if (!values.isArray() || values.size() != positions.size()) {
      throw DataSetError(name_ + ": Locate on '" + std::string(key_fields) +
                         "' needs an array of " + std::to_string(positions.size()) +
                         " values, got " + values.describe());
    }
    keys = values.elements();
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    keys[i] = locateKey(meta_.fields[positions[i]], keys[i], options.caseInsensitive);
  }

  const auto& records = view();
  for (std::size_t r = 0; r < records.size(); ++r) {
    bool match = true;
    for (std::size_t i = 0; i < positions.size() && match; ++i) {
      match = keyMatches(meta_.fields[positions[i]], records[r]->values[positions[i]], keys[i],
                         options);
    }
    if (match) {
      placeCursor(r);
      eof_ = bof_ = false;
      return true;
    }
  }
  return false;
}

// ---- filter ----------------------------------------------------------------------

void ClientDataSet::setFilterText(std::string text) {
  if (active() && filtered_) {
    checkBrowseMode();
    // Compiled before anything changes: a bad text leaves the old filter on.
    auto filter = std::make_unique<DataSetFilter>(text, meta_.fields, name_);
    filter_ = std::move(filter);
    filter_text_ = std::move(text);
    view_dirty_ = true;
    first();
    return;
  }
  filter_text_ = std::move(text);
}

void ClientDataSet::setFiltered(bool on) {
  if (!active()) {
    filtered_ = on;
    return;
  }
  if (on == filtered_) return;
  checkBrowseMode();
  if (on) {
    filter_ = std::make_unique<DataSetFilter>(filter_text_, meta_.fields, name_);
  } else {
    filter_.reset();
  }
  filtered_ = on;
  view_dirty_ = true;
  first();
}

// ---- editing ---------------------------------------------------------------------

void ClientDataSet::edit() {
  requireActive();
  if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) return;
  const Record* record = currentRecord();
  if (record == nullptr) throw DataSetError(name_ + ": Cannot edit an empty dataset");
  buffer_ = std::make_unique<Record>(*record);
  state_ = DataSetState::Edit;
}

void ClientDataSet::insert() {
  requireActive();
  checkBrowseMode();
  buffer_ = std::make_unique<Record>();
  buffer_->id = next_record_id_++;
  buffer_->values.assign(meta_.fields.size(), Variant::null());
  const Record* current = currentRecord();
  insert_before_id_ = current != nullptr ? current->id : 0;
  state_ = DataSetState::Insert;
}

void ClientDataSet::append() {
  insert();
  insert_before_id_ = 0;
}

void ClientDataSet::post() {
  requireActive();
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
  std::unique_ptr<Record> buffer = std::move(buffer_);
  const bool inserting = state_ == DataSetState::Insert;
  state_ = DataSetState::Browse;

  // Where the cursor goes should the posted record not pass the filter: the
  // record that followed it, else the one before it.
  std::uint64_t following = 0;
  std::uint64_t preceding = 0;
  const std::uint64_t id = buffer->id;
  if (inserting) {
    following = insert_before_id_;
    std::size_t at = physicalIndex(insert_before_id_);
    auto record = std::make_unique<Record>();
    record->id = id;
    record->values = std::move(buffer->values);
    record->inserted = log_changes_;
    records_.insert(records_.begin() + static_cast<std::ptrdiff_t>(at), std::move(record));
  } else {
    if (auto position = cursorPosition()) {
      if (*position + 1 < view_.size()) following = view_[*position + 1]->id;
      if (*position > 0) preceding = view_[*position - 1]->id;
    }
    std::size_t at = physicalIndex(id);
    if (at == records_.size()) {
      throw DataSetError(name_ + ": The record being edited no longer exists");
    }
    Record& record = *records_[at];
    if (log_changes_ && !record.inserted && !record.original) record.original = record.values;
    record.values = std::move(buffer->values);
  }
  view_dirty_ = true;
  placeCursorOnOneOf({id, following, preceding});
}

void ClientDataSet::cancel() {
  requireActive();
  buffer_.reset();
  state_ = DataSetState::Browse;
}

void ClientDataSet::remove() {
  requireActive();
  if (state_ == DataSetState::Insert) {
    // Deleting a record that was never posted drops it.
    cancel();
    return;
  }
  if (state_ == DataSetState::Edit) cancel();
  auto position = cursorPosition();
  if (!position) throw DataSetError(name_ + ": Cannot delete from an empty dataset");
  const auto& records = view();
  const bool was_last = *position + 1 == records.size();
  const std::uint64_t following = was_last ? 0 : records[*position + 1]->id;
  const std::uint64_t preceding = *position > 0 ? records[*position - 1]->id : 0;
  Record* record = records[*position];

  if (log_changes_ && !record->inserted) {
    record->deleted = true;
  } else {
    // Nothing to hand on: an insert that is not yet accepted, or the log is off.
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(physicalIndex(record->id)));
  }
  view_dirty_ = true;
  placeCursorOnOneOf({following, preceding});
  // Deleting the last record leaves the cursor on the new last one at eof,
  // so a loop "while not eof: delete or next" ends.
  if (was_last && !view().empty()) eof_ = true;
}

}  // namespace conta
