#include "support/store_builder.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "bill/store_parameters_layout.h"
#include "platform/db/statement.h"
#include "support/geralxol.h"

namespace conta::testing_support {
namespace {

// The parameter type a column takes, from the prefix of its name.
db::ParamType columnType(const std::string& column) {
  if (column.starts_with("VR") || column.starts_with("QT") || column == "NRPESMESAVEN" ||
      column == "NRPESSOAS")
    return db::ParamType::Float;
  if (column.starts_with("DTHR")) return db::ParamType::DateTime;
  return db::ParamType::String;
}

void put(Columns& columns, const char* name, const Value& value) {
  columns.emplace_back(name, value);
}

// The named fields first, then `more`, whose columns replace named ones.
Columns merged(Columns columns, const Columns& more) {
  for (const auto& [name, value] : more) {
    auto same = std::find_if(columns.begin(), columns.end(),
                             [&](const auto& column) { return column.first == name; });
    if (same != columns.end())
      same->second = value;
    else
      columns.emplace_back(name, value);
  }
  return columns;
}

std::string textOrEmpty(const Value& value) {
  return value.variant().isText() ? value.variant().text() : std::string();
}

}  // namespace

DateTime storeDay(int hour, int minute) {
  return DateTime::fromParts({2024, 3, 15, hour, minute, 0, 0});
}

void StoreBuilder::insert(const std::string& table, const Columns& columns) {
  std::string names;
  std::string values;
  std::vector<const std::pair<std::string, Value>*> set;
  for (const auto& column : columns) {
    if (!column.second.isSet()) continue;
    if (!set.empty()) {
      names += ", ";
      values += ", ";
    }
    names += column.first;
    values += ":P_" + column.first;
    set.push_back(&column);
  }
  db::Command command(connection_, "insert " + table);
  command.setSql("INSERT INTO " + table + " (" + names + ") VALUES (" + values + ")");
  for (const auto* column : set) {
    command.declareParameter("P_" + column->first, columnType(column->first));
    command.setParameter("P_" + column->first, column->second.variant());
  }
  command.execute();
}

void StoreBuilder::branch(const std::string& filial) {
  insert("FILIAL", {{"CDFILIAL", filial}});
}

void StoreBuilder::sale(const Sale& row) {
  Columns c;
  put(c, "CDFILIAL", row.filial);
  put(c, "NRVENDAREST", row.venda);
  put(c, "CDLOJA", row.loja);
  put(c, "NRMESA", row.mesa);
  put(c, "NRPESMESAVEN", row.pessoas);
  put(c, "DTHRABERMESA", row.aberta);
  put(c, "DTHRFECHMESA", row.fechada);
  put(c, "CDVENDEDOR", row.vendedor);
  put(c, "CDCLIENTE", row.cliente);
  put(c, "CDCONSUMIDOR", row.consumidor);
  insert("VENDAREST", merged(std::move(c), row.more));
}

void StoreBuilder::comanda(const Comanda& row) {
  Columns c;
  put(c, "CDFILIAL", row.filial);
  put(c, "NRVENDAREST", row.venda);
  put(c, "NRCOMANDA", row.comanda);
  put(c, "CDLOJA", row.loja);
  put(c, "DSCOMANDA", row.descricao.isSet() ? row.descricao : row.comanda);
  put(c, "DSCOMANDAPRI", row.principal);
  put(c, "IDSTCOMANDA", row.status);
  put(c, "IDUTILTXSERV", row.taxa);
  put(c, "IDUTILCONSUMA", row.consumacao);
  put(c, "IDUTILCOUVERT", row.couvert);
  put(c, "VRDESCOMANDA", row.desconto);
  put(c, "VRACRCOMANDA", row.acrescimo);
  put(c, "VRCOMISVENDE", row.comissao);
  put(c, "SGSEXOCON", row.sexo);
  insert("COMANDAVEN", merged(std::move(c), row.more));
}

std::string StoreBuilder::item(const Item& row) {
  std::string key =
      textOrEmpty(row.filial) + "|" + textOrEmpty(row.venda) + "|" + textOrEmpty(row.comanda);
  long& last = last_item_[key];
  std::string number;
  if (row.numero.isSet()) {
    number = textOrEmpty(row.numero);
    if (!number.empty() &&
        std::all_of(number.begin(), number.end(),
                    [](unsigned char c) { return std::isdigit(c) != 0; }) &&
        number.size() < 10)
      last = std::max(last, std::stol(number));
  } else {
    char text[24];
    std::snprintf(text, sizeof text, "%06ld", ++last);
    number = text;
  }
  Columns c;
  put(c, "CDFILIAL", row.filial);
  put(c, "NRVENDAREST", row.venda);
  put(c, "NRCOMANDA", row.comanda);
  put(c, "NRPRODCOMVEN", row.numero.isSet() ? row.numero : Value(number));
  put(c, "CDPRODUTO", row.produto);
  put(c, "QTPRODCOMVEN", row.quantidade);
  put(c, "VRPRECCOMVEN", row.preco);
  put(c, "VRPRECCLCOMVEN", row.complemento);
  put(c, "VRDESCCOMVEN", row.desconto);
  put(c, "VRACRCOMVEN", row.acrescimo);
  put(c, "TXPRODCOMVEN", row.texto);
  put(c, "IDSTPRCOMVEN", row.status);
  put(c, "NRLUGARMESA", row.lugar);
  put(c, "DTHRINCOMVEN", row.entrada);
  put(c, "CDVENDEDOR", row.vendedor);
  put(c, "IDDESCMANUAL", row.descontoManual);
  put(c, "IDPRODREFIL", row.refil);
  insert("ITCOMANDAVEN", merged(std::move(c), row.more));
  return number;
}

void StoreBuilder::product(const Product& row) {
  Columns c;
  put(c, "CDPRODUTO", row.produto);
  put(c, "NMPRODUTO", row.nome.isSet() ? row.nome : row.produto);
  put(c, "NMPRODIMPFIS", row.nomeFiscal);
  put(c, "CDARVPROD", row.arvore);
  put(c, "CDBARPRODUTO", row.barras);
  put(c, "IDCOBTXSERV", row.cobraTaxa);
  put(c, "IDPESAPROD", row.pesado);
  insert("PRODUTO", merged(std::move(c), row.more));
}

void StoreBuilder::seller(const Seller& row) {
  Columns c;
  put(c, "CDVENDEDOR", row.vendedor);
  put(c, "NMFANVEN", row.nome);
  put(c, "VRPERCCOMISVEND", row.comissao);
  put(c, "IDVRINCIDECONTA", row.incide);
  insert("VENDEDOR", merged(std::move(c), row.more));
}

void StoreBuilder::client(const Client& row) {
  Columns c;
  put(c, "CDCLIENTE", row.cliente);
  put(c, "NMRAZSOCCLIE", row.nome);
  insert("CLIENTE", merged(std::move(c), row.more));
}

void StoreBuilder::consumer(const Consumer& row) {
  Columns c;
  put(c, "CDCLIENTE", row.cliente);
  put(c, "CDCONSUMIDOR", row.consumidor);
  put(c, "NMCONSUMIDOR", row.nome);
  put(c, "CDTIPOCONS", row.tipo);
  insert("CONSUMIDOR", merged(std::move(c), row.more));
}

void StoreBuilder::registered(const Registered& row) {
  insert("PRODRALIMENT", {{"CDFILIAL", row.filial},
                          {"CDPRODUTO", row.produto},
                          {"CDCLIENTE", row.cliente},
                          {"CDCONSUMIDOR", row.consumidor}});
}

void StoreBuilder::junction(const std::string& loja, const std::string& junction,
                            std::initializer_list<std::string> mesas, const std::string& filial) {
  insert("JUNCAOMESA", {{"CDFILIAL", filial}, {"CDLOJA", loja}, {"NRJUNMESA", junction}});
  for (const auto& mesa : mesas) {
    insert("MESAJUNCAO",
           {{"CDFILIAL", filial}, {"CDLOJA", loja}, {"NRJUNMESA", junction}, {"NRMESA", mesa}});
  }
}

void StoreBuilder::shop(const Shop& row) {
  insert("LOJA", {{"CDFILIAL", row.filial}, {"CDLOJA", row.loja}, {"IDCONTROPROD", row.controle}});
}

void StoreBuilder::shopProduct(const ShopProduct& row) {
  insert("PRODLOJA", {{"CDFILIAL", row.filial},
                      {"CDLOJA", row.loja},
                      {"CDPRODUTO", row.produto},
                      {"CDSETOR", row.setor}});
}

void StoreBuilder::tax(const Tax& row) {
  insert("IMPOSTO",
         {{"CDIMPOSTO", row.imposto}, {"IDTPIMPOSFIS", row.tipo}, {"CDINTIMPOSTO", row.interno}});
}

void StoreBuilder::taxRate(const TaxRate& row) {
  insert("ALIQIMPFIS", {{"CDFILIAL", row.filial},
                        {"CDPRODUTO", row.produto},
                        {"CDIMPOSTO", row.imposto},
                        {"VRPEALIMPFIS", row.aliquota}});
}

std::string textOf(const Variant& value) {
  if (value.isNull()) return "<null>";
  if (value.isEmpty()) return "<empty>";
  if (value.kind() == Variant::Kind::DateTime) return value.dateTime().text();
  return value.toText();
}

PacketRecords::PacketRecords(DataPacket packet, const std::vector<std::string>& keys)
    : packet_(std::move(packet)) {
  std::vector<std::size_t> key_index;
  for (const auto& key : keys)
    key_index.push_back(index(key));
  for (std::size_t i = 0; i < packet_.rows.size(); ++i)
    order_.push_back(i);
  std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
    for (std::size_t k : key_index) {
      std::string x = textOf(packet_.rows[a].values.at(k));
      std::string y = textOf(packet_.rows[b].values.at(k));
      if (x != y) return x < y;
    }
    return false;
  });
}

std::size_t PacketRecords::index(std::string_view field) const {
  auto found = packet_.fieldIndex(field);
  if (!found) throw std::out_of_range("the packet has no field " + std::string(field));
  return *found;
}

const Variant& PacketRecords::at(std::size_t row, std::string_view field) const {
  return packet_.rows.at(order_.at(row)).values.at(index(field));
}

std::vector<std::string> PacketRecords::column(std::string_view field) const {
  std::size_t i = index(field);
  std::vector<std::string> texts;
  for (std::size_t row : order_)
    texts.push_back(textOf(packet_.rows[row].values.at(i)));
  return texts;
}

DataPacket packetOf(const Variant& result) {
  if (!result.isPacket())
    throw std::runtime_error("the operation answered " + result.describe() + ", not a packet");
  return result.packet();
}

::testing::AssertionResult hasFields(const DataPacket& packet, const std::vector<Field>& fields) {
  auto describe = [](const Field& f) {
    return f.name + " " + xmlFieldTypeName(f.type) + " " + std::to_string(f.width());
  };
  for (std::size_t i = 0; i < std::max(packet.fields.size(), fields.size()); ++i) {
    std::string got = i < packet.fields.size() ? describe(packet.fields[i]) : "(none)";
    std::string want = i < fields.size() ? describe(fields[i]) : "(none)";
    if (got != want) {
      return ::testing::AssertionFailure()
             << "field " << i + 1 << " is " << got << ", expected " << want;
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult sameValue(const Variant& actual, const Variant& expected) {
  bool same = false;
  switch (expected.kind()) {
    case Variant::Kind::Double:
    case Variant::Kind::Integer:
      same = actual.isNumber() && std::fabs(actual.toDouble() - expected.toDouble()) < 1e-9;
      break;
    case Variant::Kind::Text:
      same = actual.isText() && actual.text() == expected.text();
      break;
    case Variant::Kind::DateTime:
      same = actual.kind() == Variant::Kind::DateTime && actual.dateTime() == expected.dateTime();
      break;
    default:
      same = actual == expected;
      break;
  }
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got " << actual.describe() << ", expected " << expected.describe();
}

void StoreDataTest::SetUp() {
  DatabaseTest::SetUp();
  if (IsSkipped()) return;
  createStoreSchema();
  store_ = std::make_unique<StoreBuilder>(*connection_);
  Geralxol::setConnectionString(database_->connectionString());
  module_ = &Srv_Xol41260::dataModule();
  module_->adcFuncoesRev.close();
}

void StoreDataTest::TearDown() {
  if (module_ != nullptr) {
    if (module_->adcFuncoesRev.inTransaction()) module_->adcFuncoesRev.rollback();
    module_->adcFuncoesRev.close();
    Geralxol::setConnectionString(std::nullopt);
  }
  store_.reset();
  DatabaseTest::TearDown();
}

DataPacket storeParametersPacket(const std::vector<Srv_Xol41260::TParametrosLoja>& records) {
  return Srv_Xol41260::pacoteParametrosLoja(records);
}

void writeStoreParameters(const std::filesystem::path& host,
                          const std::vector<Srv_Xol41260::TParametrosLoja>& records,
                          PacketFormat format) {
  std::filesystem::create_directories(host);
  writePacketFile(storeParametersPacket(records), host / "PARAMETROSXOL.CDS", format);
}

DataPacket fiscalRatesPacket(const std::vector<FiscalRate>& rates) {
  DataPacket packet;
  packet.fields = {{"CDALIQIMPFIS", FieldType::String, 10},
                   {"VRALIQIMPFIS", FieldType::Float},
                   {"IDALIQIMPFIS", FieldType::String, 1}};
  for (const auto& rate : rates)
    packet.rows.push_back({0, {Variant(rate.codigo), Variant(rate.aliquota), Variant(rate.tipo)}});
  return packet;
}

void writeFiscalRates(const std::filesystem::path& host, const std::vector<FiscalRate>& rates,
                      PacketFormat format) {
  std::filesystem::path folder = host / "Dados" / "Cadastros";
  std::filesystem::create_directories(folder);
  writePacketFile(fiscalRatesPacket(rates), folder / "AliqImpFis.cds", format);
}

void forgetStoreParameters(Srv_Xol41260::TdtmFuncoesRev& module) {
  module.cdsParametrosXol.close();
  module.cdsAliqImpFis.close();
  module.ParametrosLoja = {};
}

}  // namespace conta::testing_support
