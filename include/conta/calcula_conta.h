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
// no entry is written. The bill is one transaction of the store database,
// begun with a lock that every other bill of the branch waits for (at most
// 15 s, then it fails saying so): a bill that fails leaves the store exactly
// as before it.
CONTA_EXPORT bool CalculaConta(const conta::Variant* Parametros, int ParametrosHigh,
                               conta::Variant& Resultado);

// The same bill as a preview: computed whole (the charge items it would add,
// re-price or remove included, entries 9 and 10 as the bill leaves them) and
// then rolled back, so that the store is exactly as before. The entries are
// those CalculaConta would give at that moment, apart from the inclusion
// times of charge items it would add. For a running total on a waiter's
// handheld.
CONTA_EXPORT bool CalculaContaPrevia(const conta::Variant* Parametros, int ParametrosHigh,
                                     conta::Variant& Resultado);

}  // namespace Srv_Xol41260

// The same entry point under its plain name.
extern "C" CONTA_EXPORT bool CalculaConta(const conta::Variant* Parametros, int ParametrosHigh,
                                          conta::Variant& Resultado);

#endif  // CONTA_CALCULA_CONTA_H_
