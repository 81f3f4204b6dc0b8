#include <windows.h>

#include <string>
#include <vector>

#include "platform/os/resource_module.h"

namespace conta::os {
namespace {

// The user's language as the resource files name it: the three-letter
// abbreviation ("PTB"), then its first two letters ("PT").
std::vector<std::wstring> languageSuffixes() {
  wchar_t abbreviation[16] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SABBREVLANGNAME, abbreviation, 16) == 0) {
    return {};
  }
  std::wstring full(abbreviation);
  std::vector<std::wstring> suffixes{full};
  if (full.size() > 2) suffixes.push_back(full.substr(0, 2));
  return suffixes;
}

}  // namespace

ResourceModule openResourceModule(const std::filesystem::path& module_file, void* module_handle) {
  std::filesystem::path base = module_file;
  base.replace_extension();
  for (const std::wstring& suffix : languageSuffixes()) {
    std::filesystem::path candidate = base;
    candidate += L"." + suffix;
    std::error_code error;
    if (!std::filesystem::is_regular_file(candidate, error)) continue;
    HMODULE loaded = LoadLibraryExW(candidate.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (loaded != nullptr) return ResourceModule{candidate, loaded, true};
  }
  return ResourceModule{module_file, module_handle, false};
}

void closeResourceModule(ResourceModule& resources) {
  if (resources.separate && resources.handle != nullptr) {
    FreeLibrary(static_cast<HMODULE>(resources.handle));
  }
  resources = ResourceModule{};
}

}  // namespace conta::os
