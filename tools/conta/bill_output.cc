#include "bill_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"

namespace conta::cli {
namespace {

using Json = nlohmann::ordered_json;

// The names of the entries, in index order.
const char* const kEntryNames[CONTA_ENTRY_COUNT] = {
    "VrConsumacao", "VrTotalConta",  "VrTotalItens",        "VrBaseTaxa",       "VrPrecoConsumacao",
    "VrCouvert",    "VrTaxaServico", "VrAcrescimoComandas", "VrTotalDesconto",  "Comandas",
    "Itens",        "QtdePessoas",   "VrTaxaCalculada",     "VrDescontoManual",
};

DataPacket packetOf(const conta_packet& packet) {
  return decodeBinaryPacket(
      std::string_view(reinterpret_cast<const char*>(packet.data), packet.size), "bill");
}

// A value with `decimals` decimals and a decimal comma, whatever its size:
// "%.2f" of 1e300 takes more than 300 characters. A value that is no number
// (a bill never carries one) says so instead of printing "nan".
std::string decimal(double value, int decimals, bool grouped) {
  if (!std::isfinite(value)) return std::isnan(value) ? "(não é número)" : "(infinito)";
  // The largest double has 309 digits before the point.
  char buffer[320 + 16];
  std::snprintf(buffer, sizeof buffer, "%.*f", std::min(decimals, 15), std::fabs(value));
  const std::string digits(buffer);
  const std::size_t point = digits.find('.');
  const std::string whole = digits.substr(0, point);
  std::string out;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (grouped && i > 0 && (whole.size() - i) % 3 == 0) out += '.';
    out += whole[i];
  }
  if (point != std::string::npos) out += "," + digits.substr(point + 1);
  // A value that rounds to zero shows no sign.
  const bool zero = out.find_first_not_of("0.,") == std::string::npos;
  return (value < 0 && !zero ? "-" : "") + out;
}

// 1234.5 → "1.234,50"
std::string money(double value) {
  return decimal(value, 2, true);
}

// 0.482 → "0,482"
std::string quantity(double value) {
  return decimal(value, 3, false);
}

std::string padRight(std::string text, std::size_t width) {
  // Width in characters, not bytes.
  std::size_t characters = 0;
  for (unsigned char c : text)
    characters += (c & 0xC0) != 0x80;
  if (characters < width) text.append(width - characters, ' ');
  return text;
}

// Right-aligned in `width`; a text as wide or wider keeps a blank before it,
// so that it never runs into what stands to its left.
std::string padLeft(const std::string& text, std::size_t width) {
  return text.size() < width ? std::string(width - text.size(), ' ') + text : " " + text;
}

// 8 → "8", 2.5 → "2,5": a count of persons or units.
std::string count(double value) {
  char text[48];
  std::snprintf(text, sizeof text, "%g", value);
  std::string out(text);
  if (auto dot = out.find('.'); dot != std::string::npos) out[dot] = ',';
  return out;
}

// 10 → "10%", 12.5 → "12,5%"
std::string percent(double value) {
  return count(value) + "%";
}

double valor(const Json& object, const char* name) {
  return object.at(name).get<double>();
}

// The words of a reason a charge was not billed, in the gender of the
// charge's name ("a taxa" não pedida, "o couvert" não pedido).
std::string motivo(const Json& por, bool masculino) {
  const std::string codigo = por.at("codigo").get<std::string>();
  if (codigo == "nao_pedida")
    return masculino ? "não pedido nesta conta" : "não pedida nesta conta";
  if (codigo == "desligada_na_comanda") {
    return masculino ? "desligado na comanda" : "desligada na comanda";
  }
  return por.at("texto").get<std::string>();
}

// A charge of the bill: its line, with its rule, and the lines under it
// that say how it was reached or why it was not billed.
struct Cobranca {
  std::string rotulo;
  double valor = 0;
  std::vector<std::string> detalhes;
};

Cobranca taxaServico(const Json& taxa) {
  Cobranca out{"Taxa de serviço", valor(taxa, "valor"), {}};
  const std::string regra = taxa.at("regra").get<std::string>();
  const Json& por = taxa.at("motivo");
  const bool semRegra = !por.is_null() && por.at("codigo") == "sem_regra_de_descontos";
  if (regra == "comissoes") {
    out.rotulo = "Taxa de serviço: comissões dos garçons";
  } else if (regra == "percentual") {
    out.rotulo = "Taxa de serviço " + percent(valor(taxa, "percentual"));
    if (!semRegra) out.rotulo += " sobre " + money(valor(taxa, "base"));
    if (!semRegra && valor(taxa, "descontos_somados") != 0) {
      out.detalhes.push_back("itens com taxa " + money(valor(taxa, "itens_com_taxa")) + " + " +
                             taxa.at("descontos_que_nao_reduzem").get<std::string>() + " " +
                             money(valor(taxa, "descontos_somados")) + ", que não reduzem a taxa");
    }
  }
  if (semRegra) {
    out.detalhes.push_back("não calculada: " + motivo(por, false));
  } else if (!por.is_null()) {
    const double calculada = valor(taxa, "calculada");
    const std::string seria = calculada != 0 ? " (seria " + money(calculada) + ")" : "";
    out.detalhes.push_back("não cobrada" + seria + ": " + motivo(por, false));
  }
  return out;
}

Cobranca consumacaoMinima(const Json& consumacao) {
  const double minimo = valor(consumacao, "minimo");
  const double consumido = valor(consumacao, "consumido");
  Cobranca out{"Consumação mínima " + count(valor(consumacao, "pessoas")) + " × " +
                   money(valor(consumacao, "preco")) + " = " + money(minimo),
               valor(consumacao, "valor"),
               {}};
  const std::string consumo = "consumido " + money(consumido);
  const Json& por = consumacao.at("motivo");
  if (out.valor != 0) {
    out.detalhes.push_back(out.valor == minimo - consumido ? consumo + "; cobrada a diferença"
                                                           : consumo);
  } else if (!por.is_null() && por.at("codigo") == "minimo_atingido") {
    out.detalhes.push_back(consumo + ": mínimo atingido");
  } else if (!por.is_null()) {
    out.detalhes.push_back("não cobrada: " + motivo(por, false));
  }
  return out;
}

Cobranca couvert(const Json& cover) {
  Cobranca out{"Couvert", valor(cover, "valor"), {}};
  const double unidades = valor(cover, "unidades");
  const double preco = valor(cover, "preco");
  const bool porLugar = cover.at("por_lugar").get<bool>();
  const Json& por = cover.at("motivo");
  // The rule is shown unless the store adds no cover at all.
  const bool semCouvert = !por.is_null() && por.at("codigo") == "couvert_desligado_na_loja";
  if (unidades > 0 && preco > 0 && !semCouvert) {
    out.rotulo = "Couvert " + count(unidades) + " × " + money(preco) +
                 (porLugar ? " por lugar" : " por pessoa");
  }
  std::string lugares;
  for (const Json& lugar : cover.at("lugares"))
    lugares += (lugares.empty() ? "" : ", ") + lugar.get<std::string>();
  if (porLugar && !lugares.empty())
    out.detalhes.push_back("um por lugar da mesa reservada: " + lugares);
  if (!por.is_null()) out.detalhes.push_back("não cobrado: " + motivo(por, true));
  return out;
}

// One item: quantity, name, price, the amount it adds, and its discount
// and surcharge when it has them.
std::string linhaItem(const Json& item) {
  std::string line = "    " + padLeft(quantity(valor(item, "quantidade")), 8) + " x " +
                     padRight(item.at("nome").get<std::string>(), 30) +
                     padLeft(money(valor(item, "preco")), 10) +
                     padLeft(money(valor(item, "valor")), 11);
  if (valor(item, "desconto") != 0) line += "  desconto " + money(valor(item, "desconto"));
  if (valor(item, "acrescimo") != 0) line += "  acréscimo " + money(valor(item, "acrescimo"));
  return line + "\n";
}

}  // namespace

std::string billText(const std::string& explicacao, const BillHeading& heading) {
  const Json conta = Json::parse(explicacao);
  std::string out =
      "Conta das comandas " + heading.lista_comandas + " (tipo " + heading.tipo_conta + ")\n";
  for (const Json& comanda : conta.at("comandas")) {
    const std::string numero = comanda.at("numero").get<std::string>();
    const std::string descricao = comanda.at("descricao").get<std::string>();
    out += numero.empty() ? std::string("\nItens de cobrança desta conta")
                          : "\nComanda " + numero + (descricao.empty() ? "" : "  " + descricao);
    out += "\n";
    if (comanda.at("lugares").empty()) out += "  (sem itens)\n";
    for (const Json& lugar : comanda.at("lugares")) {
      const std::string assento = lugar.at("lugar").get<std::string>();
      out += "  Lugar " + (assento.empty() ? std::string("-") : assento) + "\n";
      for (const Json& item : lugar.at("itens"))
        out += linhaItem(item);
    }
  }

  auto total_line = [&](const std::string& label, const std::string& value) {
    out += padRight(label, 48) + padLeft(value, 13) + "\n";
  };
  auto charge_lines = [&](const Cobranca& cobranca) {
    total_line(cobranca.rotulo, money(cobranca.valor));
    for (const std::string& detail : cobranca.detalhes)
      out += "  " + detail + "\n";
  };
  const Json& itens = conta.at("itens");
  out += "\n";
  total_line("Pessoas", count(valor(conta, "pessoas")));
  total_line("Itens", money(valor(itens, "total")));
  total_line("  descontos nos itens (manuais " + money(valor(itens, "descontos_manuais")) + ")",
             money(valor(itens, "descontos")));
  charge_lines(taxaServico(conta.at("taxa_servico")));
  charge_lines(consumacaoMinima(conta.at("consumacao_minima")));
  charge_lines(couvert(conta.at("couvert")));
  if (valor(conta, "acrescimo_comandas") != 0) {
    total_line("Acréscimo das comandas (fora do total)", money(valor(conta, "acrescimo_comandas")));
  }
  total_line("Total", money(valor(conta, "total")));
  return out;
}

std::string billJson(const conta_bill& bill, const std::string& explicacao) {
  Json entries = Json::array();
  for (int i = 0; i < CONTA_ENTRY_COUNT; ++i) {
    if (i == CONTA_COMANDAS || i == CONTA_ITENS) {
      const conta_packet& packet = i == CONTA_COMANDAS ? bill.comandas : bill.itens;
      // The JSON packet format, its fields and rows only: the bill's packets
      // carry nothing else a reader needs, and the entry keeps one shape.
      Json whole = Json::parse(encodeJsonPacket(packetOf(packet)));
      Json shown = Json::object();
      shown["fields"] = std::move(whole.at("fields"));
      shown["rows"] = std::move(whole.at("rows"));
      entries.push_back(std::move(shown));
    } else {
      entries.push_back(bill.values[i]);
    }
  }
  Json out;
  out["entries"] = std::move(entries);
  for (int i = 0; i < CONTA_ENTRY_COUNT; ++i) {
    if (i != CONTA_COMANDAS && i != CONTA_ITENS) out[kEntryNames[i]] = bill.values[i];
  }
  out["explicacao"] = Json::parse(explicacao);
  return out.dump(2) + "\n";
}

std::string errorJson(const std::string& message) {
  Json out;
  out["error"]["message"] = message;
  return out.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace conta::cli
