// A bill on a test store: the store's parameter files in a host directory
// of the test's own, the seven parameters by name, and the entries by index.
#ifndef CONTA_TESTS_SUPPORT_BILL_TEST_H_
#define CONTA_TESTS_SUPPORT_BILL_TEST_H_

#include <filesystem>
#include <string>
#include <vector>

#include "conta/variant.h"
#include "frame/data_module.h"
#include "support/store_builder.h"

namespace conta::testing_support {

// The call's seven parameters.
struct Pedido {
  std::string lista{};
  std::string tipo = "1";
  bool consumacao = false;
  bool couvert = false;
  bool taxa = false;
  std::string lugares = "T";
  std::string excluidos{};
};

std::vector<Variant> parametros(const Pedido& p);

// A numeric entry; NaN, with a failure, when the entry is no double.
double entry(const Variant& result, std::size_t index);

// A fresh store (StoreDataTest) with its parameters file written from
// loja() into a host directory of the test's own.
class BillTest : public StoreDataTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A store that charges neither service nor cover of its own accord.
  static Srv_Xol41260::TParametrosLoja loja();
  // Rewrites the parameters file; the next bill reads it.
  void useStore(const Srv_Xol41260::TParametrosLoja& parameters);

  // Bills through the qualified name, into a fresh array of fourteen; a
  // failure is a test failure and gives the untouched array.
  Variant bill(const Pedido& pedido);

  // The only tie between the entries: the total is items, consumption,
  // cover and service charge.
  static void expectTotal(const Variant& result);

  std::filesystem::path host_;
};

}  // namespace conta::testing_support

#endif  // CONTA_TESTS_SUPPORT_BILL_TEST_H_
