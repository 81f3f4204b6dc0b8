#include "bill/bill_explanation.h"

#include <map>
#include <nlohmann/json.hpp>
#include <vector>

#include "support/xol_corvana.h"

namespace Srv_Xol41260 {
namespace {

using Json = nlohmann::ordered_json;

std::string texto(const conta::DataPacket& packet, const conta::PacketRow& row, const char* name) {
  const auto index = packet.fieldIndex(name);
  if (!index || *index >= row.values.size()) return {};
  const conta::Variant& value = row.values[*index];
  return value.isNull() || value.isEmpty() ? std::string() : value.toText();
}

double numero(const conta::DataPacket& packet, const conta::PacketRow& row, const char* name) {
  const auto index = packet.fieldIndex(name);
  if (!index || *index >= row.values.size()) return 0;
  return row.values[*index].tryDouble().value_or(0);
}

Json motivo(MotivoSemCobranca m) {
  if (m == MotivoSemCobranca::Nenhum) return nullptr;
  return Json{{"codigo", codigoMotivo(m)}, {"texto", textoMotivo(m)}};
}

// An item as the bill counts it: its product cut to cents.
Json item(const conta::DataPacket& itens, const conta::PacketRow& row) {
  const double quantidade = numero(itens, row, "QTPRODCOMVEN");
  const double preco = numero(itens, row, "VRPRECCOMVEN");
  return Json{{"produto", texto(itens, row, "CDPRODUTO")},
              {"nome", texto(itens, row, "NMPRODUTO")},
              {"quantidade", quantidade},
              {"preco", preco},
              {"valor", Xol_corvana::Trunc2(preco * quantidade)},
              {"desconto", numero(itens, row, "VRDESCCOMVEN")},
              {"acrescimo", numero(itens, row, "VRACRCOMVEN")}};
}

// The comandas with their items by seat, in the bill's order, then the
// items of comandas the bill does not list.
Json comandasComItens(const conta::DataPacket& comandas, const conta::DataPacket& itens) {
  std::map<std::string, std::map<std::string, std::vector<const conta::PacketRow*>>> porComanda;
  for (const auto& row : itens.rows)
    porComanda[texto(itens, row, "NRCOMANDA")][texto(itens, row, "NRLUGARMESA")].push_back(&row);
  auto lugares = [&](const std::map<std::string, std::vector<const conta::PacketRow*>>& seats) {
    Json out = Json::array();
    for (const auto& [lugar, rows] : seats) {
      Json linhas = Json::array();
      for (const conta::PacketRow* row : rows)
        linhas.push_back(item(itens, *row));
      out.push_back(Json{{"lugar", lugar}, {"itens", std::move(linhas)}});
    }
    return out;
  };
  Json out = Json::array();
  for (const auto& row : comandas.rows) {
    const std::string numeroComanda = texto(comandas, row, "NRCOMANDA");
    Json comanda{{"numero", numeroComanda}, {"descricao", texto(comandas, row, "DSCOMANDA")}};
    const auto achada = porComanda.find(numeroComanda);
    comanda["lugares"] = achada == porComanda.end() ? Json::array() : lugares(achada->second);
    if (achada != porComanda.end()) porComanda.erase(achada);
    out.push_back(std::move(comanda));
  }
  for (const auto& [numeroComanda, seats] : porComanda) {
    out.push_back(Json{{"numero", numeroComanda}, {"descricao", ""}, {"lugares", lugares(seats)}});
  }
  return out;
}

}  // namespace

const char* codigoMotivo(MotivoSemCobranca motivo) {
  switch (motivo) {
    case MotivoSemCobranca::Nenhum:
      return "";
    case MotivoSemCobranca::NaoPedida:
      return "nao_pedida";
    case MotivoSemCobranca::DesligadaNaComanda:
      return "desligada_na_comanda";
    case MotivoSemCobranca::LojaNaoCobra:
      return "loja_nao_cobra";
    case MotivoSemCobranca::SemRegraDeDescontos:
      return "sem_regra_de_descontos";
    case MotivoSemCobranca::ComandaDeReserva:
      return "comanda_de_reserva";
    case MotivoSemCobranca::MinimoAtingido:
      return "minimo_atingido";
    case MotivoSemCobranca::SemPessoas:
      return "sem_pessoas";
    case MotivoSemCobranca::CouvertDesligadoNaLoja:
      return "couvert_desligado_na_loja";
  }
  return "";
}

const char* textoMotivo(MotivoSemCobranca motivo) {
  switch (motivo) {
    case MotivoSemCobranca::Nenhum:
      return "";
    case MotivoSemCobranca::NaoPedida:
      return "não pedida nesta conta";
    case MotivoSemCobranca::DesligadaNaComanda:
      return "desligada na comanda";
    case MotivoSemCobranca::LojaNaoCobra:
      return "a loja não cobra taxa de serviço";
    case MotivoSemCobranca::SemRegraDeDescontos:
      return "nenhuma regra para os descontos da loja (IDCONSDESCTXSERV, IDCONDESCTXSERV)";
    case MotivoSemCobranca::ComandaDeReserva:
      return "comanda de reserva (RES)";
    case MotivoSemCobranca::MinimoAtingido:
      return "mínimo atingido";
    case MotivoSemCobranca::SemPessoas:
      return "nenhuma pessoa na conta";
    case MotivoSemCobranca::CouvertDesligadoNaLoja:
      return "couvert artístico desligado na loja";
  }
  return "";
}

std::string ExplicacaoJson(const ValoresConta& v, const conta::DataPacket& comandas,
                           const conta::DataPacket& itens) {
  const ExplicacaoTaxa& taxa = v.Explicacao.taxa;
  const ExplicacaoConsumacao& consumacao = v.Explicacao.consumacao;
  const ExplicacaoCouvert& couvert = v.Explicacao.couvert;
  Json out;
  out["pessoas"] = v.QtdePessoas;
  out["comandas"] = comandasComItens(comandas, itens);
  out["itens"] = Json{{"total", v.VrTotalItens},
                      {"descontos", v.VrTotalDesconto},
                      {"descontos_manuais", v.VrDescontoManual}};
  out["taxa_servico"] = Json{{"regra", taxa.regra},
                             {"percentual", taxa.percentual},
                             {"itens_com_taxa", taxa.itensComTaxa},
                             {"descontos_somados", taxa.descontosSomados},
                             {"descontos_que_nao_reduzem", taxa.quaisDescontos},
                             {"base", taxa.base},
                             {"calculada", taxa.calculada},
                             {"valor", v.VrTaxaServico},
                             {"motivo", motivo(taxa.motivo)}};
  out["consumacao_minima"] =
      Json{{"pessoas", consumacao.pessoas}, {"preco", consumacao.preco},
           {"minimo", consumacao.minimo},   {"consumido", consumacao.consumido},
           {"valor", v.VrConsumacao},       {"motivo", motivo(consumacao.motivo)}};
  out["couvert"] = Json{{"por_lugar", couvert.porLugar}, {"unidades", couvert.unidades},
                        {"preco", couvert.preco},        {"lugares", couvert.lugares},
                        {"valor", v.VrCouvert},          {"motivo", motivo(couvert.motivo)}};
  out["acrescimo_comandas"] = v.VrAcrescimoComandas;
  out["total"] = v.VrTotalConta;
  // Texts from the store that are not UTF-8 are shown with a replacement
  // character rather than failing the bill.
  return out.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace Srv_Xol41260
