// The independent XML datapacket reader (built from the shared Free Pascal
// source into the build tree) and a parser for its dump output. Tests that
// use it skip with a message when the source or the compiler is absent.
#ifndef CONTA_TESTS_SUPPORT_CDSDUMP_H_
#define CONTA_TESTS_SUPPORT_CDSDUMP_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"

namespace conta::testing_support {

namespace fs = std::filesystem;

struct Dump {
  std::map<std::string, std::string> field_types;  // name -> "ftString 40"
  std::vector<std::map<std::string, std::string>> rows;
};

// Reads cdsdump's FIELD and ROW lines; quoted values lose their quotes and
// backslash escapes, NULL stays "NULL".
inline Dump parseDump(const std::string& text) {
  Dump dump;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("FIELD ", 0) == 0) {
      auto space = line.find(' ', 6);
      dump.field_types[line.substr(6, space - 6)] = line.substr(space + 1);
    } else if (line.rfind("ROW ", 0) == 0) {
      auto& values = dump.rows.emplace_back();
      std::size_t pos = line.find(':') + 1;
      while (pos < line.size()) {
        while (pos < line.size() && line[pos] == ' ') {
          ++pos;
        }
        auto eq = line.find('=', pos);
        if (eq == std::string::npos) break;
        std::string name = line.substr(pos, eq - pos);
        std::string value;
        pos = eq + 1;
        if (pos < line.size() && line[pos] == '"') {
          for (++pos; pos < line.size() && line[pos] != '"'; ++pos) {
            if (line[pos] == '\\' && line[pos + 1] == 'x') {
              value += static_cast<char>(std::stoi(line.substr(pos + 2, 2), nullptr, 16));
              pos += 3;
            } else {
              if (line[pos] == '\\') ++pos;
              value += line[pos];
            }
          }
          ++pos;
        } else {
          auto end = line.find(' ', pos);
          value = line.substr(pos, end == std::string::npos ? end : end - pos);
          pos = end == std::string::npos ? line.size() : end;
        }
        values[name] = value;
      }
    }
  }
  return dump;
}

class CdsdumpTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fs::path source = fs::path(CONTA_SHARED_DIR) / "tools" / "cdsdump.pas";
    if (!fs::exists(source)) {
      skip_ = "no independent reader at " + source.string();
      return;
    }
    if (std::system("command -v fpc >/dev/null 2>&1") != 0) {
      skip_ = "Free Pascal (fpc) is not installed";
      return;
    }
    // Built once into the build tree; test processes that run side by side
    // each build in their own folder and move the result into place.
    fs::path dir = fs::path(CONTA_TEST_TMP) / "cdsdump-xml";
    tool_ = dir / "cdsdump";
    if (fs::exists(tool_) && fs::last_write_time(tool_) >= fs::last_write_time(source)) return;
    fs::path work = dir / ("build-" + std::to_string(::getpid()));
    fs::create_directories(work);
    std::string command = "fpc -O2 -FE" + work.string() + " -FU" + work.string() + " " +
                          source.string() + " >" + (work / "fpc.log").string() + " 2>&1";
    if (std::system(command.c_str()) != 0 || !fs::exists(work / "cdsdump")) {
      build_error_ = readWholeFile(work / "fpc.log");
      return;
    }
    fs::rename(work / "cdsdump", tool_);
    fs::remove_all(work);
  }

  void SetUp() override {
    if (!skip_.empty()) GTEST_SKIP() << skip_;
    ASSERT_TRUE(build_error_.empty()) << "cdsdump did not build:\n" << build_error_;
  }

  // Runs cdsdump; its standard output, or a test failure.
  static std::string run(const std::string& arguments) {
    std::string command = tool_.string() + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
      out += buffer;
    }
    int status = pipe != nullptr ? pclose(pipe) : -1;
    EXPECT_EQ(status, 0) << command << "\n" << out;
    return out;
  }

  static fs::path scratch(const char* name) {
    fs::create_directories(CONTA_TEST_TMP);
    return fs::path(CONTA_TEST_TMP) / name;
  }

  static inline std::string skip_;
  static inline std::string build_error_;
  static inline fs::path tool_;
};

}  // namespace conta::testing_support

#endif  // CONTA_TESTS_SUPPORT_CDSDUMP_H_
