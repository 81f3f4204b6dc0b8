// Format recognition, dispatch, and packet files.
#include "conta/packet_codecs.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include "conta/error.h"
#include "platform/packet_binary_layout.h"

namespace conta {

const char* packetFormatName(PacketFormat format) {
  switch (format) {
    case PacketFormat::Binary:
      return "binary";
    case PacketFormat::Xml:
      return "xml";
    case PacketFormat::Json:
      return "json";
  }
  return "?";
}

std::optional<PacketFormat> packetFormatFromName(std::string_view name) {
  if (name == "binary") return PacketFormat::Binary;
  if (name == "xml") return PacketFormat::Xml;
  if (name == "json") return PacketFormat::Json;
  return std::nullopt;
}

std::optional<PacketFormat> detectPacketFormat(std::string_view bytes) {
  if (bytes.size() >= 4 && static_cast<unsigned char>(bytes[0]) == 0x96 &&
      static_cast<unsigned char>(bytes[1]) == 0x19 &&
      static_cast<unsigned char>(bytes[2]) == 0xE0 &&
      static_cast<unsigned char>(bytes[3]) == 0xBD) {
    return PacketFormat::Binary;
  }
  if (bytes.size() >= 2 && ((static_cast<unsigned char>(bytes[0]) == 0xFF &&
                             static_cast<unsigned char>(bytes[1]) == 0xFE) ||
                            (static_cast<unsigned char>(bytes[0]) == 0xFE &&
                             static_cast<unsigned char>(bytes[1]) == 0xFF))) {
    return PacketFormat::Xml;  // UTF-16 with BOM
  }
  std::string_view rest = bytes;
  if (rest.size() >= 3 && rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t' || rest.front() == '\r' ||
                           rest.front() == '\n')) {
    rest.remove_prefix(1);
  }
  if (rest.starts_with("<?xml") || rest.starts_with("<DATAPACKET")) return PacketFormat::Xml;
  if (rest.starts_with("{")) return PacketFormat::Json;
  return std::nullopt;
}

DataPacket decodePacket(std::string_view bytes, std::string_view source) {
  auto format = detectPacketFormat(bytes);
  if (!format) {
    if (bytes.empty()) throw PacketError(std::string(source), "empty: no data packet");
    throw PacketError(std::string(source),
                      "not a data packet: it begins neither with the binary magic 96 19 E0 BD, "
                      "nor with an XML datapacket, nor with a JSON object");
  }
  switch (*format) {
    case PacketFormat::Binary:
      return decodeBinaryPacket(bytes, source);
    case PacketFormat::Xml:
      return decodeXmlPacket(bytes, source);
    case PacketFormat::Json:
      return decodeJsonPacket(bytes, source);
  }
  return {};
}

std::string encodePacket(const DataPacket& packet, PacketFormat format) {
  switch (format) {
    case PacketFormat::Binary:
      return encodeBinaryPacket(packet);
    case PacketFormat::Xml:
      return encodeXmlPacket(packet);
    case PacketFormat::Json:
      return encodeJsonPacket(packet);
  }
  return {};
}

DataPacket readPacketFile(const std::filesystem::path& path) {
  std::string name = path.string();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw PacketError(name, std::string("cannot be opened: ") + std::strerror(errno));
  }
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw PacketError(name, "cannot be read");
  return decodePacket(content.str(), name);
}

void writePacketFile(const DataPacket& packet, const std::filesystem::path& path,
                     PacketFormat format) {
  std::string name = path.string();
  std::string bytes;
  try {
    bytes = encodePacket(packet, format);
  } catch (const PacketError& e) {
    throw PacketError(name, e.problem());
  }
  // Written beside the target and renamed over it, so that a failure never
  // leaves a half-written file in place of a good one.
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) throw PacketError(name, std::string("cannot be written: ") + std::strerror(errno));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw PacketError(name, "cannot be written (disk full?)");
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    throw PacketError(name, "cannot be replaced: " + error.message());
  }
}

}  // namespace conta
