/* An example host of libconta in C99: it bills the joined tables of the demo
 * store through the C interface and prints what a point-of-sale server gets
 * back.
 *
 * Usage: conta_example_host STORE_DIR [CONNECTION]
 *
 *   STORE_DIR   the store's directory (PARAMETROSXOL.CDS, Dados/...). When it
 *               holds no PARAMETROSXOL.CDS, the demo store is created there.
 *   CONNECTION  the store database's connection string; without it the
 *               environment variable CONTA_CONNECTION, else "" (the embedded
 *               SQLite store Dados/loja.db under STORE_DIR).
 *
 * Every call that can fail returns CONTA_OK or a status and hands back a
 * message the host frees with conta_free(). On any failure this host prints
 * the message and exits with status 1. */
#include <conta/conta.h>
#include <stdio.h>
#include <stdlib.h>

/* The result entries by name; the index constants come from conta.h. */
static const char* const entry_names[CONTA_ENTRY_COUNT] = {
    [CONTA_VR_CONSUMACAO] = "VrConsumacao",
    [CONTA_VR_TOTAL_CONTA] = "VrTotalConta",
    [CONTA_VR_TOTAL_ITENS] = "VrTotalItens",
    [CONTA_VR_BASE_TAXA] = "VrBaseTaxa",
    [CONTA_VR_PRECO_CONSUMACAO] = "VrPrecoConsumacao",
    [CONTA_VR_COUVERT] = "VrCouvert",
    [CONTA_VR_TAXA_SERVICO] = "VrTaxaServico",
    [CONTA_VR_ACRESCIMO_COMANDAS] = "VrAcrescimoComandas",
    [CONTA_VR_TOTAL_DESCONTO] = "VrTotalDesconto",
    [CONTA_COMANDAS] = "Comandas",
    [CONTA_ITENS] = "Itens",
    [CONTA_QTDE_PESSOAS] = "QtdePessoas",
    [CONTA_VR_TAXA_CALCULADA] = "VrTaxaCalculada",
    [CONTA_VR_DESCONTO_MANUAL] = "VrDescontoManual",
};

static const char* text_or_empty(const char* text) {
  return text != NULL ? text : "";
}

/* Prints what failed and the library's message, frees the message, and
 * returns the host's exit status. */
static int failed(const char* what, int status, char* error) {
  fflush(stdout); /* what was printed so far comes first */
  fprintf(stderr, "conta_example_host: %s failed (status %d): %s\n", what, status,
          error != NULL ? error : "(no message)");
  conta_free(error);
  return 1;
}

/* The report sink: the module reports failed database operations (kind 0)
 * and the bill rules' messages (kind 3) here instead of on standard error.
 * It runs inside the library call that reports; the texts are valid during
 * this call only, so a host that keeps them copies them. */
static void print_report(void* user_data, const conta_report* report) {
  int* count = (int*)user_data;
  ++*count;
  if (report->kind == 0) {
    printf("report: %s failed in %s (%s): %s\n", text_or_empty(report->operation),
           text_or_empty(report->unit), text_or_empty(report->context),
           text_or_empty(report->text));
  } else {
    printf("report (kind %d): %s\n", report->kind, text_or_empty(report->text));
  }
}

static int file_exists(const char* path) {
  FILE* file = fopen(path, "rb");
  if (file == NULL) return 0;
  fclose(file);
  return 1;
}

/* Prints a packet of the bill (binary, library-owned) as JSON text. */
static int print_packet_as_json(const char* name, const conta_packet* packet) {
  char* json = NULL;
  size_t json_size = 0;
  char* error = NULL;
  int status = conta_packet_convert(packet->data, packet->size, "json", &json, &json_size, &error);
  if (status != CONTA_OK) return failed("conta_packet_convert", status, error);
  /* The text is NUL-terminated; json_size is its length without the NUL. */
  printf("%s (%lu bytes of JSON):\n%s\n", name, (unsigned long)json_size, json);
  conta_free(json);
  return 0;
}

int main(int argc, char** argv) {
  const char* store;
  const char* connection;
  char parameters_file[4096];
  char* error = NULL;
  int status;
  int reports = 0;
  int i;
  int exit_status = 0;
  conta_bill bill;
  /* The demo's table 10 (comandas 0012 and 0013) is joined with table 11
   * (comanda 0021): the three comandas are billed together, with the
   * persons of the sales (kind "2"), the minimum consumption, the cover and
   * the service charge, every seat ("T") and no item left out. */
  conta_bill_request request = {"0012_0013_0021", "2", 1, 1, 1, "T", ""};

  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: conta_example_host STORE_DIR [CONNECTION]\n");
    return 2;
  }
  store = argv[1];
  connection = argc == 3 ? argv[2] : getenv("CONTA_CONNECTION");
  if (connection == NULL) connection = "";

  printf("libconta %s\n", conta_version()); /* a static text: not freed */

  /* The store: a new demo store unless the directory already holds one. */
  if (snprintf(parameters_file, sizeof parameters_file, "%s/PARAMETROSXOL.CDS", store) >=
      (int)sizeof parameters_file) {
    fprintf(stderr, "conta_example_host: the store directory's name is too long\n");
    return 1;
  }
  if (!file_exists(parameters_file)) {
    status = conta_create_demo_store(store, &error);
    if (status != CONTA_OK) return failed("conta_create_demo_store", status, error);
    printf("demo store created in %s\n", store);
  } else {
    printf("store in %s\n", store);
  }

  /* Where the module finds the store's parameter files (and, for the
   * embedded default, its database). The parameters are read once per
   * process: set it before the first bill. */
  status = conta_set_host_directory(store, &error);
  if (status != CONTA_OK) return failed("conta_set_host_directory", status, error);

  /* "" is the embedded SQLite store; NULL would instead let the library look
   * at CONTA_CONNECTION and conexao.txt itself. */
  status = conta_set_connection_string(connection, &error);
  if (status != CONTA_OK) return failed("conta_set_connection_string", status, error);

  conta_set_report_sink(print_report, &reports);

  /* The bill. On failure the bill is left empty (nothing to free). */
  status = conta_calcula(&request, &bill, &error);
  if (status != CONTA_OK) {
    /* CONTA_ABORTED: a bill rule refused; its report went to the sink. */
    exit_status = failed("conta_calcula", status, error);
  } else {
    printf("\nbill of comandas %s (kind %s)\n", request.lista_comandas, request.tipo_conta);
    for (i = 0; i < CONTA_ENTRY_COUNT; ++i) {
      if (i == CONTA_COMANDAS || i == CONTA_ITENS) {
        /* Entries 9 and 10 are packets, not numbers. */
        const conta_packet* packet = i == CONTA_COMANDAS ? &bill.comandas : &bill.itens;
        printf("%2d %-20s packet of %lu bytes\n", i, entry_names[i], (unsigned long)packet->size);
      } else if (i == CONTA_QTDE_PESSOAS) {
        printf("%2d %-20s %.0f\n", i, entry_names[i], bill.values[i]);
      } else {
        /* Amounts are doubles, not rounded to cents: round them for people. */
        printf("%2d %-20s %.2f\n", i, entry_names[i], bill.values[i]);
      }
    }
    printf("\n");
    if (print_packet_as_json("comandas", &bill.comandas) != 0 ||
        print_packet_as_json("itens", &bill.itens) != 0) {
      exit_status = 1;
    }
    /* Frees both packets and empties the bill. */
    conta_bill_free(&bill);
  }

  /* Back to standard error: `reports` is about to go out of scope. */
  conta_set_report_sink(NULL, NULL);
  if (reports > 0) printf("%d report(s)\n", reports);
  return exit_status;
}
