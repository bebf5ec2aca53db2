// The process-wide store of byte blocks. It lives for the whole test program, so every case
// uses keys of its own and erases them again.

#include "online/DataManager.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// The stored bytes, read through a buffer of exactly the stored size.
std::string Stored(uint32_t key)
{
    CDataManager& store = CDataManager::GetInstance();
    uint32_t size = 0;
    if (store.GetData(key, nullptr, &size) != 0) return "<copied into no buffer>";
    std::string bytes(size, '\0');
    if (store.GetData(key, &bytes[0], &size) != 1) return "<absent>";
    return bytes;
}

TEST(DataManagerTest, OneInstanceForTheProcess)
{
    EXPECT_EQ(&CDataManager::GetInstance(), &CDataManager::GetInstance());
}

TEST(DataManagerTest, SetReplacesOrErasesTheKeysBlock)
{
    struct Case {
        const char* m_pszName;
        const char* m_pszSecond; // null: a null pointer
        uint32_t m_uSecondSize;
        uint32_t m_uResult;
        const char* m_pszStored; // null: the key is absent
    };
    const Case cases[] = {
        {"second copy replaces the first", "second, longer block", 20, 1, "second, longer block"},
        {"shorter second copy", "ab", 2, 1, "ab"},
        {"null pointer erases", nullptr, 5, 1, nullptr},
        {"size 0 erases", "ignored", 0, 1, nullptr},
    };
    CDataManager& store = CDataManager::GetInstance();
    const uint32_t key = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        ASSERT_EQ(1u, store.SetData(key, "first", 5));
        EXPECT_EQ(c.m_uResult, store.SetData(key, c.m_pszSecond, c.m_uSecondSize));
        if (c.m_pszStored != nullptr) {
            EXPECT_EQ(c.m_pszStored, Stored(key));
        } else {
            char buffer[32] = {};
            uint32_t size = 77;
            EXPECT_EQ(0u, store.GetData(key, buffer, &size));
            EXPECT_EQ(77u, size) << "an absent key leaves the size alone";
        }
    }
    EXPECT_EQ(1u, store.SetData(key, nullptr, 0));
    EXPECT_EQ(1u, store.SetData(key, nullptr, 0)) << "erasing an absent key";
}

TEST(DataManagerTest, GetCopiesOnlyIntoABufferThatHoldsTheBlock)
{
    CDataManager& store = CDataManager::GetInstance();
    const uint32_t key = 101;
    const char bytes[] = {'o', 't', 'p', '\0', '\x01', '\xFF'};
    ASSERT_EQ(1u, store.SetData(key, bytes, sizeof bytes));

    struct Case {
        const char* m_pszName;
        bool m_bBuffer;
        uint32_t m_uSize;
        uint32_t m_uResult;
    };
    const Case cases[] = {
        {"one byte too small", true, sizeof bytes - 1, 0},
        {"empty buffer", true, 0, 0},
        {"no buffer", false, 64, 0},
        {"exact size", true, sizeof bytes, 1},
        {"larger buffer", true, 64, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        std::string buffer(64, '#');
        uint32_t size = c.m_uSize;
        EXPECT_EQ(c.m_uResult, store.GetData(key, c.m_bBuffer ? &buffer[0] : nullptr, &size));
        EXPECT_EQ(sizeof bytes, size) << "the stored size is reported either way";
        const std::string expected = c.m_uResult == 1
                                         ? std::string(bytes, sizeof bytes) + std::string(58, '#')
                                         : std::string(64, '#');
        EXPECT_EQ(expected, buffer);
    }

    char buffer[16];
    EXPECT_EQ(0u, store.GetData(key, buffer, nullptr)) << "no size pointer";
    EXPECT_EQ(1u, store.SetData(key, nullptr, 0));
}

TEST(DataManagerTest, KeepsItsOwnCopyPerKey)
{
    CDataManager& store = CDataManager::GetInstance();
    char source[] = "password";
    ASSERT_EQ(1u, store.SetData(102, source, 8));
    ASSERT_EQ(1u, store.SetData(103, "other", 5));
    source[0] = 'X';
    EXPECT_EQ("password", Stored(102));
    EXPECT_EQ("other", Stored(103));
    EXPECT_EQ(1u, store.SetData(102, nullptr, 0));
    EXPECT_EQ("other", Stored(103)) << "erasing one key leaves the others";
    EXPECT_EQ(1u, store.SetData(103, nullptr, 0));
}

} // namespace
