// The statement texts of every database, checked against each other without
// a database: the MS SQL Server text of a statement says what its Oracle text
// says, in SQL Server's words; every text of a statement takes the same
// parameters; and the Oracle and MS SQL Server texts take them in the order
// the store's data access layer has always bound them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "data/statement_definition.h"
#include "platform/db/named_parameters.h"

namespace {

using conta::data::allStatements;
using conta::data::StatementDefinition;
using Strings = std::vector<std::string>;

// ---- SQL as tokens --------------------------------------------------------

struct Token {
  enum Kind { Word, Literal, Number, Parameter, Symbol } kind;
  std::string text;  // words in upper case; literals with their quotes
};
using Tokens = std::vector<Token>;

Token word(std::string text) {
  return {Token::Word, std::move(text)};
}
Token symbol(std::string text) {
  return {Token::Symbol, std::move(text)};
}

bool is(const Token& t, std::string_view text) {
  return (t.kind == Token::Word || t.kind == Token::Symbol) && t.text == text;
}

// Identifiers may be qualified (IT.CDFILIAL is one word). Comments and
// whitespace go.
Tokens tokenize(std::string_view sql) {
  Tokens tokens;
  std::size_t i = 0;
  auto nameChar = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
  };
  while (i < sql.size()) {
    char c = sql[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (sql.substr(i, 2) == "--") {
      i = std::min(sql.find('\n', i), sql.size());
    } else if (sql.substr(i, 2) == "/*") {
      std::size_t end = sql.find("*/", i + 2);
      i = end == std::string_view::npos ? sql.size() : end + 2;
    } else if (c == '\'') {
      std::size_t j = i + 1;
      while (j < sql.size() && !(sql[j] == '\'' && (j + 1 >= sql.size() || sql[j + 1] != '\'')))
        j += sql[j] == '\'' ? 2 : 1;
      tokens.push_back({Token::Literal, std::string(sql.substr(i, j + 1 - i))});
      i = j + 1;
    } else if (c == ':' && i + 1 < sql.size() && nameChar(sql[i + 1])) {
      std::size_t j = i + 1;
      while (j < sql.size() && nameChar(sql[j]))
        ++j;
      std::string name(sql.substr(i, j - i));
      std::transform(name.begin(), name.end(), name.begin(), ::toupper);
      tokens.push_back({Token::Parameter, name});
      i = j;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      std::size_t j = i;
      while (j < sql.size() && (std::isdigit(static_cast<unsigned char>(sql[j])) || sql[j] == '.'))
        ++j;
      tokens.push_back({Token::Number, std::string(sql.substr(i, j - i))});
      i = j;
    } else if (nameChar(c) || c == '"' || c == '[') {
      std::size_t j = i;
      while (j < sql.size()) {
        if (sql[j] == '"' || sql[j] == '[') {
          std::size_t end = sql.find(sql[j] == '"' ? '"' : ']', j + 1);
          j = end == std::string_view::npos ? sql.size() : end + 1;
        } else if (nameChar(sql[j]) || sql[j] == '.') {
          ++j;
        } else {
          break;
        }
      }
      std::string name(sql.substr(i, j - i));
      std::transform(name.begin(), name.end(), name.begin(), ::toupper);
      tokens.push_back(word(name));
      i = j;
    } else {
      static const char* pairs[] = {"||", "<>", "<=", ">=", "!="};
      std::string text(1, c);
      for (const char* pair : pairs) {
        if (sql.substr(i, 2) == pair) text = pair;
      }
      tokens.push_back(symbol(text));
      i += text.size();
    }
  }
  return tokens;
}

std::string render(const Tokens& tokens, std::size_t from = 0, std::size_t to = std::string::npos) {
  std::string text;
  for (std::size_t i = from; i < std::min(to, tokens.size()); ++i) {
    if (!text.empty()) text += ' ';
    text += tokens[i].text;
  }
  return text;
}

// Index of the ")" that closes the "(" at `open`.
std::size_t closing(const Tokens& t, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < t.size(); ++i) {
    if (is(t[i], "(")) ++depth;
    if (is(t[i], ")") && --depth == 0) return i;
  }
  return t.size();
}

Tokens slice(const Tokens& t, std::size_t from, std::size_t to) {
  return Tokens(t.begin() + static_cast<std::ptrdiff_t>(from),
                t.begin() + static_cast<std::ptrdiff_t>(std::min(to, t.size())));
}

void append(Tokens& to, const Tokens& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// Splits at the tokens (outside parentheses) for which `at` holds; the
// separators are dropped.
std::vector<Tokens> splitTopLevel(const Tokens& t, const std::function<bool(const Token&)>& at) {
  std::vector<Tokens> parts(1);
  int depth = 0;
  for (const Token& token : t) {
    if (is(token, "(")) ++depth;
    if (is(token, ")")) --depth;
    if (depth == 0 && at(token)) {
      parts.emplace_back();
    } else {
      parts.back().push_back(token);
    }
  }
  return parts;
}

// Positions outside parentheses of the first token, from `from`, for which
// `at` holds; t.size() when none.
std::size_t findTopLevel(const Tokens& t, std::size_t from,
                         const std::function<bool(const Token&)>& at) {
  int depth = 0;
  for (std::size_t i = from; i < t.size(); ++i) {
    if (is(t[i], "(")) ++depth;
    if (is(t[i], ")")) --depth;
    if (depth == 0 && at(t[i])) return i;
  }
  return t.size();
}

// The tokens inside one pair of parentheses that encloses all of them.
Tokens unwrapped(const Tokens& t) {
  if (t.size() >= 2 && is(t.front(), "(") && closing(t, 0) == t.size() - 1)
    return slice(t, 1, t.size() - 1);
  return t;
}

Tokens wrapped(const Tokens& t) {
  Tokens out{symbol("(")};
  append(out, t);
  out.push_back(symbol(")"));
  return out;
}

// ---- Oracle functions and operators in MS SQL Server's words -------------

Tokens rewriteFunctions(const Tokens& t) {
  Tokens out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const Token& token = t[i];
    bool call = token.kind == Token::Word && i + 1 < t.size() && is(t[i + 1], "(");
    if (call && (token.text == "INSTR" || token.text == "NVL" || token.text == "TRUNC" ||
                 token.text == "TO_CHAR")) {
      std::size_t close = closing(t, i + 1);
      std::vector<Tokens> args =
          splitTopLevel(slice(t, i + 2, close), [](const Token& a) { return is(a, ","); });
      for (auto& arg : args)
        arg = rewriteFunctions(arg);
      auto call_of = [&](const char* name, std::vector<Tokens> arguments) {
        out.push_back(word(name));
        out.push_back(symbol("("));
        for (std::size_t a = 0; a < arguments.size(); ++a) {
          if (a > 0) out.push_back(symbol(","));
          append(out, arguments[a]);
        }
        out.push_back(symbol(")"));
      };
      if (token.text == "INSTR" && args.size() == 2) {
        call_of("CHARINDEX", {args[1], args[0]});
      } else if (token.text == "NVL" && args.size() == 2) {
        call_of("ISNULL", args);
      } else if (token.text == "TRUNC" && args.size() == 2 && render(args[1]) == "2") {
        call_of("ROUND", {args[0], args[1], {{Token::Number, "1"}}});
      } else if (token.text == "TO_CHAR" && args.size() == 1) {
        Tokens type = {word("VARCHAR"), symbol("("), {Token::Number, "500"}, symbol(")")};
        call_of("CONVERT", {type, args[0]});
      } else {
        call_of(token.text.c_str(), args);  // no rule for this form: kept as it is
      }
      i = close;
    } else if (is(token, "||")) {
      out.push_back(symbol("+"));
    } else {
      out.push_back(token);
    }
  }
  return out;
}

// ---- SELECTs and their FROM clauses ----------------------------------------

using SelectRewrite = std::function<Tokens(const Tokens& select)>;

bool isSetOperator(const Token& t) {
  return is(t, "UNION") || is(t, "INTERSECT") || is(t, "MINUS") || is(t, "EXCEPT");
}

// Applies `rewrite` to every SELECT of the text, sub-selects first.
Tokens forEachSelect(const Tokens& t, const SelectRewrite& rewrite) {
  Tokens nested;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (is(t[i], "(")) {
      std::size_t close = closing(t, i);
      append(nested, wrapped(forEachSelect(slice(t, i + 1, close), rewrite)));
      i = close;
    } else {
      nested.push_back(t[i]);
    }
  }
  Tokens out;
  std::size_t start = 0;
  while (start <= nested.size()) {
    std::size_t end = findTopLevel(nested, start, isSetOperator);
    Tokens block = slice(nested, start, end);
    append(out, !block.empty() && is(block.front(), "SELECT") ? rewrite(block) : block);
    if (end >= nested.size()) break;
    out.push_back(nested[end]);
    start = end + 1;
    if (start < nested.size() && is(nested[start], "ALL")) {
      out.push_back(nested[start]);
      ++start;
    }
  }
  return out;
}

bool endsFrom(const Token& t) {
  return is(t, "WHERE") || is(t, "GROUP") || is(t, "ORDER") || is(t, "HAVING");
}

std::string aliasOf(const Tokens& table) {
  return table.empty() ? "" : table.back().text;
}

// The alias a qualified column names ("IT" of IT.CDFILIAL); empty for none.
std::string qualifier(const Token& t) {
  if (t.kind != Token::Word) return "";
  std::size_t dot = t.text.find('.');
  return dot == std::string::npos ? "" : t.text.substr(0, dot);
}

struct OptionalJoin {
  Tokens table;
  std::vector<Tokens> conditions;  // without their outer parentheses
};

Tokens joinClause(const Tokens& inner, const std::vector<OptionalJoin>& joins) {
  Tokens out{word("FROM")};
  append(out, inner);
  for (const auto& join : joins) {
    append(out, {word("LEFT"), word("JOIN")});
    append(out, join.table);
    out.push_back(word("ON"));
    for (std::size_t c = 0; c < join.conditions.size(); ++c) {
      if (c > 0) out.push_back(word("AND"));
      append(out, wrapped(join.conditions[c]));
    }
  }
  return out;
}

Tokens commaList(const std::vector<Tokens>& tables) {
  Tokens out;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    if (i > 0) out.push_back(symbol(","));
    append(out, tables[i]);
  }
  return out;
}

// An Oracle SELECT with its optional joins as MS SQL Server writes them:
// each condition AND (A.X = B.Y(+)) leaves the WHERE clause, and its table
// leaves the FROM list to follow it as LEFT JOIN <table> ON (conditions).
Tokens oracleJoinsAsLeftJoins(const Tokens& select) {
  std::size_t from = findTopLevel(select, 0, [](const Token& t) { return is(t, "FROM"); });
  std::size_t where = findTopLevel(select, from, [](const Token& t) { return is(t, "WHERE"); });
  if (from >= select.size() || where >= select.size()) return select;
  std::size_t where_end = findTopLevel(select, where + 1, [](const Token& t) {
    return is(t, "GROUP") || is(t, "ORDER") || is(t, "HAVING");
  });
  Tokens clause = slice(select, where + 1, where_end);
  if (findTopLevel(clause, 0, [](const Token& t) { return is(t, "OR") || is(t, "BETWEEN"); }) <
      clause.size())
    return select;  // not a plain list of conditions: left for the comparison to show

  std::vector<Tokens> kept;
  std::vector<std::pair<std::string, Tokens>> optional;  // alias, condition
  for (const Tokens& condition :
       splitTopLevel(clause, [](const Token& t) { return is(t, "AND"); })) {
    Tokens inner = unwrapped(condition);
    std::string alias;
    Tokens plain;
    for (std::size_t i = 0; i < inner.size(); ++i) {
      if (i + 2 < inner.size() && is(inner[i], "(") && is(inner[i + 1], "+") &&
          is(inner[i + 2], ")")) {
        if (i > 0) alias = qualifier(inner[i - 1]);
        i += 2;
      } else {
        plain.push_back(inner[i]);
      }
    }
    if (alias.empty())
      kept.push_back(condition);
    else
      optional.emplace_back(alias, plain);
  }

  std::vector<Tokens> inner_tables;
  std::vector<OptionalJoin> joins;
  for (const Tokens& table :
       splitTopLevel(slice(select, from + 1, where), [](const Token& t) { return is(t, ","); })) {
    OptionalJoin join{table, {}};
    for (const auto& [alias, condition] : optional) {
      if (alias == aliasOf(table)) join.conditions.push_back(condition);
    }
    if (join.conditions.empty())
      inner_tables.push_back(table);
    else
      joins.push_back(join);
  }

  Tokens out = slice(select, 0, from);
  append(out, joinClause(commaList(inner_tables), joins));
  if (!kept.empty()) {
    out.push_back(word("WHERE"));
    for (std::size_t i = 0; i < kept.size(); ++i) {
      if (i > 0) out.push_back(word("AND"));
      append(out, kept[i]);
    }
  }
  append(out, slice(select, where_end, select.size()));
  return out;
}

bool startsJoin(const Token& t) {
  return is(t, "CROSS") || is(t, "LEFT") || is(t, "RIGHT") || is(t, "INNER") || is(t, "FULL") ||
         is(t, "JOIN");
}

// A MS SQL Server SELECT with its FROM clause in one form: the tables that
// are joined as a product (by comma or CROSS JOIN) in their order, then the
// LEFT JOINs in theirs. Each LEFT JOIN's conditions may only name tables of
// its own join chain (tables that a comma separates from it are not yet
// known there); those that name others go to `unbound`.
Tokens canonicalFrom(const Tokens& select, Strings* unbound) {
  std::size_t from = findTopLevel(select, 0, [](const Token& t) { return is(t, "FROM"); });
  if (from >= select.size()) return select;
  std::size_t end = findTopLevel(select, from + 1, endsFrom);
  std::vector<Tokens> inner_tables;
  std::vector<OptionalJoin> joins;
  for (const Tokens& item :
       splitTopLevel(slice(select, from + 1, end), [](const Token& t) { return is(t, ","); })) {
    std::set<std::string> chain;
    std::size_t i = 0;
    bool first = true;
    while (i < item.size()) {
      std::string kind = "CROSS";
      if (!first) {
        kind = item[i].text;  // CROSS, LEFT, INNER, JOIN ...
        while (i < item.size() && !is(item[i], "JOIN"))
          ++i;
        ++i;
      }
      std::size_t table_end =
          findTopLevel(item, i, [](const Token& t) { return is(t, "ON") || startsJoin(t); });
      Tokens table = slice(item, i, table_end);
      chain.insert(aliasOf(table));
      i = table_end;
      std::vector<Tokens> conditions;
      if (i < item.size() && is(item[i], "ON")) {
        std::size_t on_end = findTopLevel(item, i + 1, startsJoin);
        for (const Tokens& c :
             splitTopLevel(slice(item, i + 1, on_end), [](const Token& t) { return is(t, "AND"); }))
          conditions.push_back(unwrapped(c));
        i = on_end;
      }
      if (kind == "CROSS" && conditions.empty()) {
        inner_tables.push_back(table);
      } else if (kind == "LEFT") {
        for (const Tokens& c : conditions) {
          for (const Token& t : c) {
            std::string q = qualifier(t);
            if (!q.empty() && chain.count(q) == 0 && unbound != nullptr)
              unbound->push_back("LEFT JOIN " + render(table) + " names " + t.text);
          }
        }
        joins.push_back({table, conditions});
      } else {
        return select;  // another kind of join: left for the comparison to show
      }
      first = false;
    }
  }
  Tokens out = slice(select, 0, from);
  append(out, joinClause(commaList(inner_tables), joins));
  append(out, slice(select, end, select.size()));
  return out;
}

// ---- comparing the two dialects --------------------------------------------

// What the Oracle text becomes in MS SQL Server's words.
Tokens asMsSql(std::string_view oracle) {
  Tokens t = forEachSelect(rewriteFunctions(tokenize(oracle)), oracleJoinsAsLeftJoins);
  return forEachSelect(t, [](const Tokens& s) { return canonicalFrom(s, nullptr); });
}

Tokens msSqlCanonical(const Tokens& mssql, Strings* unbound) {
  return forEachSelect(mssql, [&](const Tokens& s) { return canonicalFrom(s, unbound); });
}

bool sameTokens(const Token& a, const Token& b) {
  return a.text == b.text;
}

// Empty when the texts agree; otherwise both around their first difference.
std::string difference(const Tokens& expected, const Tokens& actual) {
  std::size_t i = 0;
  while (i < expected.size() && i < actual.size() && sameTokens(expected[i], actual[i]))
    ++i;
  if (i == expected.size() && i == actual.size()) return "";
  auto around = [i](const Tokens& t) {
    std::size_t from = i > 25 ? i - 25 : 0;
    return render(t, from, i) + "  >>>  " + render(t, i, i + 25);
  };
  return "first difference at token " + std::to_string(i + 1) +
         "\n  Oracle text in MS SQL Server's words:\n    " + around(expected) +
         "\n  MS SQL Server text:\n    " + around(actual);
}

// Empty when the MS SQL Server text says what the Oracle text says.
std::string dialectDifference(std::string_view oracle, std::string_view mssql) {
  return difference(asMsSql(oracle), msSqlCanonical(tokenize(mssql), nullptr));
}

Strings unboundJoins(std::string_view mssql) {
  Strings unbound;
  msSqlCanonical(tokenize(mssql), &unbound);
  return unbound;
}

bool hasOrderBy(const Tokens& t) {
  for (std::size_t i = 0; i + 1 < t.size(); ++i) {
    if (is(t[i], "ORDER") && is(t[i + 1], "BY")) return true;
  }
  return false;
}

const StatementDefinition* statement(const std::string& component) {
  for (const StatementDefinition* s : allStatements()) {
    if (s->component == component) return s;
  }
  return nullptr;
}

// ---- the checks ------------------------------------------------------------

// The comparison itself, on a statement made for it: a sub-select, an
// optional join in the outer and in the inner SELECT, each function rule.
TEST(DialectComparisonTest, FindsEachKindOfDifference) {
  const std::string oracle =
      "SELECT A.X, NVL(B.Y, 0) Y, TO_CHAR(A.T) T\n"
      "  FROM TA A, TC C, TB B\n"
      " WHERE (A.K = :P_K)\n"
      "   AND (INSTR(:P_L, A.C || A.D) > 0)\n"
      "   AND (C.K = B.K(+))\n"
      "   AND (C.K = A.K)\n"
      "   AND (C.J = B.J(+))\n"
      "   AND (A.J IN (SELECT D.J FROM TD D, TE E\n"
      "                 WHERE (D.Z = :P_K) AND (D.E = E.E(+)) AND (TRUNC(D.V, 2) > 0)))";
  const std::string mssql =
      "SELECT A.X, ISNULL(B.Y, 0) Y, CONVERT(VARCHAR(500), A.T) T\n"
      "  FROM TA A, TC C\n"
      "  LEFT JOIN TB B ON (C.K = B.K) AND (C.J = B.J)\n"
      " WHERE (A.K = :P_K)\n"
      "   AND (CHARINDEX(A.C + A.D, :P_L) > 0)\n"
      "   AND (C.K = A.K)\n"
      "   AND (A.J IN (SELECT D.J FROM TD D LEFT JOIN TE E ON (D.E = E.E)\n"
      "                 WHERE (D.Z = :P_K) AND (ROUND(D.V, 2, 1) > 0)))";
  EXPECT_EQ(dialectDifference(oracle, mssql), "");
  EXPECT_EQ(unboundJoins(mssql), Strings{});

  auto changed = [&](const std::string& from, const std::string& to) {
    std::string text = mssql;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"VARCHAR(500)", "VARCHAR"},
           {"CHARINDEX(A.C + A.D, :P_L)", "CHARINDEX(:P_L, A.C + A.D)"},
           {"ROUND(D.V, 2, 1)", "ROUND(D.V, 2)"},
           {" AND (C.J = B.J)", ""},
           {"LEFT JOIN TE E ON (D.E = E.E)", ", TE E"},
           {"FROM TA A, TC C", "FROM TC C, TA A"},
           {"ISNULL(B.Y, 0)", "B.Y"},
       }) {
    EXPECT_NE(dialectDifference(oracle, changed(from, to)), "") << from << " -> " << to;
  }
  // A LEFT JOIN that names a table the comma keeps out of its chain.
  EXPECT_EQ(unboundJoins("SELECT A.X FROM TA A, TC C LEFT JOIN TB B ON (A.K = B.K)"),
            Strings{"LEFT JOIN TB B names A.K"});
  EXPECT_EQ(unboundJoins("SELECT A.X FROM TA A CROSS JOIN TC C LEFT JOIN TB B ON (A.K = B.K)"),
            Strings{});
}

TEST(DialectsTest, TheStatementsOfTheStoreDataAreThereOnceEach) {
  std::set<std::string> components;
  for (const StatementDefinition* s : allStatements())
    EXPECT_TRUE(components.insert(s->component).second) << s->component << " twice";
  for (const char* component : {"adqListaComanda", "adqComandaVal", "adqItProdVend",
                                "acmRetiraItem", "acmAjustaQtdeNeg", "adqComandaAgrupada"}) {
    const StatementDefinition* s = statement(component);
    ASSERT_NE(s, nullptr) << component;
    EXPECT_EQ(s->two_dialects, std::string(component) != "adqComandaAgrupada") << component;
  }
  // Only these have an Oracle and a MS SQL Server text of their own.
  const std::set<std::string> two = {"adqComissVenda", "adqListaComanda", "adqComandaVal",
                                     "adqItProdVend",  "acmRetiraItem",   "acmAjustaQtdeNeg",
                                     "adqCouvert",     "adqBloqueiaFilial"};
  for (const StatementDefinition* s : allStatements()) {
    EXPECT_TRUE(!s->two_dialects || two.count(s->component)) << s->component;
  }
}

TEST(DialectsTest, TheMsSqlTextSaysWhatTheOracleTextSays) {
  for (const StatementDefinition* s : allStatements()) {
    SCOPED_TRACE(s->component);
    if (!s->two_dialects) {
      EXPECT_EQ(s->texts.mssql, s->texts.oracle);
      continue;
    }
    Tokens oracle = tokenize(s->texts.oracle);
    Tokens mssql = tokenize(s->texts.mssql);
    // The charge items come in a fixed order on every database: which one
    // carries a bill's charge must not depend on it.
    EXPECT_EQ(hasOrderBy(oracle), s->component == "adqCouvert") << "the Oracle texts give no order";
    if (s->component == "adqBloqueiaFilial") {
      // Each engine locks a row its own way: Oracle waiting at most the lock
      // wait of every engine, MS SQL Server by a table hint.
      EXPECT_EQ(s->texts.oracle, "SELECT CDFILIAL FROM FILIAL WHERE (CDFILIAL = :P_CDFILIAL) FOR "
                                 "UPDATE WAIT " +
                                     std::to_string(conta::db::kLockWaitSeconds));
      EXPECT_NE(s->texts.mssql.find("WITH (UPDLOCK, ROWLOCK)"), std::string::npos);
      continue;
    }
    if (s->component == "adqItProdVend") {
      // The one difference beyond the dialect: MS SQL Server orders the items.
      const std::string order = "ORDER BY IT.CDFILIAL , CDARVPROD";
      ASSERT_GE(mssql.size(), 5u);
      ASSERT_EQ(render(mssql, mssql.size() - 5), order);
      mssql.resize(mssql.size() - 5);
    }
    EXPECT_EQ(difference(asMsSql(s->texts.oracle), msSqlCanonical(mssql, nullptr)), "");
    // SQL Server binds the names of a join's condition within its join chain.
    EXPECT_EQ(unboundJoins(s->texts.mssql), Strings{});
  }
}

std::set<std::string> parameterNames(const std::string& text) {
  std::set<std::string> names;
  for (std::string name : conta::db::parseNamedParameters(text).names) {
    std::transform(name.begin(), name.end(), name.begin(), ::toupper);
    names.insert(name);
  }
  return names;
}

TEST(DialectsTest, EveryTextOfAStatementTakesTheSameParameters) {
  for (const StatementDefinition* s : allStatements()) {
    SCOPED_TRACE(s->component);
    const std::pair<const char*, const std::string*> texts[] = {
        {"oracle", &s->texts.oracle},
        {"mssql", &s->texts.mssql},
        {"postgresql", &s->texts.postgresql},
        {"sqlite", &s->texts.sqlite},
    };
    std::set<std::string> reference = parameterNames(s->texts.oracle);
    for (const auto& [dialect, text] : texts) {
      EXPECT_FALSE(text->empty()) << dialect;
      EXPECT_EQ(parameterNames(*text), reference) << dialect;
      for (const auto& declared : s->parameters) {
        std::string name = declared.name;
        std::transform(name.begin(), name.end(), name.begin(), ::toupper);
        EXPECT_TRUE(parameterNames(*text).count(name)) << dialect << " lacks " << declared.name;
      }
    }
  }
}

Strings occurrences(const std::string& text) {
  conta::db::ParsedSql parsed = conta::db::parseNamedParameters(text);
  Strings order;
  for (std::size_t index : parsed.occurrences)
    order.push_back(parsed.names[index]);
  return order;
}

TEST(DialectsTest, TheOracleAndMsSqlTextsTakeTheirParametersInTheirOrder) {
  const Strings comandas = {"P_CDFILIAL", "P_LCOMANDA", "P_CDFILIAL", "P_CDFILIAL",
                            "P_CDFILIAL", "P_CDFILIAL", "P_LCOMANDA"};
  const Strings selection = {"P_CDFILIAL",     "P_NRCOMANDA",     "P_NRLUGARMESA",
                             "P_TNRLUGARMESA", "P_LNRPRODCOMVEN", "P_TNRPRODCOMVEN"};
  Strings items = selection;
  items.insert(items.end(), selection.begin(), selection.end());
  const std::pair<const char*, Strings> expected[] = {
      {"adqListaComanda", comandas},
      {"adqComandaVal", comandas},
      {"adqItProdVend", items},
  };
  for (const auto& [component, order] : expected) {
    SCOPED_TRACE(component);
    const StatementDefinition* s = statement(component);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(occurrences(s->texts.oracle), order);
    EXPECT_EQ(occurrences(s->texts.mssql), order);
  }
}

}  // namespace
