#include "online/ConnectionFile.h"

#include "lib/DbcsText.h"
#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/ServiceHosts.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

#define REGISTRATION "https://" KESTRUM_HOST_REGISTRATION
#define PROBE_GATEWAY "https://" KESTRUM_HOST_PROBE_GATEWAY
#define TRAFFIC_WEB "https://" KESTRUM_HOST_TRAFFIC_WEB

// The requests, in the order the table was laid out (id 6 was added after 10).
const ConnectionRow kBuiltinRows[] = {
    {0, REGISTRATION "/navigation/PcAppTop.html", {201, 202, 203}},
    {1, "http://" KESTRUM_HOST_REGISTRATION "/navigation/pellworks/web_help/help.html", {}},
    {2, REGISTRATION "/navigation/PcAppTop.html", {201, 202, 203}},
    {3, TRAFFIC_WEB "/ferrox/UserRegistration", {200}},
    {4, REGISTRATION "/pcapp/DeviceNoUserAuthenticationFerroxAPI", {1, 2, 8, 3}},
    {5, REGISTRATION "/pcapp/GetLatestPcaplAPI", {10, 11}},
    {7, PROBE_GATEWAY "/probe/OFPB", {30, 7, 31}},
    {8, PROBE_GATEWAY "/probe/OFPB", {30, 7, 31, 210}},
    {9, PROBE_GATEWAY "/probe/OFPB", {30, 7, 31, 210, 46, 47, 10, 80}},
    {10, PROBE_GATEWAY "/probe/OFPB", {30, 7, 31, 210}},
    {6, PROBE_GATEWAY "/probe/OFPB", {30, 4, 9}},
    {11, "https://" KESTRUM_HOST_WEATHER "/wlink36/", {}},
    {12, "https://" KESTRUM_HOST_TRAFFIC_DATA "/cgi-bin/odv.cgi/",
     {7, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 48, 44, 45}},
    {13, REGISTRATION "/pcapp/TransmissionRateUrlAPI", {78}},
    {14, REGISTRATION "/pcapp/TransmissionRateRegistAPI", {8, 3, 77}},
    {15, REGISTRATION "/pcapp/TransmissionRateLimitAPI", {8, 3}},
    {16, REGISTRATION "/pcapp/DownloadListZoneAPI",
     {8, 3, 80, 81, 82, 84, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96}},
    {17, REGISTRATION "/pcapp/GetConfUrlZoneAPI", {8, 3, 60, 61, 63}},
    {18, REGISTRATION "/pcapp/ReceiverZoneAPI", {70, 8, 3, 71}},
    {19, REGISTRATION "/pcapp/ReceiverZoneAPI", {30, 8, 3, 71, 72, 73, 74, 75, 76}},
    {20, REGISTRATION "/navigation/PcAppTop.html", {201, 202, 203, 60, 61, 204, 205}},
    {21, REGISTRATION "/navigation/PcAppTop.html", {201, 202, 203, 60, 61, 204, 205}},
    {22, REGISTRATION "/navigation/PcAppTop.html", {201, 202, 203, 60, 61, 204, 205}},
    {23, REGISTRATION "/pcapp/LogUploadCheckAPI", {8, 3}},
    {24, REGISTRATION "/pcapp/LogUploadAPI", {8, 3, 97}},
    {25, REGISTRATION "/navigation/PcAppTop.html", {201, 202, 203}},
    {26, REGISTRATION "/pcapp/GetDeviceInfoAPI", {1, 2}},
    {27, REGISTRATION "/pcapp/GetPCLinkDatUrlZoneAPI", {}},
    {28, TRAFFIC_WEB "/ferrox/DataupdateLogin.html", {206, 207, 30, 201, 208, 60, 61, 209}},
    {29, TRAFFIC_WEB "/velocet/index.html", {}},
    {30, REGISTRATION "/pcapp/GetLatestPCAplZoneAPI", {}},
    {31, TRAFFIC_WEB "/velocet/index.html", {}},
    {32, "https://" KESTRUM_HOST_TRAFFIC_BLOG "/quiv/weblog/portal", {}},
    {33, TRAFFIC_WEB "/velocet/drive_report.html", {}},
    {34, TRAFFIC_WEB "/velocet/music_report.html", {}},
    {35, "http://" KESTRUM_HOST_MAKER, {}},
    {36, "http://" KESTRUM_HOST_MAKER "/sardello", {}},
    {37, "http://" KESTRUM_HOST_MAKER "/car/kestrum", {}},
    {38, TRAFFIC_WEB "/velocet/at_login", {}},
    {39, "http://" KESTRUM_HOST_MAKER "/car/kestrum/kestrum4/onlinemanual/index.html", {}},
    {40, TRAFFIC_WEB "/velocet/index.html", {}},
    {41, KESTRUM_HOST_TRAFFIC_PAGES, {}},
    {42, TRAFFIC_WEB "/ferrox/ChangeUser.html", {}},
    {43, "https://" KESTRUM_HOST_MAP "/v1/auth", {}},
    {44, "https://" KESTRUM_HOST_MAP, {}},
};
static_assert(std::size(kBuiltinRows) == 45, "the built-in table has 45 rows");

#undef REGISTRATION
#undef PROBE_GATEWAY
#undef TRAFFIC_WEB

const uint32_t kSkippedRowId = 0xFFFFFFFF;
const char kFileName[] = "Connection.info";
// The form body's log line shows at most this much of the body.
const size_t kLoggedBodyBytes = 1023;
// A body stays well inside what a 32-bit size and a 32-bit process can hold.
const size_t kMaxBodySize = 0x7FFFFFFF;

// A request body that grows on the heap and reports a failed growth instead of throwing.
class CBodyBuffer {
public:
    bool Append(const void* data, size_t size)
    {
        if (!Reserve(size)) return false;
        if (size != 0) std::memcpy(m_pBuffer.get() + m_uSize, data, size);
        m_uSize += size;
        return true;
    }
    bool Append(const std::string& text) { return Append(text.data(), text.size()); }
    // Room for `more` bytes after the current end.
    bool Reserve(size_t more)
    {
        if (more > kMaxBodySize - m_uSize) return false;
        const size_t needed = m_uSize + more;
        if (needed <= m_uCapacity) return true;
        size_t capacity = m_uCapacity < 256 ? 256 : m_uCapacity;
        while (capacity < needed) capacity = capacity > kMaxBodySize / 2 ? kMaxBodySize : capacity * 2;
        void* grown = std::realloc(m_pBuffer.get(), capacity);
        if (grown == nullptr) return false;
        m_pBuffer.release();
        m_pBuffer.reset(static_cast<char*>(grown));
        m_uCapacity = capacity;
        return true;
    }
    char* End() { return m_pBuffer.get() + m_uSize; }
    void Grow(size_t written) { m_uSize += written; }
    size_t Size() const { return m_uSize; }
    const char* Data() const { return m_pBuffer.get(); }
    lib::CMallocBuffer Release() { return std::move(m_pBuffer); }

private:
    lib::CMallocBuffer m_pBuffer;
    size_t m_uSize = 0;
    size_t m_uCapacity = 0;
};

// The request id of a "Connection.info" line: optional blanks and sign, then digits; 0
// without digits.
uint32_t ParseRequestId(const std::string& field)
{
    return static_cast<uint32_t>(std::strtol(field.c_str(), nullptr, 10));
}

const char* ParameterName(uint32_t id)
{
    const ParameterDefinition* definition = FindParameterDefinition(id);
    return definition != nullptr ? definition->m_pszName : "";
}

} // namespace

const ConnectionRow* GetBuiltinConnectionRows(size_t& count)
{
    count = std::size(kBuiltinRows);
    return kBuiltinRows;
}

CConnectionFile& CConnectionFile::GetInstance()
{
    static CConnectionFile instance;
    return instance;
}

bool CConnectionFile::Load()
{
    lib::wfc::CCriticalSection::CLock lock(&m_csTable, true);
    for (const ConnectionRow& row : kBuiltinRows) {
        if (row.m_uId == kSkippedRowId) continue;
        ConnectionEntry entry;
        entry.m_uId = row.m_uId;
        entry.m_strURL = row.m_pszURL;
        for (const uint32_t parameterId : row.m_auParameterIds) {
            if (parameterId != 0) entry.m_vecParameterIds.push_back(parameterId);
        }
        m_mapEntries[row.m_uId] = std::move(entry);
    }
    std::string path = lib::GetParentFolder(lib::GetModuleFileNameStr(nullptr));
    lib::AppendBackslash(path);
    path += kFileName;
    if (!lib::PathFileExistsStr(path)) return true;
    return _ReadFile(path);
}

bool CConnectionFile::_ReadFile(const std::string& path)
{
    lib::CHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.IsValid()) {
        TOLVE_LOG(LOG_ERROR, "Connection.infoファイルオープン失敗(ERR:0x%X).%s",
                  static_cast<uint32_t>(GetLastError()), path.c_str());
        return false;
    }
    LARGE_INTEGER fileSize = {};
    if (!GetFileSizeEx(file.Get(), &fileSize)) {
        TOLVE_LOG(LOG_ERROR, "Connection.infoファイル読み込み失敗(ERR:0x%X).サイズ:%d",
                  static_cast<uint32_t>(GetLastError()), 0);
        return false;
    }
    // The read asks for one byte more than the size, so the size must leave room for it.
    const bool tooLarge = fileSize.QuadPart >= 0x7FFFFFFF;
    const DWORD size = tooLarge ? 0 : static_cast<DWORD>(fileSize.QuadPart);
    lib::CMallocBuffer buffer(tooLarge ? nullptr : static_cast<char*>(std::calloc(size + 1, 1)));
    if (buffer == nullptr) {
        TOLVE_LOG(LOG_ERROR, "Connection.infoファイル読み込み用バッファ確保失敗(ERR:0x%X).サイズ:%d",
                  static_cast<uint32_t>(GetLastError()), static_cast<int>(fileSize.QuadPart + 1));
        return false;
    }
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer.get(), size + 1, &read, nullptr) || read != size) {
        TOLVE_LOG(LOG_ERROR, "Connection.infoファイル読み込み失敗(ERR:0x%X).サイズ:%d",
                  static_cast<uint32_t>(GetLastError()), static_cast<int>(size));
        return false;
    }
    file.Close();

    // A line ends at its LF, a CR right before it dropped; a NUL ends the text.
    const char* p = buffer.get();
    const char* const end = p + std::strlen(p);
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* lineEnd = lf != nullptr ? lf : end;
        if (lf != nullptr && lineEnd > p && lineEnd[-1] == '\r') --lineEnd;
        const size_t length = static_cast<size_t>(lineEnd - p);
        if (length == 0) break; // an empty line ends the file's settings
        if (length < MAX_LINE_LENGTH) _ApplyLine(std::string(p, length).c_str());
        p = lf != nullptr ? lf + 1 : end;
    }
    return true;
}

void CConnectionFile::_ApplyLine(const char* line)
{
    std::string field;
    if (lib::GetFieldCount(line, ',') < 2 || !lib::GetField(line, 0, field, ',')) return;
    const uint32_t id = ParseRequestId(field);
    if (!lib::GetField(line, 1, field, ',')) return;
    const auto found = m_mapEntries.find(id);
    if (found == m_mapEntries.end()) {
        TOLVE_LOG(LOG_ERROR, "接続ファイル不正 ID:%d", static_cast<int>(id));
        return;
    }
    found->second.m_strURL = field;
}

bool CConnectionFile::_LoadIfEmpty()
{
    return !m_mapEntries.empty() || Load();
}

const ConnectionEntry* CConnectionFile::_Find(uint32_t id) const
{
    const auto found = m_mapEntries.find(id);
    return found != m_mapEntries.end() ? &found->second : nullptr;
}

std::string CConnectionFile::GetURL(uint32_t id)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csTable, true);
    if (!_LoadIfEmpty()) return std::string();
    const ConnectionEntry* entry = _Find(id);
    return entry != nullptr ? entry->m_strURL : std::string();
}

std::string CConnectionFile::GetURLWithQuery(uint32_t id)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csTable, true);
    return _BuildURLWithQuery(id);
}

std::string CConnectionFile::GetURLWithQuery(uint32_t id, const CConnectionParameterData& parameters)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csTable, true);
    m_cParameters = parameters;
    return _BuildURLWithQuery(id);
}

std::string CConnectionFile::_BuildURLWithQuery(uint32_t id)
{
    if (!_LoadIfEmpty()) return std::string();
    const ConnectionEntry* entry = _Find(id);
    if (entry == nullptr || entry->m_strURL.empty()) return std::string();
    std::string url = entry->m_strURL;
    char separator = lib::DbcsFindChar(url.c_str(), '?') != nullptr ? '&' : '?';
    std::string value;
    for (const uint32_t parameterId : entry->m_vecParameterIds) {
        const ParameterDefinition* definition = FindParameterDefinition(parameterId);
        if (definition == nullptr) continue;
        m_cParameters.GetValue(parameterId, value);
        url += separator;
        url += definition->m_pszName;
        url += '=';
        url += value;
        separator = '&';
    }
    return url;
}

void CConnectionFile::SetParameterData(const CConnectionParameterData& parameters)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csTable, true);
    m_cParameters = parameters;
}

lib::CMallocBuffer CConnectionFile::CreatePostData(uint32_t id, uint32_t& size)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csTable, true);
    return _BuildPostData(id, size);
}

lib::CMallocBuffer CConnectionFile::CreatePostData(uint32_t id,
                                                   const CConnectionParameterData& parameters,
                                                   uint32_t& size)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csTable, true);
    m_cParameters = parameters;
    return _BuildPostData(id, size);
}

lib::CMallocBuffer CConnectionFile::CreateMultiPartData(uint32_t id, uint32_t& size)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csTable, true);
    return _BuildMultiPartData(id, size);
}

lib::CMallocBuffer CConnectionFile::CreateMultiPartData(uint32_t id,
                                                        const CConnectionParameterData& parameters,
                                                        uint32_t& size)
{
    lib::wfc::CCriticalSection::CLock lock(&m_csTable, true);
    m_cParameters = parameters;
    return _BuildMultiPartData(id, size);
}

const ConnectionEntry* CConnectionFile::_EntryForBody(uint32_t id)
{
    if (!_LoadIfEmpty()) {
        TOLVE_LOG(LOG_ERROR, "送信データ作成失敗:Connection.info読取失敗");
        return nullptr;
    }
    const ConnectionEntry* entry = _Find(id);
    if (entry == nullptr) TOLVE_LOG(LOG_ERROR, "送信データ作成失敗:該当リストなし");
    return entry;
}

lib::CMallocBuffer CConnectionFile::_BuildPostData(uint32_t id, uint32_t& size)
{
    size = 0;
    const ConnectionEntry* entry = _EntryForBody(id);
    if (entry == nullptr) return nullptr;
    CBodyBuffer body;
    std::string value;
    bool grown = true;
    for (size_t i = 0; i < entry->m_vecParameterIds.size() && grown; ++i) {
        const uint32_t parameterId = entry->m_vecParameterIds[i];
        m_cParameters.GetValue(parameterId, value);
        const char* name = ParameterName(parameterId);
        grown = (i == 0 || body.Append("&", 1)) && body.Append(name, std::strlen(name)) &&
                body.Append("=", 1) && body.Append(value);
    }
    if (!grown) {
        TOLVE_LOG(LOG_ERROR, "送信データ作成失敗:メモリ確保失敗");
        return nullptr;
    }
    if (body.Size() == 0) {
        TOLVE_LOG(LOG_ERROR, "送信データ作成失敗");
        return nullptr;
    }
    size = static_cast<uint32_t>(body.Size());
    std::string logged = MaskSecretsForLog(body.Data(), body.Size());
    logged.resize(lib::DbcsCutLength(logged.c_str(), kLoggedBodyBytes));
    TOLVE_LOG(LOG_DEBUG, "送信データ(%dbyte)：%s", static_cast<int>(size), logged.c_str());
    return body.Release();
}

lib::CMallocBuffer CConnectionFile::_BuildMultiPartData(uint32_t id, uint32_t& size)
{
    size = 0;
    const ConnectionEntry* entry = _EntryForBody(id);
    if (entry == nullptr) return nullptr;
    const std::string boundaryLine = std::string("--") + MULTIPART_BOUNDARY + "\r\n";
    CBodyBuffer body;
    std::string value;
    for (const uint32_t parameterId : entry->m_vecParameterIds) {
        const ParameterDefinition* definition = FindParameterDefinition(parameterId);
        const bool required =
            definition == nullptr || (definition->m_uFlags & PARAMETER_FLAG_REQUIRED) != 0;
        const std::string name = ParameterName(parameterId);
        m_cParameters.GetValue(parameterId, value);
        // Part headers grow as needed: a long file name never cuts one.
        std::string header = "Content-Disposition: form-data; name=\"" + name + "\"";
        lib::CHandle file;
        uint64_t length = value.size();
        const bool isFile = name == "file";
        if (isFile) {
            header += "; filename=\"" + lib::PathFindFileNameStr(value) +
                      "\"\r\nContent-Type: application/octet-stream";
            *file.Out() = CreateFileA(value.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            LARGE_INTEGER fileSize = {};
            if (!file.IsValid() || !GetFileSizeEx(file.Get(), &fileSize)) {
                TOLVE_LOG(LOG_ERROR, "送信データ作成失敗:ファイルオープン失敗 PATH:%s", value.c_str());
                return nullptr;
            }
            length = static_cast<uint64_t>(fileSize.QuadPart);
        }
        header += "\r\n\r\n";
        if (length == 0) {
            if (!required) continue;
            TOLVE_LOG(LOG_ERROR, "送信データ作成失敗:必須データなし");
            return nullptr;
        }
        if (!body.Append(boundaryLine) || !body.Append(header) || length > kMaxBodySize ||
            !body.Reserve(static_cast<size_t>(length) + 2)) {
            TOLVE_LOG(LOG_ERROR, "送信データ作成失敗:メモリ確保失敗");
            return nullptr;
        }
        if (isFile) {
            DWORD read = 0;
            if (!ReadFile(file.Get(), body.End(), static_cast<DWORD>(length), &read, nullptr) ||
                read != length) {
                TOLVE_LOG(LOG_ERROR, "送信データ作成失敗:ファイル読込み失敗 PATH:%s ERR:0x%08X",
                          value.c_str(), static_cast<uint32_t>(GetLastError()));
                return nullptr;
            }
            body.Grow(read);
        } else {
            body.Append(value);
        }
        body.Append("\r\n", 2);
    }
    const std::string closing = std::string("--") + MULTIPART_BOUNDARY + "--";
    if (!body.Append(closing)) {
        TOLVE_LOG(LOG_ERROR, "送信データ作成失敗:メモリ確保失敗");
        return nullptr;
    }
    size = static_cast<uint32_t>(body.Size());
    TOLVE_LOG(LOG_DEBUG, "送信データ(%dbyte)", static_cast<int>(size));
    return body.Release();
}
