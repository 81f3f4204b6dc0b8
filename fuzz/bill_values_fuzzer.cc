// The bill on any values: the fuzzer's bytes become the numbers of a small
// SQLite store (the sale's persons, the items' quantities, prices, discounts
// and surcharges, as numbers, NULL, text or blobs) and of its parameters file
// (the service rate and the cover and consumption prices). Every bill either
// computes, with finite figures, or fails with a message; and a bill that
// fails leaves the store's rows as they were.
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bill/store_parameters_layout.h"
#include "conta/calcula_conta.h"
#include "conta/packet_codecs.h"
#include "data/store_schema.h"
#include "frame/data_module.h"
#include "fuzz_check.h"
#include "platform/db/connection.h"
#include "platform/db/script.h"
#include "platform/db/sqlite/connection.h"
#include "platform/db/statement.h"
#include "platform/host_directory.h"
#include "support/geralxol.h"
#include "support/mensagemxol.h"

namespace {

namespace fs = std::filesystem;

// Reads the input a piece at a time; past its end every piece is zero.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  double number() {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
      bits = bits << 8 | byte();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

struct Store {
  fs::path dir;
  std::unique_ptr<conta::db::Connection> connection;
};

Store& store() {
  static Store s = [] {
    Store made;
    const fs::path base =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    made.dir = base / ("conta_fuzz_bill_" + std::to_string(getpid()));
    fs::create_directories(made.dir / "Dados");
    const fs::path db = made.dir / "Dados" / "loja.db";
    conta::db::createSqliteDatabase(db.string());
    made.connection = std::make_unique<conta::db::Connection>("fuzz");
    made.connection->setConnectionString("sqlite:" + db.string());
    made.connection->open();
    conta::db::runSqlScript(*made.connection, conta::storeSchemaSql("sqlite"));
    conta::db::runSqlScript(*made.connection,
                            "INSERT INTO FILIAL (CDFILIAL) VALUES ('0001');"
                            "INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, IDCOBTXSERV, IDPESAPROD) "
                            "VALUES ('P1', 'P1', 'S', 'N'), ('P2', 'P2', 'N', 'S'), "
                            "('COUV', 'COUV', 'N', 'N'), ('CONF', 'CONF', 'N', 'N');");
    conta::setHostDirectory(made.dir);
    Geralxol::setConnectionString("sqlite:" + db.string());
    Mensagemxol::setReportSink([](const Mensagemxol::Report&) {});
    return made;
  }();
  return s;
}

// A value for a numeric column: a number, NULL, text or a blob.
std::string valor(Bytes& in) {
  switch (in.byte() % 8) {
    case 0:
      return "NULL";
    case 1:
      return "'12,9'";
    case 2:
      return "x'00ff'";
    default: {
      const double number = in.number();
      if (std::isnan(number)) return "NULL";
      if (std::isinf(number)) return number < 0 ? "-9e999" : "9e999";
      char text[40];
      std::snprintf(text, sizeof text, "%.17g", number);
      return text;
    }
  }
}

std::string linhas(conta::db::Connection& connection) {
  std::string out;
  for (const char* table : {"ITCOMANDAVEN", "COMANDAVEN", "VENDAREST"}) {
    conta::db::Query query(connection, "rows");
    query.setSql(std::string("SELECT quote(CDFILIAL) || quote(NRVENDAREST) || ") +
                 (std::string(table) == "VENDAREST" ? "quote(NRPESMESAVEN)"
                  : std::string(table) == "COMANDAVEN"
                      ? "quote(NRCOMANDA) || quote(VRCOMISVENDE)"
                      : "quote(NRCOMANDA) || quote(NRPRODCOMVEN) || quote(CDPRODUTO) || "
                        "quote(QTPRODCOMVEN) || quote(VRPRECCOMVEN)") +
                 " AS LINHA FROM " + table + " ORDER BY 1");
    query.setColumnHints({{"LINHA", conta::FieldType::String, 0}});
    query.open();
    for (query.first(); !query.eof(); query.next())
      out += query.value("LINHA").toText() + "\n";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Store& s = store();
  Bytes in(data, size);
  conta::db::Connection& db = *s.connection;
  Srv_Xol41260::TdtmFuncoesRev& module = Srv_Xol41260::dataModule();

  // The parameters file: three prices and the rate, any double.
  conta::DataPacket parametros = Srv_Xol41260::pacoteParametrosLoja({{
      .VRCOMISVENDA = 10,
      .CDFILIAL = "0001",
      .CDLOJA = "01",
      .CDCLIENTE = "C1",
      .UTILIZAIMPFIS = false,
      .CDPRODCOUVER = "COUV",
      .CDPRODCONSUM = "CONF",
      .CDPRODCONSUF = "CONF",
      .IDCOUVERART = "S",
      .PRECOCOUVERT = 8,
      .PRECOCONSUMAMASC = 30,
      .PRECOCONSUMAFEMI = 25,
      .IDLUGARMESA = "N",
      .CDCAIXA = "001",
      .IDCOMISVENDA = "S",
      .IDCONDESCTXSERV = "S",
      .IDCONSDESCTXSERV = "S",
  }});
  for (const char* name : {"VRCOMISVENDA", "PRECOCOUVERT", "PRECOCONSUMAFEMI"}) {
    if (in.byte() % 2 == 0) continue;
    parametros.rows[0].values[*parametros.fieldIndex(name)] = conta::Variant(in.number());
  }
  conta::writePacketFile(parametros, s.dir / "PARAMETROSXOL.CDS", conta::PacketFormat::Binary);
  module.cdsParametrosXol.close();

  // The store: one sale, one comanda, up to four items.
  module.adcFuncoesRev.close();
  conta::db::runSqlScript(
      db, "DELETE FROM ITCOMANDAVEN; DELETE FROM COMANDAVEN; DELETE FROM VENDAREST;");
  conta::db::runSqlScript(
      db,
      "INSERT INTO VENDAREST (CDFILIAL, NRVENDAREST, CDLOJA, NRMESA, NRPESMESAVEN, "
      "DTHRABERMESA) VALUES ('0001', 'V1', '01', '10', " +
          valor(in) +
          ", '2024-03-15 20:00:00');"
          "INSERT INTO COMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, CDLOJA, DSCOMANDA, "
          "IDSTCOMANDA, IDUTILTXSERV, IDUTILCONSUMA, IDUTILCOUVERT, SGSEXOCON) VALUES ('0001', "
          "'V1', '0012', '01', 'MESA 10', '1', 'S', 'S', 'S', 'F');");
  const int itens = 1 + in.byte() % 4;
  for (int i = 1; i <= itens; ++i) {
    conta::db::runSqlScript(
        db,
        "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
        "QTPRODCOMVEN, VRPRECCOMVEN, VRPRECCLCOMVEN, VRDESCCOMVEN, VRACRCOMVEN, IDSTPRCOMVEN, "
        "NRLUGARMESA, IDPRODREFIL) VALUES ('0001', 'V1', '0012', '00000" +
            std::to_string(i) + "', '" + (in.byte() % 2 ? "P1" : "P2") + "', " + valor(in) + ", " +
            valor(in) + ", " + valor(in) + ", " + valor(in) + ", " + valor(in) +
            ", '1', '01', 'N');");
  }

  const std::string antes = linhas(db);
  conta::Variant parameters[7] = {
      conta::Variant("0012"), conta::Variant("2"), conta::Variant(true), conta::Variant(true),
      conta::Variant(true),   conta::Variant("T"), conta::Variant("")};
  conta::Variant result = conta::Variant::array(14);
  bool billed = false;
  std::string error;
  try {
    billed = Srv_Xol41260::CalculaConta(parameters, 6, result);
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (billed) {
    for (int i = 0; i < 14; ++i) {
      if (i == 9 || i == 10) continue;
      CONTA_FUZZ_CHECK_MSG(std::isfinite(result[i].toDouble()),
                           "entry " + std::to_string(i) + " = " + result[i].describe());
    }
  } else {
    CONTA_FUZZ_CHECK(!error.empty());
    CONTA_FUZZ_CHECK_MSG(linhas(db) == antes, "a failed bill changed the store: " + error);
  }
  return 0;
}
