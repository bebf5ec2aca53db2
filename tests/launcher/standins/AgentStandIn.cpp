// "Kestrum4Agent.exe" as the launcher's tests need it: notes its start (StandInRecord.h),
// takes the agent's mutex (a second one ends at once), publishes the card record at once
// with the cards the test lists (KESTRUM_SIMULATED_CARDS and KESTRUM_NTFS_CARDS; of those,
// the ones holding a valid link file as cards of the unit) and keeps it, behind its hidden
// window, until WM_CLOSE. The real agent (agent/) watches the drives instead.

#include "carddata/PcLinkFile.h"
#include "lib/BlockShareMemHolder.h"
#include "lib/ShareMem.h"
#include "tests/launcher/standins/StandInRecord.h"

#include <windows.h>

#include <cctype>
#include <cstring>
#include <string>

namespace {

std::string Letters(const char* variable)
{
    char value[64] = {};
    const DWORD length = GetEnvironmentVariableA(variable, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : std::string();
}

void ComputeMasks(int32_t& removable, int32_t& cards)
{
    removable = 0;
    cards = 0;
    for (const char c : Letters("KESTRUM_SIMULATED_CARDS") + Letters("KESTRUM_NTFS_CARDS")) {
        const int letter = std::toupper(static_cast<unsigned char>(c));
        if (letter < 'A' || letter > 'Z') continue;
        const int32_t bit = 1 << (letter - 'A');
        removable |= bit;
        const char drive = static_cast<char>(letter);
        if (CPcLinkFile(0, drive).IsValid() || CPcLinkFile(1, drive).IsValid()) cards |= bit;
    }
}

LRESULT CALLBACK AgentWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    standin::RecordStart();
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "AGENT_ONLY_ONE");
    if (mutex == nullptr) return 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return 0;
    }

    CBlockShareMem block;
    if (block.Create(CARD_SHARE_MEM_NAME, CARD_SHARE_MEM_SIZE, true, false) != 0) return 2;
    int32_t removable = 0, cards = 0;
    ComputeMasks(removable, cards);
    if (block.Lock()) {
        // The launcher's choice of card is its own: only the masks are the agent's.
        CardShareRecord record;
        std::memcpy(&record, block.GetView(), sizeof record);
        record.removableMask = removable;
        record.cardMask = cards;
        record.reserved = 0;
        std::memcpy(block.GetView(), &record, sizeof record);
        block.Unlock();
    }

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &AgentWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "Kestrum4AgentWinClassName";
    if (RegisterClassA(&windowClass) == 0) return 3;
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Kestrum4AgentWindowTitle",
                                  WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, instance,
                                  nullptr);
    if (window == nullptr) return 4;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    block.Close();
    CloseHandle(mutex);
    return 0;
}
