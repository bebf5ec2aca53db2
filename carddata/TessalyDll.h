#pragma once
// The card reader's device library "Tessaly.dll", bound at run time for one device-level
// eject and released after it. The library is not ours and may be missing or of another
// release: either all of its entry points are bound or none is, and every call made while
// none is bound gives a harmless default.

#include <windows.h>

#include <cstdint>

class CTessalyDll {
public:
    // folder: text to put in front of "Tessaly.dll" as it is (it must end with a
    // backslash); null or empty: "Tessaly.dll" alone, found through the system's search.
    explicit CTessalyDll(const char* folder);
    virtual ~CTessalyDll();
    CTessalyDll(const CTessalyDll&) = delete;
    CTessalyDll& operator=(const CTessalyDll&) = delete;

    void Unload();
    bool IsLoaded() const { return m_hModule != nullptr; }

    // A device-set handle, 0 when none could be opened (or nothing is bound).
    uint32_t OpenDevices(uint32_t flags);
    // The device behind the drive letter; 0xFFFFFFFF when unbound.
    uint32_t GetDeviceFromDriveLetter(uint32_t devices, char driveLetter);
    uint32_t EjectDevice(uint32_t devices, uint32_t device);
    uint32_t CloseDevices(uint32_t devices);

    // Every entry point the binding needs, in the library's own order.
    enum Entry {
        ENTRY_OPEN_DEVICES,
        ENTRY_CLOSE_DEVICES,
        ENTRY_GET_DEVICE_FROM_VOLUME_NAME,
        ENTRY_GET_DEVICE_FROM_DRIVE_LETTER,
        ENTRY_ENUM_DEVICES,
        ENTRY_GET_DEVICE_INSTANCE_ID,
        ENTRY_GET_DEVICE_NAME,
        ENTRY_GET_DEVICE_DESCRIPTION,
        ENTRY_GET_DEVICE_MANUFACTURER,
        ENTRY_GET_DEVICE_HARDWARE_ID,
        ENTRY_GET_DEVICE_VOLUME_NAME,
        ENTRY_GET_DEVICE_DRIVE_LETTERS,
        ENTRY_IS_HOT_PLUG_DEVICE,
        ENTRY_GET_DEVICE_TYPE,
        ENTRY_ENABLE_DEVICE,
        ENTRY_ENABLE_DEVICE_EX,
        ENTRY_EJECT_DEVICE,
        ENTRY_IS_ENABLED,
        ENTRY_IS_REMOVABLE_MEDIA_DEVICE,
        ENTRY_UNMOUNT_VOLUME,
        ENTRY_IS_REMOVABLE_MEDIA_DEVICE_DRV,
        ENTRY_IS_HOT_PLUG_DEVICE_DRV,
        ENTRY_COUNT
    };
    static const char* const ENTRY_NAMES[ENTRY_COUNT];

private:
    void _Clear();
    template <typename Function> Function _Entry(Entry entry) const;

    HMODULE m_hModule;
    FARPROC m_apfnEntry[ENTRY_COUNT];
};
