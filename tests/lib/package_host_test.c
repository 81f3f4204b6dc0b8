/* A host written in C that loads the module as a package, the way an
 * application server does: dlopen, Initialize, bill the demo store,
 * (Finalize,) dlclose; twice, then CYCLES times more, checking that the
 * process holds no more open files and no more memory after the cycles
 * than before them: each unload frees the data module and closes its store
 * connection. It includes the C interface as C.
 * Usage: package_host_test LIBCONTA DIR [CYCLES] */
#include <dirent.h>
#include <dlfcn.h>
#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
/* The sanitizer's own count of live bytes (its runtime exports it; GCC
 * ships no header for it). */
size_t __sanitizer_get_current_allocated_bytes(void);
#endif

#include "conta/conta.h"
#include "lib/c_check.h"

static void* symbol(void* library, const char* name) {
  void* address = dlsym(library, name);
  CHECK(address != NULL, "%s is not exported", name);
  return address;
}

/* The process's open file descriptors. */
static int open_files(void) {
  DIR* directory = opendir("/proc/self/fd");
  if (directory == NULL) return -1;
  int count = 0;
  while (readdir(directory) != NULL)
    ++count;
  closedir(directory);
  return count;
}

/* The bytes of the live blocks the process allocated. */
static size_t live_bytes(void) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return __sanitizer_get_current_allocated_bytes();
#else
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

static int run_once(const char* path, const char* store, int call_finalize, int make_store) {
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
  bill_demo_store(&conta, store, make_store);

  if (call_finalize) finalize();
  CHECK(dlclose(library) == 0, "dlclose: %s", dlerror());
  return 1;
}

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    fprintf(stderr, "usage: %s LIBCONTA DIR [CYCLES]\n", argv[0]);
    return 2;
  }
  const int cycles = argc == 4 ? atoi(argv[3]) : 0;
  char store[4096], trace[4096];
  snprintf(store, sizeof store, "%s/package_host_store", argv[2]);
  snprintf(trace, sizeof trace, "%s/package_host_trace.txt", argv[2]);
  remove(trace);
  setenv("CONTA_TRACE", trace, 1);

  /* First life: unloaded without Finalize; the unload runs it. Second life:
   * Finalize, then unload. */
  run_once(argv[1], store, 0, 1);
  run_once(argv[1], store, 1, 0);

  const char* expected =
      "Initialize\ndata module created\nFinalize (data module kept)\ndata module freed\n"
      "unloaded\n";
  const char* log = read_file(trace);
  CHECK(log != NULL, "no trace written");
  if (log != NULL) {
    const char* first = strstr(log, expected);
    CHECK(first != NULL, "first life not traced as expected:\n%s", log);
    CHECK(first != NULL && strstr(first + strlen(expected), expected) != NULL,
          "second life not traced as expected:\n%s", log);
  }
  unsetenv("CONTA_TRACE");

  /* Many lives: after a few to let the libraries the module loads settle,
   * the open files and the live memory stay where they were. */
  if (cycles > 0) {
    const int settling = 10;
    for (int i = 0; i < settling; ++i)
      run_once(argv[1], store, i % 2, 0);
    const int files_before = open_files();
    const size_t bytes_before = live_bytes();
    for (int i = 0; i < cycles && failures == 0; ++i)
      run_once(argv[1], store, i % 2, 0);
    const int files_after = open_files();
    const size_t bytes_after = live_bytes();
    CHECK(files_after == files_before, "open files: %d before %d lives, %d after", files_before,
          cycles, files_after);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    /* A sanitizer's runtime keeps records of every library loaded, which
     * grow with each load; its leak check covers what the module leaves.
     * The memory is checked on the Clang build, which has none. */
#else
    const size_t allowed = 256 * 1024;
    CHECK(bytes_after <= bytes_before + allowed,
          "live memory: %zu bytes before %d lives, %zu after", bytes_before, cycles, bytes_after);
#endif
    printf("package host: %d lives, open files %d -> %d, live bytes %zu -> %zu\n", cycles,
           files_before, files_after, bytes_before, bytes_after);
  }
  if (failures == 0) printf("package host: two lives, no failure\n");
  return failures == 0 ? 0 : 1;
}
