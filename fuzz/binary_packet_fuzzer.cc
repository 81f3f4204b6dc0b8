// The binary packet reader on any bytes: a packet or a PacketError, never a
// crash, a leak or a read outside the input; what it accepts writes stably in
// every format.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "conta/packet_codecs.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return conta::fuzz::fuzzPacketReader(
      data, size, [](std::string_view bytes) { return conta::decodeBinaryPacket(bytes); });
}
