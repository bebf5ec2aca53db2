// Started by the system version test under the Windows versions that the test sets for this
// program in the Wine prefix; prints what it sees on one line:
//   kind server xp vistaOrLater major.minor globalName
// globalName is what the kernel-object name rule makes of "Kestrum" with the global flag.
#include "lib/ShareMem.h"
#include "lib/SystemVersion.h"

#include <cstdio>

int main()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    const CObjGlobalName name("Kestrum", true);
    std::printf("%d %d %d %d %lu.%lu %s\n", static_cast<int>(lib::GetOSVersionKind()),
                lib::IsServerProduct() ? 1 : 0, lib::IsWindowsXP() ? 1 : 0,
                lib::IsVistaOrLater() ? 1 : 0, info.dwMajorVersion, info.dwMinorVersion,
                name.GetName() != nullptr ? name.GetName() : "(null)");
    return 0;
}
