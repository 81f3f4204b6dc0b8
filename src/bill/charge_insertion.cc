// The charge items (minimum consumption, cover) written into a comanda, as
// one row or as one unit per seat: in the bill's transaction, or in one of
// their own when called on their own.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "conta/error.h"
#include "frame/data_module.h"
#include "frame/transaction_scope.h"
#include "platform/clock.h"
#include "platform/text_encoding.h"
#include "support/consiste.h"
#include "support/xol_corvana.h"
#include "support/xol_proximocodigo.h"

namespace Srv_Xol41260 {
namespace {

using conta::text_encoding::narrow;
using conta::text_encoding::widen;

// A value read as a field's text: "" for null.
std::string texto(const conta::Variant& value) {
  return value.isNull() || value.isEmpty() ? std::string() : value.toText();
}

// The next-number service answers with a failure text in place of a number
// when it fails; such a text must never become an item number.
bool numeroDeItem(const std::string& text) {
  if (text.size() != 6) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// One charge item being written into one comanda: the keys it is written
// under and the rows it takes.
class InclusaoCobranca {
 public:
  InclusaoCobranca(TdtmFuncoesRev& dm, std::string filial, std::string venda, std::string comanda,
                   std::string produto, std::string loja, double preco)
      : dm_(dm),
        filial_(std::move(filial)),
        venda_(std::move(venda)),
        comanda_(std::move(comanda)),
        produto_(std::move(produto)),
        loja_(std::move(loja)),
        preco_(preco) {}

  // The store and, when it controls production, the product's sector there:
  // an item of a product with a sector goes to production (status "1").
  void leSetorDeProducao() {
    dm_.adqLoja.close();
    dm_.adqLoja.setParameter("P_CDFILIAL", conta::Variant(filial_));
    dm_.adqLoja.setParameter("P_CDLOJA", conta::Variant(loja_));
    dm_.adqLoja.open();
    controlaProducao_ = !dm_.adqLoja.eof() && texto(dm_.adqLoja.value("IDCONTROPROD")) == "S";
    if (!controlaProducao_) return;
    dm_.adqProdLoja.close();
    dm_.adqProdLoja.setParameter("P_CDFILIAL", conta::Variant(filial_));
    dm_.adqProdLoja.setParameter("P_CDLOJA", conta::Variant(loja_));
    dm_.adqProdLoja.setParameter("P_CDPRODUTO", conta::Variant(produto_));
    dm_.adqProdLoja.open();
  }

  // One row; its time read from the clock.
  void insere(const std::string& numero, double quantidade, const std::string& lugar,
              const std::string& caixa) {
    const bool emProducao = controlaProducao_ && !dm_.adqProdLoja.eof() &&
                            !texto(dm_.adqProdLoja.value("CDSETOR")).empty();
    conta::db::Query& insercao = dm_.adqInsProd;
    insercao.setParameter("P_CDFILIAL", conta::Variant(filial_));
    insercao.setParameter("P_NRVENDAREST", conta::Variant(venda_));
    insercao.setParameter("P_NRCOMANDA", conta::Variant(comanda_));
    insercao.setParameter("P_NRPRODCOMVEN", conta::Variant(numero));
    insercao.setParameter("P_CDPRODUTO", conta::Variant(produto_));
    insercao.setParameter("P_QTPRODCOMVEN", conta::Variant(quantidade));
    insercao.setParameter("P_VRPRECCOMVEN", conta::Variant(preco_));
    insercao.setParameter("P_TXPRODCOMVEN", conta::Variant(""));
    insercao.setParameter("P_IDSTPRCOMVEN", conta::Variant(emProducao ? "1" : "4"));
    insercao.setParameter("P_VRDESCCOMVEN", conta::Variant(0.0));
    insercao.setParameter("P_NRLUGARMESA", conta::Variant(lugar));
    insercao.setParameter("P_DTHRINCOMVEN", conta::Variant(conta::localNow()));
    insercao.setParameter("P_CDLOJA", conta::Variant(loja_));
    insercao.setParameter("P_VRACRCOMVEN", conta::Variant(0.0));
    insercao.setParameter("P_CDCAIXACOLETOR", conta::Variant(caixa));
    insercao.execSql();
  }

  // Whether the product sits on the seat, in any status.
  bool lugarTemProduto(const std::string& lugar) {
    conta::db::Query& consulta = daComanda(dm_.adqProdConsumaCouvert);
    consulta.setParameter("P_CDPRODUTO", conta::Variant(produto_));
    consulta.setParameter("P_NRLUGARMESA", conta::Variant(lugar));
    consulta.open();
    return !consulta.eof();
  }

  // The seats of the comanda in use. An item without a seat names no seat
  // to fill: a unit "on" it would never be found again, and every bill would
  // add another.
  std::vector<std::string> lugaresOcupados() {
    conta::db::Query& consulta = daComanda(dm_.adqLugarOcupado);
    consulta.open();
    std::vector<std::string> lugares;
    for (consulta.first(); !consulta.eof(); consulta.next()) {
      std::string lugar = texto(consulta.value("NRLUGARMESA"));
      if (!lugar.empty()) lugares.push_back(std::move(lugar));
    }
    return lugares;
  }

  // How many rows of the product the comanda holds.
  std::int64_t unidadesNaComanda() {
    conta::db::Query& consulta = daComanda(dm_.adqVerifConsumaCouvert);
    consulta.setParameter("P_CDPRODUTO", conta::Variant(produto_));
    consulta.open();
    return consulta.value("QTDECONSUMCOUVER").toInteger();
  }

 private:
  // A query of the comanda's rows, closed and given the comanda's keys.
  conta::db::Query& daComanda(conta::db::Query& consulta) {
    consulta.close();
    consulta.setParameter("P_CDFILIAL", conta::Variant(filial_));
    consulta.setParameter("P_NRVENDAREST", conta::Variant(venda_));
    consulta.setParameter("P_NRCOMANDA", conta::Variant(comanda_));
    return consulta;
  }

  TdtmFuncoesRev& dm_;
  const std::string filial_;
  const std::string venda_;
  const std::string comanda_;
  const std::string produto_;
  const std::string loja_;
  const double preco_;
  bool controlaProducao_ = false;
};

}  // namespace

std::wstring TdtmFuncoesRev::PrxItemComanda(const std::wstring& CDFILIAL,
                                            const std::wstring& NRCOMANDA, int n) {
  ModuleLock lock;
  try {
    // Made for this request and freed after it, whatever happens.
    auto servico = std::make_unique<Xol_proximocodigo::TdtmXolProxCodigo>(adcFuncoesRev);
    return widen(servico->PrxItemComanda(narrow(CDFILIAL), narrow(NRCOMANDA), n));
  } catch (...) {
    return widen(Xol_corvana::ADOExceptionMessage(std::current_exception(), adcFuncoesRev, ""));
  }
}

conta::Variant TdtmFuncoesRev::setIncluiConsumaCouvert(
    const std::wstring& CDFILIAL, const std::wstring& NRVENDAREST, const std::wstring& NRCOMANDA,
    const std::wstring& CDPRODUTO, double QTPRODCOMVEN, const std::wstring& CDLOJA,
    double VRPRECCOMVEN, const std::wstring&) {
  ModuleLock lock;
  // The statements take the comanda's first 10 characters (its width); the
  // next-number service gets the whole text.
  const std::string comanda = conta::text_encoding::firstCharacters(narrow(NRCOMANDA), 10);
  const std::string& caixa = ParametrosLoja.CDCAIXA;
  const bool porLugar = PrefixoComanda == "RES" && ParametrosLoja.IDLUGARMESA == "S";
  InclusaoCobranca inclusao(*this, narrow(CDFILIAL), narrow(NRVENDAREST), comanda,
                            narrow(CDPRODUTO), narrow(CDLOJA), VRPRECCOMVEN);
  auto numeroValido = [&](std::string numero) {
    if (!numeroDeItem(numero)) {
      throw conta::Error("A comanda " + comanda + " não recebeu número de item: " + numero);
    }
    return numero;
  };
  auto proximoNumero = [&] { return numeroValido(narrow(PrxItemComanda(CDFILIAL, NRCOMANDA, 1))); };
  try {
    // The single row's number is taken before the transaction; it is checked
    // only where a single row is written.
    const std::string primeiroNumero = narrow(PrxItemComanda(CDFILIAL, NRCOMANDA, 1));
    // Inside a bill the bill's transaction holds the rows (a failure here
    // fails the bill, which undoes it all); on its own the insertion has a
    // transaction of its own, undone on any failure.
    TransactionScope transacao(adcFuncoesRev);
    inclusao.leSetorDeProducao();
    if (porLugar) {
      // One unit per seat at a reserved table of a store that bills by
      // seat: on every seat in use that lacks the product, then on seats 1
      // to the quantity, from the highest, unless the comanda holds as many
      // units as asked.
      for (const std::string& lugar : inclusao.lugaresOcupados()) {
        if (!inclusao.lugarTemProduto(lugar)) inclusao.insere(proximoNumero(), 1, lugar, caixa);
      }
      if (static_cast<double>(inclusao.unidadesNaComanda()) != QTPRODCOMVEN) {
        for (double n = QTPRODCOMVEN; n > 0; n -= 1) {
          const std::string lugar = Consiste::Ajusta(conta::Variant(n).toText(), 2);
          if (!inclusao.lugarTemProduto(lugar)) inclusao.insere(proximoNumero(), 1, lugar, caixa);
        }
      }
    } else {
      // One row with the whole quantity on seat one.
      inclusao.insere(numeroValido(primeiroNumero), QTPRODCOMVEN, "01", caixa);
    }
    transacao.commit();
    return conta::Variant("");
  } catch (...) {
    // Nothing of the call remains; the answer is the failure's text.
    return conta::Variant(
        Xol_corvana::ADOExceptionMessage(std::current_exception(), adcFuncoesRev, ""));
  }
}

}  // namespace Srv_Xol41260
