#include "lib/RefString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

using lib::CRefString;

namespace {

// The header's three words sit right before the text.
const int32_t* HeaderWords(const CRefString& s)
{
    return reinterpret_cast<const int32_t*>(s.GetString()) - 3;
}

TEST(RefStringTest, DefaultIsSharedEmptyText)
{
    CRefString a, b;
    EXPECT_EQ(a.GetString(), b.GetString());
    EXPECT_STREQ("", a.GetString());
    EXPECT_EQ(0u, a.GetLength());
    EXPECT_EQ(-1, HeaderWords(a)[0]);
    EXPECT_EQ(1, HeaderWords(a)[1]);
    a.Release(); // never freed
    EXPECT_EQ(-1, HeaderWords(b)[0]);
}

TEST(RefStringTest, CopiesShareOneBlockUntilLastRelease)
{
    CRefString a("hello");
    EXPECT_EQ(5u, a.GetLength());
    EXPECT_EQ(1, HeaderWords(a)[0]);
    {
        CRefString b(a);
        CRefString c;
        c = b;
        EXPECT_EQ(a.GetString(), b.GetString());
        EXPECT_EQ(a.GetString(), c.GetString());
        EXPECT_EQ(3, HeaderWords(a)[0]);
        c = c;
        EXPECT_EQ(3, HeaderWords(a)[0]);
    }
    EXPECT_EQ(1, HeaderWords(a)[0]);
    EXPECT_STREQ("hello", a.GetString());
}

TEST(RefStringTest, AssignCopyStoresLengthActuallyCopied)
{
    struct Case {
        const char* text;
        uint32_t length;
        const char* expected;
    } cases[] = {
        {"abcdef", 3, "abc"},
        {"abc", 10, "abc"},          // stops at the NUL
        {"aソ", 2, "a"},             // never splits a double-byte character
        {"aソb", 3, "aソ"},
        {"abc", 0, ""},
    };
    for (const auto& c : cases) {
        CRefString s("old");
        ASSERT_TRUE(s.AssignCopy(c.text, c.length));
        EXPECT_STREQ(c.expected, s.GetString());
        const uint32_t copied = static_cast<uint32_t>(std::strlen(c.expected));
        EXPECT_EQ(copied, s.GetLength());
        if (copied > 0) {
            EXPECT_EQ(static_cast<int32_t>(copied), HeaderWords(s)[1]);
            EXPECT_EQ(1, HeaderWords(s)[0]);
        }
    }
}

TEST(RefStringTest, CopiesReleasedOnManyThreads)
{
    CRefString source("shared");
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&source] {
            for (int j = 0; j < 2000; ++j) {
                CRefString copy(source);
                CRefString other;
                other = copy;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(1, HeaderWords(source)[0]);
}

} // namespace
