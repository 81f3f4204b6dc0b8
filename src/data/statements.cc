// The statements of the data module: every text for every database, with
// its parameters, in one place per statement. Each lookup or edit adds its
// statements here as it is built.
#include "frame/data_module.h"

namespace Srv_Xol41260 {

void TdtmFuncoesRev::defineStatements() {}

}  // namespace Srv_Xol41260
