#include "support/bill_test.h"

#include <algorithm>
#include <limits>

#include "conta/calcula_conta.h"
#include "platform/host_directory.h"

namespace conta::testing_support {

std::vector<Variant> parametros(const Pedido& p) {
  return {Variant(p.lista), Variant(p.tipo),    Variant(p.consumacao), Variant(p.couvert),
          Variant(p.taxa),  Variant(p.lugares), Variant(p.excluidos)};
}

double entry(const Variant& result, std::size_t index) {
  if (!result.isArray() || result.size() <= index ||
      result[index].kind() != Variant::Kind::Double) {
    ADD_FAILURE() << "entry " << index << " of " << result.describe() << " is no double"
                  << (result.isArray() && result.size() > index ? ": " + result[index].describe()
                                                                : std::string());
    return std::numeric_limits<double>::quiet_NaN();
  }
  return result[index].real();
}

void BillTest::SetUp() {
  StoreDataTest::SetUp();
  if (IsSkipped()) return;
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(name.begin(), name.end(), '/', '_');
  host_ = std::filesystem::path(CONTA_TEST_TMP) / "bills" / name;
  std::filesystem::remove_all(host_);
  conta::setHostDirectory(host_);
  useStore(loja());
  store().branch();  // its row is what a bill locks
  store().product({.produto = "P1", .cobraTaxa = "S"});
}

void BillTest::TearDown() {
  if (module_ != nullptr) forgetStoreParameters(*module_);
  conta::setHostDirectory({});
  StoreDataTest::TearDown();
}

Srv_Xol41260::TParametrosLoja BillTest::loja() {
  return {.VRCOMISVENDA = 10,
          .CDFILIAL = "0001",
          .CDLOJA = "01",
          .CDCLIENTE = "C1",
          .UTILIZAIMPFIS = false,
          .CDPRODCOUVER = "COUV",
          .CDPRODCONSUM = "CONM",
          .CDPRODCONSUF = "CONF",
          .IDCOUVERART = "N",
          .PRECOCOUVERT = 8,
          .PRECOCONSUMAMASC = 30,
          .PRECOCONSUMAFEMI = 25,
          .IDLUGARMESA = "N",
          .CDCAIXA = "001",
          .IDCOMISVENDA = "N",
          .IDCONDESCTXSERV = "S",
          .IDCONSDESCTXSERV = "S"};
}

void BillTest::useStore(const Srv_Xol41260::TParametrosLoja& parameters) {
  forgetStoreParameters(module());
  writeStoreParameters(host_, {parameters});
}

Variant BillTest::bill(const Pedido& pedido) {
  std::vector<Variant> p = parametros(pedido);
  Variant result = Variant::array(14);
  try {
    EXPECT_TRUE(Srv_Xol41260::CalculaConta(p.data(), static_cast<int>(p.size()) - 1, result));
  } catch (const std::exception& e) {
    ADD_FAILURE() << "bill of " << pedido.lista << " failed: " << e.what();
  }
  return result;
}

void BillTest::expectTotal(const Variant& result) {
  EXPECT_NEAR(entry(result, 1),
              entry(result, 2) + entry(result, 0) + entry(result, 5) + entry(result, 6), 1e-9);
}

}  // namespace conta::testing_support
