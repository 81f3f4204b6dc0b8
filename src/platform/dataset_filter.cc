#include "platform/dataset_filter.h"

#include <algorithm>
#include <compare>
#include <optional>

#include "conta/error.h"
#include "platform/number_text.h"
#include "platform/text_encoding.h"

namespace conta {

enum class CompareOp { Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual };

struct DataSetFilter::Node {
  enum class Kind { And, Or, Not, Compare, IsNull, IsNotNull };
  Kind kind = Kind::Compare;
  std::vector<std::unique_ptr<Node>> children;  // And, Or (two or more), Not (one)
  std::size_t field = 0;
  CompareOp op = CompareOp::Equal;
  Variant literal;  // already in the field's kind of value
};

namespace {

// Rank of a kind when values of different kinds meet; numbers share one.
int kindRank(Variant::Kind kind) {
  switch (kind) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null:
      return 0;
    case Variant::Kind::Boolean:
      return 1;
    case Variant::Kind::Integer:
    case Variant::Kind::Double:
      return 2;
    case Variant::Kind::DateTime:
      return 3;
    case Variant::Kind::Text:
      return 4;
    case Variant::Kind::Bytes:
      return 5;
    case Variant::Kind::Array:
      return 6;
    case Variant::Kind::Packet:
      return 7;
  }
  return 8;
}

int sign(std::strong_ordering order) {
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int sign(int value) {
  return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
// Field names may hold letters beyond ASCII (UTF-8 bytes), digits and '_'.
bool isNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool isNameChar(char c) {
  return isNameStart(c) || isDigit(c);
}

bool sameWord(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

enum class TokenKind { Name, Text, Number, Operator, Open, Close, End };

struct Token {
  TokenKind kind;
  std::string value;  // name, text (unescaped), number or operator as written
  std::size_t pos;    // byte offset in the filter text
};

class Parser {
 public:
  Parser(std::string_view text, const std::vector<Field>& fields, std::string_view owner)
      : text_(text), fields_(fields), owner_(owner) {}

  std::unique_ptr<DataSetFilter::Node> parse() {
    tokenize();
    if (peek().kind == TokenKind::End) return nullptr;
    auto node = parseOr();
    if (peek().kind != TokenKind::End) fail(peek().pos, "unexpected " + describe(peek()));
    return node;
  }

 private:
  using Node = DataSetFilter::Node;
  static constexpr int kMaxNesting = 200;

  [[noreturn]] void fail(std::size_t byte_pos, const std::string& problem) const {
    // Positions count characters from 1, so a UTF-8 name does not shift them.
    std::size_t column = 1;
    for (std::size_t i = 0; i < byte_pos && i < text_.size(); ++i) {
      if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) ++column;
    }
    throw DataSetError(std::string(owner_) + ": Filter \"" + std::string(text_) + "\": " + problem +
                       " at position " + std::to_string(column));
  }

  static std::string describe(const Token& token) {
    switch (token.kind) {
      case TokenKind::Name:
        return "'" + token.value + "'";
      case TokenKind::Text:
        return "text '" + token.value + "'";
      case TokenKind::Number:
        return "number " + token.value;
      case TokenKind::Operator:
        return "'" + token.value + "'";
      case TokenKind::Open:
        return "'('";
      case TokenKind::Close:
        return "')'";
      case TokenKind::End:
        return "end of filter";
    }
    return "?";
  }

  void tokenize() {
    std::size_t i = 0;
    const std::size_t n = text_.size();
    while (true) {
      while (i < n && isBlank(text_[i]))
        ++i;
      if (i >= n) break;
      const std::size_t start = i;
      const char c = text_[i];
      if (c == '(' || c == ')') {
        tokens_.push_back({c == '(' ? TokenKind::Open : TokenKind::Close, std::string(1, c), i});
        ++i;
      } else if (c == '=' || c == '<' || c == '>') {
        std::string op(1, c);
        if (c == '<' && i + 1 < n && (text_[i + 1] == '>' || text_[i + 1] == '=')) {
          op += text_[i + 1];
        } else if (c == '>' && i + 1 < n && text_[i + 1] == '=') {
          op += '=';
        }
        i += op.size();
        tokens_.push_back({TokenKind::Operator, op, start});
      } else if (c == '\'') {
        std::string value;
        ++i;
        bool closed = false;
        while (i < n) {
          if (text_[i] == '\'') {
            if (i + 1 < n && text_[i + 1] == '\'') {
              value += '\'';
              i += 2;
              continue;
            }
            ++i;
            closed = true;
            break;
          }
          value += text_[i++];
        }
        if (!closed) fail(start, "text that is not closed");
        tokens_.push_back({TokenKind::Text, std::move(value), start});
      } else if (isDigit(c) || c == '.' || c == '-' || c == '+') {
        i = scanNumber(i);
        tokens_.push_back({TokenKind::Number, std::string(text_.substr(start, i - start)), start});
      } else if (isNameStart(c)) {
        while (i < n && isNameChar(text_[i]))
          ++i;
        tokens_.push_back({TokenKind::Name, std::string(text_.substr(start, i - start)), start});
      } else {
        fail(start, std::string("unexpected character '") + c + "'");
      }
    }
    tokens_.push_back({TokenKind::End, {}, n});
  }

  // Scans [sign] digits [. digits] [e [sign] digits] from `i`; returns the end.
  std::size_t scanNumber(std::size_t i) const {
    const std::size_t start = i;
    const std::size_t n = text_.size();
    if (text_[i] == '-' || text_[i] == '+') ++i;
    std::size_t digits = 0;
    while (i < n && isDigit(text_[i]))
      ++i, ++digits;
    if (i < n && text_[i] == '.') {
      ++i;
      while (i < n && isDigit(text_[i]))
        ++i, ++digits;
    }
    if (digits == 0) fail(start, "a malformed number");
    if (i < n && (text_[i] == 'e' || text_[i] == 'E')) {
      std::size_t j = i + 1;
      if (j < n && (text_[j] == '-' || text_[j] == '+')) ++j;
      if (j < n && isDigit(text_[j])) {
        while (j < n && isDigit(text_[j]))
          ++j;
        i = j;
      }
    }
    if (i < n && (isNameChar(text_[i]) || text_[i] == '.')) fail(start, "a malformed number");
    return i;
  }

  const Token& peek() const { return tokens_[at_]; }
  const Token& take() {
    const Token& token = tokens_[at_];
    if (token.kind != TokenKind::End) ++at_;
    return token;
  }
  bool peekWord(std::string_view word) const {
    return peek().kind == TokenKind::Name && sameWord(peek().value, word);
  }
  static bool isKeyword(const Token& token) {
    if (token.kind != TokenKind::Name) return false;
    for (std::string_view word : {"AND", "OR", "NOT", "IS", "NULL"}) {
      if (sameWord(token.value, word)) return true;
    }
    return false;
  }

  std::unique_ptr<Node> parseOr() { return parseChain("OR", Node::Kind::Or, &Parser::parseAnd); }
  std::unique_ptr<Node> parseAnd() {
    return parseChain("AND", Node::Kind::And, &Parser::parseFactor);
  }

  std::unique_ptr<Node> parseChain(std::string_view word, Node::Kind kind,
                                   std::unique_ptr<Node> (Parser::*operand)()) {
    auto first = (this->*operand)();
    if (!peekWord(word)) return first;
    auto chain = std::make_unique<Node>();
    chain->kind = kind;
    chain->children.push_back(std::move(first));
    while (peekWord(word)) {
      take();
      chain->children.push_back((this->*operand)());
    }
    return chain;
  }

  std::unique_ptr<Node> parseFactor() {
    if (++nesting_ > kMaxNesting) fail(peek().pos, "brackets or NOTs nested too deeply");
    std::unique_ptr<Node> node;
    if (peekWord("NOT")) {
      take();
      node = std::make_unique<Node>();
      node->kind = Node::Kind::Not;
      node->children.push_back(parseFactor());
    } else if (peek().kind == TokenKind::Open) {
      take();
      node = parseOr();
      if (peek().kind != TokenKind::Close) {
        fail(peek().pos, "expected ')' but found " + describe(peek()));
      }
      take();
    } else {
      node = parseComparison();
    }
    --nesting_;
    return node;
  }

  std::unique_ptr<Node> parseComparison() {
    const Token& name = take();
    if (name.kind != TokenKind::Name || isKeyword(name)) {
      fail(name.pos, "expected a field name but found " + describe(name));
    }
    auto node = std::make_unique<Node>();
    node->field = fieldIndex(name);

    if (peekWord("IS")) {
      take();
      node->kind = Node::Kind::IsNull;
      if (peekWord("NOT")) {
        take();
        node->kind = Node::Kind::IsNotNull;
      }
      if (!peekWord("NULL")) fail(peek().pos, "expected NULL but found " + describe(peek()));
      take();
      return node;
    }

    const Token& op = take();
    if (op.kind != TokenKind::Operator) {
      fail(op.pos,
           "expected a comparison operator after '" + name.value + "' but found " + describe(op));
    }
    node->op = op.value == "="    ? CompareOp::Equal
               : op.value == "<>" ? CompareOp::NotEqual
               : op.value == "<"  ? CompareOp::Less
               : op.value == ">"  ? CompareOp::Greater
               : op.value == "<=" ? CompareOp::LessEqual
                                  : CompareOp::GreaterEqual;

    const Token& literal = take();
    if (literal.kind == TokenKind::Name && sameWord(literal.value, "NULL")) {
      // FIELD = NULL and FIELD <> NULL read as IS NULL and IS NOT NULL.
      if (node->op == CompareOp::Equal) {
        node->kind = Node::Kind::IsNull;
      } else if (node->op == CompareOp::NotEqual) {
        node->kind = Node::Kind::IsNotNull;
      } else {
        fail(literal.pos, "NULL can only be compared with = or <>");
      }
      return node;
    }
    if (literal.kind != TokenKind::Text && literal.kind != TokenKind::Number) {
      fail(literal.pos, "expected a value after '" + op.value + "' but found " + describe(literal));
    }
    node->kind = Node::Kind::Compare;
    node->literal = convertLiteral(literal, fields_[node->field]);
    return node;
  }

  std::size_t fieldIndex(const Token& name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      if (sameWord(fields_[i].name, name.value)) return i;
    }
    fail(name.pos, "field '" + name.value + "' not found");
  }

  // A text literal as text, a number as the number it spells.
  static Variant literalVariant(const Token& literal) {
    if (literal.kind == TokenKind::Text) return Variant(literal.value);
    if (auto d = number_text::parseDecimal(literal.value, '.')) return Variant(*d);
    return Variant(literal.value);
  }

  // The literal as a value of the field's kind, so that comparing is a plain
  // comparison of two values.
  Variant convertLiteral(const Token& literal, const Field& field) const {
    const bool is_text = literal.kind == TokenKind::Text;
    switch (field.valueKind()) {
      case ValueKind::Text:
        return Variant(literal.value);
      case ValueKind::Bytes:
        return Variant::fromBytes(literal.value);
      case ValueKind::Integer:
      case ValueKind::Float: {
        if (auto i = number_text::parseInteger(literal.value)) return Variant(*i);
        auto d = is_text ? number_text::parseDecimal(literal.value)
                         : number_text::parseDecimal(literal.value, '.');
        if (d) return Variant(*d);
        break;
      }
      case ValueKind::Boolean:
        if (auto b = literalVariant(literal).tryBoolean()) return Variant(*b);
        break;
      case ValueKind::DateTime:
        if (auto t = literalVariant(literal).tryDateTime()) return Variant(*t);
        break;
    }
    const char* wanted = "a value";
    switch (field.valueKind()) {
      case ValueKind::Integer:
      case ValueKind::Float:
        wanted = "a number";
        break;
      case ValueKind::Boolean:
        wanted = "True or False";
        break;
      case ValueKind::DateTime:
        wanted = "a date (yyyy-mm-dd[ hh:nn[:ss]])";
        break;
      default:
        break;
    }
    fail(literal.pos,
         describe(literal) + " does not fit field '" + field.name + "', which needs " + wanted);
  }

  std::string_view text_;
  const std::vector<Field>& fields_;
  std::string_view owner_;
  std::vector<Token> tokens_;
  std::size_t at_ = 0;
  int nesting_ = 0;
};

bool evaluate(const DataSetFilter::Node& node, const std::vector<Variant>& values) {
  using Kind = DataSetFilter::Node::Kind;
  switch (node.kind) {
    case Kind::And:
      return std::all_of(node.children.begin(), node.children.end(),
                         [&](const auto& child) { return evaluate(*child, values); });
    case Kind::Or:
      return std::any_of(node.children.begin(), node.children.end(),
                         [&](const auto& child) { return evaluate(*child, values); });
    case Kind::Not:
      return !evaluate(*node.children.front(), values);
    case Kind::IsNull:
    case Kind::IsNotNull: {
      bool null = node.field >= values.size() || values[node.field].isNull() ||
                  values[node.field].isEmpty();
      return (node.kind == Kind::IsNull) == null;
    }
    case Kind::Compare: {
      if (node.field >= values.size()) return false;
      const Variant& value = values[node.field];
      if (value.isNull() || value.isEmpty()) return false;
      int c = compareFieldValues(value, node.literal);
      switch (node.op) {
        case CompareOp::Equal:
          return c == 0;
        case CompareOp::NotEqual:
          return c != 0;
        case CompareOp::Less:
          return c < 0;
        case CompareOp::Greater:
          return c > 0;
        case CompareOp::LessEqual:
          return c <= 0;
        case CompareOp::GreaterEqual:
          return c >= 0;
      }
      return false;
    }
  }
  return false;
}

}  // namespace

int compareFieldValues(const Variant& a, const Variant& b, bool fold_case) {
  using Kind = Variant::Kind;
  if (a.isNumber() && b.isNumber()) {
    if (a.kind() == Kind::Integer && b.kind() == Kind::Integer) {
      return sign(a.integer() <=> b.integer());
    }
    double x = a.toDouble();
    double y = b.toDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (kindRank(a.kind()) != kindRank(b.kind())) {
    return kindRank(a.kind()) < kindRank(b.kind()) ? -1 : 1;
  }
  switch (a.kind()) {
    case Kind::Text:
      if (fold_case) {
        return sign(text_encoding::foldCase(a.text()).compare(text_encoding::foldCase(b.text())));
      }
      return sign(a.text().compare(b.text()));
    case Kind::Boolean:
      return a.boolean() == b.boolean() ? 0 : (a.boolean() ? 1 : -1);
    case Kind::DateTime:
      return sign(a.dateTime() <=> b.dateTime());
    case Kind::Bytes:
      return sign(a.bytes().compare(b.bytes()));
    default:
      return 0;
  }
}

DataSetFilter::DataSetFilter(std::string_view text, const std::vector<Field>& fields,
                             std::string_view owner)
    : text_(text), root_(Parser(text, fields, owner).parse()) {}

DataSetFilter::~DataSetFilter() = default;
DataSetFilter::DataSetFilter(DataSetFilter&&) noexcept = default;
DataSetFilter& DataSetFilter::operator=(DataSetFilter&&) noexcept = default;

bool DataSetFilter::matches(const std::vector<Variant>& values) const {
  return root_ == nullptr || evaluate(*root_, values);
}

}  // namespace conta
