#include <gtest/gtest.h>

TEST(PlaceholderSchemeDrawingTest, Builds) {
    SUCCEED();
}
