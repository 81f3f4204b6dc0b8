// Translation of a data module's texts in place, for stores that run in
// another language.
#ifndef CONTA_SUPPORT_TRAD_UTL_H_
#define CONTA_SUPPORT_TRAD_UTL_H_

#include "platform/data_module.h"

namespace Trad_utl {

// The module's texts exist in Portuguese only, the language of every store
// it serves, so there is nothing to translate: the texts stay as they are.
void Trad(conta::DataModule& module);

}  // namespace Trad_utl

#endif  // CONTA_SUPPORT_TRAD_UTL_H_
