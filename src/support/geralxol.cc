#include "support/geralxol.h"

#include <cstdlib>
#include <fstream>
#include <mutex>

#include "platform/host_directory.h"

namespace Geralxol {
namespace {

std::mutex g_mutex;
std::optional<std::string> g_host_string;

std::string trimmed(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  std::size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

}  // namespace

void setConnectionString(std::optional<std::string> text) {
  std::lock_guard lock(g_mutex);
  g_host_string = std::move(text);
}

std::string GetStringConexXol(const std::string&) {
  {
    std::lock_guard lock(g_mutex);
    if (g_host_string) return *g_host_string;
  }
  if (const char* env = std::getenv("CONTA_CONNECTION"); env != nullptr && *env != '\0') {
    return env;
  }
  if (auto file = conta::findIgnoringCase(conta::hostDirectory(), "conexao.txt")) {
    std::ifstream in(*file);
    std::string line;
    while (std::getline(in, line)) {
      line = trimmed(line);
      if (!line.empty() && line.front() != '#') return line;
    }
  }
  return {};
}

}  // namespace Geralxol
