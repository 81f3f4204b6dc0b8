#include "platform/db/named_parameters.h"

#include <gtest/gtest.h>

#include "platform/db/script.h"

namespace conta::db {
namespace {

std::string numbered(const ParsedSql& sql) {
  return sql.render([](std::size_t, std::size_t name) { return "$" + std::to_string(name + 1); });
}

TEST(NamedParametersTest, EachNameIsNumberedOnceWhereverItOccurs) {
  ParsedSql sql = parseNamedParameters(
      "SELECT * FROM COMANDAVEN WHERE CDFILIAL = :P_CDFILIAL AND INSTR(:P_LCOMANDA, NRCOMANDA) > 0"
      " UNION SELECT * FROM X WHERE A = :P_CDFILIAL AND B = :P_CDFILIAL AND C = :p_cdfilial"
      " AND D = :P_CDFILIAL AND INSTR(:P_LCOMANDA, E) > 0");
  EXPECT_EQ(sql.names, (std::vector<std::string>{"P_CDFILIAL", "P_LCOMANDA"}));
  EXPECT_EQ(sql.occurrences, (std::vector<std::size_t>{0, 1, 0, 0, 0, 0, 1}));
  EXPECT_EQ(numbered(sql),
            "SELECT * FROM COMANDAVEN WHERE CDFILIAL = $1 AND INSTR($2, NRCOMANDA) > 0"
            " UNION SELECT * FROM X WHERE A = $1 AND B = $1 AND C = $1 AND D = $1 AND INSTR($2, "
            "E) > 0");
  EXPECT_EQ(sql.render([](std::size_t, std::size_t) { return "?"; }).find(":"), std::string::npos);
  EXPECT_EQ(sql.nameIndex("p_lcomanda"), 1u);
}

TEST(NamedParametersTest, ColonsThatAreNoParametersAreLeftAlone) {
  ParsedSql sql = parseNamedParameters(
      "SELECT 'a:B', 'it''s :C', \"X:Y\", [M:N], x::text, y := 1, '12:30' -- :D\n"
      "/* :E */ FROM T WHERE K = :P_K AND T = '10:00:00'");
  EXPECT_EQ(sql.names, (std::vector<std::string>{"P_K"}));
  EXPECT_EQ(numbered(sql),
            "SELECT 'a:B', 'it''s :C', \"X:Y\", [M:N], x::text, y := 1, '12:30' -- :D\n"
            "/* :E */ FROM T WHERE K = $1 AND T = '10:00:00'");
  // An unclosed quote runs to the end; nothing inside is a parameter.
  EXPECT_TRUE(parseNamedParameters("SELECT ':A").names.empty());
  EXPECT_TRUE(parseNamedParameters("").names.empty());
}

TEST(SqlScriptTest, SplitsOnSemicolonsOutsideQuotesAndComments) {
  auto statements = splitSqlScript(
      "-- heading; with a semicolon\nCREATE TABLE A (X VARCHAR(1));\n"
      "INSERT INTO A VALUES (';');  /* ; */\n INSERT INTO A VALUES ('it''s;')\n;\n -- end\n");
  ASSERT_EQ(statements.size(), 3u);
  EXPECT_NE(statements[0].find("CREATE TABLE A"), std::string::npos);
  EXPECT_NE(statements[1].find("VALUES (';')"), std::string::npos);
  EXPECT_NE(statements[2].find("'it''s;'"), std::string::npos);
}

}  // namespace
}  // namespace conta::db
