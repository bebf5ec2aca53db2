#pragma once
// The agent's view of the removable drives and its side of the shared card record
// "KestrumShareMemName". A card check counts the removable drives D: to Z: that hold media;
// only when that number changes does it refresh which of them hold the unit's link file,
// write the record and tell every application. A grown set of cards starts the launcher.

#include "lib/BlockShareMemHolder.h"
#include "lib/ShareMem.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

class CAgentPlatform;

// The agent's write copies the whole record but keeps the launcher's byte 12.
static_assert(offsetof(CardShareRecord, removableMask) == 0, "");
static_assert(offsetof(CardShareRecord, cardMask) == 4, "");
static_assert(offsetof(CardShareRecord, reserved) == 8, "");
static_assert(offsetof(CardShareRecord, selectedDrive) == 12, "");

// The broadcast's wParam: the system's own values, not the platform's device events.
const WPARAM DEVICE_ADD = 1;
const WPARAM DEVICE_REMOVE = 2;

// Timers of the agent's hidden window.
const UINT_PTR AGENT_TIMER_LOGON = 23;
const UINT_PTR AGENT_TIMER_CARD = 24;
// The shell's change notifications reach the hidden window as this message.
const UINT WM_AGENT_SHELL_NOTIFY = WM_USER + 1;

const char LAUNCHER_AUTOSTART_COMMAND[] = "Launcher.exe AutoStart";

class CDriveWatcher {
public:
    // Creates the shared block at once (an existing one accepted), so that it exists while
    // the watcher does.
    explicit CDriveWatcher(CAgentPlatform& platform);
    virtual ~CDriveWatcher();
    CDriveWatcher(const CDriveWatcher&) = delete;
    CDriveWatcher& operator=(const CDriveWatcher&) = delete;

    void SetPlatform(CAgentPlatform& platform) { m_pPlatform = &platform; }

    // The card check. Kills the window's card timer first (window may be null).
    void CheckCards(HWND window);
    // A shell notification message: media or a drive arriving or leaving runs a card check,
    // any other event nothing.
    void OnShellNotification(HWND window, WPARAM wParam, LPARAM lParam);

    int32_t GetRemovableMask() const { return m_iRemovableMask; }
    int32_t GetCardMask() const { return m_iCardMask; }

private:
    // Counts the removable drives with media; keeps their mask.
    int ScanRemovableDrives();
    int32_t _ScanRemovableMask();
    // Whether the card mask changed to a non-empty set.
    bool UpdateCardDriveMask();
    int32_t GetCardDriveMask();
    void _WriteShareRecord();

    CAgentPlatform* m_pPlatform;
    CardShareRecord m_stRecord;
    CBlockShareMem m_cBlock;
    int32_t m_iRemovableMask;
    int32_t m_iReserved; // never written
    int32_t m_iCardMask;
    int m_iDriveCount;
};

// "AutoStartLauncher" of section "Launcher" in the settings folder's "Launcher.ini";
// 1 when the file or the key is missing.
int ReadAutoStartLauncher();
