// DataModule: the base of a module that owns components (a connection,
// statements, datasets) and lives as one object.
#ifndef CONTA_PLATFORM_DATA_MODULE_H_
#define CONTA_PLATFORM_DATA_MODULE_H_

#include <string>

namespace conta {

class DataModule {
 public:
  // `owner` is the module that frees this one; nullptr: nothing frees it.
  DataModule(std::string name, DataModule* owner) : name_(std::move(name)), owner_(owner) {}
  virtual ~DataModule() = default;
  DataModule(const DataModule&) = delete;
  DataModule& operator=(const DataModule&) = delete;

  const std::string& name() const { return name_; }
  DataModule* owner() const { return owner_; }

 private:
  std::string name_;
  DataModule* owner_;
};

}  // namespace conta

#endif  // CONTA_PLATFORM_DATA_MODULE_H_
