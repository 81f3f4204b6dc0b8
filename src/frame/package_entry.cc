// The package's entry points: the library entry (load and unload), and
// Initialize, Finalize and GetPackageInfoTable for hosts that load it as a
// package.
#include <dlfcn.h>

#include <array>
#include <mutex>
#include <string>

#include "conta/conta.h"
#include "frame/data_module.h"
#include "frame/package_trace.h"

namespace Srv_Xol41260 {
namespace {

// The units the package uses, in dependency order, the module's own last.
// None of them has work of its own to do at either point; the table records
// that each one ran.
std::array<conta_package_unit, 9> g_units = {{
    {"conta_platform", 0},
    {"Mensagemxol", 0},
    {"Xol_corvana", 0},
    {"Consiste", 0},
    {"Geralxol", 0},
    {"Xol_proximocodigo", 0},
    {"Trad_utl", 0},
    {"Adosqlstorage", 0},
    {"Srv_Xol41260", 0},
}};

const conta_package_info g_package = {"conta", static_cast<int>(g_units.size()), g_units.data()};

std::mutex g_entry_mutex;
bool g_initialized = false;

// The library entry's record of this module. Made on first use: the library
// entry may run before the unit's own globals are constructed.
struct ModuleRecord {
  std::string instance;         // the package file
  std::string resource_module;  // the language resources
};
ModuleRecord& moduleRecord() {
  static ModuleRecord record;
  return record;
}

void initializeUnits() {
  std::lock_guard lock(g_entry_mutex);
  if (g_initialized) return;
  for (auto& unit : g_units)
    unit.initialized = 1;
  g_initialized = true;
  trace("Initialize");
}

void finalizeUnits() {
  std::lock_guard lock(g_entry_mutex);
  if (!g_initialized) return;
  for (auto it = g_units.rbegin(); it != g_units.rend(); ++it)
    it->initialized = 0;
  g_initialized = false;
  // The data module is not destroyed: it lives until the process ends.
  trace(dtmFuncoesRev != nullptr ? "Finalize (data module kept)" : "Finalize");
}

// Library entry, process attach: records the package file and its language
// resources. The texts exist in Portuguese only, so the package file itself
// serves as its resource module.
__attribute__((constructor)) void libraryAttach() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&libraryAttach), &info) != 0 && info.dli_fname != nullptr) {
    moduleRecord().instance = info.dli_fname;
  }
  moduleRecord().resource_module = moduleRecord().instance;
  trace("loaded " + moduleRecord().instance);
}

// Library entry, process detach: a host that unloads without Finalize gets
// it run here; the data module stays.
__attribute__((destructor)) void libraryDetach() {
  finalizeUnits();
  trace("unloaded");
}

}  // namespace
}  // namespace Srv_Xol41260

extern "C" {

CONTA_EXPORT void Initialize(void) {
  Srv_Xol41260::initializeUnits();
}

CONTA_EXPORT void Finalize(void) {
  Srv_Xol41260::finalizeUnits();
}

CONTA_EXPORT const conta_package_info* GetPackageInfoTable(void) {
  return &Srv_Xol41260::g_package;
}

}  // extern "C"
