#include "platform/os/resource_module.h"

namespace conta::os {

// Shared libraries here carry no separate resource files: the texts are in
// the library.
ResourceModule openResourceModule(const std::filesystem::path& module_file, void* module_handle) {
  return ResourceModule{module_file, module_handle, false};
}

void closeResourceModule(ResourceModule& resources) {
  resources = ResourceModule{};
}

}  // namespace conta::os
