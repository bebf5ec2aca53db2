#pragma once
// The three shared blocks the programs exchange, and the access object through which the
// launcher reads and writes them. Every access reopens its block by name, so it works
// whichever program started first, and copies only while holding the block's mutex.

#include "lib/ShareMem.h"

#include <cstdint>

// The card state: published by the agent, created by it with an existing block accepted
// and without the "Global\" prefix, so each log-on session has its own.
const char CARD_SHARE_MEM_NAME[] = "KestrumShareMemName";
const DWORD CARD_SHARE_MEM_SIZE = 16;
// The current user's nickname: at most 20 bytes and a NUL, created by the launcher.
const char USER_AGENT_SHARE_MEM_NAME[] = "UserAgentShareMemName";
const DWORD USER_AGENT_SHARE_MEM_SIZE = 21;
// A state word published by a program outside the system; only read here.
const char UPDATE_SHARE_MEM_NAME[] = "UpdateShareMemState";

// The record of "KestrumShareMemName", little-endian as the block holds it.
struct CardShareRecord {
    int32_t removableMask;  // bit n: drive 'A'+n is removable and holds media (agent)
    int32_t cardMask;       // bit n: that drive holds the unit's link file (agent)
    int32_t reserved;       // always 0
    uint8_t selectedDrive;  // upper-case letter of the launcher's active card, 0 for none
    uint8_t padding[3];     // read by nobody

    CardShareRecord() : removableMask(0), cardMask(0), reserved(0), selectedDrive(0), padding() {}
};
static_assert(sizeof(CardShareRecord) == 16, "the shared card record is 16 bytes");

class CBlockShareMemHolder {
public:
    CBlockShareMemHolder();
    virtual ~CBlockShareMemHolder();

    CBlockShareMemHolder(const CBlockShareMemHolder&) = delete;
    CBlockShareMemHolder& operator=(const CBlockShareMemHolder&) = delete;

    // Creates "UserAgentShareMemName" and keeps it open in this holder until
    // CloseUserAgentMem or destruction (existing block accepted). 0 or a Windows error.
    DWORD CreateUserAgentMem();
    void CloseUserAgentMem();

    bool SetSelectDrive(char driveLetter);
    bool GetDriveInfo(CardShareRecord* record);
    // 0 when no card is selected or the block cannot be read (the agent is not running).
    char GetSelectDrive();

    // Stores at most 20 bytes of the text, never half a double-byte character, always
    // terminated; a null text is refused. A nickname cut here no longer matches the full
    // one in the user list.
    bool SetUserAgent(const char* text);
    // buffer: at least 21 bytes; always terminated, whatever the block holds.
    bool GetUserAgent(char* buffer);

    bool GetUpdateState(uint32_t* state);
    // The state word, 0 when the block does not exist.
    uint32_t GetUpdateState();

private:
    bool _SetSelectDrive(char driveLetter);
    bool _GetDriveInfo(CardShareRecord* record);
    bool _SetUserAgent(const char* text);
    bool _GetUserAgent(char* buffer);
    bool _GetUpdateState(uint32_t* state);

    // Opens the named block in the owned block and takes its mutex.
    bool _OpenAndLock(const char* name);

    CBlockShareMem* m_pOwned;
    CBlockShareMem m_oEmbedded;
};
