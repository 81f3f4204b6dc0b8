// The named-parameter scan on any SQL text: it never crashes, and what it
// finds accounts for the text exactly. Rendered back with ":NAME" it scans to
// the same names, occurrences and pieces; rendered in each driver's
// placeholder style it holds one placeholder per occurrence.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/db/named_parameters.h"

namespace {

std::size_t count(std::string_view text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos;
       at = text.find(what, at + what.size())) {
    ++n;
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view sql(reinterpret_cast<const char*>(data), size);
  conta::db::ParsedSql parsed = conta::db::parseNamedParameters(sql);

  CONTA_FUZZ_CHECK(parsed.pieces.size() == parsed.occurrences.size() + 1);
  CONTA_FUZZ_CHECK(parsed.names.size() <= parsed.occurrences.size());
  std::size_t length = 0;
  for (const std::string& piece : parsed.pieces)
    length += piece.size();
  std::size_t next_new_name = 0;
  for (std::size_t name : parsed.occurrences) {
    CONTA_FUZZ_CHECK(name < parsed.names.size());
    // Names are numbered in the order they first occur.
    CONTA_FUZZ_CHECK(name <= next_new_name);
    if (name == next_new_name) ++next_new_name;
    length += 1 + parsed.names[name].size();
  }
  CONTA_FUZZ_CHECK(next_new_name == parsed.names.size());
  CONTA_FUZZ_CHECK(length == sql.size());
  for (std::size_t i = 0; i < parsed.names.size(); ++i) {
    CONTA_FUZZ_CHECK(!parsed.names[i].empty());
    CONTA_FUZZ_CHECK(parsed.nameIndex(parsed.names[i]) == i);
  }

  // Each name spelled as it first occurred: the same scan again.
  std::string named =
      parsed.render([&](std::size_t, std::size_t name) { return ":" + parsed.names[name]; });
  CONTA_FUZZ_CHECK(named.size() == sql.size());
  conta::db::ParsedSql again = conta::db::parseNamedParameters(named);
  CONTA_FUZZ_CHECK(again.names == parsed.names);
  CONTA_FUZZ_CHECK(again.occurrences == parsed.occurrences);
  CONTA_FUZZ_CHECK(again.pieces == parsed.pieces);

  // A marker no input holds: one per occurrence in the ODBC style, and the
  // occurrence and name numbers handed over in order.
  if (sql.find('\x01') == std::string_view::npos) {
    std::size_t expected_occurrence = 0;
    std::string odbc = parsed.render([&](std::size_t occurrence, std::size_t name) {
      CONTA_FUZZ_CHECK(occurrence == expected_occurrence);
      CONTA_FUZZ_CHECK(name == parsed.occurrences[occurrence]);
      ++expected_occurrence;
      return std::string("\x01");
    });
    CONTA_FUZZ_CHECK(count(odbc, "\x01") == parsed.occurrences.size());
  }
  return 0;
}
