// The library entry: what the package does when the system loads it into a
// process and unloads it. The system's own entry point calls these.
#ifndef CONTA_FRAME_LIBRARY_ENTRY_H_
#define CONTA_FRAME_LIBRARY_ENTRY_H_

namespace Srv_Xol41260 {

// `instance`: the system's handle of the loaded library (Windows' module
// instance), or null where the system gives none.
void libraryAttach(void* instance);
// `processEnding`: the system unloads the library because the process ends
// (Windows says so; elsewhere it is not told and passes false). The data
// module is then left to the system, which reclaims it with the process.
void libraryDetach(bool processEnding);

}  // namespace Srv_Xol41260

#endif  // CONTA_FRAME_LIBRARY_ENTRY_H_
