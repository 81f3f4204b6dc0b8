// Small file helpers shared by the tests.
#ifndef CONTA_TESTS_SUPPORT_FILES_H_
#define CONTA_TESTS_SUPPORT_FILES_H_

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace conta::testing_support {

inline std::string readWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace conta::testing_support

#endif  // CONTA_TESTS_SUPPORT_FILES_H_
