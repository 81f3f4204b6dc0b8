// The language resource module of a loaded module. On Windows a module may
// have its texts in a file beside it named after it and the user's language
// ("conta.PTB", then "conta.PT"), loaded as data only; where there is none,
// and on systems without such files, the module serves as its own.
#ifndef CONTA_PLATFORM_OS_RESOURCE_MODULE_H_
#define CONTA_PLATFORM_OS_RESOURCE_MODULE_H_

#include <filesystem>

namespace conta::os {

struct ResourceModule {
  std::filesystem::path file;  // the resource file, or the module's own
  void* handle = nullptr;      // what the system loaded; the module's own handle otherwise
  bool separate = false;       // a file of its own, to be unloaded with the module
};

// `module_handle` is the system's handle of the module (its instance on
// Windows); it is returned as the resource module when there is no file.
ResourceModule openResourceModule(const std::filesystem::path& module_file, void* module_handle);

// Unloads a separate resource module; the module's own is left alone.
void closeResourceModule(ResourceModule& resources);

}  // namespace conta::os

#endif  // CONTA_PLATFORM_OS_RESOURCE_MODULE_H_
