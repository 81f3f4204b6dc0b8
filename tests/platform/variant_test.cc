#include "conta/variant.h"

#include <gtest/gtest.h>

namespace conta {
namespace {

TEST(VariantTest, Placeholder) { EXPECT_TRUE(Variant().isEmpty()); }

}  // namespace
}  // namespace conta
