#include "carddata/UserListCodec.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Scramble(const std::string& text, bool swap = true)
{
    std::vector<char> out(text.size() * 4 + 1, 'x');
    uint32_t size = static_cast<uint32_t>(out.size());
    EXPECT_TRUE(ScrambleUserListLine(text.c_str(), out.data(), size, swap));
    return out.data();
}

// Unscrambles into an exactly sized buffer; gives false with the last error on failure.
bool Unscramble(const std::string& text, std::string& plain, DWORD& error, bool swap = true)
{
    std::vector<char> out(text.size() / 4 + 1);
    uint32_t size = static_cast<uint32_t>(out.size());
    SetLastError(0);
    if (!UnscrambleUserListLine(text.c_str(), out.data(), size, swap)) {
        error = GetLastError();
        return false;
    }
    plain.assign(out.data());
    return true;
}

TEST(UserListCodec, ScramblesToTheKnownDigits)
{
    EXPECT_EQ(Scramble("abc"), "631363236333");
    EXPECT_EQ(Scramble("A"), "4313");
    EXPECT_EQ(Scramble("abc", false), "363136323633");
    EXPECT_EQ(Scramble(""), "");
}

TEST(UserListCodec, RoundTripsEveryByteValue)
{
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    for (bool swap : {true, false}) {
        const std::string scrambled = Scramble(all, swap);
        ASSERT_EQ(scrambled.size(), all.size() * 4);
        std::string plain;
        DWORD error = 0;
        ASSERT_TRUE(Unscramble(scrambled, plain, error, swap)) << error;
        EXPECT_EQ(plain, all);
    }
    std::string plain = "x";
    DWORD error = 0;
    ASSERT_TRUE(Unscramble("", plain, error));
    EXPECT_EQ(plain, "");
}

TEST(UserListCodec, AcceptsEitherLetterCase)
{
    // The scrambler only ever prints digits (the byte 0xAC becomes "1434"); a rebuilt digit
    // character in lower case ("1636" rebuilds "ac") stands for the same byte.
    std::string upper, lower;
    DWORD error = 0;
    ASSERT_TRUE(Unscramble("1434", upper, error));
    ASSERT_TRUE(Unscramble("1636", lower, error));
    EXPECT_EQ(upper, "\xAC");
    EXPECT_EQ(lower, "\xAC");
}

TEST(UserListCodec, ScrambleReportsTheSizeNeededAndLeavesOutAlone)
{
    char out[12];
    std::memset(out, '#', sizeof out);
    uint32_t size = 12; // "abc" needs 13
    SetLastError(0);
    EXPECT_FALSE(ScrambleUserListLine("abc", out, size, true));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, 13u);
    EXPECT_EQ(std::string(out, sizeof out), std::string(12, '#'));

    size = 0;
    EXPECT_FALSE(ScrambleUserListLine("", out, size, true));
    EXPECT_EQ(size, 1u);
}

TEST(UserListCodec, UnscrambleErrors)
{
    struct Case {
        const char* text;
        uint32_t size;
        DWORD error;
        uint32_t sizeAfter; // what `size` holds after the call
    };
    const Case cases[] = {
        {"631363", 100, ERROR_INVALID_PARAMETER, 100}, // length tested before size
        {"631363", 0, ERROR_INVALID_PARAMETER, 0},
        {"63136323", 2, ERROR_INSUFFICIENT_BUFFER, 3},
        {"GGGG", 100, ERROR_INVALID_DATA, 100},
        {"4313G313", 100, ERROR_INVALID_DATA, 100},
        {"0000", 100, ERROR_INVALID_DATA, 100},  // rebuilds code 0x00
        {"4317", 100, ERROR_INVALID_DATA, 100},  // second code rebuilds as 0x71 (q)
    };
    for (const Case& c : cases) {
        std::vector<char> out(128);
        uint32_t size = c.size;
        SetLastError(0);
        EXPECT_FALSE(UnscrambleUserListLine(c.text, out.data(), size, true)) << c.text;
        EXPECT_EQ(GetLastError(), c.error) << c.text;
        EXPECT_EQ(size, c.sizeAfter) << c.text;
    }
}

TEST(UserListCodec, HexDigitsAsDecimal)
{
    const struct {
        uint32_t value;
        int32_t expected;
    } cases[] = {{0x2010, 2010}, {0x20AB, 20}, {0xC, 0}, {0, 0}, {0xFFFFFFFF, 0},
                 {0x99999999, 99999999}, {0x7, 7}};
    for (const auto& c : cases) EXPECT_EQ(HexDigitsAsDecimal(c.value), c.expected) << c.value;
}

} // namespace
