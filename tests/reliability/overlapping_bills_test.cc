// A careless host: eight threads bill their own tables of one store through
// the C interface at the same time. The module runs the calls one at a time,
// so every bill is exactly the bill a serial run gives: all fourteen entries
// and both packets, to the last byte. On SQLite, and on PostgreSQL when
// CONTA_TEST_POSTGRESQL is set.
#include <gtest/gtest.h>

#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "reliability.h"

namespace conta::reliability {
namespace {

constexpr int kThreads = 8;
constexpr int kComandasPorThread = 2;
constexpr int kRodadas = 4;  // bills of each comanda per thread

class OverlappingBillsTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    dir_ = scratch(std::string("overlapping_") + GetParam());
    if (GetParam() == "sqlite") {
      resumo_ = lojaPequena(dir_);
      conexao_ = "sqlite:" + (dir_ / "Dados" / "loja.db").string();
    } else {
      esquema_ = std::make_unique<EsquemaPostgreSql>("conta_sobrepostas");
      if (!esquema_->skipReason().empty()) GTEST_SKIP() << esquema_->skipReason();
      ASSERT_FALSE(esquema_->conexao().empty());
      resumo_ = lojaPequena(dir_, esquema_->conexao());
      conexao_ = esquema_->conexao();
    }
    usaLoja(dir_, conexao_);
  }

  fs::path dir_;
  std::string conexao_;
  history::Resumo resumo_;
  std::unique_ptr<EsquemaPostgreSql> esquema_;
};

TEST_P(OverlappingBillsTest, EightThreadsGetTheBillsOfASerialRun) {
  const std::vector<Pedido> pedidos = mesasSeparadas(resumo_);
  ASSERT_GE(pedidos.size(), static_cast<std::size_t>(kThreads * kComandasPorThread))
      << "open sales at tables of their own";

  // The first bill of a comanda adds its charge items (stamped with the
  // clock); from then on a bill of it writes the same rows again. The
  // reference is the second serial bill, and a third must repeat it.
  std::vector<Conta> serial;
  for (int i = 0; i < kThreads * kComandasPorThread; ++i) {
    const Conta primeira = calcula(pedidos[i]);
    ASSERT_EQ(primeira.status, CONTA_OK) << pedidos[i].comanda << ": " << primeira.erro;
    serial.push_back(calcula(pedidos[i]));
    ASSERT_EQ(serial.back().status, CONTA_OK) << pedidos[i].comanda << ": " << serial.back().erro;
    EXPECT_GT(serial.back().valores[CONTA_VR_TOTAL_ITENS], 0) << pedidos[i].comanda;
    EXPECT_GT(serial.back().itens.size(), 0u) << pedidos[i].comanda;
  }
  for (int i = 0; i < kThreads * kComandasPorThread; ++i) {
    EXPECT_EQ(diferenca(serial[i], calcula(pedidos[i])), "")
        << pedidos[i].comanda << ": a serial bill does not repeat itself";
  }
  // Not all bills alike: the comparison below would prove little.
  EXPECT_FALSE(serial[0] == serial[1]);

  // Thread t bills comandas 2t and 2t+1, alternately, kRodadas times each.
  std::vector<std::vector<Conta>> obtidas(kThreads);
  std::latch largada(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      largada.arrive_and_wait();
      for (int rodada = 0; rodada < kRodadas; ++rodada) {
        for (int c = 0; c < kComandasPorThread; ++c) {
          obtidas[t].push_back(calcula(pedidos[t * kComandasPorThread + c]));
        }
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();

  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(obtidas[t].size(), static_cast<std::size_t>(kRodadas * kComandasPorThread));
    for (std::size_t n = 0; n < obtidas[t].size(); ++n) {
      const int i = t * kComandasPorThread + static_cast<int>(n % kComandasPorThread);
      EXPECT_EQ(diferenca(serial[i], obtidas[t][n]), "")
          << "thread " << t << ", bill " << n << " of comanda " << pedidos[i].comanda;
    }
  }

  // And the store is left as the serial bills leave it.
  for (int i = 0; i < kThreads * kComandasPorThread; ++i) {
    EXPECT_EQ(diferenca(serial[i], calcula(pedidos[i])), "") << pedidos[i].comanda;
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, OverlappingBillsTest,
                         ::testing::Values(std::string("sqlite"), std::string("postgresql")),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace conta::reliability
