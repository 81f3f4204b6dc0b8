/* What the C test hosts share: a check that reports a failed condition and
 * counts it, and the C interface's entry points as a host that loads the
 * library by hand types them. */
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

#endif /* CONTA_TESTS_LIB_C_CHECK_H_ */
