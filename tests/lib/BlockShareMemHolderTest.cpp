// The holder of the three known blocks. These cases use the blocks' real names, so they
// stand in for the agent (creating "KestrumShareMemName") and for the outside program
// (creating "UpdateShareMemState") themselves.

#include "lib/BlockShareMemHolder.h"

#include "SharedMemTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

using sharedmem_test::RunChild;

namespace {

TEST(BlockShareMemHolder, WithoutTheBlocksEveryAccessFails)
{
    for (const char* name : {CARD_SHARE_MEM_NAME, USER_AGENT_SHARE_MEM_NAME, UPDATE_SHARE_MEM_NAME}) {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
        if (mapping != nullptr) {
            // A program of the system under test elsewhere in this session holds it.
            CloseHandle(mapping);
            GTEST_SKIP() << name << " exists already";
        }
    }
    CBlockShareMemHolder holder;
    CardShareRecord record;
    EXPECT_FALSE(holder.GetDriveInfo(&record));
    EXPECT_EQ('\0', holder.GetSelectDrive()) << "no agent running means no card selected";
    EXPECT_FALSE(holder.SetSelectDrive('E'));
    char text[USER_AGENT_SHARE_MEM_SIZE] = {};
    EXPECT_FALSE(holder.GetUserAgent(text));
    EXPECT_FALSE(holder.SetUserAgent("user"));
    uint32_t state = 7;
    EXPECT_FALSE(holder.GetUpdateState(&state));
    EXPECT_EQ(0u, holder.GetUpdateState());
}

TEST(BlockShareMemHolder, NullArgumentsAreRefused)
{
    CBlockShareMemHolder holder;
    ASSERT_EQ(0u, holder.CreateUserAgentMem());
    EXPECT_FALSE(holder.GetDriveInfo(nullptr));
    EXPECT_FALSE(holder.GetUserAgent(nullptr));
    EXPECT_FALSE(holder.GetUpdateState(nullptr));
    ASSERT_TRUE(holder.SetUserAgent("kept"));
    EXPECT_FALSE(holder.SetUserAgent(nullptr));
    char text[USER_AGENT_SHARE_MEM_SIZE] = {};
    ASSERT_TRUE(holder.GetUserAgent(text));
    EXPECT_STREQ("kept", text);
}

// The agent's side: create the block, write the masks keeping the launcher's letter.
TEST(BlockShareMemHolder, CardRecordSharedWithAnotherProcess)
{
    CBlockShareMem agent;
    ASSERT_EQ(0u, agent.Create(CARD_SHARE_MEM_NAME, CARD_SHARE_MEM_SIZE, true, false));
    CardShareRecord written;
    written.removableMask = 0x18;  // D: and E:
    written.cardMask = 0x10;       // E:
    ASSERT_TRUE(agent.Lock());
    std::memcpy(agent.GetView(), &written, sizeof written);
    agent.Unlock();

    EXPECT_EQ(0u, RunChild("set-drive E"));
    EXPECT_EQ(static_cast<DWORD>('E'), RunChild("get-drive"));

    CBlockShareMemHolder holder;
    CardShareRecord record;
    ASSERT_TRUE(holder.GetDriveInfo(&record));
    EXPECT_EQ(0x18, record.removableMask);
    EXPECT_EQ(0x10, record.cardMask);
    EXPECT_EQ(0, record.reserved);
    EXPECT_EQ('E', record.selectedDrive);
    EXPECT_EQ('E', holder.GetSelectDrive());

    // Byte 12 exactly, and nothing else of the record.
    ASSERT_TRUE(holder.SetSelectDrive('F'));
    const uint8_t* bytes = static_cast<const uint8_t*>(agent.GetView());
    EXPECT_EQ('F', bytes[12]);
    EXPECT_EQ(0x18, bytes[0]);
    EXPECT_EQ(0x10, bytes[4]);
    EXPECT_EQ(0, bytes[13]);
    ASSERT_TRUE(holder.SetSelectDrive('\0'));
    EXPECT_EQ('\0', holder.GetSelectDrive());
}

TEST(BlockShareMemHolder, UserAgentBlockCreatedZeroedAndClosed)
{
    {
        CBlockShareMemHolder launcher;
        ASSERT_EQ(0u, launcher.CreateUserAgentMem());
        // A second creation (a second holder) accepts the existing block.
        CBlockShareMemHolder second;
        EXPECT_EQ(0u, second.CreateUserAgentMem());

        char text[USER_AGENT_SHARE_MEM_SIZE];
        std::memset(text, 'x', sizeof text);
        ASSERT_TRUE(CBlockShareMemHolder().GetUserAgent(text));
        const char zeros[USER_AGENT_SHARE_MEM_SIZE] = {};
        EXPECT_EQ(0, std::memcmp(zeros, text, sizeof text));

        // Another process writes, this one reads, and the other way round.
        EXPECT_EQ(0u, RunChild("set-user Hanako"));
        ASSERT_TRUE(launcher.GetUserAgent(text));
        EXPECT_STREQ("Hanako", text);
        ASSERT_TRUE(launcher.SetUserAgent("Taro"));
        EXPECT_EQ(static_cast<DWORD>('T'), RunChild("get-user"));

        second.CloseUserAgentMem();
        launcher.CloseUserAgentMem();
    }
    // Closed by its creators and no holder left that accessed it: the block is gone.
    EXPECT_EQ(200u, RunChild("get-user"));
}

TEST(BlockShareMemHolder, NicknameIsCutSafelyAndAlwaysTerminated)
{
    // "\x83\x41" is katakana A in code page 932: one character of two bytes.
    struct Case {
        const char* label;
        std::string text;
        std::string stored;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"19 characters", "abcdefghijklmnopqrs", "abcdefghijklmnopqrs"},
        {"20 characters", "abcdefghijklmnopqrst", "abcdefghijklmnopqrst"},
        {"25 characters", "abcdefghijklmnopqrstuvwxy", "abcdefghijklmnopqrst"},
        {"double-byte ends at 20", std::string(18, 'a') + "\x83\x41", std::string(18, 'a') + "\x83\x41"},
        {"double-byte across 20", std::string(19, 'a') + "\x83\x41" + "b", std::string(19, 'a')},
        {"ten double-byte", std::string("\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41"),
         std::string("\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41\x83\x41")},
    };
    CBlockShareMemHolder launcher;
    ASSERT_EQ(0u, launcher.CreateUserAgentMem());
    CBlockShareMem raw;
    ASSERT_EQ(0u, raw.Open(USER_AGENT_SHARE_MEM_NAME, false));
    const char* block = static_cast<const char*>(raw.GetView());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        // A longer nickname first: nothing of it may stay behind the new one.
        ASSERT_TRUE(launcher.SetUserAgent("ZZZZZZZZZZZZZZZZZZZZZZZZ"));
        ASSERT_TRUE(launcher.SetUserAgent(c.text.c_str()));
        EXPECT_EQ(c.stored, std::string(block));
        for (size_t i = c.stored.size(); i < USER_AGENT_SHARE_MEM_SIZE; ++i) {
            EXPECT_EQ('\0', block[i]) << "byte " << i;
        }
        char text[USER_AGENT_SHARE_MEM_SIZE + 4];
        std::memset(text, 'x', sizeof text);
        ASSERT_TRUE(launcher.GetUserAgent(text));
        EXPECT_EQ(c.stored, std::string(text));
        EXPECT_EQ('x', text[USER_AGENT_SHARE_MEM_SIZE]) << "wrote past 21 bytes";
    }
}

// Any process may write the block; a reader still gets a terminated text.
TEST(BlockShareMemHolder, ReaderNeverTrustsTheBlockToBeTerminated)
{
    CBlockShareMemHolder launcher;
    ASSERT_EQ(0u, launcher.CreateUserAgentMem());
    CBlockShareMem raw;
    ASSERT_EQ(0u, raw.Open(USER_AGENT_SHARE_MEM_NAME, false));
    std::memset(raw.GetView(), 'A', USER_AGENT_SHARE_MEM_SIZE);
    char text[USER_AGENT_SHARE_MEM_SIZE];
    ASSERT_TRUE(launcher.GetUserAgent(text));
    EXPECT_EQ(std::string(20, 'A'), std::string(text));
}

// "UpdateShareMemState" comes from a program outside the system.
TEST(BlockShareMemHolder, UpdateStateWordFromAnOutsideBlock)
{
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64,
                                        UPDATE_SHARE_MEM_NAME);
    ASSERT_NE(nullptr, mapping);
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    ASSERT_NE(nullptr, view);
    const uint32_t word = 0x80000003;
    std::memcpy(view, &word, sizeof word);

    {
        CBlockShareMemHolder holder;
        uint32_t state = 0;
        EXPECT_TRUE(holder.GetUpdateState(&state));
        EXPECT_EQ(word, state);
        EXPECT_EQ(word, holder.GetUpdateState());
    }

    UnmapViewOfFile(view);
    CloseHandle(mapping);
    EXPECT_EQ(0u, CBlockShareMemHolder().GetUpdateState());
}

} // namespace
