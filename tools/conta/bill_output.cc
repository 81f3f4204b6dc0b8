#include "bill_output.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "platform/host_directory.h"
#include "support/xol_corvana.h"

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

std::string field(const DataPacket& packet, const PacketRow& row, const char* name) {
  auto index = packet.fieldIndex(name);
  if (!index || *index >= row.values.size()) return {};
  const Variant& v = row.values[*index];
  return v.isNull() || v.isEmpty() ? std::string() : v.toText();
}

double number(const DataPacket& packet, const PacketRow& row, const char* name) {
  auto index = packet.fieldIndex(name);
  if (!index || *index >= row.values.size()) return 0;
  return row.values[*index].tryDouble().value_or(0);
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

bool sameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// A charge of the bill: its line, with its rule, and the lines under it
// that say how it was reached or why it was not billed.
struct Cobranca {
  std::string rotulo;
  double valor = 0;
  std::vector<std::string> detalhes;
};

// Everything a charge is explained from: the bill's result, what it was
// asked for, and the store's parameters when they could be read.
struct ContextoConta {
  const conta_bill& bill;
  const BillHeading& heading;
  const std::optional<ParametrosLoja>& parametros;
  const DataPacket& comandas;
  const DataPacket& itens;

  double value(int entry) const { return bill.values[entry]; }

  // The first comanda's text starts with "RES": a reserved table, which
  // the charges treat apart when the store bills by seat.
  bool reserva() const {
    if (comandas.rows.empty()) return false;
    return field(comandas, comandas.rows.front(), "DSCOMANDA").starts_with("RES");
  }
};

// The amount the service charge rate is applied to: the items that bear
// the charge, plus the discounts the store does not let lower it. The same
// rule, in the same order of operations, as the bill's; nullopt when the
// store's discount switches match no rule (the bill then works out none).
struct BaseTaxa {
  long double valor = 0;
  double somados = 0;  // the discounts added back
  const char* quais = "";
};

std::optional<BaseTaxa> baseTaxa(const ContextoConta& conta, const ParametrosLoja& loja) {
  const double base = conta.value(CONTA_VR_BASE_TAXA);
  const double total = conta.value(CONTA_VR_TOTAL_DESCONTO);
  const double manual = conta.value(CONTA_VR_DESCONTO_MANUAL);
  const std::string& consumo = loja.IDCONSDESCTXSERV;
  const std::string& manuais = loja.IDCONDESCTXSERV;
  if (consumo == "S" && manuais == "S") return BaseTaxa{base, 0, ""};
  if (consumo == "N" && manuais == "N") {
    return BaseTaxa{static_cast<long double>(base) + total, total, "descontos"};
  }
  if (manuais == "N") {
    return BaseTaxa{static_cast<long double>(base) + manual, manual, "descontos manuais"};
  }
  if (consumo == "N") {
    return BaseTaxa{static_cast<long double>(total) - manual + base, total - manual,
                    "descontos não manuais"};
  }
  return std::nullopt;
}

Cobranca taxaServico(const ContextoConta& conta) {
  const double calculada = conta.value(CONTA_VR_TAXA_CALCULADA);
  Cobranca taxa{"Taxa de serviço (base " + money(conta.value(CONTA_VR_BASE_TAXA)) + ")",
                conta.value(CONTA_VR_TAXA_SERVICO),
                {}};
  if (const auto& loja = conta.parametros) {
    if (loja->IDCOMISVENDA == "G") {
      taxa.rotulo = "Taxa de serviço: comissões dos garçons";
    } else if (loja->IDCOMISVENDA != "S") {
      // No rule at all: the bill works out no charge, switch or not.
      taxa.rotulo = "Taxa de serviço";
      taxa.detalhes.push_back("não cobrada: a loja não cobra taxa de serviço");
      return taxa;
    } else if (auto base = baseTaxa(conta, *loja)) {
      // Shown only when the rule gives back the charge the bill worked out.
      const double cobranca = static_cast<double>(base->valor / 100 * loja->VRCOMISVENDA);
      if (Xol_corvana::Trunc2(cobranca) == calculada) {
        taxa.rotulo = "Taxa de serviço " + percent(loja->VRCOMISVENDA) + " sobre " +
                      money(static_cast<double>(base->valor));
        if (base->somados != 0) {
          taxa.detalhes.push_back("itens com taxa " + money(conta.value(CONTA_VR_BASE_TAXA)) +
                                  " + " + base->quais + " " + money(base->somados) +
                                  ", que não reduzem a taxa");
        }
      }
    } else {
      taxa.rotulo = "Taxa de serviço " + percent(loja->VRCOMISVENDA);
      taxa.detalhes.push_back(
          "não calculada: nenhuma regra para os descontos da loja "
          "(IDCONSDESCTXSERV '" +
          loja->IDCONSDESCTXSERV + "', IDCONDESCTXSERV '" + loja->IDCONDESCTXSERV + "')");
      return taxa;
    }
  }
  if (taxa.valor == 0) {
    // The charge is worked out whether or not it is billed: a charge left
    // at 0 with the caller's switch on was switched off by the comanda.
    const std::string seria = calculada != 0 ? " (seria " + money(calculada) + ")" : "";
    if (!conta.heading.cobra_taxa) {
      taxa.detalhes.push_back("não cobrada" + seria + ": não pedida nesta conta");
    } else if (calculada != 0) {
      taxa.detalhes.push_back("não cobrada" + seria + ": desligada na comanda");
    }
  }
  return taxa;
}

Cobranca consumacaoMinima(const ContextoConta& conta) {
  const double pessoas = conta.value(CONTA_QTDE_PESSOAS);
  const double preco = conta.value(CONTA_VR_PRECO_CONSUMACAO);
  const double minimo = pessoas * preco;
  const double consumido = conta.value(CONTA_VR_TOTAL_ITENS);
  Cobranca consumacao{
      "Consumação mínima " + count(pessoas) + " × " + money(preco) + " = " + money(minimo),
      conta.value(CONTA_VR_CONSUMACAO),
      {}};
  const std::string consumo = "consumido " + money(consumido);
  // A reserved table of a store whose seat switch is not "N" is spared.
  const bool reservaIsenta =
      conta.reserva() && conta.parametros && conta.parametros->IDLUGARMESA != "N";
  if (consumacao.valor != 0) {
    consumacao.detalhes.push_back(
        consumacao.valor == minimo - consumido ? consumo + "; cobrada a diferença" : consumo);
  } else if (!conta.heading.cobra_consumacao) {
    consumacao.detalhes.push_back("não cobrada: não pedida nesta conta");
  } else if (reservaIsenta) {
    consumacao.detalhes.push_back("não cobrada: comanda de reserva (RES)");
  } else if (consumido >= minimo) {
    consumacao.detalhes.push_back(consumo + ": mínimo atingido");
  } else if (conta.parametros || !conta.reserva()) {
    // Asked for, below the minimum, not spared: the comanda's switch.
    consumacao.detalhes.push_back("não cobrada: desligada na comanda");
  } else {
    consumacao.detalhes.push_back("não cobrada");
  }
  return consumacao;
}

Cobranca couvert(const ContextoConta& conta) {
  const double pessoas = conta.value(CONTA_QTDE_PESSOAS);
  Cobranca cover{"Couvert", conta.value(CONTA_VR_COUVERT), {}};
  const auto& loja = conta.parametros;

  // The cover items the bill left on the comandas, and their seats.
  std::vector<const PacketRow*> itens;
  std::vector<std::string> lugares;
  if (loja) {
    for (const auto& row : conta.itens.rows) {
      if (!sameText(field(conta.itens, row, "CDPRODUTO"), loja->CDPRODCOUVER)) continue;
      itens.push_back(&row);
      std::string lugar = field(conta.itens, row, "NRLUGARMESA");
      if (!lugar.empty() && std::find(lugares.begin(), lugares.end(), lugar) == lugares.end()) {
        lugares.push_back(lugar);
      }
    }
  }
  std::sort(lugares.begin(), lugares.end());
  // The price per person: the cover item's, cut to cents as the bill cuts
  // it, else the store's.
  std::vector<double> precos;
  if (!itens.empty()) {
    precos.push_back(Xol_corvana::Trunc2(number(conta.itens, *itens.front(), "VRPRECCOMVEN")));
  }
  if (loja) precos.push_back(loja->PRECOCOUVERT);
  auto regra = [&](double preco) {
    cover.rotulo = "Couvert " + count(pessoas) + " × " + money(preco) + " por pessoa";
  };
  // At a reserved table of a store that bills by seat, the bill charges the
  // units on the seats it shows.
  const bool porLugar = loja && conta.reserva() && loja->IDLUGARMESA == "S";

  if (cover.valor != 0) {
    // The rule is shown only when it gives back the charge.
    double unidades = 0;
    for (const PacketRow* item : itens)
      unidades += number(conta.itens, *item, "QTPRODCOMVEN");
    for (double preco : precos) {
      if (porLugar && std::fabs(unidades * preco - cover.valor) < 0.005) {
        cover.rotulo = "Couvert " + count(unidades) + " × " + money(preco) + " por lugar";
        break;
      }
      if (!porLugar && std::fabs(pessoas * preco - cover.valor) < 0.005) {
        regra(preco);
        break;
      }
    }
    if (porLugar && !lugares.empty()) {
      std::string lista;
      for (const std::string& lugar : lugares)
        lista += (lista.empty() ? "" : ", ") + lugar;
      cover.detalhes.push_back("um por lugar da mesa reservada: " + lista);
    }
    return cover;
  }
  // Not billed: the rule it would follow, and why when it can be told.
  if (!itens.empty() || (loja && loja->IDCOUVERART == "S")) regra(precos.front());
  if (!conta.heading.cobra_couvert) {
    cover.detalhes.push_back("não cobrado: não pedido nesta conta");
  } else if (!loja || !itens.empty() || pessoas == 0) {
    // Nothing to tell: a cover of no one, or of nothing.
  } else if (loja->IDCOUVERART != "S") {
    // Without the store's switch a bill re-counts cover items but adds none.
    cover.detalhes.push_back("não cobrado: couvert artístico desligado na loja");
  } else if (loja->PRECOCOUVERT != 0) {
    // Asked for, switched on in the store, and no item: the comanda's switch.
    cover.detalhes.push_back("não cobrado: desligado na comanda");
  }
  return cover;
}

}  // namespace

std::optional<ParametrosLoja> leParametrosLoja(const std::filesystem::path& host_directory) {
  auto file = findIgnoringCase(host_directory, "PARAMETROSXOL.CDS");
  if (!file) return std::nullopt;
  try {
    DataPacket packet = readPacketFile(*file).currentRows();
    if (packet.rows.empty()) return std::nullopt;
    const PacketRow& row = packet.rows.front();
    ParametrosLoja loja;
    loja.VRCOMISVENDA = number(packet, row, "VRCOMISVENDA");
    loja.IDCOMISVENDA = field(packet, row, "IDCOMISVENDA");
    loja.IDCONDESCTXSERV = field(packet, row, "IDCONDESCTXSERV");
    loja.IDCONSDESCTXSERV = field(packet, row, "IDCONSDESCTXSERV");
    loja.CDPRODCOUVER = field(packet, row, "CDPRODCOUVER");
    loja.IDCOUVERART = field(packet, row, "IDCOUVERART");
    loja.PRECOCOUVERT = number(packet, row, "PRECOCOUVERT");
    loja.IDLUGARMESA = field(packet, row, "IDLUGARMESA");
    return loja;
  } catch (const std::exception&) {
    // The bill itself read the file; a text without the rules is still a
    // bill, so a file that fails now costs only the explanations.
    return std::nullopt;
  }
}

std::string billText(const conta_bill& bill, const BillHeading& heading,
                     const std::optional<ParametrosLoja>& parametros) {
  DataPacket comandas = packetOf(bill.comandas);
  DataPacket itens = packetOf(bill.itens);
  std::string out =
      "Conta das comandas " + heading.lista_comandas + " (tipo " + heading.tipo_conta + ")\n";

  // The items by comanda and seat, in the order they came.
  std::map<std::string, std::map<std::string, std::vector<const PacketRow*>>> byComanda;
  for (const auto& row : itens.rows) {
    byComanda[field(itens, row, "NRCOMANDA")][field(itens, row, "NRLUGARMESA")].push_back(&row);
  }
  auto print_seats = [&](const std::map<std::string, std::vector<const PacketRow*>>& seats) {
    for (const auto& [seat, rows] : seats) {
      out += "  Lugar " + (seat.empty() ? std::string("-") : seat) + "\n";
      for (const PacketRow* row : rows) {
        double qt = number(itens, *row, "QTPRODCOMVEN");
        double preco = number(itens, *row, "VRPRECCOMVEN");
        double desconto = number(itens, *row, "VRDESCCOMVEN");
        double acrescimo = number(itens, *row, "VRACRCOMVEN");
        std::string line = "    " + padLeft(quantity(qt), 8) + " x " +
                           padRight(field(itens, *row, "NMPRODUTO"), 30) +
                           padLeft(money(preco), 10) +
                           padLeft(money(Xol_corvana::Trunc2(preco * qt)), 11);
        if (desconto != 0) line += "  desconto " + money(desconto);
        if (acrescimo != 0) line += "  acréscimo " + money(acrescimo);
        out += line + "\n";
      }
    }
  };
  for (const auto& comanda : comandas.rows) {
    std::string number_text = field(comandas, comanda, "NRCOMANDA");
    out += "\nComanda " + number_text;
    std::string description = field(comandas, comanda, "DSCOMANDA");
    if (!description.empty()) out += "  " + description;
    out += "\n";
    auto found = byComanda.find(number_text);
    if (found == byComanda.end()) {
      out += "  (sem itens)\n";
      continue;
    }
    print_seats(found->second);
    byComanda.erase(found);
  }
  // Items of no comanda shown above: the charge items this bill added.
  for (const auto& [comanda, seats] : byComanda) {
    out += comanda.empty() ? std::string("\nItens de cobrança desta conta\n")
                           : "\nComanda " + comanda + "\n";
    print_seats(seats);
  }

  auto total_line = [&](const std::string& label, const std::string& value) {
    out += padRight(label, 48) + padLeft(value, 13) + "\n";
  };
  auto charge_lines = [&](const Cobranca& cobranca) {
    total_line(cobranca.rotulo, money(cobranca.valor));
    for (const std::string& detail : cobranca.detalhes)
      out += "  " + detail + "\n";
  };
  out += "\n";
  total_line("Pessoas", count(bill.values[CONTA_QTDE_PESSOAS]));
  total_line("Itens", money(bill.values[CONTA_VR_TOTAL_ITENS]));
  total_line("  descontos nos itens (manuais " + money(bill.values[CONTA_VR_DESCONTO_MANUAL]) + ")",
             money(bill.values[CONTA_VR_TOTAL_DESCONTO]));
  const ContextoConta contexto{bill, heading, parametros, comandas, itens};
  charge_lines(taxaServico(contexto));
  charge_lines(consumacaoMinima(contexto));
  charge_lines(couvert(contexto));
  if (bill.values[CONTA_VR_ACRESCIMO_COMANDAS] != 0) {
    total_line("Acréscimo das comandas (fora do total)",
               money(bill.values[CONTA_VR_ACRESCIMO_COMANDAS]));
  }
  total_line("Total", money(bill.values[CONTA_VR_TOTAL_CONTA]));
  return out;
}

std::string billJson(const conta_bill& bill) {
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
  return out.dump(2) + "\n";
}

std::string errorJson(const std::string& message) {
  Json out;
  out["error"]["message"] = message;
  return out.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace conta::cli
