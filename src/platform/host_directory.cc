#include "platform/host_directory.h"

#include <cstdlib>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "conta/error.h"
#include "platform/os/process.h"
#include "platform/text_encoding.h"

namespace conta {
namespace {

std::mutex g_mutex;
std::filesystem::path g_override;

}  // namespace

std::filesystem::path executablePath() {
  return os::executablePath();
}

std::filesystem::path hostDirectory() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_override.empty()) return g_override;
  }
  if (const char* env = std::getenv("CONTA_HOST_DIR"); env != nullptr && *env != '\0') {
    return std::filesystem::path(env);
  }
  return executablePath().parent_path();
}

void setHostDirectory(std::filesystem::path directory) {
  std::lock_guard lock(g_mutex);
  g_override = std::move(directory);
}

std::optional<std::filesystem::path> findIgnoringCase(const std::filesystem::path& directory,
                                                      std::string_view relative) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : relative) {
    if (c == '/' || c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);

  std::filesystem::path exact = directory;
  for (const auto& p : parts)
    exact /= p;
  std::error_code error;
  if (std::filesystem::exists(exact, error)) return exact;

  // A folder on the way that is there but cannot be read is no missing file:
  // the files under it would be taken as absent without a word.
  auto unreadable = [](const std::filesystem::path& folder, const std::error_code& failure) {
    return Error(folder.string() + " não pode ser lido (" + failure.message() +
                 "): os arquivos da loja nele não podem ser procurados.");
  };
  std::filesystem::path at = directory;
  for (const auto& p : parts) {
    std::filesystem::path next = at / p;
    if (!std::filesystem::exists(next, error)) {
      if (error && error != std::errc::no_such_file_or_directory) throw unreadable(next, error);
      bool found = false;
      std::filesystem::directory_iterator entries(at, error);
      if (error) {
        if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory)
          return std::nullopt;
        throw unreadable(at, error);
      }
      for (const auto& entry : entries) {
        if (text_encoding::equalsIgnoringAsciiCase(entry.path().filename().string(), p)) {
          next = entry.path();
          found = true;
          break;
        }
      }
      if (!found) return std::nullopt;
    }
    at = next;
  }
  return at;
}

}  // namespace conta
