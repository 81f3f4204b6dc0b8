#include "data/store_indexes.h"

#include <algorithm>
#include <cctype>

#include "conta/error.h"
#include "platform/db/statement.h"

namespace conta::data {
namespace {

std::string maiusculas(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// The indexes of a table, each with its columns in order.
std::vector<std::pair<std::string, std::vector<std::string>>> indicesDaTabela(
    db::Connection& connection, const std::string& tabela) {
  db::Query query(connection, "adqIndicesDaTabela");
  if (connection.dialect() == db::Dialect::Sqlite) {
    query.setSql(
        "SELECT L.name AS INDICE, I.name AS COLUNA, I.seqno AS POSICAO "
        "FROM pragma_index_list(:P_TABELA) L, pragma_index_info(L.name) I ORDER BY 1, 3");
  } else {
    query.setSql(
        "SELECT IC.relname AS INDICE, A.attname AS COLUNA, K.ORD AS POSICAO "
        "FROM pg_index X JOIN pg_class TC ON TC.oid = X.indrelid "
        "JOIN pg_class IC ON IC.oid = X.indexrelid "
        "JOIN pg_namespace N ON N.oid = TC.relnamespace "
        "CROSS JOIN LATERAL unnest(X.indkey) WITH ORDINALITY AS K(ATTNUM, ORD) "
        "JOIN pg_attribute A ON A.attrelid = TC.oid AND A.attnum = K.ATTNUM "
        "WHERE N.nspname = current_schema() AND TC.relname = lower(:P_TABELA) ORDER BY 1, 3");
  }
  query.setColumnHints({{"INDICE", FieldType::String, 0},
                        {"COLUNA", FieldType::String, 0},
                        {"POSICAO", FieldType::Int64, 0}});
  query.setParameter("P_TABELA", Variant(tabela));
  query.open();
  std::vector<std::pair<std::string, std::vector<std::string>>> out;
  for (query.first(); !query.eof(); query.next()) {
    const std::string nome = query.value("INDICE").toText();
    if (out.empty() || out.back().first != nome) out.emplace_back(nome, std::vector<std::string>{});
    out.back().second.push_back(maiusculas(query.value("COLUNA").toText()));
  }
  return out;
}

}  // namespace

const std::vector<IndiceConta>& indicesDaConta() {
  static const std::vector<IndiceConta> indices = {
      {"CONTA_IX_ITCOMANDAVEN_COMANDA",
       "ITCOMANDAVEN",
       {"CDFILIAL", "NRCOMANDA"},
       "os itens das comandas da conta, achados pelo número"},
      {"CONTA_IX_COMANDAVEN_COMANDA",
       "COMANDAVEN",
       {"CDFILIAL", "NRCOMANDA"},
       "as comandas da conta, achadas pelo número"},
      {"CONTA_IX_VENDAREST_ABERTA",
       "VENDAREST",
       {"CDFILIAL", "DTHRFECHMESA"},
       "as vendas abertas das mesas juntas, entre anos de vendas fechadas"},
      {"CONTA_IX_COMANDAVEN_PRINCIPAL",
       "COMANDAVEN",
       {"CDFILIAL", "DSCOMANDAPRI"},
       "as comandas agrupadas sob a primeira comanda (conta do tipo 1)"},
  };
  return indices;
}

std::string ddlIndice(const IndiceConta& indice, db::Dialect dialect) {
  std::string colunas;
  for (const auto& coluna : indice.colunas)
    colunas += (colunas.empty() ? "" : ", ") + coluna;
  // SQLite and PostgreSQL skip an index already made under the name; the
  // store's own engines are given the plain statement, run once.
  const bool seFalta = dialect == db::Dialect::Sqlite || dialect == db::Dialect::PostgreSql;
  return std::string("CREATE INDEX ") + (seFalta ? "IF NOT EXISTS " : "") + indice.nome + " ON " +
         indice.tabela + " (" + colunas + ")";
}

std::vector<SituacaoIndice> confereIndices(db::Connection& connection) {
  connection.open();
  const db::Dialect dialect = connection.dialect();
  if (dialect != db::Dialect::Sqlite && dialect != db::Dialect::PostgreSql) {
    throw Error(
        "Os índices de um banco Oracle ou MS SQL Server não são lidos aqui: entregue o DDL ao "
        "administrador do banco da loja (conta indices --ddl oracle ou --ddl mssql).");
  }
  std::vector<SituacaoIndice> out;
  for (const IndiceConta& indice : indicesDaConta()) {
    SituacaoIndice situacao{indice, ""};
    for (const auto& [nome, colunas] : indicesDaTabela(connection, indice.tabela)) {
      if (colunas.size() >= indice.colunas.size() &&
          std::equal(indice.colunas.begin(), indice.colunas.end(), colunas.begin())) {
        situacao.existente = nome;
        break;
      }
    }
    out.push_back(situacao);
  }
  return out;
}

std::vector<std::string> criaIndices(db::Connection& connection) {
  std::vector<std::string> criados;
  for (const SituacaoIndice& situacao : confereIndices(connection)) {
    if (!situacao.existente.empty()) continue;
    db::Command cria(connection, "acmCriaIndice");
    cria.setSql(ddlIndice(situacao.indice, connection.dialect()));
    cria.execute();
    // A new index without statistics beside indexes with them misleads the
    // planner (a bill then read every sale of the branch): its statistics
    // are gathered at once.
    db::Command estatisticas(connection, "acmEstatisticasIndice");
    estatisticas.setSql("ANALYZE " + (connection.dialect() == db::Dialect::Sqlite
                                          ? situacao.indice.nome
                                          : situacao.indice.tabela));
    estatisticas.execute();
    criados.push_back(situacao.indice.nome);
  }
  return criados;
}

}  // namespace conta::data
