#include "platform/base64.h"

#include <array>
#include <cstdint>

namespace conta::base64 {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> makeReverse() {
  std::array<std::int8_t, 256> table{};
  for (auto& v : table)
    v = -1;
  for (int i = 0; i < 64; ++i)
    table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
  return table;
}
constexpr auto kReverse = makeReverse();

}  // namespace

std::string encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  auto at = [&](std::size_t k) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k]));
  };
  for (; i + 3 <= bytes.size(); i += 3) {
    std::uint32_t n = (at(i) << 16) | (at(i + 1) << 8) | at(i + 2);
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += kAlphabet[(n >> 6) & 63];
    out += kAlphabet[n & 63];
  }
  std::size_t rest = bytes.size() - i;
  if (rest == 1) {
    std::uint32_t n = at(i) << 16;
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += "==";
  } else if (rest == 2) {
    std::uint32_t n = (at(i) << 16) | (at(i + 1) << 8);
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += kAlphabet[(n >> 6) & 63];
    out += '=';
  }
  return out;
}

std::optional<std::string> decode(std::string_view text) {
  std::string symbols;
  symbols.reserve(text.size());
  for (char c : text) {
    if (c == ' ' || c == '\r' || c == '\n' || c == '\t') continue;
    symbols += c;
  }
  if (symbols.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(symbols.size() / 4 * 3);
  for (std::size_t i = 0; i < symbols.size(); i += 4) {
    bool last = i + 4 == symbols.size();
    int padding = 0;
    std::uint32_t n = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      char c = symbols[i + k];
      if (c == '=' && last && k >= 2) {
        ++padding;
        n <<= 6;
        continue;
      }
      if (padding > 0) return std::nullopt;  // data after padding
      std::int8_t v = kReverse[static_cast<unsigned char>(c)];
      if (v < 0) return std::nullopt;
      n = (n << 6) | static_cast<std::uint32_t>(v);
    }
    out += static_cast<char>((n >> 16) & 0xFF);
    if (padding < 2) out += static_cast<char>((n >> 8) & 0xFF);
    if (padding < 1) out += static_cast<char>(n & 0xFF);
  }
  return out;
}

}  // namespace conta::base64
