// The C interface: every entry point catches everything once, through
// guard(), and answers with a status and a message the caller frees.
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <string>

#include "conta/conta.h"
#include "conta/error.h"
#include "data/store_schema.h"
#include "frame/data_module.h"
#include "platform/host_directory.h"
#include "support/geralxol.h"
#include "support/mensagemxol.h"

namespace {

char* copyText(const std::string& text) {
  char* out = static_cast<char*>(std::malloc(text.size() + 1));
  if (out != nullptr) std::memcpy(out, text.c_str(), text.size() + 1);
  return out;
}

void setError(char** error, const std::string& message) {
  if (error != nullptr) *error = copyText(message);
}

// Runs `work` under the module's lock; exceptions become a status and a
// message.
template <class Work>
int guard(char** error, Work&& work) {
  if (error != nullptr) *error = nullptr;
  try {
    std::lock_guard lock(Srv_Xol41260::moduleMutex());
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
  return guard(error, [&] {
    if (connection_string == nullptr) {
      Geralxol::setConnectionString(std::nullopt);
    } else {
      Geralxol::setConnectionString(std::string(connection_string));
    }
  });
}

CONTA_EXPORT int conta_set_host_directory(const char* directory, char** error) {
  return guard(error, [&] {
    conta::setHostDirectory(directory == nullptr ? std::filesystem::path()
                                                 : std::filesystem::path(directory));
  });
}

CONTA_EXPORT int conta_connect(char** error) {
  return guard(error, [] {
    Srv_Xol41260::TdtmFuncoesRev& module = Srv_Xol41260::dataModule();
    module.adcFuncoesRev.open();
  });
}

CONTA_EXPORT int conta_store_schema(const char* dialect, char** sql, char** error) {
  if (sql != nullptr) *sql = nullptr;
  if (dialect == nullptr || sql == nullptr) {
    setError(error, "conta_store_schema needs a dialect and a place for the text");
    return CONTA_INVALID_ARGUMENT;
  }
  return guard(error, [&] { *sql = copyText(conta::storeSchemaSql(dialect)); });
}

CONTA_EXPORT void conta_free(char* text) {
  std::free(text);
}

CONTA_EXPORT const char* conta_version(void) {
  return CONTA_VERSION;
}

}  // extern "C"
