#include "tests/launcher/support/SharedBlocks.h"

namespace launchertest {

bool ReadCardRecord(CardShareRecord& record)
{
    CBlockShareMemHolder holder;
    return holder.GetDriveInfo(&record);
}

std::string ReadUserBlock()
{
    CBlockShareMemHolder holder;
    char name[USER_AGENT_SHARE_MEM_SIZE] = {};
    return holder.GetUserAgent(name) ? std::string(name) : std::string();
}

} // namespace launchertest
