// DatabaseError: the one exception type of the database layer. It carries the
// engine's own message, its SQLSTATE (five characters, empty when the engine
// gave none) and its native error code. Messages never contain a password.
#ifndef CONTA_PLATFORM_DB_DATABASE_ERROR_H_
#define CONTA_PLATFORM_DB_DATABASE_ERROR_H_

#include <string>

#include "conta/error.h"

namespace conta::db {

class DatabaseError : public Error {
 public:
  DatabaseError(const std::string& message, std::string sqlstate = {}, long native_code = 0)
      : Error(sqlstate.empty() ? message : message + " (SQLSTATE " + sqlstate + ")"),
        message_(message),
        sqlstate_(std::move(sqlstate)),
        native_code_(native_code) {}
  ~DatabaseError() override;  // anchors the type information in this library

  [[nodiscard]] const std::string& message() const noexcept { return message_; }
  [[nodiscard]] const std::string& sqlstate() const noexcept { return sqlstate_; }
  [[nodiscard]] long nativeCode() const noexcept { return native_code_; }
  // Class 08: the connection failed or was lost.
  [[nodiscard]] bool isConnectionFailure() const noexcept { return sqlstate_.rfind("08", 0) == 0; }

 private:
  std::string message_;
  std::string sqlstate_;
  long native_code_;
};

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_DATABASE_ERROR_H_
