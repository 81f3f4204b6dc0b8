// conta schema: the DDL it prints creates a working store database.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace conta {
namespace {

namespace fs = std::filesystem;

TEST(SchemaCliTest, PrintsDdlThatCreatesEveryTable) {
  fs::path dir = fs::path(CONTA_TEST_TMP) / "schema_cli";
  fs::create_directories(dir);
  fs::path sql = dir / "store.sql";
  std::string command = std::string(CONTA_CLI) + " schema --dialect sqlite > " + sql.string();
  ASSERT_EQ(std::system(command.c_str()), 0);

  fs::path file = dir / "store.db";
  fs::remove(file);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  std::FILE* in = std::fopen(sql.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  std::string script;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
    script.append(buffer, n);
  std::fclose(in);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error != nullptr ? error : "");
  sqlite3_free(error);
  sqlite3_stmt* count = nullptr;
  sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table'", -1, &count,
                     nullptr);
  ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(count, 0), 15);
  sqlite3_finalize(count);
  sqlite3_close(db);

  std::string wrong = std::string(CONTA_CLI) + " schema --dialect oracle >/dev/null 2>&1";
  int status = std::system(wrong.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

}  // namespace
}  // namespace conta
