// The driving-history merge and the probe send file of CProbeFile.

#include "carddata/GZipIF.h"
#include "carddata/ProbeFile.h"
#include "carddata/ProbeFileSupport.h"
#include "lib/DbcsText.h"
#include "lib/Handle.h"
#include "lib/TolveLog.h"
#include "lib/WinFileSystemLib.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

struct HistoryKind {
    const char* m_pszName;
    uint32_t m_uCombineMode;
};

// In slot order; a real file belongs to the first kind whose name is in its path.
const HistoryKind kHistoryKinds[CProbeFile::HISTORY_KIND_COUNT] = {
    {"DRVHISREC.DH6", 0}, {"MSVPLYHST.MP1", 1}, {"MSVEDTHST.ME1", 1},
    {"VPSREPORT.D01", 2}, {"DTVPLYHST.DP0", 1}, {"SDUSBHST.SP0", 1},
    {"IPODHST.IP0", 1},   {"GPSDATA.GD0", 0},   {"ACCEL2REC.DA0", 3},
};

const size_t kBlockHeadSize = 44;
const size_t kBlockTextAt = 112 - 42;   // probe-header bytes 112 to 131 in the kept area

// Header size of each combine mode and the record count above which we warn.
size_t HeaderSize(uint32_t mode)
{
    static const size_t sizes[] = {12, 64, 16, 12};
    return sizes[mode];
}

uint32_t CountLimit(uint32_t mode)
{
    static const uint32_t limits[] = {41000, 30000, 123000, 41000};
    return limits[mode];
}

uint32_t GetU32(const uint8_t* p)
{
    uint32_t value = 0;
    std::memcpy(&value, p, sizeof value);
    return value;
}

void PutU32(uint8_t* p, uint32_t value) { std::memcpy(p, &value, sizeof value); }

size_t NamePrefixLength(const std::string& name)
{
    return lib::DbcsCutLength(name.c_str(), probefile::kNamePrefixLength);
}

std::string FileNameOf(const std::string& path)
{
    const char* slash = lib::DbcsFindLastChar(path.c_str(), '\\');
    return slash == nullptr ? path : std::string(slash + 1);
}

std::string FolderOf(const std::string& path)
{
    const char* slash = lib::DbcsFindLastChar(path.c_str(), '\\');
    return slash == nullptr ? std::string() : std::string(path.c_str(), slash + 1);
}

// Merges the header of a further history file into the combined one; returns the summed
// record count that the mode's limit applies to.
uint32_t MergeHeader(uint32_t mode, uint8_t* merged, const uint8_t* next)
{
    switch (mode) {
    case 1:
        PutU32(merged + 0, std::max(GetU32(merged + 0), GetU32(next + 0)));
        PutU32(merged + 4, std::max(GetU32(merged + 4), GetU32(next + 4)));
        PutU32(merged + 20, GetU32(merged + 20) + GetU32(next + 20));
        PutU32(merged + 24, GetU32(merged + 24) + GetU32(next + 24));
        merged[30] |= next[30];
        return GetU32(merged + 24);
    case 2:
        PutU32(merged + 8, GetU32(merged + 8) + GetU32(next + 8));
        return GetU32(merged + 8);
    default:
        PutU32(merged + 4, GetU32(merged + 4) + GetU32(next + 4));
        merged[8] |= next[8];
        return GetU32(merged + 4);
    }
}

bool ResizeBuffer(std::vector<uint8_t>& buffer, size_t size)
{
    try {
        buffer.assign(size, 0);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace

void CProbeFile::ResetSendHeader(bool keepTexts)
{
    std::memset(&m_stSendHeader, 0, sizeof m_stSendHeader);
    std::memcpy(m_stSendHeader.m_szTag, "OFCD", 4);
    std::memcpy(m_stSendHeader.m_szVersion, "01", 2);
    m_uTotalSize = 0;
    if (keepTexts) return;
    m_strNamePrefix.clear();
    std::memset(m_abyKeptHeader, 0, sizeof m_abyKeptHeader);
    m_strLastCcid.clear();
    m_strDeviceNo.clear();
    m_strUid.clear();
}

void CProbeFile::_AddRealFile(std::string path)
{
    const std::string name = FileNameOf(path);
    const std::string prefix = name.substr(0, NamePrefixLength(name));
    if (prefix > m_strNamePrefix) m_strNamePrefix = prefix;
    for (size_t slot = 0; slot < HISTORY_KIND_COUNT; ++slot) {
        if (lib::DbcsFindString(path.c_str(), kHistoryKinds[slot].m_pszName) != nullptr) {
            m_stSlot[slot].m_vecPath.push_back(path);
            m_stSlot[slot].m_uCombineMode = kHistoryKinds[slot].m_uCombineMode;
            return;
        }
    }
    m_vecSendList.push_back(path);
}

uint32_t CProbeFile::CombineDrvHiRecFile()
{
    for (size_t slot = 0; slot < HISTORY_KIND_COUNT; ++slot) {
        const uint32_t result = _CombineHistoryKind(slot);
        if (result != PROBE_OK) return result;
    }
    return PROBE_OK;
}

uint32_t CProbeFile::_CombineHistoryKind(size_t slot)
{
    std::vector<std::string>& paths = m_stSlot[slot].m_vecPath;
    if (paths.empty()) return PROBE_OK;
    if (paths.size() == 1) {
        m_vecSendList.push_back(paths.front());
        paths.clear();
        return PROBE_OK;
    }
    const uint32_t mode = m_stSlot[slot].m_uCombineMode;
    if (mode > 3) return PROBE_BAD_DATA;
    const size_t headerSize = HeaderSize(mode);

    // The merged file carries the newest recording's prefix and the kind's own name.
    const std::string folder = FolderOf(paths.front());
    const std::string firstName = FileNameOf(paths.front());
    const std::string finalName =
        folder + m_strNamePrefix + firstName.substr(NamePrefixLength(firstName));
    const std::string workPath = folder + probefile::kCombineName;

    CWinFileSystemLib files(m_hAbortEvent);
    lib::CHandle work;
    bool workCreated = false;
    bool workFailed = false;
    uint32_t result = PROBE_OK;
    while (!paths.empty()) {
        const std::string path = paths.front();
        lib::CHandle in(files.CreateFile_Recover(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                 nullptr));
        if (!in.IsValid()) {
            m_dwLastError = files.GetLastError();
            DeleteFileA(path.c_str());
            paths.erase(paths.begin());
            result = PROBE_OPEN_FAILED;
            break;
        }
        LARGE_INTEGER size = {};
        if (!GetFileSizeEx(in.Get(), &size)) {
            m_dwLastError = ::GetLastError();
            TOLVE_LOG(LOG_ERROR, "CProbeFile::CreateSendFileEX GetFileSize ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            result = PROBE_OPEN_FAILED;
            break;
        }
        if (size.QuadPart == 0) {
            in.Close();
            DeleteFileA(path.c_str());
            paths.erase(paths.begin());
            TOLVE_LOG(LOG_INFO, "%s", "Probe Data size is 0");
            continue;
        }
        std::vector<uint8_t> data;
        if (size.QuadPart > 0x7FFFFFFF || !ResizeBuffer(data, static_cast<size_t>(size.QuadPart))) {
            m_dwLastError = ERROR_NOT_ENOUGH_MEMORY;
            in.Close();
            DeleteFileA(path.c_str());
            paths.erase(paths.begin());
            result = PROBE_NO_MEMORY;
            break;
        }
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(data.size());
        const bool readOk =
            files.ReadFile_Recover(in.Get(), data.data(), wanted, &read, nullptr) && read == wanted;
        in.Close();
        DeleteFileA(path.c_str());
        paths.erase(paths.begin());
        if (!readOk) {
            m_dwLastError = files.GetLastError();
            TOLVE_LOG(LOG_ERROR, "走行履歴結合時のファイル読込失敗 ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            result = PROBE_READ_FAILED;
            break;
        }
        // The records a file adds are bounded by what it holds: a header that promises more
        // is refused like a short read.
        size_t recordsAt = headerSize;
        size_t recordBytes = data.size() >= headerSize ? data.size() - headerSize : 0;
        if (mode == 1 && data.size() >= headerSize) recordBytes = GetU32(data.data() + 20);
        if (data.size() < headerSize || recordBytes > data.size() - headerSize) {
            m_dwLastError = ERROR_HANDLE_EOF;
            TOLVE_LOG(LOG_ERROR, "走行履歴結合時のファイル読込失敗 ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            result = PROBE_READ_FAILED;
            break;
        }

        if (!workCreated) {
            *work.Out() = files.CreateFile_Recover(workPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                   0, nullptr, CREATE_ALWAYS,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            if (!work.IsValid()) {
                m_dwLastError = files.GetLastError();
                TOLVE_LOG(LOG_ERROR, "走行履歴結合ファイル作成失敗 ERR:0x%08X",
                          static_cast<unsigned>(m_dwLastError));
                return PROBE_OPEN_FAILED;
            }
            workCreated = true;
            m_vecSendList.push_back(finalName);
            DWORD written = 0;
            if (!files.WriteFile_Recover(work.Get(), data.data(), wanted, &written, nullptr) ||
                written != wanted) {
                m_dwLastError = files.GetLastError();
                TOLVE_LOG(LOG_ERROR, "走行履歴結合ファイル書込み失敗 ERR:0x%08X",
                          static_cast<unsigned>(m_dwLastError));
                result = PROBE_WRITE_FAILED;
                workFailed = true;
                break;
            }
            continue;
        }

        uint8_t merged[64] = {};
        DWORD done = 0;
        SetFilePointer(work.Get(), 0, nullptr, FILE_BEGIN);
        if (!files.ReadFile_Recover(work.Get(), merged, static_cast<DWORD>(headerSize), &done, nullptr) ||
            done != headerSize) {
            m_dwLastError = files.GetLastError();
            TOLVE_LOG(LOG_ERROR, "走行履歴結合ファイル読込失敗 ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            result = PROBE_READ_FAILED;
            workFailed = true;
            break;
        }
        const uint32_t count = MergeHeader(mode, merged, data.data());
        if (count > CountLimit(mode)) {
            TOLVE_LOG(LOG_ERROR, "ブロック数規定値(%d)超え", static_cast<int>(CountLimit(mode)));
        }
        SetFilePointer(work.Get(), 0, nullptr, FILE_BEGIN);
        if (!files.WriteFile_Recover(work.Get(), merged, static_cast<DWORD>(headerSize), &done, nullptr) ||
            done != headerSize) {
            m_dwLastError = files.GetLastError();
            TOLVE_LOG(LOG_ERROR, "走行履歴結合ファイルヘッダ書込失敗 ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            result = PROBE_WRITE_FAILED;
            workFailed = true;
            break;
        }
        SetFilePointer(work.Get(), 0, nullptr, FILE_END);
        done = 0;
        if (recordBytes != 0 &&
            (!files.WriteFile_Recover(work.Get(), data.data() + recordsAt,
                                      static_cast<DWORD>(recordBytes), &done, nullptr) ||
             done != recordBytes)) {
            m_dwLastError = files.GetLastError();
            TOLVE_LOG(LOG_ERROR, "走行履歴結合ファイルレコード書込失敗 ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            result = PROBE_WRITE_FAILED;
            workFailed = true;
            break;
        }
    }
    if (!workCreated) return result;
    work.Close();
    if (!workFailed && MoveFileExA(workPath.c_str(), finalName.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return result;
    }
    if (!workFailed) {
        m_dwLastError = ::GetLastError();
        TOLVE_LOG(LOG_ERROR, "CProbeFile::_CombineHistoryKind rename failure ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        result = PROBE_WRITE_FAILED;
    }
    // Nothing half-merged stays behind, and the send list names no missing file.
    DeleteFileA(workPath.c_str());
    m_vecSendList.erase(std::remove(m_vecSendList.begin(), m_vecSendList.end(), finalName),
                        m_vecSendList.end());
    return result;
}

uint32_t CProbeFile::CreateSendFile()
{
    if (m_vecSendList.empty()) return PROBE_OK;
    CWinFileSystemLib files(m_hAbortEvent);
    lib::CHandle send(files.CreateFile_Recover(m_strSendPath.c_str(), GENERIC_WRITE, 0, nullptr,
                                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!send.IsValid()) {
        m_dwLastError = files.GetLastError();
        TOLVE_LOG(LOG_ERROR, "CProbeFile::CreateSendFile: CreateFile_RecoverERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_OPEN_FAILED;
    }
    DWORD written = 0;
    if (m_stSendHeader.m_uBlockCount == 0) {
        // A new send file: nothing of an earlier one may stand between header and block.
        SetFilePointer(send.Get(), 0, nullptr, FILE_BEGIN);
        SetEndOfFile(send.Get());
        if (!files.WriteFile_Recover(send.Get(), &m_stSendHeader, sizeof m_stSendHeader, &written,
                                     nullptr) ||
            written != sizeof m_stSendHeader) {
            m_dwLastError = files.GetLastError();
            TOLVE_LOG(LOG_ERROR, "CProbeFile::CreateSendFile WriteFile_Recover ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            return PROBE_WRITE_FAILED;
        }
    }

    std::vector<uint8_t> block;
    if (!ResizeBuffer(block, BLOCK_BUFFER_SIZE)) {
        m_dwLastError = ERROR_NOT_ENOUGH_MEMORY;
        TOLVE_LOG(LOG_ERROR, "CProbeFile::CreateSendFile block buffer ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_NO_MEMORY;
    }
    std::memcpy(block.data() + 8, "PROBE_", 6);
    std::memcpy(block.data() + 16, "0000", 4);
    std::memcpy(block.data() + 24, m_abyKeptHeader + kBlockTextAt, 20);
    uint32_t length = kBlockHeadSize;
    while (!m_vecSendList.empty()) {
        const uint32_t result = _AddSendEntry(m_vecSendList.front(), block, &length);
        if (result != PROBE_OK) return result;
        m_vecSendList.erase(m_vecSendList.begin());
    }
    if (BLOCK_BUFFER_SIZE - length < 4) {
        m_dwLastError = ERROR_INSUFFICIENT_BUFFER;
        TOLVE_LOG(LOG_ERROR, "CProbeFile::CreateSendFile block buffer full ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_WRITE_FAILED;
    }
    std::memcpy(block.data() + length, "EOF_", 4);
    length += 4;
    const uint64_t blockLength = length - 8;
    std::memcpy(block.data(), &blockLength, sizeof blockLength);

    const uint32_t result = _AppendBlock(send.Get(), block, length);
    if (result != PROBE_OK) return result;
    block.clear();
    block.shrink_to_fit();
    m_stSendHeader.m_uBlockCount += 1;
    m_stSendHeader.m_ullTotalLength += length;
    SetFilePointer(send.Get(), 0, nullptr, FILE_BEGIN);
    if (!files.WriteFile_Recover(send.Get(), &m_stSendHeader, sizeof m_stSendHeader, &written,
                                 nullptr) ||
        written != sizeof m_stSendHeader) {
        m_dwLastError = files.GetLastError();
        TOLVE_LOG(LOG_ERROR, "CProbeFile::CreateSendFileEX WriteFile_Recover ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_WRITE_FAILED;
    }
    return PROBE_OK;
}

// A block goes on the end of the file whole or not at all.
uint32_t CProbeFile::_AppendBlock(HANDLE sendFile, const std::vector<uint8_t>& block,
                                  uint32_t length)
{
    CWinFileSystemLib files(m_hAbortEvent);
    LARGE_INTEGER end = {};
    const LARGE_INTEGER zero = {};
    DWORD written = 0;
    if (!SetFilePointerEx(sendFile, zero, &end, FILE_END)) {
        m_dwLastError = ::GetLastError();
        TOLVE_LOG(LOG_ERROR, "Block_FILE WriteFile_Recover ERR:0x%08X", static_cast<unsigned>(m_dwLastError));
        return PROBE_WRITE_FAILED;
    }
    if (!files.WriteFile_Recover(sendFile, block.data(), length, &written, nullptr) ||
        written != length) {
        m_dwLastError = files.GetLastError() != 0 ? files.GetLastError() : ERROR_DISK_FULL;
        TOLVE_LOG(LOG_ERROR, "Block_FILE WriteFile_Recover ERR:0x%08X", static_cast<unsigned>(m_dwLastError));
        SetFilePointerEx(sendFile, end, nullptr, FILE_BEGIN);
        SetEndOfFile(sendFile);
        return PROBE_WRITE_FAILED;
    }
    return PROBE_OK;
}

uint32_t CProbeFile::_AddSendEntry(const std::string& path, std::vector<uint8_t>& block,
                                   uint32_t* length)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes)) {
        m_uTotalSize += attributes.nFileSizeLow;
    }
    PutU32(block.data() + 20, GetU32(block.data() + 20) + 1);

    const std::string gzipPath = path + ".DAT";
    CGZipIF gzip(m_hAbortEvent);
    if (!gzip.GZipFile_Recover(path, gzipPath)) {
        m_dwLastError = gzip.GetError();
        DeleteFileA(gzipPath.c_str());
        TOLVE_LOG(LOG_ERROR, "CProbeFile::CreateSendFileEX GZipFile_Recover ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_GZIP_FAILED;
    }
    CWinFileSystemLib files(m_hAbortEvent);
    lib::CHandle in(files.CreateFile_Recover(gzipPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in.IsValid()) {
        m_dwLastError = files.GetLastError();
        DeleteFileA(gzipPath.c_str());
        TOLVE_LOG(LOG_ERROR, "CProbeFile::CreateSendFileEX CreateFile_Recover ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_READ_FAILED;
    }
    LARGE_INTEGER gzipSize = {};
    GetFileSizeEx(in.Get(), &gzipSize);

    std::string name = FileNameOf(path);
    name.insert(NamePrefixLength(name), "/");
    RealFileHeader header = {};
    // The entry must fit the buffer whole with room for "EOF_", and its name must keep a
    // terminator in its field; otherwise the block fails and nothing is appended.
    const uint64_t room = BLOCK_BUFFER_SIZE - *length;
    if (name.size() >= sizeof header.m_szName ||
        static_cast<uint64_t>(gzipSize.QuadPart) + sizeof header + 4 > room) {
        in.Close();
        DeleteFileA(gzipPath.c_str());
        m_dwLastError = ERROR_INSUFFICIENT_BUFFER;
        TOLVE_LOG(LOG_ERROR, "CProbeFile::CreateSendFileEX entry does not fit the block ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_WRITE_FAILED;
    }
    std::memcpy(header.m_szMagic, "8BIN", 4);
    header.m_ullDataSize = static_cast<uint64_t>(gzipSize.QuadPart);
    header.m_uNameLength = static_cast<uint32_t>(name.size());
    std::memcpy(header.m_szName, name.data(), name.size());
    std::memcpy(block.data() + *length, &header, sizeof header);

    const DWORD wanted = static_cast<DWORD>(gzipSize.QuadPart);
    DWORD read = 0;
    const bool readOk = wanted == 0 ||
                        (files.ReadFile_Recover(in.Get(), block.data() + *length + sizeof header,
                                                wanted, &read, nullptr) &&
                         read == wanted);
    in.Close();
    DeleteFileA(gzipPath.c_str());
    if (!readOk) {
        m_dwLastError = files.GetLastError();
        TOLVE_LOG(LOG_ERROR, "CProbeFile::CreateSendFileEX ReadFile_Recover ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_READ_FAILED;
    }
    *length += static_cast<uint32_t>(sizeof header + wanted);
    DeleteFileA(path.c_str());
    return PROBE_OK;
}

uint32_t CProbeFile::ClearTempData()
{
    uint32_t result = PROBE_OK;
    for (const std::string& path : m_vecSendList) {
        if (!DeleteFileA(path.c_str())) {
            const DWORD error = ::GetLastError();
            TOLVE_LOG(LOG_ERROR, "一時データクリア失敗 ERR:0x%08X", static_cast<unsigned>(error));
            TOLVE_LOG(LOG_DEBUG, "\tPath:%s", path.c_str());
            result = PROBE_CLEAR_FAILED;
        }
    }
    m_vecSendList.clear();
    // History files are merged away as they go, so one that is already gone is no failure.
    for (HistoryKindSlot& slot : m_stSlot) {
        for (const std::string& path : slot.m_vecPath) {
            if (!DeleteFileA(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
                const DWORD error = ::GetLastError();
                TOLVE_LOG(LOG_ERROR, "一時データクリア失敗 ERR:0x%08X", static_cast<unsigned>(error));
                TOLVE_LOG(LOG_DEBUG, "\tPath:%s", path.c_str());
                result = PROBE_CLEAR_FAILED;
            }
        }
        slot.m_vecPath.clear();
    }
    return result;
}
