#include "bill/operation_report.h"

#include "support/mensagemxol.h"

namespace Srv_Xol41260 {

std::string Contexto(std::initializer_list<std::string_view> partes) {
  std::string texto;
  bool primeira = true;
  for (std::string_view parte : partes) {
    if (!primeira) texto += '-';
    texto += parte;
    primeira = false;
  }
  return texto;
}

conta::Variant ResultadoOperacao(const conta::Variant& envelope, std::string_view operacao,
                                 const std::string& contexto, std::string_view unidade) {
  return Mensagemxol::MensagemMetodo(envelope, true, 0, std::string(operacao), std::string(unidade),
                                     contexto, "");
}

void ConfereOperacao(const conta::Variant& envelope, std::string_view operacao,
                     const std::string& contexto, std::string_view unidade) {
  (void)ResultadoOperacao(envelope, operacao, contexto, unidade);
}

}  // namespace Srv_Xol41260
