// The place in a binary packet that a read or write concerns, for the
// messages of the reader and the writer alike.
#ifndef CONTA_PLATFORM_PACKET_BINARY_CELL_H_
#define CONTA_PLATFORM_PACKET_BINARY_CELL_H_

#include <bit>
#include <cstddef>
#include <string>

namespace conta::binary_packet {

// Integers are read and written byte by byte, doubles as the bit pattern of
// a 64-bit integer: right on a machine of either byte order, not on a mixed
// one.
static_assert(std::endian::native == std::endian::little ||
              std::endian::native == std::endian::big);

// The place in a packet that a read or write concerns, for messages. Row
// cells are described lazily: the text is built only when something fails,
// so the hot loops over rows allocate nothing for it.
struct Cell {
  std::size_t row;           // 1-based
  const std::string* field;  // nullptr: the row itself
  const char* part = "";     // " state", " length"...
};

inline std::string describe(const std::string& what) {
  return what;
}
inline std::string describe(const char* what) {
  return what;
}
inline std::string describe(const Cell& cell) {
  std::string out = "row " + std::to_string(cell.row);
  if (cell.field != nullptr) out += ", field '" + *cell.field + "'";
  return out + cell.part;
}

}  // namespace conta::binary_packet

#endif  // CONTA_PLATFORM_PACKET_BINARY_CELL_H_
