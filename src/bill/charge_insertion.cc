// The charge items (minimum consumption, cover) written into a comanda: in a
// transaction of their own, as one row or as one unit per seat.
#include <memory>

#include "conta/error.h"
#include "frame/data_module.h"
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

}  // namespace

std::wstring TdtmFuncoesRev::PrxItemComanda(const std::wstring& CDFILIAL,
                                            const std::wstring& NRCOMANDA, int n) {
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
  std::lock_guard lock(moduleMutex());
  const std::string filial = narrow(CDFILIAL);
  const std::string venda = narrow(NRVENDAREST);
  // The statements take the comanda's first 10 characters (its width); the
  // next-number service gets the whole text.
  const std::string comanda = conta::text_encoding::firstCharacters(narrow(NRCOMANDA), 10);
  const std::string produto = narrow(CDPRODUTO);
  const std::string loja = narrow(CDLOJA);
  const bool daConta = ContaEmTransacao;
  try {
    auto numeroValido = [&](std::string numero) {
      if (!numeroDeItem(numero)) {
        throw conta::Error("A comanda " + comanda + " não recebeu número de item: " + numero);
      }
      return numero;
    };
    auto proximoNumero = [&] {
      return numeroValido(narrow(PrxItemComanda(CDFILIAL, NRCOMANDA, 1)));
    };

    // 1. The single row's number, taken before the transaction; it is
    // checked only where a single row is written.
    const std::string n0 = narrow(PrxItemComanda(CDFILIAL, NRCOMANDA, 1));

    // 2. A transaction of its own, or the caller's. Inside a bill the
    // bill's transaction holds the rows: a failure here fails the bill, which
    // rolls everything back, and only the bill ends its transaction.
    if (!daConta) StartTrans();

    // 3-4. The store and, when it controls production, the product's sector.
    adqLoja.close();
    adqLoja.setParameter("P_CDFILIAL", conta::Variant(filial));
    adqLoja.setParameter("P_CDLOJA", conta::Variant(loja));
    adqLoja.open();
    const bool controlaProducao = !adqLoja.eof() && texto(adqLoja.value("IDCONTROPROD")) == "S";
    if (controlaProducao) {
      adqProdLoja.close();
      adqProdLoja.setParameter("P_CDFILIAL", conta::Variant(filial));
      adqProdLoja.setParameter("P_CDLOJA", conta::Variant(loja));
      adqProdLoja.setParameter("P_CDPRODUTO", conta::Variant(produto));
      adqProdLoja.open();
    }

    // One row; its status is decided anew, its time read from the clock.
    auto insere = [&](const std::string& numero, double quantidade, const std::string& lugar) {
      const bool emProducao =
          controlaProducao && !adqProdLoja.eof() && !texto(adqProdLoja.value("CDSETOR")).empty();
      adqInsProd.setParameter("P_CDFILIAL", conta::Variant(filial));
      adqInsProd.setParameter("P_NRVENDAREST", conta::Variant(venda));
      adqInsProd.setParameter("P_NRCOMANDA", conta::Variant(comanda));
      adqInsProd.setParameter("P_NRPRODCOMVEN", conta::Variant(numero));
      adqInsProd.setParameter("P_CDPRODUTO", conta::Variant(produto));
      adqInsProd.setParameter("P_QTPRODCOMVEN", conta::Variant(quantidade));
      adqInsProd.setParameter("P_VRPRECCOMVEN", conta::Variant(VRPRECCOMVEN));
      adqInsProd.setParameter("P_TXPRODCOMVEN", conta::Variant(""));
      adqInsProd.setParameter("P_IDSTPRCOMVEN", conta::Variant(emProducao ? "1" : "4"));
      adqInsProd.setParameter("P_VRDESCCOMVEN", conta::Variant(0.0));
      adqInsProd.setParameter("P_NRLUGARMESA", conta::Variant(lugar));
      adqInsProd.setParameter("P_DTHRINCOMVEN", conta::Variant(conta::localNow()));
      adqInsProd.setParameter("P_CDLOJA", conta::Variant(loja));
      adqInsProd.setParameter("P_VRACRCOMVEN", conta::Variant(0.0));
      adqInsProd.setParameter("P_CDCAIXACOLETOR", conta::Variant(ParametrosLoja.CDCAIXA));
      adqInsProd.execSql();
    };

    // Whether the product sits on a seat, in any status.
    auto lugarTemProduto = [&](const std::string& lugar) {
      adqProdConsumaCouvert.close();
      adqProdConsumaCouvert.setParameter("P_CDFILIAL", conta::Variant(filial));
      adqProdConsumaCouvert.setParameter("P_NRVENDAREST", conta::Variant(venda));
      adqProdConsumaCouvert.setParameter("P_NRCOMANDA", conta::Variant(comanda));
      adqProdConsumaCouvert.setParameter("P_CDPRODUTO", conta::Variant(produto));
      adqProdConsumaCouvert.setParameter("P_NRLUGARMESA", conta::Variant(lugar));
      adqProdConsumaCouvert.open();
      return !adqProdConsumaCouvert.eof();
    };

    // 5. One unit per seat for a reserved comanda of a store that bills by
    // seat; one row otherwise.
    if (PrefixoComanda == "RES" && ParametrosLoja.IDLUGARMESA == "S") {
      // 7.1 The seats in use, each that lacks the product. An item without
      // a seat names no seat to fill: a unit "on" it would never be found
      // again, and every bill would add another.
      adqLugarOcupado.close();
      adqLugarOcupado.setParameter("P_CDFILIAL", conta::Variant(filial));
      adqLugarOcupado.setParameter("P_NRVENDAREST", conta::Variant(venda));
      adqLugarOcupado.setParameter("P_NRCOMANDA", conta::Variant(comanda));
      adqLugarOcupado.open();
      for (adqLugarOcupado.first(); !adqLugarOcupado.eof(); adqLugarOcupado.next()) {
        const std::string lugar = texto(adqLugarOcupado.value("NRLUGARMESA"));
        if (lugar.empty()) continue;
        if (!lugarTemProduto(lugar)) insere(proximoNumero(), 1, lugar);
      }

      // 7.2 Seats 1 to the quantity, from the highest, each that lacks it,
      // unless the comanda holds as many units as asked.
      adqVerifConsumaCouvert.close();
      adqVerifConsumaCouvert.setParameter("P_CDFILIAL", conta::Variant(filial));
      adqVerifConsumaCouvert.setParameter("P_NRVENDAREST", conta::Variant(venda));
      adqVerifConsumaCouvert.setParameter("P_NRCOMANDA", conta::Variant(comanda));
      adqVerifConsumaCouvert.setParameter("P_CDPRODUTO", conta::Variant(produto));
      adqVerifConsumaCouvert.open();
      const std::int64_t contagem = adqVerifConsumaCouvert.value("QTDECONSUMCOUVER").toInteger();
      if (static_cast<double>(contagem) != QTPRODCOMVEN) {
        for (double n = QTPRODCOMVEN; n > 0; n -= 1) {
          const std::string lugar = Consiste::Ajusta(conta::Variant(n).toText(), 2);
          if (!lugarTemProduto(lugar)) insere(proximoNumero(), 1, lugar);
        }
      }
    } else {
      // 6. One row with the whole quantity on seat one.
      insere(numeroValido(n0), QTPRODCOMVEN, "01");
    }

    // 8.
    if (!daConta) CommitTrans();
    return conta::Variant("");
  } catch (...) {
    // Nothing of the call remains; the answer is the failure's text.
    std::exception_ptr failure = std::current_exception();
    try {
      if (!daConta) RollbackTrans();
    } catch (...) {
      // The failure that matters is the first one.
    }
    return conta::Variant(Xol_corvana::ADOExceptionMessage(failure, adcFuncoesRev, ""));
  }
}

}  // namespace Srv_Xol41260
