#include "online/ReplyAnalyzer.h"

#include "lib/RefString.h"
#include "lib/StringUtility.h"
#include "lib/TolveLog.h"

#include <cstdlib>
#include <cstring>

namespace {

const char kSeparator = '&';

// The body as text: at most `length` bytes, ending at a zero byte inside. False when there
// is no body or no memory for its copy.
bool CopyBody(const void* body, uint32_t length, lib::CRefString& text)
{
    if (body == nullptr || length == 0) return false;
    return text.AssignCopy(static_cast<const char*>(body), length);
}

bool BeginsWith(const char* text, const char* key)
{
    return std::strncmp(text, key, std::strlen(key)) == 0;
}

bool BeginsWith(const std::string& text, const char* key) { return BeginsWith(text.c_str(), key); }

// The text after the field's first "=" ("=" is never a trail byte); the whole field when it
// has none.
std::string ValueOf(const std::string& field)
{
    const size_t equals = field.find('=');
    return equals == std::string::npos ? field : field.substr(equals + 1);
}

// Leading blanks and a sign allowed, reading stops at the first non-digit, no digits give 0,
// values beyond 32 bits saturate (long is 32 bits on Windows).
int32_t ReadDecimal(const char* text) { return std::strtol(text, nullptr, 10); }
int32_t ReadDecimal(const std::string& text) { return ReadDecimal(text.c_str()); }

// Signed reading with an optional "0x"; values beyond the signed range saturate.
int32_t ReadHex(const char* text) { return std::strtol(text, nullptr, 16); }

// A code sent by the server: 0 stays success, anything else is marked as the server's.
uint32_t ServerCode(int32_t code)
{
    return code == 0 ? REPLY_RESULT_SUCCESS : static_cast<uint32_t>(code) | REPLY_SERVER_CODE;
}

// The CCID head of its text "%04d%04X" (decimal digits of the low half, then hexadecimal
// digits of the high half): the hexadecimal reading v gives the high half in its low 16 bits
// and the decimal digits as the four nibbles of its high 16 bits. The text is read as an
// unsigned value, so a low half of 8000 or more (first digit 8 or 9) does not saturate.
uint32_t CcidHeadFromText(const std::string& text)
{
    const uint32_t v = static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
    uint32_t lowHalf = 0;
    for (int shift = 28; shift >= 16; shift -= 4) lowHalf = lowHalf * 10 + ((v >> shift) & 0xF);
    return (v << 16) + lowHalf;
}

} // namespace

uint32_t AnalyzeRet(const void* body, uint32_t length)
{
    lib::CRefString text;
    if (!CopyBody(body, length, text)) return REPLY_RESULT_UNUSABLE;
    if (!BeginsWith(text.GetString(), "RET=")) return REPLY_RESULT_UNUSABLE;
    return ServerCode(ReadDecimal(text.GetString() + 4));
}

uint32_t AnalyzeUserAuthentication(const void* body, uint32_t length)
{
    lib::CRefString text;
    if (!CopyBody(body, length, text)) return REPLY_RESULT_UNUSABLE;
    const char* reply = text.GetString();

    const uint32_t count = lib::GetFieldCount(reply, kSeparator);
    if (count == 1) {
        // A single field is the service's error form, with its code in hexadecimal.
        if (BeginsWith(reply, "RET=")) {
            const int32_t code = ReadHex(reply + 4);
            TOLVE_LOG(LOG_ERROR, "サーバレスポンスエラー[SVRERR:%d]", code);
            return static_cast<uint32_t>(code) | REPLY_SERVER_CODE;
        }
        TOLVE_LOG(LOG_ERROR, "サーバレスポンスエラー[SVRERR:%s]", reply);
        return REPLY_RESULT_UNUSABLE;
    }

    uint32_t result = REPLY_RESULT_SUCCESS;
    for (uint32_t i = 0; i < count; ++i) {
        std::string field;
        if (!lib::GetField(reply, i, field, kSeparator)) return REPLY_RESULT_UNUSABLE;
        if (BeginsWith(field, "RET")) result = ServerCode(ReadDecimal(ValueOf(field)));
    }
    return result;
}

uint32_t AnalyzeDeviceInfo(const void* body, uint32_t length, std::string& deviceNo,
                           uint32_t& ccidHead, std::wstring& userAgent)
{
    // No body is not refused here: the log-in then fails when it stores an empty device.
    if (body == nullptr || length == 0) return REPLY_RESULT_SUCCESS;
    lib::CRefString text;
    if (!CopyBody(body, length, text)) return REPLY_RESULT_UNUSABLE;
    const char* reply = text.GetString();

    const uint32_t count = lib::GetFieldCount(reply, kSeparator);
    if (count != 4) {
        std::string first;
        if (!lib::GetField(reply, 0, first, kSeparator)) return REPLY_RESULT_UNUSABLE;
        if (BeginsWith(first, "RET")) return ServerCode(ReadDecimal(ValueOf(first)));
        return REPLY_RESULT_UNUSABLE;
    }

    uint32_t result = REPLY_RESULT_SUCCESS;
    for (uint32_t i = 0; i < count; ++i) {
        std::string field;
        if (!lib::GetField(reply, i, field, kSeparator)) return REPLY_RESULT_SUCCESS;
        const std::string value = ValueOf(field);
        if (BeginsWith(field, "deviceno=")) {
            deviceNo = value;
            if (value == "null") return REPLY_RESULT_UNKNOWN_DEVICE;
        } else if (BeginsWith(field, "ccid_head=")) {
            ccidHead = CcidHeadFromText(value);
        } else if (BeginsWith(field, "RET=")) {
            result = static_cast<uint32_t>(ReadDecimal(value));
        } else if (BeginsWith(field, "useragent=")) {
            userAgent = lib::StringToWString(value) + L"/1.000000";
        } else {
            return result | REPLY_SERVER_CODE;
        }
    }
    return result;
}

uint32_t AnalyzeLogUploadPermission(const void* body, uint32_t length, bool& permitted)
{
    lib::CRefString text;
    if (!CopyBody(body, length, text)) return REPLY_RESULT_UNUSABLE;
    const char* reply = text.GetString();

    const uint32_t count = lib::GetFieldCount(reply, kSeparator);
    if (count != 2) {
        if (BeginsWith(reply, "RET=")) {
            const int32_t code = ReadDecimal(reply + 4);
            TOLVE_LOG(LOG_ERROR, "AnalyzeLogUploadPermission - サーバレスポンスエラー[SVRERR:%d]",
                      code);
            return static_cast<uint32_t>(code) | REPLY_SERVER_CODE;
        }
        TOLVE_LOG(LOG_ERROR, "AnalyzeLogUploadPermission - サーバレスポンスエラー[SVRERR:%s]",
                  reply);
        return REPLY_RESULT_UNUSABLE;
    }

    uint32_t result = REPLY_RESULT_SUCCESS;
    for (uint32_t i = 0; i < count; ++i) {
        std::string field;
        if (!lib::GetField(reply, i, field, kSeparator)) return REPLY_RESULT_UNUSABLE;
        if (BeginsWith(field, "RET")) {
            result = ServerCode(ReadDecimal(ValueOf(field)));
        } else if (BeginsWith(field, "VALID")) {
            permitted = lib::StringToUpper(ValueOf(field)) == "TRUE";
        }
    }
    return result;
}
