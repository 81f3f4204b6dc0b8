#include "support/geralxol.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <system_error>

#include "conta/error.h"
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
    // There but not a file the module can read: said, not taken as missing
    // (the bill would then go to the embedded store instead).
    std::error_code error;
    if (!std::filesystem::is_regular_file(*file, error)) {
      throw conta::Error(
          file->string() +
          " não é um arquivo: a conexão com o banco da loja não pode ser lida dele.");
    }
    std::ifstream in(*file);
    if (!in) {
      throw conta::Error(
          file->string() +
          " não pode ser lido: a conexão com o banco da loja não pode ser lida dele.");
    }
    std::string line;
    while (std::getline(in, line)) {
      line = trimmed(line);
      if (!line.empty() && line.front() != '#') return line;
    }
  }
  return {};
}

}  // namespace Geralxol
