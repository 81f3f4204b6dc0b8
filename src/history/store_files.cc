#include "history/store_files.h"

#include <fstream>
#include <variant>

#include "bill/store_parameters_layout.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "history/demo_parameters.h"
#include "platform/host_directory.h"

namespace conta::history {
namespace {

using Srv_Xol41260::CampoParametro;
using Srv_Xol41260::kCamposParametros;
using Srv_Xol41260::TParametrosLoja;

void atribui(std::string& membro, const Variant& valor) {
  membro = valor.toText();
}
void atribui(double& membro, const Variant& valor) {
  membro = valor.toDouble();
}
void atribui(bool& membro, const Variant& valor) {
  membro = valor.toBoolean();
}

// The demo store's record, each field into its member.
TParametrosLoja parametrosDemo() {
  const DataPacket demo = decodeJsonPacket(kDemoParametersJson, "demo/PARAMETROSXOL.json");
  TParametrosLoja loja;
  for (const CampoParametro& campo : kCamposParametros) {
    auto index = demo.fieldIndex(campo.nome);
    if (!index || demo.rows.empty()) {
      throw Error(std::string("the demo store's parameters have no ") + campo.nome);
    }
    const Variant& valor = demo.rows.front().values[*index];
    std::visit([&](auto membro) { atribui(loja.*membro, valor); }, campo.membro);
  }
  return loja;
}

}  // namespace

ParametrosHistorico parametrosHistorico() {
  TParametrosLoja p = parametrosDemo();
  p.IDLUGARMESA = "S";
  // The house rules the history's bills exercise, whatever the demo says.
  p.IDCOMISVENDA = "S";
  p.IDCOUVERART = "S";
  return p;
}

void gravaArquivosParametros(const std::filesystem::path& host_dir) {
  namespace fs = std::filesystem;
  fs::create_directories(host_dir / "Dados" / "Cadastros");
  writePacketFile(Srv_Xol41260::pacoteParametrosLoja({parametrosHistorico()}),
                  host_dir / "PARAMETROSXOL.CDS", PacketFormat::Binary);
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
