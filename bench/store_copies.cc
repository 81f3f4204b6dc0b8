#include "store_copies.h"

#include <cstdio>

#include "platform/db/connection.h"
#include "platform/db/statement.h"

namespace conta::bench {
namespace {

// The tables of the store database that hold a branch's rows.
const char* const kTabelasDaFilial[] = {"FILIAL",     "LOJA",        "PRODLOJA",   "PRODRALIMENT",
                                        "ALIQIMPFIS", "JUNCAOMESA",  "MESAJUNCAO", "VENDAREST",
                                        "COMANDAVEN", "ITCOMANDAVEN"};

void executa(db::Connection& db, const std::string& sql) {
  db::Command command(db, "store copy");
  command.setSql(sql);
  command.execute();
}

}  // namespace

std::string filial(int k) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", k + 1);
  return text;
}

void copiaFiliais(const std::string& connection, int filiais) {
  db::Connection db("store copy");
  db.setConnectionString(connection);
  db.open();
  db.beginTransaction();
  for (const char* tabela : kTabelasDaFilial) {
    db::Query columns(db, "columns");
    columns.setSql(std::string("SELECT * FROM ") + tabela + " WHERE 1 = 0");
    columns.open();
    std::string names, values;
    for (const auto& field : columns.fields()) {
      names += (names.empty() ? "" : ", ") + field.name;
      values +=
          (values.empty() ? "" : ", ") +
          (field.name == "CDFILIAL" ? std::string("CAST(:P_CDFILIAL AS VARCHAR(4))") : field.name);
    }
    db::Command copy(db, "copy");
    copy.setSql(std::string("INSERT INTO ") + tabela + " (" + names + ") SELECT " + values +
                " FROM " + tabela + " WHERE CDFILIAL = '0001'");
    for (int k = 1; k < filiais; ++k) {
      copy.setParameter("P_CDFILIAL", Variant(filial(k)));
      copy.execute();
    }
  }
  db.commit();
}

void deixaSoIndicesDeOutroEsquema(const std::string& connection) {
  db::Connection db("store copy");
  db.setConnectionString(connection);
  db.open();
  for (const char* indice :
       {"IX_VENDAREST_ABERTA", "IX_COMANDAVEN_PRINCIPAL", "IX_ITCOMANDAVEN_PRODUTO"})
    executa(db, std::string("DROP INDEX IF EXISTS ") + indice);
}

void coletaEstatisticas(const std::string& connection) {
  db::Connection db("store copy");
  db.setConnectionString(connection);
  db.open();
  executa(db, "ANALYZE");
}

}  // namespace conta::bench
