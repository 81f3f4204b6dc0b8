#include "platform/db/named_parameters.h"

#include "platform/text_encoding.h"

namespace conta::db {
namespace {

bool isNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isNameChar(char c) {
  return isNameStart(c) || (c >= '0' && c <= '9');
}

// Index just past a quoted run that opens at `i` and closes with `close`; a
// doubled closing character inside stands for itself. An unclosed run ends
// the text.
std::size_t skipQuoted(std::string_view sql, std::size_t i, char close) {
  for (std::size_t j = i + 1; j < sql.size(); ++j) {
    if (sql[j] == close) {
      if (j + 1 < sql.size() && sql[j + 1] == close && close != ']') {
        ++j;
        continue;
      }
      return j + 1;
    }
  }
  return sql.size();
}

}  // namespace

std::size_t ParsedSql::nameIndex(std::string_view name) const {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (text_encoding::equalsIgnoringAsciiCase(names[i], name)) return i;
  }
  return std::string::npos;
}

std::string ParsedSql::render(
    const std::function<std::string(std::size_t, std::size_t)>& placeholder) const {
  std::string out = pieces.front();
  for (std::size_t k = 0; k < occurrences.size(); ++k) {
    out += placeholder(k, occurrences[k]);
    out += pieces[k + 1];
  }
  return out;
}

ParsedSql parseNamedParameters(std::string_view sql) {
  ParsedSql parsed;
  std::string piece;
  std::size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    std::size_t next = i + 1;
    if (c == '\'' || c == '"' || c == '[') {
      next = skipQuoted(sql, i, c == '[' ? ']' : c);
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      std::size_t end = sql.find('\n', i);
      next = end == std::string_view::npos ? sql.size() : end;
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      std::size_t end = sql.find("*/", i + 2);
      next = end == std::string_view::npos ? sql.size() : end + 2;
    } else if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
      next = i + 2;  // a cast: x::text
    } else if (c == ':' && i + 1 < sql.size() && isNameStart(sql[i + 1])) {
      std::size_t end = i + 1;
      while (end < sql.size() && isNameChar(sql[end]))
        ++end;
      std::string name(sql.substr(i + 1, end - i - 1));
      std::size_t index = parsed.nameIndex(name);
      if (index == std::string::npos) {
        index = parsed.names.size();
        parsed.names.push_back(std::move(name));
      }
      parsed.occurrences.push_back(index);
      parsed.pieces.push_back(std::move(piece));
      piece.clear();
      i = end;
      continue;
    }
    piece.append(sql.substr(i, next - i));
    i = next;
  }
  parsed.pieces.push_back(std::move(piece));
  return parsed;
}

}  // namespace conta::db
