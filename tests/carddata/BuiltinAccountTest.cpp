#include "carddata/BuiltinAccount.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct AccountCase {
    uint32_t idSize;
    uint32_t passwordSize;
    bool copied;
};

// Exact sizes, the weather job's 64-byte buffers, and one byte short on either side.
const AccountCase kAccountCases[] = {
    {14, 9, true}, {64, 64, true}, {13, 9, false}, {14, 8, false}, {13, 8, false}, {1, 64, false},
};

TEST(BuiltinAccount, CopiesOnlyIntoBuffersLargeEnough)
{
    for (const AccountCase& c : kAccountCases) {
        // One guard byte past each buffer shows that nothing is written beyond its size.
        std::vector<char> id(c.idSize + 1, 'x');
        std::vector<char> password(c.passwordSize + 1, 'x');
        EXPECT_EQ(c.copied,
                  GetBuiltinAccount(id.data(), c.idSize, password.data(), c.passwordSize))
            << c.idSize << "/" << c.passwordSize;
        EXPECT_EQ('x', id[c.idSize]);
        EXPECT_EQ('x', password[c.passwordSize]);
        if (c.copied) {
            EXPECT_EQ(std::string("roadsentinel7"), id.data());
            EXPECT_EQ(std::string("Qe37tovK"), password.data());
        }
        // Whatever was not copied is zero, up to the end of each buffer.
        const size_t idText = c.copied ? 13 : 0;
        const size_t passwordText = c.copied ? 8 : 0;
        EXPECT_EQ(std::string(c.idSize - idText, '\0'),
                  std::string(id.data() + idText, c.idSize - idText));
        EXPECT_EQ(std::string(c.passwordSize - passwordText, '\0'),
                  std::string(password.data() + passwordText, c.passwordSize - passwordText));
    }
}

TEST(BuiltinAccount, NullOrEmptyBufferTouchesNothing)
{
    char id[64];
    char password[64];
    std::memset(id, 'x', sizeof id);
    std::memset(password, 'x', sizeof password);
    EXPECT_FALSE(GetBuiltinAccount(id, sizeof id, nullptr, sizeof password));
    EXPECT_FALSE(GetBuiltinAccount(nullptr, sizeof id, password, sizeof password));
    EXPECT_FALSE(GetBuiltinAccount(id, 0, password, sizeof password));
    EXPECT_FALSE(GetBuiltinAccount(id, sizeof id, password, 0));
    EXPECT_EQ(std::string(sizeof id, 'x'), std::string(id, sizeof id));
    EXPECT_EQ(std::string(sizeof password, 'x'), std::string(password, sizeof password));
}

} // namespace
