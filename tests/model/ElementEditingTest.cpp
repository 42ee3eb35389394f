#include <gtest/gtest.h>

TEST(PlaceholderElementEditingTest, Builds) {
    SUCCEED();
}
