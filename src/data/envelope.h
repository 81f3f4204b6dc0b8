// The result envelope of the data module's database operations: the work's
// result, or, on any failure, the error text in its place.
#ifndef CONTA_DATA_ENVELOPE_H_
#define CONTA_DATA_ENVELOPE_H_

#include <exception>
#include <mutex>
#include <string>

#include "conta/variant.h"
#include "frame/data_module.h"
#include "platform/text_encoding.h"
#include "support/xol_corvana.h"

namespace conta::data {

// Runs `work` under the module's lock; every exception becomes the text
// ADOExceptionMessage gives for it. Nothing leaves the operation.
template <class Work>
[[nodiscard]] Variant envelope(db::Connection& connection, Work&& work) {
  Srv_Xol41260::ModuleLock lock;
  try {
    return work();
  } catch (...) {
    return Variant(Xol_corvana::ADOExceptionMessage(std::current_exception(), connection, ""));
  }
}

// A wide argument as the narrow text a statement binds.
inline Variant narrowText(const std::wstring& text) {
  return Variant(text_encoding::narrow(text));
}

}  // namespace conta::data

#endif  // CONTA_DATA_ENVELOPE_H_
