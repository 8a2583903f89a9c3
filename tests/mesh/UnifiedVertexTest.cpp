#include "mesh/UnifiedVertex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "mesh/ComboVertex.h"

namespace fw {
namespace {

// Both keys order by position, then texture, then normal, and answer 1, -1 or 0.
template <class Key>
void checkOrder() {
    std::vector<Key> keys = {{2, 0, 0}, {1, 5, 0}, {1, -1, 7}, {1, 5, -3}, {0, 9, 9}, {1, 5, 0}};
    std::sort(keys.begin(), keys.end());
    std::vector<Key> want = {{0, 9, 9}, {1, -1, 7}, {1, 5, -3}, {1, 5, 0}, {1, 5, 0}, {2, 0, 0}};
    EXPECT_TRUE(keys == want);
    EXPECT_EQ(Key(1, 5, 0).compare(Key(1, 5, -3)), 1);
    EXPECT_EQ(Key(1, 5, 0).compare(Key(1, 6, -9)), -1);
    EXPECT_EQ(Key(1, 5, 0).compare(Key(1, 5, 0)), 0);
    std::unordered_set<Key> distinct(keys.begin(), keys.end());
    EXPECT_EQ(distinct.size(), 5u);
}

TEST(UnifiedVertex, OrdersByPositionThenTextureThenNormal) { checkOrder<UnifiedVertex>(); }
TEST(ComboVertex, OrdersByPositionThenTextureThenNormal) { checkOrder<ComboVertex>(); }

}  // namespace
}  // namespace fw
