#pragma once
// Readers of the registration service's replies: short bodies of key=value fields separated
// by "&" (double quotes group a field). Each turns a body, exactly as received (not
// terminated; a zero byte inside ends the text), into a result code and, where the reply
// carries data, into outputs. They keep no state; any thread may call them.
//
// Result codes: 0 success; REPLY_RESULT_UNUSABLE when there is no body or it has an
// unexpected form; a non-zero server code c as c | REPLY_SERVER_CODE (bit 31 tells the
// caller that the low bits are the server's own code); REPLY_RESULT_UNKNOWN_DEVICE when the
// service named the device number "null".

#include <cstdint>
#include <string>

const uint32_t REPLY_RESULT_SUCCESS = 0;
const uint32_t REPLY_RESULT_UNUSABLE = 0xFFF;
const uint32_t REPLY_SERVER_CODE = 0x80000000;
const uint32_t REPLY_RESULT_UNKNOWN_DEVICE = REPLY_SERVER_CODE | 0xA;

// A reply that begins with "RET=" and a decimal number; the rest is not read, so
// "RET=5&X=1" gives 5 | REPLY_SERVER_CODE.
uint32_t AnalyzeRet(const void* body, uint32_t length);

// The reply to the authentication with a card. Several fields: the last field beginning
// with "RET" gives the result (decimal), none gives 0. One field is always an error reply:
// "RET=" with a hexadecimal code (so "RET=0" alone gives REPLY_SERVER_CODE), anything else
// REPLY_RESULT_UNUSABLE; both are logged.
uint32_t AnalyzeUserAuthentication(const void* body, uint32_t length);

// The reply to the device-information request without a card: four fields "deviceno=",
// "ccid_head=", "RET=" and "useragent=" in any order. Outputs are written as their fields
// come, so an error after them leaves them written:
//   deviceNo   the device number as sent (a value "null" ends the reading with
//              REPLY_RESULT_UNKNOWN_DEVICE);
//   ccidHead   the eight-character CCID head text ("%04d%04X": decimal digits of the low
//              half, hexadecimal digits of the high half) as the word it was made from;
//   userAgent  the value followed by "/1.000000".
// The "RET=" value (decimal) is the result as it stands, without REPLY_SERVER_CODE; an
// unknown key ends the reading with the result so far | REPLY_SERVER_CODE. Another number
// of fields: a first field beginning with "RET" gives its code, anything else
// REPLY_RESULT_UNUSABLE. No body at all gives 0.
uint32_t AnalyzeDeviceInfo(const void* body, uint32_t length, std::string& deviceNo,
                           uint32_t& ccidHead, std::wstring& userAgent);

// The reply to the log-upload permission request: two fields, "RET" (decimal) and "VALID"
// (permitted when its value is "TRUE" in any letter case); permitted is left as it was when
// no "VALID" field comes. Another number of fields is an error reply: "RET=" with a decimal
// code, anything else REPLY_RESULT_UNUSABLE; both are logged.
uint32_t AnalyzeLogUploadPermission(const void* body, uint32_t length, bool& permitted);

