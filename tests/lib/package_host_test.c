/* A host written in C that loads the module as a package, twice, the way an
 * application server does: dlopen, Initialize, bill the demo store,
 * (Finalize,) dlclose. It includes the C interface as C.
 * Usage: package_host_test LIBCONTA DIR */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "conta/conta.h"
#include "lib/c_check.h"

static void* symbol(void* library, const char* name) {
  void* address = dlsym(library, name);
  CHECK(address != NULL, "%s is not exported", name);
  return address;
}

static int run_once(const char* path, const char* store, int call_finalize) {
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  CHECK(library != NULL, "dlopen: %s", dlerror());
  if (library == NULL) return 0;
  /* Function addresses are taken the POSIX way, through a void* object. */
  entry_fn initialize;
  *(void**)(&initialize) = symbol(library, "Initialize");
  entry_fn finalize;
  *(void**)(&finalize) = symbol(library, "Finalize");
  info_fn info;
  *(void**)(&info) = symbol(library, "GetPackageInfoTable");
  loaded_conta conta;
  *(void**)(&conta.set_connection) = symbol(library, "conta_set_connection_string");
  *(void**)(&conta.set_host_directory) = symbol(library, "conta_set_host_directory");
  *(void**)(&conta.create_demo_store) = symbol(library, "conta_create_demo_store");
  *(void**)(&conta.calcula) = symbol(library, "conta_calcula");
  *(void**)(&conta.bill_free) = symbol(library, "conta_bill_free");
  *(void**)(&conta.release) = symbol(library, "conta_free");
  if (!initialize || !finalize || !info || !conta.set_connection || !conta.set_host_directory ||
      !conta.create_demo_store || !conta.calcula || !conta.bill_free || !conta.release)
    return 0;

  initialize();
  const conta_package_info* table = info();
  CHECK(table->unit_count > 0, "no units");
  CHECK(strcmp(table->units[table->unit_count - 1].name, "Srv_Xol41260") == 0,
        "the module's own unit is not last");
  CHECK(table->units[0].initialized == 1, "units not initialized");

  /* The demo store is made in the first life and billed in both: the
   * second life's module starts from nothing but the files. */
  bill_demo_store(&conta, store, !call_finalize);

  if (call_finalize) finalize();
  CHECK(dlclose(library) == 0, "dlclose: %s", dlerror());
  return 1;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s LIBCONTA DIR\n", argv[0]);
    return 2;
  }
  char store[4096], trace[4096];
  snprintf(store, sizeof store, "%s/package_host_store", argv[2]);
  snprintf(trace, sizeof trace, "%s/package_host_trace.txt", argv[2]);
  remove(trace);
  setenv("CONTA_TRACE", trace, 1);

  /* First life: unloaded without Finalize; the unload runs it. Second life:
   * Finalize, then unload. */
  run_once(argv[1], store, 0);
  run_once(argv[1], store, 1);

  const char* expected = "Initialize\ndata module created\nFinalize (data module kept)\nunloaded\n";
  const char* log = read_file(trace);
  CHECK(log != NULL, "no trace written");
  if (log != NULL) {
    const char* first = strstr(log, expected);
    CHECK(first != NULL, "first life not traced as expected:\n%s", log);
    CHECK(first != NULL && strstr(first + strlen(expected), expected) != NULL,
          "second life not traced as expected:\n%s", log);
  }
  if (failures == 0) printf("package host: two lives, no failure\n");
  return failures == 0 ? 0 : 1;
}
