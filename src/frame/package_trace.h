// A trace of the package's life (loaded, Initialize, data module created,
// Finalize, unloaded) for integrators who debug how their host loads the
// module: one line per event, appended to the file named by CONTA_TRACE.
// Without the variable nothing is written.
#ifndef CONTA_FRAME_PACKAGE_TRACE_H_
#define CONTA_FRAME_PACKAGE_TRACE_H_

#include <string_view>

namespace Srv_Xol41260 {

void trace(std::string_view event);

}  // namespace Srv_Xol41260

#endif  // CONTA_FRAME_PACKAGE_TRACE_H_
