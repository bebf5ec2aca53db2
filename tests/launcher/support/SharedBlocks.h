#pragma once
// The two blocks the launcher and the agent share, read as another program reads them
// (CBlockShareMemHolder): tests that call these hold the CTest lock "shared_blocks".

#include "lib/BlockShareMemHolder.h"

#include <string>

namespace launchertest {

// "KestrumShareMemName"; false when the block does not exist (no agent runs).
bool ReadCardRecord(CardShareRecord& record);
// "UserAgentShareMemName": the current user's name, empty when the block does not exist.
std::string ReadUserBlock();

} // namespace launchertest
