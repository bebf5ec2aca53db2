#pragma once
// Skin images (PNG resources of type "SKIN", named by file name) decoded once per process
// and shared by every window that names them. One process-wide table maps each upper-cased
// name to an entry with its own lock and the number of windows that hold it; each window
// owns a SkinImageCache that records which images it holds and gives them back when the
// window goes. The last window to give an image back frees it.
//
//     cache.GetImage("Back.png");                  // when the window or item reads its block
//     CSkinImageRef back = cache.FindImage("Back.png");
//     {
//         CSkinImageLock image(back);               // for one draw call
//         if (image.Get() != nullptr) buffer.Blt(..., *image.Get(), ...);
//     }
//
// A name that ends in "/lang" names the image without that suffix in the skin's language
// module (SetSkinLanguageModule). An image that cannot be loaded raises the skin error
// "<name>が読み込めません.".

#include "lib/wfc/CriticalSection.h"
#include "lib/wfc/DIB.h"

#include <string>
#include <vector>

namespace ui {

// One image of the process-wide table; its lock is held while its image is drawn and while
// its count changes.
class CCachedDIBImpl : public lib::wfc::CCriticalSection {
public:
    CCachedDIBImpl(const std::string& name, lib::wfc::CDIB* image);
    // The image is deleted by the releaser before the entry.
    ~CCachedDIBImpl() override;

    int m_nRef;                  // window caches that hold the image
    std::string m_strName;       // upper case
    lib::wfc::CDIB* m_pImage;    // owned
};

// How a window reaches a cached image. An empty reference locks nothing and gives no image.
class CSkinImageRef {
public:
    CSkinImageRef() : m_bLocked(false), m_pEntry(nullptr) {}
    explicit CSkinImageRef(CCachedDIBImpl* entry) : m_bLocked(false), m_pEntry(entry) {}
    // A copy shares the entry but not the lock.
    CSkinImageRef(const CSkinImageRef& other) : m_bLocked(false), m_pEntry(other.m_pEntry) {}
    CSkinImageRef& operator=(const CSkinImageRef& other);
    ~CSkinImageRef();

    // Enters the entry's lock and answers its image (null for an empty reference).
    lib::wfc::CDIB* Lock();
    void Unlock();

    bool IsEmpty() const { return m_pEntry == nullptr; }
    bool IsLocked() const { return m_bLocked; }
    const CCachedDIBImpl* GetEntry() const { return m_pEntry; }

private:
    bool m_bLocked;
    CCachedDIBImpl* m_pEntry;
};

// Holds a reference's lock for one scope.
class CSkinImageLock {
public:
    explicit CSkinImageLock(CSkinImageRef& ref) : m_ref(ref), m_pImage(ref.Lock()) {}
    ~CSkinImageLock() { m_ref.Unlock(); }
    CSkinImageLock(const CSkinImageLock&) = delete;
    CSkinImageLock& operator=(const CSkinImageLock&) = delete;

    lib::wfc::CDIB* Get() const { return m_pImage; }

private:
    CSkinImageRef& m_ref;
    lib::wfc::CDIB* m_pImage;
};

// The images one window holds. Keeps GDI+ started while it lives, so a window's many images
// decode without starting and ending it for each.
class SkinImageCache {
public:
    SkinImageCache();
    ~SkinImageCache();
    SkinImageCache(const SkinImageCache&) = delete;
    SkinImageCache& operator=(const SkinImageCache&) = delete;

    // Makes sure that the window holds the image: loads it when no window does yet. Names
    // differing only in case are one image.
    void GetImage(const std::string& name);
    // The image, once some window took it with GetImage; an empty reference otherwise.
    CSkinImageRef FindImage(const std::string& name) const;
    // Gives every image back; an image no window holds any more is freed.
    void ReleaseAll();

    // The upper-cased names this window holds, in the order taken.
    const std::vector<std::string>& GetNames() const { return m_vName; }

private:
    static lib::wfc::CDIB* _LoadImage(const std::string& name);

    std::vector<std::string> m_vName;
    bool m_bGdiplus;
};

} // namespace ui
