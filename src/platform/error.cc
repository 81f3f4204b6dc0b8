// The out-of-line destructors that anchor the type information of the
// exception types in this library, so every library that throws or catches
// them shares one.
#include "conta/error.h"

namespace conta {

Error::~Error() = default;
VariantError::~VariantError() = default;
PacketError::~PacketError() = default;
DataSetError::~DataSetError() = default;
OperationFailure::~OperationFailure() = default;
SilentAbort::~SilentAbort() = default;

}  // namespace conta
