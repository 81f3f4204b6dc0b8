#include "bill/charge_product.h"

#include "bill/operation_report.h"
#include "conta/error.h"
#include "platform/client_dataset.h"
#include "platform/text_encoding.h"
#include "support/mensagemxol.h"

namespace Srv_Xol41260 {

const ChaveMensagensImposto kImpostoConsumacao = {"IMPOSTO_ERR_CON", "IMPOS_NCAD_CON",
                                                  "ALIQ_NCAD_CON"};
const ChaveMensagensImposto kImpostoCouvert = {"IMPOSTO_ERR", "IMPOS_NCAD", "ALIQ_NCAD"};

namespace {

// Reports the key's text and ends the bill quietly.
[[noreturn]] void recusa(TdtmFuncoesRev& dm, const char* chave) {
  const std::string texto = dm.msgPadrao.Msg(chave);
  Mensagemxol::Mensagem(texto, "", "N", "N", 3, "", "", 0, nullptr);
  throw conta::SilentAbort(texto);
}

}  // namespace

void VerificaImpostoCobranca(TdtmFuncoesRev& dm, const std::string& produto,
                             const ChaveMensagensImposto& chaves) {
  const std::string& filial = dm.ParametrosLoja.CDFILIAL;
  // A dataset that lives only for this check.
  conta::ClientDataSet impostos("cdsImpostos");
  impostos.setData(ResultadoOperacao(
      dm.getImposto(conta::text_encoding::widen(filial), conta::text_encoding::widen(produto)),
      "getImposto", Contexto({filial, produto})));
  if (impostos.recordCount() > 1) recusa(dm, chaves.varios);
  if (impostos.recordCount() == 0) recusa(dm, chaves.nenhum);

  if (!dm.cdsAliqImpFis.active()) {
    throw conta::Error(
        "A tabela de alíquotas da impressora fiscal (Dados/Cadastros/AliqImpFis.cds) não foi "
        "carregada: o produto " +
        produto + " não pode ser conferido.");
  }
  impostos.first();
  const conta::Variant chave = conta::Variant::array(
      {impostos.fieldByName("VRPEALIMPFIS").value(), impostos.fieldByName("IDTPIMPOSFIS").value()});
  if (!dm.cdsAliqImpFis.locate("VRALIQIMPFIS;IDALIQIMPFIS", chave,
                               {.caseInsensitive = true, .partialKey = false})) {
    recusa(dm, chaves.aliquota);
  }
}

void CarregaProdutoCobranca(TdtmFuncoesRev& dm, const std::string& produto) {
  dm.cdsItComanda.setData(ResultadoOperacao(dm.GetProdCouCon(conta::text_encoding::widen(produto)),
                                            "GetProdCouCon", produto));
  dm.cdsItComanda.first();
}

}  // namespace Srv_Xol41260
