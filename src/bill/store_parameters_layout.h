// The store parameters file (PARAMETROSXOL.CDS), declared once: each field's
// name, its type and width in the packet, and the member of TParametrosLoja
// it fills. The bill reads the file by this table, the store history writes
// its stores' files by it, and the tests build theirs with it.
//
// Header-only: the history is also built as a static library outside
// libconta, and it writes these files too.
#ifndef CONTA_BILL_STORE_PARAMETERS_LAYOUT_H_
#define CONTA_BILL_STORE_PARAMETERS_LAYOUT_H_

#include <array>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "conta/data_packet.h"
#include "conta/variant.h"
#include "frame/store_parameters.h"

namespace Srv_Xol41260 {

// The member a field fills. Its type says how the bill reads the value: a
// text, a price or rate (double: finite and not negative), a switch (bool).
using MembroParametro = std::variant<std::string TParametrosLoja::*, double TParametrosLoja::*,
                                     bool TParametrosLoja::*>;

struct CampoParametro {
  const char* nome;
  conta::FieldType tipo;
  int largura;  // characters of a text; 0 for numbers and switches
  MembroParametro membro;
};

// In the order a store's file has them; the bill reads them in this order
// too, so a file with two bad fields is reported on the first.
inline constexpr std::array<CampoParametro, 17> kCamposParametros = {{
    {"VRCOMISVENDA", conta::FieldType::Float, 0, &TParametrosLoja::VRCOMISVENDA},
    {"CDFILIAL", conta::FieldType::String, 4, &TParametrosLoja::CDFILIAL},
    {"CDLOJA", conta::FieldType::String, 4, &TParametrosLoja::CDLOJA},
    {"CDCLIENTE", conta::FieldType::String, 10, &TParametrosLoja::CDCLIENTE},
    {"UTILIZAIMPFIS", conta::FieldType::Boolean, 0, &TParametrosLoja::UTILIZAIMPFIS},
    {"CDPRODCOUVER", conta::FieldType::String, 10, &TParametrosLoja::CDPRODCOUVER},
    {"CDPRODCONSUM", conta::FieldType::String, 10, &TParametrosLoja::CDPRODCONSUM},
    {"CDPRODCONSUF", conta::FieldType::String, 10, &TParametrosLoja::CDPRODCONSUF},
    {"IDCOUVERART", conta::FieldType::String, 1, &TParametrosLoja::IDCOUVERART},
    {"PRECOCOUVERT", conta::FieldType::Float, 0, &TParametrosLoja::PRECOCOUVERT},
    {"PRECOCONSUMAMASC", conta::FieldType::Float, 0, &TParametrosLoja::PRECOCONSUMAMASC},
    {"PRECOCONSUMAFEMI", conta::FieldType::Float, 0, &TParametrosLoja::PRECOCONSUMAFEMI},
    {"IDLUGARMESA", conta::FieldType::String, 1, &TParametrosLoja::IDLUGARMESA},
    {"CDCAIXA", conta::FieldType::String, 3, &TParametrosLoja::CDCAIXA},
    {"IDCOMISVENDA", conta::FieldType::String, 1, &TParametrosLoja::IDCOMISVENDA},
    {"IDCONDESCTXSERV", conta::FieldType::String, 1, &TParametrosLoja::IDCONDESCTXSERV},
    {"IDCONSDESCTXSERV", conta::FieldType::String, 1, &TParametrosLoja::IDCONSDESCTXSERV},
}};

// Each field's packet type agrees with its member (texts are String with a
// width, prices Float, switches Boolean), and no name or member is taken
// twice.
constexpr bool camposParametrosConsistentes() {
  constexpr conta::FieldType kTipoDoMembro[] = {conta::FieldType::String, conta::FieldType::Float,
                                                conta::FieldType::Boolean};
  for (std::size_t i = 0; i < kCamposParametros.size(); ++i) {
    const CampoParametro& campo = kCamposParametros[i];
    if (campo.tipo != kTipoDoMembro[campo.membro.index()]) return false;
    if ((campo.tipo == conta::FieldType::String) != (campo.largura > 0)) return false;
    for (std::size_t j = 0; j < i; ++j) {
      if (std::string_view(kCamposParametros[j].nome) == campo.nome) return false;
      if (kCamposParametros[j].membro == campo.membro) return false;
    }
  }
  return true;
}
static_assert(camposParametrosConsistentes(), "a store parameter is declared inconsistently");

// The packet of a parameters file: the fields of the table, one record per
// element of `lojas`.
inline conta::DataPacket pacoteParametrosLoja(const std::vector<TParametrosLoja>& lojas) {
  conta::DataPacket packet;
  for (const CampoParametro& campo : kCamposParametros)
    packet.fields.emplace_back(campo.nome, campo.tipo, campo.largura);
  for (const TParametrosLoja& loja : lojas) {
    conta::PacketRow row;
    for (const CampoParametro& campo : kCamposParametros) {
      row.values.push_back(
          std::visit([&](auto membro) { return conta::Variant(loja.*membro); }, campo.membro));
    }
    packet.rows.push_back(std::move(row));
  }
  return packet;
}

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_STORE_PARAMETERS_LAYOUT_H_
