// The answer of a database operation inside a bill. Every operation of the
// data module answers with an envelope: its result, or the failure's text.
// A failure is reported under the module's unit, the operation's name and
// its context (the values it was called with, joined by "-"), and raised:
// a failure never passes on as data, and the bill stops there.
#ifndef CONTA_BILL_OPERATION_REPORT_H_
#define CONTA_BILL_OPERATION_REPORT_H_

#include <initializer_list>
#include <string>
#include <string_view>

#include "conta/variant.h"
#include "frame/data_module.h"

namespace Srv_Xol41260 {

// The context of a report: the call's values joined by "-".
std::string Contexto(std::initializer_list<std::string_view> partes);

// The operation's result; a failed envelope is reported and raised.
[[nodiscard]] conta::Variant ResultadoOperacao(const conta::Variant& envelope,
                                               std::string_view operacao,
                                               const std::string& contexto,
                                               std::string_view unidade = kUnidadeModulo);

// For an operation whose success carries nothing: a failed envelope is
// reported and raised.
void ConfereOperacao(const conta::Variant& envelope, std::string_view operacao,
                     const std::string& contexto, std::string_view unidade = kUnidadeModulo);

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_OPERATION_REPORT_H_
