#include "agent/DriveWatcher.h"

#include "agent/AgentPlatform.h"
#include "lib/AppFolder.h"

#include <shlobj.h>

#include <cstring>
#include <string>

namespace {

// Keeps the system's "no disk in drive" boxes away while drives are asked.
class CCriticalErrorsOff {
public:
    CCriticalErrorsOff() : m_uOld(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~CCriticalErrorsOff() { SetErrorMode(m_uOld); }
    CCriticalErrorsOff(const CCriticalErrorsOff&) = delete;
    CCriticalErrorsOff& operator=(const CCriticalErrorsOff&) = delete;

private:
    UINT m_uOld;
};

bool IsCardEvent(LONG eventId)
{
    switch (static_cast<unsigned long>(eventId)) {
    case SHCNE_MEDIAINSERTED:
    case SHCNE_MEDIAREMOVED:
    case SHCNE_DRIVEREMOVED:
    case SHCNE_DRIVEADD:
    case SHCNE_DRIVEADDGUI:
        return true;
    default:
        return false;
    }
}

const int DRIVE_BITS = 26;

} // namespace

CDriveWatcher::CDriveWatcher(CAgentPlatform& platform)
    : m_pPlatform(&platform), m_iRemovableMask(0), m_iReserved(0), m_iCardMask(0),
      m_iDriveCount(0)
{
    m_cBlock.Create(CARD_SHARE_MEM_NAME, CARD_SHARE_MEM_SIZE, true, false);
}

CDriveWatcher::~CDriveWatcher() = default;

void CDriveWatcher::OnShellNotification(HWND window, WPARAM wParam, LPARAM lParam)
{
    LONG eventId = 0;
    bool notified;
    {
        CCriticalErrorsOff errors;
        notified = m_pPlatform->GetShellEvent(wParam, lParam, &eventId);
    }
    if (notified && IsCardEvent(eventId)) CheckCards(window);
}

void CDriveWatcher::CheckCards(HWND window)
{
    if (window != nullptr) KillTimer(window, AGENT_TIMER_CARD);
    CCriticalErrorsOff errors;
    const int count = ScanRemovableDrives();
    const int previous = m_iDriveCount;
    m_iDriveCount = count;
    // A card swapped for another between two checks leaves the count, and so the record,
    // as it was.
    if (count == previous) return;

    WPARAM event;
    if (count > previous) {
        if (UpdateCardDriveMask() && ReadAutoStartLauncher() != 0) {
            // The launcher's own single-instance mutex stops a second copy; its start is
            // not looked at.
            m_pPlatform->StartProgram(LAUNCHER_AUTOSTART_COMMAND);
        }
        event = DEVICE_ADD;
    } else {
        // A removal never starts the launcher, whatever the card mask did.
        UpdateCardDriveMask();
        event = DEVICE_REMOVE;
    }
    _WriteShareRecord();
    m_pPlatform->Broadcast(event);
}

int CDriveWatcher::ScanRemovableDrives()
{
    int32_t mask = _ScanRemovableMask();
    if (mask == 0) mask = _ScanRemovableMask();
    m_iRemovableMask = mask;
    int count = 0;
    for (int bit = 0; bit < DRIVE_BITS; ++bit) {
        if (mask & (1 << bit)) ++count;
    }
    return count;
}

int32_t CDriveWatcher::_ScanRemovableMask()
{
    int32_t mask = 0;
    // A: to C: are never counted, whatever their type.
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        const char root[] = {letter, ':', '\\', '\0'};
        if (m_pPlatform->GetDriveType(root) == DRIVE_REMOVABLE && m_pPlatform->HasVolume(root)) {
            mask |= 1 << (letter - 'A');
        }
    }
    return mask;
}

bool CDriveWatcher::UpdateCardDriveMask()
{
    const int32_t mask = GetCardDriveMask();
    if (mask == m_iCardMask) return false;
    m_iCardMask = mask;
    return mask != 0;
}

int32_t CDriveWatcher::GetCardDriveMask()
{
    int32_t mask = 0;
    for (int bit = 0; bit < DRIVE_BITS; ++bit) {
        if ((m_iRemovableMask & (1 << bit)) && m_pPlatform->HasLinkFile(static_cast<char>('A' + bit))) {
            mask |= 1 << bit;
        }
    }
    return mask;
}

void CDriveWatcher::_WriteShareRecord()
{
    m_stRecord.removableMask = m_iRemovableMask;
    m_stRecord.cardMask = m_iCardMask;
    m_stRecord.reserved = m_iReserved;
    if (!m_cBlock.Lock()) return;
    // Byte 12 is the launcher's choice: taken from the block under the same hold, so a
    // selection written meanwhile is never lost.
    if (void* view = m_cBlock.GetView()) {
        m_stRecord.selectedDrive = static_cast<const CardShareRecord*>(view)->selectedDrive;
        std::memcpy(view, &m_stRecord, sizeof m_stRecord);
    }
    m_cBlock.Unlock();
}

int ReadAutoStartLauncher()
{
    const std::string path = lib::GetSettingFolder() + "Launcher.ini";
    WCHAR widePath[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) == 0) return 1;
    return static_cast<int>(GetPrivateProfileIntW(L"Launcher", L"AutoStartLauncher", 1, widePath));
}
