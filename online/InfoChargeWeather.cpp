#include "online/InfoChargeWeather.h"

#include "carddata/BuiltinAccount.h"
#include "carddata/UserAgent.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/ConnectionFile.h"
#include "online/WinHttpWrapper.h"

#include <algorithm>
#include <cstring>

namespace {

// Request 11: the weather service's folder, to which a file's name is appended.
const uint32_t kRequestWeather = 11;
// The built-in account goes into buffers of this size.
const uint32_t kAccountBufferSize = 64;
// A failed request whose status, with the client's status mark taken off, is this: the
// service refused the account.
const uint32_t kStatusUnauthorized = 401;

// The card files, in the order in which they are written.
enum CardFile : uint32_t {
    WT_INFO,
    WT_DATA,
    AMDSINFO,
    AMDSDATA,
    AMDSPNT,
    SNOWDATA,
    SNOWPNT,
    WTCWDATA,
    WT_WINFO,
    WT_WDATA,
    WTWPDATA,
    WTWPLIST,
};

// A card file: its path after the drive letter, its fixed size, and its preset: zeros,
// except the bytes from m_uFillFrom up to m_uFillTo, which repeat the two fill bytes. The
// fill marks the end of the data for the unit, so it stays wherever a reply is shorter.
struct CardFileSpec {
    const char* m_pszPath;
    uint32_t m_uCapacity;
    uint32_t m_uFillFrom;
    uint32_t m_uFillTo;
    uint8_t m_abyFill[2];
};

const CardFileSpec kCardFiles[WEATHER_CARD_FILE_COUNT] = {
    {":\\PC\\WEATHER\\WT_INFO.DAT", 556, 0, 0, {0, 0}},
    {":\\PC\\WEATHER\\WT_DATA.DAT", 46200, 43800, 46200, {0xFF, 0x80}}, // 16-bit words 0x80FF
    {":\\PC\\WEATHER\\AMDSINFO.DAT", 84, 0, 0, {0, 0}},
    {":\\PC\\WEATHER\\AMDSDATA.DAT", 13500, 0, 0, {0, 0}},
    {":\\PC\\WEATHER\\AMDSPNT.DAT", 39000, 0, 0, {0, 0}},
    {":\\PC\\WEATHER\\SNOWDATA.DAT", 1400, 0, 0, {0, 0}},
    {":\\PC\\WEATHER\\SNOWPNT.DAT", 9100, 0, 0, {0, 0}},
    {":\\PC\\WEATHER\\WTCWDATA.DAT", 11550, 10950, 11550, {0xFF, 0xFF}},
    {":\\PC\\WEATHER\\WT_WINFO.DAT", 316, 0, 0, {0, 0}},
    // The last byte stays 0.
    {":\\PC\\WEATHER\\WT_WDATA.DAT", 21176, 20075, 21175, {0xFF, 0xFF}},
    {":\\PC\\WEATHER\\WTWPDATA.DAT", 1604, 0, 0, {0, 0}},
    {":\\PC\\WEATHER\\WTWPLIST.DAT", 2600, 0, 0, {0, 0}},
};

// An index file and where its reply goes: "all1.man" fills the end of WT_INFO, after
// "all.man".
struct IndexFileSpec {
    const char* m_pszName;
    CardFile m_eFile;
    uint32_t m_uOffset;
    uint32_t m_uCapacity;
};

const IndexFileSpec kIndexFiles[WEATHER_INDEX_FILE_COUNT] = {
    {"all.man", WT_INFO, 0, 556},
    {"all3.man", WT_WINFO, 0, 316},
    {"am_al.man", AMDSINFO, 0, 84},
    {"all1.man", WT_INFO, 540, 16},
};

// A data file: the card file its reply fills, and where in an index buffer its name stands.
struct DataFileSpec {
    CardFile m_eFile;
    CardFile m_eNameFile;
    uint32_t m_uNameOffset;
};

const DataFileSpec kDataFiles[WEATHER_DATA_FILE_COUNT] = {
    {WT_DATA, WT_INFO, 524},   {AMDSDATA, AMDSINFO, 6},  {AMDSPNT, AMDSINFO, 28},
    {SNOWDATA, AMDSINFO, 48},  {SNOWPNT, AMDSINFO, 70},  {WT_WDATA, WT_WINFO, 12},
    {WTWPDATA, WT_WINFO, 25},  {WTWPLIST, WT_WINFO, 38}, {WTCWDATA, WT_INFO, 540},
};

bool IsControlCharacter(unsigned char c) { return c < 0x20 || c == 0x7F; }

// A name from an index file may hold anything: control characters go into the log as
// "\xNN", so that a line stays one line.
std::string PrintableName(const std::string& name)
{
    std::string text;
    for (const char c : name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        text += IsControlCharacter(byte) ? lib::FormatString("\\x%02X", byte) : std::string(1, c);
    }
    return text;
}

} // namespace

CInfoChargeWeather::CInfoChargeWeather()
    : CCharge(CHARGTYPE_WEATHER)
    , m_uLastCardError(0)
{
    for (uint32_t file = 0; file < WEATHER_CARD_FILE_COUNT; ++file) {
        m_vecFiles[file].resize(kCardFiles[file].m_uCapacity);
        _Preset(file, 0, kCardFiles[file].m_uCapacity);
    }
}

uint32_t CInfoChargeWeather::_Proc()
{
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeWeather::_Proc - Start");
    if (!_IsSDExists()) {
        TOLVE_LOG(LOG_INFO, "%s", "処理開始時のSD無し");
        return CHARGE_RESULT_NO_CARD;
    }
    // An error of an earlier run is no part of this one's messages.
    m_uLastCardError = 0;
    _SaveHistory(CHARGE_HISTORY_STARTED, CHARGE_RESULT_SUCCESS);
    _NotifyProgress(0);

    uint32_t code = _GetALLInfo();
    if (code == CHARGE_RESULT_SUCCESS) {
        _NotifyProgress(33);
        code = _GetALLData();
    }
    if (code == CHARGE_RESULT_SUCCESS) {
        if (!_IsSDExists()) {
            TOLVE_LOG(LOG_INFO, "%s", "日時データ保存時のSD無し");
            return CHARGE_RESULT_NO_CARD;
        }
        _NotifyProgress(66);
        code = _WritingALLData();
    }
    if (code != CHARGE_RESULT_SUCCESS) {
        _NotifyError(code, m_uLastCardError);
        _SaveHistory(CHARGE_HISTORY_FAILED, code);
        return code;
    }

    _NotifyProgress(100);
    _SaveHistory(CHARGE_HISTORY_SUCCEEDED, CHARGE_RESULT_SUCCESS);
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeWeather::_Proc SUCCED- End");
    return CHARGE_RESULT_SUCCESS;
}

uint32_t CInfoChargeWeather::_GetALLInfo()
{
    for (uint32_t index = 0; index < WEATHER_INDEX_FILE_COUNT; ++index) {
        const uint32_t code = GetWtInfo(index, kIndexFiles[index].m_pszName);
        if (code != CHARGE_RESULT_SUCCESS) {
            TOLVE_LOG(LOG_INFO, "_GetWtInfo nRet:[ERR:0x%08X]", code);
            return code;
        }
    }
    if (!_IsSDExists()) {
        TOLVE_LOG(LOG_INFO, "%s", "_IsSDExists NO SD Card");
        return CHARGE_RESULT_NO_CARD;
    }
    if (IsAbort()) {
        TOLVE_LOG(LOG_INFO, "%s", "after transmission setting is confirmed");
        return CHARGE_RESULT_ABORTED;
    }
    return CHARGE_RESULT_SUCCESS;
}

uint32_t CInfoChargeWeather::_GetALLData()
{
    // All names first: they come from the index files, which the data files never change.
    std::string names[WEATHER_DATA_FILE_COUNT];
    for (uint32_t index = 0; index < WEATHER_DATA_FILE_COUNT; ++index) {
        names[index] = _DataFileName(index);
    }
    for (uint32_t index = 0; index < WEATHER_DATA_FILE_COUNT; ++index) {
        const uint32_t code = GetWtData(index, names[index].c_str());
        if (code != CHARGE_RESULT_SUCCESS) {
            TOLVE_LOG(LOG_INFO, "%s", "CInfoChargeWeather::_GetALLData _GetWtData");
            return code;
        }
    }
    if (!_IsSDExists()) {
        TOLVE_LOG(LOG_INFO, "%s", "CInfoChargeWeather::_GetALLData _IsSDExists");
        return CHARGE_RESULT_NO_CARD;
    }
    if (IsAbort()) {
        TOLVE_LOG(LOG_INFO, "%s",
                  "CInfoChargeWeather::_GetALLData after transmission setting is confirmed");
        return CHARGE_RESULT_ABORTED;
    }
    return CHARGE_RESULT_SUCCESS;
}

uint32_t CInfoChargeWeather::GetWtInfo(uint32_t index, const char* fileName)
{
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeWeather::GetWtInfo - Start");
    if (index >= WEATHER_INDEX_FILE_COUNT || fileName == nullptr) {
        TOLVE_LOG(LOG_ERROR, "_GetWtInfo no such index file[%u]", index);
        return CHARGE_RESULT_REQUEST_BODY;
    }
    static const FetchTexts texts = {
        "_GetWtInfo DIGEST_ID_PS failure",
        "_GetWtInfo Initialize failure[ERR:0x%08X]",
        "_GetWtInfo Connect failure[ERR:0x%08X]",
        "_GetWtInfo after transmission setting is confirmed",
        "_GetWtInfo _IsSDExists NO SD Card",
        "_GetWtInfo GetResponse failure[nResponse:0x%08X]",
        "_GetWtInfo RequestAbort",
        "_GetWtInfo RequestAbort failure ERR:0x%08X",
        "_GetWtInfo reply cut to its buffer[%s SIZE:%u LIMIT:%u]",
    };
    CWinHttpWrapper client;
    const uint32_t code = _Fetch(client, fileName, texts);
    if (code == CHARGE_RESULT_SUCCESS) {
        const IndexFileSpec& spec = kIndexFiles[index];
        _TakeReply(client, spec.m_eFile, spec.m_uOffset, spec.m_uCapacity, fileName,
                   texts.m_pszCut);
    }
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeWeather::GetWtInfo - End");
    return code;
}

uint32_t CInfoChargeWeather::GetWtData(uint32_t index, const char* fileName)
{
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeWeather::GetWtData - Start");
    if (index >= WEATHER_DATA_FILE_COUNT || fileName == nullptr) {
        TOLVE_LOG(LOG_ERROR, "_GetWtData no such data file[%u]", index);
        return CHARGE_RESULT_REQUEST_BODY;
    }
    const DataFileSpec& spec = kDataFiles[index];
    const uint32_t capacity = kCardFiles[spec.m_eFile].m_uCapacity;
    const std::string name = fileName;
    // A name is a file in the service's folder: one with a control character is no name the
    // service gives, and would break the request line. The file keeps its preset, as it does
    // for an empty reply.
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return IsControlCharacter(static_cast<unsigned char>(c)); })) {
        TOLVE_LOG(LOG_ERROR, "_GetWtData 制御文字を含むファイル名 FileType::%u[%s]", index,
                  PrintableName(name).c_str());
        _Preset(spec.m_eFile, 0, capacity);
        TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeWeather::GetWtData - End");
        return CHARGE_RESULT_SUCCESS;
    }

    static const FetchTexts texts = {
        "ダイジェスト認証取得失敗",
        "天気予報データファイル 設定要求初期化時の失敗[ERR:0x%08X]",
        "天気予報データファイル 設定要求接続時の失敗[ERR:0x%08X]",
        "_GetWtData after transmission setting is confirmed",
        "_GetWtData _IsSDExists NO SD Card",
        "天気予報データファイル 設定要求ダウンロード時の失敗[nResponse:0x%08X]",
        "天気予報データファイル 取得 サーバー中断",
        "天気予報データファイル 取得待機時の致命的エラー ERR:0x%08X",
        "_GetWtData reply cut to its buffer[%s SIZE:%u LIMIT:%u]",
    };
    CWinHttpWrapper client;
    const uint32_t code = _Fetch(client, fileName, texts);
    if (code == CHARGE_RESULT_SUCCESS) {
        if (client.GetResponseData() == nullptr || client.GetResponseSize() == 0) {
            TOLVE_LOG(LOG_INFO, "_GetWtData QZLERROR_NODATA FileType::%u", index);
        }
        _TakeReply(client, spec.m_eFile, 0, capacity, fileName, texts.m_pszCut);
    }
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeWeather::GetWtData - End");
    return code;
}

uint32_t CInfoChargeWeather::_Fetch(CWinHttpWrapper& client, const char* fileName,
                                    const FetchTexts& texts)
{
    char id[kAccountBufferSize] = {};
    char password[kAccountBufferSize] = {};
    if (!GetBuiltinAccount(id, sizeof id, password, sizeof password)) {
        TOLVE_LOG(LOG_ERROR, "%s", texts.m_pszNoAccount);
        return CHARGE_RESULT_NO_SERVICE_ACCOUNT;
    }
    const std::string url = CConnectionFile::GetInstance().GetURL(kRequestWeather) + fileName;
    if (!client.Initialize(url.c_str(), 0, nullptr, true)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, texts.m_pszInitializeFailed, static_cast<uint32_t>(error));
        return error | CHARGE_RESULT_TRANSPORT;
    }
    const std::wstring userAgent = GetUserAgent(GetDriveLetter()).GetUserAgentW();
    if (!client.Connect(HTTP_VERB_GET, userAgent.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, texts.m_pszConnectFailed, static_cast<uint32_t>(error));
        return error | CHARGE_RESULT_TRANSPORT;
    }
    if (IsAbort()) {
        TOLVE_LOG(LOG_INFO, "%s", texts.m_pszAbort);
        return CHARGE_RESULT_ABORTED;
    }
    if (!_IsSDExists()) {
        TOLVE_LOG(LOG_INFO, "%s", texts.m_pszNoCard);
        return CHARGE_RESULT_NO_CARD;
    }

    const HANDLE thread = client.SendRequest(id, password);
    SecureZeroMemory(password, sizeof password);
    _OnRequestSent();
    // The request thread has just started and may be inside WinHTTP: it gets the same time
    // to end as a request aborted while it runs, so that it is never cut off in there.
    if (!_IsSDExists()) {
        client.RequestAbort(WEATHER_ABORT_WAIT_MS);
        TOLVE_LOG(LOG_INFO, "%s", texts.m_pszNoCard);
        return CHARGE_RESULT_NO_CARD;
    }
    if (IsAbort()) {
        client.RequestAbort(WEATHER_ABORT_WAIT_MS);
        TOLVE_LOG(LOG_INFO, "%s", texts.m_pszAbort);
        return CHARGE_RESULT_ABORTED;
    }

    const HANDLE handles[2] = {thread, GetAbortEvent()};
    const DWORD waited = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (waited == WAIT_OBJECT_0) {
        const uint32_t result = client.GetResult();
        if (result == 0) return CHARGE_RESULT_SUCCESS;
        TOLVE_LOG(LOG_ERROR, texts.m_pszResponseFailed, result);
        return (result & ~HTTP_RESULT_STATUS_FLAG) == kStatusUnauthorized
                   ? CHARGE_RESULT_DIGEST_REFUSED
                   : ChargeTransportResult(result);
    }
    if (waited == WAIT_OBJECT_0 + 1) {
        client.RequestAbort(WEATHER_ABORT_WAIT_MS);
        TOLVE_LOG(LOG_ERROR, "%s", texts.m_pszWaitAbort);
        return CHARGE_RESULT_ABORTED;
    }
    const DWORD error = GetLastError();
    client.RequestAbort(WEATHER_ABORT_WAIT_MS);
    TOLVE_LOG(LOG_ERROR, texts.m_pszWaitFailed, static_cast<uint32_t>(error));
    return CHARGE_RESULT_WAIT_FAILED;
}

void CInfoChargeWeather::_TakeReply(const CWinHttpWrapper& client, uint32_t cardFile,
                                    uint32_t offset, uint32_t capacity, const char* fileName,
                                    const char* cutText)
{
    _Preset(cardFile, offset, capacity);
    const char* reply = client.GetResponseData();
    const uint32_t size = reply != nullptr ? client.GetResponseSize() : 0;
    if (size > capacity) TOLVE_LOG(LOG_ERROR, cutText, fileName, size, capacity);
    if (size != 0) std::memcpy(&m_vecFiles[cardFile][offset], reply, std::min(size, capacity));
}

void CInfoChargeWeather::_Preset(uint32_t cardFile, uint32_t offset, uint32_t capacity)
{
    const CardFileSpec& spec = kCardFiles[cardFile];
    std::vector<uint8_t>& bytes = m_vecFiles[cardFile];
    for (uint32_t at = offset; at < offset + capacity; ++at) {
        const bool fill = at >= spec.m_uFillFrom && at < spec.m_uFillTo;
        bytes[at] = fill ? spec.m_abyFill[(at - spec.m_uFillFrom) % 2] : 0;
    }
}

std::string CInfoChargeWeather::_DataFileName(uint32_t index) const
{
    const DataFileSpec& spec = kDataFiles[index];
    const std::vector<uint8_t>& buffer = m_vecFiles[spec.m_eNameFile];
    const char* name = reinterpret_cast<const char*>(buffer.data()) + spec.m_uNameOffset;
    return std::string(name, strnlen(name, buffer.size() - spec.m_uNameOffset));
}

uint32_t CInfoChargeWeather::_WritingALLData()
{
    for (uint32_t file = 0; file < WEATHER_CARD_FILE_COUNT; ++file) {
        const uint32_t code = WritingWeatherData(kCardFiles[file].m_pszPath, m_vecFiles[file].data(),
                                                 kCardFiles[file].m_uCapacity);
        if (code != CHARGE_RESULT_SUCCESS) {
            TOLVE_LOG(LOG_ERROR, "%s", "CInfoChargeWeather::_WritingALLData _WritingWeatherData");
            return code;
        }
    }
    if (!_IsSDExists()) {
        TOLVE_LOG(LOG_INFO, "%s", "CInfoChargeWeather::_WritingALLData");
        return CHARGE_RESULT_NO_CARD;
    }
    if (IsAbort()) {
        TOLVE_LOG(LOG_INFO, "%s",
                  "CInfoChargeWeather::_WritingALLData after transmission setting is confirmed");
        return CHARGE_RESULT_ABORTED;
    }
    return CHARGE_RESULT_SUCCESS;
}

uint32_t CInfoChargeWeather::WritingWeatherData(const char* path, const uint8_t* buffer,
                                                uint32_t capacity)
{
    TOLVE_LOG(LOG_DEBUG, "CInfoChargeWeather::WritingWeatherData %s - Start", path);
    const char letter = GetDriveLetter();
    if (letter == 0) {
        TOLVE_LOG(LOG_ERROR, "%s", "QZLERROR_SD_ERROR");
        return CHARGE_RESULT_NO_DRIVE_LETTER;
    }
    const std::string fullPath = std::string(1, letter) + path;
    uint32_t error = 0;
    const uint32_t code = _WriteNewCardFile(fullPath, buffer, capacity, &error);
    if (code == CHARGE_RESULT_CARD_CREATE) {
        m_uLastCardError = error;
        TOLVE_LOG(LOG_ERROR, "CreateFile_Recover ERROR [ERR:0x%08X].%s",
                  CHARGE_RESULT_CARD_CREATE & CHARGE_DETAIL_MASK, fullPath.c_str());
        return code;
    }
    if (code == CHARGE_RESULT_CARD_WRITE) {
        m_uLastCardError = error;
        TOLVE_LOG(LOG_ERROR, "CInfoChargeWeather::WritingWeatherData WriteFile_Recover ERROR [ERR:0x%08X",
                  CHARGE_RESULT_CARD_WRITE & CHARGE_DETAIL_MASK);
        return code;
    }
    TOLVE_LOG(LOG_DEBUG, "%s", "CInfoChargeWeather::WritingWeatherData - End");
    return CHARGE_RESULT_SUCCESS;
}
