// The PostgreSQL server goes away under a host that keeps its connection:
// restarted between two bills, the next bill reconnects and succeeds; a
// server that stays down fails every bill with a message that names the
// connection, and bills work again once it is back.
//
// The test restarts and stops the server of CONTA_TEST_POSTGRESQL with
// pg_ctlcluster: the cluster named by CONTA_TEST_POSTGRESQL_CLUSTER
// ("15 regress"), else the local cluster that pg_lsclusters lists on the
// connection's port (pg_virtualenv's "<version> regress"). It skips when
// there is no such cluster or it cannot be controlled; ctest runs it alone,
// as the other tests' connections would not survive it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "reliability.h"

namespace conta::reliability {
namespace {

struct Saida {
  int status = -1;
  std::string texto;
};

// Runs a shell command; its exit status and what it printed.
Saida executa(const std::string& command) {
  Saida out;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    out.texto += buffer;
  const int status = ::pclose(pipe);
  out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

// The value of `key` in a libpq key=value string ("" when absent).
std::string valorDe(const std::string& conninfo, const std::string& key) {
  std::istringstream in(conninfo);
  for (std::string word; in >> word;) {
    if (word.rfind(key + "=", 0) == 0) return word.substr(key.size() + 1);
  }
  return "";
}

bool hostLocal(const std::string& host) {
  return host.empty() || host[0] == '/' || host == "localhost" || host == "127.0.0.1" ||
         host == "::1";
}

// "<version> <name>" of the cluster to control, or "" with the reason.
std::string clusterDoServidor(const std::string& conninfo, std::string& motivo) {
  if (const char* named = std::getenv("CONTA_TEST_POSTGRESQL_CLUSTER");
      named != nullptr && *named != '\0') {
    return named;
  }
  std::string host = valorDe(conninfo, "host");
  if (host.empty() && std::getenv("PGHOST") != nullptr) host = std::getenv("PGHOST");
  if (!hostLocal(host)) {
    motivo = "the server of CONTA_TEST_POSTGRESQL is not on this machine (host " + host + ")";
    return "";
  }
  std::string port = valorDe(conninfo, "port");
  if (port.empty()) port = std::getenv("PGPORT") != nullptr ? std::getenv("PGPORT") : "5432";
  const Saida clusters = executa("pg_lsclusters --no-header");
  if (clusters.status != 0) {
    motivo = "pg_lsclusters is not available: " + clusters.texto;
    return "";
  }
  std::istringstream lines(clusters.texto);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string version, name, cluster_port, status;
    fields >> version >> name >> cluster_port >> status;
    if (cluster_port == port && status.rfind("online", 0) == 0) return version + " " + name;
  }
  motivo = "pg_lsclusters lists no cluster online on port " + port +
           " (set CONTA_TEST_POSTGRESQL_CLUSTER to \"<version> <name>\")";
  return "";
}

bool nomeiaAConexao(const std::string& erro) {
  return erro.find("PostgreSQL") != std::string::npos && erro.find("connect") != std::string::npos;
}

class LostServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    esquema_ = std::make_unique<EsquemaPostgreSql>("conta_servidor");
    if (!esquema_->skipReason().empty()) GTEST_SKIP() << esquema_->skipReason();
    ASSERT_FALSE(esquema_->conexao().empty());
    std::string motivo;
    cluster_ = clusterDoServidor(esquema_->admin(), motivo);
    if (cluster_.empty()) GTEST_SKIP() << "cannot restart the server: " << motivo;
    const Saida estado = pg("status");
    if (estado.status != 0) {
      GTEST_SKIP() << "cannot control cluster " << cluster_ << ": " << estado.texto;
    }

    dir_ = scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
    resumo_ = lojaPequena(dir_, esquema_->conexao());
    usaLoja(dir_, esquema_->conexao());
    pedido_ = mesasSeparadas(resumo_).at(0);
    // The charge items are in place; the reference bill follows.
    ASSERT_EQ(calcula(pedido_).status, CONTA_OK);
    referencia_ = calcula(pedido_);
    ASSERT_EQ(referencia_.status, CONTA_OK) << referencia_.erro;
  }

  void TearDown() override {
    // Whatever happened, the server is up for the tests after this one.
    if (parado_) {
      EXPECT_EQ(pg("start").status, 0);
    }
  }

  Saida pg(const std::string& action) {
    return executa("pg_ctlcluster " + cluster_ + " " + action);
  }

  void para() {
    const Saida saida = pg("stop -m fast");
    ASSERT_EQ(saida.status, 0) << saida.texto;
    parado_ = true;
  }

  void inicia() {
    const Saida saida = pg("start");
    ASSERT_EQ(saida.status, 0) << saida.texto;
    parado_ = false;
  }

  std::unique_ptr<EsquemaPostgreSql> esquema_;
  std::string cluster_;
  bool parado_ = false;
  fs::path dir_;
  history::Resumo resumo_;
  Pedido pedido_;
  Conta referencia_;
};

TEST_F(LostServerTest, ARestartBetweenTwoBillsIsReconnectedOnce) {
  const Saida saida = pg("restart -m fast");
  ASSERT_EQ(saida.status, 0) << saida.texto;

  EXPECT_EQ(diferenca(referencia_, calcula(pedido_)), "") << "the first bill after the restart";
  EXPECT_EQ(diferenca(referencia_, calcula(pedido_)), "") << "the next one";

  // Twice in a row, with a bill on the way.
  ASSERT_EQ(pg("restart -m fast").status, 0);
  char* error = nullptr;
  EXPECT_EQ(conta_connect(&error), CONTA_OK) << error;
  conta_free(error);
  ASSERT_EQ(pg("restart -m fast").status, 0);
  EXPECT_EQ(diferenca(referencia_, calcula(pedido_)), "");
}

TEST_F(LostServerTest, AServerThatStaysDownFailsEveryBillUntilItIsBack) {
  para();
  for (int i = 0; i < 3; ++i) {
    const Conta conta = calcula(pedido_);
    EXPECT_EQ(conta.status, CONTA_ERROR) << "bill " << i;
    EXPECT_TRUE(nomeiaAConexao(conta.erro)) << "bill " << i << ": " << conta.erro;
  }
  char* error = nullptr;
  EXPECT_EQ(conta_connect(&error), CONTA_ERROR);
  EXPECT_TRUE(error != nullptr && nomeiaAConexao(error)) << (error != nullptr ? error : "");
  conta_free(error);
  EXPECT_EQ(conta_set_list_matching("indexed", &error), CONTA_OK) << "needs no server";
  conta_free(error);

  inicia();
  EXPECT_EQ(diferenca(referencia_, calcula(pedido_)), "") << "the first bill with the server back";
  EXPECT_EQ(diferenca(referencia_, calcula(pedido_)), "");
}

}  // namespace
}  // namespace conta::reliability
