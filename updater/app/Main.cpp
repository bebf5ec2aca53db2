// Kestrum4Update's entry; the program lives in the updater library.
#include "updater/KestrumInstaller.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    return InstallerWinMain(instance, previous, commandLine, showCommand);
}
