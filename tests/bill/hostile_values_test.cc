// Values real stores end up holding (a bad import, a hand edit, an old
// schema) and parameter files that are not what they should be: every one
// either bills with finite figures or fails naming where it came from, and
// the store is then exactly as before the bill. One case per fault found.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <string>

#include "conta/calcula_conta.h"
#include "conta/packet_codecs.h"
#include "platform/db/statement.h"
#include "support/bill_test.h"
#include "support/mensagemxol.h"
#include "support/xol_corvana.h"

namespace {

namespace fs = std::filesystem;
using conta::Variant;
using conta::testing_support::Pedido;
using conta::testing_support::textOf;
using Srv_Xol41260::TParametrosLoja;

class HostileValuesTest : public conta::testing_support::BillTest {
 protected:
  void SetUp() override {
    BillTest::SetUp();
    if (IsSkipped()) return;
    Mensagemxol::setReportSink([](const Mensagemxol::Report&) {});
  }
  void TearDown() override {
    Mensagemxol::setReportSink({});
    BillTest::TearDown();
  }

  static TParametrosLoja chargingStore() {
    TParametrosLoja p = loja();
    p.IDCOUVERART = "S";
    p.IDCOMISVENDA = "S";
    return p;
  }

  // A sale of two persons with two items on comanda 0012.
  void fresh() {
    module().adcFuncoesRev.close();
    for (const char* table : {"ITCOMANDAVEN", "COMANDAVEN", "VENDAREST"})
      exec(std::string("DELETE FROM ") + table);
    fs::remove_all(host_ / "PARAMETROSXOL.CDS");
    useStore(chargingStore());
    store().sale({.venda = "V1", .pessoas = 2});
    store().comanda({.venda = "V1", .comanda = "0012"});
    store().item({.comanda = "0012", .numero = "000001", .quantidade = -2, .preco = 10});
    store().item({.comanda = "0012", .numero = "000002", .preco = 7.5});
  }

  std::map<std::string, std::string> rows() {
    std::map<std::string, std::string> out;
    for (const char* table : {"ITCOMANDAVEN", "COMANDAVEN", "VENDAREST"}) {
      conta::db::Query query(*connection_, "rows");
      query.setSql(std::string("SELECT * FROM ") + table);
      // Numbers as the engine writes them: a text or a NaN where a number
      // belongs is part of what must stay as it was.
      std::vector<conta::db::ColumnHint> asText;
      for (const char* column :
           {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRPRECCLCOMVEN", "VRDESCCOMVEN", "VRACRCOMVEN",
            "NRPESMESAVEN", "VRACRCOMANDA", "VRDESCOMANDA", "VRCOMISVENDE"})
        asText.push_back({column, conta::FieldType::String, 0});
      query.setColumnHints(asText);
      query.open();
      for (query.first(); !query.eof(); query.next()) {
        std::string row;
        for (const auto& field : query.fields())
          row += textOf(query.value(field.name)) + "|";
        out[std::string(table) + row] = row;
      }
    }
    return out;
  }

  // The parameters file with one field's value and type replaced.
  void parameter(const std::string& name, const Variant& value, conta::FieldType type,
                 conta::PacketFormat format = conta::PacketFormat::Binary) {
    conta::DataPacket packet = conta::testing_support::storeParametersPacket({chargingStore()});
    const std::size_t index = *packet.fieldIndex(name);
    conta::testing_support::forgetStoreParameters(module());
    const fs::path file = host_ / "PARAMETROSXOL.CDS";
    if (format == conta::PacketFormat::Xml) {
      // Written as a store's file would be: the value as its text.
      std::string xml = conta::encodePacket(packet, conta::PacketFormat::Xml);
      const std::string marker = name + "=\"";
      if (auto at = xml.find(marker, xml.find("<ROWDATA")); at != std::string::npos) {
        const auto end = xml.find('"', at + marker.size());
        xml.replace(at + marker.size(), end - at - marker.size(), value.toText());
      }
      std::ofstream(file, std::ios::binary) << xml;
    } else {
      packet.fields[index] = conta::Field(name, type, type == conta::FieldType::String ? 10 : 0);
      packet.rows.at(0).values.at(index) = value;
      conta::writePacketFile(packet, file, format);
    }
  }

  std::string tryBill(const std::string& lista) {
    std::vector<Variant> p = conta::testing_support::parametros(
        {.lista = lista, .tipo = "2", .consumacao = true, .couvert = true, .taxa = true});
    Variant result = Variant::array(14);
    try {
      Srv_Xol41260::CalculaConta(p.data(), 6, result);
    } catch (const std::exception& e) {
      return e.what();
    }
    for (std::size_t i = 0; i < 14; ++i) {
      if (i == 9 || i == 10) continue;
      if (!std::isfinite(result[i].toDouble())) return "entry " + std::to_string(i) + " not finite";
    }
    return "";
  }
};

TEST_P(HostileValuesTest, EachHostileValueIsBilledOrNamedAndTheStoreKept) {
  const bool sqlite = database_->schemaDialect() == "sqlite";
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  using T = conta::FieldType;
  struct Caso {
    const char* falha;
    bool aqui;                      // the engine can hold the value
    std::function<void()> prepara;  // on the fresh store
    std::string erro;               // in the error; "" for a bill with finite figures
    std::string lista = "0012";
  };
  auto item = [&](const std::string& set) {
    return
        [this, set] { exec("UPDATE ITCOMANDAVEN SET " + set + " WHERE NRPRODCOMVEN = '000001'"); };
  };
  const Caso casos[] = {
      {"an infinite quantity in the store", true,
       item(sqlite ? "QTPRODCOMVEN = 9e999" : "QTPRODCOMVEN = 'Infinity'"),
       "O item 000001 da comanda 0012 (venda V1) tem em ITCOMANDAVEN.QTPRODCOMVEN o valor"},
      {"a NaN price in the store", !sqlite, item("VRPRECCOMVEN = 'NaN'"),
       "ITCOMANDAVEN.VRPRECCOMVEN o valor"},
      {"text in a price, billed as 0", sqlite, item("VRPRECCOMVEN = 'abc'"),
       "ITCOMANDAVEN.VRPRECCOMVEN o valor 'abc', que não é um número"},
      {"a price written with a comma, billed as 12", sqlite, item("VRPRECCOMVEN = '12,9'"),
       "ITCOMANDAVEN.VRPRECCOMVEN o valor '12,9'"},
      {"a blob in a quantity", sqlite, item("QTPRODCOMVEN = x'00ff'"),
       "ITCOMANDAVEN.QTPRODCOMVEN o valor X'00FF'"},
      {"two huge values whose product is no double", true,
       item("VRPRECCOMVEN = 1e300, QTPRODCOMVEN = 1e10"), "VrTotalItens"},
      {"a huge but finite amount is billed", true, item("VRPRECCOMVEN = 1e200"), ""},
      {"a negative head count", true, [this] { exec("UPDATE VENDAREST SET NRPESMESAVEN = -3"); },
       "tem em VENDAREST.NRPESMESAVEN -3 pessoas"},
      {"a comanda number longer than the store's indexes", sqlite,
       [this] {
         exec("PRAGMA ignore_check_constraints = 1");
         exec("UPDATE COMANDAVEN SET NRCOMANDA = '0012345678901'");
         exec("UPDATE ITCOMANDAVEN SET NRCOMANDA = '0012345678901'");
         exec("PRAGMA ignore_check_constraints = 0");
       },
       "O número 0012345678901 tem 13 caracteres", "0012345678901"},
      {"a NaN price in the binary parameters file", true,
       [&] { parameter("PRECOCOUVERT", Variant(nan), T::Float); },
       "PARAMETROSXOL.CDS: row 1, field 'PRECOCOUVERT': Double NAN is not a finite number"},
      {"an infinite rate in the binary parameters file", true,
       [&] { parameter("VRCOMISVENDA", Variant(inf), T::Float); },
       "PARAMETROSXOL.CDS: row 1, field 'VRCOMISVENDA': Double INF is not a finite number"},
      {"a negative price in the parameters", true,
       [&] { parameter("PRECOCONSUMAFEMI", Variant(-5.0), T::Float); },
       "PARAMETROSXOL.CDS: o parâmetro PRECOCONSUMAFEMI é -5: preços e taxas da loja não podem "
       "ser negativos."},
      {"a boolean 'maybe' in the XML parameters", true,
       [&] { parameter("UTILIZAIMPFIS", Variant("maybe"), T::Boolean, conta::PacketFormat::Xml); },
       "UTILIZAIMPFIS: 'maybe' is not a boolean"},
      {"a boolean of another type", true,
       [&] { parameter("UTILIZAIMPFIS", Variant("X"), T::String); },
       "PARAMETROSXOL.CDS: o parâmetro UTILIZAIMPFIS (Text 'X') não é verdadeiro nem falso"},
      {"a text where a price belongs", true,
       [&] { parameter("PRECOCOUVERT", Variant("doze"), T::String); },
       "o parâmetro PRECOCOUVERT (Text 'doze') não é um número finito"},
      {"no parameters file", true,
       [&] {
         conta::testing_support::forgetStoreParameters(module());
         fs::remove(host_ / "PARAMETROSXOL.CDS");
       },
       "Os parâmetros da loja (PARAMETROSXOL.CDS) não foram encontrados em"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.falha);
    if (!caso.aqui) continue;
    fresh();
    caso.prepara();
    const auto before = rows();
    const std::string error = tryBill(caso.lista);
    if (caso.erro.empty()) {
      EXPECT_EQ(error, "");
    } else {
      EXPECT_NE(error.find(caso.erro), std::string::npos) << error;
      EXPECT_EQ(rows(), before) << "a failed bill changed the store";
      EXPECT_FALSE(module().adcFuncoesRev.inTransaction());
    }
  }
}

// A value of the store or the parameters, as the test writes it and as the
// bill must take it.
struct Valor {
  enum Tipo { Numero, Nulo, Infinito, NaN, Texto, Blob } tipo = Numero;
  double numero = 0;
  std::string sql(bool sqlite) const {
    switch (tipo) {
      case Numero:
        return conta::Variant(numero).toText() == "" ? "0" : numeroSql();
      case Nulo:
        return "NULL";
      case Infinito:
        return sqlite ? (numero < 0 ? "-9e999" : "9e999")
                      : (numero < 0 ? "'-Infinity'" : "'Infinity'");
      case NaN:
        return sqlite ? "NULL" : "'NaN'";  // SQLite keeps no NaN: it stores NULL
      case Texto:
        return "'12,9'";
      case Blob:
        return "x'00ff'";
    }
    return "NULL";
  }
  std::string numeroSql() const {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", numero);
    return text;
  }
  // What the bill reads: a number (NULL as 0), or nothing it may bill.
  std::optional<double> lido(bool sqlite) const {
    if (tipo == Numero) return numero;
    if (tipo == Nulo || (tipo == NaN && sqlite)) return 0.0;
    return std::nullopt;
  }
};

// Random stores of one sale, one comanda and up to three items, whose numbers
// (and the parameters' prices and rate) are drawn among plain amounts, NULL,
// negative, huge, infinite, NaN, text and blobs: every bill either computes,
// with finite figures equal to the bill's rules worked out from the same
// values, or fails naming what is wrong and leaves the store as it was.
// CONTA_TEST_VALUES=N draws N stores per database.
TEST_P(HostileValuesTest, RandomValuesAreBilledByTheRulesOrRefusedNamed) {
  const bool sqlite = database_->schemaDialect() == "sqlite";
  const char* env = std::getenv("CONTA_TEST_VALUES");
  const int rounds = env != nullptr ? std::atoi(env) : 60;
  std::mt19937 rng(GetParam() == "sqlite" ? 21 : 22);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  auto valor = [&](bool money) {
    switch (pick(12)) {
      case 0:
        return Valor{Valor::Nulo};
      case 1:
        return Valor{Valor::Numero, money ? -7.25 : -2};
      case 2:
        return Valor{Valor::Numero, 1e200};
      case 3:
        return Valor{Valor::Infinito, pick(2) ? 1.0 : -1.0};
      case 4:
        return Valor{Valor::NaN};
      case 5:
        return sqlite ? Valor{Valor::Texto} : Valor{Valor::Numero, 3};
      case 6:
        return sqlite ? Valor{Valor::Blob} : Valor{Valor::Numero, 0.5};
      default:
        return Valor{Valor::Numero, std::vector<double>{1, 2.5, 10, 0, 12.9, 0.1}[pick(6)]};
    }
  };
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    fresh();
    exec("DELETE FROM ITCOMANDAVEN");
    // The parameters: the cover and consumption prices and the service rate.
    TParametrosLoja parameters = chargingStore();
    bool parametrosValidos = true;
    for (double* campo :
         {&parameters.PRECOCOUVERT, &parameters.PRECOCONSUMAFEMI, &parameters.VRCOMISVENDA}) {
      const int k = pick(8);
      *campo = k == 0   ? std::numeric_limits<double>::quiet_NaN()
               : k == 1 ? std::numeric_limits<double>::infinity()
               : k == 2 ? -3.0
               : k == 3 ? 1e200
                        : std::vector<double>{8, 12.5, 25, 10}[pick(4)];
      parametrosValidos = parametrosValidos && std::isfinite(*campo) && *campo >= 0;
    }
    conta::testing_support::forgetStoreParameters(module());
    conta::testing_support::writeStoreParameters(host_, {parameters});

    // The sale's persons and the items' numbers.
    const Valor pessoas = valor(false);
    exec("UPDATE VENDAREST SET NRPESMESAVEN = " + pessoas.sql(sqlite));
    struct Item {
      Valor qt, preco, complemento, desconto, acrescimo;
    };
    std::vector<Item> itens(1 + pick(3));
    int n = 0;
    for (Item& it : itens) {
      it = {valor(false), valor(true), valor(true), valor(true), valor(true)};
      char numero[16];
      std::snprintf(numero, sizeof numero, "%06d", ++n);
      store().item({.comanda = "0012", .numero = numero, .preco = 1});
      exec(std::string("UPDATE ITCOMANDAVEN SET QTPRODCOMVEN = ") + it.qt.sql(sqlite) +
           ", VRPRECCOMVEN = " + it.preco.sql(sqlite) + ", VRPRECCLCOMVEN = " +
           it.complemento.sql(sqlite) + ", VRDESCCOMVEN = " + it.desconto.sql(sqlite) +
           ", VRACRCOMVEN = " + it.acrescimo.sql(sqlite) + " WHERE NRPRODCOMVEN = '" + numero +
           "'");
    }

    // The bill's rules, worked out from the same values; no figure when a
    // value is none the bill may take, or a figure is no finite number.
    std::optional<double> total;
    bool valido = parametrosValidos;
    const auto p = pessoas.lido(sqlite);
    valido = valido && p && *p >= 0;
    long double itensTotal = 0;
    for (const Item& it : itens) {
      const auto q = it.qt.lido(sqlite), pr = it.preco.lido(sqlite),
                 c = it.complemento.lido(sqlite), d = it.desconto.lido(sqlite),
                 a = it.acrescimo.lido(sqlite);
      // A NULL price is no price, whatever its complement holds (NULL plus
      // anything is NULL); but text is refused wherever it stands.
      const bool precoNulo =
          it.preco.tipo == Valor::Nulo || (it.preco.tipo == Valor::NaN && sqlite);
      const bool textoNoComplemento =
          it.complemento.tipo == Valor::Texto || it.complemento.tipo == Valor::Blob;
      if (!q || !d || !a || (precoNulo ? textoNoComplemento : !pr || !c)) {
        valido = false;
        continue;
      }
      const double preco = precoNulo ? 0 : *pr + *c;
      itensTotal += static_cast<long double>(Xol_corvana::Trunc2(preco * std::fabs(*q))) -
                    Xol_corvana::Trunc2(*d) + *a;
    }
    double esperado[4] = {0, 0, 0, 0};  // items, consumption, cover, service
    if (valido) {
      const double totalItens = static_cast<double>(itensTotal);
      const double taxa = Xol_corvana::Trunc2(static_cast<double>(
          static_cast<long double>(totalItens) / 100 * parameters.VRCOMISVENDA));
      const double minimo = *p * parameters.PRECOCONSUMAFEMI;
      const double consumacao = totalItens >= minimo ? 0 : minimo - totalItens;
      const double couvert = *p > 0 ? *p * parameters.PRECOCOUVERT : 0;
      const double soma =
          static_cast<double>(static_cast<long double>(totalItens) + consumacao + couvert + taxa);
      for (double x : {totalItens, taxa, minimo, consumacao, couvert, soma})
        valido = valido && std::isfinite(x);
      if (valido) {
        total = soma;
        esperado[0] = totalItens;
        esperado[1] = consumacao;
        esperado[2] = couvert;
        esperado[3] = taxa;
      }
    }

    std::string descricao = "persons " + pessoas.sql(sqlite) + ", cover " +
                            Variant(parameters.PRECOCOUVERT).toText() + ", minimum " +
                            Variant(parameters.PRECOCONSUMAFEMI).toText() + ", rate " +
                            Variant(parameters.VRCOMISVENDA).toText();
    for (const Item& it : itens) {
      descricao += "; item " + it.qt.sql(sqlite) + " x " + it.preco.sql(sqlite) + " + " +
                   it.complemento.sql(sqlite) + " - " + it.desconto.sql(sqlite) + " + " +
                   it.acrescimo.sql(sqlite);
    }
    const auto before = rows();
    std::vector<Variant> params = conta::testing_support::parametros(
        {.lista = "0012", .tipo = "2", .consumacao = true, .couvert = true, .taxa = true});
    Variant result = Variant::array(14);
    std::string error;
    try {
      Srv_Xol41260::CalculaConta(params.data(), 6, result);
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (total) {
      ASSERT_EQ(error, "");
      auto near = [](double a, double b) {
        return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)});
      };
      EXPECT_PRED2(near, result[1].toDouble(), *total);
      EXPECT_PRED2(near, result[2].toDouble(), esperado[0]);
      EXPECT_PRED2(near, result[0].toDouble(), esperado[1]);
      EXPECT_PRED2(near, result[5].toDouble(), esperado[2]);
      EXPECT_PRED2(near, result[6].toDouble(), esperado[3]);
    } else {
      ASSERT_NE(error, "") << "billed " << textOf(result[1])
                           << " from values it may not take: " << descricao;
      // Named: a file and field, or a table and column, or the figure.
      const bool named = error.find("PARAMETROSXOL.CDS") != std::string::npos ||
                         error.find("ITCOMANDAVEN.") != std::string::npos ||
                         error.find("VENDAREST.") != std::string::npos ||
                         error.find("NRPESMESAVEN") != std::string::npos ||
                         error.find("A conta de 0012 dá") != std::string::npos;
      EXPECT_TRUE(named) << error;
      EXPECT_EQ(rows(), before) << error;
    }
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, HostileValuesTest, ::testing::Values("sqlite", "postgresql"),
                         conta::testing_support::databaseKindName);

}  // namespace
