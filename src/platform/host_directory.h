// The host directory: where the host program's executable lies. The store's
// files (the parameters file, the fiscal-rate table, the embedded database)
// are found under it. Hosts and tests may set another one.
#ifndef CONTA_PLATFORM_HOST_DIRECTORY_H_
#define CONTA_PLATFORM_HOST_DIRECTORY_H_

#include <filesystem>
#include <optional>
#include <string_view>

namespace conta {

// The directory set by setHostDirectory(), else the environment variable
// CONTA_HOST_DIR, else the directory of the running executable.
std::filesystem::path hostDirectory();
// An empty path returns to the default.
void setHostDirectory(std::filesystem::path directory);

// The full path of the running executable.
std::filesystem::path executablePath();

// `relative` ("Dados/Cadastros/AliqImpFis.cds", '/' or '\' separators) under
// `directory`: the exact path when it exists, else the first entry matching
// each component without regard to case (stores copy these files from
// Windows); nullopt when there is none.
std::optional<std::filesystem::path> findIgnoringCase(const std::filesystem::path& directory,
                                                      std::string_view relative);

}  // namespace conta

#endif  // CONTA_PLATFORM_HOST_DIRECTORY_H_
