// The entry of Launcher.exe. The test build (KESTRUM_TEST_SEAMS) first puts the volume
// platform of its environment in place, so that simulated cards answer as FAT32 cards.

#include "launcher/KestrumLauncher.h"

#ifdef KESTRUM_TEST_SEAMS
#include "carddata/EnvironmentVolumePlatform.h"
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
#ifdef KESTRUM_TEST_SEAMS
    InstallEnvironmentVolumePlatform();
#endif
    return LauncherWinMain(instance, previous, commandLine, showCommand);
}
