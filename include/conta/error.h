// Exception types of the platform layer.
//
// Every failure of the platform layer is a conta::Error (or a subclass) whose
// what() is a complete sentence a store operator or integrator can act on.
#ifndef CONTA_ERROR_H_
#define CONTA_ERROR_H_

#include <stdexcept>
#include <string>

#include "conta/export.h"

namespace conta {

class CONTA_EXPORT Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  ~Error() override;  // defined once, so its type information is emitted once
};

// A variant could not be converted or combined as asked (null into a number,
// text that is not a number, adding a date to a text...).
class CONTA_EXPORT VariantError : public Error {
 public:
  using Error::Error;
  ~VariantError() override;
};

// A data packet or client-dataset file could not be read or written. The
// message names the source (a file name, or "packet") and what is wrong.
class CONTA_EXPORT PacketError : public Error {
 public:
  PacketError(const std::string& source, const std::string& problem)
      : Error(source + ": " + problem), source_(source), problem_(problem) {}
  ~PacketError() override;
  const std::string& source() const noexcept { return source_; }
  const std::string& problem() const noexcept { return problem_; }

 private:
  std::string source_;
  std::string problem_;
};

// A client dataset was used in a way its state does not allow (closed,
// not in edit mode, unknown field, bad filter...).
class CONTA_EXPORT DataSetError : public Error {
 public:
  using Error::Error;
  ~DataSetError() override;
};

// A database operation of the module failed: raised after the failure was
// reported, carrying the operation's name, its unit, the context text (the
// values it worked on) and the error text.
class CONTA_EXPORT OperationFailure : public Error {
 public:
  OperationFailure(std::string operation, std::string unit, std::string context, std::string text)
      : Error(operation + " (" + unit + ") [" + context + "]: " + text),
        operation_(std::move(operation)),
        unit_(std::move(unit)),
        context_(std::move(context)),
        text_(std::move(text)) {}
  ~OperationFailure() override;
  const std::string& operation() const noexcept { return operation_; }
  const std::string& unit() const noexcept { return unit_; }
  const std::string& context() const noexcept { return context_; }
  const std::string& text() const noexcept { return text_; }

 private:
  std::string operation_;
  std::string unit_;
  std::string context_;
  std::string text_;
};

// A bill rule refused to go on after reporting why (a charge product that
// cannot be sold for tax reasons). It ends the bill quietly: the report was
// made already; what() is the reported text.
class CONTA_EXPORT SilentAbort : public Error {
 public:
  using Error::Error;
  ~SilentAbort() override;
};

}  // namespace conta

#endif  // CONTA_ERROR_H_
