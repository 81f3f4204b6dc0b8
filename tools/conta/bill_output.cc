#include "bill_output.h"

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"
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

// 1234.5 → "1.234,50"
std::string money(double value) {
  char digits[64];
  std::snprintf(digits, sizeof digits, "%.2f", value < 0 ? -value : value);
  std::string text(digits);
  std::string whole = text.substr(0, text.find('.'));
  std::string grouped;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += '.';
    grouped += whole[i];
  }
  return (value < 0 && value <= -0.005 ? "-" : "") + grouped + "," +
         text.substr(text.find('.') + 1);
}

std::string quantity(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  std::string out(text);
  out[out.find('.')] = ',';
  return out;
}

std::string padRight(std::string text, std::size_t width) {
  // Width in characters, not bytes.
  std::size_t characters = 0;
  for (unsigned char c : text)
    characters += (c & 0xC0) != 0x80;
  if (characters < width) text.append(width - characters, ' ');
  return text;
}

std::string padLeft(const std::string& text, std::size_t width) {
  return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
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

}  // namespace

std::string billText(const conta_bill& bill, const BillHeading& heading) {
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
  out += "\n";
  char persons[32];
  std::snprintf(persons, sizeof persons, "%g", bill.values[CONTA_QTDE_PESSOAS]);
  total_line("Pessoas", persons);
  total_line("Itens", money(bill.values[CONTA_VR_TOTAL_ITENS]));
  total_line("  descontos nos itens (manuais " + money(bill.values[CONTA_VR_DESCONTO_MANUAL]) + ")",
             money(bill.values[CONTA_VR_TOTAL_DESCONTO]));
  total_line("Taxa de serviço (base " + money(bill.values[CONTA_VR_BASE_TAXA]) + ")",
             money(bill.values[CONTA_VR_TAXA_SERVICO]));
  total_line("Consumação mínima (" + money(bill.values[CONTA_VR_PRECO_CONSUMACAO]) + " por pessoa)",
             money(bill.values[CONTA_VR_CONSUMACAO]));
  total_line("Couvert", money(bill.values[CONTA_VR_COUVERT]));
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
      entries.push_back(Json::parse(encodeJsonPacket(packetOf(packet))));
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
