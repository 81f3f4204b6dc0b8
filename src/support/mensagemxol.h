// Result reporting of the support package: MensagemMetodo receives the
// envelope of every database operation, Mensagem reports a rule's message.
// Reports go to a sink the host can set; by default each report is one line
// on standard error.
#ifndef CONTA_SUPPORT_MENSAGEMXOL_H_
#define CONTA_SUPPORT_MENSAGEMXOL_H_

#include <functional>
#include <string>

#include "conta/variant.h"

namespace conta {
class ClientDataSet;
}

namespace Mensagemxol {

// One report. kind: 0 for a failed operation (MensagemMetodo), else the
// message kind Mensagem was given (3 for the bill rules' failures).
struct Report {
  int kind = 0;
  std::string operation;
  std::string unit;
  std::string context;
  std::string text;
};

using ReportSink = std::function<void(const Report&)>;

// Replaces the sink; an empty function returns to the default. Thread-safe.
void setReportSink(ReportSink sink);
// Delivers a report to the current sink. A sink that throws is ignored.
void report(const Report& report);

// Hands back the envelope of a successful operation unchanged (a packet, an
// empty variant, an empty text). An error envelope (a non-empty text) is
// reported with the operation, unit and context, and then raised as
// conta::OperationFailure: a failure never passes on as data.
conta::Variant MensagemMetodo(const conta::Variant& envelope, bool show, int code,
                              const std::string& operation, const std::string& unit,
                              const std::string& context, const std::string& extra);

// Reports `text` (kind as given). The caller raises conta::SilentAbort after.
void Mensagem(const std::string& text, const std::string& caption, const std::string& log,
              const std::string& confirm, int kind, const std::string& help,
              const std::string& detail, int code, conta::ClientDataSet* dataset);

}  // namespace Mensagemxol

#endif  // CONTA_SUPPORT_MENSAGEMXOL_H_
