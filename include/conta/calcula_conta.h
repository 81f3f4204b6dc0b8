// CalculaConta: the module's entry point for C++ hosts (C hosts: conta/conta.h).
#ifndef CONTA_CALCULA_CONTA_H_
#define CONTA_CALCULA_CONTA_H_

#include "conta/export.h"
#include "conta/variant.h"

namespace Srv_Xol41260 {

// Computes the bill of the comandas in `Parametros` (the seven positional
// parameters: list, kind, the three charge switches, seats, exclusions;
// `ParametrosHigh` is the index of the last) and writes the fourteen result
// entries into `Resultado`, an array of at least fourteen elements, leaving
// the elements after index 13 as they are. Returns true; any failure raises
// (conta::OperationFailure, conta::SilentAbort, conta::Error...) and then
// no entry is written.
CONTA_EXPORT bool CalculaConta(const conta::Variant* Parametros, int ParametrosHigh,
                               conta::Variant& Resultado);

}  // namespace Srv_Xol41260

// The same entry point under its plain name.
extern "C" CONTA_EXPORT bool CalculaConta(const conta::Variant* Parametros, int ParametrosHigh,
                                          conta::Variant& Resultado);

#endif  // CONTA_CALCULA_CONTA_H_
