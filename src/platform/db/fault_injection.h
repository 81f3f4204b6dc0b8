// Database failures on cue, for tests: the n-th database call from now (a
// statement, the start or the commit of a transaction, on any connection)
// fails with a DatabaseError, as a server that refuses or goes away would.
// A failing commit rolls the transaction back first, as the server does.
// Unarmed, the check is one atomic load.
#ifndef CONTA_PLATFORM_DB_FAULT_INJECTION_H_
#define CONTA_PLATFORM_DB_FAULT_INJECTION_H_

#include <cstdint>
#include <string>

namespace conta::db {

// Database calls made since the process started (statements, begins and
// commits), to count the calls of a piece of work.
std::uint64_t databaseCalls();

// Makes the n-th call from now fail (n >= 1); 0 disarms.
void failDatabaseCall(std::uint64_t n);

// Counts a call; throws the injected DatabaseError when it is the one armed
// (and disarms). `what` names the call in the message.
void countDatabaseCall(const std::string& what);

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_FAULT_INJECTION_H_
