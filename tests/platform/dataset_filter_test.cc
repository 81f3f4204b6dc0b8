#include "platform/dataset_filter.h"

#include <gtest/gtest.h>

#include "conta/error.h"

namespace conta {
namespace {

// Items of a bill: product, description, quantity, price, seller, sequence.
class DataSetFilterTest : public ::testing::Test {
 protected:
  DataSetFilterTest() {
    fields_ = {Field("CDPRODUTO", FieldType::String, 10), Field("DSPRODUTO", FieldType::String, 30),
               Field("QTITEM", FieldType::Float),         Field("VRITEM", FieldType::Float),
               Field("CDVENDEDOR", FieldType::String, 4), Field("NRSEQ", FieldType::Int32)};
  }

  bool passes(std::string_view filter, std::vector<Variant> values) const {
    return DataSetFilter(filter, fields_, "Itens").matches(values);
  }

  std::string errorOf(std::string_view filter) const {
    try {
      DataSetFilter f(filter, fields_, "Itens");
    } catch (const DataSetError& e) {
      return e.what();
    }
    return "(no error)";
  }

  static std::vector<Variant> item(const char* product, double price,
                                   Variant seller = Variant("V1"), std::int64_t seq = 1) {
    return {Variant(product), Variant("x"), Variant(1.0), Variant(price), seller, Variant(seq)};
  }

  std::vector<Field> fields_;
};

TEST_F(DataSetFilterTest, ComparesTextExactlyWhateverTheBlanks) {
  EXPECT_TRUE(passes("CDPRODUTO  = 'COUV'", item("COUV", 8)));
  EXPECT_TRUE(passes("  cdproduto='COUV'  ", item("COUV", 8)));
  EXPECT_FALSE(passes("CDPRODUTO = 'COUV'", item("couv", 8)));
  EXPECT_FALSE(passes("CDPRODUTO = 'COUV'", item("COUV ", 8)));
  EXPECT_TRUE(passes("CDPRODUTO <> 'COUV'", item("0001", 8)));
  EXPECT_TRUE(passes("CDPRODUTO < 'B'", item("A", 8)));
  EXPECT_FALSE(passes("CDPRODUTO < 'B'", item("a", 8)));  // byte order: 'a' after 'B'

  std::vector<Variant> quoted = item("X", 1);
  quoted[1] = Variant("D'Ávila");
  EXPECT_TRUE(passes("DSPRODUTO = 'D''Ávila'", quoted));
  EXPECT_TRUE(passes("DSPRODUTO = ''''", {Variant(), Variant("'")}));
}

TEST_F(DataSetFilterTest, ComparesNumericFieldsAsNumbers) {
  // As text, "10" would sort before "9.5".
  EXPECT_TRUE(passes("VRITEM > 9.5", item("A", 10)));
  EXPECT_FALSE(passes("VRITEM > 9.5", item("A", 9)));
  EXPECT_TRUE(passes("VRITEM = '10'", item("A", 10)));
  EXPECT_TRUE(passes("VRITEM >= -1e1", item("A", -10)));
  EXPECT_TRUE(passes("NRSEQ < 2.5", item("A", 1, Variant("V1"), 2)));
  EXPECT_TRUE(passes("NRSEQ = 2.0", item("A", 1, Variant("V1"), 2)));
  EXPECT_FALSE(passes("VRITEM = 18", item("A", 18.0001)));
}

TEST_F(DataSetFilterTest, NullMatchesNoComparisonButIsNull) {
  auto no_seller = item("A", 1, Variant::null());
  EXPECT_FALSE(passes("CDVENDEDOR = 'V1'", no_seller));
  EXPECT_FALSE(passes("CDVENDEDOR <> 'V1'", no_seller));
  EXPECT_TRUE(passes("CDVENDEDOR IS NULL", no_seller));
  EXPECT_TRUE(passes("CDVENDEDOR = NULL", no_seller));
  EXPECT_FALSE(passes("CDVENDEDOR is not null", no_seller));
  EXPECT_TRUE(passes("CDVENDEDOR IS NOT NULL", item("A", 1)));
  EXPECT_TRUE(passes("CDVENDEDOR <> NULL", item("A", 1)));
}

TEST_F(DataSetFilterTest, CombinesWithAndOrNotAndBrackets) {
  auto couv_v2 = item("COUV", 8, Variant("V2"));
  // AND binds tighter than OR.
  EXPECT_TRUE(passes("CDPRODUTO = 'COUV' OR CDVENDEDOR = 'V1' AND VRITEM > 100", couv_v2));
  EXPECT_FALSE(passes("(CDPRODUTO = 'COUV' OR CDVENDEDOR = 'V1') AND VRITEM > 100", couv_v2));
  EXPECT_TRUE(passes("NOT (CDPRODUTO = 'COUV' AND VRITEM > 100)", couv_v2));
  EXPECT_FALSE(passes("not CDPRODUTO = 'COUV'", couv_v2));
  EXPECT_TRUE(passes("((CDVENDEDOR='V2'))and(VRITEM<9)", couv_v2));
  EXPECT_TRUE(passes("   ", couv_v2));  // a blank filter passes everything
}

TEST_F(DataSetFilterTest, ReportsErrorsWithTextAndPosition) {
  EXPECT_EQ(errorOf("CDPRODUTO = 'COUV"),
            "Itens: Filter \"CDPRODUTO = 'COUV\": text that is not closed at position 13");
  EXPECT_EQ(errorOf("CDPRODUTO 'COUV'"),
            "Itens: Filter \"CDPRODUTO 'COUV'\": expected a comparison operator after "
            "'CDPRODUTO' but found text 'COUV' at position 11");
  EXPECT_EQ(errorOf("CDPRODUTO ="),
            "Itens: Filter \"CDPRODUTO =\": expected a value after '=' but found end of filter "
            "at position 12");
  EXPECT_EQ(errorOf("CDPRODUTX = 'A'"),
            "Itens: Filter \"CDPRODUTX = 'A'\": field 'CDPRODUTX' not found at position 1");
  EXPECT_NE(errorOf("(CDPRODUTO = 'A'").find("expected ')' but found end of filter"),
            std::string::npos);
  EXPECT_NE(errorOf("CDPRODUTO = 'A' 'B'").find("unexpected text 'B' at position 17"),
            std::string::npos);
  EXPECT_NE(errorOf("VRITEM = 'abc'").find("does not fit field 'VRITEM', which needs a number"),
            std::string::npos);
  EXPECT_NE(errorOf("CDPRODUTO != 'A'").find("unexpected character '!' at position 11"),
            std::string::npos);
  EXPECT_NE(errorOf("VRITEM > 12abc").find("malformed number"), std::string::npos);
  EXPECT_NE(errorOf("CDVENDEDOR IS 'A'").find("expected NULL"), std::string::npos);
  EXPECT_NE(errorOf("VRITEM < NULL").find("NULL can only be compared with = or <>"),
            std::string::npos);
  // Positions count characters, not bytes.
  EXPECT_NE(errorOf("DSPRODUTO = 'Ávila' AND").find("position 24"), std::string::npos);
  EXPECT_NE(errorOf(std::string(1000, '(')).find("nested too deeply"), std::string::npos);
}

TEST(DataSetFilterValuesTest, OrdersByValueWithNullFirst) {
  EXPECT_LT(compareFieldValues(Variant(9.0), Variant(std::int64_t{10})), 0);
  EXPECT_EQ(compareFieldValues(Variant(18.0), Variant(18)), 0);
  EXPECT_GT(compareFieldValues(Variant(INT64_MAX), Variant(INT64_MAX - 1)), 0);
  EXPECT_LT(compareFieldValues(Variant::null(), Variant(-1e300)), 0);
  EXPECT_LT(compareFieldValues(Variant("B"), Variant("a")), 0);
  EXPECT_GT(compareFieldValues(Variant("B"), Variant("a"), true), 0);
  EXPECT_EQ(compareFieldValues(Variant("ÇÃO"), Variant("ção"), true), 0);
  EXPECT_LT(compareFieldValues(Variant(false), Variant(true)), 0);
}

}  // namespace
}  // namespace conta
