#include "online/ConnectionParameterData.h"

#include "carddata/UserListCodec.h"
#include "lib/DbcsText.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"
#include "online/WebBrowseHelper.h"

#include <cstring>
#include <iterator>

namespace {

const uint32_t E = PARAMETER_FLAG_URL_ENCODE;
const uint32_t R = PARAMETER_FLAG_REQUIRED;

// The parameters of every request, in the order the lookups search them. The names
// "type01_%02d" to "cl_%02d" keep their placeholders: that is how they go on the wire.
const ParameterDefinition kParameters[] = {
    {1, PARAMETER_KIND_TEXT, -1, E | R, "nick", "%s"},
    {2, PARAMETER_KIND_TEXT, -1, E | R, "pass", "%s"},
    {3, PARAMETER_KIND_TEXT, -1, E | R, "deviceno", "%016I64X"},
    {4, PARAMETER_KIND_TEXT, -1, E | R, "deviceNo", "%016I64X"},
    {5, PARAMETER_KIND_IDENTIFIER, 16, E | R, "ccid", "%04d%04d%08"},
    {6, PARAMETER_KIND_IDENTIFIER, 16, E | R, "id", "%016I64X"},
    {7, PARAMETER_KIND_TEXT, -1, E | R, "ccid", "%s"},
    {8, PARAMETER_KIND_NUMBER, 4, E | R, "ccid_head", "%08X"},
    {9, PARAMETER_KIND_NUMBER, 4, E | R, "halfCcid", "%08X"},
    {10, PARAMETER_KIND_VERSION, 9, R, "aplver", "%X.%06X"},
    {11, PARAMETER_KIND_NUMBER, 4, E | R, "apltype", "%04d"},
    {30, PARAMETER_KIND_NUMBER, 2, E | R, "fc", "%02d"},
    {70, PARAMETER_KIND_NUMBER, 1, E | R, "fc", "%d"},
    {31, PARAMETER_KIND_TEXT, 10, E, "uid", "%s"},
    {32, PARAMETER_KIND_TEXT, -1, R, "otp", "%s"},
    {33, PARAMETER_KIND_NUMBER, -1, R, "map_ver", "-/%d.%06d"},
    {34, PARAMETER_KIND_NUMBER, 1, R, "comp_type", "%d"},
    {35, PARAMETER_KIND_NUMBER, 1, R, "class", "%d"},
    {36, PARAMETER_KIND_NUMBER, 3, R, "vics", "%d"},
    {37, PARAMETER_KIND_NUMBER, 10, R, "max", "%d"},
    {38, PARAMETER_KIND_TEXT, -1, R, "range", "%s"},
    {39, PARAMETER_KIND_TEXT, -1, R, "geo", "%s"},
    {40, PARAMETER_KIND_NUMBER, 1, R, "accuracy", "%d"},
    {41, PARAMETER_KIND_TEXT, -1, R, "target_point", "%s"},
    {42, PARAMETER_KIND_TEXT, -1, R, "base_point", "%s"},
    {43, PARAMETER_KIND_NUMBER, 4, R, "map_year", "%d"},
    {44, PARAMETER_KIND_NUMBER, 4, R, "max_link", "%d"},
    {45, PARAMETER_KIND_NUMBER, 1, R, "crypto_type", "%d"},
    {48, PARAMETER_KIND_NUMBER, 4, R, "vics_link_year", "%d"},
    {50, PARAMETER_KIND_TEXT, -1, E, "dat", "%s"},
    {60, PARAMETER_KIND_HEX_BYTE, 2, E | R, "type01", "%02X"},
    {61, PARAMETER_KIND_HEX_BYTE, 2, E, "type02", "%02X"},
    {62, PARAMETER_KIND_NUMBER, -1, R, "year", "%04d年度版"},
    {63, PARAMETER_KIND_TEXT, 9, E | R, "ver", "%s"},
    {71, PARAMETER_KIND_NUMBER, -1, E | R, "count_data", "%d"},
    {72, PARAMETER_KIND_HEX_BYTE, 2, E, "type01_%02d", "%02X"},
    {73, PARAMETER_KIND_HEX_BYTE, 2, E, "type02_%02d", "%02X"},
    {74, PARAMETER_KIND_NUMBER, 9, E, "ver_%02d", "%09X"},
    {75, PARAMETER_KIND_DATE_TIME, -1, E, "date_%02d", "%04d%02d%02d%02d%02d%02d"},
    {76, PARAMETER_KIND_HEX_BYTE, 1, E, "cl_%02d", "%d"},
    {77, PARAMETER_KIND_NUMBER, 10, R, "speed", "%d"},
    {78, PARAMETER_KIND_NUMBER, 1, 0, "circuit_type", "%d"},
    {80, PARAMETER_KIND_VERSION, 9, 0, "mapver", "%X.%06X"},
    {81, PARAMETER_KIND_VERSION, 9, 0, "searchver", "%X.%06X"},
    {82, PARAMETER_KIND_VERSION, 9, 0, "naviaplver", "%X.%06X"},
    {83, PARAMETER_KIND_VERSION, 9, E | R, "btfwver", "%X.%06X"},
    {84, PARAMETER_KIND_VERSION, 9, 0, "orbisver", "%X.%06X"},
    {85, PARAMETER_KIND_TEXT, -1, R, "aplver", "%s"},
    {86, PARAMETER_KIND_NUMBER, 9, 0, "pellickver", "%X"},
    {87, PARAMETER_KIND_VERSION, 9, 0, "hudmapver", "%X.%06X"},
    {88, PARAMETER_KIND_VERSION, 9, 0, "hudaplver", "%X.%06X"},
    {89, PARAMETER_KIND_NUMBER, 4, 0, "hudaplyear", "%d"},
    {90, PARAMETER_KIND_NUMBER, 1, 0, "mapstat", "%d"},
    {91, PARAMETER_KIND_NUMBER, 1, 0, "searchstat", "%d"},
    {92, PARAMETER_KIND_NUMBER, 1, 0, "naviaplstat", "%d"},
    {93, PARAMETER_KIND_NUMBER, 1, 0, "orbisstat", "%d"},
    {94, PARAMETER_KIND_NUMBER, 1, 0, "pellickstat", "%d"},
    {95, PARAMETER_KIND_NUMBER, 1, 0, "hudmapstat", "%d"},
    {96, PARAMETER_KIND_NUMBER, 1, 0, "hudaplstat", "%d"},
    {200, PARAMETER_KIND_TEXT, -1, E | R, "UserAgent", "%s"},
    {201, PARAMETER_KIND_TEXT, -1, R, "pcsoft-userAgent", "%s"},
    {202, PARAMETER_KIND_NUMBER, 9, E | R, "functionCode", "%d"},
    {203, PARAMETER_KIND_TEXT, -1, E, "nickname", "%s"},
    {204, PARAMETER_KIND_TEXT, -1, E | R, "ver", "%s"},
    {205, PARAMETER_KIND_NUMBER, -1, E | R, "datayear", "%04d"},
    {46, PARAMETER_KIND_NUMBER, 6, E | R, "navimodel", "%s"},
    {47, PARAMETER_KIND_NUMBER, 16, E | R, "maker", "%s"},
    {97, PARAMETER_KIND_NUMBER, -1, R, "file", "%s"},
    {206, PARAMETER_KIND_TEXT, 6, R, "gamen_id", "%s"},
    {207, PARAMETER_KIND_TEXT, 4, R, "pre_gamen_id", "%s"},
    {208, PARAMETER_KIND_TEXT, -1, E | R, "no", "%016I64X"},
    {209, PARAMETER_KIND_NUMBER, -1, R, "year", "%04d"},
    {210, PARAMETER_KIND_TEXT, -1, R, "nickname", "%s"},
};
static_assert(std::size(kParameters) == 73, "the parameter table has 73 rows");

// Values that log lines never show.
const uint32_t kSecretParameters[] = {2 /* pass */, 32 /* otp */};

// The number formats that print at most this many characters are stored whole.
const size_t kNumberTextMax = 19;

const ParameterDefinition* FindDefinitionOfKind(uint32_t id, uint32_t kind)
{
    const ParameterDefinition* definition = FindParameterDefinition(id);
    return definition != nullptr && definition->m_uKind == kind ? definition : nullptr;
}

// True when the format's conversions are exactly `count` integer conversions of an int
// (flags, width and precision allowed, no length modifier, no "*"): only such a format may
// be given 32-bit numbers.
bool PrintsIntegers(const char* format, int count)
{
    int found = 0;
    for (const char* p = format; *p;) {
        if (*p != '%') {
            p += lib::DbcsCharSize(p);
            continue;
        }
        ++p;
        if (*p == '%') {
            ++p;
            continue;
        }
        while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr) ++p;
        while (*p >= '0' && *p <= '9') ++p;
        if (*p == '.') {
            ++p;
            while (*p >= '0' && *p <= '9') ++p;
        }
        if (*p == '\0' || std::strchr("diouxX", *p) == nullptr) return false;
        ++p;
        ++found;
    }
    return found == count;
}

const char* FindByte(const char* p, const char* end, char c)
{
    const void* found = std::memchr(p, c, static_cast<size_t>(end - p));
    return found != nullptr ? static_cast<const char*>(found) : end;
}

// True when the text at p starts with a parameter name of the table followed by "=".
bool StartsWithParameterName(const char* p, const char* end)
{
    for (const ParameterDefinition& definition : kParameters) {
        const size_t length = std::strlen(definition.m_pszName);
        if (static_cast<size_t>(end - p) > length && std::memcmp(p, definition.m_pszName, length) == 0 &&
            p[length] == '=') {
            return true;
        }
    }
    return false;
}

// The parameter names whose values a log line never shows, in any letter case: the
// one-time-password reply names its password "PASS".
bool IsSecretParameterName(const char* name, size_t length)
{
    for (const uint32_t id : kSecretParameters) {
        const char* secret = FindParameterDefinition(id)->m_pszName;
        if (std::strlen(secret) != length) continue;
        size_t i = 0;
        while (i < length && (name[i] | 0x20) == secret[i]) ++i;
        if (i == length) return true;
    }
    return false;
}

} // namespace

const ParameterDefinition* FindParameterDefinition(uint32_t id)
{
    for (const ParameterDefinition& definition : kParameters) {
        if (definition.m_uId == id) return &definition;
    }
    return nullptr;
}

std::string MaskSecretsForLog(const char* body, size_t size)
{
    std::string masked;
    if (body == nullptr) return masked;
    const char* const end = body + size;
    const char* p = body;
    while (p < end) {
        const char* pairEnd = FindByte(p, end, '&');
        const char* equals = FindByte(p, pairEnd, '=');
        if (equals == pairEnd || !IsSecretParameterName(p, static_cast<size_t>(equals - p))) {
            masked.append(p, pairEnd);
        } else {
            masked.append(p, equals + 1);
            masked += "***";
            while (pairEnd < end && !StartsWithParameterName(pairEnd + 1, end)) {
                pairEnd = FindByte(pairEnd + 1, end, '&');
            }
        }
        if (pairEnd == end) break;
        masked += '&';
        p = pairEnd + 1;
    }
    return masked;
}

void CConnectionParameterData::SetNumber(uint32_t id, uint32_t value)
{
    const ParameterDefinition* definition = FindDefinitionOfKind(id, PARAMETER_KIND_NUMBER);
    if (definition == nullptr) return;
    if (!PrintsIntegers(definition->m_pszFormat, 1)) {
        TOLVE_LOG(LOG_ERROR, "数値パラメータ設定不可 ID:%u 書式:%s", id, definition->m_pszFormat);
        return;
    }
    std::string text = lib::FormatString(definition->m_pszFormat, value);
    text.resize(lib::DbcsCutLength(text.c_str(), kNumberTextMax));
    _Store(id, definition, text);
}

void CConnectionParameterData::SetString(uint32_t id, const char* text)
{
    const ParameterDefinition* definition = FindParameterDefinition(id);
    if (definition == nullptr) return;
    std::string value = text != nullptr ? text : "";
    if (definition->m_iMaxLength >= 0) {
        value.resize(lib::DbcsCutLength(value.c_str(), static_cast<size_t>(definition->m_iMaxLength)));
    }
    _Store(id, definition, value);
}

void CConnectionParameterData::SetCcid(uint32_t id, uint32_t value)
{
    m_mapValues[id] = URLEncode(lib::FormatString("%04d%04X", value & 0xFFFF, value >> 16).c_str());
}

void CConnectionParameterData::SetVersion(uint32_t id, uint32_t value)
{
    const ParameterDefinition* definition = FindDefinitionOfKind(id, PARAMETER_KIND_VERSION);
    if (definition == nullptr || !PrintsIntegers(definition->m_pszFormat, 2)) return;
    const std::string text =
        value == 0 ? std::string()
                   : lib::FormatString(definition->m_pszFormat, value >> 24, value & 0xFFFFFF);
    _Store(id, definition, text);
    TOLVE_LOG(LOG_ERROR, "[%d]: [%s]", static_cast<int>(id), text.c_str());
}

bool CConnectionParameterData::SetUserAuthentication(const char* nick, const char* pass,
                                                     const char* deviceNo, uint32_t ccidHead)
{
    if (nick == nullptr || pass == nullptr || deviceNo == nullptr || ccidHead == 0) return false;
    SetString(1, nick);
    SetString(2, pass);
    SetString(3, deviceNo);
    SetCcid(8, ccidHead);
    return true;
}

bool CConnectionParameterData::SetDeviceInfo(const char* nick, const char* pass)
{
    if (nick == nullptr || pass == nullptr) return false;
    SetString(1, nick);
    SetString(2, pass);
    return true;
}

bool CConnectionParameterData::SetOneTimePassword(const char* deviceNo, uint32_t ccidHead,
                                                  uint32_t functionCode)
{
    if (deviceNo == nullptr || ccidHead == 0) return false;
    SetString(4, deviceNo);
    SetCcid(9, ccidHead);
    SetNumber(30, functionCode);
    return true;
}

bool CConnectionParameterData::SetProbeParameter(const char* nickname, const char* ccid,
                                                 const char* uid, uint32_t functionCode)
{
    if (ccid == nullptr || uid == nullptr) return false;
    SetString(210, nickname);
    SetString(7, ccid);
    SetString(31, uid);
    SetNumber(30, functionCode);
    return true;
}

bool CConnectionParameterData::SetProbeUploadParameter(uint32_t mapVersion, uint32_t aplVersion,
                                                       const char* maker, const char* naviModel,
                                                       const char* nickname, const char* ccid,
                                                       const char* uid, uint32_t functionCode)
{
    if (ccid == nullptr || uid == nullptr) return false;
    SetVersion(80, mapVersion);
    SetVersion(10, aplVersion);
    SetString(47, maker);
    SetString(46, naviModel);
    SetString(210, nickname);
    SetString(7, ccid);
    SetString(31, uid);
    SetNumber(30, functionCode);
    return true;
}

bool CConnectionParameterData::SetODVParameter(const char* ccid, const char* otp,
                                               uint32_t mapVersion, uint32_t vics,
                                               const char* targetPoint, const char* basePoint,
                                               uint32_t linkYear, const char* range,
                                               uint32_t compType, uint32_t classValue,
                                               uint32_t maxValue, const char* geo,
                                               uint32_t accuracy, uint32_t maxLink,
                                               uint32_t cryptoType)
{
    if (ccid == nullptr || otp == nullptr || mapVersion == 0 || vics == 0 ||
        targetPoint == nullptr || basePoint == nullptr || linkYear == 0) {
        return false;
    }
    SetString(7, ccid);
    SetString(32, otp);
    SetString(41, targetPoint);
    SetString(42, basePoint);
    SetString(38, range);
    SetString(39, geo);
    // map_ver prints two numbers, which no setter does: it is formatted here.
    const ParameterDefinition* mapVer = FindParameterDefinition(33);
    if (PrintsIntegers(mapVer->m_pszFormat, 2)) {
        _Store(33, mapVer,
               lib::FormatString(mapVer->m_pszFormat, mapVersion >> 24, mapVersion & 0xFFFFFF));
    }
    SetNumber(36, vics);
    SetNumber(34, compType);
    SetNumber(35, classValue);
    SetNumber(37, maxValue);
    SetNumber(40, accuracy);
    SetNumber(44, maxLink);
    SetNumber(45, cryptoType);
    SetNumber(48, static_cast<uint32_t>(HexDigitsAsDecimal(linkYear)));
    return true;
}

bool CConnectionParameterData::SetLogUploadCheck(const char* deviceNo, uint32_t ccidHead)
{
    if (deviceNo == nullptr || ccidHead == 0) return false;
    SetCcid(8, ccidHead);
    SetString(3, deviceNo);
    return true;
}

bool CConnectionParameterData::SetLogUpload(const char* deviceNo, uint32_t ccidHead,
                                            const char* filePath)
{
    if (deviceNo == nullptr || ccidHead == 0 || filePath == nullptr) return false;
    SetCcid(8, ccidHead);
    SetString(3, deviceNo);
    SetString(97, filePath);
    return true;
}

bool CConnectionParameterData::GetValue(uint32_t id, std::string& value) const
{
    const auto found = m_mapValues.find(id);
    if (found == m_mapValues.end()) {
        value.clear();
        return false;
    }
    value = found->second;
    return true;
}

void CConnectionParameterData::_Store(uint32_t id, const ParameterDefinition* definition,
                                      const std::string& text)
{
    m_mapValues[id] =
        (definition->m_uFlags & PARAMETER_FLAG_URL_ENCODE) != 0 ? URLEncode(text.c_str()) : text;
}
