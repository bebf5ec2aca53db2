#pragma once
// The agent's side of the shared card record "KestrumShareMemName", for tests that play the
// agent: the block is created (an existing one accepted) and written as the agent writes it.
// Such tests hold the CTest lock "shared_blocks" (see README).

#include "lib/BlockShareMemHolder.h"
#include "lib/ShareMem.h"

#include <cstdint>

namespace testsupport {

class CAgentBlock {
public:
    CAgentBlock();
    bool IsReady() const { return m_dwCreated == 0; }
    // Writes the whole record (a GoogleTest failure when the mutex cannot be had).
    void Write(int32_t removableMask, int32_t cardMask, char selected);
    CardShareRecord Read();
    // Holds the block's mutex: every reader of the record waits until Unlock.
    bool Lock() { return m_oBlock.Lock(); }
    void Unlock() { m_oBlock.Unlock(); }

private:
    CBlockShareMem m_oBlock;
    DWORD m_dwCreated;
};

// The record's bit of a drive letter ('A' is bit 0).
int32_t DriveBit(char letter);

} // namespace testsupport
