// Reading and writing data packets in their three encodings:
//  - Binary: the client dataset's native packet and .cds file (exact doubles,
//    ANSI text in the store's code page cp1252, change-log rows kept as read,
//    so a file re-encodes to the same bytes).
//  - Xml: the XML datapacket. Read in UTF-8 (BOM or declaration), UTF-16
//    with BOM, or cp1252 when nothing says otherwise; written in UTF-8 with
//    a declaration, without change log (the current rows only).
//  - Json: {"fields":[{"name":..,"type":..,"width":..}],"rows":[[..],..]}
//    with types "string", "integer", "float", "boolean", "datetime" (ISO-8601
//    text) and "bytes" (base64); null for NULL; the current rows only. Each
//    field also carries "fieldtype" (the XML spelling of its exact type).
//
// Readers throw PacketError naming the source and what is wrong: a packet
// that is truncated, has a wrong magic, a length or count pointing past its
// end, an unknown or unsupported type, an ill-formed document, or a value
// that does not fit its field. They never read outside the given bytes.
#ifndef CONTA_PACKET_CODECS_H_
#define CONTA_PACKET_CODECS_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "conta/data_packet.h"
#include "conta/export.h"

namespace conta {

enum class PacketFormat { Binary, Xml, Json };

CONTA_EXPORT const char* packetFormatName(PacketFormat format);
CONTA_EXPORT std::optional<PacketFormat> packetFormatFromName(std::string_view name);

// The format of an encoded packet, recognised from its first bytes: the
// binary magic 96 19 E0 BD; a BOM, "<?xml" or "<DATAPACKET" (after blanks)
// for XML; "{" (after blanks) for JSON. nullopt when none matches.
CONTA_EXPORT std::optional<PacketFormat> detectPacketFormat(std::string_view bytes);

// `source` names the bytes in error messages (a file name, "packet").
CONTA_EXPORT DataPacket decodePacket(std::string_view bytes, std::string_view source = "packet");
CONTA_EXPORT DataPacket decodeBinaryPacket(std::string_view bytes,
                                           std::string_view source = "packet");
CONTA_EXPORT DataPacket decodeXmlPacket(std::string_view bytes, std::string_view source = "packet");
CONTA_EXPORT DataPacket decodeJsonPacket(std::string_view bytes,
                                         std::string_view source = "packet");

// Writers throw PacketError when the packet holds what the format cannot
// carry (a type the binary format is not known to store, a control character
// in XML, a value that does not fit its field).
CONTA_EXPORT std::string encodePacket(const DataPacket& packet, PacketFormat format);
CONTA_EXPORT std::string encodeBinaryPacket(const DataPacket& packet);
CONTA_EXPORT std::string encodeXmlPacket(const DataPacket& packet);
CONTA_EXPORT std::string encodeJsonPacket(const DataPacket& packet);

// Files, in any of the three formats (told by their first bytes). Errors name
// the file.
CONTA_EXPORT DataPacket readPacketFile(const std::filesystem::path& path);
CONTA_EXPORT void writePacketFile(const DataPacket& packet, const std::filesystem::path& path,
                                  PacketFormat format);

}  // namespace conta

#endif  // CONTA_PACKET_CODECS_H_
