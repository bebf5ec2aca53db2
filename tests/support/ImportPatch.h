#pragma once
// A stand-in for one imported platform function of the running program: for the life of
// the object the program's import address table points that function at the stand-in, so
// that a platform answer that cannot be provoked for real (or must not really happen)
// reaches the code that calls it. Only calls made through this program's own imports are
// redirected, never those inside the system's DLLs.

#include <windows.h>

#include <cstring>

namespace testsupport {

class CImportPatch {
public:
    CImportPatch(const char* dll, const char* function, void* standIn)
        : m_pSlot(FindSlot(dll, function)), m_pOriginal(nullptr)
    {
        if (m_pSlot != nullptr) m_pOriginal = Swap(standIn);
    }
    ~CImportPatch()
    {
        if (m_pSlot != nullptr) Swap(m_pOriginal);
    }
    CImportPatch(const CImportPatch&) = delete;
    CImportPatch& operator=(const CImportPatch&) = delete;
    bool Patched() const { return m_pSlot != nullptr; }
    // The real function, for a stand-in that passes some calls on.
    void* Original() const { return m_pOriginal; }

private:
    static void** FindSlot(const char* dll, const char* function)
    {
        BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
        const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (imports.VirtualAddress == 0) return nullptr;
        for (const IMAGE_IMPORT_DESCRIPTOR* d =
                 reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             d->Name != 0; ++d) {
            if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
            const IMAGE_THUNK_DATA* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
                base + (d->OriginalFirstThunk != 0 ? d->OriginalFirstThunk : d->FirstThunk));
            IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (size_t i = 0; names[i].u1.AddressOfData != 0; ++i) {
                if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
                const IMAGE_IMPORT_BY_NAME* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
                    base + names[i].u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                    return reinterpret_cast<void**>(&slots[i].u1.Function);
                }
            }
        }
        return nullptr;
    }
    void* Swap(void* value)
    {
        DWORD protect = 0;
        VirtualProtect(m_pSlot, sizeof(void*), PAGE_READWRITE, &protect);
        void* previous = *m_pSlot;
        *m_pSlot = value;
        VirtualProtect(m_pSlot, sizeof(void*), protect, &protect);
        return previous;
    }

    void** m_pSlot;
    void* m_pOriginal;
};

} // namespace testsupport
