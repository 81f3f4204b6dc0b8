// Text encodings at the edges of the module: stores keep their files in the
// ANSI code page cp1252; everything inside is UTF-8.
#ifndef CONTA_PLATFORM_TEXT_ENCODING_H_
#define CONTA_PLATFORM_TEXT_ENCODING_H_

#include <optional>
#include <string>
#include <string_view>

namespace conta::text_encoding {

// cp1252 bytes to UTF-8. The five bytes cp1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 controls of the same number, so nothing is
// lost and the way back gives the same bytes.
std::string cp1252ToUtf8(std::string_view bytes);

// UTF-8 to cp1252. A character cp1252 cannot hold, or a byte that is not
// valid UTF-8, becomes '?'; `replaced` (when given) counts them.
std::string utf8ToCp1252(std::string_view text, std::size_t* replaced = nullptr);

// UTF-16LE bytes to UTF-8 (an unpaired surrogate becomes U+FFFD); an odd
// trailing byte is ignored.
std::string utf16leToUtf8(std::string_view bytes);
std::string utf8ToUtf16le(std::string_view text);

bool isValidUtf8(std::string_view text);

// Wide text (UTF-32 where wchar_t has 32 bits, UTF-16 where it has 16) to
// UTF-8 and back; a code unit that is no character becomes U+FFFD.
std::string narrow(std::wstring_view text);
std::wstring widen(std::string_view text);

// Decodes the code point at `pos` and advances `pos`; nullopt (and `pos`
// past the bad byte) when the bytes there are not valid UTF-8.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& pos);
void appendUtf8(std::string& out, char32_t code_point);

// True when the texts are equal but for the case of ASCII letters: how field,
// parameter, column and file names are compared.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// How many characters a UTF-8 text holds (a byte that is not valid UTF-8
// counts as one).
std::size_t characterCount(std::string_view text);

// The first `count` characters of a UTF-8 text (all of it when shorter).
std::string firstCharacters(std::string_view text, std::size_t count);

// Lower-cases ASCII and the Latin letters of Latin-1 and Latin Extended-A,
// enough to compare Portuguese codes and names without regard to case.
std::string foldCase(std::string_view text);

}  // namespace conta::text_encoding

#endif  // CONTA_PLATFORM_TEXT_ENCODING_H_
