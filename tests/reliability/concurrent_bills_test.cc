// A store billed by several host processes at once (terminals, application
// servers, the tool): eight processes, twenty-five bills each, on the joined
// tables listed in opposite orders and on a reserved table billed by seat.
// Every bill takes the lock of the branch's bills first, so the store ends as
// a serial run leaves it: no charge item twice, one cover unit per seat.
// Processes killed (SIGKILL) at random moments leave every bill whole or not
// there at all, and the next bills put the store where a serial run puts it.
// On SQLite, and on PostgreSQL when CONTA_TEST_POSTGRESQL is set.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/db/connection.h"
#include "platform/db/statement.h"
#include "reliability.h"
#include "support/files.h"

extern char** environ;

namespace conta::reliability {
namespace {

constexpr int kProcessos = 8;
constexpr int kContas = 25;

using Linhas = std::map<std::string, std::string>;

// One store of the history generator, on SQLite or in a PostgreSQL schema.
struct Loja {
  fs::path dir;
  std::string conexao;  // for the workers ("" on SQLite: the store's own file)
  std::string leitura;  // for the checks
  std::unique_ptr<EsquemaPostgreSql> esquema;
  history::Resumo resumo;
};

class ConcurrentBillsTest : public ::testing::TestWithParam<std::string> {
 protected:
  // A fresh store; every store made here is the same store.
  Loja loja(const std::string& nome) {
    Loja loja;
    loja.dir = scratch("concurrent_" + GetParam() + "_" + nome);
    if (GetParam() == "sqlite") {
      loja.resumo = lojaPequena(loja.dir);
      loja.leitura = "sqlite:" + (loja.dir / "Dados" / "loja.db").string();
    } else {
      loja.esquema = std::make_unique<EsquemaPostgreSql>("conta_concorrentes_" + nome);
      if (!loja.esquema->skipReason().empty()) return loja;
      loja.conexao = loja.leitura = loja.esquema->conexao();
      loja.resumo = lojaPequena(loja.dir, loja.conexao);
    }
    return loja;
  }

  // The joined tables in both orders and the reserved table.
  static std::vector<std::string> listas(const history::Resumo& resumo) {
    std::vector<std::string> comandas;
    std::stringstream lista(resumo.comandas_juncao);
    for (std::string comanda; std::getline(lista, comanda, '_');)
      comandas.insert(comandas.begin(), comanda);
    std::string invertida;
    for (const auto& comanda : comandas)
      invertida += (invertida.empty() ? "" : "_") + comanda;
    return {resumo.comandas_juncao, invertida, resumo.comanda_reserva};
  }

  // A worker process billing `loja` `contas` times; its lines go to `saida`.
  static pid_t inicia(const Loja& loja, int contas, const fs::path& saida) {
    std::vector<std::string> args = {CONTA_BILL_WORKER, loja.dir.string(), loja.conexao,
                                     std::to_string(contas)};
    for (const auto& lista : listas(loja.resumo))
      args.push_back(lista);
    std::vector<char*> argv;
    for (auto& arg : args)
      argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, saida.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0) << "cannot start " << argv[0];
    return rc == 0 ? pid : -1;
  }

  // The exit status, or minus the signal that ended the process.
  static int espera(pid_t pid) {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1000;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

  // A serial run: one worker, each list once.
  void serial(const Loja& loja, const std::string& nome) {
    const fs::path saida = loja.dir / (nome + ".txt");
    ASSERT_EQ(espera(inicia(loja, 3, saida)), 0) << testing_support::readWholeFile(saida);
  }

  // Every row of the items and comandas, but the inclusion times, by key.
  static Linhas linhas(const Loja& loja) {
    db::Connection connection("check");
    connection.setConnectionString(loja.leitura);
    connection.open();
    Linhas out;
    auto le = [&](const std::string& tabela, const std::vector<std::string>& chaves,
                  const std::vector<std::string>& valores) {
      db::Query query(connection, "check");
      query.setSql("SELECT * FROM " + tabela);
      query.open();
      auto texto = [&](const std::string& coluna) {
        const Variant v = query.value(coluna);
        return v.isNull() ? std::string("<null>") : v.toText();
      };
      for (query.first(); !query.eof(); query.next()) {
        std::string chave = tabela, valor;
        for (const auto& coluna : chaves)
          chave += "/" + texto(coluna);
        for (const auto& coluna : valores)
          valor += texto(coluna) + "|";
        out[chave] = valor;
      }
    };
    le("ITCOMANDAVEN", {"NRVENDAREST", "NRCOMANDA", "NRPRODCOMVEN"},
       {"CDPRODUTO", "QTPRODCOMVEN", "VRPRECCOMVEN", "NRLUGARMESA", "IDSTPRCOMVEN"});
    le("COMANDAVEN", {"NRVENDAREST", "NRCOMANDA"}, {"VRCOMISVENDE"});
    return out;
  }

  // The rows of each comanda (its items, or its own row) as one text.
  static Linhas porComanda(const Linhas& linhas) {
    Linhas out;
    for (const auto& [chave, valor] : linhas) {
      const auto venda = chave.find('/');
      const auto comanda = chave.find('/', chave.find('/', venda + 1) + 1);
      out[chave.substr(0, comanda)] +=
          chave.substr(comanda == std::string::npos ? chave.size() : comanda) + "=" + valor + ";";
    }
    return out;
  }

  // Where the rows of two stores differ, for a failure message.
  static std::string diferencas(const Linhas& esperadas, const Linhas& obtidas) {
    std::ostringstream out;
    for (const auto& [chave, valor] : esperadas) {
      auto found = obtidas.find(chave);
      if (found == obtidas.end()) {
        out << "missing " << chave << " " << valor << "\n";
      } else if (found->second != valor) {
        out << chave << ": expected " << valor << ", got " << found->second << "\n";
      }
    }
    for (const auto& [chave, valor] : obtidas)
      if (!esperadas.count(chave)) out << "extra " << chave << " " << valor << "\n";
    return out.str();
  }
};

TEST_P(ConcurrentBillsTest, EightProcessesLeaveTheStoreASerialRunLeaves) {
  Loja referencia = loja("referencia");
  if (referencia.esquema && !referencia.esquema->skipReason().empty())
    GTEST_SKIP() << referencia.esquema->skipReason();
  ASSERT_FALSE(referencia.resumo.comandas_juncao.empty());
  ASSERT_FALSE(referencia.resumo.comanda_reserva.empty());
  serial(referencia, "serial");
  const Linhas esperadas = linhas(referencia);

  Loja carga = loja("carga");
  std::vector<pid_t> processos;
  for (int i = 0; i < kProcessos; ++i)
    processos.push_back(
        inicia(carga, kContas, carga.dir / ("worker" + std::to_string(i) + ".txt")));
  int contas = 0;
  for (int i = 0; i < kProcessos; ++i) {
    const fs::path saida = carga.dir / ("worker" + std::to_string(i) + ".txt");
    EXPECT_EQ(espera(processos[i]), 0) << testing_support::readWholeFile(saida);
    std::istringstream lines(testing_support::readWholeFile(saida));
    for (std::string line; std::getline(lines, line);) {
      ++contas;
      EXPECT_TRUE(line.rfind("ok ", 0) == 0 || line.rfind("espera ", 0) == 0) << line;
    }
  }
  EXPECT_EQ(contas, kProcessos * kContas);
  EXPECT_EQ(diferencas(esperadas, linhas(carga)), "");
}

TEST_P(ConcurrentBillsTest, ProcessesKilledAtRandomLeaveWholeBillsOnly) {
  Loja referencia = loja("ref_morte");
  if (referencia.esquema && !referencia.esquema->skipReason().empty())
    GTEST_SKIP() << referencia.esquema->skipReason();
  serial(referencia, "serial");
  const Linhas esperadas = linhas(referencia);

  Loja carga = loja("morte");
  const Linhas inicio = porComanda(linhas(carga));
  const Linhas fim = porComanda(esperadas);
  std::mt19937 sorte(7);
  for (int rodada = 0; rodada < 3; ++rodada) {
    std::vector<pid_t> processos;
    for (int i = 0; i < kProcessos; ++i)
      processos.push_back(
          inicia(carga, kContas, carga.dir / ("morte" + std::to_string(i) + ".txt")));
    // Each process is killed at a moment of its own, most of them mid-run.
    std::vector<std::pair<int, pid_t>> mortes;
    for (pid_t pid : processos)
      mortes.emplace_back(std::uniform_int_distribution<int>(20, 1500)(sorte), pid);
    std::sort(mortes.begin(), mortes.end());
    int passado = 0;
    for (const auto& [quando, pid] : mortes) {
      std::this_thread::sleep_for(std::chrono::milliseconds(quando - passado));
      passado = quando;
      kill(pid, SIGKILL);
    }
    for (pid_t pid : processos) {
      const int status = espera(pid);
      EXPECT_TRUE(status == 0 || status == -SIGKILL) << "status " << status;
    }
    // What the killed processes left: every comanda as a whole bill leaves
    // it, or as before the first bill; never half a bill. The next bills
    // make the store a serial run makes.
    if (rodada == 0) {
      const Linhas agora = porComanda(linhas(carga));
      for (const auto& [comanda, valor] : agora) {
        const bool comoAntes = inicio.count(comanda) && inicio.at(comanda) == valor;
        const bool comoDepois = fim.count(comanda) && fim.at(comanda) == valor;
        EXPECT_TRUE(comoAntes || comoDepois) << comanda << " holds " << valor;
      }
    }
    serial(carga, "depois" + std::to_string(rodada));
    EXPECT_EQ(diferencas(esperadas, linhas(carga)), "") << "round " << rodada;
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, ConcurrentBillsTest, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace conta::reliability
