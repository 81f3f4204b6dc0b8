#include "platform/db/script.h"

#include "platform/db/named_parameters.h"

namespace conta::db {
namespace {

bool blankOrComment(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      std::size_t end = text.find('\n', i);
      i = end == std::string_view::npos ? text.size() : end;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      std::size_t end = text.find("*/", i + 2);
      i = end == std::string_view::npos ? text.size() : end + 2;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<std::string> splitSqlScript(std::string_view script) {
  std::vector<std::string> statements;
  std::string current;
  std::size_t i = 0;
  auto finish = [&] {
    if (!blankOrComment(current)) statements.push_back(current);
    current.clear();
  };
  while (i < script.size()) {
    char c = script[i];
    std::size_t next = i + 1;
    if (c == '\'' || c == '"') {
      next = script.find(c, i + 1);
      while (next != std::string_view::npos && next + 1 < script.size() && script[next + 1] == c) {
        next = script.find(c, next + 2);
      }
      next = next == std::string_view::npos ? script.size() : next + 1;
    } else if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
      std::size_t end = script.find('\n', i);
      next = end == std::string_view::npos ? script.size() : end;
    } else if (c == '/' && i + 1 < script.size() && script[i + 1] == '*') {
      std::size_t end = script.find("*/", i + 2);
      next = end == std::string_view::npos ? script.size() : end + 2;
    } else if (c == ';') {
      finish();
      i = next;
      continue;
    }
    current.append(script.substr(i, next - i));
    i = next;
  }
  finish();
  return statements;
}

void runSqlScript(Connection& connection, std::string_view script) {
  std::vector<std::string> statements = splitSqlScript(script);
  connection.beginTransaction();
  try {
    for (const auto& text : statements) {
      ParsedSql sql;
      sql.pieces.push_back(text);  // run as written: no parameters in scripts
      ExecuteOptions options;
      options.want_rows = false;
      connection.execute(sql, {}, options);
    }
    connection.commit();
  } catch (...) {
    if (connection.inTransaction()) connection.rollback();
    throw;
  }
}

}  // namespace conta::db
