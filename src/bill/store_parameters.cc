// The store parameters and the fiscal-rate table, read from the host
// directory once per life of the data module.
#include <cmath>
#include <system_error>
#include <variant>

#include "bill/store_parameters_layout.h"
#include "conta/error.h"
#include "frame/data_module.h"
#include "platform/host_directory.h"
#include "platform/text_encoding.h"

namespace Srv_Xol41260 {
namespace {

const char* const kParametersFile = "PARAMETROSXOL.CDS";
const char* const kRatesFile = "Dados/Cadastros/AliqImpFis.cds";

// A file of the host directory that is there but cannot be a packet file (a
// directory, a device) is named, not taken as missing.
void exigeArquivo(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) {
    throw conta::Error(file.string() + " não é um arquivo: os parâmetros da loja não podem ser " +
                       "lidos dele.");
  }
}

// Reads the parameters' values, each checked: a value that is not what the
// store's rules need names the file and the field, and the file is let go,
// so that every later bill fails the same way until it is mended (kept, it
// would count as loaded, and bills would run on the fields read before).
class LeitorParametros {
 public:
  LeitorParametros(conta::ClientDataSet& dataset, const std::filesystem::path& file)
      : dataset_(dataset), file_(file.string()) {}

  conta::Variant valor(const char* nome) {
    auto found = dataset_.findField(nome);
    if (!found) falha(std::string("falta o parâmetro da loja ") + nome);
    return found->value();
  }

  std::string texto(const char* nome) {
    const conta::Variant v = valor(nome);
    if (v.isNull() || v.isEmpty()) return std::string();
    auto text = v.tryText();
    if (!text) falha(std::string("o parâmetro ") + nome + " (" + v.describe() + ") não é um texto");
    return *text;
  }

  // A price or a rate: a finite number, not negative (an empty field is 0).
  double valorMonetario(const char* nome) {
    const conta::Variant v = valor(nome);
    if (v.isNull() || v.isEmpty()) return 0;
    auto number = v.tryDouble();
    if (!number || !std::isfinite(*number)) {
      falha(std::string("o parâmetro ") + nome + " (" + v.describe() + ") não é um número finito");
    }
    if (*number < 0) {
      falha(std::string("o parâmetro ") + nome + " é " + v.toText() +
            ": preços e taxas da loja não podem ser negativos");
    }
    return *number;
  }

  // A switch: a boolean field, or the spellings a store writes for one.
  bool chave(const char* nome) {
    const conta::Variant v = valor(nome);
    if (v.kind() == conta::Variant::Kind::Boolean) return v.boolean();
    if (v.isNull() || v.isEmpty()) return false;
    if (auto text = v.tryText()) {
      for (const char* sim : {"S", "T", "TRUE", "1"})
        if (conta::text_encoding::equalsIgnoringAsciiCase(*text, sim)) return true;
      for (const char* nao : {"N", "F", "FALSE", "0"})
        if (conta::text_encoding::equalsIgnoringAsciiCase(*text, nao)) return false;
    }
    falha(std::string("o parâmetro ") + nome + " (" + v.describe() +
          ") não é verdadeiro nem falso (TRUE ou FALSE, S ou N)");
  }

  // A field into its member, read as the member's type asks: a text, a
  // price or rate, a switch.
  void preenche(TParametrosLoja& loja, const CampoParametro& campo) {
    std::visit([&](auto membro) { le(campo.nome, loja.*membro); }, campo.membro);
  }

 private:
  void le(const char* nome, std::string& destino) { destino = texto(nome); }
  void le(const char* nome, double& destino) { destino = valorMonetario(nome); }
  void le(const char* nome, bool& destino) { destino = chave(nome); }

  [[noreturn]] void falha(const std::string& problema) {
    dataset_.close();
    throw conta::Error(file_ + ": " + problema + ".");
  }

  conta::ClientDataSet& dataset_;
  std::string file_;
};

}  // namespace

void TdtmFuncoesRev::InicializaForm() {
  ModuleLock lock;
  // Loaded once: while the parameters file gave a record, nothing is read
  // again, whatever happens to the files.
  if (cdsParametrosXol.active() && !cdsParametrosXol.isEmpty()) return;

  const std::filesystem::path host = conta::hostDirectory();
  if (auto file = conta::findIgnoringCase(host, kParametersFile)) {
    exigeArquivo(*file);
    cdsParametrosXol.loadFromFile(*file);
    cdsParametrosXol.first();
    LeitorParametros le(cdsParametrosXol, *file);
    for (const CampoParametro& campo : kCamposParametros)
      le.preenche(ParametrosLoja, campo);
  }

  // Whether or not the parameters file was there. A rate file that cannot
  // be read lets the parameters go too, so the next call reads both again.
  if (auto file = conta::findIgnoringCase(host, kRatesFile)) {
    try {
      exigeArquivo(*file);
      cdsAliqImpFis.loadFromFile(*file);
    } catch (...) {
      cdsParametrosXol.close();
      throw;
    }
  }
}

}  // namespace Srv_Xol41260
