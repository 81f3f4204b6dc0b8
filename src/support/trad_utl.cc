#include "support/trad_utl.h"

namespace Trad_utl {

void Trad(conta::DataModule&) {}

}  // namespace Trad_utl
