// Gives every statement of the data module its texts, its parameters and
// the layout of its rows.
#include "data/sql/statements.h"

#include "data/packet_layouts.h"
#include "frame/data_module.h"

namespace conta::data {

const std::vector<const StatementDefinition*>& allStatements() {
  static const std::vector<const StatementDefinition*> statements = {
      &sql::adqListaComanda(),
      &sql::adqComandaAgrupada(),
      &sql::adqComandaVal(),
      &sql::adqItProdVend(),
      &sql::acmRetiraItem(),
      &sql::acmAjustaQtdeNeg(),
      &sql::adqComissVenda(),
      &sql::adqAliqImpFis(),
      &sql::adqProdCouCon(),
      &sql::adqLoja(),
      &sql::adqProdLoja(),
      &sql::adqLugarOcupado(),
      &sql::adqProdConsumaCouvert(),
      &sql::adqVerifConsumaCouvert(),
      &sql::adqInsProd(),
      &sql::adqVendaRest(),
      &sql::adqConsumaComVen(),
      &sql::acmAlteraVrConsuma(),
      &sql::adqCouvert(),
      &sql::acmCalculaCouvert(),
      &sql::acmAlteraNumIt(),
  };
  return statements;
}

}  // namespace conta::data

namespace Srv_Xol41260 {
namespace {

using conta::data::StatementDefinition;

void declare(conta::db::Statement& statement, const StatementDefinition& definition) {
  for (const auto& p : definition.parameters)
    statement.declareParameter(p.name, p.type);
}

// A statement whose text is the same on every database.
void define(conta::db::Statement& statement, const StatementDefinition& definition) {
  statement.setSql(definition.texts.oracle);
  declare(statement, definition);
}

// A statement with a SQL storage: the connected database picks its text.
void define(Adosqlstorage::TADOSqlStorage& storage, conta::db::Statement& statement,
            const StatementDefinition& definition) {
  storage.setTexts(definition.texts);
  declare(statement, definition);
}

}  // namespace

void TdtmFuncoesRev::defineStatements() {
  namespace sql = conta::data::sql;
  define(assListaComanda, adqListaComanda, sql::adqListaComanda());
  adqListaComanda.setPersistentFields(conta::data::comandaPacketFields());

  define(adqComandaAgrupada, sql::adqComandaAgrupada());
  adqComandaAgrupada.setColumnHints({{"NRPESSOAS", conta::FieldType::Float, 0}});

  define(assComandaVal, adqComandaVal, sql::adqComandaVal());
  adqComandaVal.setPersistentFields(conta::data::comandaValPacketFields());

  define(assItProdVend, adqItProdVend, sql::adqItProdVend());
  adqItProdVend.setPersistentFields(conta::data::itemPacketFields());

  define(assRetiraItem, acmRetiraItem, sql::acmRetiraItem());
  define(assAjustaQtdeNeg, acmAjustaQtdeNeg, sql::acmAjustaQtdeNeg());
  define(assComissVenda, adqComissVenda, sql::adqComissVenda());

  // The charge products and the charge items.
  define(adqAliqImpFis, sql::adqAliqImpFis());
  define(adqProdCouCon, sql::adqProdCouCon());
  define(adqLoja, sql::adqLoja());
  define(adqProdLoja, sql::adqProdLoja());
  define(adqLugarOcupado, sql::adqLugarOcupado());
  define(adqProdConsumaCouvert, sql::adqProdConsumaCouvert());
  // SQLite gives its constant column no type: it is a number.
  adqProdConsumaCouvert.setColumnHints({{"1", conta::FieldType::Int64, 0}});
  define(adqVerifConsumaCouvert, sql::adqVerifConsumaCouvert());
  adqVerifConsumaCouvert.setColumnHints({{"QTDECONSUMCOUVER", conta::FieldType::Int64, 0}});
  define(adqInsProd, sql::adqInsProd());

  // The minimum consumption item: its rows and its new price. Prices and
  // counts are read as floating point on every database.
  define(adqVendaRest, sql::adqVendaRest());
  adqVendaRest.setColumnHints({{"VRPRECCOMVEN", conta::FieldType::Float, 0}});
  define(adqConsumaComVen, sql::adqConsumaComVen());
  adqConsumaComVen.setReadOnly(true);
  adqConsumaComVen.setColumnHints(
      {{"VRPRECCOMVEN", conta::FieldType::Float, 0}, {"CONT", conta::FieldType::Float, 0}});
  define(acmAlteraVrConsuma, sql::acmAlteraVrConsuma());

  // The cover items: their sales and their quantities.
  define(assCouvert, adqCouvert, sql::adqCouvert());
  adqCouvert.setReadOnly(true);
  define(acmCalculaCouvert, sql::acmCalculaCouvert());
  define(acmAlteraNumIt, sql::acmAlteraNumIt());
}

}  // namespace Srv_Xol41260
