// The C interface: every entry point catches everything once, through
// guard(), and answers with a status and a message the caller frees.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "bill/bill_explanation.h"
#include "conta/calcula_conta.h"
#include "conta/conta.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "data/demo_store.h"
#include "data/list_matching.h"
#include "data/store_indexes.h"
#include "data/store_schema.h"
#include "frame/data_module.h"
#include "history/history.h"
#include "platform/db/dialect.h"
#include "platform/host_directory.h"
#include "support/geralxol.h"
#include "support/mensagemxol.h"

namespace {

char* copyText(const std::string& text) {
  char* out = static_cast<char*>(std::malloc(text.size() + 1));
  if (out != nullptr) std::memcpy(out, text.c_str(), text.size() + 1);
  return out;
}

unsigned char* copyBytes(const std::string& bytes) {
  auto* out = static_cast<unsigned char*>(std::malloc(bytes.size() > 0 ? bytes.size() : 1));
  if (out == nullptr) throw std::bad_alloc();
  std::memcpy(out, bytes.data(), bytes.size());
  return out;
}

void setError(char** error, const std::string& message) {
  if (error != nullptr) *error = copyText(message);
}

// What runs with the module lock held: the work guard runs, and the helpers
// that work calls.
#define UNDER_MODULE_LOCK CONTA_REQUIRES(Srv_Xol41260::moduleMutex)

// Runs `work` under the module's lock; exceptions become a status and a
// message.
template <class Work>
int guard(char** error, Work&& work) {
  if (error != nullptr) *error = nullptr;
  try {
    Srv_Xol41260::ModuleLock lock;
    work();
    return CONTA_OK;
  } catch (const conta::SilentAbort& e) {
    setError(error, e.what());
    return CONTA_ABORTED;
  } catch (const std::bad_alloc&) {
    setError(error, "out of memory");
    return CONTA_ERROR;
  } catch (const std::exception& e) {
    setError(error, e.what());
    return CONTA_ERROR;
  } catch (...) {
    setError(error, "unknown failure");
    return CONTA_ERROR;
  }
}

struct HostSink {
  conta_report_fn function = nullptr;
  void* user_data = nullptr;
};

// A new connection string, or a new host directory (where conexao.txt and
// the embedded default store are found), takes effect at the next call: the
// module's connection, open since an earlier call, is closed so that it
// reconnects. `always`: close even when the string reads the same (the
// embedded default names no path of its own).
void reconnectIfMoved(bool always) UNDER_MODULE_LOCK {
  if (Srv_Xol41260::dtmFuncoesRev == nullptr) return;
  conta::db::Connection& connection = Srv_Xol41260::dtmFuncoesRev->adcFuncoesRev;
  if (always || Geralxol::GetStringConexXol("") != connection.connectionString())
    connection.close();
}

// The store parameters are read once and kept for every later bill; a host
// that moves to another store's directory gets that store's parameters at
// its next bill, not the ones of the store it left.
void forgetStoreParameters() UNDER_MODULE_LOCK {
  if (Srv_Xol41260::dtmFuncoesRev == nullptr) return;
  Srv_Xol41260::dtmFuncoesRev->cdsParametrosXol.close();
}

// Whether the module's connection is open and, as far as its driver knows,
// alive. Asks nothing of the server.
bool openConnection() UNDER_MODULE_LOCK {
  return Srv_Xol41260::dtmFuncoesRev != nullptr &&
         Srv_Xol41260::dtmFuncoesRev->adcFuncoesRev.connected();
}

}  // namespace

extern "C" {

CONTA_EXPORT void conta_set_report_sink(conta_report_fn sink, void* user_data) {
  if (sink == nullptr) {
    Mensagemxol::setReportSink({});
    return;
  }
  HostSink host{sink, user_data};
  Mensagemxol::setReportSink([host](const Mensagemxol::Report& r) {
    conta_report report{r.kind, r.operation.c_str(), r.unit.c_str(), r.context.c_str(),
                        r.text.c_str()};
    host.function(host.user_data, &report);
  });
}

CONTA_EXPORT int conta_set_connection_string(const char* connection_string, char** error) {
  return guard(error, [&]() UNDER_MODULE_LOCK {
    if (connection_string == nullptr) {
      Geralxol::setConnectionString(std::nullopt);
    } else {
      Geralxol::setConnectionString(std::string(connection_string));
    }
    reconnectIfMoved(false);
  });
}

CONTA_EXPORT int conta_set_host_directory(const char* directory, char** error) {
  return guard(error, [&]() UNDER_MODULE_LOCK {
    const std::filesystem::path before = conta::hostDirectory();
    conta::setHostDirectory(directory == nullptr ? std::filesystem::path()
                                                 : std::filesystem::path(directory));
    reconnectIfMoved(true);
    if (conta::hostDirectory() != before) forgetStoreParameters();
  });
}

CONTA_EXPORT int conta_connect(char** error) {
  return guard(error, []() UNDER_MODULE_LOCK {
    Srv_Xol41260::TdtmFuncoesRev& module = Srv_Xol41260::dataModule();
    module.adcFuncoesRev.open();
  });
}

CONTA_EXPORT int conta_set_list_matching(const char* form, char** error) {
  const std::string name = form == nullptr ? "" : form;
  if (name != "indexed" && name != "substring") {
    setError(error,
             "conta_set_list_matching takes \"indexed\" or \"substring\", not \"" + name + "\"");
    return CONTA_INVALID_ARGUMENT;
  }
  return guard(error, [&]() UNDER_MODULE_LOCK {
    Srv_Xol41260::dataModule().useListMatching(name == "indexed"
                                                   ? conta::data::ListMatching::Indexed
                                                   : conta::data::ListMatching::Substring);
  });
}

CONTA_EXPORT int conta_store_indexes(int create, char** report, char** error) {
  if (report != nullptr) *report = nullptr;
  if (report == nullptr) {
    setError(error, "conta_store_indexes needs a place for the report");
    return CONTA_INVALID_ARGUMENT;
  }
  return guard(error, [&]() UNDER_MODULE_LOCK {
    conta::db::Connection& connection = Srv_Xol41260::dataModule().adcFuncoesRev;
    std::vector<std::string> criados;
    if (create != 0) criados = conta::data::criaIndices(connection);
    std::string text;
    for (const conta::data::SituacaoIndice& s : conta::data::confereIndices(connection)) {
      std::string colunas;
      for (const auto& c : s.indice.colunas)
        colunas += (colunas.empty() ? "" : ", ") + c;
      const bool criado = std::find(criados.begin(), criados.end(), s.indice.nome) != criados.end();
      text += s.indice.tabela + " (" + colunas + "): " +
              (criado ? "criado agora, " + s.existente
               : s.existente.empty()
                   ? "falta: " + conta::data::ddlIndice(s.indice, connection.dialect())
                   : "presente, " + s.existente) +
              "\n    " + s.indice.porque + "\n";
    }
    *report = copyText(text);
  });
}

CONTA_EXPORT int conta_store_index_ddl(const char* dialect, char** sql, char** error) {
  if (sql != nullptr) *sql = nullptr;
  const std::optional<conta::db::Dialect> found =
      conta::db::dialectFromName(dialect == nullptr ? "" : dialect);
  if (sql == nullptr || !found) {
    setError(error,
             "conta_store_index_ddl takes \"oracle\", \"mssql\", \"postgresql\" or "
             "\"sqlite\", and a place for the text");
    return CONTA_INVALID_ARGUMENT;
  }
  return guard(error, [&]() UNDER_MODULE_LOCK {
    std::string text;
    for (const conta::data::IndiceConta& indice : conta::data::indicesDaConta())
      text += conta::data::ddlIndice(indice, *found) + ";\n";
    *sql = copyText(text);
  });
}

CONTA_EXPORT int conta_store_schema(const char* dialect, char** sql, char** error) {
  if (sql != nullptr) *sql = nullptr;
  if (dialect == nullptr || sql == nullptr) {
    setError(error, "conta_store_schema needs a dialect and a place for the text");
    return CONTA_INVALID_ARGUMENT;
  }
  return guard(error, [&]() UNDER_MODULE_LOCK { *sql = copyText(conta::storeSchemaSql(dialect)); });
}

}  // extern "C"

namespace {

// conta_calcula and conta_calcula_previa: the bill for good, or its preview.
int calcula(const char* name, const conta_bill_request* request, conta_bill* bill, char** error,
            bool previa, char** explicacao = nullptr) {
  if (bill != nullptr) *bill = conta_bill{};
  if (explicacao != nullptr) *explicacao = nullptr;
  if (request == nullptr || bill == nullptr || request->lista_comandas == nullptr ||
      request->tipo_conta == nullptr) {
    setError(error, std::string(name) +
                        " needs a request with a comanda list and a bill kind, and a bill to "
                        "fill");
    return CONTA_INVALID_ARGUMENT;
  }
  conta_bill made{};
  std::string texto;
  auto makeBill = [&] {
    // The seven positional parameters; no seat text means every seat.
    conta::Variant parameters[7] = {
        conta::Variant(request->lista_comandas),
        conta::Variant(request->tipo_conta),
        conta::Variant(request->cobra_consumacao != 0),
        conta::Variant(request->cobra_couvert != 0),
        conta::Variant(request->cobra_taxa != 0),
        conta::Variant(request->lugares_mesa != nullptr ? request->lugares_mesa : "T"),
        conta::Variant(request->itens_excluidos != nullptr ? request->itens_excluidos : ""),
    };
    conta::Variant result = conta::Variant::array(CONTA_ENTRY_COUNT);
    if (explicacao != nullptr) {
      Srv_Xol41260::CalculaContaExplicada(parameters, 6, result, previa, texto);
    } else if (previa) {
      Srv_Xol41260::CalculaContaPrevia(parameters, 6, result);
    } else {
      Srv_Xol41260::CalculaConta(parameters, 6, result);
    }
    std::string comandas = conta::encodeBinaryPacket(result[CONTA_COMANDAS].packet());
    std::string itens = conta::encodeBinaryPacket(result[CONTA_ITENS].packet());
    for (int i = 0; i < CONTA_ENTRY_COUNT; ++i) {
      made.values[i] = (i == CONTA_COMANDAS || i == CONTA_ITENS) ? 0 : result[i].toDouble();
    }
    made.comandas = {copyBytes(comandas), comandas.size()};
    try {
      made.itens = {copyBytes(itens), itens.size()};
    } catch (...) {
      std::free(made.comandas.data);
      made = conta_bill{};
      throw;
    }
  };
  int status = guard(error, [&]() UNDER_MODULE_LOCK {
    // A connection open since an earlier call may have died in between (the
    // server restarted, the link dropped); the driver only finds out when
    // the bill's first statement fails. Such a bill is made once more, on a
    // new connection: every call makes its bill whole again, so nothing is
    // counted twice. A server that stays down fails the second try too, with
    // the error of the connection itself.
    const bool wasOpen = openConnection();
    try {
      makeBill();
    } catch (const conta::SilentAbort&) {
      throw;
    } catch (...) {
      if (!wasOpen || openConnection()) throw;
      makeBill();
    }
    if (explicacao != nullptr) {
      char* copia = copyText(texto);
      if (copia == nullptr) {
        conta_bill_free(&made);
        throw std::bad_alloc();
      }
      *explicacao = copia;
    }
  });
  if (status == CONTA_OK) *bill = made;
  return status;
}

}  // namespace

extern "C" {

CONTA_EXPORT int conta_calcula(const conta_bill_request* request, conta_bill* bill, char** error) {
  return calcula("conta_calcula", request, bill, error, false);
}

CONTA_EXPORT int conta_calcula_previa(const conta_bill_request* request, conta_bill* bill,
                                      char** error) {
  return calcula("conta_calcula_previa", request, bill, error, true);
}

CONTA_EXPORT int conta_calcula_explicada(const conta_bill_request* request, int previa,
                                         conta_bill* bill, char** explicacao, char** error) {
  if (explicacao == nullptr) {
    if (bill != nullptr) *bill = conta_bill{};
    setError(error, "conta_calcula_explicada needs a place for the explanation");
    return CONTA_INVALID_ARGUMENT;
  }
  return calcula("conta_calcula_explicada", request, bill, error, previa != 0, explicacao);
}

CONTA_EXPORT void conta_bill_free(conta_bill* bill) {
  if (bill == nullptr) return;
  std::free(bill->comandas.data);
  std::free(bill->itens.data);
  *bill = conta_bill{};
}

CONTA_EXPORT int conta_packet_convert(const unsigned char* data, size_t size, const char* format,
                                      char** text, size_t* text_size, char** error) {
  if (text != nullptr) *text = nullptr;
  if (text_size != nullptr) *text_size = 0;
  if (data == nullptr || format == nullptr || text == nullptr) {
    setError(error,
             "conta_packet_convert needs the packet's bytes, a format and a place for the "
             "text");
    return CONTA_INVALID_ARGUMENT;
  }
  auto target = conta::packetFormatFromName(format);
  if (!target) {
    setError(error,
             std::string("unknown packet format '") + format + "' (use json, xml or binary)");
    return CONTA_INVALID_ARGUMENT;
  }
  return guard(error, [&]() UNDER_MODULE_LOCK {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string out = conta::encodePacket(conta::decodePacket(bytes), *target);
    // NUL-terminated for text formats; the size also covers binary output.
    char* copy = static_cast<char*>(std::malloc(out.size() + 1));
    if (copy == nullptr) throw std::bad_alloc();
    std::memcpy(copy, out.data(), out.size());
    copy[out.size()] = '\0';
    *text = copy;
    if (text_size != nullptr) *text_size = out.size();
  });
}

CONTA_EXPORT int conta_create_demo_store(const char* directory, char** error) {
  if (directory == nullptr) {
    setError(error, "conta_create_demo_store needs a directory");
    return CONTA_INVALID_ARGUMENT;
  }
  return guard(error, [&]() UNDER_MODULE_LOCK { conta::data::createDemoStore(directory); });
}

CONTA_EXPORT int conta_create_history_store(const char* directory, const char* connection,
                                            const conta_history_options* options,
                                            conta_progress_fn progress, void* user_data,
                                            char** resumo, char** error) {
  if (resumo != nullptr) *resumo = nullptr;
  if (directory == nullptr || options == nullptr || resumo == nullptr) {
    setError(error,
             "conta_create_history_store needs a directory, the options and a place for the "
             "summary");
    return CONTA_INVALID_ARGUMENT;
  }
  return guard(error, [&]() UNDER_MODULE_LOCK {
    conta::history::Opcoes opcoes;
    if (options->anos != 0) opcoes.anos = options->anos;
    opcoes.dias = options->dias;
    if (options->vendas_por_dia != 0) opcoes.vendas_por_dia = options->vendas_por_dia;
    if (options->semente != 0) opcoes.semente = options->semente;
    opcoes.substituir = options->substituir != 0;
    conta::history::Progresso progresso;
    if (progress != nullptr) {
      progresso = [progress, user_data](std::uint64_t feito, std::uint64_t total) {
        progress(user_data, feito, total);
      };
    }
    const std::string conexao = connection != nullptr ? connection : "";
    const conta::history::Resumo feito =
        conta::history::gera(directory, conexao, opcoes, progresso);
    char* texto = copyText(conta::history::resumoJson(feito, directory, conexao));
    if (texto == nullptr) throw std::bad_alloc();
    *resumo = texto;
  });
}

CONTA_EXPORT void conta_free(char* text) {
  std::free(text);
}

CONTA_EXPORT const char* conta_version(void) {
  return CONTA_VERSION;
}

}  // extern "C"
