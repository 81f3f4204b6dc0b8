// ClientDataSet: the in-memory table the data module works on. It loads a
// data packet or a client-dataset file, is walked record by record, located
// on key fields, filtered, edited, and hands its whole content back as a
// packet (Data).
//
// Semantics follow the platform's client dataset where the module relies on
// them:
//  - Walking: first() puts the cursor on the first visible record; next()
//    past the last record sets eof() and leaves the cursor on the last one;
//    eof() is also true for an empty dataset.
//  - Visible records are those that pass the filter (when it is on), in the
//    order of the active index (when one is set), else in load/insert order.
//  - Field values are read through fieldByName(): value() gives the Variant
//    (Null for NULL); asString() gives "" for NULL; asFloat()/asInteger() 0
//    and asBoolean() false for NULL, as the platform's fields do.
//  - Edits: edit()/insert()/append() open a record buffer, setValue() writes
//    into it (converting to the field's type, Empty becomes Null), post()
//    stores it, cancel() drops it. Moving the cursor posts a pending edit.
//  - Change log: on by default. While on, posted edits, inserts and deletes
//    stay pending (changeCount() > 0) and data() carries them as a change
//    log; mergeChangeLog() accepts them. While off, every change applies at
//    once and leaves nothing pending. A packet or file that still holds a
//    change log loads as its current rows, with nothing pending.
//  - AfterOpen: the hook runs each time the dataset is filled (setData,
//    loadFromFile), after the records are loaded and the cursor is on the
//    first record.
// Every operation on a closed dataset (other than loading, defining fields
// and indexes, and close()) throws DataSetError "<name>: Cannot perform this
// operation on a closed dataset". Not thread-safe.
#ifndef CONTA_PLATFORM_CLIENT_DATASET_H_
#define CONTA_PLATFORM_CLIENT_DATASET_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conta/data_packet.h"
#include "conta/variant.h"

namespace conta {

class ClientDataSet;
class DataSetFilter;

// Options of locate(): compare text keys without regard to case; accept a
// text field that begins with the key (partial key).
struct LocateOptions {
  bool caseInsensitive = false;
  bool partialKey = false;
};

struct IndexDef {
  std::string name;
  std::string fields;  // "IDALIQIMPFIS;VRALIQIMPFIS"
  bool caseInsensitive = false;
  bool descending = false;
};

enum class DataSetState { Inactive, Browse, Edit, Insert };

// A field of the current record (or of the record being edited). Cheap to
// copy; valid while its dataset lives and keeps its field list.
class DataSetField {
 public:
  const std::string& name() const;
  const Field& definition() const;
  std::size_t index() const { return index_; }

  Variant value() const;
  bool isNull() const;
  std::string asString() const;
  double asFloat() const;
  std::int64_t asInteger() const;
  bool asBoolean() const;
  DateTime asDateTime() const;

  // Requires the dataset in Edit or Insert state (DataSetError otherwise).
  // Converts the value to the field's type (VariantError when it cannot).
  void setValue(const Variant& value);
  void clear();  // sets NULL

 private:
  friend class ClientDataSet;
  DataSetField(ClientDataSet* dataset, std::size_t index) : dataset_(dataset), index_(index) {}
  ClientDataSet* dataset_;
  std::size_t index_;
};

class ClientDataSet {
 public:
  explicit ClientDataSet(std::string name = "ClientDataSet");
  ~ClientDataSet();
  ClientDataSet(const ClientDataSet&) = delete;
  ClientDataSet& operator=(const ClientDataSet&) = delete;

  const std::string& name() const { return name_; }

  // ---- definition (allowed while closed) ----
  // Persistent fields: a packet loaded later must hold each of them (by name,
  // without regard to case) with a compatible kind of value, else loading
  // throws DataSetError naming the field.
  void definePersistentField(Field field);
  const std::vector<Field>& persistentFields() const { return persistent_; }
  void addIndexDef(IndexDef index);
  // Makes the named index active (empty: none). DataSetError for an unknown name.
  void setIndexName(std::string_view name);
  const std::string& indexName() const { return index_name_; }

  std::function<void(ClientDataSet&)> afterOpen;

  // ---- filling ----
  // Replaces the whole content by the packet's current rows and opens the
  // dataset. A Variant must hold a packet (DataSetError otherwise: an error
  // text that reached a dataset is reported with its text).
  void setData(const DataPacket& packet);
  void setData(const Variant& packet);
  // Reads a client-dataset file in any packet format; errors name the file.
  void loadFromFile(const std::filesystem::path& path);
  void close();
  bool active() const { return state_ != DataSetState::Inactive; }
  DataSetState state() const { return state_; }

  // The whole content as a packet: every record in load/insert order,
  // whatever the filter and index, with the pending change log if any.
  DataPacket data() const;

  // ---- change log ----
  void setLogChanges(bool on);
  bool logChanges() const { return log_changes_; }
  std::size_t changeCount() const;
  void mergeChangeLog();

  // ---- navigation ----
  void first();
  void last();
  void next();
  void prior();
  bool eof() const;
  bool bof() const;
  bool isEmpty() const;
  std::size_t recordCount() const;  // visible records
  // 1-based position among visible records; 0 when empty.
  std::size_t recNo() const;

  // ---- fields ----
  const std::vector<Field>& fields() const;
  // DataSetError "<name>: Field 'X' not found" when there is none.
  DataSetField fieldByName(std::string_view name);
  std::optional<DataSetField> findField(std::string_view name);

  // ---- locate ----
  // Key fields separated by ';'. One field: `values` is the key (or an array
  // of one); several: an array with one value per field. A float field
  // compares as a number, a text field as text (without regard to case when
  // asked), whole values unless partialKey. Searches the visible records
  // from the first; on success moves the cursor there and returns true;
  // otherwise the cursor stays.
  bool locate(std::string_view key_fields, const Variant& values, LocateOptions options = {});

  // ---- filter ----
  // Expressions of the form  FIELD = 'text'  (any blanks), with = <> < > <= >=,
  // numbers, NULL (FIELD IS NULL / IS NOT NULL), AND, OR, NOT and brackets.
  // Texts compare exactly. A text that does not parse throws DataSetError
  // when the filter is switched on (or set while on).
  void setFilterText(std::string text);
  const std::string& filterText() const { return filter_text_; }
  void setFiltered(bool on);
  bool filtered() const { return filtered_; }

  // ---- editing ----
  void edit();    // the current record; DataSetError when empty
  void insert();  // a new record before the current one
  void append();  // a new record at the end
  void post();
  void cancel();
  // Deletes the current record; the cursor moves to the next visible record,
  // or to the new last one when the deleted one was last.
  void remove();

 private:
  friend class DataSetField;
  struct Record;

  void requireActive() const;
  void requireEditing() const;
  // Posts a pending edit or insert, as moving the cursor does.
  void checkBrowseMode();
  const Field& fieldAt(std::size_t field) const;
  Variant currentValue(std::size_t field) const;
  void setBufferValue(std::size_t field, const Variant& value);
  void openWith(DataPacket packet, const std::string& source);
  void checkPersistentFields(const std::vector<Field>& fields, const std::string& source) const;
  const IndexDef* findIndexDef(std::string_view name) const;
  std::vector<std::size_t> indexFieldPositions(const IndexDef& index,
                                               const std::vector<Field>& fields) const;
  std::vector<std::size_t> keyFieldPositions(std::string_view key_fields) const;

  // The visible records, rebuilt when a change marked them dirty.
  const std::vector<Record*>& view() const;
  void rebuildView() const;
  // Position of the cursor's record in the view; nullopt when there is none.
  std::optional<std::size_t> cursorPosition() const;
  Record* currentRecord() const;
  void placeCursor(std::size_t position);
  // Moves the cursor onto the first of `ids` still visible, else onto the
  // first visible record, else leaves the dataset at eof and bof.
  void placeCursorOnOneOf(std::initializer_list<std::uint64_t> ids);
  std::size_t physicalIndex(std::uint64_t id) const;

  std::string name_;
  std::vector<Field> persistent_;
  std::vector<IndexDef> index_defs_;
  std::string index_name_;

  DataSetState state_ = DataSetState::Inactive;
  DataPacket meta_;  // fields and parameters of the loaded packet (no rows)
  std::vector<std::unique_ptr<Record>> records_;  // load/insert order
  std::uint64_t next_record_id_ = 1;
  bool log_changes_ = true;

  // Visible records (pointers into records_), rebuilt lazily.
  mutable std::vector<Record*> view_;
  mutable bool view_dirty_ = true;
  std::uint64_t cursor_id_ = 0;          // id of the current record; 0: none
  mutable std::size_t cursor_hint_ = 0;  // last known position of cursor_id_ in view_
  bool eof_ = true;
  bool bof_ = true;

  // The record being edited or inserted.
  std::unique_ptr<Record> buffer_;
  std::uint64_t insert_before_id_ = 0;  // 0: append

  std::string filter_text_;
  bool filtered_ = false;
  std::unique_ptr<DataSetFilter> filter_;  // compiled while open and filtered
};

}  // namespace conta

#endif  // CONTA_PLATFORM_CLIENT_DATASET_H_
