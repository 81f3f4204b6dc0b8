// The library entry of the shared library: the loader runs the constructor
// when it maps the library and the destructor when it unmaps it.
#include "frame/library_entry.h"

namespace {

__attribute__((constructor)) void attach() {
  Srv_Xol41260::libraryAttach(nullptr);
}

__attribute__((destructor)) void detach() {
  Srv_Xol41260::libraryDetach(false);
}

}  // namespace
