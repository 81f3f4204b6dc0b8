// The ODBC driver: reaches Oracle, MS SQL Server, PostgreSQL or SQLite
// through the unixODBC driver manager. Text crosses the ODBC boundary as
// UTF-16 (the W functions and SQL_C_WCHAR), so it does not depend on the
// process's locale or on the data source's character set options.
//
// Behaviour of the drivers this code was checked against:
//  - SQLite ODBC driver: it has only the narrow functions (see
//    Utf8ThreadLocale). Every value is held as text inside the driver, doubles
//    with 15 significant digits, so a double comes back to 15 digits although
//    the file keeps it exactly; and its own conversions turn text they cannot
//    read into NULL without a word. Values are therefore read as text and
//    converted here, as the native SQLite driver does, so a bad value fails
//    loudly. Expression columns are described from the first row's values
//    (VARCHAR(255) when there is no row), so column hints decide their types.
//  - psqlODBC: booleans come as VARCHAR(5) ("1"/"0") unless the connection
//    string says BoolsAsChar=0; text and untyped columns as WLONGVARCHAR. With
//    server-side prepare (the default), a parameter PostgreSQL cannot type
//    from its context (":P IS NULL") fails with 42P18; UseServerSidePrepare=0
//    in the connection string lets the server type it as text. The string is
//    used as given: the choice is the integrator's. The query timeout is
//    a server statement_timeout: the statement fails with 57014 and the
//    connection stays usable.
#include "platform/db/odbc/connection.h"

#if defined(_WIN32)
#include <windows.h>  // the ODBC headers of Windows build on its types
#else
#include <locale.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "conta/error.h"
#include "platform/db/column_values.h"
#include "platform/db/database_error.h"
#include "platform/db/named_parameters.h"
#include "platform/db/odbc/handles.h"
#include "platform/text_encoding.h"

namespace conta::db {
namespace {

static_assert(sizeof(SQLWCHAR) == 2, "the ODBC headers must use 16-bit SQLWCHAR");

constexpr SQLULEN kLoginTimeoutSeconds = 15;
// Pieces in which long texts and blobs are read.
constexpr std::size_t kPieceUnits = 4096;
constexpr std::size_t kPieceBytes = 16384;

// UTF-8 to null-terminated UTF-16 in SQLWCHAR units.
std::vector<SQLWCHAR> wide(std::string_view text) {
  std::string bytes = text_encoding::utf8ToUtf16le(text);
  std::vector<SQLWCHAR> units(bytes.size() / 2 + 1, 0);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units[i / 2] = static_cast<SQLWCHAR>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return units;
}

std::string narrow(const SQLWCHAR* units, std::size_t count) {
  std::string bytes(count * 2, '\0');
  for (std::size_t i = 0; i < count; ++i) {
    bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
  return text_encoding::utf16leToUtf8(bytes);
}

// unixODBC converts between the W functions and a driver that only has the
// narrow ones (the SQLite ODBC driver) in the character set of the calling
// thread's locale, chosen when the connection handle is allocated. In the
// default "C" locale that is ASCII and every other character is mangled, so
// the handle is made under a thread-local UTF-8 locale; the process's own
// locale is left alone.
#if defined(_WIN32)
// Windows' driver manager converts between the W and the narrow functions
// itself, in the drivers' own terms: nothing to choose here.
class Utf8ThreadLocale {
 public:
  Utf8ThreadLocale() {}  // user-provided: an instance is not an unused variable
};
#else
class Utf8ThreadLocale {
 public:
  Utf8ThreadLocale() {
    static const locale_t utf8 = [] {
      locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
      if (l == static_cast<locale_t>(nullptr)) {
        l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(nullptr));
      }
      return l;
    }();
    if (utf8 != static_cast<locale_t>(nullptr)) previous_ = uselocale(utf8);
  }
  ~Utf8ThreadLocale() {
    if (previous_ != static_cast<locale_t>(nullptr)) uselocale(previous_);
  }
  Utf8ThreadLocale(const Utf8ThreadLocale&) = delete;
  Utf8ThreadLocale& operator=(const Utf8ThreadLocale&) = delete;

 private:
  locale_t previous_ = static_cast<locale_t>(nullptr);
};
#endif

using odbc::ConnectionPtr;
using odbc::EnvironmentPtr;
using odbc::StatementPtr;

// The diagnostic records of a handle as one error: every message joined with
// "; ", the SQLSTATE and native code of the first error record (warnings of
// class 01 only when there is nothing else).
DatabaseError diagnostics(SQLSMALLINT type, SQLHANDLE handle, SQLRETURN code,
                          const std::string& context) {
  std::string message;
  std::string sqlstate;
  long native = 0;
  bool have_error = false;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native_code = 0;
    std::vector<SQLWCHAR> text(1024);
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRecW(type, handle, record, state, &native_code, text.data(),
                                  static_cast<SQLSMALLINT>(text.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && static_cast<std::size_t>(length) >= text.size()) {
      text.resize(static_cast<std::size_t>(length) + 1);
      rc = SQLGetDiagRecW(type, handle, record, state, &native_code, text.data(),
                          static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    std::string piece = narrow(text.data(), std::min<std::size_t>(length, text.size() - 1));
    // One line per message: psqlODBC puts a line break inside its own.
    std::replace_if(
        piece.begin(), piece.end(), [](char ch) { return ch == '\n' || ch == '\r'; }, ' ');
    while (!piece.empty() && piece.back() == ' ')
      piece.pop_back();
    if (!message.empty()) message += "; ";
    message += piece;
    std::string this_state = narrow(state, 5);
    bool is_error = this_state.rfind("01", 0) != 0;
    if (sqlstate.empty() || (is_error && !have_error)) {
      sqlstate = this_state;
      native = native_code;
      have_error = is_error;
    }
  }
  if (message.empty()) {
    message = "the ODBC driver reported no details (return code " + std::to_string(code) + ")";
    if (sqlstate.empty()) sqlstate = "HY000";
  }
  return DatabaseError(context.empty() ? message : context + ": " + message, sqlstate, native);
}

bool isStringType(SQLSMALLINT type) {
  switch (type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
      return true;
    default:
      return false;
  }
}

// How a column's values are fetched.
enum class Read { Text, Integer, Double, Timestamp, TimeOfDay, Bit, Binary, ParsedText };

struct Column {
  Field field;
  Read read = Read::Text;
};

Read readFor(ValueKind kind) {
  switch (kind) {
    case ValueKind::Text:
      return Read::Text;
    case ValueKind::Integer:
      return Read::Integer;
    case ValueKind::Float:
      return Read::Double;
    case ValueKind::Boolean:
      return Read::Bit;
    case ValueKind::DateTime:
      return Read::Timestamp;
    case ValueKind::Bytes:
      return Read::Binary;
  }
  return Read::Text;
}

// A packet field for an engine column type; `size` is the column size the
// driver reports.
Column columnFor(std::string name, SQLSMALLINT type, SQLULEN size) {
  switch (type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR: {
      int width = size > 0 && size <= 65535 ? static_cast<int>(size) : 0;
      return {Field(std::move(name), FieldType::String, width), Read::Text};
    }
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      return {Field(std::move(name), FieldType::Int64), Read::Integer};
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return {Field(std::move(name), FieldType::Float), Read::Double};
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIMESTAMP:
      return {Field(std::move(name), FieldType::DateTime), Read::Timestamp};
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return {Field(std::move(name), FieldType::DateTime), Read::TimeOfDay};
    case SQL_BIT:
      return {Field(std::move(name), FieldType::Boolean), Read::Bit};
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return {Field(std::move(name), FieldType::Bytes), Read::Binary};
    default:
      // Long texts, GUIDs, intervals and vendor types: their text.
      return {Field(std::move(name), FieldType::String), Read::Text};
  }
}

// One parameter value as bound: the buffer lives until the statement has run.
struct ParameterBuffer {
  SQLSMALLINT c_type = SQL_C_WCHAR;
  SQLSMALLINT sql_type = SQL_WVARCHAR;
  SQLULEN column_size = 1;
  SQLSMALLINT digits = 0;
  std::vector<SQLWCHAR> text = std::vector<SQLWCHAR>(1, 0);
  double number = 0;
  SQL_TIMESTAMP_STRUCT timestamp{};
  SQLPOINTER data = nullptr;
  SQLLEN length = 0;
  SQLLEN indicator = SQL_NULL_DATA;
};

void fill(ParameterBuffer& buffer, const BoundParameter& parameter) {
  const Variant& v = parameter.value;
  bool null = v.isNull() || v.isEmpty();
  switch (parameter.type) {
    case ParamType::String:
      buffer.c_type = SQL_C_WCHAR;
      buffer.sql_type = SQL_WVARCHAR;
      if (!null) buffer.text = wide(v.isText() ? v.text() : v.toText());
      // The whole text, however long: a list of codes may exceed any
      // declared column size.
      buffer.column_size = std::max<SQLULEN>(buffer.text.size() - 1, 1);
      buffer.data = buffer.text.data();
      buffer.length = static_cast<SQLLEN>((buffer.text.size() - 1) * sizeof(SQLWCHAR));
      break;
    case ParamType::Float:
      buffer.c_type = SQL_C_DOUBLE;
      buffer.sql_type = SQL_DOUBLE;
      buffer.column_size = 15;
      if (!null) buffer.number = v.kind() == Variant::Kind::Double ? v.real() : v.toDouble();
      buffer.data = &buffer.number;
      buffer.length = sizeof buffer.number;
      break;
    case ParamType::DateTime: {
      buffer.c_type = SQL_C_TYPE_TIMESTAMP;
      buffer.sql_type = SQL_TYPE_TIMESTAMP;
      buffer.column_size = 23;
      buffer.digits = 3;
      if (!null) {
        DateTime t = v.kind() == Variant::Kind::DateTime ? v.dateTime() : v.toDateTime();
        DateTime::Parts p = t.parts();
        buffer.timestamp.year = static_cast<SQLSMALLINT>(p.year);
        buffer.timestamp.month = static_cast<SQLUSMALLINT>(p.month);
        buffer.timestamp.day = static_cast<SQLUSMALLINT>(p.day);
        buffer.timestamp.hour = static_cast<SQLUSMALLINT>(p.hour);
        buffer.timestamp.minute = static_cast<SQLUSMALLINT>(p.minute);
        buffer.timestamp.second = static_cast<SQLUSMALLINT>(p.second);
        buffer.timestamp.fraction = static_cast<SQLUINTEGER>(p.millisecond) * 1'000'000u;
      }
      buffer.data = &buffer.timestamp;
      buffer.length = sizeof buffer.timestamp;
      break;
    }
  }
  buffer.indicator = null ? SQL_NULL_DATA : buffer.length;
}

class OdbcConnection final : public DriverConnection {
 public:
  explicit OdbcConnection(const ConnectionTarget& target) {
    SQLHANDLE env = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
      throw DatabaseError("cannot allocate an ODBC environment; is the driver manager installed?",
                          "HY001");
    }
    env_.reset(env);
    SQLRETURN rc =
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(rc)) throw diagnostics(SQL_HANDLE_ENV, env, rc, "ODBC 3 is not available");

    SQLHANDLE dbc = SQL_NULL_HANDLE;
    {
      Utf8ThreadLocale utf8;
      rc = SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    }
    if (!SQL_SUCCEEDED(rc)) {
      throw diagnostics(SQL_HANDLE_ENV, env, rc, "cannot allocate an ODBC connection");
    }
    dbc_.reset(dbc);
    // A driver without a login timeout simply waits as long as it waits.
    SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds), SQL_IS_UINTEGER);

    std::vector<SQLWCHAR> text = wide(target.target);
    rc = SQLDriverConnectW(dbc, nullptr, text.data(), static_cast<SQLSMALLINT>(text.size() - 1),
                           nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
      DatabaseError error =
          diagnostics(SQL_HANDLE_DBC, dbc, rc, "cannot connect to the ODBC data source");
      // Whatever went wrong, the database was not reached.
      throw DatabaseError(error.message(),
                          error.isConnectionFailure() || error.sqlstate().rfind("28", 0) == 0 ||
                                  error.sqlstate().rfind("IM", 0) == 0
                              ? error.sqlstate()
                              : "08001",
                          error.nativeCode());
    }
    std::string dbms = dbmsName();
    loose_types_ = dbms.find("SQLite") != std::string::npos;
    if (target.dialect) {
      dialect_ = *target.dialect;
    } else if (dbms.find("PostgreSQL") != std::string::npos) {
      dialect_ = Dialect::PostgreSql;
    } else if (loose_types_) {
      dialect_ = Dialect::Sqlite;
    } else if (dbms.find("Microsoft SQL Server") != std::string::npos) {
      dialect_ = Dialect::MsSql;
    } else if (dbms.find("Oracle") != std::string::npos) {
      dialect_ = Dialect::Oracle;
    } else {
      throw DatabaseError("the ODBC data source is a " + (dbms.empty() ? "nameless" : dbms) +
                              " database, which the module does not support (it speaks Oracle, "
                              "Microsoft SQL Server, PostgreSQL and SQLite)",
                          "HYC00");
    }
    // A lock held by another process is waited for as long as on every
    // engine, not without end (Oracle bounds it in the statement that locks).
    if (dbms.find("Microsoft SQL Server") != std::string::npos) {
      execute(parseNamedParameters("SET LOCK_TIMEOUT " + std::to_string(kLockWaitSeconds * 1000)),
              {}, ExecuteOptions{.want_rows = false});
    } else if (dialect_ == Dialect::PostgreSql) {
      execute(parseNamedParameters("SET lock_timeout = '" + std::to_string(kLockWaitSeconds) + "s'"),
              {}, ExecuteOptions{.want_rows = false});
    }
  }

  ~OdbcConnection() override {
    // A connection with an open transaction refuses to disconnect; what was
    // not committed is given up.
    if (in_transaction_ && !broken_) {
      SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK);
    }
  }

  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;

  Dialect dialect() const override { return dialect_; }

  bool alive() override {
    if (!broken_ && driverSaysDead()) broken_ = true;
    return !broken_;
  }

  void begin() override {
    if (in_transaction_) throw DatabaseError("a transaction is already open", "25000");
    setAutocommit(false);
    in_transaction_ = true;
  }

  void commit() override { finish(SQL_COMMIT); }
  void rollback() override { finish(SQL_ROLLBACK); }
  bool inTransaction() override { return in_transaction_; }

  ResultSet execute(const ParsedSql& sql, const std::vector<BoundParameter>& parameters,
                    const ExecuteOptions& options) override {
    if (parameters.size() != sql.names.size()) {
      throw DatabaseError("the statement has " + std::to_string(sql.names.size()) +
                              " parameters but " + std::to_string(parameters.size()) +
                              " values were given",
                          "07002");
    }
    StatementPtr statement = allocateStatement();
    SQLHSTMT stmt = statement.get();
    if (options.timeout_seconds > 0) setTimeout(stmt, options.timeout_seconds);

    // One buffer per name; every occurrence of the name points at it.
    std::vector<ParameterBuffer> buffers(parameters.size());
    for (std::size_t i = 0; i < parameters.size(); ++i)
      fill(buffers[i], parameters[i]);
    for (std::size_t k = 0; k < sql.occurrences.size(); ++k) {
      ParameterBuffer& b = buffers.at(sql.occurrences[k]);
      SQLRETURN rc =
          SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(k + 1), SQL_PARAM_INPUT, b.c_type,
                           b.sql_type, b.column_size, b.digits, b.data, b.length, &b.indicator);
      check(rc, SQL_HANDLE_STMT, stmt, "cannot bind parameter :" + sql.names[sql.occurrences[k]]);
    }

    std::vector<SQLWCHAR> text = wide(sql.render([](std::size_t, std::size_t) { return "?"; }));
    SQLRETURN rc = SQLExecDirectW(stmt, text.data(), static_cast<SQLINTEGER>(text.size() - 1));
    ResultSet result;
    if (rc == SQL_NO_DATA) {
      // An UPDATE or DELETE that touched no row.
      result.rows_affected = 0;
      return result;
    }
    check(rc, SQL_HANDLE_STMT, stmt);

    SQLSMALLINT count = 0;
    check(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt);
    if (count == 0) {
      SQLLEN rows = -1;
      check(SQLRowCount(stmt, &rows), SQL_HANDLE_STMT, stmt);
      result.rows_affected = rows;
      return result;
    }
    if (!options.want_rows) return result;

    std::vector<Column> columns;
    columns.reserve(static_cast<std::size_t>(count));
    for (SQLSMALLINT c = 1; c <= count; ++c)
      columns.push_back(describe(stmt, c, options));
    for (const auto& column : columns)
      result.fields.push_back(column.field);
    while (true) {
      rc = SQLFetch(stmt);
      if (rc == SQL_NO_DATA) break;
      check(rc, SQL_HANDLE_STMT, stmt);
      std::vector<Variant> row;
      row.reserve(columns.size());
      for (std::size_t c = 0; c < columns.size(); ++c) {
        row.push_back(read(stmt, static_cast<SQLUSMALLINT>(c + 1), columns[c]));
      }
      result.rows.push_back(std::move(row));
    }
    return result;
  }

 private:
  // Throws the handle's diagnostics for a failed call; remembers a lost
  // connection so the next open() makes a new one.
  void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const std::string& context = {}) {
    if (SQL_SUCCEEDED(rc)) return;
    throw noted(diagnostics(type, handle, rc, context));
  }

  // A failure that ended the connection is reported as one (class 08), also
  // when the engine gave its own reason first: psqlODBC reports a backend
  // ended by the server's operator as 57P01 and then marks the connection
  // dead.
  DatabaseError noted(DatabaseError error) {
    if (error.isConnectionFailure()) {
      broken_ = true;
    } else if (!broken_ && driverSaysDead()) {
      broken_ = true;
      return DatabaseError(error.message(), "08S01", error.nativeCode());
    }
    return error;
  }

  bool driverSaysDead() {
    SQLUINTEGER dead = SQL_CD_FALSE;
    SQLRETURN rc =
        SQLGetConnectAttrW(dbc_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr);
    // A driver that cannot tell is taken at its word until a statement fails.
    return rc == SQL_SUCCESS && dead == SQL_CD_TRUE;
  }

  std::string dbmsName() {
    std::vector<SQLWCHAR> name(256, 0);
    SQLSMALLINT bytes = 0;
    SQLRETURN rc = SQLGetInfoW(dbc_.get(), SQL_DBMS_NAME, name.data(),
                               static_cast<SQLSMALLINT>(name.size() * sizeof(SQLWCHAR)), &bytes);
    check(rc, SQL_HANDLE_DBC, dbc_.get(), "cannot ask the ODBC data source for its DBMS");
    std::size_t units =
        std::min<std::size_t>(static_cast<std::size_t>(bytes) / sizeof(SQLWCHAR), name.size() - 1);
    return narrow(name.data(), units);
  }

  void setAutocommit(bool on) {
    SQLRETURN rc = SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(
                                          on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
                                      SQL_IS_UINTEGER);
    check(rc, SQL_HANDLE_DBC, dbc_.get(),
          on ? "cannot return to autocommit" : "cannot begin a transaction");
  }

  void finish(SQLSMALLINT completion) {
    bool committing = completion == SQL_COMMIT;
    if (!in_transaction_) {
      throw DatabaseError(committing ? "there is no open transaction to commit"
                                     : "there is no open transaction to roll back",
                          "25000");
    }
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), completion);
    if (!SQL_SUCCEEDED(rc)) {
      DatabaseError error = noted(diagnostics(SQL_HANDLE_DBC, dbc_.get(), rc,
                                              committing ? "cannot commit" : "cannot roll back"));
      // A failed commit saved nothing: roll back so the next statement does
      // not run inside the remains of the transaction. After a failed
      // rollback on a live connection the transaction stays open, since
      // returning to autocommit would commit it.
      bool closed =
          broken_ ||
          (committing && SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK)));
      if (closed) {
        in_transaction_ = false;
        if (!broken_) {
          SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                             reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)),
                             SQL_IS_UINTEGER);
        }
      }
      throw error;
    }
    in_transaction_ = false;
    setAutocommit(true);
  }

  StatementPtr allocateStatement() {
    SQLHANDLE raw = SQL_NULL_HANDLE;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, dbc_.get(), &raw);
    check(rc, SQL_HANDLE_DBC, dbc_.get(), "cannot allocate an ODBC statement");
    return StatementPtr(raw);
  }

  void setTimeout(SQLHSTMT stmt, int seconds) {
    SQLRETURN rc = SQLSetStmtAttrW(stmt, SQL_ATTR_QUERY_TIMEOUT,
                                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)),
                                   SQL_IS_UINTEGER);
    if (SQL_SUCCEEDED(rc)) return;
    DatabaseError error = diagnostics(SQL_HANDLE_STMT, stmt, rc, "cannot set the query timeout");
    // A driver without timeouts runs the statement without one.
    if (error.sqlstate() == "HYC00" || error.sqlstate() == "01S02") return;
    throw noted(error);
  }

  Column describe(SQLHSTMT stmt, SQLUSMALLINT index, const ExecuteOptions& options) {
    std::vector<SQLWCHAR> name(256, 0);
    SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    auto call = [&] {
      return SQLDescribeColW(stmt, index, name.data(), static_cast<SQLSMALLINT>(name.size()),
                             &length, &type, &size, &digits, &nullable);
    };
    SQLRETURN rc = call();
    if (SQL_SUCCEEDED(rc) && static_cast<std::size_t>(length) >= name.size()) {
      name.assign(static_cast<std::size_t>(length) + 1, 0);
      rc = call();
    }
    check(rc, SQL_HANDLE_STMT, stmt, "cannot describe result column " + std::to_string(index));
    std::string upper = upperName(narrow(
        name.data(), std::min<std::size_t>(static_cast<std::size_t>(length), name.size() - 1)));
    Column column = columnFor(upper, type, size);

    // A hint is the statement's word on the column's type, so the packet is
    // the same on every engine; a string keeps the engine's width when the
    // hint gives none.
    if (options.hints != nullptr) {
      for (const auto& hint : *options.hints) {
        if (hint.name != upper) continue;
        int width = hint.width;
        if (width == 0 && hint.type == FieldType::String && isStringType(type)) {
          width = column.field.width();
        }
        column = {Field(upper, hint.type, width), readFor(Field(upper, hint.type).valueKind())};
        break;
      }
    }
    if (loose_types_ && column.read != Read::Text && column.read != Read::Binary) {
      column.read = Read::ParsedText;
    }
    return column;
  }

  // Reads a character or binary value in pieces; nullopt for NULL.
  template <typename Unit>
  std::optional<std::vector<Unit>> readPieces(SQLHSTMT stmt, SQLUSMALLINT index,
                                              SQLSMALLINT c_type) {
    // Character data ends each piece with a terminator.
    constexpr std::size_t kTerminator = std::is_same_v<Unit, SQLWCHAR> ? 1 : 0;
    constexpr std::size_t kUnits = std::is_same_v<Unit, SQLWCHAR> ? kPieceUnits : kPieceBytes;
    std::vector<Unit> out;
    std::vector<Unit> piece(kUnits);
    const SQLLEN capacity = static_cast<SQLLEN>((kUnits - kTerminator) * sizeof(Unit));
    while (true) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(stmt, index, c_type, piece.data(),
                                static_cast<SQLLEN>(piece.size() * sizeof(Unit)), &indicator);
      // Nothing left: the value has been read (or, on the first call, a
      // driver's way of giving an empty one).
      if (rc == SQL_NO_DATA) break;
      check(rc, SQL_HANDLE_STMT, stmt);
      if (indicator == SQL_NULL_DATA) return std::nullopt;
      if (indicator == SQL_NO_TOTAL || indicator > capacity) {
        out.insert(out.end(), piece.begin(), piece.begin() + (kUnits - kTerminator));
        continue;
      }
      std::size_t units = static_cast<std::size_t>(indicator) / sizeof(Unit);
      out.insert(out.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(units));
      break;
    }
    return out;
  }

  template <typename T>
  std::optional<T> readFixed(SQLHSTMT stmt, SQLUSMALLINT index, SQLSMALLINT c_type) {
    T value{};
    SQLLEN indicator = 0;
    check(SQLGetData(stmt, index, c_type, &value, sizeof value, &indicator), SQL_HANDLE_STMT, stmt);
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    return value;
  }

  std::optional<std::string> readText(SQLHSTMT stmt, SQLUSMALLINT index) {
    auto units = readPieces<SQLWCHAR>(stmt, index, SQL_C_WCHAR);
    if (!units) return std::nullopt;
    return narrow(units->data(), units->size());
  }

  static DateTime dateTimeOf(const Field& field, const DateTime::Parts& parts) {
    try {
      return DateTime::fromParts(parts);
    } catch (const Error&) {
      throw DatabaseError("column " + field.name + " holds a date-time outside the calendar",
                          "22008");
    }
  }

  Variant read(SQLHSTMT stmt, SQLUSMALLINT index, const Column& column) {
    switch (column.read) {
      case Read::Text: {
        auto text = readText(stmt, index);
        return text ? Variant(std::move(*text)) : Variant::null();
      }
      case Read::Integer: {
        auto v = readFixed<SQLBIGINT>(stmt, index, SQL_C_SBIGINT);
        return v ? Variant(static_cast<std::int64_t>(*v)) : Variant::null();
      }
      case Read::Double: {
        auto v = readFixed<SQLDOUBLE>(stmt, index, SQL_C_DOUBLE);
        return v ? Variant(static_cast<double>(*v)) : Variant::null();
      }
      case Read::Timestamp: {
        auto v = readFixed<SQL_TIMESTAMP_STRUCT>(stmt, index, SQL_C_TYPE_TIMESTAMP);
        if (!v) return Variant::null();
        return Variant(
            dateTimeOf(column.field, {v->year, v->month, v->day, v->hour, v->minute, v->second,
                                      static_cast<int>(v->fraction / 1'000'000u)}));
      }
      case Read::TimeOfDay: {
        // A time alone is a date-time on day zero.
        auto v = readFixed<SQL_TIME_STRUCT>(stmt, index, SQL_C_TYPE_TIME);
        if (!v) return Variant::null();
        return Variant(dateTimeOf(column.field, {1899, 12, 30, v->hour, v->minute, v->second, 0}));
      }
      case Read::Bit: {
        auto v = readFixed<unsigned char>(stmt, index, SQL_C_BIT);
        return v ? Variant(*v != 0) : Variant::null();
      }
      case Read::Binary: {
        auto bytes = readPieces<char>(stmt, index, SQL_C_BINARY);
        if (!bytes) return Variant::null();
        return Variant::fromBytes(std::string(bytes->begin(), bytes->end()));
      }
      case Read::ParsedText: {
        auto text = readText(stmt, index);
        if (!text) return Variant::null();
        return parsed(column.field, *text);
      }
    }
    return Variant::null();
  }

  // A value the driver handed over as text, read as its field's type. An
  // integer column holding a real gives the real rounded, as the native
  // SQLite driver does.
  static Variant parsed(const Field& field, const std::string& text) {
    if (auto value = valueFromText(field, text)) return *value;
    if (field.valueKind() == ValueKind::Integer) {
      if (auto real = valueFromText(Field(field.name, FieldType::Float), text)) {
        if (auto integer = real->tryInteger()) return Variant(*integer);
      }
    }
    throw DatabaseError(
        "column " + field.name + " holds '" + text + "', which is not a value of its type",
        "22018");
  }

  EnvironmentPtr env_;
  ConnectionPtr dbc_;
  bool broken_ = false;
  bool in_transaction_ = false;
  bool loose_types_ = false;
  Dialect dialect_ = Dialect::Sqlite;
};

}  // namespace

std::unique_ptr<DriverConnection> openOdbc(const ConnectionTarget& target) {
  return std::make_unique<OdbcConnection>(target);
}

}  // namespace conta::db
