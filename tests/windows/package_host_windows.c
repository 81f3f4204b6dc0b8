/* A Windows host that loads the module as a package, twice, the way an
 * application server does: LoadLibraryW, Initialize, bill the demo store,
 * (Finalize,) FreeLibrary. Usage: package_host_windows CONTA.DLL DIR */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

#include "conta/conta.h"
#include "lib/c_check.h"

static FARPROC symbol(HMODULE library, const char* name) {
  FARPROC address = GetProcAddress(library, name);
  CHECK(address != NULL, "%s is not exported", name);
  return address;
}

static void run_once(const wchar_t* path, const char* store, int first_life) {
  HMODULE library = LoadLibraryW(path);
  CHECK(library != NULL, "LoadLibraryW failed: error %lu", (unsigned long)GetLastError());
  if (library == NULL) return;
  entry_fn initialize = (entry_fn)(void (*)(void))symbol(library, "Initialize");
  entry_fn finalize = (entry_fn)(void (*)(void))symbol(library, "Finalize");
  info_fn info = (info_fn)(void (*)(void))symbol(library, "GetPackageInfoTable");
  loaded_conta conta;
  conta.create_demo_store = (set_text_fn)(void (*)(void))symbol(library, "conta_create_demo_store");
  conta.set_host_directory =
      (set_text_fn)(void (*)(void))symbol(library, "conta_set_host_directory");
  conta.set_connection =
      (set_text_fn)(void (*)(void))symbol(library, "conta_set_connection_string");
  conta.calcula = (calcula_fn)(void (*)(void))symbol(library, "conta_calcula");
  conta.bill_free = (bill_free_fn)(void (*)(void))symbol(library, "conta_bill_free");
  conta.release = (free_fn)(void (*)(void))symbol(library, "conta_free");
  CHECK(symbol(library, "CalculaConta") != NULL, "CalculaConta");
  if (!initialize || !finalize || !info || !conta.create_demo_store || !conta.set_host_directory ||
      !conta.set_connection || !conta.calcula || !conta.bill_free || !conta.release) {
    FreeLibrary(library);
    return;
  }

  initialize();
  const conta_package_info* table = info();
  CHECK(table->unit_count > 0 &&
            strcmp(table->units[table->unit_count - 1].name, "Srv_Xol41260") == 0,
        "the module's own unit is not last");
  CHECK(table->units[0].initialized == 1, "units not initialized");

  bill_demo_store(&conta, store, first_life);

  /* The first life leaves Finalize to the unload, the second calls it. */
  if (!first_life) finalize();
  CHECK(FreeLibrary(library), "FreeLibrary failed");
  CHECK(GetModuleHandleW(path) == NULL, "the library is still loaded after FreeLibrary");
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s CONTA.DLL DIR\n", argv[0]);
    return 2;
  }
  wchar_t library[MAX_PATH];
  MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, library, MAX_PATH);
  char store[MAX_PATH], trace[MAX_PATH], variable[MAX_PATH + 16];
  snprintf(store, sizeof store, "%s/package_host_store", argv[2]);
  snprintf(trace, sizeof trace, "%s/package_host_trace.txt", argv[2]);
  remove(trace);
  snprintf(variable, sizeof variable, "CONTA_TRACE=%s", trace);
  _putenv(variable);

  /* The first life has a language resource module beside the DLL, named
   * after the user's language as the system abbreviates it: any loadable
   * file does, so a copy of the DLL itself stands in. The second has none
   * and uses the DLL's own resources. */
  wchar_t language[16] = L"";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SABBREVLANGNAME, language, 16);
  wchar_t resources[MAX_PATH + 16];
  wcscpy(resources, library);
  wchar_t* extension = wcsrchr(resources, L'.');
  if (extension != NULL) swprintf(extension, 17, L".%ls", language);
  CHECK(language[0] != L'\0' && CopyFileW(library, resources, FALSE), "no resource module made");

  run_once(library, store, 1);
  DeleteFileW(resources);
  run_once(library, store, 0);

  /* Each life: loaded (with the DLL's own path), Initialize, the data
   * module made by the first bill, Finalize keeping it, the unload freeing
   * it. */
  const char* life =
      "Initialize\ndata module created\nFinalize (data module kept)\ndata module freed\n"
      "unloaded\n";
  const char* log = read_file(trace);
  CHECK(log != NULL, "no trace written");
  if (log != NULL) {
    CHECK(strncmp(log, "loaded ", 7) == 0 && strstr(log, "conta.dll\n") != NULL,
          "the load and the DLL's path are not traced:\n%s", log);
    const char* resources_line = strstr(log, "\nresources ");
    const char* second_load = strstr(log + 1, "\nloaded ");
    CHECK(resources_line != NULL && second_load != NULL && resources_line < second_load,
          "the first life's resource module is not traced:\n%s", log);
    CHECK(second_load != NULL && strstr(second_load, "\nresources ") == NULL,
          "the second life found a resource module it should not have:\n%s", log);
    const char* first = strstr(log, life);
    CHECK(first != NULL, "first life not traced as expected:\n%s", log);
    CHECK(first != NULL && strstr(first + strlen(life), life) != NULL,
          "second life not traced as expected:\n%s", log);
  }
  if (failures == 0) printf("package host: two lives, no failure\n");
  return failures == 0 ? 0 : 1;
}
