// Gives every statement of the data module its texts, its parameters and
// the layout of its rows.
#include "data/sql/statements.h"

#include "data/list_matching.h"
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
      &sql::acmRetiraItemCobranca(),
      &sql::adqConsumaComVen(),
      &sql::acmAlteraVrConsuma(),
      &sql::adqCouvert(),
      &sql::acmCalculaCouvert(),
      &sql::acmAlteraNumIt(),
      &sql::adqBloqueiaFilial(),
      &sql::adqConfereNumeros(),
  };
  return statements;
}

}  // namespace conta::data

namespace Srv_Xol41260 {
namespace {

using conta::data::StatementDefinition;

// Gives a statement its texts and declares its parameters: one text when
// every database has the same, else a text per dialect, of which the
// connected database's runs.
void define(conta::db::Statement& statement, const StatementDefinition& definition) {
  const conta::db::DialectTexts& texts = definition.texts;
  if (texts.mssql == texts.oracle && texts.postgresql == texts.oracle &&
      texts.sqlite == texts.oracle) {
    statement.setSql(texts.oracle);
  } else {
    statement.setTexts(texts);
  }
  for (const auto& p : definition.parameters)
    statement.declareParameter(p.name, p.type);
}

}  // namespace

void TdtmFuncoesRev::useListMatching(conta::data::ListMatching form) {
  namespace sql = conta::data::sql;
  const std::pair<conta::db::Statement*, const StatementDefinition*> listStatements[] = {
      {&adqListaComanda, &sql::adqListaComanda()},
      {&adqComandaVal, &sql::adqComandaVal()},
      {&adqItProdVend, &sql::adqItProdVend()},
      {&acmRetiraItem, &sql::acmRetiraItem()},
      {&acmAjustaQtdeNeg, &sql::acmAjustaQtdeNeg()},
      {&adqComissVenda, &sql::adqComissVenda()},
      {&adqCouvert, &sql::adqCouvert()},
  };
  for (const auto& [statement, definition] : listStatements) {
    statement->setTexts(form == conta::data::ListMatching::Substring ? *definition->substring_texts
                                                                     : definition->texts);
  }
}

void TdtmFuncoesRev::defineStatements() {
  namespace sql = conta::data::sql;
  define(adqListaComanda, sql::adqListaComanda());
  adqListaComanda.setPersistentFields(conta::data::comandaPacketFields());

  define(adqComandaAgrupada, sql::adqComandaAgrupada());
  adqComandaAgrupada.setColumnHints({{"NRPESSOAS", conta::FieldType::Float, 0}});

  define(adqComandaVal, sql::adqComandaVal());
  adqComandaVal.setPersistentFields(conta::data::comandaValPacketFields());

  define(adqItProdVend, sql::adqItProdVend());
  adqItProdVend.setPersistentFields(conta::data::itemPacketFields());

  define(acmRetiraItem, sql::acmRetiraItem());
  define(acmAjustaQtdeNeg, sql::acmAjustaQtdeNeg());
  define(adqComissVenda, sql::adqComissVenda());

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
  define(adqConsumaComVen, sql::adqConsumaComVen());
  adqConsumaComVen.setColumnHints(
      {{"VRPRECCOMVEN", conta::FieldType::Float, 0}, {"CONT", conta::FieldType::Float, 0}});
  define(acmAlteraVrConsuma, sql::acmAlteraVrConsuma());

  // The charge items of a bill (cover and consumption), their quantities,
  // and the removal of a second one.
  define(adqCouvert, sql::adqCouvert());
  adqCouvert.setColumnHints({{"NRPESMESAVEN", conta::FieldType::Float, 0},
                             {"QTPRODCOMVEN", conta::FieldType::Float, 0},
                             {"VRPRECCOMVEN", conta::FieldType::Float, 0}});
  define(acmCalculaCouvert, sql::acmCalculaCouvert());
  define(acmAlteraNumIt, sql::acmAlteraNumIt());
  define(acmRetiraItemCobranca, sql::acmRetiraItemCobranca());

  // The lock every bill of the branch takes first.
  define(adqBloqueiaFilial, sql::adqBloqueiaFilial());

  // Text where a number belongs, which SQLite would bill as 0.
  define(adqConfereNumeros, sql::adqConfereNumeros());
  adqConfereNumeros.setColumnHints(
      {{"COLUNA", conta::FieldType::String, 20}, {"VALOR", conta::FieldType::String, 100}});
}

}  // namespace Srv_Xol41260
