// What the fuzz targets share: a check that ends the run the way libFuzzer
// records a crash (the input is kept as an artifact), and the packet round
// trips the readers' targets run on every packet they accept.
#ifndef CONTA_FUZZ_FUZZ_CHECK_H_
#define CONTA_FUZZ_FUZZ_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "conta/packet_codecs.h"

namespace conta::fuzz {

[[noreturn]] inline void checkFailed(const char* condition, const char* file, int line,
                                     const std::string& detail = {}) {
  std::fprintf(stderr, "%s:%d: check failed: %s%s%s\n", file, line, condition,
               detail.empty() ? "" : "\n  ", detail.c_str());
  std::abort();
}

}  // namespace conta::fuzz

#define CONTA_FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::conta::fuzz::checkFailed(#condition, __FILE__, __LINE__))
#define CONTA_FUZZ_CHECK_MSG(condition, detail) \
  ((condition) ? static_cast<void>(0)           \
               : ::conta::fuzz::checkFailed(#condition, __FILE__, __LINE__, (detail)))

namespace conta::fuzz {

// A packet written in `format` must read back, and the packet read back must
// write the same bytes again. The writer may refuse what its format cannot
// carry (PacketError); it may not write what its own reader refuses. Bytes
// are compared rather than packets so that a NaN read from a file, which
// never equals itself, still counts as the same value.
inline void checkWritesStably(const DataPacket& packet, PacketFormat format) {
  std::string first;
  try {
    first = encodePacket(packet, format);
  } catch (const PacketError&) {
    return;
  }
  DataPacket again;
  try {
    again = decodePacket(first, "written packet");
  } catch (const PacketError& e) {
    checkFailed("a written packet reads back", __FILE__, __LINE__,
                std::string(packetFormatName(format)) + ": " + e.what());
  }
  std::string second;
  try {
    second = encodePacket(again, format);
  } catch (const PacketError& e) {
    checkFailed("a packet read back writes again", __FILE__, __LINE__,
                std::string(packetFormatName(format)) + ": " + e.what());
  }
  CONTA_FUZZ_CHECK_MSG(first == second, std::string(packetFormatName(format)) +
                                            ": the second writing differs from the first");
}

// Every writer on a packet a reader accepted, and the change log resolved.
inline void checkRoundTrips(const DataPacket& packet) {
  checkWritesStably(packet, PacketFormat::Binary);
  checkWritesStably(packet, PacketFormat::Xml);
  checkWritesStably(packet, PacketFormat::Json);
  DataPacket current = packet.currentRows();
  CONTA_FUZZ_CHECK(!current.hasChangeLog());
  CONTA_FUZZ_CHECK(current.fields == packet.fields);
  for (const PacketRow& row : current.rows) {
    CONTA_FUZZ_CHECK(row.values.size() == current.fields.size());
  }
  checkWritesStably(current, PacketFormat::Binary);
}

// A packet reader's target: the reader on the fuzzer's bytes gives a packet
// or a PacketError, and what it accepts writes stably in every format.
template <typename Reader>
int fuzzPacketReader(const std::uint8_t* data, std::size_t size, Reader read) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  DataPacket packet;
  try {
    packet = read(bytes);
  } catch (const PacketError&) {
    return 0;
  }
  for (const PacketRow& row : packet.rows) {
    CONTA_FUZZ_CHECK(row.values.size() == packet.fields.size());
  }
  checkRoundTrips(packet);
  return 0;
}

}  // namespace conta::fuzz

#endif  // CONTA_FUZZ_FUZZ_CHECK_H_
