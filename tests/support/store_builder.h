// Store data for tests: a builder that inserts rows of the store database
// with defaults that make a valid open sale of branch 0001, a fixture that
// points the one data module at a fresh store database, and a reader for the
// packets the module hands back.
//
//   store().sale({.venda = "V1", .loja = "01", .mesa = "10", .pessoas = 2});
//   store().comanda({.venda = "V1", .comanda = "0012"});
//   store().product({.produto = "P1", .pesado = "N"});
//   store().item({.venda = "V1", .comanda = "0012", .produto = "P1", .quantidade = 2});
//
// A field left out keeps its default; a field without a default stays NULL.
// Any column, also one without a field here, can be given by name in `more`
// ({{"NRCPFFID4ALL", "123"}}), which wins over the named fields.
#ifndef CONTA_TESTS_SUPPORT_STORE_BUILDER_H_
#define CONTA_TESTS_SUPPORT_STORE_BUILDER_H_

#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "conta/data_packet.h"
#include "conta/date_time.h"
#include "conta/packet_codecs.h"
#include "conta/variant.h"
#include "frame/data_module.h"
#include "platform/db/connection.h"
#include "support/test_databases.h"

namespace conta::testing_support {

// A column value: a text, a number, a date-time, NULL (std::nullopt or
// Variant::null()), or unset (left out of the INSERT, so the column takes its
// default or NULL).
class Value {
 public:
  Value() = default;
  Value(std::nullopt_t) : value_(Variant::null()) {}
  Value(const char* text) : value_(text) {}
  Value(std::string text) : value_(std::move(text)) {}
  Value(int number) : value_(static_cast<double>(number)) {}
  Value(double number) : value_(number) {}
  Value(DateTime when) : value_(when) {}
  Value(Variant value) : value_(std::move(value)) {}

  bool isSet() const { return !value_.isEmpty(); }
  const Variant& variant() const { return value_; }

 private:
  Variant value_;
};

// Columns by name, for `more` and for insert().
using Columns = std::vector<std::pair<std::string, Value>>;

// A time on 2024-03-15, the store's day in tests: the default sale opens at
// 20:00 and its items are entered at 20:05.
DateTime storeDay(int hour = 20, int minute = 0);

// VENDAREST: a sale at a table, open unless `fechada` is set.
struct Sale {
  Value filial = "0001";      // CDFILIAL
  Value venda = "V1";         // NRVENDAREST
  Value loja = "01";          // CDLOJA
  Value mesa = "10";          // NRMESA
  Value pessoas = 1;          // NRPESMESAVEN
  Value aberta = storeDay();  // DTHRABERMESA
  Value fechada{};            // DTHRFECHMESA
  Value vendedor{};           // CDVENDEDOR
  Value cliente{};            // CDCLIENTE
  Value consumidor{};         // CDCONSUMIDOR
  Columns more{};
};

// COMANDAVEN: a comanda of a sale; DSCOMANDA defaults to its number.
struct Comanda {
  Value filial = "0001";   // CDFILIAL
  Value venda = "V1";      // NRVENDAREST
  Value comanda = "0001";  // NRCOMANDA
  Value loja = "01";       // CDLOJA
  Value descricao{};       // DSCOMANDA (the comanda number when unset)
  Value principal{};       // DSCOMANDAPRI
  Value status = "1";      // IDSTCOMANDA
  Value taxa = "S";        // IDUTILTXSERV
  Value consumacao = "S";  // IDUTILCONSUMA
  Value couvert = "S";     // IDUTILCOUVERT
  Value desconto = 0;      // VRDESCOMANDA
  Value acrescimo = 0;     // VRACRCOMANDA
  Value comissao = 0;      // VRCOMISVENDE
  Value sexo{};            // SGSEXOCON
  Columns more{};          // VRDESCFID, NRCPFFID4ALL, ... VRRESGCOREQUAL
};

// ITCOMANDAVEN: an item of a comanda. Without `numero` it takes the next
// number of its comanda ("000001", "000002", ...).
struct Item {
  Value filial = "0001";            // CDFILIAL
  Value venda = "V1";               // NRVENDAREST
  Value comanda = "0001";           // NRCOMANDA
  Value numero{};                   // NRPRODCOMVEN
  Value produto = "P1";             // CDPRODUTO
  Value quantidade = 1;             // QTPRODCOMVEN
  Value preco = 10;                 // VRPRECCOMVEN
  Value complemento{};              // VRPRECCLCOMVEN
  Value desconto = 0;               // VRDESCCOMVEN
  Value acrescimo = 0;              // VRACRCOMVEN
  Value texto{};                    // TXPRODCOMVEN
  Value status = "1";               // IDSTPRCOMVEN
  Value lugar{};                    // NRLUGARMESA
  Value entrada = storeDay(20, 5);  // DTHRINCOMVEN
  Value vendedor{};                 // CDVENDEDOR
  Value descontoManual{};           // IDDESCMANUAL
  Value refil = "N";                // IDPRODREFIL
  Columns more{};                   // CDLOJA, CDCAIXACOLETOR, CDPRODPROMOCAO, NRMESADSCOMORIT,
                                    // IDDIVIDECONTA, NRSEQPRODCOM, CDCUPOMDESCXOL
};

// PRODUTO; NMPRODUTO defaults to the product code.
struct Product {
  Value produto = "P1";   // CDPRODUTO
  Value nome{};           // NMPRODUTO (the code when unset)
  Value nomeFiscal{};     // NMPRODIMPFIS
  Value arvore{};         // CDARVPROD
  Value barras{};         // CDBARPRODUTO
  Value cobraTaxa = "S";  // IDCOBTXSERV
  Value pesado = "N";     // IDPESAPROD
  Columns more{};
};

// VENDEDOR.
struct Seller {
  Value vendedor = "V01";  // CDVENDEDOR
  Value nome{};            // NMFANVEN
  Value comissao = 10;     // VRPERCCOMISVEND
  Value incide = "S";      // IDVRINCIDECONTA
  Columns more{};
};

// CLIENTE.
struct Client {
  Value cliente = "C1";  // CDCLIENTE
  Value nome{};          // NMRAZSOCCLIE
  Columns more{};
};

// CONSUMIDOR: a consumer of a client.
struct Consumer {
  Value cliente = "C1";     // CDCLIENTE
  Value consumidor = "K1";  // CDCONSUMIDOR
  Value nome{};             // NMCONSUMIDOR
  Value tipo{};             // CDTIPOCONS
  Columns more{};
};

// PRODRALIMENT: a product registered for a client's consumer in a branch.
struct Registered {
  Value filial = "0001";    // CDFILIAL
  Value produto = "P1";     // CDPRODUTO
  Value cliente = "C1";     // CDCLIENTE
  Value consumidor = "K1";  // CDCONSUMIDOR
};

// LOJA: a store of a branch.
struct Shop {
  Value filial = "0001";  // CDFILIAL
  Value loja = "01";      // CDLOJA
  Value controle{};       // IDCONTROPROD
};

// PRODLOJA: a product sold in a store.
struct ShopProduct {
  Value filial = "0001";  // CDFILIAL
  Value loja = "01";      // CDLOJA
  Value produto = "P1";   // CDPRODUTO
  Value setor{};          // CDSETOR
};

// IMPOSTO: a tax.
struct Tax {
  Value imposto = "T1";  // CDIMPOSTO
  Value tipo{};          // IDTPIMPOSFIS
  Value interno{};       // CDINTIMPOSTO
};

// ALIQIMPFIS: the tax of a product in a branch.
struct TaxRate {
  Value filial = "0001";  // CDFILIAL
  Value produto = "P1";   // CDPRODUTO
  Value imposto = "T1";   // CDIMPOSTO
  Value aliquota{};       // VRPEALIMPFIS
};

// Inserts store rows through `connection`, each row committed on its own.
// Parameters are typed by the column's prefix (VR, QT and the head counts as
// floating point, DTHR as date-time, everything else as text).
class StoreBuilder {
 public:
  explicit StoreBuilder(db::Connection& connection) : connection_(connection) {}

  void branch(const std::string& filial = "0001");  // FILIAL
  void sale(const Sale& row);
  void comanda(const Comanda& row);
  // The item's number (given or automatic).
  std::string item(const Item& row);
  void product(const Product& row);
  void seller(const Seller& row);
  void client(const Client& row);
  void consumer(const Consumer& row);
  void registered(const Registered& row);
  // A junction of tables (JUNCAOMESA) and its tables (MESAJUNCAO).
  void junction(const std::string& loja, const std::string& junction,
                std::initializer_list<std::string> mesas, const std::string& filial = "0001");
  void shop(const Shop& row);
  void shopProduct(const ShopProduct& row);
  void tax(const Tax& row);
  void taxRate(const TaxRate& row);

  // One row of any table; unset values are left out.
  void insert(const std::string& table, const Columns& columns);

 private:
  db::Connection& connection_;
  // Highest item number used per branch, sale and comanda.
  std::map<std::string, long> last_item_;
};

// The rows of a packet the module returned, put in order by the texts of
// the key fields (the lookups give no order of their own).
class PacketRecords {
 public:
  PacketRecords(DataPacket packet, const std::vector<std::string>& keys);

  const DataPacket& packet() const { return packet_; }
  std::size_t size() const { return order_.size(); }
  // A field of a row; std::out_of_range names a field the packet lacks.
  const Variant& at(std::size_t row, std::string_view field) const;
  // The field of every row as text ("<null>" for NULL).
  std::vector<std::string> column(std::string_view field) const;

 private:
  std::size_t index(std::string_view field) const;

  DataPacket packet_;
  std::vector<std::size_t> order_;
};

// A value as text for comparisons and messages: "<null>" for NULL,
// "<empty>" when unassigned.
std::string textOf(const Variant& value);

// The packet of an operation's result; throws with the result described
// (the error text, for a failed operation) when it holds no packet.
DataPacket packetOf(const Variant& result);

// The packet has exactly these fields: names, types and widths, in order.
::testing::AssertionResult hasFields(const DataPacket& packet, const std::vector<Field>& fields);

// A packet value is the expected one: the same kind (a number for a number,
// doubles within 1e-9), text, date-time or NULL.
::testing::AssertionResult sameValue(const Variant& actual, const Variant& expected);

// A fresh store database of each kind with the store schema, a builder over
// it, and the module's data module pointed at it: the next operation of the
// data module connects to this database.
class StoreDataTest : public DatabaseTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  StoreBuilder& store() { return *store_; }
  Srv_Xol41260::TdtmFuncoesRev& module() { return *module_; }

  std::unique_ptr<StoreBuilder> store_;
  Srv_Xol41260::TdtmFuncoesRev* module_ = nullptr;
};

// The store's local files in a host directory. PARAMETROSXOL.CDS holds one
// record per element of `records`: the 17 store parameters as
// bill/store_parameters_layout.h declares them, the packet the bill reads.
DataPacket storeParametersPacket(const std::vector<Srv_Xol41260::TParametrosLoja>& records);
void writeStoreParameters(const std::filesystem::path& host,
                          const std::vector<Srv_Xol41260::TParametrosLoja>& records,
                          PacketFormat format = PacketFormat::Binary);

// A row of the fiscal-rate table Dados/Cadastros/AliqImpFis.cds.
struct FiscalRate {
  std::string codigo;   // CDALIQIMPFIS
  double aliquota = 0;  // VRALIQIMPFIS
  std::string tipo;     // IDALIQIMPFIS
};
DataPacket fiscalRatesPacket(const std::vector<FiscalRate>& rates);
void writeFiscalRates(const std::filesystem::path& host, const std::vector<FiscalRate>& rates,
                      PacketFormat format = PacketFormat::Binary);

// Drops the loaded store parameters and rate table, so that the next
// InicializaForm reads the files again, as a fresh data module would.
void forgetStoreParameters(Srv_Xol41260::TdtmFuncoesRev& module);

}  // namespace conta::testing_support

#endif  // CONTA_TESTS_SUPPORT_STORE_BUILDER_H_
