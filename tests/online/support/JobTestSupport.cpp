#include "tests/online/support/JobTestSupport.h"

#include "carddata/SDInfoFile.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/StringUtility.h"

#include <gtest/gtest.h>

namespace onlinetest {

std::pair<uint32_t, uint32_t> JobHistory(char card, uint32_t jobType)
{
    CSDInfoFile history(card);
    SYSTEMTIME time;
    uint32_t phase = 0;
    uint32_t result = 0;
    std::string text;
    history.GetHistory(jobType, &time, &phase, &text, &result);
    return {phase, result};
}

std::string Describe(const std::vector<uint32_t>& values)
{
    std::string text;
    for (const uint32_t value : values) text += lib::FormatString("%08X ", value);
    return text;
}

CBlockShareMemHolder& CurrentUserBlock()
{
    static CBlockShareMemHolder holder;
    static const DWORD created = holder.CreateUserAgentMem();
    EXPECT_EQ(0u, created);
    return holder;
}

SYSTEMTIME LocalNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

} // namespace onlinetest
