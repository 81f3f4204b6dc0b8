#include "support/mensagemxol.h"

#include <cstdio>
#include <mutex>

#include "conta/error.h"

namespace Mensagemxol {
namespace {

std::mutex g_sink_mutex;
ReportSink g_sink;

void writeToStandardError(const Report& r) {
  std::string line = r.kind == 0 ? "conta: " + r.operation + " (" + r.unit + ") [" + r.context +
                                       "] failed: " + r.text
                                 : "conta: " + r.text;
  for (auto& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void setReportSink(ReportSink sink) {
  std::lock_guard lock(g_sink_mutex);
  g_sink = std::move(sink);
}

void report(const Report& r) {
  ReportSink sink;
  {
    std::lock_guard lock(g_sink_mutex);
    sink = g_sink;
  }
  if (!sink) {
    writeToStandardError(r);
    return;
  }
  try {
    sink(r);
  } catch (...) {
    // A host's sink must not turn a report into a different failure.
  }
}

conta::Variant MensagemMetodo(const conta::Variant& envelope, bool, int,
                              const std::string& operation, const std::string& unit,
                              const std::string& context, const std::string&) {
  if (envelope.isText() && !envelope.text().empty()) {
    report({0, operation, unit, context, envelope.text()});
    throw conta::OperationFailure(operation, unit, context, envelope.text());
  }
  return envelope;
}

void Mensagem(const std::string& text, const std::string&, const std::string&, const std::string&,
              int kind, const std::string&, const std::string&, int, conta::ClientDataSet*) {
  report({kind, "", "", "", text});
}

}  // namespace Mensagemxol
