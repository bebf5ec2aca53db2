#include "carddata/TessalyDll.h"

#include "lib/TolveLog.h"

#include <cstdio>

namespace {

const char kLibraryName[] = "Tessaly.dll";

typedef uint32_t(WINAPI* OpenDevicesFn)(uint32_t flags);
typedef uint32_t(WINAPI* GetDeviceFromDriveLetterFn)(uint32_t devices, char driveLetter);
typedef uint32_t(WINAPI* EjectDeviceFn)(uint32_t devices, uint32_t device);
typedef uint32_t(WINAPI* CloseDevicesFn)(uint32_t devices);

} // namespace

const char* const CTessalyDll::ENTRY_NAMES[CTessalyDll::ENTRY_COUNT] = {
    "OpenDevices",
    "CloseDevices",
    "GetDeviceFromVolumeName",
    "GetDeviceFromDriveLetter",
    "EnumDevices",
    "GetDeviceInstanceId",
    "GetDeviceName",
    "GetDeviceDescription",
    "GetDeviceManufacturer",
    "GetDeviceHardwareID",
    "GetDeviceVolumeName",
    "GetDeviceDriveLetters",
    "IsHotPlugDevice",
    "GetDeviceType",
    "EnableDevice",
    "EnableDeviceEx",
    "EjectDevice",
    "IsEnabled",
    "IsRemovableMediaDevice",
    "UnmountVolume",
    "IsRemovableMediaDeviceDrv",
    "IsHotPlugDeviceDrv",
};

CTessalyDll::CTessalyDll(const char* folder) : m_hModule(nullptr), m_apfnEntry()
{
    char path[MAX_PATH];
    if (folder != nullptr && folder[0] != '\0') {
        const int length = std::snprintf(path, sizeof path, "%s%s", folder, kLibraryName);
        if (length < 0 || length >= static_cast<int>(sizeof path)) {
            TOLVE_LOG(LOG_ERROR, "Tessaly.dll のパスが長すぎます %s", folder);
            return;
        }
    } else {
        std::snprintf(path, sizeof path, "%s", kLibraryName);
    }

    m_hModule = LoadLibraryA(path);
    if (m_hModule == nullptr) {
        TOLVE_LOG(LOG_ERROR, "LoadLibrary失敗 %s ERR:0x%08X", path,
                  static_cast<unsigned>(GetLastError()));
        return;
    }
    for (int entry = 0; entry < ENTRY_COUNT; ++entry) {
        m_apfnEntry[entry] = GetProcAddress(m_hModule, ENTRY_NAMES[entry]);
        if (m_apfnEntry[entry] == nullptr) {
            // A library of another release: binding only part of it would call into
            // functions whose contract we do not know.
            TOLVE_LOG(LOG_ERROR, "GetProcAddress失敗 %s ERR:0x%08X", ENTRY_NAMES[entry],
                      static_cast<unsigned>(GetLastError()));
            OutputDebugStringA("DLL初期化エラー\n");
            Unload();
            return;
        }
    }
}

CTessalyDll::~CTessalyDll()
{
    Unload();
}

void CTessalyDll::Unload()
{
    if (m_hModule != nullptr) FreeLibrary(m_hModule);
    _Clear();
}

void CTessalyDll::_Clear()
{
    m_hModule = nullptr;
    for (FARPROC& function : m_apfnEntry) function = nullptr;
}

template <typename Function> Function CTessalyDll::_Entry(Entry entry) const
{
    // FARPROC is a placeholder type: each entry point is called through its real one.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(m_apfnEntry[entry]));
}

uint32_t CTessalyDll::OpenDevices(uint32_t flags)
{
    OpenDevicesFn function = _Entry<OpenDevicesFn>(ENTRY_OPEN_DEVICES);
    return function != nullptr ? function(flags) : 0;
}

uint32_t CTessalyDll::GetDeviceFromDriveLetter(uint32_t devices, char driveLetter)
{
    GetDeviceFromDriveLetterFn function =
        _Entry<GetDeviceFromDriveLetterFn>(ENTRY_GET_DEVICE_FROM_DRIVE_LETTER);
    return function != nullptr ? function(devices, driveLetter) : 0xFFFFFFFF;
}

uint32_t CTessalyDll::EjectDevice(uint32_t devices, uint32_t device)
{
    EjectDeviceFn function = _Entry<EjectDeviceFn>(ENTRY_EJECT_DEVICE);
    return function != nullptr ? function(devices, device) : 0;
}

uint32_t CTessalyDll::CloseDevices(uint32_t devices)
{
    CloseDevicesFn function = _Entry<CloseDevicesFn>(ENTRY_CLOSE_DEVICES);
    return function != nullptr ? function(devices) : 0;
}
