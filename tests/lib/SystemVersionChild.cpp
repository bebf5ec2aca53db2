// Started by the system version test under the Windows versions that the test sets for this
// program in the Wine prefix; prints what it sees on one line:
//   kind server xp vistaOrLater major.minor
#include "lib/SystemVersion.h"

#include <cstdio>

int main()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    std::printf("%d %d %d %d %lu.%lu\n", static_cast<int>(lib::GetOSVersionKind()),
                lib::IsServerProduct() ? 1 : 0, lib::IsWindowsXP() ? 1 : 0,
                lib::IsVistaOrLater() ? 1 : 0, info.dwMajorVersion, info.dwMinorVersion);
    return 0;
}
