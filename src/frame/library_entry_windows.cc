// The library entry of the DLL. It always reports success: the package has
// nothing at load that could fail the host's LoadLibrary.
#include <windows.h>

#include "frame/library_entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      // The package keeps no per-thread state: no calls per thread.
      DisableThreadLibraryCalls(instance);
      Srv_Xol41260::libraryAttach(instance);
      break;
    case DLL_PROCESS_DETACH:
      // A non-null `reserved`: the process is ending, and its other threads
      // are gone, one of them perhaps holding the module lock.
      Srv_Xol41260::libraryDetach(reserved != nullptr);
      break;
    default:
      break;
  }
  return TRUE;
}
