#include "online/PcInfo.h"

#include "lib/Handle.h"
#include "lib/StringUtility.h"
#include "lib/SystemVersion.h"
#include "lib/TolveLog.h"

#include <cstring>

namespace {

const char kBlockEnd[] = "\r\n\r\n";

typedef void(WINAPI* NativeSystemInfoFn)(LPSYSTEM_INFO);

std::string UserBlock(const PcInfoFacts& facts)
{
    return std::string("起動ユーザー：") + (facts.bAdministrator ? "管理者" : "管理者以外");
}

std::string CpuBlock(const PcInfoFacts& facts)
{
    switch (facts.eCpuSource) {
    case PCINFO_CPU_NO_DLL:
        return "取得不可(DLL取得失敗)";
    case PCINFO_CPU_NO_API:
        return "取得不可(API取得失敗)";
    case PCINFO_CPU_TOO_OLD:
        return "取得不可(XP未満)";
    case PCINFO_CPU_KNOWN:
        break;
    }
    const SYSTEM_INFO& system = facts.stSystem;
    // The mask is a pointer-sized word; the 32-bit programs print it whole.
    return lib::FormatString(
        "CPU情報：\r\nOEMID:%d\r\nProcessorArchitecture:%d\r\nPageSize:%d\r\n"
        "ActiveProcessorMask:%d\r\nNumberOfProcessors:%d\r\nProcessorType:%d\r\n"
        "AllocationGranularity:%d\r\nProcessorLevel:%d\r\nProcessorRevision:%d",
        static_cast<int>(system.dwOemId), static_cast<int>(system.wProcessorArchitecture),
        static_cast<int>(system.dwPageSize),
        static_cast<int>(static_cast<DWORD>(system.dwActiveProcessorMask)),
        static_cast<int>(system.dwNumberOfProcessors), static_cast<int>(system.dwProcessorType),
        static_cast<int>(system.dwAllocationGranularity),
        static_cast<int>(system.wProcessorLevel), static_cast<int>(system.wProcessorRevision));
}

std::string MemoryBlock(const PcInfoFacts& facts)
{
    if (!facts.bMemoryKnown) return "メモリ情報：取得不可";
    return lib::FormatString("メモリ情報：総サイズ%lldbyte 有効サイズ%lld",
                             static_cast<long long>(facts.stMemory.ullTotalPhys),
                             static_cast<long long>(facts.stMemory.ullAvailPhys));
}

std::string VersionBlock(const PcInfoFacts& facts)
{
    if (!facts.bVersionKnown) return "OS情報：取得不可";
    const OSVERSIONINFOEXA& version = facts.stVersion;
    // The service pack text of the record need not be terminated.
    const std::string servicePack(version.szCSDVersion,
                                  strnlen(version.szCSDVersion, sizeof version.szCSDVersion));
    return lib::FormatString(
        "OS情報：OS %d.%d, BuildNumber %d, PratformId %d, SP %s(%d.%d), Suite %X, Product %X",
        static_cast<int>(version.dwMajorVersion), static_cast<int>(version.dwMinorVersion),
        static_cast<int>(version.dwBuildNumber), static_cast<int>(version.dwPlatformId),
        servicePack.c_str(), static_cast<int>(version.wServicePackMajor),
        static_cast<int>(version.wServicePackMinor), static_cast<unsigned>(version.wSuiteMask),
        static_cast<unsigned>(version.wProductType));
}

} // namespace

PcInfoFacts GatherPcInfoFacts()
{
    PcInfoFacts facts;
    facts.bAdministrator = lib::IsAdministrator();

    facts.eCpuSource = PCINFO_CPU_TOO_OLD;
    if (lib::IsWindowsXP() || lib::IsVistaOrLater()) {
        const HMODULE kernel = LoadLibraryA("Kernel32.dll");
        if (kernel == nullptr) {
            facts.eCpuSource = PCINFO_CPU_NO_DLL;
        } else {
            const NativeSystemInfoFn nativeSystemInfo = reinterpret_cast<NativeSystemInfoFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "GetNativeSystemInfo")));
            if (nativeSystemInfo == nullptr) {
                facts.eCpuSource = PCINFO_CPU_NO_API;
            } else {
                nativeSystemInfo(&facts.stSystem);
                facts.eCpuSource = PCINFO_CPU_KNOWN;
            }
            FreeLibrary(kernel);
        }
    }

    facts.stMemory.dwLength = sizeof facts.stMemory;
    facts.bMemoryKnown = GlobalMemoryStatusEx(&facts.stMemory) != FALSE;

    facts.stVersion.dwOSVersionInfoSize = sizeof facts.stVersion;
    facts.bVersionKnown =
        GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&facts.stVersion)) != FALSE;
    return facts;
}

std::string FormatPcInfo(const PcInfoFacts& facts)
{
    return UserBlock(facts) + kBlockEnd + CpuBlock(facts) + kBlockEnd + MemoryBlock(facts) +
           kBlockEnd + VersionBlock(facts) + kBlockEnd;
}

bool WritePcInfoFile(const std::string& path, const std::string& text)
{
    lib::CHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "PcInfo作成失敗 PATH:%s ERR:0x%08X", path.c_str(),
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        TOLVE_LOG(LOG_ERROR, "PcInfo書込み失敗 PATH:%s ERR:0x%08X", path.c_str(),
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    return true;
}
