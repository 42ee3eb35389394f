#include <gtest/gtest.h>

TEST(PlaceholderSchemeClipboardTest, Builds) {
    SUCCEED();
}
