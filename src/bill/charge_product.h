// The charge products (minimum consumption, cover): the check that the
// store's fiscal printer can sell them, and the load of their product row.
// The two charge rules run both the same way; only the product and the
// message keys differ.
#ifndef CONTA_BILL_CHARGE_PRODUCT_H_
#define CONTA_BILL_CHARGE_PRODUCT_H_

#include <string>

#include "frame/data_module.h"

namespace Srv_Xol41260 {

// The message keys of the three ways a charge product cannot be sold.
struct ChaveMensagensImposto {
  const char* varios;    // more than one tax
  const char* nenhum;    // no tax
  const char* aliquota;  // a rate the fiscal printer does not know
};

extern const ChaveMensagensImposto kImpostoConsumacao;  // minimum consumption
extern const ChaveMensagensImposto kImpostoCouvert;     // cover charge

// Passes when the product has exactly one tax in the branch and the fiscal
// printer's rate table holds its rate (as a number) and fiscal type
// (without regard to case). Otherwise reports the key's text (kind 3) and
// raises conta::SilentAbort carrying it. A rate table that was never loaded
// raises a conta::Error that says so.
void VerificaImpostoCobranca(TdtmFuncoesRev& dm, const std::string& produto,
                             const ChaveMensagensImposto& chaves) CONTA_REQUIRES(moduleMutex);

// Loads the product's row into cdsItComanda (empty when the product has no
// row).
void CarregaProdutoCobranca(TdtmFuncoesRev& dm, const std::string& produto)
    CONTA_REQUIRES(moduleMutex);

}  // namespace Srv_Xol41260

#endif  // CONTA_BILL_CHARGE_PRODUCT_H_
