/* A host written in C that loads the module as a package, twice, the way an
 * application server does: dlopen, Initialize, bill the demo store,
 * (Finalize,) dlclose. It includes the C interface as C.
 * Usage: package_host_test LIBCONTA DIR */
#include <dlfcn.h>
#include <math.h>
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
  set_text_fn set_connection;
  *(void**)(&set_connection) = symbol(library, "conta_set_connection_string");
  set_text_fn set_host_directory;
  *(void**)(&set_host_directory) = symbol(library, "conta_set_host_directory");
  set_text_fn create_demo_store;
  *(void**)(&create_demo_store) = symbol(library, "conta_create_demo_store");
  calcula_fn calcula;
  *(void**)(&calcula) = symbol(library, "conta_calcula");
  bill_free_fn bill_free;
  *(void**)(&bill_free) = symbol(library, "conta_bill_free");
  free_fn release;
  *(void**)(&release) = symbol(library, "conta_free");
  if (!initialize || !finalize || !info || !set_connection || !set_host_directory ||
      !create_demo_store || !calcula || !bill_free || !release)
    return 0;

  initialize();
  const conta_package_info* table = info();
  CHECK(table->unit_count > 0, "no units");
  CHECK(strcmp(table->units[table->unit_count - 1].name, "Srv_Xol41260") == 0,
        "the module's own unit is not last");
  CHECK(table->units[0].initialized == 1, "units not initialized");

  /* The demo store is made in the first life and billed in both: the
   * second life's module starts from nothing but the files. */
  char* error = NULL;
  if (!call_finalize) {
    CHECK(create_demo_store(store, &error) == CONTA_OK, "demo store: %s", error ? error : "");
    release(error);
    error = NULL;
  }
  CHECK(set_host_directory(store, &error) == CONTA_OK, "host directory: %s", error ? error : "");
  CHECK(set_connection("", &error) == CONTA_OK, "connection: %s", error ? error : "");
  conta_bill_request request = {"0012_0013_0021", "2", 1, 1, 1, "T", ""};
  conta_bill bill;
  int status = calcula(&request, &bill, &error);
  CHECK(status == CONTA_OK, "bill: %s", error ? error : "");
  release(error);
  if (status == CONTA_OK) {
    /* Recalculating the demo store gives its bill again. */
    CHECK(fabs(bill.values[CONTA_VR_TOTAL_CONTA] - 758.95) < 0.005, "total %.2f",
          bill.values[CONTA_VR_TOTAL_CONTA]);
    CHECK(bill.itens.size > 0, "no item packet");
    bill_free(&bill);
  }

  if (call_finalize) finalize();
  CHECK(dlclose(library) == 0, "dlclose: %s", dlerror());
  return 1;
}

static char* read_file(const char* path) {
  FILE* file = fopen(path, "rb");
  if (file == NULL) return NULL;
  static char buffer[8192];
  size_t n = fread(buffer, 1, sizeof buffer - 1, file);
  buffer[n] = '\0';
  fclose(file);
  return buffer;
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
