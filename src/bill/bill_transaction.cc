#include "bill/bill_transaction.h"

#include <chrono>
#include <cmath>
#include <exception>

#include "conta/error.h"
#include "platform/db/database_error.h"
#include "support/mensagemxol.h"
#include "support/xol_corvana.h"

namespace Srv_Xol41260 {
namespace {

const char* const kUnit = "Srv_Xol41260";

// A lock another connection held for longer than the engine's lock wait.
bool esperaEsgotada(const conta::db::DatabaseError& error) {
  const std::string& sqlstate = error.sqlstate();
  const long codigo = error.nativeCode();
  return sqlstate == "55P03"                               // PostgreSQL: lock_timeout
         || (sqlstate == "40001" && (codigo & 0xFF) == 5)  // SQLite: busy after its timeout
         || codigo == 1222                                 // MS SQL Server: lock request time out
         || codigo == 30006 || codigo == 54;               // Oracle: WAIT expired, resource busy
}

// Runs one step of the transaction's control as the module runs its
// operations: a failure is reported under the step's name and raised; a
// wait for another bill of the branch that ran out becomes the operator's
// text.
template <class Passo>
void executa(TdtmFuncoesRev& dm, const std::string& filial, const char* operacao, Passo&& passo) {
  const auto inicio = std::chrono::steady_clock::now();
  conta::Variant envelope;
  try {
    passo();
  } catch (const conta::db::DatabaseError& e) {
    if (esperaEsgotada(e)) {
      const auto esperou = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio);
      throw conta::Error("A conta esperou " + std::to_string(std::lround(esperou.count())) +
                         " s por outra conta da filial " + filial +
                         " que ainda não terminou, e não foi calculada; nada foi gravado. Tente de "
                         "novo.");
    }
    envelope = conta::Variant(
        Xol_corvana::ADOExceptionMessage(std::current_exception(), dm.adcFuncoesRev, ""));
  } catch (...) {
    envelope = conta::Variant(
        Xol_corvana::ADOExceptionMessage(std::current_exception(), dm.adcFuncoesRev, ""));
  }
  Mensagemxol::MensagemMetodo(envelope, true, 0, operacao, kUnit, filial, "");
}

}  // namespace

TransacaoConta::TransacaoConta(TdtmFuncoesRev& dm, const std::string& filial, bool previa)
    : dm_(dm), filial_(filial) {
  if (!dm_.ContaEmUmaTransacao) {
    if (previa) throw conta::Error("A prévia da conta precisa da transação da conta.");
    return;
  }
  propria_ = !dm_.adcFuncoesRev.inTransaction();
  if (!propria_ && previa) {
    throw conta::Error(
        "Há uma transação aberta na conexão do módulo: a prévia da conta desfaria também o que ela "
        "gravou. Termine a transação antes da prévia.");
  }
  if (propria_) executa(dm_, filial_, "StartTrans", [&] { dm_.adcFuncoesRev.beginTransaction(); });
  aberta_ = true;
  if (!dm_.BloqueiaContas) {
    dm_.ContaEmTransacao = true;
    return;
  }
  bool filialCadastrada = false;
  try {
    executa(dm_, filial_, "bloqueiaFilial", [&] {
      conta::db::Query& bloqueio = dm_.adqBloqueiaFilial;
      bloqueio.close();
      bloqueio.setParameter("P_CDFILIAL", conta::Variant(filial_));
      bloqueio.open();
      filialCadastrada = !bloqueio.eof();
      bloqueio.close();
    });
  } catch (...) {
    termina(false);
    throw;
  }
  if (!filialCadastrada) {
    termina(false);
    throw conta::Error("A filial " + filial_ +
                       " não está cadastrada na tabela FILIAL do banco da loja: sem ela as contas "
                       "da filial não podem esperar umas pelas outras, e a conta não foi "
                       "calculada.");
  }
  dm_.ContaEmTransacao = true;
}

TransacaoConta::~TransacaoConta() {
  if (!aberta_) return;
  try {
    termina(false);
  } catch (...) {
    // The failure that ended the bill is the one that matters.
  }
}

void TransacaoConta::confirma() {
  termina(true);
}

void TransacaoConta::desfaz() {
  termina(false);
}

void TransacaoConta::termina(bool confirmar) {
  dm_.ContaEmTransacao = false;
  if (!aberta_) return;
  aberta_ = false;
  // The host's own transaction is the host's to end.
  if (!propria_) return;
  if (!confirmar) {
    executa(dm_, filial_, "RollbackTrans", [&] { dm_.RollbackTrans(); });
    return;
  }
  try {
    executa(dm_, filial_, "CommitTrans", [&] { dm_.CommitTrans(); });
  } catch (...) {
    // A commit that failed may leave the transaction open: it goes.
    try {
      dm_.RollbackTrans();
    } catch (...) {
    }
    throw;
  }
}

}  // namespace Srv_Xol41260
