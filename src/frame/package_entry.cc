// The package's entry points: what the library entry does at load and
// unload, and Initialize, Finalize and GetPackageInfoTable for hosts that
// load it as a package. The system's own entry (a constructor here, DllMain
// on Windows) is in library_entry_*.cc.
#include <array>
#include <filesystem>
#include <mutex>
#include <string>

#include "conta/conta.h"
#include "frame/data_module.h"
#include "frame/library_entry.h"
#include "frame/package_trace.h"
#include "platform/os/process.h"
#include "platform/os/resource_module.h"

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
    {kUnidadeModulo, 0},
}};

const conta_package_info g_package = {"conta", static_cast<int>(g_units.size()), g_units.data()};

std::mutex g_entry_mutex;
bool g_initialized = false;

// The library entry's record of this module: its file and its language
// resources. Made at attach and let go at detach by the library entry
// itself: attach may run before the unit's own globals are constructed, and
// detach after they are destroyed.
struct ModuleRecord {
  std::filesystem::path instance;
  conta::os::ResourceModule resources;
};
ModuleRecord*& recordPointer() {
  static ModuleRecord* record = nullptr;  // trivially destroyed: valid at detach
  return record;
}
ModuleRecord& moduleRecord() {
  ModuleRecord*& record = recordPointer();
  if (record == nullptr) record = new ModuleRecord;
  return *record;
}

std::string utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
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
  // The data module stays until the library is unloaded.
  ModuleLock module;
  trace(dtmFuncoesRev != nullptr ? "Finalize (data module kept)" : "Finalize");
}

}  // namespace

// Process attach: records the package file and finds its language
// resources (the package file itself when it has none: its texts are built
// in).
void libraryAttach(void* instance) {
  ModuleRecord& record = moduleRecord();
  record.instance = conta::os::moduleFileOf(reinterpret_cast<const void*>(&libraryAttach));
  record.resources = conta::os::openResourceModule(record.instance, instance);
  trace("loaded " + utf8(record.instance));
  if (record.resources.separate) trace("resources " + utf8(record.resources.file));
}

// Process detach: a host that unloads without Finalize gets it run here;
// the data module is freed, its connection closed, unless the process is
// ending. A separate resource module is let go.
void libraryDetach(bool processEnding) {
  finalizeUnits();
  if (!processEnding) releaseDataModule();
  conta::os::closeResourceModule(moduleRecord().resources);
  delete recordPointer();
  recordPointer() = nullptr;
  trace("unloaded");
}

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
