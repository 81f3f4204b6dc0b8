/* A host written in C that bills the demo store through the C interface.
 * Usage: c_bill_test DIR (a scratch directory; the demo store is made in it).
 *
 * The demo's first table: comandas 0012 and 0013 at table 10, joined with
 * table 11 and its comanda 0021. Amounts depend on the demo's data, so only
 * the ties between the entries and the store's structure are checked. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "conta/conta.h"
#include "lib/c_check.h"

#if defined(_WIN32)
/* The same test runs in the Windows build, under Wine. */
#include <direct.h>
#define mkdir(path, mode) _mkdir(path)
static void unsetenv(const char* name) {
  char assignment[256];
  snprintf(assignment, sizeof assignment, "%s=", name);
  _putenv(assignment);
}
#endif

static const char* text_or(const char* text, const char* otherwise) {
  return text != NULL ? text : otherwise;
}

/* Without libm: the magnitude, and a test for a finite number. */
static double magnitude(double x) {
  return x < 0 ? -x : x;
}
static int finite_number(double x) {
  return x - x == 0;
}

static int reports = 0;

static void count_report(void* user_data, const conta_report* report) {
  int* count = (int*)user_data;
  ++*count;
  fprintf(stderr, "report %d: %s %s\n", report->kind, text_or(report->operation, ""),
          text_or(report->text, ""));
}

/* The directory and its parents, like mkdir -p. */
static int make_directories(const char* path) {
  char partial[4096];
  size_t i;
  size_t length = strlen(path);
  if (length == 0 || length >= sizeof partial) return 0;
  for (i = 1; i <= length; ++i) {
    if (path[i] == '/' || path[i] == '\0') {
      memcpy(partial, path, i);
      partial[i] = '\0';
      if (mkdir(partial, 0755) != 0 && errno != EEXIST) return 0;
    }
  }
  return 1;
}

/* A packet of the bill as JSON text, or NULL (with a failure counted). */
static char* as_json(const conta_packet* packet, const char* which) {
  char* text = NULL;
  size_t size = 0;
  char* error = NULL;
  int status = conta_packet_convert(packet->data, packet->size, "json", &text, &size, &error);
  CHECK(status == CONTA_OK, "%s as json: %s", which, text_or(error, "(no message)"));
  conta_free(error);
  if (status != CONTA_OK) return NULL;
  CHECK(text != NULL && strncmp(text, "{\"fields\":[", 11) == 0, "%s json starts %.40s", which,
        text_or(text, "(null)"));
  CHECK(text != NULL && strlen(text) == size, "%s json size %lu", which, (unsigned long)size);
  return text;
}

static conta_bill_request first_table(void) {
  conta_bill_request request;
  request.lista_comandas = "0012";
  request.tipo_conta = "2";
  request.cobra_consumacao = 0;
  request.cobra_couvert = 0;
  request.cobra_taxa = 0;
  request.lugares_mesa = "T";
  request.itens_excluidos = "";
  return request;
}

/* Bills the first table and checks what every good bill of it shows;
 * returns the item total, or -1. */
static double bill_first_table(const char* how, const char* itens_excluidos) {
  conta_bill_request request = first_table();
  conta_bill bill;
  char* error = NULL;
  double total_itens = -1;
  int i;
  char* comandas;
  char* itens;

  request.itens_excluidos = itens_excluidos;
  memset(&bill, 0, sizeof bill);
  reports = 0;
  if (conta_calcula(&request, &bill, &error) != CONTA_OK) {
    CHECK(0, "%s: conta_calcula: %s", how, text_or(error, "(no message)"));
    conta_free(error);
    return -1;
  }
  CHECK(error == NULL, "%s: a message on success: %s", how, error);
  CHECK(reports == 0, "%s: %d reports for a good bill", how, reports);

  for (i = 0; i < CONTA_ENTRY_COUNT; ++i)
    CHECK(finite_number(bill.values[i]), "%s: entry %d is %g", how, i, bill.values[i]);
  CHECK(magnitude(bill.values[CONTA_VR_TOTAL_CONTA] -
                  (bill.values[CONTA_VR_TOTAL_ITENS] + bill.values[CONTA_VR_CONSUMACAO] +
                   bill.values[CONTA_VR_COUVERT] + bill.values[CONTA_VR_TAXA_SERVICO])) < 1e-9,
        "%s: total %.4f is not the sum of its parts", how, bill.values[CONTA_VR_TOTAL_CONTA]);
  CHECK(bill.values[CONTA_VR_TOTAL_ITENS] > 0, "%s: no items billed", how);
  CHECK(bill.values[CONTA_VR_TOTAL_CONTA] > 0, "%s: nothing to pay", how);
  CHECK(bill.values[CONTA_VR_BASE_TAXA] <= bill.values[CONTA_VR_TOTAL_ITENS] + 1e-9,
        "%s: base %.4f above the items", how, bill.values[CONTA_VR_BASE_TAXA]);
  CHECK(bill.values[CONTA_VR_DESCONTO_MANUAL] > 0, "%s: the manual discount is missing", how);
  CHECK(bill.values[CONTA_VR_TOTAL_DESCONTO] >= bill.values[CONTA_VR_DESCONTO_MANUAL] - 1e-9,
        "%s: manual discounts %.4f above all discounts %.4f", how,
        bill.values[CONTA_VR_DESCONTO_MANUAL], bill.values[CONTA_VR_TOTAL_DESCONTO]);
  CHECK(bill.values[CONTA_QTDE_PESSOAS] >= 1, "%s: %g persons", how,
        bill.values[CONTA_QTDE_PESSOAS]);
  CHECK(bill.comandas.data != NULL && bill.comandas.size > 0, "%s: no comanda packet", how);
  CHECK(bill.itens.data != NULL && bill.itens.size > 0, "%s: no item packet", how);

  if (bill.comandas.data != NULL && bill.itens.data != NULL) {
    comandas = as_json(&bill.comandas, "comandas");
    itens = as_json(&bill.itens, "itens");
    /* The comandas of the list and of the joined table. */
    CHECK(comandas != NULL && strstr(comandas, "\"0012\"") && strstr(comandas, "\"0013\"") &&
              strstr(comandas, "\"0021\""),
          "%s: comandas %.300s", how, text_or(comandas, "(null)"));
    CHECK(itens != NULL && strstr(itens, "\"NRPRODCOMVEN\"") != NULL, "%s: items %.200s", how,
          text_or(itens, "(null)"));
    conta_free(comandas);
    conta_free(itens);
  }
  total_itens = bill.values[CONTA_VR_TOTAL_ITENS];
  conta_bill_free(&bill);
  return total_itens;
}

int main(int argc, char** argv) {
  char* error = NULL;
  char database[4096];
  conta_bill bill;
  conta_bill_request request;
  double by_default;
  double by_name;
  int status;

  if (argc != 2) {
    fprintf(stderr, "usage: c_bill_test DIR\n");
    return 2;
  }
  /* The store's own settings only. */
  unsetenv("CONTA_CONNECTION");
  unsetenv("CONTA_HOST_DIR");
  CHECK(make_directories(argv[1]), "cannot make %s", argv[1]);
  CHECK(conta_create_demo_store(argv[1], &error) == CONTA_OK, "demo store: %s", text_or(error, ""));
  conta_free(error);
  CHECK(conta_set_host_directory(argv[1], &error) == CONTA_OK, "host directory: %s",
        text_or(error, ""));
  conta_free(error);
  CHECK(conta_set_connection_string(NULL, &error) == CONTA_OK, "connection: %s",
        text_or(error, ""));
  conta_free(error);
  conta_set_report_sink(count_report, &reports);

  /* The demo's embedded database is the default one. */
  by_default = bill_first_table("default database", "");
  /* Named explicitly; and no exclusion list at all. */
  snprintf(database, sizeof database, "sqlite:%s/Dados/loja.db", argv[1]);
  CHECK(conta_set_connection_string(database, &error) == CONTA_OK, "connection: %s",
        text_or(error, ""));
  conta_free(error);
  by_name = bill_first_table("named database", NULL);
  CHECK(magnitude(by_default - by_name) < 1e-9, "items %.4f, then %.4f", by_default, by_name);

  /* A list that names no open comanda: an error with a message, an empty
   * bill that is safe to free. */
  request = first_table();
  request.lista_comandas = "9999";
  memset(&bill, 0x5A, sizeof bill);
  status = conta_calcula(&request, &bill, &error);
  CHECK(status == CONTA_ERROR, "unknown list: status %d", status);
  CHECK(error != NULL && strstr(error, "9999") != NULL, "unknown list: message %s",
        text_or(error, "(null)"));
  conta_free(error);
  error = NULL;
  if (bill.comandas.data == NULL && bill.comandas.size == 0 && bill.itens.data == NULL &&
      bill.itens.size == 0)
    conta_bill_free(&bill);
  else
    CHECK(0, "the failed bill is not empty");

  /* A preview: the entries of the bill, nothing written (the items read
   * back by the next bill are those it read before). */
  request = first_table();
  status = conta_calcula_previa(&request, &bill, &error);
  CHECK(status == CONTA_OK, "preview: status %d, %s", status, text_or(error, ""));
  conta_free(error);
  error = NULL;
  if (status == CONTA_OK) {
    CHECK(magnitude(bill.values[CONTA_VR_TOTAL_ITENS] - by_default) < 1e-9,
          "preview: items %.2f", bill.values[CONTA_VR_TOTAL_ITENS]);
    conta_bill_free(&bill);
  }
  status = conta_calcula_previa(NULL, &bill, &error);
  CHECK(status == CONTA_INVALID_ARGUMENT, "preview without a request: status %d", status);
  conta_free(error);
  error = NULL;

  /* Arguments a host got wrong. */
  memset(&bill, 0, sizeof bill);
  status = conta_calcula(NULL, &bill, &error);
  CHECK(status == CONTA_INVALID_ARGUMENT, "no request: status %d", status);
  CHECK(error != NULL && error[0] != '\0', "no request: no message");
  conta_free(error);
  request = first_table();
  status = conta_calcula(&request, NULL, &error);
  CHECK(status == CONTA_INVALID_ARGUMENT, "no bill: status %d", status);
  conta_free(error);
  request.lista_comandas = NULL;
  status = conta_calcula(&request, &bill, &error);
  CHECK(status == CONTA_INVALID_ARGUMENT, "no list: status %d", status);
  conta_free(error);
  /* Without a place for the message the status still tells. */
  status = conta_calcula(NULL, &bill, NULL);
  CHECK(status == CONTA_INVALID_ARGUMENT, "no request, no message: status %d", status);

  /* After all that, the next bill is good. */
  CHECK(magnitude(bill_first_table("after the failures", "") - by_default) < 1e-9,
        "the items changed after the failures");
  conta_set_report_sink(NULL, NULL);

  if (failures != 0) {
    fprintf(stderr, "%d check(s) failed\n", failures);
    return 1;
  }
  printf("c_bill_test: the demo store billed through the C interface\n");
  return 0;
}
