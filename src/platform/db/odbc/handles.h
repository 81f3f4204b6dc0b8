// ODBC's native handles, each owned by a unique_ptr that frees it (a
// connection is disconnected first).
#ifndef CONTA_PLATFORM_DB_ODBC_HANDLES_H_
#define CONTA_PLATFORM_DB_ODBC_HANDLES_H_

#if defined(_WIN32)
#include <windows.h>  // the ODBC headers of Windows build on its types
#endif
#include <sql.h>

#include <memory>

namespace conta::db::odbc {

template <SQLSMALLINT kType>
struct HandleFreer {
  void operator()(SQLHANDLE handle) const { SQLFreeHandle(kType, handle); }
};
struct ConnectionCloser {
  void operator()(SQLHDBC handle) const {
    // Fails harmlessly on a handle that never connected.
    SQLDisconnect(handle);
    SQLFreeHandle(SQL_HANDLE_DBC, handle);
  }
};

using EnvironmentPtr = std::unique_ptr<void, HandleFreer<SQL_HANDLE_ENV>>;
using ConnectionPtr = std::unique_ptr<void, ConnectionCloser>;
using StatementPtr = std::unique_ptr<void, HandleFreer<SQL_HANDLE_STMT>>;

}  // namespace conta::db::odbc

#endif  // CONTA_PLATFORM_DB_ODBC_HANDLES_H_
