// Ten thousand bills in one process hold no more memory and no more open
// files than the first thousand did. CONTA_TEST_BILLS sets another count
// (scripts/leaks.sh bills a few hundred under valgrind); the samples are
// taken after a tenth of the bills and after the last.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "reliability.h"

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#endif

namespace conta::reliability {
namespace {

constexpr long kFolgaBytes = 8L * 1024 * 1024;

struct Amostra {
  long residente = 0;  // bytes
  int arquivos = 0;    // open file descriptors
};

Amostra amostra() {
  Amostra out;
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  out.residente = resident * ::sysconf(_SC_PAGESIZE);
  std::error_code error;
  for (auto it = fs::directory_iterator("/proc/self/fd", error); !error && it != fs::end(it);
       it.increment(error)) {
    ++out.arquivos;
  }
  return out;
}

bool sobValgrind() {
#if defined(RUNNING_ON_VALGRIND)
  return RUNNING_ON_VALGRIND != 0;
#else
  return false;
#endif
}

int contasPedidas() {
  const char* text = std::getenv("CONTA_TEST_BILLS");
  const int n = text != nullptr ? std::atoi(text) : 0;
  return n > 0 ? n : 10000;
}

TEST(ResourcesTest, TenThousandBillsKeepMemoryAndFilesFlat) {
  const ScratchEmMemoria area("resources");
  const fs::path& dir = area.path();
  const history::Resumo resumo = lojaPequena(dir);
  usaLoja(dir, "sqlite:" + (dir / "Dados" / "loja.db").string());

  // Every table by itself, the joined tables and the reserved table in turn.
  std::vector<Pedido> pedidos = mesasSeparadas(resumo);
  Pedido juncao;
  juncao.comanda = resumo.comandas_juncao;
  juncao.tipo_conta = "2";
  pedidos.push_back(juncao);
  ASSERT_GT(pedidos.size(), 10u);

  const int total = contasPedidas();
  const int primeiras = std::max(1, total / 10);
  Amostra depoisDasPrimeiras;
  const auto inicio = std::chrono::steady_clock::now();
  auto meio = inicio;
  int falhas = 0;
  for (int n = 1; n <= total; ++n) {
    const Pedido& pedido = pedidos[static_cast<std::size_t>(n) % pedidos.size()];
    const Conta conta = calcula(pedido);
    if (conta.status != CONTA_OK && ++falhas <= 5) {
      ADD_FAILURE() << "bill " << n << " of " << pedido.comanda << ": " << conta.erro;
    }
    if (n == primeiras) {
      depoisDasPrimeiras = amostra();
      meio = std::chrono::steady_clock::now();
    }
  }
  const Amostra depoisDeTodas = amostra();
  const auto fim = std::chrono::steady_clock::now();
  EXPECT_EQ(falhas, 0);

  const auto ms = [](auto d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
  };
  std::cout << total << " bills in " << ms(fim - inicio) << " ms (" << primeiras << " in "
            << ms(meio - inicio) << " ms); resident memory " << depoisDasPrimeiras.residente / 1024
            << " KiB after " << primeiras << ", " << depoisDeTodas.residente / 1024 << " KiB after "
            << total << "; open files " << depoisDasPrimeiras.arquivos << ", "
            << depoisDeTodas.arquivos << "\n";
  RecordProperty("resident_kib_first", std::to_string(depoisDasPrimeiras.residente / 1024));
  RecordProperty("resident_kib_last", std::to_string(depoisDeTodas.residente / 1024));

  EXPECT_EQ(depoisDeTodas.arquivos, depoisDasPrimeiras.arquivos) << "open files grew";
  if (sobValgrind()) return;  // its own memory is not the process's
  EXPECT_LE(depoisDeTodas.residente - depoisDasPrimeiras.residente, kFolgaBytes)
      << "resident memory grew from " << depoisDasPrimeiras.residente << " to "
      << depoisDeTodas.residente << " bytes between bill " << primeiras << " and bill " << total;
}

}  // namespace
}  // namespace conta::reliability
