#include "conta/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "conta/data_packet.h"
#include "conta/error.h"
#include "platform/number_text.h"

namespace conta {
namespace {

// Conversions depend on the decimal separator; each test fixes it.
class VariantTest : public ::testing::Test {
 protected:
  void SetUp() override { number_text::setDecimalSeparatorOverride('.'); }
  void TearDown() override { number_text::setDecimalSeparatorOverride(std::nullopt); }
};

TEST_F(VariantTest, EmptyAndNullAreDistinctAndConvertDifferently) {
  Variant empty;
  Variant null = Variant::null();
  EXPECT_TRUE(empty.isEmpty());
  EXPECT_TRUE(null.isNull());
  EXPECT_NE(empty, null);

  // Empty converts as the platform's unassigned variant: to nothing.
  EXPECT_EQ(empty.toDouble(), 0.0);
  EXPECT_EQ(empty.toText(), "");
  EXPECT_FALSE(empty.toBoolean());

  // Null never silently becomes 0, "" or false.
  try {
    (void)null.toDouble();
    FAIL() << "null converted to a number";
  } catch (const VariantError& e) {
    EXPECT_STREQ(e.what(), "could not convert Null into a number");
  }
  EXPECT_THROW((void)null.toText(), VariantError);
  EXPECT_THROW((void)null.toBoolean(), VariantError);
  EXPECT_THROW((void)null.toInteger(), VariantError);
  EXPECT_FALSE(null.tryDouble().has_value());
}

TEST_F(VariantTest, TextAndNumbersConvertInTheGeneralFormat) {
  EXPECT_EQ(Variant(12.34).toText(), "12.34");
  EXPECT_EQ(Variant(2.0).toText(), "2");
  EXPECT_EQ(Variant(0.7 * 3).toText(), "2.1");  // 15 significant digits hide the binary noise
  EXPECT_EQ(Variant(1e15).toText(), "1E15");
  EXPECT_EQ(Variant(123456789012345.0).toText(), "123456789012345");
  EXPECT_EQ(Variant(0.0001).toText(), "0.0001");
  EXPECT_EQ(Variant(0.00001).toText(), "1E-5");
  EXPECT_EQ(Variant(-1.5e-7).toText(), "-1.5E-7");
  EXPECT_EQ(Variant(std::int64_t{-42}).toText(), "-42");

  EXPECT_EQ(Variant("12.5").toDouble(), 12.5);
  EXPECT_EQ(Variant("  -3 ").toDouble(), -3.0);
  EXPECT_EQ(Variant("1E-5").toDouble(), 1e-5);
  EXPECT_EQ(Variant("7").toInteger(), 7);
  try {
    (void)Variant("12a").toDouble();
    FAIL();
  } catch (const VariantError& e) {
    EXPECT_STREQ(e.what(), "could not convert Text '12a' into a number");
  }
  EXPECT_THROW((void)Variant("").toDouble(), VariantError);
  EXPECT_THROW((void)Variant("1,000.5").toDouble(), VariantError);
  EXPECT_THROW((void)Variant("inf").toDouble(), VariantError);
}

TEST_F(VariantTest, TheLocaleDecimalSeparatorIsUsedBothWays) {
  number_text::setDecimalSeparatorOverride(',');
  EXPECT_EQ(Variant(36.6).toText(), "36,6");
  EXPECT_EQ(Variant("36,6").toDouble(), 36.6);
  EXPECT_EQ(Variant("36.6").toDouble(), 36.6);  // the dot is always understood
}

TEST_F(VariantTest, BooleansConvertFromBooleansNumbersAndTheirTexts) {
  EXPECT_TRUE(Variant(true).toBoolean());
  EXPECT_TRUE(Variant("True").toBoolean());
  EXPECT_TRUE(Variant("TRUE").toBoolean());
  EXPECT_FALSE(Variant("false").toBoolean());
  EXPECT_TRUE(Variant(std::int64_t{2}).toBoolean());
  EXPECT_FALSE(Variant(0.0).toBoolean());
  EXPECT_TRUE(Variant("1").toBoolean());
  EXPECT_THROW((void)Variant("S").toBoolean(), VariantError);
  EXPECT_THROW((void)Variant("").toBoolean(), VariantError);

  // As numbers and text, booleans are what the platform makes of them.
  EXPECT_EQ(Variant(true).toInteger(), -1);
  EXPECT_EQ(Variant(true).toText(), "True");
}

TEST_F(VariantTest, DoublesBecomeIntegersRoundingHalfToEven) {
  EXPECT_EQ(Variant(2.5).toInteger(), 2);
  EXPECT_EQ(Variant(3.5).toInteger(), 4);
  EXPECT_EQ(Variant(-2.5).toInteger(), -2);
  EXPECT_EQ(Variant("4.5").toInteger(), 4);
  EXPECT_THROW((void)Variant(1e300).toInteger(), VariantError);
  EXPECT_THROW((void)Variant(std::nan("")).toInteger(), VariantError);
}

TEST_F(VariantTest, AddsAsThePersonsCountNeeds) {
  // The running count (a double) plus a head count from the database.
  Variant count(0.0);
  count = count + Variant(2.0);
  count = count + Variant(std::int64_t{3});
  EXPECT_EQ(count.toDouble(), 5.0);

  EXPECT_EQ((Variant(std::int64_t{1}) + Variant(std::int64_t{3})).kind(), Variant::Kind::Integer);
  EXPECT_EQ((Variant(std::int64_t{1}) + Variant(0.5)).toDouble(), 1.5);
  EXPECT_EQ((Variant() + Variant(4.0)).toDouble(), 4.0);
  EXPECT_EQ((Variant("2") + Variant(1.0)).toDouble(), 3.0);
  EXPECT_EQ((Variant("ab") + Variant("cd")).text(), "abcd");

  // A head count that is NULL makes the sum null, which then fails loudly
  // when it is read back as a number.
  Variant with_null = Variant(1.0) + Variant::null();
  EXPECT_TRUE(with_null.isNull());
  EXPECT_THROW((void)with_null.toDouble(), VariantError);

  // Integers that would overflow continue as doubles.
  Variant big(std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ((big + Variant(std::int64_t{1})).kind(), Variant::Kind::Double);

  EXPECT_THROW((void)(Variant("x") + Variant(1.0)), VariantError);
  EXPECT_THROW((void)(Variant::array(2) + Variant(1.0)), VariantError);
}

TEST_F(VariantTest, AccessorsSayHowTheyFail) {
  Variant text("abc");
  EXPECT_EQ(text.text(), "abc");
  try {
    (void)text.real();
    FAIL();
  } catch (const VariantError& e) {
    EXPECT_STREQ(e.what(), "expected a variant of kind Double, found Text 'abc'");
  }
  EXPECT_THROW((void)text.elements(), VariantError);
  EXPECT_THROW((void)text.packet(), VariantError);
  EXPECT_FALSE(text.tryDouble().has_value());
}

TEST_F(VariantTest, ArraysAreValuesSharedUntilChanged) {
  Variant result = Variant::array(15);
  result.set(14, Variant("host"));
  Variant copy = result;
  result.set(0, Variant(1.5));
  EXPECT_EQ(result[0].toDouble(), 1.5);
  EXPECT_TRUE(copy[0].isEmpty());  // the copy did not see the change
  EXPECT_EQ(copy[14].text(), "host");
  EXPECT_EQ(result.size(), 15u);
  EXPECT_THROW(result.set(15, Variant(1.0)), VariantError);
  EXPECT_THROW((void)result[20], VariantError);
}

TEST_F(VariantTest, PacketsAndDateTimesTravelInVariants) {
  DataPacket packet;
  packet.fields.emplace_back("NRCOMANDA", FieldType::String, 10);
  packet.rows.push_back({0, {Variant("0012")}});
  Variant v(packet);
  EXPECT_TRUE(v.isPacket());
  EXPECT_EQ(v.packet().rows.size(), 1u);
  EXPECT_EQ(v, Variant(packet));

  DateTime t = DateTime::fromParts({2024, 3, 15, 14, 30, 5, 123});
  Variant when(t);
  EXPECT_EQ(when.toText(), "2024-03-15 14:30:05.123");
  EXPECT_EQ(Variant(DateTime::fromDate(2024, 3, 15)).toText(), "2024-03-15");
  EXPECT_EQ(Variant("2024-03-15T14:30:05.123").toDateTime(), t);
  // A date-time is the platform's day number as a number.
  EXPECT_EQ(Variant(DateTime::fromDate(1900, 1, 1)).toDouble(), 2.0);
}

TEST(DateTimeTest, CountsDaysLikeThePlatform) {
  EXPECT_EQ(DateTime::fromDate(1899, 12, 30).milliseconds(), 0);
  EXPECT_EQ(DateTime::fromPlatformDays(45366.5).iso(), "2024-03-15T12:00:00.000");
  EXPECT_EQ(DateTime::fromDate(1, 1, 1).dayNumberFromYearOne(), 1);
  EXPECT_EQ(DateTime::fromDate(1899, 12, 30).dayNumberFromYearOne(), 693594);
  EXPECT_EQ(DateTime::fromDate(2000, 2, 29).iso(), "2000-02-29T00:00:00.000");
  EXPECT_THROW(DateTime::fromDate(2023, 2, 29), VariantError);
  EXPECT_THROW(DateTime::fromDate(2024, 13, 1), VariantError);
  // Before the day zero the count is still linear.
  DateTime early = DateTime::fromParts({1899, 12, 29, 6, 0, 0, 0});
  EXPECT_EQ(early.milliseconds(), -18 * 3600 * 1000);
  EXPECT_EQ(early.iso(), "1899-12-29T06:00:00.000");
  EXPECT_EQ(early.millisecondOfDay(), 6 * 3600 * 1000);

  EXPECT_FALSE(DateTime::parseIso("2024-3-15").has_value());
  EXPECT_FALSE(DateTime::parseIso("2024-03-15X").has_value());
  EXPECT_EQ(DateTime::parseIso("2024-03-15 14:30")->iso(), "2024-03-15T14:30:00.000");
  EXPECT_EQ(DateTime::parseIso("2024-03-15T14:30:05.1")->iso(), "2024-03-15T14:30:05.100");
}

TEST(NumberTextTest, ShortestFormsReadBackExactly) {
  for (double d : {0.1 + 0.2, 1.0 / 3.0, 1e-300, -0.0, 2.0999999999999996, 1e20, 123.45,
                   std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min()}) {
    auto back = number_text::parseDecimal(number_text::formatShortest(d), '.');
    ASSERT_TRUE(back.has_value()) << number_text::formatShortest(d);
    EXPECT_EQ(std::signbit(*back), std::signbit(d));
    EXPECT_EQ(*back, d);
    auto fixed = number_text::parseDecimal(number_text::formatShortestFixed(d), '.');
    ASSERT_TRUE(fixed.has_value());
    EXPECT_EQ(*fixed, d);
  }
  EXPECT_EQ(number_text::formatShortest(1.5e-5), "1.5E-5");
  EXPECT_EQ(number_text::formatShortest(1e20), "1E20");
  EXPECT_EQ(number_text::formatShortest(-0.0), "-0");
  EXPECT_EQ(number_text::formatShortestFixed(1.5e-5), "0.000015");
  EXPECT_EQ(number_text::formatShortestFixed(1e20), "100000000000000000000");
  EXPECT_FALSE(number_text::parseDecimal("1e", '.').has_value());
  EXPECT_FALSE(number_text::parseDecimal("+-1", '.').has_value());
  EXPECT_FALSE(number_text::parseDecimal("1e999", '.').has_value());
  EXPECT_FALSE(number_text::parseInteger("+-1").has_value());
  EXPECT_FALSE(number_text::parseInteger("99999999999999999999").has_value());
}

}  // namespace
}  // namespace conta
