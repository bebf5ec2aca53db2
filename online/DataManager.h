#pragma once
// Small blocks of bytes kept for the whole process under a numeric key, between job runs.
// The traffic job keeps its one-time-password record under key 1 so that later downloads
// reuse the password until the service declares it invalid. No lock: a second user from
// another thread must bring its own.

#include <cstdint>
#include <map>

class CDataManager {
public:
    // Built on the first call, destroyed at process exit.
    static CDataManager& GetInstance();
    virtual ~CDataManager();

    CDataManager(const CDataManager&) = delete;
    CDataManager& operator=(const CDataManager&) = delete;

    // Replaces the key's block with a copy of the bytes; a null pointer or a size of 0 only
    // erases it. 1 on success, 0 when no memory could be had (the old block is gone then).
    uint32_t SetData(uint32_t key, const void* data, uint32_t size);
    // Copies the key's block when the buffer holds *size bytes or more, and sets *size to the
    // block's size: 1. With a missing buffer or one too small, *size is still set, nothing is
    // copied and the result is 0; an absent key or a null size pointer gives 0 and leaves
    // *size alone.
    uint32_t GetData(uint32_t key, void* buffer, uint32_t* size) const;

private:
    struct DataEntry {
        uint8_t* m_pData;
        uint32_t m_uSize;
    };

    CDataManager() = default;
    void _Clear();

    std::map<uint32_t, DataEntry> m_mapData;
};
