// The store parameters and the fiscal-rate table, read from the host
// directory once per life of the data module.
#include "conta/error.h"
#include "frame/data_module.h"
#include "platform/host_directory.h"

namespace Srv_Xol41260 {
namespace {

const char* const kParametersFile = "PARAMETROSXOL.CDS";
const char* const kRatesFile = "Dados/Cadastros/AliqImpFis.cds";

}  // namespace

void TdtmFuncoesRev::InicializaForm() {
  std::lock_guard lock(moduleMutex());
  // Loaded once: while the parameters file gave a record, nothing is read
  // again, whatever happens to the files.
  if (cdsParametrosXol.active() && !cdsParametrosXol.isEmpty()) return;

  const std::filesystem::path host = conta::hostDirectory();
  if (auto file = conta::findIgnoringCase(host, kParametersFile)) {
    cdsParametrosXol.loadFromFile(*file);
    cdsParametrosXol.first();
    // A field missing from the file names the file and the field. The file
    // is then let go, so that every later bill fails the same way until the
    // file is mended: kept, it would count as loaded and later bills would
    // run on the fields read before the missing one.
    auto field = [&](const char* name) {
      auto found = cdsParametrosXol.findField(name);
      if (!found) {
        cdsParametrosXol.close();
        throw conta::Error(file->string() + ": the store parameter " + name +
                           " is missing from the file");
      }
      return *found;
    };
    TParametrosLoja& p = ParametrosLoja;
    p.VRCOMISVENDA = field("VRCOMISVENDA").asFloat();
    p.CDFILIAL = field("CDFILIAL").asString();
    p.CDLOJA = field("CDLOJA").asString();
    p.CDCLIENTE = field("CDCLIENTE").asString();
    p.UTILIZAIMPFIS = field("UTILIZAIMPFIS").asBoolean();
    p.CDPRODCOUVER = field("CDPRODCOUVER").asString();
    p.CDPRODCONSUM = field("CDPRODCONSUM").asString();
    p.CDPRODCONSUF = field("CDPRODCONSUF").asString();
    p.IDCOUVERART = field("IDCOUVERART").asString();
    p.PRECOCOUVERT = field("PRECOCOUVERT").asFloat();
    p.PRECOCONSUMAMASC = field("PRECOCONSUMAMASC").asFloat();
    p.PRECOCONSUMAFEMI = field("PRECOCONSUMAFEMI").asFloat();
    p.IDLUGARMESA = field("IDLUGARMESA").asString();
    p.CDCAIXA = field("CDCAIXA").asString();
    p.IDCOMISVENDA = field("IDCOMISVENDA").asString();
    p.IDCONDESCTXSERV = field("IDCONDESCTXSERV").asString();
    p.IDCONSDESCTXSERV = field("IDCONSDESCTXSERV").asString();
  }

  // Whether or not the parameters file was there. A rate file that cannot
  // be read lets the parameters go too, so the next call reads both again.
  if (auto file = conta::findIgnoringCase(host, kRatesFile)) {
    try {
      cdsAliqImpFis.loadFromFile(*file);
    } catch (...) {
      cdsParametrosXol.close();
      throw;
    }
  }
}

}  // namespace Srv_Xol41260
