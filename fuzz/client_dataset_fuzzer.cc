// Loading any file into a client dataset, as the data module loads the store
// parameters (any fields, read by name) and the fiscal-rate table (three
// persistent fields under an active index): the dataset opens or the load
// throws one of the platform's errors, never a crash or a leak. An open
// dataset walks its records, reads every field, locates, edits and hands its
// content back as a packet that loads again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "conta/error.h"
#include "conta/packet_codecs.h"
#include "fuzz_check.h"
#include "platform/client_dataset.h"

namespace {

using conta::ClientDataSet;
using conta::DataSetField;

// One file per fuzzing process, in memory when the system has a tmpfs.
const std::filesystem::path& inputFile() {
  static const std::filesystem::path file = [] {
    std::filesystem::path dir = "/dev/shm";
    std::error_code error;
    if (!std::filesystem::is_directory(dir, error)) dir = std::filesystem::temp_directory_path();
    auto path = dir / ("conta-fuzz-" + std::to_string(::getpid()) + ".cds");
    std::atexit([] { std::remove(inputFile().c_str()); });
    return path;
  }();
  return file;
}

// Each reading a field offers; a conversion the value does not allow is a
// VariantError, which is how the bill would see it too.
void readField(DataSetField field) {
  auto attempt = [](auto read) {
    try {
      (void)read();
    } catch (const conta::VariantError&) {
    }
  };
  (void)field.value();
  (void)field.isNull();
  attempt([&] { return field.asString(); });
  attempt([&] { return field.asFloat(); });
  attempt([&] { return field.asInteger(); });
  attempt([&] { return field.asBoolean(); });
  attempt([&] { return field.asDateTime(); });
}

std::size_t walk(ClientDataSet& dataset) {
  std::size_t records = 0;
  for (dataset.first(); !dataset.eof(); dataset.next()) {
    ++records;
    CONTA_FUZZ_CHECK(dataset.recNo() == records);
    for (std::size_t f = 0; f < dataset.fields().size(); ++f) {
      readField(dataset.fieldByName(dataset.fields()[f].name));
    }
  }
  return records;
}

// What the bill does with the parameters file, then an edit, a deletion and
// the whole content again.
void useParameters(ClientDataSet& parameters) {
  std::size_t records = walk(parameters);
  CONTA_FUZZ_CHECK(records == parameters.recordCount());
  CONTA_FUZZ_CHECK(parameters.isEmpty() == (records == 0));
  parameters.first();
  (void)parameters.findField("CDFILIAL");
  if (records == 0 || parameters.fields().empty()) return;

  parameters.edit();
  DataSetField first = parameters.fieldByName(parameters.fields().front().name);
  if (first.definition().valueKind() == conta::ValueKind::Text) {
    first.setValue(conta::Variant("1"));
  } else {
    first.clear();
  }
  parameters.post();
  parameters.remove();
  CONTA_FUZZ_CHECK(parameters.recordCount() == records - 1);
  CONTA_FUZZ_CHECK(parameters.changeCount() == 0);  // the log is off, as the module has it

  conta::DataPacket content = parameters.data();
  ClientDataSet copy("copy");
  copy.setData(content);
  CONTA_FUZZ_CHECK(copy.recordCount() == records - 1);
}

void useRates(ClientDataSet& rates) {
  std::size_t records = walk(rates);
  CONTA_FUZZ_CHECK(records == rates.recordCount());
  // The charge product's tax check.
  conta::Variant key = conta::Variant::array({conta::Variant(18.0), conta::Variant("T")});
  if (rates.locate("VRALIQIMPFIS;IDALIQIMPFIS", key)) {
    CONTA_FUZZ_CHECK(rates.fieldByName("IDALIQIMPFIS").asString() == "T");
  }
  rates.first();
  (void)rates.locate("CDALIQIMPFIS", conta::Variant("T18"), {true, true});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(inputFile(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  ClientDataSet parameters("cdsParametrosXol");
  parameters.afterOpen = [](ClientDataSet& d) { d.setLogChanges(false); };
  try {
    parameters.loadFromFile(inputFile());
  } catch (const conta::PacketError&) {
    // No packet, or a damaged one: neither dataset can take it.
    CONTA_FUZZ_CHECK(!parameters.active());
    return 0;
  }
  useParameters(parameters);

  ClientDataSet rates("cdsAliqImpFis");
  rates.definePersistentField(conta::Field("CDALIQIMPFIS", conta::FieldType::String, 10));
  rates.definePersistentField(conta::Field("VRALIQIMPFIS", conta::FieldType::Float));
  rates.definePersistentField(conta::Field("IDALIQIMPFIS", conta::FieldType::String, 1));
  rates.addIndexDef({"idxIdAliqVrAliq", "IDALIQIMPFIS;VRALIQIMPFIS"});
  rates.setIndexName("idxIdAliqVrAliq");
  rates.afterOpen = [](ClientDataSet& d) { d.setLogChanges(false); };
  try {
    rates.loadFromFile(inputFile());
  } catch (const conta::DataSetError&) {
    // A file without the three fields, or with one of another kind.
    CONTA_FUZZ_CHECK(!rates.active());
    return 0;
  }
  useRates(rates);
  return 0;
}
