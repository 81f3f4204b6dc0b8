// The module lock. The data module is one object shared by every call of
// the process; each exported operation holds this lock for its whole run,
// so that calls a host makes from several threads at once queue up. The
// lock is recursive: an operation calls others of the module (the bill
// calls the lookups, the charge insertion calls the next-number service),
// and each of them takes it as well.
#ifndef CONTA_FRAME_MODULE_LOCK_H_
#define CONTA_FRAME_MODULE_LOCK_H_

#include <mutex>
#include <new>

#include "platform/thread_annotations.h"

namespace Srv_Xol41260 {

class CONTA_CAPABILITY("mutex") ModuleMutex {
 public:
  ModuleMutex() { new (storage_) std::recursive_mutex; }
  void lock() CONTA_ACQUIRE() { mutex().lock(); }
  void unlock() CONTA_RELEASE() { mutex().unlock(); }
  bool try_lock() CONTA_TRY_ACQUIRE(true) { return mutex().try_lock(); }

 private:
  // Built in place and never destroyed: the library's unload, which frees
  // the data module under this lock, may run after the library's static
  // objects are gone. Its storage goes with the library.
  std::recursive_mutex& mutex() {
    return *std::launder(reinterpret_cast<std::recursive_mutex*>(storage_));
  }
  alignas(std::recursive_mutex) unsigned char storage_[sizeof(std::recursive_mutex)];
};

// The one lock of the module.
extern ModuleMutex moduleMutex;

// Holds the module lock from construction to the end of its scope.
class CONTA_SCOPED_CAPABILITY ModuleLock {
 public:
  ModuleLock() CONTA_ACQUIRE(moduleMutex) { moduleMutex.lock(); }
  ~ModuleLock() CONTA_RELEASE() { moduleMutex.unlock(); }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;
};

}  // namespace Srv_Xol41260

#endif  // CONTA_FRAME_MODULE_LOCK_H_
