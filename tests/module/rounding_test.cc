// Trunc2 and RoundDec: the money depends on them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "support/consiste.h"
#include "support/xol_corvana.h"

namespace {

using Consiste::RoundDec;
using Xol_corvana::Trunc2;

TEST(Trunc2Test, CutsTheValueAPersonReads) {
  EXPECT_EQ(Trunc2(2.999), 2.99);
  EXPECT_EQ(Trunc2(-1.239), -1.23);
  EXPECT_EQ(Trunc2(12.345), 12.34);
  EXPECT_EQ(Trunc2(7.777), 7.77);
  EXPECT_EQ(Trunc2(1.15), 1.15);  // its double lies just below 1.15
  EXPECT_EQ(Trunc2(0.7 * 3), 2.10);
  EXPECT_EQ(Trunc2(1.1 * 3), 3.30);
  EXPECT_EQ(Trunc2(2.0), 2.0);
  EXPECT_EQ(Trunc2(0.0), 0.0);
  EXPECT_EQ(Trunc2(0.009), 0.0);
  EXPECT_EQ(Trunc2(-0.009), 0.0);
  EXPECT_EQ(Trunc2(0.01), 0.01);
  EXPECT_EQ(Trunc2(19.99 * 3), 59.97);
  EXPECT_EQ(Trunc2(123.45 * 0.1), 12.34);  // 12.345 exactly cut, not rounded
  EXPECT_EQ(Trunc2(12.345 * 3), 37.03);
  EXPECT_EQ(Trunc2(1e-300), 0.0);
  EXPECT_EQ(Trunc2(12345678.999), 12345678.99);  // large amounts keep their cents
  EXPECT_EQ(Trunc2(99999999.995), 99999999.99);
  EXPECT_TRUE(std::isnan(Trunc2(std::nan(""))));
}

TEST(Trunc2Test, SumsOfTenthsAreNoiseNotMoney) {
  double sum = 0;
  for (int i = 0; i < 10; ++i)
    sum += 0.1;  // 0.9999999999999999
  EXPECT_EQ(Trunc2(sum), 1.0);
  double tip = 0;
  for (int i = 0; i < 3; ++i)
    tip += 33.33;  // 99.99000000000001
  EXPECT_EQ(Trunc2(tip), 99.99);
  EXPECT_EQ(Trunc2(2.9999999999), 3.0);  // below the 9th significant digit
  EXPECT_EQ(Trunc2(2.99999), 2.99);      // a real 2.99999 is cut
}

// Price (in thousandths) times quantity, computed in double as the bill does,
// cuts to the exact decimal result computed in integers.
TEST(Trunc2Test, ProductsOfPricesAndQuantitiesCutExactly) {
  std::mt19937_64 random(20261207);
  std::uniform_int_distribution<std::int64_t> price(0, 999'999);  // 0.000 .. 999.999
  std::uniform_int_distribution<std::int64_t> quantity(1, 60);
  for (int i = 0; i < 200'000; ++i) {
    std::int64_t p = price(random);
    std::int64_t q = quantity(random);
    double computed = (static_cast<double>(p) / 1000.0) * static_cast<double>(q);
    std::int64_t cents = p * q / 10;  // exact cut of the decimal product
    double expected = static_cast<double>(cents) / 100.0;
    ASSERT_EQ(Trunc2(computed), expected) << p << " x " << q;
    ASSERT_EQ(Trunc2(-computed), -expected) << p << " x " << q;
  }
}

TEST(RoundDecTest, RoundsHalvesAwayFromZeroOnTheDecimalValue) {
  EXPECT_EQ(RoundDec(7.775, 2), 7.78);  // its double is 7.77499999999999946...
  EXPECT_EQ(RoundDec(-7.775, 2), -7.78);
  EXPECT_EQ(RoundDec(1.005, 2), 1.01);
  EXPECT_EQ(RoundDec(2.675, 2), 2.68);
  EXPECT_EQ(RoundDec(12.344, 2), 12.34);
  EXPECT_EQ(RoundDec(12.345, 2), 12.35);
  EXPECT_EQ(RoundDec(0.125, 2), 0.13);
  EXPECT_EQ(RoundDec(0.7 * 3, 2), 2.1);
  EXPECT_EQ(RoundDec(123.45 * 0.1, 2), 12.35);
  EXPECT_EQ(RoundDec(9.0, 2), 9.0);
  EXPECT_EQ(RoundDec(2.5, 0), 3.0);
  EXPECT_EQ(RoundDec(-2.5, 0), -3.0);
  EXPECT_EQ(RoundDec(1234.5678, 3), 1234.568);
}

// Every value with three decimals rounds like its exact decimal.
TEST(RoundDecTest, ThousandthsRoundLikeTheirDecimals) {
  for (std::int64_t mills = -200'000; mills <= 200'000; mills += 1) {
    double value = static_cast<double>(mills) / 1000.0;
    std::int64_t magnitude = mills < 0 ? -mills : mills;
    std::int64_t cents = (magnitude + 5) / 10;  // half away from zero
    double expected = static_cast<double>(mills < 0 ? -cents : cents) / 100.0;
    ASSERT_EQ(RoundDec(value, 2), expected) << mills;
  }
}

}  // namespace
