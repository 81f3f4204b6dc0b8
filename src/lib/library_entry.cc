// The shared library itself: everything it exports comes from the layers it
// links whole; this unit only gives the library its version string.
#include "conta/export.h"

extern "C" CONTA_EXPORT const char* conta_version(void) {
  return "0.1.0";
}
