#include "bill/bill_transaction.h"

#include <chrono>
#include <cmath>
#include <exception>

#include "bill/operation_report.h"
#include "conta/error.h"
#include "platform/db/database_error.h"
#include "support/xol_corvana.h"

namespace Srv_Xol41260 {
namespace {

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
  ConfereOperacao(envelope, operacao, filial);
}

}  // namespace

TransacaoConta::TransacaoConta(TdtmFuncoesRev& dm, const std::string& filial, bool previa)
    : dm_(dm), filial_(filial) {
  if (!dm_.ContaEmUmaTransacao) {
    if (previa) throw conta::Error("A prévia da conta precisa da transação da conta.");
    return;
  }
  if (previa && dm_.adcFuncoesRev.inTransaction()) {
    throw conta::Error(
        "Há uma transação aberta na conexão do módulo: a prévia da conta desfaria também o que ela "
        "gravou. Termine a transação antes da prévia.");
  }
  executa(dm_, filial_, "StartTrans", [&] { transacao_.emplace(dm_.adcFuncoesRev); });
  // From here a failure leaves the constructor through transacao_'s
  // destructor, which rolls back what it began.
  if (dm_.BloqueiaContas && !bloqueiaFilial()) {
    throw conta::Error("A filial " + filial_ +
                       " não está cadastrada na tabela FILIAL do banco da loja: sem ela as contas "
                       "da filial não podem esperar umas pelas outras, e a conta não foi "
                       "calculada.");
  }
  dm_.ContaEmTransacao = true;
}

bool TransacaoConta::bloqueiaFilial() {
  bool filialCadastrada = false;
  executa(dm_, filial_, "bloqueiaFilial", [&] {
    conta::db::Query& bloqueio = dm_.adqBloqueiaFilial;
    bloqueio.close();
    bloqueio.setParameter("P_CDFILIAL", conta::Variant(filial_));
    bloqueio.open();
    filialCadastrada = !bloqueio.eof();
    bloqueio.close();
  });
  return filialCadastrada;
}

TransacaoConta::~TransacaoConta() {
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
  if (!transacao_) return;
  // A commit that fails leaves the transaction to transacao_, which rolls
  // it back when the bill unwinds; the host's own transaction is the host's
  // to end.
  if (confirmar) {
    executa(dm_, filial_, "CommitTrans", [&] { transacao_->commit(); });
  } else {
    executa(dm_, filial_, "RollbackTrans", [&] { transacao_->rollback(); });
  }
  transacao_.reset();
}

}  // namespace Srv_Xol41260
