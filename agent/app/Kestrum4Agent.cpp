// Entry of Kestrum4Agent.exe. The command line ("Launcher" when the launcher starts it) is
// not read.

#include "agent/AgentWindow.h"

#ifdef KESTRUM_TEST_SEAMS
#include "agent/AgentPlatform.h"
#include "agent/DriveWatcher.h"

#include <cctype>
#include <initializer_list>
#include <cstring>

namespace {

// Every simulated card of the test prefix is a removable drive with media to every program
// of the session; a test agent counts only the cards its test names, each through the
// system's own calls.
class CListedCardsPlatform : public CSystemAgentPlatform {
public:
    using CSystemAgentPlatform::CSystemAgentPlatform;

    UINT GetDriveType(const char* root) override
    {
        return Listed(root[0]) ? CSystemAgentPlatform::GetDriveType(root) : DRIVE_NO_ROOT_DIR;
    }
    // Wine answers the volume query of a simulated card even while its folder is away (the
    // card taken out), so the test build also asks for the card's root.
    bool HasVolume(const char* root) override
    {
        return GetFileAttributesA(root) != INVALID_FILE_ATTRIBUTES &&
               CSystemAgentPlatform::HasVolume(root);
    }

private:
    static bool Listed(char letter)
    {
        for (const char* name : {"KESTRUM_SIMULATED_CARDS", "KESTRUM_NTFS_CARDS"}) {
            char letters[64] = {};
            const DWORD length = GetEnvironmentVariableA(name, letters, sizeof letters);
            if (length == 0 || length >= sizeof letters) continue;
            for (const char* cursor = letters; *cursor != '\0'; ++cursor) {
                if (std::toupper(static_cast<unsigned char>(*cursor)) ==
                    std::toupper(static_cast<unsigned char>(letter))) {
                    return true;
                }
            }
        }
        return false;
    }
};

} // namespace
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
#ifdef KESTRUM_TEST_SEAMS
    static CListedCardsPlatform platform(g_cShellNotify);
    g_cDriveWatcher.SetPlatform(platform);
#endif
    return AgentWinMain(instance);
}
