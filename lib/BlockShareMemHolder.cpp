#include "lib/BlockShareMemHolder.h"

#include "lib/DbcsText.h"

#include <cstring>
#include <new>

namespace {

const size_t SELECTED_DRIVE_OFFSET = 12;

} // namespace

CBlockShareMemHolder::CBlockShareMemHolder() : m_pOwned(new (std::nothrow) CBlockShareMem)
{
}

CBlockShareMemHolder::~CBlockShareMemHolder()
{
    delete m_pOwned;
}

DWORD CBlockShareMemHolder::CreateUserAgentMem()
{
    return m_oEmbedded.Create(USER_AGENT_SHARE_MEM_NAME, USER_AGENT_SHARE_MEM_SIZE, true, false);
}

void CBlockShareMemHolder::CloseUserAgentMem()
{
    m_oEmbedded.Close();
}

bool CBlockShareMemHolder::SetSelectDrive(char driveLetter)
{
    return _SetSelectDrive(driveLetter);
}

bool CBlockShareMemHolder::GetDriveInfo(CardShareRecord* record)
{
    return _GetDriveInfo(record);
}

char CBlockShareMemHolder::GetSelectDrive()
{
    CardShareRecord record;
    _GetDriveInfo(&record);
    return static_cast<char>(record.selectedDrive);
}

bool CBlockShareMemHolder::SetUserAgent(const char* text)
{
    return _SetUserAgent(text);
}

bool CBlockShareMemHolder::GetUserAgent(char* buffer)
{
    return _GetUserAgent(buffer);
}

bool CBlockShareMemHolder::GetUpdateState(uint32_t* state)
{
    return _GetUpdateState(state);
}

uint32_t CBlockShareMemHolder::GetUpdateState()
{
    uint32_t state = 0;
    if (!_GetUpdateState(&state)) return 0;
    return state;
}

bool CBlockShareMemHolder::_OpenAndLock(const char* name)
{
    if (m_pOwned == nullptr) return false;
    if (m_pOwned->Open(name, false) != 0) return false;
    // The block stays open until the next access or the holder's end.
    return m_pOwned->Lock();
}

bool CBlockShareMemHolder::_SetSelectDrive(char driveLetter)
{
    if (!_OpenAndLock(CARD_SHARE_MEM_NAME)) return false;
    static_cast<uint8_t*>(m_pOwned->GetView())[SELECTED_DRIVE_OFFSET] =
        static_cast<uint8_t>(driveLetter);
    m_pOwned->Unlock();
    return true;
}

bool CBlockShareMemHolder::_GetDriveInfo(CardShareRecord* record)
{
    if (record == nullptr) return false;
    if (!_OpenAndLock(CARD_SHARE_MEM_NAME)) return false;
    std::memcpy(record, m_pOwned->GetView(), sizeof *record);
    m_pOwned->Unlock();
    return true;
}

bool CBlockShareMemHolder::_SetUserAgent(const char* text)
{
    if (text == nullptr) return false;
    if (!_OpenAndLock(USER_AGENT_SHARE_MEM_NAME)) return false;
    char* block = static_cast<char*>(m_pOwned->GetView());
    // Zero the whole block first so no tail of a longer earlier nickname stays behind it.
    std::memset(block, 0, USER_AGENT_SHARE_MEM_SIZE);
    lib::DbcsCopy(block, USER_AGENT_SHARE_MEM_SIZE, text);
    m_pOwned->Unlock();
    return true;
}

bool CBlockShareMemHolder::_GetUserAgent(char* buffer)
{
    if (buffer == nullptr) return false;
    if (!_OpenAndLock(USER_AGENT_SHARE_MEM_NAME)) return false;
    std::memcpy(buffer, m_pOwned->GetView(), USER_AGENT_SHARE_MEM_SIZE);
    m_pOwned->Unlock();
    // Any process may write the block: never trust it to be terminated.
    buffer[USER_AGENT_SHARE_MEM_SIZE - 1] = '\0';
    return true;
}

bool CBlockShareMemHolder::_GetUpdateState(uint32_t* state)
{
    if (state == nullptr) return false;
    if (!_OpenAndLock(UPDATE_SHARE_MEM_NAME)) return false;
    std::memcpy(state, m_pOwned->GetView(), sizeof *state);
    m_pOwned->Unlock();
    return true;
}
