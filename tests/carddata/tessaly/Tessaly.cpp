// Our stand-in for the card reader's device library, for tests only. It answers like a
// reader with one device per drive letter, and lets a test watch and steer it through the
// environment of the process that loads it:
//   KESTRUM_TESSALY_RECORD  file to which every load, unload and call appends one line;
//   KESTRUM_TESSALY_FAIL    names of the entry points that fail, separated by commas.
// The entry points that the product binds but never calls only record that they were
// called, which a test takes as a fault.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

const uint32_t kDeviceSet = 0x00005E70;
const uint32_t kNoDevice = 0xFFFFFFFF;

void Record(const char* line)
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("KESTRUM_TESSALY_RECORD", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}

bool ShouldFail(const char* name)
{
    char names[1024];
    const DWORD length = GetEnvironmentVariableA("KESTRUM_TESSALY_FAIL", names, sizeof names);
    if (length == 0 || length >= sizeof names) return false;
    const size_t nameLength = std::strlen(name);
    for (const char* item = names; *item != '\0';) {
        const char* end = std::strchr(item, ',');
        const size_t itemLength = end != nullptr ? static_cast<size_t>(end - item) : std::strlen(item);
        if (itemLength == nameLength && std::strncmp(item, name, nameLength) == 0) return true;
        if (end == nullptr) break;
        item = end + 1;
    }
    return false;
}

uint32_t Unexpected(const char* name)
{
    char line[128];
    std::snprintf(line, sizeof line, "%s unexpected", name);
    Record(line);
    return 0;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) Record("load");
    if (reason == DLL_PROCESS_DETACH) Record("unload");
    return TRUE;
}

uint32_t WINAPI OpenDevices(uint32_t flags)
{
    const uint32_t result = ShouldFail("OpenDevices") ? 0 : kDeviceSet;
    char line[128];
    std::snprintf(line, sizeof line, "OpenDevices %u -> 0x%08X", flags, result);
    Record(line);
    return result;
}

uint32_t WINAPI GetDeviceFromDriveLetter(uint32_t devices, char driveLetter)
{
    uint32_t result = kNoDevice;
    if (devices == kDeviceSet && !ShouldFail("GetDeviceFromDriveLetter") &&
        driveLetter >= 'A' && driveLetter <= 'Z') {
        result = 0x100 + static_cast<uint32_t>(driveLetter - 'A');
    }
    char line[128];
    std::snprintf(line, sizeof line, "GetDeviceFromDriveLetter 0x%08X %c -> 0x%08X", devices,
                  driveLetter, result);
    Record(line);
    return result;
}

// 1 when the device was ejected, 0 when not.
uint32_t WINAPI EjectDevice(uint32_t devices, uint32_t device)
{
    const uint32_t result =
        (devices == kDeviceSet && device != kNoDevice && !ShouldFail("EjectDevice")) ? 1 : 0;
    char line[128];
    std::snprintf(line, sizeof line, "EjectDevice 0x%08X 0x%08X -> %u", devices, device, result);
    Record(line);
    return result;
}

uint32_t WINAPI CloseDevices(uint32_t devices)
{
    const uint32_t result = devices == kDeviceSet ? 1 : 0;
    char line[128];
    std::snprintf(line, sizeof line, "CloseDevices 0x%08X -> %u", devices, result);
    Record(line);
    return result;
}

uint32_t WINAPI GetDeviceFromVolumeName() { return Unexpected("GetDeviceFromVolumeName"); }
uint32_t WINAPI EnumDevices() { return Unexpected("EnumDevices"); }
uint32_t WINAPI GetDeviceInstanceId() { return Unexpected("GetDeviceInstanceId"); }
uint32_t WINAPI GetDeviceName() { return Unexpected("GetDeviceName"); }
uint32_t WINAPI GetDeviceDescription() { return Unexpected("GetDeviceDescription"); }
uint32_t WINAPI GetDeviceManufacturer() { return Unexpected("GetDeviceManufacturer"); }
uint32_t WINAPI GetDeviceHardwareID() { return Unexpected("GetDeviceHardwareID"); }
uint32_t WINAPI GetDeviceVolumeName() { return Unexpected("GetDeviceVolumeName"); }
uint32_t WINAPI GetDeviceDriveLetters() { return Unexpected("GetDeviceDriveLetters"); }
uint32_t WINAPI IsHotPlugDevice() { return Unexpected("IsHotPlugDevice"); }
uint32_t WINAPI GetDeviceType() { return Unexpected("GetDeviceType"); }
uint32_t WINAPI EnableDevice() { return Unexpected("EnableDevice"); }
uint32_t WINAPI EnableDeviceEx() { return Unexpected("EnableDeviceEx"); }
uint32_t WINAPI IsEnabled() { return Unexpected("IsEnabled"); }
uint32_t WINAPI IsRemovableMediaDevice() { return Unexpected("IsRemovableMediaDevice"); }
uint32_t WINAPI UnmountVolume() { return Unexpected("UnmountVolume"); }
uint32_t WINAPI IsRemovableMediaDeviceDrv() { return Unexpected("IsRemovableMediaDeviceDrv"); }
uint32_t WINAPI IsHotPlugDeviceDrv() { return Unexpected("IsHotPlugDeviceDrv"); }

} // extern "C"
