#include "platform/db/statement.h"

#include "conta/error.h"
#include "platform/db/database_error.h"
#include "platform/field_value.h"
#include "platform/text_encoding.h"

namespace conta::db {
namespace {

// The parameter of that name (without regard to case) in `parameters`, or
// null; const or not as the vector is.
template <typename Parameters>
auto findByName(Parameters& parameters, std::string_view name) -> decltype(parameters.data()) {
  for (auto& p : parameters) {
    if (text_encoding::equalsIgnoringAsciiCase(p.name, name)) return &p;
  }
  return nullptr;
}

}  // namespace

// ---- Statement -------------------------------------------------------------------

Statement::Statement(Connection& connection, std::string name)
    : connection_(connection), name_(std::move(name)) {}

Statement::~Statement() = default;

void Statement::setSql(std::string text) {
  dialect_texts_.reset();
  text_ = std::move(text);
  parsed_ = parseNamedParameters(text_);
  parsed_for_.reset();
  adoptParameters(parsed_);
}

void Statement::setTexts(DialectTexts texts) {
  dialect_texts_ = std::move(texts);
  parsed_for_.reset();
  // The parameters are known before the database is: set by name at once.
  for (Dialect dialect : kAllDialects) {
    const std::string& text = dialect_texts_->forDialect(dialect);
    if (!text.empty()) adoptParameters(parseNamedParameters(text));
  }
}

void Statement::adoptParameters(const ParsedSql& sql) {
  for (const auto& name : sql.names) {
    if (findParameter(name) == nullptr) parameters_.push_back({name, ParamType::String, 16, {}});
  }
}

void Statement::declareParameter(std::string name, ParamType type, int size) {
  if (Parameter* p = findParameter(name)) {
    p->type = type;
    p->size = size;
    return;
  }
  parameters_.push_back({std::move(name), type, size, {}});
}

Parameter* Statement::findParameter(std::string_view name) {
  return findByName(parameters_, name);
}

const Parameter* Statement::findParameter(std::string_view name) const {
  return findByName(parameters_, name);
}

Parameter& Statement::parameter(std::string_view name) {
  if (Parameter* p = findParameter(name)) return *p;
  throw DatabaseError(name_ + ": no parameter " + std::string(name));
}

const ParsedSql& Statement::prepare() {
  if (!dialect_texts_) return parsed_;
  if (!connection_.connected()) connection_.open();
  Dialect dialect = connection_.dialect();
  if (parsed_for_ != dialect) {
    const std::string& text = dialect_texts_->forDialect(dialect);
    if (text.empty()) {
      throw DatabaseError(name_ + ": no " + dialectName(dialect) + " text for this statement");
    }
    text_ = text;
    parsed_ = parseNamedParameters(text_);
    parsed_for_ = dialect;
    adoptParameters(parsed_);
  }
  return parsed_;
}

std::vector<BoundParameter> Statement::boundParameters(const ParsedSql& sql) const {
  std::vector<BoundParameter> bound;
  bound.reserve(sql.names.size());
  for (const auto& name : sql.names) {
    const Parameter* p = findParameter(name);
    BoundParameter b{p->type, Variant::null()};
    if (!p->value.isNull() && !p->value.isEmpty()) {
      try {
        switch (p->type) {
          case ParamType::String:
            b.value = p->value.isText() ? p->value : Variant(p->value.toText());
            break;
          case ParamType::Float:
            b.value = Variant(p->value.toDouble());
            break;
          case ParamType::DateTime:
            b.value = Variant(p->value.toDateTime());
            break;
        }
      } catch (const VariantError& e) {
        throw VariantError(name_ + ": parameter " + p->name + ": " + e.what());
      }
    }
    bound.push_back(std::move(b));
  }
  return bound;
}

ResultSet Statement::run(const ExecuteOptions& options) {
  if (!dialect_texts_ && text_.empty()) throw DatabaseError(name_ + ": the statement has no text");
  const ParsedSql& sql = prepare();
  ExecuteOptions named = options;
  named.name = &name_;
  return connection_.execute(sql, boundParameters(sql), named);
}

// ---- Query ---------------------------------------------------------------------

Query::Query(Connection& connection, std::string name) : Statement(connection, std::move(name)) {}

void Query::open() {
  if (active_) return;
  // Persistent fields type their columns as hints do.
  std::vector<ColumnHint> hints = hints_;
  for (const auto& field : persistent_) {
    hints.push_back({field.name, field.type, field.width()});
  }
  ExecuteOptions options;
  options.want_rows = true;
  options.timeout_seconds = timeout_seconds_;
  options.hints = &hints;
  ResultSet result = run(options);
  // Field names in a packet are unique: a name that comes again is
  // numbered (the second CDCONSUMIDOR is CDCONSUMIDOR_1).
  for (std::size_t i = 0; i < result.fields.size(); ++i) {
    int seen = 0;
    for (std::size_t j = 0; j < i; ++j) {
      if (text_encoding::equalsIgnoringAsciiCase(result.fields[j].name, result.fields[i].name)) {
        ++seen;
      }
    }
    if (seen > 0) result.fields[i].name += "_" + std::to_string(seen);
  }
  if (!persistent_.empty()) {
    // The rows as the persistent fields describe them, taken by name.
    std::vector<std::size_t> source;
    for (const auto& field : persistent_) {
      std::size_t found = result.fields.size();
      for (std::size_t i = 0; i < result.fields.size(); ++i) {
        if (text_encoding::equalsIgnoringAsciiCase(result.fields[i].name, field.name)) found = i;
      }
      if (found == result.fields.size()) {
        throw DatabaseError(name() + ": field '" + field.name + "' not found in the result");
      }
      source.push_back(found);
    }
    ResultSet shaped;
    shaped.fields = persistent_;
    shaped.rows.reserve(result.rows.size());
    for (auto& row : result.rows) {
      std::vector<Variant> values;
      values.reserve(persistent_.size());
      for (std::size_t f = 0; f < persistent_.size(); ++f) {
        values.push_back(fieldValue(persistent_[f], row[source[f]]));
      }
      shaped.rows.push_back(std::move(values));
    }
    result = std::move(shaped);
  }
  result_ = std::move(result);
  cursor_ = 0;
  active_ = true;
}

void Query::close() {
  active_ = false;
  result_ = ResultSet{};
  cursor_ = 0;
}

std::int64_t Query::execSql() {
  ExecuteOptions options;
  options.want_rows = false;
  options.timeout_seconds = timeout_seconds_;
  return run(options).rows_affected;
}

void Query::requireActive() const {
  if (!active_) throw DatabaseError(name() + ": the query is not open");
}

const std::vector<Field>& Query::fields() const {
  requireActive();
  return result_.fields;
}

std::size_t Query::recordCount() const {
  requireActive();
  return result_.rows.size();
}

void Query::first() {
  requireActive();
  cursor_ = 0;
}

void Query::next() {
  requireActive();
  if (cursor_ < result_.rows.size()) ++cursor_;
}

bool Query::eof() const {
  requireActive();
  return cursor_ >= result_.rows.size();
}

Variant Query::value(std::string_view column) const {
  requireActive();
  for (std::size_t i = 0; i < result_.fields.size(); ++i) {
    if (text_encoding::equalsIgnoringAsciiCase(result_.fields[i].name, column)) {
      if (cursor_ >= result_.rows.size()) {
        throw DatabaseError(name() + ": no current row (the query is at its end)");
      }
      return result_.rows[cursor_][i];
    }
  }
  throw DatabaseError(name() + ": field '" + std::string(column) + "' not found");
}

DataPacket Query::packet() const {
  requireActive();
  DataPacket packet;
  packet.fields = result_.fields;
  packet.rows.reserve(result_.rows.size());
  for (const auto& row : result_.rows)
    packet.rows.push_back({0, row});
  return packet;
}

// ---- Command -------------------------------------------------------------------

Command::Command(Connection& connection, std::string name)
    : Statement(connection, std::move(name)) {}

std::int64_t Command::execute() {
  ExecuteOptions options;
  options.want_rows = false;
  options.timeout_seconds = 0;
  return run(options).rows_affected;
}

}  // namespace conta::db
