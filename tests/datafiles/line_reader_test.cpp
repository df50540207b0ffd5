#include "datafiles/line_reader.h"

#include <gtest/gtest.h>

namespace tavelin {
namespace {

TEST(LineReader, TextModeLineEndsLimitsAndNul) {
    const char raw[] = "ab\r\ncd\n\r\nlonger line\nx\0y\nlast";
    const std::string text(raw, sizeof raw - 1);
    LineReader r(text);
    std::string line;
    ASSERT_TRUE(r.next(line, 100));
    EXPECT_EQ(line, "ab");
    ASSERT_TRUE(r.next(line, 100));
    EXPECT_EQ(line, "cd");
    ASSERT_TRUE(r.next(line, 100));
    EXPECT_EQ(line, "");  // a CR before LF is dropped, leaving an empty line
    ASSERT_TRUE(r.next(line, 6));
    EXPECT_EQ(line, "longer");  // the rest of the line is skipped
    ASSERT_TRUE(r.next(line, 100));
    EXPECT_EQ(line, "x");  // cut at the NUL
    ASSERT_TRUE(r.next(line, 100));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(r.next(line, 100));
}

TEST(LineReader, LoneCrStaysInTheLine) {
    LineReader r("a\rb\n");
    std::string line;
    ASSERT_TRUE(r.next(line, 100));
    EXPECT_EQ(line, "a\rb");
    EXPECT_EQ(toTextMode("a\nb\n"), "a\r\nb\r\n");
}

}  // namespace
}  // namespace tavelin
