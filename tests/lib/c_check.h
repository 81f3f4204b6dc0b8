/* What the C test hosts share: a check that reports a failed condition and
 * counts it, the C interface's entry points as a host that loads the
 * library by hand types them, the demo store's bill through them, and a
 * small file read. */
#ifndef CONTA_TESTS_LIB_C_CHECK_H_
#define CONTA_TESTS_LIB_C_CHECK_H_

#include <stdio.h>

#include "conta/conta.h"

static int failures = 0;

#define CHECK(condition, ...)                     \
  do {                                            \
    if (!(condition)) {                           \
      fprintf(stderr, "FAILED %s: ", #condition); \
      fprintf(stderr, __VA_ARGS__);               \
      fprintf(stderr, "\n");                      \
      ++failures;                                 \
    }                                             \
  } while (0)

typedef void (*entry_fn)(void);
typedef const conta_package_info* (*info_fn)(void);
typedef int (*set_text_fn)(const char*, char**);
typedef void (*free_fn)(char*);
typedef int (*calcula_fn)(const conta_bill_request*, conta_bill*, char**);
typedef void (*bill_free_fn)(conta_bill*);

/* The entry points a host looks up in the library it loaded. */
typedef struct loaded_conta {
  set_text_fn create_demo_store;
  set_text_fn set_host_directory;
  set_text_fn set_connection;
  calcula_fn calcula;
  bill_free_fn bill_free;
  free_fn release;
} loaded_conta;

/* Bills the joined tables of the demo store in `store` (made there first
 * when `make_store`) through the loaded library: recalculating the demo
 * store gives its bill again, 481.45. */
static inline void bill_demo_store(const loaded_conta* conta, const char* store, int make_store) {
  char* error = NULL;
  if (make_store) {
    CHECK(conta->create_demo_store(store, &error) == CONTA_OK, "demo store: %s",
          error ? error : "");
    conta->release(error);
    error = NULL;
  }
  CHECK(conta->set_host_directory(store, &error) == CONTA_OK, "host directory: %s",
        error ? error : "");
  CHECK(conta->set_connection("", &error) == CONTA_OK, "connection: %s", error ? error : "");
  conta_bill_request request = {"0012_0013_0021", "2", 1, 1, 1, "T", ""};
  conta_bill bill;
  int status = conta->calcula(&request, &bill, &error);
  CHECK(status == CONTA_OK, "bill: %s", error ? error : "");
  conta->release(error);
  if (status == CONTA_OK) {
    double difference = bill.values[CONTA_VR_TOTAL_CONTA] - 481.45;
    CHECK(difference < 0.005 && difference > -0.005, "total %.2f",
          bill.values[CONTA_VR_TOTAL_CONTA]);
    CHECK(bill.itens.size > 0, "no item packet");
    conta->bill_free(&bill);
  }
}

/* A small file's whole text (8 KB at most), or NULL. */
static inline const char* read_file(const char* path) {
  static char buffer[8192];
  FILE* file = fopen(path, "rb");
  if (file == NULL) return NULL;
  size_t n = fread(buffer, 1, sizeof buffer - 1, file);
  buffer[n] = '\0';
  fclose(file);
  return buffer;
}

#endif /* CONTA_TESTS_LIB_C_CHECK_H_ */
