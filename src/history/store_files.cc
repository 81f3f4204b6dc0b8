#include "history/store_files.h"

#include <fstream>

#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "history/demo_parameters.h"
#include "platform/host_directory.h"

namespace conta::history {
namespace {

Variant& campo(DataPacket& packet, std::string_view name) {
  auto index = packet.fieldIndex(name);
  if (!index || packet.rows.empty()) {
    throw Error(std::string("the demo store's parameters have no ") + std::string(name));
  }
  return packet.rows.front().values[*index];
}

DataPacket pacoteParametros() {
  DataPacket parametros = decodeJsonPacket(kDemoParametersJson, "demo/PARAMETROSXOL.json");
  campo(parametros, "IDLUGARMESA") = Variant("S");
  // The house rules the history's bills exercise, whatever the demo says.
  campo(parametros, "IDCOMISVENDA") = Variant("S");
  campo(parametros, "IDCOUVERART") = Variant("S");
  return parametros;
}

}  // namespace

ParametrosHistorico parametrosHistorico() {
  DataPacket parametros = pacoteParametros();
  auto texto = [&](std::string_view name) { return campo(parametros, name).toText(); };
  auto numero = [&](std::string_view name) { return campo(parametros, name).toDouble(); };
  ParametrosHistorico p;
  p.CDFILIAL = texto("CDFILIAL");
  p.CDLOJA = texto("CDLOJA");
  p.CDCLIENTE = texto("CDCLIENTE");
  p.CDCAIXA = texto("CDCAIXA");
  p.CDPRODCOUVER = texto("CDPRODCOUVER");
  p.CDPRODCONSUM = texto("CDPRODCONSUM");
  p.CDPRODCONSUF = texto("CDPRODCONSUF");
  p.VRCOMISVENDA = numero("VRCOMISVENDA");
  p.PRECOCOUVERT = numero("PRECOCOUVERT");
  p.PRECOCONSUMAMASC = numero("PRECOCONSUMAMASC");
  p.PRECOCONSUMAFEMI = numero("PRECOCONSUMAFEMI");
  return p;
}

void gravaArquivosParametros(const std::filesystem::path& host_dir) {
  namespace fs = std::filesystem;
  fs::create_directories(host_dir / "Dados" / "Cadastros");
  writePacketFile(pacoteParametros(), host_dir / "PARAMETROSXOL.CDS", PacketFormat::Binary);
  writePacketFile(decodeJsonPacket(kDemoRatesJson, "demo/AliqImpFis.json"),
                  host_dir / "Dados" / "Cadastros" / "AliqImpFis.cds", PacketFormat::Binary);
}

void gravaConexao(const std::filesystem::path& host_dir, const std::string& connection) {
  // The host takes conexao.txt in any case of its name: every one goes.
  while (auto found = findIgnoringCase(host_dir, "conexao.txt")) {
    std::filesystem::remove(*found);
  }
  if (connection.empty()) return;
  std::ofstream out(host_dir / "conexao.txt", std::ios::binary | std::ios::trunc);
  out << "# A base da loja, escrita por conta historico.\n" << connection << '\n';
  out.close();
  if (!out) throw Error("cannot write " + (host_dir / "conexao.txt").string());
}

}  // namespace conta::history
