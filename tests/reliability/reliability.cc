#include "reliability.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace conta::reliability {
namespace {

std::atomic<int> g_relatos{0};

void contaRelato(void*, const conta_report*) {
  g_relatos.fetch_add(1, std::memory_order_relaxed);
}

std::string bytes(const conta_packet& packet) {
  return std::string(reinterpret_cast<const char*>(packet.data), packet.size);
}

}  // namespace

bool Conta::operator==(const Conta& other) const {
  return status == other.status && erro == other.erro &&
         std::memcmp(valores.data(), other.valores.data(), sizeof valores) == 0 &&
         comandas == other.comandas && itens == other.itens;
}

Conta calcula(const Pedido& pedido) {
  const conta_bill_request request{pedido.comanda.c_str(),
                                   pedido.tipo_conta.c_str(),
                                   pedido.consumacao ? 1 : 0,
                                   pedido.couvert ? 1 : 0,
                                   pedido.taxa ? 1 : 0,
                                   pedido.lugares.c_str(),
                                   ""};
  conta_bill bill{};
  char* error = nullptr;
  Conta conta;
  conta.status = conta_calcula(&request, &bill, &error);
  conta.erro = error != nullptr ? error : "";
  conta_free(error);
  if (conta.status == CONTA_OK) {
    std::memcpy(conta.valores.data(), bill.values, sizeof bill.values);
    conta.comandas = bytes(bill.comandas);
    conta.itens = bytes(bill.itens);
  }
  conta_bill_free(&bill);
  return conta;
}

std::string descreve(const Conta& conta) {
  std::ostringstream out;
  out << "status " << conta.status;
  if (!conta.erro.empty()) out << " (" << conta.erro << ")";
  out << ", total " << conta.valores[CONTA_VR_TOTAL_CONTA] << ", packets " << conta.comandas.size()
      << " and " << conta.itens.size() << " bytes";
  return out.str();
}

std::string diferenca(const Conta& esperada, const Conta& obtida) {
  if (esperada.status != obtida.status || esperada.erro != obtida.erro) {
    return "expected " + descreve(esperada) + ", got " + descreve(obtida);
  }
  for (int i = 0; i < CONTA_ENTRY_COUNT; ++i) {
    if (std::memcmp(&esperada.valores[i], &obtida.valores[i], sizeof(double)) != 0) {
      std::ostringstream out;
      out.precision(17);
      out << "entry " << i << ": expected " << esperada.valores[i] << ", got " << obtida.valores[i];
      return out.str();
    }
  }
  if (esperada.comandas != obtida.comandas) return "the comanda packets differ";
  if (esperada.itens != obtida.itens) return "the item packets differ";
  return "";
}

std::vector<Pedido> mesasSeparadas(const history::Resumo& resumo) {
  std::vector<std::string> juntas;
  std::stringstream lista(resumo.comandas_juncao);
  for (std::string comanda; std::getline(lista, comanda, '_');)
    juntas.push_back(comanda);

  std::vector<Pedido> out;
  const std::size_t vendas =
      std::min<std::size_t>(resumo.vendas_abertas, resumo.comandas_abertas.size());
  for (std::size_t i = 0; i < vendas; ++i) {
    const std::string& comanda = resumo.comandas_abertas[i];
    if (std::find(juntas.begin(), juntas.end(), comanda) != juntas.end()) continue;
    Pedido pedido;
    pedido.comanda = comanda;
    switch (out.size() % 4) {
      case 0:
        pedido.tipo_conta = "2";
        break;
      case 1:
        pedido.tipo_conta = "1";
        break;
      case 2:
        pedido.tipo_conta = "2";
        pedido.consumacao = false;
        break;
      default:
        pedido.tipo_conta = "2";
        pedido.lugares = "0102";
        break;
    }
    out.push_back(pedido);
  }
  return out;
}

fs::path scratch(const std::string& name) {
  const fs::path dir = fs::path(CONTA_TEST_TMP) / "reliability" / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

ScratchEmMemoria::ScratchEmMemoria(const std::string& name) {
  std::error_code error;
  if (fs::is_directory("/dev/shm", error)) {
    path_ = fs::path("/dev/shm") / ("conta_reliability_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(path_, error);
    if (fs::create_directories(path_, error)) return;
  }
  path_ = scratch(name);
}

ScratchEmMemoria::~ScratchEmMemoria() {
  std::error_code error;
  fs::remove_all(path_, error);
}

history::Resumo lojaPequena(const fs::path& dir, const std::string& connection) {
  history::Opcoes opcoes;
  opcoes.dias = 2;
  opcoes.vendas_por_dia = 40;
  opcoes.semente = 11;
  opcoes.substituir = true;
  return history::gera(dir, connection, opcoes);
}

void usaLoja(const fs::path& dir, const std::string& connection) {
  conta_set_report_sink(contaRelato, nullptr);
  char* error = nullptr;
  ASSERT_EQ(conta_set_host_directory(dir.c_str(), &error), CONTA_OK) << error;
  ASSERT_EQ(conta_set_connection_string(connection.c_str(), &error), CONTA_OK) << error;
}

int relatosRecebidos() {
  return g_relatos.load(std::memory_order_relaxed);
}

EsquemaPostgreSql::EsquemaPostgreSql(const std::string& nome) {
  const char* admin = std::getenv("CONTA_TEST_POSTGRESQL");
  if (admin == nullptr || *admin == '\0') {
    skip_ = "set CONTA_TEST_POSTGRESQL to a libpq key=value string to run this on PostgreSQL";
    return;
  }
  admin_ = admin;
  schema_ = nome + "_" + std::to_string(::getpid());
  const std::string error =
      executa("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " + schema_);
  if (!error.empty()) {
    ADD_FAILURE() << "cannot make schema " << schema_ << ": " << error;
    schema_.clear();
    return;
  }
  conexao_ = admin_ + " options='-c search_path=" + schema_ + "'";
}

EsquemaPostgreSql::~EsquemaPostgreSql() {
  if (!schema_.empty()) executa("DROP SCHEMA " + schema_ + " CASCADE");
}

std::string EsquemaPostgreSql::executa(const std::string& sql) const {
  PGconn* connection = PQconnectdb(admin_.c_str());
  std::string out;
  if (PQstatus(connection) != CONNECTION_OK) {
    out = PQerrorMessage(connection);
  } else {
    PQsetNoticeProcessor(
        connection, [](void*, const char*) {}, nullptr);
    PGresult* result = PQexec(connection, sql.c_str());
    if (PQresultStatus(result) != PGRES_COMMAND_OK && PQresultStatus(result) != PGRES_TUPLES_OK) {
      out = PQerrorMessage(connection);
    }
    PQclear(result);
  }
  PQfinish(connection);
  return out;
}

}  // namespace conta::reliability
