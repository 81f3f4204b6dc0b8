// `conta calcula` killed (SIGKILL) at points spread over a bill, on a SQLite
// store: the database opens and passes its integrity check, a charge
// insertion is there whole or not at all (the cover of a reserved table goes
// one unit per seat in one transaction), and the next bill gives the bill of
// a store that was never interrupted.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace conta {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

std::string sqliteText(const fs::path& db, const std::string& sql) {
  sqlite3* handle = nullptr;
  std::string out;
  if (sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
      while (sqlite3_step(statement) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(statement, 0);
        out += (out.empty() ? "" : ",") +
               std::string(text ? reinterpret_cast<const char*>(text) : "<null>");
      }
    } else {
      out = std::string("error: ") + sqlite3_errmsg(handle);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(handle);
  return out;
}

class CrashCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(CONTA_TEST_TMP) / "crash_cli";
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    pristine_ = scratch_ / "pristine";
    ASSERT_EQ(std::system(("env -u CONTA_CONNECTION " + std::string(CONTA_CLI) + " historico " +
                           pristine_.string() + " --dias 2 --vendas-por-dia 40 >/dev/null 2>&1")
                              .c_str()),
              0);
  }

  static fs::path database(const fs::path& store) { return store / "Dados" / "loja.db"; }

  void copyStore(const fs::path& to) {
    fs::remove_all(to);
    fs::copy(pristine_, to, fs::copy_options::recursive);
  }

  std::vector<std::string> arguments(const fs::path& store, const std::string& lista) const {
    return {CONTA_CLI,      "calcula",      "--host-dir", store.string(),       "--lista-comandas",
            lista,          "--tipo-conta", "2",          "--cobra-consumacao", "--cobra-couvert",
            "--cobra-taxa", "--format",     "json"};
  }

  // Starts a bill; its output goes to `out`.
  pid_t start(const fs::path& store, const std::string& lista, const fs::path& out) {
    std::vector<std::string> args = arguments(store, lista);
    std::vector<char*> argv;
    for (auto& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    posix_spawn(&pid, CONTA_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  // A whole bill's JSON (the entries, without the packets' changing times).
  Json bill(const fs::path& store, const std::string& lista) {
    const fs::path out = scratch_ / "bill.json";
    int status = 0;
    waitpid(start(store, lista, out), &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << lista;
    std::FILE* f = std::fopen(out.c_str(), "r");
    Json json = f ? Json::parse(f, nullptr, false) : Json();
    if (f) std::fclose(f);
    json.erase("entries");  // the packets, with the charge items' times
    json.erase("comandas");
    json.erase("itens");
    return json;
  }

  fs::path scratch_, pristine_;
};

TEST_F(CrashCliTest, ABillKilledAnywhereLeavesAStoreThatBillsAsIfNothingHappened) {
  const std::string reserva = sqliteText(
      database(pristine_),
      "SELECT CO.NRCOMANDA FROM COMANDAVEN CO JOIN VENDAREST VE ON VE.CDFILIAL = CO.CDFILIAL AND "
      "VE.NRVENDAREST = CO.NRVENDAREST WHERE VE.DTHRFECHMESA IS NULL AND CO.DSCOMANDA LIKE 'RES%'");
  ASSERT_FALSE(reserva.empty());
  ASSERT_EQ(reserva.find(','), std::string::npos);
  const std::string capa = "SELECT COUNT(*) FROM ITCOMANDAVEN WHERE NRCOMANDA = '" + reserva +
                           "' AND CDPRODUTO = 'COUVERT'";

  // The store never interrupted: the first bill adds the charges, the
  // second finds them.
  const fs::path reference = scratch_ / "reference";
  copyStore(reference);
  const std::string coversBefore = sqliteText(database(reference), capa);
  const auto began = std::chrono::steady_clock::now();
  const Json first = bill(reference, reserva);
  const auto took = std::chrono::steady_clock::now() - began;
  const Json settled = bill(reference, reserva);
  const std::string coversAfter = sqliteText(database(reference), capa);
  ASSERT_NE(coversBefore, coversAfter) << "the bill adds no cover to interrupt";

  const int runs = 30;
  int killed = 0;
  for (int i = 0; i < runs; ++i) {
    SCOPED_TRACE("run " + std::to_string(i));
    const fs::path work = scratch_ / "work";
    copyStore(work);
    pid_t pid = start(work, reserva, scratch_ / "killed.json");
    // Kill points spread evenly over the time a bill takes.
    std::this_thread::sleep_for(took * i / runs);
    if (kill(pid, SIGKILL) == 0) ++killed;
    int status = 0;
    waitpid(pid, &status, 0);

    EXPECT_EQ(sqliteText(database(work), "PRAGMA integrity_check"), "ok");
    const std::string covers = sqliteText(database(work), capa);
    EXPECT_TRUE(covers == coversBefore || covers == coversAfter)
        << covers << " cover rows: a part of the insertion";
    const Json again = bill(work, reserva);
    EXPECT_TRUE(again == first || again == settled) << again.dump();
    EXPECT_EQ(sqliteText(database(work), capa), coversAfter);
  }
  EXPECT_GT(killed, runs / 2);
}

}  // namespace
}  // namespace conta
