/* The C interface of conta, for hosts in any language (C, Python ctypes,
 * Node, Go, Java, Pascal).
 *
 * Conventions:
 *  - Every function that can fail returns a status (CONTA_OK on success) and,
 *    when `error` is not NULL, stores there a message the caller frees with
 *    conta_free(); on success *error is set to NULL.
 *  - Texts are UTF-8 and NUL-terminated. Texts the library returns are the
 *    caller's to free with conta_free().
 *  - No C++ exception ever crosses this interface.
 *  - Calls are serialised inside the library: a host may call from several
 *    threads, but the calls run one at a time.
 */
#ifndef CONTA_CONTA_H_
#define CONTA_CONTA_H_

#include <stddef.h>

#include "conta/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Statuses. */
#define CONTA_OK 0
#define CONTA_ERROR 1            /* the work failed; the message says why */
#define CONTA_ABORTED 2          /* a bill rule refused and reported why */
#define CONTA_INVALID_ARGUMENT 3 /* a NULL or malformed argument */

/* ---- package entry points -------------------------------------------------
 * A host that loads the library calls Initialize once after loading and
 * Finalize before unloading; unloading without Finalize runs it. The data
 * module lives from the first call until the library is unloaded, which
 * frees it and closes its store connection: a host that loads and unloads
 * the library again and again holds one connection at most. */

typedef struct conta_package_unit {
  const char* name; /* the unit, e.g. "Srv_Xol41260" */
  int initialized;  /* 1 between Initialize and Finalize */
} conta_package_unit;

typedef struct conta_package_info {
  const char* package; /* "conta" */
  int unit_count;
  const conta_package_unit* units; /* in initialization order, the module's own last */
} conta_package_info;

CONTA_EXPORT void Initialize(void);
CONTA_EXPORT void Finalize(void);
CONTA_EXPORT const conta_package_info* GetPackageInfoTable(void);

/* ---- reports ---------------------------------------------------------------
 * The module reports failed operations and the messages of the bill rules.
 * By default each report is one line on standard error; a host may take them
 * instead. kind: 0 a failed database operation (operation, unit and context
 * set), 3 a bill rule's message (only text set). The pointers are valid
 * during the call only. */

typedef struct conta_report {
  int kind;
  const char* operation;
  const char* unit;
  const char* context;
  const char* text;
} conta_report;

typedef void (*conta_report_fn)(void* user_data, const conta_report* report);

/* NULL restores the default (standard error). */
CONTA_EXPORT void conta_set_report_sink(conta_report_fn sink, void* user_data);

/* ---- configuration ------------------------------------------------------- */

/* The store database's connection string (see docs/configuration.md); NULL
 * returns to CONTA_CONNECTION, conexao.txt in the host directory, or the
 * embedded default. A different string takes effect at the next call (the module
 * reconnects). */
CONTA_EXPORT int conta_set_connection_string(const char* connection_string, char** error);

/* The directory where the store's files are looked for; NULL returns to the
 * default (CONTA_HOST_DIR, else the executable's directory). It may change
 * between bills: the next bill takes that store's parameters, and its
 * conexao.txt or embedded database unless a connection string or
 * CONTA_CONNECTION names another. */
CONTA_EXPORT int conta_set_host_directory(const char* directory, char** error);

/* Creates the data module on first use and opens its connection, so a host
 * can check its set-up before the first bill. */
CONTA_EXPORT int conta_connect(char** error);

/* How the statements that test the comanda list run on PostgreSQL and
 * SQLite: "indexed" (the default) looks each substring of the list up through
 * the comanda index; "substring" searches the list for every comanda of the
 * branch, reading its whole history. Both find the same rows; the second is
 * kept for comparison and diagnosis. */
CONTA_EXPORT int conta_set_list_matching(const char* form, char** error);

/* The DDL of the store database for "sqlite" or "postgresql". */
CONTA_EXPORT int conta_store_schema(const char* dialect, char** sql, char** error);

/* The indexes a bill relies on to cost what its own rows cost on a store of
 * years, on the SQLite or PostgreSQL store the module connects to: *report
 * has one entry per index, present (under the store's name for it) or
 * missing (with its CREATE INDEX); with create non-zero the missing ones are
 * created first, under names beginning CONTA_IX_. Free *report with
 * conta_free. An Oracle or MS SQL Server store is not read: use
 * conta_store_index_ddl and give the DDL to its administrator. */
CONTA_EXPORT int conta_store_indexes(int create, char** report, char** error);
/* The CREATE INDEX statements of those indexes for "oracle", "mssql",
 * "postgresql" or "sqlite". */
CONTA_EXPORT int conta_store_index_ddl(const char* dialect, char** sql, char** error);

/* ---- the bill ---------------------------------------------------------------
 * conta_calcula computes the bill of one or more comandas (and of the tables
 * joined to theirs), writing back to the store database as the module does,
 * and answers with the fourteen result entries. */

typedef struct conta_bill_request {
  const char* lista_comandas;  /* the comanda numbers; a comanda is billed when its
                                  number occurs anywhere in the text */
  const char* tipo_conta;      /* "1" one person per comanda grouped under the first,
                                  "2" the persons of the sales, other: no count */
  int cobra_consumacao;        /* non-zero: apply the minimum consumption */
  int cobra_couvert;           /* non-zero: apply the cover charge */
  int cobra_taxa;              /* non-zero: apply the service charge */
  const char* lugares_mesa;    /* "T" for every seat, else the seats to bill */
  const char* itens_excluidos; /* item numbers left out; "" (or NULL) for none */
} conta_bill_request;

/* A data packet in the client dataset's binary format; data is the
 * library's, freed with conta_bill_free. */
typedef struct conta_packet {
  unsigned char* data;
  size_t size;
} conta_packet;

/* The result entries by index. */
#define CONTA_VR_CONSUMACAO 0         /* minimum-consumption charge */
#define CONTA_VR_TOTAL_CONTA 1        /* total: entries 2 + 0 + 5 + 6 */
#define CONTA_VR_TOTAL_ITENS 2        /* net amounts of the ordinary items */
#define CONTA_VR_BASE_TAXA 3          /* the part of entry 2 that bears service charge */
#define CONTA_VR_PRECO_CONSUMACAO 4   /* minimum consumption per person */
#define CONTA_VR_COUVERT 5            /* cover charge */
#define CONTA_VR_TAXA_SERVICO 6       /* service charge billed */
#define CONTA_VR_ACRESCIMO_COMANDAS 7 /* surcharges of the comandas (bill kind "2") */
#define CONTA_VR_TOTAL_DESCONTO 8     /* item discounts, all items */
#define CONTA_COMANDAS 9              /* the comanda packet */
#define CONTA_ITENS 10                /* the item packet */
#define CONTA_QTDE_PESSOAS 11         /* persons */
#define CONTA_VR_TAXA_CALCULADA 12    /* service charge before the switches */
#define CONTA_VR_DESCONTO_MANUAL 13   /* the manual part of entry 8 */
#define CONTA_ENTRY_COUNT 14

typedef struct conta_bill {
  double values[CONTA_ENTRY_COUNT]; /* entries 9 and 10 are 0 here: see below */
  conta_packet comandas;            /* entry 9 */
  conta_packet itens;               /* entry 10 */
} conta_bill;

/* On success fills *bill (free it with conta_bill_free); on failure leaves it
 * empty. CONTA_ABORTED: a bill rule refused (a charge product that cannot be
 * sold for tax reasons) and reported why; the message is that report.
 * A bill is one transaction of the store database: it first takes a lock
 * every other bill of the branch waits for, from any process, at most 15 s
 * (then it fails with CONTA_ERROR and a message that it waited for "outra
 * conta" of the branch); a bill that fails leaves the store as before it. */
CONTA_EXPORT int conta_calcula(const conta_bill_request* request, conta_bill* bill, char** error);
/* The same bill as a preview: computed whole, charge items and both packets
 * as the bill would leave them, and then rolled back, so that the store is
 * exactly as before. The entries are those conta_calcula would give at that
 * moment (the inclusion times of charge items it would add aside). For a
 * running total on a waiter's handheld. */
CONTA_EXPORT int conta_calcula_previa(const conta_bill_request* request, conta_bill* bill,
                                      char** error);
/* The bill as conta_calcula makes it (as conta_calcula_previa when previa
 * is non-zero), and in *explicacao (UTF-8 JSON, freed with conta_free) why
 * it is what it is: the bill's items by comanda and seat with the amount
 * each adds, and each charge with the figures of its rule or, for a charge
 * not billed, why ("nao_pedida", "desligada_na_comanda", "minimo_atingido",
 * "comanda_de_reserva", ...). docs/formats.md, "The bill's explanation",
 * gives every field. On failure *explicacao is NULL. */
CONTA_EXPORT int conta_calcula_explicada(const conta_bill_request* request, int previa,
                                         conta_bill* bill, char** explicacao, char** error);
CONTA_EXPORT void conta_bill_free(conta_bill* bill);

/* A packet (binary, XML or JSON) as "json", "xml" or "binary" text. */
CONTA_EXPORT int conta_packet_convert(const unsigned char* data, size_t size, const char* format,
                                      char** text, size_t* text_size, char** error);

/* Creates a demo store under `directory` (the SQLite database
 * Dados/loja.db, PARAMETROSXOL.CDS, Dados/Cadastros/AliqImpFis.cds), to try
 * the module and its host with. An existing demo there is replaced. */
CONTA_EXPORT int conta_create_demo_store(const char* directory, char** error);

/* ---- store histories -------------------------------------------------------
 * A store of generated sales, to bill and measure: closed sales every day up
 * to 2026-11-30 and, at the end of that day, about twenty open sales (two at
 * joined tables, one at a reserved table). The same options always write the
 * same rows. */

#define CONTA_HISTORY_MAX_ANOS 20
#define CONTA_HISTORY_MIN_VENDAS_POR_DIA 20
#define CONTA_HISTORY_MAX_VENDAS_POR_DIA 2000

typedef struct conta_history_options {
  int anos;                   /* years of 365 days; 0: 3 */
  int dias;                   /* > 0: this many days instead of the years */
  int vendas_por_dia;         /* sales a day; 0: 300 */
  unsigned long long semente; /* the seed of the draws; 0: 1 */
  int substituir;             /* non-zero: replace a store already there */
} conta_history_options;

/* Called as the sales are written: first with done 0, last with done ==
 * total, at most about a thousand times in between. */
typedef void (*conta_progress_fn)(void* user_data, unsigned long long done,
                                  unsigned long long total);

/* Writes the store under `directory`: PARAMETROSXOL.CDS,
 * Dados/Cadastros/AliqImpFis.cds and, with connection NULL or "", the SQLite
 * database Dados/loja.db; otherwise into the PostgreSQL database the
 * connection string names (its current schema), which `directory`/conexao.txt
 * then names. A store already there is an error unless options->substituir;
 * a failed run leaves the store that was there. *resumo (UTF-8 JSON, freed
 * with conta_free) says what was written: {"vendas", "comandas", "itens",
 * "vendas_abertas", "comandas_abertas": [...], "comandas_juncao",
 * "comanda_reserva", "primeiro_dia", "ultimo_dia", "base": {"tipo":
 * "sqlite", "arquivo", "bytes"} or {"tipo": "postgresql"}}. */
CONTA_EXPORT int conta_create_history_store(const char* directory, const char* connection,
                                            const conta_history_options* options,
                                            conta_progress_fn progress, void* user_data,
                                            char** resumo, char** error);

/* ---- memory and version -------------------------------------------------- */

CONTA_EXPORT void conta_free(char* text);
CONTA_EXPORT const char* conta_version(void);

#ifdef __cplusplus
}
#endif

#endif /* CONTA_CONTA_H_ */
