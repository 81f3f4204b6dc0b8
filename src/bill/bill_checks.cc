#include "bill/bill_checks.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "bill/operation_report.h"
#include "conta/error.h"
#include "data/envelope.h"
#include "platform/text_encoding.h"

namespace Srv_Xol41260 {
namespace {

// The longest comanda number the store's indexes hold (varchar(10)).
constexpr std::size_t kMaiorNumeroComanda = 10;

std::string texto(conta::ClientDataSet& dataset, const char* campo) {
  auto field = dataset.findField(campo);
  return field ? field->asString() : std::string();
}

// Every float field of the current record: finite or NULL.
void confereRegistro(conta::ClientDataSet& dataset, const std::string& onde,
                     const char* (*tabela)(const std::string& campo)) {
  for (const conta::Field& field : dataset.fields()) {
    if (field.type != conta::FieldType::Float) continue;
    const conta::Variant value = dataset.fieldByName(field.name).value();
    if (value.isNull() || value.isEmpty()) continue;
    const auto number = value.tryDouble();
    if (number && std::isfinite(*number)) continue;
    throw conta::Error(onde + " tem em " + tabela(field.name) + "." + field.name + " o valor " +
                       value.toText() + ", que não é um número finito: a conta não foi calculada.");
  }
}

}  // namespace

void ConfereNumerosDosItens(TdtmFuncoesRev& dm, const std::string& lista) {
  if (dm.adcFuncoesRev.dialect() != conta::db::Dialect::Sqlite) return;
  const std::string& filial = dm.ParametrosLoja.CDFILIAL;
  std::string achado;
  ConfereOperacao(
      conta::data::envelope(dm.adcFuncoesRev,
                            [&] {
                              conta::db::Query& query = dm.adqConfereNumeros;
                              query.close();
                              query.setParameter("P_CDFILIAL", conta::Variant(filial));
                              query.setParameter("P_NRCOMANDA", conta::Variant(lista));
                              query.open();
                              query.first();
                              if (!query.eof()) {
                                achado = "O item " + query.value("NRPRODCOMVEN").toText() +
                                         " da comanda " + query.value("NRCOMANDA").toText() +
                                         " (venda " + query.value("NRVENDAREST").toText() +
                                         ") tem em ITCOMANDAVEN." + query.value("COLUNA").toText() +
                                         " o valor " + query.value("VALOR").toText();
                              }
                              query.close();
                              return conta::Variant();
                            }),
      "confereNumeros", Contexto({filial, lista}));
  if (!achado.empty()) {
    throw conta::Error(achado + ", que não é um número: a conta não foi calculada.");
  }
}

std::string SemComandas(const std::string& lista, const std::string& filial) {
  std::string erro =
      "Nenhuma comanda aberta na lista de comandas '" + lista + "' da filial " + filial + ".";
  std::size_t inicio = 0;
  while (inicio <= lista.size()) {
    const std::size_t fim = std::min(lista.find('_', inicio), lista.size());
    const std::string numero = lista.substr(inicio, fim - inicio);
    const std::size_t caracteres = conta::text_encoding::characterCount(numero);
    if (caracteres > kMaiorNumeroComanda) {
      return erro + " O número " + numero + " tem " + std::to_string(caracteres) +
             " caracteres; o banco da loja guarda números de comanda de até " +
             std::to_string(kMaiorNumeroComanda) + ".";
    }
    inicio = fim + 1;
  }
  return erro;
}

void ConfereComandas(conta::ClientDataSet& comandas) {
  for (comandas.first(); !comandas.eof(); comandas.next()) {
    const std::string numero = texto(comandas, "NRCOMANDA");
    const std::string onde =
        "A comanda " + numero + " (venda " + texto(comandas, "NRVENDAREST") + ")";
    if (conta::text_encoding::characterCount(numero) > kMaiorNumeroComanda) {
      throw conta::Error(
          onde + " tem " + std::to_string(conta::text_encoding::characterCount(numero)) +
          " caracteres em COMANDAVEN.NRCOMANDA; o banco da loja guarda números de comanda de até " +
          std::to_string(kMaiorNumeroComanda) + ", e a conta não foi calculada.");
    }
    confereRegistro(comandas, onde, [](const std::string& campo) {
      return campo == "NRPESMESAVEN" ? "VENDAREST" : "COMANDAVEN";
    });
    const double pessoas = comandas.fieldByName("NRPESMESAVEN").asFloat();
    if (pessoas < 0) {
      throw conta::Error(onde + " tem em VENDAREST.NRPESMESAVEN " +
                         comandas.fieldByName("NRPESMESAVEN").value().toText() +
                         " pessoas, menos que nenhuma: a conta não foi calculada.");
    }
  }
  comandas.first();
}

void ConfereItens(conta::ClientDataSet& itens) {
  for (itens.first(); !itens.eof(); itens.next()) {
    const std::string onde = "O item " + texto(itens, "NRPRODCOMVEN") + " da comanda " +
                             texto(itens, "NRCOMANDA") + " (venda " + texto(itens, "NRVENDAREST") +
                             ")";
    confereRegistro(itens, onde, [](const std::string& campo) {
      return campo == "VRPERCCOMISVEND" ? "VENDEDOR" : "ITCOMANDAVEN";
    });
  }
  itens.first();
}

void ConfereFiguras(const ValoresConta& v) {
  const std::pair<const char*, double> figuras[] = {{"VrTotalItens", v.VrTotalItens},
                                                    {"VrBaseTaxa", v.VrBaseTaxa},
                                                    {"VrComissaoGarcom", v.VrComissaoGarcom},
                                                    {"VrCouvertItens", v.VrCouvertItens},
                                                    {"VrTaxaServico", v.VrTaxaServico},
                                                    {"VrTaxaCalculada", v.VrTaxaCalculada},
                                                    {"VrConsumacao", v.VrConsumacao},
                                                    {"VrCouvert", v.VrCouvert},
                                                    {"VrTotalConta", v.VrTotalConta},
                                                    {"VrTotalDesconto", v.VrTotalDesconto},
                                                    {"VrDescontoManual", v.VrDescontoManual},
                                                    {"VrAcrescimoComandas", v.VrAcrescimoComandas},
                                                    {"QtdePessoas", v.QtdePessoas}};
  for (const auto& [nome, valor] : figuras) {
    if (std::isfinite(valor)) continue;
    throw conta::Error("A conta de " + v.ListaComandas + " dá " + nome + " = " +
                       conta::Variant(valor).toText() +
                       ", além do que um valor da conta pode ter: confira as quantidades e os "
                       "preços dos itens. A conta não foi calculada.");
  }
}

}  // namespace Srv_Xol41260
