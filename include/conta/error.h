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
};

// A variant could not be converted or combined as asked (null into a number,
// text that is not a number, adding a date to a text...).
class CONTA_EXPORT VariantError : public Error {
 public:
  using Error::Error;
};

// A data packet or client-dataset file could not be read or written. The
// message names the source (a file name, or "packet") and what is wrong.
class CONTA_EXPORT PacketError : public Error {
 public:
  PacketError(const std::string& source, const std::string& problem)
      : Error(source + ": " + problem), source_(source), problem_(problem) {}
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
};

}  // namespace conta

#endif  // CONTA_ERROR_H_
