#include "carddata/UserAgent.h"

#include "lib/StringUtility.h"

#include "tests/carddata/support/LinkFileBuilder.h"
#include "tests/carddata/support/SimulatedCard.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

// Q: belongs to this test program (see tools/wine-prefix).
const char kCardLetter = 'Q';

enum CardState { NO_CARD, UNIT_CARD, CARD_WITHOUT_RECORD, FOREIGN_CARD, CARD_REMOVED };

struct UserAgentStep {
    CardState state;
    uint16_t unitCode;   // short value of the unit record
    uint32_t version;    // value of the unit record
    const char* expected;
};

// One process's history: the text follows the last valid card and survives everything else.
const UserAgentStep kSteps[] = {
    {NO_CARD, 0, 0, ""},
    {FOREIGN_CARD, 0x12, 0x01000A05, ""},
    {UNIT_CARD, 0x12, 0x01000A05, "12FerroxPA/1.000A05"},
    {CARD_REMOVED, 0, 0, "12FerroxPA/1.000A05"},
    {NO_CARD, 0, 0, "12FerroxPA/1.000A05"},
    {UNIT_CARD, 0xAB3C, 0x2A123456, "3CFerroxPA/2A.123456"},
    {FOREIGN_CARD, 0x12, 0x01000A05, "3CFerroxPA/2A.123456"},
    {CARD_WITHOUT_RECORD, 0, 0, "00FerroxPA/0.000000"},
    {UNIT_CARD, 0x01, 0xFF000001, "01FerroxPA/FF.000001"},
};

TEST(UserAgent, FollowsTheLastValidCard)
{
    CSimulatedCard card(kCardLetter);
    ASSERT_TRUE(card.IsRemovable()) << "rebuild the test prefix (see tools/wine-prefix)";
    EXPECT_EQ("", GetUserAgent(0).GetUserAgent());

    int index = 0;
    for (const UserAgentStep& step : kSteps) {
        char letter = kCardLetter;
        card.Clear();
        switch (step.state) {
        case NO_CARD:
            letter = FindUnusedDriveLetter();
            ASSERT_NE(0, letter);
            break;
        case UNIT_CARD:
            ASSERT_TRUE(CLinkFileBuilder()
                            .AddRecord(PCLINK_RECORD_LINK_VALUE, 7, 7)
                            .AddRecord(PCLINK_RECORD_UNIT_INFO, step.version, step.unitCode)
                            .WriteTo(card));
            break;
        case CARD_WITHOUT_RECORD:
            ASSERT_TRUE(CLinkFileBuilder().AddRecord(PCLINK_RECORD_LINK_VALUE, 7, 7).WriteTo(card));
            break;
        case FOREIGN_CARD:
            ASSERT_TRUE(CLinkFileBuilder()
                            .SetModelCode(13)
                            .AddRecord(PCLINK_RECORD_UNIT_INFO, step.version, step.unitCode)
                            .WriteTo(card));
            break;
        case CARD_REMOVED:
            break;
        }
        const CUserAgent agent = GetUserAgent(letter);
        EXPECT_EQ(step.expected, agent.GetUserAgent()) << "step " << index;
        EXPECT_EQ(letter, agent.GetDriveLetter()) << "step " << index;
        EXPECT_EQ(lib::StringToWString(step.expected), agent.GetUserAgentW()) << "step " << index;
        // A letter of 0 rebuilds nothing and hands out the kept text.
        EXPECT_EQ(step.expected, GetUserAgent(0).GetUserAgent()) << "step " << index;
        ++index;
    }
}

struct RaceShared {
    std::atomic<int> wrong{0};
    std::atomic<bool> stop{false};
};

DWORD WINAPI ReadUserAgentLoop(void* parameter)
{
    RaceShared* shared = static_cast<RaceShared*>(parameter);
    while (!shared->stop) {
        const std::string text = GetUserAgent(0).GetUserAgent();
        if (text != "12FerroxPA/1.000A05" && text != "34FerroxPA/3.000B07") ++shared->wrong;
    }
    return 0;
}

// The window thread rebuilds while job threads copy: every copy is one whole text.
TEST(UserAgent, RebuildsAndCopiesFromSeveralThreads)
{
    CSimulatedCard card(kCardLetter);
    ASSERT_TRUE(card.IsRemovable());
    const std::vector<uint8_t> first =
        CLinkFileBuilder().AddRecord(PCLINK_RECORD_UNIT_INFO, 0x01000A05, 0x12).Build();
    const std::vector<uint8_t> second =
        CLinkFileBuilder().AddRecord(PCLINK_RECORD_UNIT_INFO, 0x03000B07, 0x34).Build();
    ASSERT_TRUE(card.WriteFile(CLinkFileBuilder::kNaviInfoPath, first));
    ASSERT_EQ("12FerroxPA/1.000A05", GetUserAgent(kCardLetter).GetUserAgent());

    RaceShared shared;
    HANDLE threads[3];
    for (HANDLE& thread : threads) {
        thread = CreateThread(nullptr, 0, ReadUserAgentLoop, &shared, 0, nullptr);
        ASSERT_NE(nullptr, thread);
    }
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(card.WriteFile(CLinkFileBuilder::kNaviInfoPath, (i % 2) ? first : second));
        GetUserAgent(kCardLetter);
    }
    shared.stop = true;
    WaitForMultipleObjects(3, threads, TRUE, 30000);
    for (HANDLE thread : threads) CloseHandle(thread);
    EXPECT_EQ(0, shared.wrong.load());
}

} // namespace
