// The store history: a small one (three days of forty sales) written on
// SQLite, read back with sqlite3, and its open comandas billed through the C
// interface as a host bills them; on PostgreSQL too when
// CONTA_TEST_POSTGRESQL is set.
#include "history/history.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "conta/conta.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"

namespace conta::history {
namespace {

namespace fs = std::filesystem;

Opcoes pequena(std::uint64_t semente = 7) {
  Opcoes o;
  o.dias = 3;
  o.vendas_por_dia = 40;
  o.semente = semente;
  return o;
}

std::string lerArquivo(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A store database read with sqlite3 alone.
class Base {
 public:
  explicit Base(const fs::path& file) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << "cannot open " << file;
    }
  }
  ~Base() { sqlite3_close(db_); }
  Base(const Base&) = delete;
  Base& operator=(const Base&) = delete;

  // Every row of the query, its columns as text ("NULL" for a null, numbers
  // to the last digit).
  std::vector<std::vector<std::string>> linhas(const std::string& sql) {
    std::vector<std::vector<std::string>> out;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
      return out;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
      std::vector<std::string>& row = out.emplace_back();
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        switch (sqlite3_column_type(statement, i)) {
          case SQLITE_NULL:
            row.emplace_back("NULL");
            break;
          case SQLITE_FLOAT: {
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", sqlite3_column_double(statement, i));
            row.emplace_back(text);
            break;
          }
          default:
            row.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
        }
      }
    }
    sqlite3_finalize(statement);
    return out;
  }

  std::vector<std::string> coluna(const std::string& sql) {
    std::vector<std::string> out;
    for (auto& row : linhas(sql))
      out.push_back(row.at(0));
    return out;
  }

  long long numero(const std::string& sql) {
    auto rows = linhas(sql);
    return rows.empty() ? -1 : std::stoll(rows[0].at(0));
  }

  // Every table's rows in the order they were written.
  std::map<std::string, std::vector<std::vector<std::string>>> tudo() {
    std::map<std::string, std::vector<std::vector<std::string>>> out;
    for (const std::string& tabela :
         coluna("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")) {
      out[tabela] = linhas("SELECT * FROM " + tabela + " ORDER BY rowid");
    }
    return out;
  }

 private:
  sqlite3* db_ = nullptr;
};

// A bill through the C interface, freed with the test.
struct Conta {
  int status = CONTA_ERROR;
  std::string erro;
  conta_bill bill{};
  ~Conta() { conta_bill_free(&bill); }
  double operator[](int entry) const { return bill.values[entry]; }
};

void calcula(Conta& conta, const std::string& lista) {
  conta_bill_request request{lista.c_str(), "2", 1, 1, 1, "T", ""};
  char* error = nullptr;
  conta.status = conta_calcula(&request, &conta.bill, &error);
  conta.erro = error != nullptr ? error : "";
  conta_free(error);
}

class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(CONTA_TEST_TMP) / "history" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
  }

  fs::path banco(const fs::path& loja) const { return loja / "Dados" / "loja.db"; }

  // Bills go to this store from now on.
  static void usaLoja(const fs::path& loja, const std::string& connection) {
    char* error = nullptr;
    ASSERT_EQ(conta_set_host_directory(loja.c_str(), &error), CONTA_OK) << error;
    ASSERT_EQ(conta_set_connection_string(connection.c_str(), &error), CONTA_OK) << error;
  }

  // Bills go to the store that conexao.txt of `loja` names, as a host
  // without a connection string of its own finds it: a new host directory
  // makes the module reconnect.
  static void usaConexaoDaLoja(const fs::path& loja) {
    ::unsetenv("CONTA_CONNECTION");
    char* error = nullptr;
    ASSERT_EQ(conta_set_connection_string(nullptr, &error), CONTA_OK) << error;
    ASSERT_EQ(conta_set_host_directory(loja.c_str(), &error), CONTA_OK) << error;
  }

  fs::path scratch_;
};

TEST_F(HistoryTest, TheSameSeedWritesTheSameStoreAndAnotherSeedAnother) {
  const Resumo a = gera(scratch_ / "a", "", pequena(7));
  const Resumo b = gera(scratch_ / "b", "", pequena(7));
  const Resumo c = gera(scratch_ / "c", "", pequena(8));

  EXPECT_EQ(a.comandas_abertas, b.comandas_abertas);
  EXPECT_EQ(a.itens, b.itens);
  EXPECT_EQ(a.comandas_juncao, b.comandas_juncao);
  auto tudoA = Base(banco(scratch_ / "a")).tudo();
  EXPECT_GE(tudoA.size(), 15u) << "the store tables";
  EXPECT_TRUE(tudoA == Base(banco(scratch_ / "b")).tudo());
  EXPECT_FALSE(tudoA["ITCOMANDAVEN"] == Base(banco(scratch_ / "c")).tudo()["ITCOMANDAVEN"]);
  EXPECT_EQ(lerArquivo(scratch_ / "a" / "PARAMETROSXOL.CDS"),
            lerArquivo(scratch_ / "b" / "PARAMETROSXOL.CDS"));
}

TEST_F(HistoryTest, TheRowsAreWhatTheSummarySays) {
  const Resumo r = gera(scratch_, "", pequena());
  Base base(banco(scratch_));

  EXPECT_EQ(r.vendas, 120u);
  EXPECT_EQ(base.numero("SELECT COUNT(*) FROM VENDAREST"), 120);
  EXPECT_EQ(base.numero("SELECT COUNT(*) FROM COMANDAVEN"), static_cast<long long>(r.comandas));
  EXPECT_EQ(base.numero("SELECT COUNT(*) FROM ITCOMANDAVEN"), static_cast<long long>(r.itens));
  // About 1.6 comandas a sale and 6 items a comanda.
  EXPECT_GT(r.comandas, r.vendas * 13 / 10);
  EXPECT_LT(r.comandas, r.vendas * 2);
  EXPECT_GT(r.itens, r.comandas * 5);
  EXPECT_LT(r.itens, r.comandas * 8);

  EXPECT_EQ(r.primeiro_dia, "2026-11-28");
  EXPECT_EQ(r.ultimo_dia, "2026-11-30");
  EXPECT_EQ(base.coluna("SELECT MIN(substr(DTHRABERMESA, 1, 10)) FROM VENDAREST"),
            std::vector<std::string>{"2026-11-28"});
  EXPECT_EQ(base.numero("SELECT COUNT(*) FROM VENDAREST WHERE DTHRFECHMESA <= DTHRABERMESA"), 0);

  // The open sales: twenty, at twenty tables, on the last evening.
  EXPECT_EQ(r.vendas_abertas, 20u);
  EXPECT_EQ(base.linhas("SELECT COUNT(*), COUNT(DISTINCT NRMESA), MIN(DTHRABERMESA) >= "
                        "'2026-11-30 19:30' FROM VENDAREST WHERE DTHRFECHMESA IS NULL")[0],
            (std::vector<std::string>{"20", "20", "1"}));

  // The listed open comandas are exactly the live comandas of open sales,
  // each with an item a bill reads; the first twenty on twenty sales.
  const std::string abertas =
      "SELECT CO.NRCOMANDA FROM COMANDAVEN CO JOIN VENDAREST VE ON VE.CDFILIAL = CO.CDFILIAL "
      "AND VE.NRVENDAREST = CO.NRVENDAREST WHERE VE.DTHRFECHMESA IS NULL AND "
      "CO.IDSTCOMANDA <> '4'";
  std::vector<std::string> esperadas = base.coluna(abertas);
  std::vector<std::string> listadas = r.comandas_abertas;
  std::sort(esperadas.begin(), esperadas.end());
  std::sort(listadas.begin(), listadas.end());
  EXPECT_EQ(listadas, esperadas);
  EXPECT_EQ(base.numero(abertas + " AND NOT EXISTS (SELECT 1 FROM ITCOMANDAVEN IT WHERE "
                                  "IT.NRCOMANDA = CO.NRCOMANDA AND IT.IDSTPRCOMVEN IN ('1', "
                                  "'4') AND IT.IDPRODREFIL = 'N')"),
            -1)
      << "an open comanda without an item to bill";
  std::set<std::string> vendas;
  for (std::size_t i = 0; i < 20 && i < r.comandas_abertas.size(); ++i) {
    vendas.insert(base.coluna("SELECT NRVENDAREST FROM COMANDAVEN WHERE NRCOMANDA = '" +
                              r.comandas_abertas[i] + "'")
                      .at(0));
  }
  EXPECT_EQ(vendas.size(), 20u);
}

TEST_F(HistoryTest, ComandaNumbersAreUniqueAndSevenDigitsWide) {
  const Resumo r = gera(scratch_, "", pequena());
  Base base(banco(scratch_));
  EXPECT_EQ(base.numero("SELECT COUNT(DISTINCT NRCOMANDA) FROM COMANDAVEN"),
            static_cast<long long>(r.comandas));
  EXPECT_EQ(base.numero("SELECT COUNT(*) FROM COMANDAVEN WHERE NRCOMANDA GLOB "
                        "'[1-9][0-9][0-9][0-9][0-9][0-9][0-9]'"),
            static_cast<long long>(r.comandas));
  // Every item belongs to a comanda of its own sale.
  EXPECT_EQ(base.numero("SELECT COUNT(*) FROM ITCOMANDAVEN IT LEFT JOIN COMANDAVEN CO ON "
                        "CO.CDFILIAL = IT.CDFILIAL AND CO.NRVENDAREST = IT.NRVENDAREST AND "
                        "CO.NRCOMANDA = IT.NRCOMANDA WHERE CO.NRCOMANDA IS NULL"),
            0);
  // A comanda grouped under another names a comanda of its own sale.
  EXPECT_EQ(base.numero("SELECT COUNT(*) FROM COMANDAVEN CO WHERE DSCOMANDAPRI IS NOT NULL AND "
                        "NOT EXISTS (SELECT 1 FROM COMANDAVEN P WHERE P.DSCOMANDA = "
                        "CO.DSCOMANDAPRI AND P.NRVENDAREST = CO.NRVENDAREST)"),
            0);
}

TEST_F(HistoryTest, TheStoreHoldsWhatBillsMeet) {
  fs::create_directories(scratch_);
  std::ofstream(scratch_ / "CONEXAO.TXT") << "host=elsewhere dbname=loja\n";
  const Resumo r = gera(scratch_, "", pequena());
  Base base(banco(scratch_));

  EXPECT_FALSE(fs::exists(scratch_ / "CONEXAO.TXT")) << "it would send bills elsewhere";
  EXPECT_GT(base.numero("SELECT COUNT(*) FROM ITCOMANDAVEN IT JOIN PRODUTO PR ON "
                        "PR.CDPRODUTO = IT.CDPRODUTO WHERE PR.IDPESAPROD = 'S' AND "
                        "QTPRODCOMVEN <> CAST(QTPRODCOMVEN AS INTEGER)"),
            0)
      << "weighed items";
  EXPECT_EQ(base.coluna("SELECT DISTINCT NRLUGARMESA FROM ITCOMANDAVEN ORDER BY 1").front(), "01");
  EXPECT_EQ(base.numero("SELECT COUNT(*) FROM ITCOMANDAVEN WHERE NRLUGARMESA NOT IN ('01', "
                        "'02', '03', '04', '05', '06', '07', '08')"),
            0);
  EXPECT_GT(base.numero("SELECT COUNT(*) FROM ITCOMANDAVEN WHERE IDSTPRCOMVEN IN ('6', '7')"), 0);
  EXPECT_GT(base.numero("SELECT COUNT(DISTINCT CDVENDEDOR) FROM VENDAREST"), 5);

  // The junction joins the tables of two open sales, whose comandas the
  // summary lists for one bill.
  EXPECT_EQ(base.numero("SELECT COUNT(*) FROM MESAJUNCAO MJ JOIN VENDAREST VE ON VE.NRMESA = "
                        "MJ.NRMESA AND VE.CDLOJA = MJ.CDLOJA WHERE VE.DTHRFECHMESA IS NULL"),
            2);
  std::string juncao;
  for (const std::string& comanda :
       base.coluna("SELECT CO.NRCOMANDA FROM COMANDAVEN CO JOIN VENDAREST VE ON VE.NRVENDAREST "
                   "= CO.NRVENDAREST JOIN MESAJUNCAO MJ ON MJ.NRMESA = VE.NRMESA WHERE "
                   "VE.DTHRFECHMESA IS NULL AND CO.IDSTCOMANDA <> '4' ORDER BY CO.NRCOMANDA")) {
    juncao += (juncao.empty() ? "" : "_") + comanda;
  }
  EXPECT_EQ(r.comandas_juncao, juncao);
  EXPECT_EQ(base.coluna("SELECT substr(DSCOMANDA, 1, 4) FROM COMANDAVEN WHERE NRCOMANDA = '" +
                        r.comanda_reserva + "'"),
            std::vector<std::string>{"RES "});

  // Indexes made after the rows, and the planner's statistics.
  EXPECT_EQ(base.numero("SELECT COUNT(*) FROM sqlite_master WHERE name IN "
                        "('IX_ITCOMANDAVEN_COMANDA', 'IX_COMANDAVEN_COMANDA')"),
            2);
  EXPECT_GT(base.numero("SELECT COUNT(*) FROM sqlite_stat1"), 0);

  const DataPacket parametros = readPacketFile(scratch_ / "PARAMETROSXOL.CDS");
  auto campo = [&](const char* nome) {
    return parametros.rows.at(0).values.at(parametros.fieldIndex(nome).value()).toText();
  };
  EXPECT_EQ(campo("IDCOMISVENDA"), "S");
  EXPECT_EQ(campo("IDCOUVERART"), "S");
  EXPECT_EQ(campo("IDLUGARMESA"), "S");
  EXPECT_EQ(readPacketFile(scratch_ / "Dados" / "Cadastros" / "AliqImpFis.cds").rows.size(), 3u);
}

TEST_F(HistoryTest, EveryOpenComandaBillsThroughTheCInterface) {
  const Resumo r = gera(scratch_, "", pequena());
  usaLoja(scratch_, "sqlite:" + banco(scratch_).string());

  int comConsumacao = 0;
  for (const std::string& comanda : r.comandas_abertas) {
    Conta conta;
    calcula(conta, comanda);
    ASSERT_EQ(conta.status, CONTA_OK) << comanda << ": " << conta.erro;
    EXPECT_GT(conta[CONTA_QTDE_PESSOAS], 0) << comanda;
    EXPECT_GT(conta[CONTA_VR_TOTAL_ITENS], 0) << comanda;
    EXPECT_NEAR(conta[CONTA_VR_TOTAL_CONTA],
                conta[CONTA_VR_TOTAL_ITENS] + conta[CONTA_VR_CONSUMACAO] + conta[CONTA_VR_COUVERT] +
                    conta[CONTA_VR_TAXA_SERVICO],
                1e-9)
        << comanda;
    EXPECT_NEAR(conta[CONTA_VR_COUVERT], conta[CONTA_QTDE_PESSOAS] * 12.5, 1e-9) << comanda;
    if (conta[CONTA_VR_CONSUMACAO] > 0) ++comConsumacao;
  }
  EXPECT_GT(comConsumacao, 0) << "no bill fell short of the minimum consumption";

  // The reserved table: one cover unit per seat, no minimum consumption.
  Conta reserva;
  calcula(reserva, r.comanda_reserva);
  ASSERT_EQ(reserva.status, CONTA_OK) << reserva.erro;
  EXPECT_EQ(reserva[CONTA_QTDE_PESSOAS], 6);
  EXPECT_EQ(reserva[CONTA_VR_COUVERT], 75);
  EXPECT_EQ(reserva[CONTA_VR_CONSUMACAO], 0);
  EXPECT_GT(reserva[CONTA_VR_TAXA_SERVICO], 0);
  Base base(banco(scratch_));
  EXPECT_EQ(base.numero("SELECT COUNT(DISTINCT NRLUGARMESA) FROM ITCOMANDAVEN WHERE NRCOMANDA = '" +
                        r.comanda_reserva + "' AND CDPRODUTO = 'COUVERT'"),
            6);

  // The joined tables: one bill of every comanda of both sales.
  Conta juncao;
  calcula(juncao, r.comandas_juncao);
  ASSERT_EQ(juncao.status, CONTA_OK) << juncao.erro;
  const DataPacket comandas = decodePacket(std::string_view(
      reinterpret_cast<const char*>(juncao.bill.comandas.data), juncao.bill.comandas.size));
  EXPECT_EQ(comandas.rows.size(),
            static_cast<std::size_t>(
                std::count(r.comandas_juncao.begin(), r.comandas_juncao.end(), '_') + 1));
  EXPECT_GT(juncao[CONTA_VR_TAXA_SERVICO], 0);
}

TEST_F(HistoryTest, AStoreThereIsKeptUnlessReplaced) {
  gera(scratch_, "", pequena(7));
  const auto antes = Base(banco(scratch_)).tudo();

  try {
    gera(scratch_, "", pequena(8));
    ADD_FAILURE() << "a second store was written over the first";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("substituir"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("loja.db"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(Base(banco(scratch_)).tudo() == antes);

  Opcoes substitui = pequena(8);
  substitui.substituir = true;
  gera(scratch_, "", substitui);
  EXPECT_FALSE(Base(banco(scratch_)).tudo() == antes);
  EXPECT_FALSE(fs::exists(banco(scratch_).string() + ".novo"));
}

TEST_F(HistoryTest, ProgressRunsFromNothingToEverySale) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> chamadas;
  Opcoes o = pequena();
  o.dias = 30;
  gera(scratch_, "", o,
       [&](std::uint64_t feito, std::uint64_t total) { chamadas.emplace_back(feito, total); });
  ASSERT_FALSE(chamadas.empty());
  EXPECT_EQ(chamadas.front(), std::make_pair(std::uint64_t{0}, std::uint64_t{1200}));
  EXPECT_EQ(chamadas.back(), std::make_pair(std::uint64_t{1200}, std::uint64_t{1200}));
  EXPECT_LE(chamadas.size(), 1002u);
  EXPECT_TRUE(std::is_sorted(chamadas.begin(), chamadas.end()));
}

TEST_F(HistoryTest, ARunThatFailsLeavesTheStoreThatWasThere) {
  gera(scratch_, "", pequena(7));
  const auto antes = Base(banco(scratch_)).tudo();
  Opcoes substitui = pequena(8);
  substitui.substituir = true;
  auto falhaNoMeio = [](std::uint64_t feito, std::uint64_t total) {
    if (feito * 2 >= total) throw Error("interrupted");
  };
  EXPECT_THROW(gera(scratch_, "", substitui, falhaNoMeio), Error);
  EXPECT_TRUE(Base(banco(scratch_)).tudo() == antes);
  EXPECT_FALSE(fs::exists(banco(scratch_).string() + ".novo"));
}

TEST_F(HistoryTest, RefusesWhatItCannotWrite) {
  Opcoes poucas = pequena();
  poucas.vendas_por_dia = kMinVendasPorDia - 1;
  EXPECT_THROW(gera(scratch_, "", poucas), Error);
  Opcoes semAnos;
  semAnos.anos = 0;
  EXPECT_THROW(gera(scratch_, "", semAnos), Error);
  Opcoes demais;
  demais.anos = kMaxAnos;
  demais.vendas_por_dia = kMaxVendasPorDia;
  EXPECT_THROW(gera(scratch_, "", demais), Error);
  try {
    gera(scratch_, "odbc:DRIVER={SQLite3};DATABASE=x.db;", pequena());
    ADD_FAILURE() << "a store written through ODBC";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("ODBC"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(banco(scratch_)));
  EXPECT_FALSE(fs::exists(scratch_ / "PARAMETROSXOL.CDS"));
}

TEST_F(HistoryTest, ASqliteFileElsewhereIsNamedInConexaoTxt) {
  const Resumo r = gera(scratch_, "sqlite:outra.db", pequena());
  EXPECT_EQ(Base(scratch_ / "outra.db").numero("SELECT COUNT(*) FROM VENDAREST"), 120);
  EXPECT_FALSE(fs::exists(banco(scratch_)));
  EXPECT_NE(lerArquivo(scratch_ / "conexao.txt").find("\nsqlite:outra.db\n"), std::string::npos);

  // A host that finds the store through conexao.txt bills it.
  usaConexaoDaLoja(scratch_);
  Conta conta;
  calcula(conta, r.comandas_abertas.at(0));
  EXPECT_EQ(conta.status, CONTA_OK) << conta.erro;
}

// PostgreSQL: a schema of the test's own on the server of
// CONTA_TEST_POSTGRESQL.
class PostgreSqlHistoryTest : public HistoryTest {
 protected:
  void SetUp() override {
    HistoryTest::SetUp();
    const char* admin = std::getenv("CONTA_TEST_POSTGRESQL");
    if (admin == nullptr || *admin == '\0') {
      GTEST_SKIP() << "set CONTA_TEST_POSTGRESQL to a libpq key=value string to write the "
                      "history to PostgreSQL";
    }
    admin_ = admin;
    schema_ = "conta_historico_" + std::to_string(::getpid());
    ASSERT_EQ(executa("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " + schema_),
              "");
    connection_ = admin_ + " options='-c search_path=" + schema_ + "'";
  }

  void TearDown() override {
    if (!schema_.empty()) executa("DROP SCHEMA " + schema_ + " CASCADE");
  }

  // Runs SQL on the server; the error text, or "" (or the first value of a
  // query's first row, after a "=").
  std::string executa(const std::string& sql) {
    PGconn* connection = PQconnectdb(admin_.c_str());
    std::string out;
    if (PQstatus(connection) != CONNECTION_OK) {
      out = PQerrorMessage(connection);
    } else {
      PQsetNoticeProcessor(
          connection, [](void*, const char*) {}, nullptr);
      PGresult* result = PQexec(connection, sql.c_str());
      if (PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0) {
        out = std::string("=") + PQgetvalue(result, 0, 0);
      } else if (PQresultStatus(result) != PGRES_COMMAND_OK &&
                 PQresultStatus(result) != PGRES_TUPLES_OK) {
        out = PQerrorMessage(connection);
      }
      PQclear(result);
    }
    PQfinish(connection);
    return out;
  }

  std::string conta(const std::string& tabela) {
    return executa("SELECT COUNT(*) FROM " + schema_ + "." + tabela);
  }

  std::string admin_, schema_, connection_;
};

TEST_F(PostgreSqlHistoryTest, WritesTheStoreThatBillsFind) {
  const Resumo r = gera(scratch_, connection_, pequena());
  EXPECT_EQ(conta("VENDAREST"), "=120");
  EXPECT_EQ(conta("COMANDAVEN"), "=" + std::to_string(r.comandas));
  EXPECT_EQ(conta("ITCOMANDAVEN"), "=" + std::to_string(r.itens));
  EXPECT_EQ(executa("SELECT COUNT(*) FROM " + schema_ + ".VENDAREST WHERE DTHRFECHMESA IS NULL"),
            "=20");
  EXPECT_EQ(executa("SELECT COUNT(*) FROM pg_indexes WHERE schemaname = '" + schema_ +
                    "' AND indexname = 'ix_itcomandaven_comanda'"),
            "=1");
  EXPECT_FALSE(fs::exists(banco(scratch_)));
  EXPECT_NE(lerArquivo(scratch_ / "conexao.txt").find(connection_), std::string::npos);

  // The same rows as on SQLite: the store is the seed's, not the engine's.
  const Resumo sqlite = gera(scratch_ / "sqlite", "", pequena());
  EXPECT_EQ(r.comandas_abertas, sqlite.comandas_abertas);
  EXPECT_EQ(r.itens, sqlite.itens);
  EXPECT_EQ(executa("SELECT ROUND(SUM(QTPRODCOMVEN * VRPRECCOMVEN)::numeric, 2) FROM " + schema_ +
                    ".ITCOMANDAVEN"),
            "=" + Base(banco(scratch_ / "sqlite"))
                      .coluna("SELECT printf('%.2f', SUM(QTPRODCOMVEN * VRPRECCOMVEN)) FROM "
                              "ITCOMANDAVEN")
                      .at(0));

  // Refused over a store, replaced on request, in one transaction: a run
  // that fails half-way leaves the old store.
  EXPECT_THROW(gera(scratch_, connection_, pequena(8)), Error);
  EXPECT_EQ(conta("ITCOMANDAVEN"), "=" + std::to_string(r.itens));
  Opcoes substitui = pequena(8);
  substitui.substituir = true;
  EXPECT_THROW(gera(scratch_, connection_, substitui,
                    [](std::uint64_t feito, std::uint64_t total) {
                      if (feito * 2 >= total) throw Error("interrupted");
                    }),
               Error);
  EXPECT_EQ(conta("ITCOMANDAVEN"), "=" + std::to_string(r.itens));
  const Resumo outra = gera(scratch_, connection_, substitui);
  EXPECT_EQ(conta("ITCOMANDAVEN"), "=" + std::to_string(outra.itens));

  // A host that finds the store through conexao.txt bills it.
  usaConexaoDaLoja(scratch_);
  Conta bill;
  calcula(bill, outra.comanda_reserva);
  ASSERT_EQ(bill.status, CONTA_OK) << bill.erro;
  EXPECT_EQ(bill[CONTA_VR_COUVERT], 75);
}

// A host that moves to another store's directory bills that store: the
// module reconnects although the connection string (none) reads the same.
TEST_F(HistoryTest, ANewHostDirectoryBillsItsOwnStore) {
  const Resumo a = gera(scratch_ / "a", "", pequena(7));
  const Resumo b = gera(scratch_ / "b", "", pequena(8));
  const std::string contaItens = "SELECT COUNT(*) FROM ITCOMANDAVEN";
  const long long itensA = Base(banco(scratch_ / "a")).numero(contaItens);
  const long long itensB = Base(banco(scratch_ / "b")).numero(contaItens);
  // Store b charges 12% service, store a its generated rate.
  const fs::path parametrosB = scratch_ / "b" / "PARAMETROSXOL.CDS";
  DataPacket parametros = readPacketFile(parametrosB);
  const std::size_t taxa = *parametros.fieldIndex("VRCOMISVENDA");
  const double taxaA = parametros.rows.at(0).values.at(taxa).toDouble();
  ASSERT_NE(taxaA, 12.0);
  parametros.rows.at(0).values.at(taxa) = Variant(12.0);
  writePacketFile(parametros, parametrosB, PacketFormat::Binary);

  usaConexaoDaLoja(scratch_ / "a");
  Conta primeira;
  calcula(primeira, a.comandas_abertas.at(0));
  ASSERT_EQ(primeira.status, CONTA_OK) << primeira.erro;
  EXPECT_GT(Base(banco(scratch_ / "a")).numero(contaItens), itensA) << "the charge items";
  EXPECT_NEAR(primeira[CONTA_VR_TAXA_CALCULADA], primeira[CONTA_VR_BASE_TAXA] * taxaA / 100, 0.01);

  usaConexaoDaLoja(scratch_ / "b");
  Conta segunda;
  calcula(segunda, b.comandas_abertas.at(0));
  ASSERT_EQ(segunda.status, CONTA_OK) << segunda.erro;
  EXPECT_GT(Base(banco(scratch_ / "b")).numero(contaItens), itensB) << "the charge items";
  // Its own parameters, not the ones of the store billed before.
  EXPECT_NEAR(segunda[CONTA_VR_TAXA_CALCULADA], segunda[CONTA_VR_BASE_TAXA] * 0.12, 0.01);
}

}  // namespace
}  // namespace conta::history
