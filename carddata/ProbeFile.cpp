#include "carddata/ProbeFile.h"

#include "carddata/CardCipher.h"
#include "carddata/ProbeFileSupport.h"
#include "carddata/UserListFile.h"
#include "lib/DbcsText.h"
#include "lib/Handle.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "lib/WinFileSystemLib.h"

#include "zlib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

// Units whose probe data the service takes, by the head of their CCID.
const char* const kAcceptedModels[] = {"07460521", "07580622"};

const char kBlockSourceName[] = "blockdata.DAT_SRC";
const char kBlockName[] = "blockdata.DAT";

const uint64_t kFourGiB = 0x100000000ull;
const DWORD kGunzipPiece = 256 * 1024;

// Offsets of the compared texts in the kept area (probe-header offset minus 42).
const size_t kNaviModelAt = 0;
const size_t kMakerAt = 6;
const size_t kAplVerAt = 22;
const size_t kMapVerAt = 38;
const size_t kKeptTextAt[] = {kNaviModelAt, kMakerAt, kAplVerAt, kMapVerAt};

std::string FieldText(const char* field, size_t width)
{
    return std::string(field, strnlen(field, width));
}

bool ResizeBuffer(std::vector<uint8_t>& buffer, size_t size)
{
    try {
        buffer.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

// The name of a real file as it will be created in the work folder. The unit writes plain
// file names; anything that could leave the folder, that the send file's 14-character cuts
// cannot carry, or that would overwrite one of our own work files is damage.
bool IsSafeRealFileName(const std::string& name, const std::string& sendName)
{
    if (name.empty() || name == "..") return false;
    const std::string upper = lib::StringToUpper(name);
    if (upper == lib::StringToUpper(kBlockSourceName) || upper == lib::StringToUpper(kBlockName) ||
        upper == lib::StringToUpper(probefile::kCombineName) || upper == lib::StringToUpper(sendName)) {
        return false;
    }
    if (lib::DbcsFindChar(name.c_str(), '\\') != nullptr) return false;
    if (lib::DbcsFindChar(name.c_str(), ':') != nullptr) return false;
    if (lib::IsDeviceName(name)) return false;
    return name.size() >= probefile::kNamePrefixLength &&
           name.size() <= probefile::kMaxRealFileName;
}

} // namespace

CProbeFile::CProbeFile(HANDLE abortEvent, uint64_t unpackLimit)
    : m_abyKeptHeader(), m_stSendHeader(), m_hAbortEvent(abortEvent), m_dwLastError(0),
      m_uTotalSize(0), m_ullUnpackLimit(unpackLimit)
{
    ResetSendHeader(false);
}

CProbeFile::~CProbeFile() = default;

std::string CProbeFile::_KeptText(size_t offset) const
{
    const char* text = reinterpret_cast<const char*>(m_abyKeptHeader) + offset;
    return FieldText(text, sizeof m_abyKeptHeader - offset);
}

std::string CProbeFile::GetNaviModel() const { return _KeptText(kNaviModelAt); }
std::string CProbeFile::GetMaker() const { return _KeptText(kMakerAt); }

uint32_t CProbeFile::GetAplVer() const
{
    return static_cast<uint32_t>(std::strtoul(_KeptText(kAplVerAt).c_str(), nullptr, 16));
}

uint32_t CProbeFile::GetMapVer() const
{
    return static_cast<uint32_t>(std::strtoul(_KeptText(kMapVerAt).c_str(), nullptr, 16));
}

// Each chunk is its own CBC run from the block's IV under a fresh key, which is how the
// unit enciphers; a tail shorter than one DES block stays as stored.
bool CProbeFile::_TakePayload(const uint8_t* source, const ProbeBlockHeader& block,
                              std::vector<uint8_t>& payload)
{
    if (!ResizeBuffer(payload, block.m_uPayloadLength)) {
        m_dwLastError = ERROR_NOT_ENOUGH_MEMORY;
        TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Decryption partitioning failure ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return false;
    }
    std::memcpy(payload.data(), source, payload.size());
    _DecryptPayload(payload.data(), block.m_uPayloadLength, block.m_abyIv);
    return true;
}

void CProbeFile::_DecryptPayload(uint8_t* payload, uint32_t length, const uint8_t* iv) const
{
    for (uint32_t done = 0; done < length;) {
        const uint32_t chunk = std::min<uint32_t>(CIPHER_CHUNK, length - done);
        if (chunk >= 8) {
            uint8_t key[16] = {};
            MakeProbeFileKey(key);
            DesCbcCrypt(payload + done, key, iv, chunk / 8, 1);
        }
        done += chunk;
    }
}

uint32_t CProbeFile::_ReadWholeFile(const char* path, bool zeroSizeOnly,
                                    std::vector<uint8_t>& data)
{
    CWinFileSystemLib files(m_hAbortEvent);
    lib::CHandle file(files.CreateFile_Recover(path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        m_dwLastError = files.GetLastError();
        TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Probe file opening failure[Path=%s]", path);
        TOLVE_LOG(LOG_ERROR,
                  "CProbeFile::_ReadFile A file concerned deletes each falda, and skips processing ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_OPEN_FAILED;
    }
    LARGE_INTEGER size = {};
    const bool known = GetFileSizeEx(file.Get(), &size) != FALSE;
    if (!known) m_dwLastError = ::GetLastError();
    if (size.QuadPart == 0 || (!known && !zeroSizeOnly)) {
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::_ReadFile: ::GetFileSize failure");
        return PROBE_EMPTY_FILE;
    }
    // A probe file is read whole; the upload refuses anything above 30 MiB long before this.
    if (!known || size.QuadPart > 0x7FFFFFFF || !ResizeBuffer(data, static_cast<size_t>(size.QuadPart))) {
        if (known) m_dwLastError = ERROR_NOT_ENOUGH_MEMORY;
        TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Probe file reading partitioning failure ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_NO_MEMORY;
    }
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(data.size());
    if (!files.ReadFile_Recover(file.Get(), data.data(), wanted, &read, nullptr) || read != wanted) {
        m_dwLastError = read != wanted && files.GetLastError() == 0 ? ERROR_HANDLE_EOF
                                                                    : files.GetLastError();
        TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Probe file reading failure[Path=%s]", path);
        TOLVE_LOG(LOG_ERROR,
                  "CProbeFile::_ReadFile A file concerned deletes each falda, and skips processing ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_READ_FAILED;
    }
    return PROBE_OK;
}

// The HEAD block: the caller has checked its tag. Leaves *headEnd at the first byte after
// the payload.
uint32_t CProbeFile::_TakeProbeHeader(const std::vector<uint8_t>& file, uint64_t* headEnd,
                                      ProbeHeader* header)
{
    ProbeBlockHeader block;
    std::memcpy(&block, file.data() + 8, sizeof block);
    const uint64_t end = 28ull + block.m_uPayloadLength;
    if (end > file.size() || block.m_uPayloadLength < sizeof(ProbeHeader)) {
        TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile HEAD payload of %u bytes does not fit the file",
                  static_cast<unsigned>(block.m_uPayloadLength));
        return PROBE_BAD_DATA;
    }
    std::vector<uint8_t> payload;
    if (!_TakePayload(file.data() + 28, block, payload)) return PROBE_NO_MEMORY;
    std::memcpy(header, payload.data(), sizeof *header);
    *headEnd = end;
    return PROBE_OK;
}

uint32_t CProbeFile::_CheckProbeFile(const char* probePath)
{
    if (probePath == nullptr || *probePath == '\0') return PROBE_BAD_DATA;
    std::vector<uint8_t> file;
    uint32_t result = _ReadWholeFile(probePath, false, file);
    if (result != PROBE_OK) return result;
    // A tag that is there and is not "HEAD" marks another model's file, even when the
    // block header behind it is cut short.
    if (file.size() >= 12 && std::memcmp(file.data() + 8, "HEAD", 4) != 0) {
        TOLVE_LOG(LOG_INFO, "%s", "ProbeData 他モデルデータ");
        return PROBE_OTHER_MODEL;
    }
    if (file.size() < 28) {
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::_ReadFile BlockHeader failure");
        return PROBE_BAD_DATA;
    }
    ProbeHeader header;
    uint64_t headEnd = 0;
    result = _TakeProbeHeader(file, &headEnd, &header);
    if (result != PROBE_OK) return result;

    bool accepted = false;
    for (const char* model : kAcceptedModels) {
        if (std::strncmp(header.m_szCcid, model, std::strlen(model)) == 0) {
            accepted = true;
            break;
        }
    }
    if (!accepted) {
        TOLVE_LOG(LOG_INFO, "%s", "ProbeData 他モデルデータ(AVN)");
        return PROBE_OTHER_MODEL;
    }
    std::string deviceNo = FieldText(header.m_szDeviceNo, sizeof header.m_szDeviceNo);
    std::string nickName;
    CUserListFile users;
    return users.FindUserByDeviceNo(&deviceNo, &nickName) ? PROBE_OK : PROBE_UNKNOWN_USER;
}

uint32_t CProbeFile::MakeSendFile(const char* probePath, const char* sendPath)
{
    if (probePath == nullptr || *probePath == '\0') {
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::MakeSendFile The probe file passing is NULL");
        return PROBE_BAD_DATA;
    }
    if (GetFileAttributesA(probePath) == INVALID_FILE_ATTRIBUTES) {
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::MakeSendFile The former probe file doesn't exist");
        return PROBE_BAD_DATA;
    }
    // Without a send path there is no work folder to unpack into.
    if (sendPath == nullptr || *sendPath == '\0') {
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::MakeSendFile The send file passing is NULL");
        return PROBE_BAD_DATA;
    }
    m_strProbePath = probePath;
    m_strSendPath = sendPath;
    return _ReadFile();
}

uint32_t CProbeFile::_ReadFile()
{
    std::vector<uint8_t> file;
    uint32_t result = _ReadWholeFile(m_strProbePath.c_str(), true, file);
    if (result != PROBE_OK) return result;
    if (file.size() < 28 || std::memcmp(file.data() + 8, "HEAD", 4) != 0) {
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::_ReadFile BlockHeader failure");
        return PROBE_BAD_DATA;
    }
    uint64_t blockCount = 0;
    std::memcpy(&blockCount, file.data(), sizeof blockCount);
    ProbeHeader header;
    uint64_t offset = 0;
    result = _TakeProbeHeader(file, &offset, &header);
    if (result != PROBE_OK) return result;

    const std::string ccid = FieldText(header.m_szCcid, sizeof header.m_szCcid);
    const std::string deviceNo = FieldText(header.m_szDeviceNo, sizeof header.m_szDeviceNo);
    if ((!m_strLastCcid.empty() && m_strLastCcid != ccid) ||
        (!m_strDeviceNo.empty() && m_strDeviceNo != deviceNo)) {
        TOLVE_LOG(LOG_INFO,
                  "CProbeFile::_ReadFile CCID or DeviceNO differ CreLastCCID:%s LastCCID:%s CretDeviceNO:%s LastDeviceNO:%s",
                  ccid.c_str(), m_strLastCcid.c_str(), deviceNo.c_str(), m_strDeviceNo.c_str());
        return PROBE_OTHER_IDENTITY;
    }
    m_strUid = FieldText(header.m_szUid, sizeof header.m_szUid);
    m_strLastCcid = ccid;
    m_strDeviceNo = deviceNo;

    // The texts from offset 42 on are terminated texts that may run on into the next
    // field, so they are read up to the header's end.
    const uint8_t* area = reinterpret_cast<const uint8_t*>(&header) + 42;
    for (size_t at : kKeptTextAt) {
        const std::string kept = _KeptText(at);
        const std::string read =
            FieldText(reinterpret_cast<const char*>(area) + at, sizeof m_abyKeptHeader - at);
        if (!kept.empty() && kept != read) {
            TOLVE_LOG(LOG_INFO, "%s", "_ReadFile ProbeHeader differnt");
            return PROBE_OTHER_SOFTWARE;
        }
    }

    std::string userDeviceNo = deviceNo;
    std::string nickName;
    CUserListFile users;
    if (!users.FindUserByDeviceNo(&userDeviceNo, &nickName)) return PROBE_UNKNOWN_USER;
    m_strNickName = nickName;
    std::memcpy(m_abyKeptHeader, area, sizeof m_abyKeptHeader);

    std::string workFolder;
    if (const char* slash = lib::DbcsFindLastChar(m_strSendPath.c_str(), '\\')) {
        workFolder.assign(m_strSendPath.c_str(), slash + 1);
        if (!lib::CreateDirectoryRecursive(workFolder) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            m_dwLastError = ::GetLastError();
            TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Work folder creation failure ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            return PROBE_OPEN_FAILED;
        }
    }

    // The count includes the HEAD block; a count of 0 wraps round like any u64 count and
    // so promises blocks without end. A count that promises more blocks than the file
    // holds ends where the data ends, as an "EOF_" would.
    uint64_t blocksLeft = blockCount - 1;
    uint32_t realFiles = 0;
    while (blocksLeft != 0) {
        const uint64_t left = file.size() - offset;
        if (left == 0) break;
        if (left >= 4 && std::memcmp(file.data() + offset, "EOF_", 4) == 0) break;
        --blocksLeft;
        result = _ReadDataBlock(file, &offset, workFolder, &realFiles);
        if (result != PROBE_OK) return result;
    }

    if (realFiles == 0) {
        TOLVE_LOG(LOG_ERROR, "%s",
                  "CProbeFile::_ReadFile A file concerned deletes each falda, and skips processing");
        return PROBE_OK;
    }
    for (HistoryKindSlot& slot : m_stSlot) {
        if (slot.m_vecPath.size() > 1) std::sort(slot.m_vecPath.begin(), slot.m_vecPath.end());
    }
    return PROBE_OK;
}

uint32_t CProbeFile::_ReadDataBlock(const std::vector<uint8_t>& file, uint64_t* offset,
                                    const std::string& workFolder, uint32_t* realFiles)
{
    const uint64_t left = file.size() - *offset;
    ProbeBlockHeader block;
    if (left < sizeof block) {
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::_ReadFile DataHeader failure");
        return PROBE_BAD_DATA;
    }
    std::memcpy(&block, file.data() + *offset, sizeof block);
    if (std::memcmp(block.m_szTag, "DATA", 4) != 0) {
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::_ReadFile DataHeader failure");
        return PROBE_BAD_DATA;
    }
    if (block.m_uPayloadLength > left - sizeof block) {
        TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile DATA payload of %u bytes runs past the file",
                  static_cast<unsigned>(block.m_uPayloadLength));
        return PROBE_BAD_DATA;
    }
    std::vector<uint8_t> payload;
    if (!_TakePayload(file.data() + *offset + sizeof block, block, payload)) return PROBE_NO_MEMORY;
    *offset += sizeof block + block.m_uPayloadLength;

    if (payload.size() < 8) {
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::_ReadFile DATA payload without its gzip length");
        return PROBE_BAD_DATA;
    }
    uint64_t gzipLength = 0;
    std::memcpy(&gzipLength, payload.data(), sizeof gzipLength);
    if (gzipLength >= kFourGiB) {
        m_dwLastError = ERROR_FILE_TOO_LARGE;
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::_ReadFile UnGZipFile Write failure");
        return PROBE_WRITE_FAILED;
    }
    if (gzipLength > payload.size() - 8) {
        TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile gzip length %u runs past the payload",
                  static_cast<unsigned>(gzipLength));
        return PROBE_BAD_DATA;
    }

    const std::string source = workFolder + kBlockSourceName;
    const std::string target = workFolder + kBlockName;
    {
        CWinFileSystemLib files(m_hAbortEvent);
        lib::CHandle out(files.CreateFile_Recover(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                  nullptr, CREATE_ALWAYS,
                                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!out.IsValid()) {
            m_dwLastError = files.GetLastError();
            TOLVE_LOG(LOG_ERROR,
                      "CProbeFile::_ReadFile A file concerned deletes each falda, and skips processing ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            return PROBE_OPEN_FAILED;
        }
        const DWORD wanted = static_cast<DWORD>(gzipLength);
        DWORD written = 0;
        if (wanted != 0 &&
            (!files.WriteFile_Recover(out.Get(), payload.data() + 8, wanted, &written, nullptr) ||
             written != wanted)) {
            m_dwLastError = files.GetLastError();
            out.Close();
            DeleteFileA(source.c_str());
            TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::_ReadFile UnGZipFile Write failure");
            return PROBE_WRITE_FAILED;
        }
    }
    payload.clear();
    payload.shrink_to_fit();

    uint32_t result = _UnGZipPayload(source, target);
    DeleteFileA(source.c_str());
    if (result != PROBE_OK) {
        DeleteFileA(target.c_str());
        TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Probe file decompression failure ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return result;
    }
    std::vector<uint8_t> bundle;
    result = _ReadBundleFile(target, bundle);
    DeleteFileA(target.c_str());
    if (result != PROBE_OK) return result;
    return _WriteRealFiles(bundle, workFolder, realFiles);
}

// Expands the block's gzip data like zlib's gzip reader (members one after another, bytes
// after the last member ignored), but stops as soon as the output passes the unpack limit:
// a few kilobytes on a card must not expand into gigabytes on the PC.
uint32_t CProbeFile::_UnGZipPayload(const std::string& source, const std::string& target)
{
    lib::CHandle in(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in.IsValid()) {
        m_dwLastError = ::GetLastError();
        return PROBE_GUNZIP_FAILED;
    }
    lib::CHandle out(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.IsValid()) {
        m_dwLastError = ::GetLastError();
        return PROBE_GUNZIP_FAILED;
    }
    std::vector<uint8_t> input;
    std::vector<uint8_t> output;
    if (!ResizeBuffer(input, kGunzipPiece) || !ResizeBuffer(output, kGunzipPiece)) {
        m_dwLastError = ERROR_NOT_ENOUGH_MEMORY;
        return PROBE_GUNZIP_FAILED;
    }
    probefile::CInflateStream stream;
    if (!stream.Init()) {
        m_dwLastError = ERROR_NOT_ENOUGH_MEMORY;
        return PROBE_GUNZIP_FAILED;
    }
    z_stream& zs = stream.Get();
    uint64_t produced = 0;
    bool inMember = false;
    bool anyMember = false;
    for (;;) {
        if (zs.avail_in == 0) {
            DWORD read = 0;
            if (!::ReadFile(in.Get(), input.data(), kGunzipPiece, &read, nullptr)) {
                m_dwLastError = ::GetLastError();
                return PROBE_GUNZIP_FAILED;
            }
            if (read == 0) {
                if (!inMember) return PROBE_OK;
                m_dwLastError = static_cast<DWORD>(Z_DATA_ERROR);   // cut short
                return PROBE_GUNZIP_FAILED;
            }
            zs.next_in = input.data();
            zs.avail_in = read;
        }
        if (!inMember) {
            if (anyMember) {
                // Between members only another gzip header may follow.
                if (zs.next_in[0] != 0x1F) return PROBE_OK;
                if (inflateReset(&zs) != Z_OK) {
                    m_dwLastError = static_cast<DWORD>(Z_STREAM_ERROR);
                    return PROBE_GUNZIP_FAILED;
                }
            }
            inMember = true;
            anyMember = true;
        }
        zs.next_out = output.data();
        zs.avail_out = kGunzipPiece;
        const int status = inflate(&zs, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END &&
            !(status == Z_BUF_ERROR && zs.avail_in == 0)) {
            m_dwLastError = static_cast<DWORD>(status);
            return PROBE_GUNZIP_FAILED;
        }
        const DWORD have = kGunzipPiece - zs.avail_out;
        if (produced + have > m_ullUnpackLimit) {
            m_dwLastError = ERROR_FILE_TOO_LARGE;
            TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile gzip data expands past %llu bytes",
                      static_cast<unsigned long long>(m_ullUnpackLimit));
            return PROBE_GUNZIP_FAILED;
        }
        DWORD written = 0;
        if (have != 0 &&
            (!::WriteFile(out.Get(), output.data(), have, &written, nullptr) || written != have)) {
            m_dwLastError = ::GetLastError();
            return PROBE_GUNZIP_FAILED;
        }
        produced += have;
        if (status == Z_STREAM_END) inMember = false;
    }
}

uint32_t CProbeFile::_ReadBundleFile(const std::string& path, std::vector<uint8_t>& bundle)
{
    CWinFileSystemLib files(m_hAbortEvent);
    lib::CHandle file(files.CreateFile_Recover(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart == 0) {
        m_dwLastError = file.IsValid() ? ::GetLastError() : files.GetLastError();
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::_ReadFile UnGZipFile GetFileSize failure");
        return PROBE_BAD_DATA;
    }
    // One byte more than the file, as the unit's reader does; read in one call, so never
    // more than a DWORD (nor a 32-bit size_t) holds.
    if (size.QuadPart > 0x7FFFFFFF ||
        !ResizeBuffer(bundle, static_cast<size_t>(size.QuadPart) + 1)) {
        m_dwLastError = ERROR_NOT_ENOUGH_MEMORY;
        TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Decryption partitioning failure ERR:0x%08X",
                  static_cast<unsigned>(m_dwLastError));
        return PROBE_NO_MEMORY;
    }
    const DWORD wanted = static_cast<DWORD>(size.QuadPart);
    DWORD read = 0;
    if (!files.ReadFile_Recover(file.Get(), bundle.data(), wanted, &read, nullptr) || read != wanted) {
        m_dwLastError = files.GetLastError();
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::_ReadFile UnGZipFile Read failure");
        return PROBE_READ_FAILED;
    }
    bundle.resize(wanted);
    return PROBE_OK;
}

uint32_t CProbeFile::_WriteRealFiles(const std::vector<uint8_t>& bundle,
                                     const std::string& workFolder, uint32_t* realFiles)
{
    const uint64_t size = bundle.size();
    if (size < 8) {
        TOLVE_LOG(LOG_ERROR, "%s", "CProbeFile::_ReadFile bundle without its file count");
        return PROBE_BAD_DATA;
    }
    uint64_t count = 0;
    std::memcpy(&count, bundle.data(), sizeof count);
    uint64_t offset = 8;
    while (count != 0 && offset < size) {
        --count;
        RealFileHeader header;
        if (size - offset < sizeof header) {
            TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Probe real file header cut short[Path=%s]",
                      m_strProbePath.c_str());
            return PROBE_BAD_DATA;
        }
        std::memcpy(&header, bundle.data() + offset, sizeof header);
        if (std::memcmp(header.m_szMagic, "8BIN", 4) != 0) {
            TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Probe real file identifier check error[Path=%s]",
                      m_strProbePath.c_str());
            return PROBE_BAD_DATA;
        }
        if (header.m_ullDataSize >= kFourGiB) {
            m_dwLastError = ERROR_FILE_TOO_LARGE;
            TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Real probe file writing failure ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            return PROBE_WRITE_FAILED;
        }
        if (header.m_ullDataSize > size - offset - sizeof header ||
            std::memchr(header.m_szName, 0, sizeof header.m_szName) == nullptr) {
            TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Probe real file size or name damaged[Path=%s]",
                      m_strProbePath.c_str());
            return PROBE_BAD_DATA;
        }
        std::string name(header.m_szName);
        lib::ReplaceAll(name, "/", "");
        if (!IsSafeRealFileName(name, lib::PathFindFileNameStr(m_strSendPath))) {
            TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Probe real file name refused: %s", name.c_str());
            return PROBE_BAD_DATA;
        }
        const std::string path = workFolder + name;
        CWinFileSystemLib files(m_hAbortEvent);
        lib::CHandle out(files.CreateFile_Recover(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out.IsValid()) {
            m_dwLastError = files.GetLastError();
            TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Probe real creation of file failure ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            TOLVE_LOG(LOG_DEBUG, "CProbeFile::_ReadFile Probe passing %s", path.c_str());
            return PROBE_OPEN_FAILED;
        }
        const DWORD wanted = static_cast<DWORD>(header.m_ullDataSize);
        DWORD written = 0;
        if (wanted != 0 &&
            (!files.WriteFile_Recover(out.Get(), bundle.data() + offset + sizeof header, wanted,
                                      &written, nullptr) ||
             written != wanted)) {
            m_dwLastError = files.GetLastError();
            TOLVE_LOG(LOG_ERROR, "CProbeFile::_ReadFile Real probe file writing failure ERR:0x%08X",
                      static_cast<unsigned>(m_dwLastError));
            TOLVE_LOG(LOG_DEBUG, "CProbeFile::_ReadFile Probe passing %s", path.c_str());
            return PROBE_WRITE_FAILED;
        }
        out.Close();
        _AddRealFile(path);
        ++*realFiles;
        offset += sizeof header + header.m_ullDataSize;
    }
    return PROBE_OK;
}
