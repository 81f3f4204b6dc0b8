// The library entry: what the package does when the system loads it into a
// process and unloads it. The system's own entry point calls these.
#ifndef CONTA_FRAME_LIBRARY_ENTRY_H_
#define CONTA_FRAME_LIBRARY_ENTRY_H_

namespace Srv_Xol41260 {

// `instance`: the system's handle of the loaded library (Windows' module
// instance), or null where the system gives none.
void libraryAttach(void* instance);
void libraryDetach();

}  // namespace Srv_Xol41260

#endif  // CONTA_FRAME_LIBRARY_ENTRY_H_
