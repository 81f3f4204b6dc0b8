// What the module asks of the operating system about its own process: the
// files of the running executable and of the loaded module, and the local
// time. One implementation per system (process_posix.cc,
// process_windows.cc); everything else is shared.
#ifndef CONTA_PLATFORM_OS_PROCESS_H_
#define CONTA_PLATFORM_OS_PROCESS_H_

#include <ctime>
#include <filesystem>

namespace conta::os {

// The full path of the running executable (the host program).
std::filesystem::path executablePath();

// The file of the loaded module (shared library or executable) that holds
// `address`; empty when the system cannot tell.
std::filesystem::path moduleFileOf(const void* address);

// `seconds` broken down in the local time zone.
std::tm localTime(std::time_t seconds);

}  // namespace conta::os

#endif  // CONTA_PLATFORM_OS_PROCESS_H_
