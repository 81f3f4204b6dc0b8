#include "platform/db/connection_string.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/db/database_error.h"

namespace conta::db {
namespace {

const std::filesystem::path kHost = "/opt/loja";

std::string errorOf(std::string_view text) {
  try {
    (void)parseConnectionString(text, kHost);
  } catch (const DatabaseError& e) {
    return e.what();
  }
  return "no error";
}

TEST(ConnectionStringTest, SqliteFilesAndTheEmbeddedDefault) {
  ConnectionTarget none = parseConnectionString("", kHost);
  EXPECT_EQ(none.driver, DriverKind::Sqlite);
  EXPECT_EQ(none.target, "/opt/loja/Dados/loja.db");
  EXPECT_EQ(none.dialect, Dialect::Sqlite);
  EXPECT_EQ(parseConnectionString("sqlite:/var/loja.db", kHost).target, "/var/loja.db");
  EXPECT_EQ(parseConnectionString("sqlite:outra.db", kHost).target, "/opt/loja/outra.db");
  EXPECT_EQ(errorOf("sqlite:"),
            "A conexão 'sqlite:' não diz o arquivo do banco da loja: dê sqlite:CAMINHO.");
}

TEST(ConnectionStringTest, PostgresqlUrisAndKeyValueTextKeepTheirPasswordApart) {
  ConnectionTarget uri = parseConnectionString("postgresql://caixa:s3cr3t@db:5432/loja", kHost);
  EXPECT_EQ(uri.driver, DriverKind::PostgreSql);
  EXPECT_EQ(uri.password, "s3cr3t");
  ConnectionTarget kv = parseConnectionString("host=db dbname=loja password='a b'", kHost);
  EXPECT_EQ(kv.driver, DriverKind::PostgreSql);
  EXPECT_EQ(kv.dialect, Dialect::PostgreSql);
  EXPECT_EQ(kv.password, "a b");
  EXPECT_EQ(withoutPassword("failed for s3cr3t and s3cr3t", "s3cr3t"), "failed for *** and ***");
}

TEST(ConnectionStringTest, OdbcStringsTakeTheirDialectFromTheEngine) {
  ConnectionTarget odbc =
      parseConnectionString("odbc:DRIVER={PostgreSQL Unicode};SERVER=db;PWD={x;y};", kHost);
  EXPECT_EQ(odbc.driver, DriverKind::Odbc);
  EXPECT_EQ(odbc.target, "DRIVER={PostgreSQL Unicode};SERVER=db;PWD={x;y};");
  EXPECT_EQ(odbc.password, "x;y");
  EXPECT_FALSE(odbc.dialect.has_value());
  EXPECT_EQ(parseConnectionString("DSN=loja;UID=a;PWD=b", kHost).driver, DriverKind::Odbc);
}

TEST(ConnectionStringTest, AdoProvidersNameTheirDialectAndMapToOdbc) {
  ::unsetenv("CONTA_ODBC_ORACLE_DRIVER");
  ::unsetenv("CONTA_ODBC_MSSQL_DRIVER");
  ConnectionTarget oracle = parseConnectionString(
      "Provider=MSDAORA.1;Password=tiger;User ID=scott;Data Source=LOJA;Persist Security Info=True",
      kHost);
  EXPECT_EQ(oracle.driver, DriverKind::Odbc);
  EXPECT_EQ(oracle.dialect, Dialect::Oracle);
  EXPECT_EQ(oracle.target, "DRIVER={Oracle};DBQ=LOJA;UID=scott;PWD=tiger;");
  EXPECT_EQ(oracle.password, "tiger");

  ConnectionTarget mssql = parseConnectionString(
      "Provider=SQLOLEDB.1;Data Source=srv,1433;Initial Catalog=loja;User ID=sa;Password=pw",
      kHost);
  EXPECT_EQ(mssql.dialect, Dialect::MsSql);
  EXPECT_EQ(mssql.target,
            "DRIVER={FreeTDS};SERVER=srv;PORT=1433;DATABASE=loja;UID=sa;PWD=pw;"
            "TDS_Version=7.4;ClientCharset=UTF-8;");

  ::setenv("CONTA_ODBC_MSSQL_DRIVER", "ODBC Driver 18 for SQL Server", 1);
  EXPECT_EQ(
      parseConnectionString("Provider=MSOLEDBSQL;Data Source=srv;User ID=sa;Password=pw", kHost)
          .target,
      "DRIVER={ODBC Driver 18 for SQL Server};SERVER=srv;DATABASE=;UID=sa;PWD=pw;");
  ::unsetenv("CONTA_ODBC_MSSQL_DRIVER");

  EXPECT_EQ(errorOf("Provider=SQLOLEDB;Integrated Security=SSPI;Data Source=srv"),
            "the connection string asks for Windows integrated security, which cannot be used "
            "here; give User ID and Password");
  std::string unknown = errorOf("Provider=Microsoft.Jet.OLEDB.4.0;Password=topsecret");
  EXPECT_NE(unknown.find("the provider 'Microsoft.Jet.OLEDB.4.0'"), std::string::npos);
  EXPECT_EQ(unknown.find("topsecret"), std::string::npos);
  EXPECT_NE(errorOf("whatever").find("not understood"), std::string::npos);
}

}  // namespace
}  // namespace conta::db
