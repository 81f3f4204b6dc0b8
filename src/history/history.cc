#include "history/history.h"

#include <cctype>
#include <string_view>

#include "conta/conta.h"
#include "conta/error.h"
#include "history/calendar.h"
#include "history/loader.h"
#include "history/sale_generator.h"
#include "history/store_catalog.h"
#include "history/store_files.h"
#include "platform/db/connection_string.h"
#include "platform/db/script.h"

namespace conta::history {
namespace {

namespace fs = std::filesystem;

// The history always ends here, whatever day it is made on.
constexpr Data kUltimoDia{2026, 11, 30};

// More sales than this would run the comanda numbers past seven digits.
constexpr long long kMaxVendas = 4'000'000;

// The store schema split for a bulk load: tables first, indexes after the
// rows (one sort instead of millions of index inserts).
struct EsquemaLoja {
  std::vector<std::string> tabelas;  // CREATE TABLE statements
  std::vector<std::string> nomes;    // their tables, in upper case
  std::vector<std::string> indices;  // CREATE INDEX statements
};

std::string maiusculas(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The statement without the comments before it.
std::string_view semComentarios(std::string_view sql) {
  while (true) {
    while (!sql.empty() && std::isspace(static_cast<unsigned char>(sql.front())))
      sql.remove_prefix(1);
    if (sql.starts_with("--")) {
      const std::size_t fim = sql.find('\n');
      sql.remove_prefix(fim == std::string_view::npos ? sql.size() : fim + 1);
    } else if (sql.starts_with("/*")) {
      const std::size_t fim = sql.find("*/");
      sql.remove_prefix(fim == std::string_view::npos ? sql.size() : fim + 2);
    } else {
      return sql;
    }
  }
}

// The words of a statement's head, in upper case: "CREATE", "TABLE", "X".
std::vector<std::string> palavras(std::string_view sql, std::size_t quantas) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (out.size() < quantas && i < sql.size()) {
    while (i < sql.size() && (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '('))
      ++i;
    std::size_t fim = i;
    while (fim < sql.size() && !std::isspace(static_cast<unsigned char>(sql[fim])) &&
           sql[fim] != '(')
      ++fim;
    if (fim > i) out.push_back(maiusculas(sql.substr(i, fim - i)));
    i = fim;
  }
  return out;
}

EsquemaLoja esquemaLoja(const char* dialect) {
  char* sql = nullptr;
  char* error = nullptr;
  if (conta_store_schema(dialect, &sql, &error) != CONTA_OK) {
    std::string message = error != nullptr ? error : "no store schema";
    conta_free(error);
    throw Error(message);
  }
  std::string script(sql);
  conta_free(sql);

  EsquemaLoja esquema;
  for (const std::string& texto : db::splitSqlScript(script)) {
    std::string statement(semComentarios(texto));
    if (statement.empty()) continue;
    std::vector<std::string> head = palavras(statement, 3);
    if (head.size() >= 3 && head[0] == "CREATE" && head[1] == "TABLE") {
      esquema.nomes.push_back(head[2]);
      esquema.tabelas.push_back(std::move(statement));
    } else if (head.size() >= 2 && head[0] == "CREATE" &&
               (head[1] == "INDEX" || (head[1] == "UNIQUE" && head[2] == "INDEX"))) {
      esquema.indices.push_back(std::move(statement));
    } else {
      esquema.tabelas.push_back(std::move(statement));
    }
  }
  return esquema;
}

void valida(const Opcoes& o) {
  if (o.dias < 0 || o.dias > kMaxAnos * 365) {
    throw Error("dias must be between 1 and " + std::to_string(kMaxAnos * 365) +
                " (or 0 to use anos), not " + std::to_string(o.dias));
  }
  if (o.dias == 0 && (o.anos < 1 || o.anos > kMaxAnos)) {
    throw Error("anos must be between 1 and " + std::to_string(kMaxAnos) + ", not " +
                std::to_string(o.anos));
  }
  if (o.vendas_por_dia < kMinVendasPorDia || o.vendas_por_dia > kMaxVendasPorDia) {
    throw Error("vendas por dia must be between " + std::to_string(kMinVendasPorDia) + " and " +
                std::to_string(kMaxVendasPorDia) + ", not " + std::to_string(o.vendas_por_dia));
  }
  const long long dias = o.dias > 0 ? o.dias : o.anos * 365LL;
  if (dias * o.vendas_por_dia > kMaxVendas) {
    throw Error("a history of " + std::to_string(dias * o.vendas_por_dia) +
                " sales needs more comanda numbers than seven digits hold (at most " +
                std::to_string(kMaxVendas) + " sales)");
  }
}

// Everything in the loader's transaction: the tables, the registers, the
// sales, the indexes, and the planner's statistics of the rows.
Resumo carrega(Loader& loader, const EsquemaLoja& esquema, const Opcoes& opcoes,
               const Periodo& periodo, const Progresso& progresso) {
  for (const std::string& statement : esquema.tabelas)
    loader.execute(statement);
  const ParametrosHistorico parametros = parametrosHistorico();
  Random random(opcoes.semente);
  gravaCadastros(loader, random, parametros);
  Resumo resumo = gravaVendas(loader, random, parametros, periodo, progresso);
  for (const std::string& statement : esquema.indices)
    loader.execute(statement);
  loader.execute("ANALYZE");
  loader.finish();
  return resumo;
}

Resumo geraSqlite(const fs::path& arquivo, const Opcoes& opcoes, const Periodo& periodo,
                  const Progresso& progresso) {
  if (fs::exists(arquivo) && !opcoes.substituir) {
    throw Error("a store is already there: " + arquivo.string() + " (substituir replaces it)");
  }
  fs::create_directories(arquivo.parent_path());
  // Written beside the store and put in its place once complete: a failed
  // run leaves the store that was there.
  fs::path novo = arquivo;
  novo += ".novo";
  fs::remove(novo);
  Resumo resumo;
  try {
    auto loader = openSqliteLoader(novo);
    resumo = carrega(*loader, esquemaLoja("sqlite"), opcoes, periodo, progresso);
    loader.reset();
    // A journal left by the old store would be played back into the new.
    for (const char* sufixo : {"-journal", "-wal", "-shm"}) {
      fs::path resto = arquivo;
      resto += sufixo;
      fs::remove(resto);
    }
    fs::rename(novo, arquivo);
  } catch (...) {
    std::error_code ignored;
    fs::remove(novo, ignored);
    throw;
  }
  return resumo;
}

Resumo geraPostgreSql(const db::ConnectionTarget& alvo, const Opcoes& opcoes,
                      const Periodo& periodo, const Progresso& progresso) {
  const EsquemaLoja esquema = esquemaLoja("postgresql");
  auto loader = openPostgreSqlLoader(alvo.target, alvo.password);
  std::string presentes;
  for (const std::string& tabela : loader->tables()) {
    for (const std::string& nome : esquema.nomes) {
      if (tabela == nome) presentes += (presentes.empty() ? "" : ", ") + nome;
    }
  }
  if (!presentes.empty()) {
    if (!opcoes.substituir) {
      throw Error("the database already holds a store (" + presentes + "); substituir replaces it");
    }
    // In the same transaction as the new store: a failed run keeps the old.
    for (const std::string& nome : esquema.nomes)
      loader->execute("DROP TABLE IF EXISTS " + nome + " CASCADE");
  }
  return carrega(*loader, esquema, opcoes, periodo, progresso);
}

}  // namespace

Resumo gera(const fs::path& host_dir, const std::string& connection, const Opcoes& opcoes,
            const Progresso& progresso) {
  valida(opcoes);
  const int dias = opcoes.dias > 0 ? opcoes.dias : opcoes.anos * 365;
  const int ultimo = diasDesde1970(kUltimoDia);
  const Periodo periodo{ultimo - dias + 1, dias, opcoes.vendas_por_dia};

  const fs::path host = fs::absolute(host_dir).lexically_normal();
  const db::ConnectionTarget alvo = db::parseConnectionString(connection, host);
  fs::create_directories(host);

  Resumo resumo;
  switch (alvo.driver) {
    case db::DriverKind::Sqlite:
      resumo = geraSqlite(alvo.target, opcoes, periodo, progresso);
      break;
    case db::DriverKind::PostgreSql:
      resumo = geraPostgreSql(alvo, opcoes, periodo, progresso);
      break;
    case db::DriverKind::Odbc:
      throw Error(
          "a store history is written to SQLite or PostgreSQL only, not through ODBC; give "
          "sqlite:PATH or a PostgreSQL connection string");
  }
  gravaArquivosParametros(host);
  gravaConexao(host, connection);
  resumo.primeiro_dia = textoData(periodo.primeiro_dia);
  resumo.ultimo_dia = textoData(ultimo);
  return resumo;
}

}  // namespace conta::history
