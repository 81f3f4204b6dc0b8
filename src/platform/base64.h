// Base64 (RFC 4648, with padding) for blob values in XML and JSON packets.
#ifndef CONTA_PLATFORM_BASE64_H_
#define CONTA_PLATFORM_BASE64_H_

#include <optional>
#include <string>
#include <string_view>

namespace conta::base64 {

std::string encode(std::string_view bytes);
// Blanks and line breaks are skipped; nullopt for any other character that
// is not of the alphabet, or a length that is not a whole number of groups.
std::optional<std::string> decode(std::string_view text);

}  // namespace conta::base64

#endif  // CONTA_PLATFORM_BASE64_H_
