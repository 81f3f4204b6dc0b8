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

void declare(conta::db::Statement& statement, const StatementDefinition& definition) {
  for (const auto& p : definition.parameters)
    statement.declareParameter(p.name, p.type);
}

// A statement with one text on the store's own databases: the same text
// everywhere, or, when PostgreSQL and SQLite have their own, a storage that
// gives the connected database its text.
void define(conta::db::Statement& statement,
            std::vector<std::unique_ptr<conta::db::SqlStorage>>& engineTexts,
            const StatementDefinition& definition) {
  const conta::db::DialectTexts& texts = definition.texts;
  if (texts.postgresql == texts.oracle && texts.sqlite == texts.oracle) {
    statement.setSql(texts.oracle);
  } else {
    engineTexts.push_back(std::make_unique<conta::db::SqlStorage>(statement, texts));
  }
  declare(statement, definition);
}

// A statement with a SQL storage: the connected database picks its text.
void define(Adosqlstorage::TADOSqlStorage& storage, conta::db::Statement& statement,
            const StatementDefinition& definition) {
  storage.setTexts(definition.texts);
  declare(statement, definition);
}

}  // namespace

void TdtmFuncoesRev::useListMatching(conta::data::ListMatching form) {
  namespace sql = conta::data::sql;
  const std::pair<Adosqlstorage::TADOSqlStorage*, const StatementDefinition*> listStatements[] = {
      {&assListaComanda, &sql::adqListaComanda()},
      {&assComandaVal, &sql::adqComandaVal()},
      {&assItProdVend, &sql::adqItProdVend()},
      {&assRetiraItem, &sql::acmRetiraItem()},
      {&assAjustaQtdeNeg, &sql::acmAjustaQtdeNeg()},
      {&assComissVenda, &sql::adqComissVenda()},
      {&assCouvert, &sql::adqCouvert()},
  };
  for (const auto& [storage, definition] : listStatements) {
    storage->setTexts(form == conta::data::ListMatching::Substring ? *definition->substring_texts
                                                                   : definition->texts);
  }
}

void TdtmFuncoesRev::defineStatements() {
  namespace sql = conta::data::sql;
  define(assListaComanda, adqListaComanda, sql::adqListaComanda());
  adqListaComanda.setPersistentFields(conta::data::comandaPacketFields());

  define(adqComandaAgrupada, engineTexts_, sql::adqComandaAgrupada());
  adqComandaAgrupada.setColumnHints({{"NRPESSOAS", conta::FieldType::Float, 0}});

  define(assComandaVal, adqComandaVal, sql::adqComandaVal());
  adqComandaVal.setPersistentFields(conta::data::comandaValPacketFields());

  define(assItProdVend, adqItProdVend, sql::adqItProdVend());
  adqItProdVend.setPersistentFields(conta::data::itemPacketFields());

  define(assRetiraItem, acmRetiraItem, sql::acmRetiraItem());
  define(assAjustaQtdeNeg, acmAjustaQtdeNeg, sql::acmAjustaQtdeNeg());
  define(assComissVenda, adqComissVenda, sql::adqComissVenda());

  // The charge products and the charge items.
  define(adqAliqImpFis, engineTexts_, sql::adqAliqImpFis());
  define(adqProdCouCon, engineTexts_, sql::adqProdCouCon());
  define(adqLoja, engineTexts_, sql::adqLoja());
  define(adqProdLoja, engineTexts_, sql::adqProdLoja());
  define(adqLugarOcupado, engineTexts_, sql::adqLugarOcupado());
  define(adqProdConsumaCouvert, engineTexts_, sql::adqProdConsumaCouvert());
  // SQLite gives its constant column no type: it is a number.
  adqProdConsumaCouvert.setColumnHints({{"1", conta::FieldType::Int64, 0}});
  define(adqVerifConsumaCouvert, engineTexts_, sql::adqVerifConsumaCouvert());
  adqVerifConsumaCouvert.setColumnHints({{"QTDECONSUMCOUVER", conta::FieldType::Int64, 0}});
  define(adqInsProd, engineTexts_, sql::adqInsProd());

  // The minimum consumption item: its rows and its new price. Prices and
  // counts are read as floating point on every database.
  define(adqConsumaComVen, engineTexts_, sql::adqConsumaComVen());
  adqConsumaComVen.setReadOnly(true);
  adqConsumaComVen.setColumnHints(
      {{"VRPRECCOMVEN", conta::FieldType::Float, 0}, {"CONT", conta::FieldType::Float, 0}});
  define(acmAlteraVrConsuma, engineTexts_, sql::acmAlteraVrConsuma());

  // The charge items of a bill (cover and consumption), their quantities,
  // and the removal of a second one.
  define(assCouvert, adqCouvert, sql::adqCouvert());
  adqCouvert.setReadOnly(true);
  adqCouvert.setColumnHints({{"NRPESMESAVEN", conta::FieldType::Float, 0},
                             {"QTPRODCOMVEN", conta::FieldType::Float, 0},
                             {"VRPRECCOMVEN", conta::FieldType::Float, 0}});
  define(acmCalculaCouvert, engineTexts_, sql::acmCalculaCouvert());
  define(acmAlteraNumIt, engineTexts_, sql::acmAlteraNumIt());
  define(acmRetiraItemCobranca, engineTexts_, sql::acmRetiraItemCobranca());

  // The lock every bill of the branch takes first.
  define(assBloqueiaFilial, adqBloqueiaFilial, sql::adqBloqueiaFilial());

  // Text where a number belongs, which SQLite would bill as 0.
  define(adqConfereNumeros, engineTexts_, sql::adqConfereNumeros());
  adqConfereNumeros.setReadOnly(true);
  adqConfereNumeros.setColumnHints(
      {{"COLUNA", conta::FieldType::String, 20}, {"VALOR", conta::FieldType::String, 100}});
}

}  // namespace Srv_Xol41260
