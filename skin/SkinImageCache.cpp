#include "skin/SkinImageCache.h"

#include "lib/DbcsText.h"
#include "lib/StringUtility.h"
#include "skin/SkinException.h"
#include "skin/SkinLoader.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>

namespace ui {

namespace {

const char kResourceType[] = "skin";
const char kLanguageSuffix[] = "/LANG";
const size_t kLanguageSuffixLength = sizeof kLanguageSuffix - 1;

// Lock order: the table's lock, then an entry's.
struct ImageTable {
    lib::wfc::CCriticalSection m_csLock;
    std::map<std::string, CCachedDIBImpl*> m_mapEntry;
};

// Built on first use and never destroyed: a window may still give its images back while the
// process's static objects are being destroyed.
ImageTable& Table()
{
    static ImageTable* table = new ImageTable;
    return *table;
}

} // namespace

CCachedDIBImpl::CCachedDIBImpl(const std::string& name, lib::wfc::CDIB* image)
    : m_nRef(1), m_strName(name), m_pImage(image)
{
}

CCachedDIBImpl::~CCachedDIBImpl() = default;

CSkinImageRef& CSkinImageRef::operator=(const CSkinImageRef& other)
{
    if (this != &other) {
        Unlock();
        m_pEntry = other.m_pEntry;
    }
    return *this;
}

CSkinImageRef::~CSkinImageRef()
{
    Unlock();
}

lib::wfc::CDIB* CSkinImageRef::Lock()
{
    if (m_pEntry == nullptr) return nullptr;
    if (!m_bLocked) {
        m_pEntry->Enter();
        m_bLocked = true;
    }
    return m_pEntry->m_pImage;
}

void CSkinImageRef::Unlock()
{
    if (!m_bLocked) return;
    m_pEntry->Leave();
    m_bLocked = false;
}

SkinImageCache::SkinImageCache() : m_bGdiplus(lib::wfc::StartupGdiplus())
{
}

SkinImageCache::~SkinImageCache()
{
    ReleaseAll();
    if (m_bGdiplus) lib::wfc::ShutdownGdiplus();
}

void SkinImageCache::GetImage(const std::string& name)
{
    const std::string key = lib::StringToUpper(name);
    if (std::find(m_vName.begin(), m_vName.end(), key) != m_vName.end()) return;
    ImageTable& table = Table();
    {
        lib::wfc::CCriticalSection::CLock lock(&table.m_csLock, true);
        const auto found = table.m_mapEntry.find(key);
        if (found != table.m_mapEntry.end()) {
            CCachedDIBImpl* entry = found->second;
            lib::wfc::CCriticalSection::CLock entryLock(entry, true);
            ++entry->m_nRef;
        } else {
            // A failed load throws before anything is entered.
            std::unique_ptr<lib::wfc::CDIB> image(_LoadImage(name));
            std::unique_ptr<CCachedDIBImpl> entry(new CCachedDIBImpl(key, image.get()));
            table.m_mapEntry[key] = entry.get();
            image.release();
            entry.release();
        }
    }
    m_vName.push_back(key);
}

CSkinImageRef SkinImageCache::FindImage(const std::string& name) const
{
    const std::string key = lib::StringToUpper(name);
    ImageTable& table = Table();
    lib::wfc::CCriticalSection::CLock lock(&table.m_csLock, true);
    const auto found = table.m_mapEntry.find(key);
    return found != table.m_mapEntry.end() ? CSkinImageRef(found->second) : CSkinImageRef();
}

void SkinImageCache::ReleaseAll()
{
    ImageTable& table = Table();
    lib::wfc::CCriticalSection::CLock lock(&table.m_csLock, true);
    for (const std::string& key : m_vName) {
        const auto found = table.m_mapEntry.find(key);
        if (found == table.m_mapEntry.end()) continue;
        CCachedDIBImpl* entry = found->second;
        bool unused = false;
        {
            lib::wfc::CCriticalSection::CLock entryLock(entry, true);
            unused = --entry->m_nRef <= 0;
        }
        // Deleted only once its own lock has been left; the table's lock keeps anyone from
        // finding it meanwhile.
        if (unused) {
            table.m_mapEntry.erase(found);
            delete entry->m_pImage;
            entry->m_pImage = nullptr;
            delete entry;
        }
    }
    m_vName.clear();
}

lib::wfc::CDIB* SkinImageCache::_LoadImage(const std::string& name)
{
    char buffer[MAX_PATH] = {};
    lib::DbcsCopy(buffer, sizeof buffer, name.c_str());
    std::string resource = buffer;
    bool language = false;
    if (resource.size() >= kLanguageSuffixLength &&
        lib::StringToUpper(resource.substr(resource.size() - kLanguageSuffixLength)) ==
            kLanguageSuffix) {
        resource.resize(resource.size() - kLanguageSuffixLength);
        language = true;
    }
    const HMODULE module = language ? GetSkinLanguageModule() : nullptr;
    std::unique_ptr<lib::wfc::CDIB> image(new lib::wfc::CDIB);
    if (resource.empty() || !image->LoadFromResource(module, resource.c_str(), kResourceType)) {
        ThrowSkinException(resource + "が読み込めません.");
    }
    return image.release();
}

} // namespace ui
