#include "online/DataManager.h"

#include <cstdlib>
#include <cstring>
#include <new>

CDataManager& CDataManager::GetInstance()
{
    static CDataManager instance;
    return instance;
}

CDataManager::~CDataManager() { _Clear(); }

uint32_t CDataManager::SetData(uint32_t key, const void* data, uint32_t size)
{
    const auto found = m_mapData.find(key);
    if (found != m_mapData.end()) {
        std::free(found->second.m_pData);
        m_mapData.erase(found);
    }
    if (data == nullptr || size == 0) return 1;
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size));
    if (copy == nullptr) return 0;
    std::memcpy(copy, data, size);
    try {
        m_mapData.emplace(key, DataEntry{copy, size});
    } catch (const std::bad_alloc&) {
        std::free(copy);
        return 0;
    }
    return 1;
}

uint32_t CDataManager::GetData(uint32_t key, void* buffer, uint32_t* size) const
{
    const auto found = m_mapData.find(key);
    if (found == m_mapData.end() || size == nullptr) return 0;
    const DataEntry& entry = found->second;
    const bool fits = buffer != nullptr && entry.m_uSize <= *size;
    if (fits) std::memcpy(buffer, entry.m_pData, entry.m_uSize);
    *size = entry.m_uSize;
    return fits ? 1 : 0;
}

void CDataManager::_Clear()
{
    for (auto& item : m_mapData) std::free(item.second.m_pData);
    m_mapData.clear();
}
