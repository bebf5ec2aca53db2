// The readers of the registration service's replies: one table per reader, each row a body
// as received (length given, so zero bytes inside and cut lengths are rows too) with the
// code, the outputs and the log line it must give.

#include "online/ReplyAnalyzer.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

const bool g_privateAppData = testsupport::UsePrivateAppData("online_reply_test");

using testsupport::CLogCapture;

const char kSource[] = "ReplyAnalyzer.cpp";

// A body with zero bytes inside: the literal's bytes, all of them.
template <size_t N>
std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// Length to pass: the whole body unless a row cuts it.
const uint32_t kWhole = 0xFFFFFFFF;

uint32_t LengthOf(const std::string& body, uint32_t length)
{
    return length == kWhole ? static_cast<uint32_t>(body.size()) : length;
}

// Every row's log expectation: nothing at level 1 from the reader, or exactly this line.
void ExpectLogged(const CLogCapture& log, const char* line, const std::string& row)
{
    if (line == nullptr) {
        EXPECT_EQ(0u, log.Count(std::string("\t!!\t") + kSource)) << row << log.Text();
    } else {
        EXPECT_TRUE(log.HasLine("!!", kSource, line)) << row << log.Text();
        EXPECT_EQ(1u, log.Count(std::string("\t!!\t") + kSource)) << row << log.Text();
    }
}

struct RetCase {
    std::string body;
    uint32_t length;
    uint32_t expected;
};

TEST(AnalyzeRet, ReadsTheCodeAtTheStartOnly)
{
    const RetCase cases[] = {
        {"", kWhole, 0xFFF},
        {"RET=0", kWhole, 0},
        {"RET=1A", kWhole, 0x80000001},            // decimal: reading stops at "A"
        {"RET=12", kWhole, 0x8000000C},
        {"RET=5&X=1&Y", kWhole, 0x80000005},       // the rest is not split into fields
        {"X=1&RET=3", kWhole, 0xFFF},
        {"OKRET=3", kWhole, 0xFFF},                // "RET=" must stand at position 0
        {"ret=3", kWhole, 0xFFF},
        {"RET", kWhole, 0xFFF},
        {"RET=", kWhole, 0},                       // no digits read as 0
        {"RET=  -2", kWhole, 0xFFFFFFFE},          // blanks and a sign are allowed
        {"RET=99999999999", kWhole, 0xFFFFFFFF},   // saturates at the signed maximum
        {Bytes("RET=1\0" "2"), kWhole, 0x80000001}, // a zero byte ends the text
        {Bytes("\0RET=1"), kWhole, 0xFFF},
        {"RET=12", 5, 0x80000001},                 // only `length` bytes are read
        {"RET=7", 0, 0xFFF},
    };
    for (const RetCase& c : cases) {
        const std::string row = "body [" + c.body + "]";
        CLogCapture log;
        EXPECT_EQ(Hex(c.expected), Hex(AnalyzeRet(c.body.data(), LengthOf(c.body, c.length))))
            << row;
        ExpectLogged(log, nullptr, row);
    }
    EXPECT_EQ(0xFFFu, AnalyzeRet(nullptr, 5));
}

struct AuthenticationCase {
    std::string body;
    uint32_t expected;
    const char* logged; // the level-1 line, or null for none
};

TEST(AnalyzeUserAuthentication, SeveralFieldsDecimalOneFieldHexadecimal)
{
    const AuthenticationCase cases[] = {
        {"", 0xFFF, nullptr},
        // One field is always an error reply, its code hexadecimal.
        {"RET=0", 0x80000000, "サーバレスポンスエラー[SVRERR:0]"},
        {"RET=1A", 0x8000001A, "サーバレスポンスエラー[SVRERR:26]"},
        {"RET=12", 0x80000012, "サーバレスポンスエラー[SVRERR:18]"},
        {"RET=0x1f", 0x8000001F, "サーバレスポンスエラー[SVRERR:31]"},
        {"RET=FFFFFFFF", 0xFFFFFFFF, "サーバレスポンスエラー[SVRERR:2147483647]"},
        {"NG", 0xFFF, "サーバレスポンスエラー[SVRERR:NG]"},
        {"OK=1", 0xFFF, "サーバレスポンスエラー[SVRERR:OK=1]"},
        {"\"RET=5&X=1\"", 0xFFF, "サーバレスポンスエラー[SVRERR:\"RET=5&X=1\"]"},
        // Several fields: decimal codes, the last "RET" field wins, none gives success.
        {"RET=0&nick=a", 0, nullptr},
        {"nick=a&RET=12", 0x8000000C, nullptr},
        {"RET=1A&nick=a", 0x80000001, nullptr},
        {"RET=3&RET=0", 0, nullptr},
        {"RET=0&RET=3", 0x80000003, nullptr},
        {"nick=a&pass=b", 0, nullptr},
        {"&", 0, nullptr},
        {"RETCODE=4&x", 0x80000004, nullptr},     // any field beginning with "RET"
        {"RET&x", 0, nullptr},                    // no "=": the whole field is the value
        {"x&RET= -1", 0xFFFFFFFF, nullptr},
        // A quoted field keeps its "&" and its "RET" text to itself.
        {"RET=5&\"x=a&RET=9\"", 0x80000005, nullptr},
        {"\"RET=6&x\"&y", 0x80000006, nullptr},
        {Bytes("RET=2&x\0&RET=5"), 0x80000002, nullptr},
        {Bytes("RET=2\0&RET=5"), 0x80000002, "サーバレスポンスエラー[SVRERR:2]"},
    };
    for (const AuthenticationCase& c : cases) {
        const std::string row = "body [" + c.body + "]";
        CLogCapture log;
        EXPECT_EQ(Hex(c.expected),
                  Hex(AnalyzeUserAuthentication(c.body.data(),
                                                static_cast<uint32_t>(c.body.size()))))
            << row;
        ExpectLogged(log, c.logged, row);
    }
    EXPECT_EQ(0xFFFu, AnalyzeUserAuthentication(nullptr, 3));
}

struct DeviceCase {
    std::string body;
    uint32_t expected;
    // Outputs afterwards; they start as "untouched", 0x11111111 and L"untouched".
    const char* deviceNo;
    uint32_t ccidHead;
    const wchar_t* userAgent;
};

TEST(AnalyzeDeviceInfo, FourFieldsFillTheOutputs)
{
    const char* const kUntouched = "untouched";
    const uint32_t kCcidUntouched = 0x11111111;
    const wchar_t* const kUaUntouched = L"untouched";
    const DeviceCase cases[] = {
        {"", 0, kUntouched, kCcidUntouched, kUaUntouched},
        {"deviceno=D0001&ccid_head=0291ABCD&RET=0&useragent=12FerroxPA/2.000010", 0, "D0001",
         0xABCD0123, L"12FerroxPA/2.000010/1.000000"},
        {"useragent=UA&RET=0&ccid_head=00000000&deviceno=D2", 0, "D2", 0, L"UA/1.000000"},
        // Low halves of 8000 or more begin with 8 or 9 and still read back whole.
        {"deviceno=D&ccid_head=8000ABCD&RET=0&useragent=U", 0, "D", 0xABCD1F40, L"U/1.000000"},
        {"deviceno=D&ccid_head=9999FFFF&RET=0&useragent=U", 0, "D", 0xFFFF270F, L"U/1.000000"},
        {"deviceno=D&ccid_head=0001&RET=0&useragent=U", 0, "D", 0x00010000, L"U/1.000000"},
        // "null" names no unit: the reading stops there.
        {"deviceno=null&ccid_head=0291ABCD&RET=0&useragent=U", 0x8000000A, "null",
         kCcidUntouched, kUaUntouched},
        {"ccid_head=0291ABCD&deviceno=null&RET=0&useragent=U", 0x8000000A, "null", 0xABCD0123,
         kUaUntouched},
        {"deviceno=NULL&ccid_head=0291ABCD&RET=0&useragent=U", 0, "NULL", 0xABCD0123,
         L"U/1.000000"},
        // The "RET=" value is the result as it stands; an unknown key marks it and stops.
        {"deviceno=D&ccid_head=0291ABCD&useragent=U&RET=7", 7, "D", 0xABCD0123, L"U/1.000000"},
        {"deviceno=D&ccid_head=0291ABCD&RET=7&foo=1", 0x80000007, "D", 0xABCD0123,
         kUaUntouched},
        {"foo=1&deviceno=D&ccid_head=0291ABCD&RET=0", 0x80000000, kUntouched, kCcidUntouched,
         kUaUntouched},
        {"deviceno=D&ccid_head=0291ABCD&RET=1A&useragent=U", 1, "D", 0xABCD0123,
         L"U/1.000000"},
        {"deviceno=a=b&ccid_head=0291ABCD&RET= 5&useragent=U", 5, "a=b", 0xABCD0123,
         L"U/1.000000"},
        // A quoted field may hold the separator; double-byte text is converted whole.
        {"deviceno=D&ccid_head=0291ABCD&RET=0&\"useragent=a&b\"", 0, "D", 0xABCD0123,
         L"a&b/1.000000"},
        {"deviceno=D&ccid_head=0291ABCD&RET=0&useragent=\x83\x65\x83\x58\x83\x67", 0, "D",
         0xABCD0123, L"\u30c6\u30b9\u30c8/1.000000"},
        // Any other number of fields: a first "RET" field gives its decimal code.
        {"RET=0", 0, kUntouched, kCcidUntouched, kUaUntouched},
        {"RET=1A", 0x80000001, kUntouched, kCcidUntouched, kUaUntouched},
        {"RET=12&x", 0x8000000C, kUntouched, kCcidUntouched, kUaUntouched},
        {"RET=3&a&b&c&d", 0x80000003, kUntouched, kCcidUntouched, kUaUntouched},
        {"deviceno=D&RET=0", 0xFFF, kUntouched, kCcidUntouched, kUaUntouched},
        {"NG", 0xFFF, kUntouched, kCcidUntouched, kUaUntouched},
        {Bytes("deviceno=D&ccid_head=0291ABCD&RET=0\0&useragent=U"), 0xFFF, kUntouched,
         kCcidUntouched, kUaUntouched},
        {Bytes("\0deviceno=D&ccid_head=0291ABCD&RET=0&useragent=U"), 0xFFF, kUntouched,
         kCcidUntouched, kUaUntouched},
    };
    for (const DeviceCase& c : cases) {
        const std::string row = "body [" + c.body + "]";
        std::string deviceNo = kUntouched;
        uint32_t ccidHead = kCcidUntouched;
        std::wstring userAgent = kUaUntouched;
        CLogCapture log;
        EXPECT_EQ(Hex(c.expected),
                  Hex(AnalyzeDeviceInfo(c.body.data(), static_cast<uint32_t>(c.body.size()),
                                        deviceNo, ccidHead, userAgent)))
            << row;
        EXPECT_EQ(c.deviceNo, deviceNo) << row;
        EXPECT_EQ(Hex(c.ccidHead), Hex(ccidHead)) << row;
        EXPECT_EQ(std::wstring(c.userAgent), userAgent) << row;
        ExpectLogged(log, nullptr, row);
    }
    std::string deviceNo;
    uint32_t ccidHead = 0;
    std::wstring userAgent;
    EXPECT_EQ(0u, AnalyzeDeviceInfo(nullptr, 9, deviceNo, ccidHead, userAgent));
}

struct PermissionCase {
    std::string body;
    bool before;
    uint32_t expected;
    bool after;
    const char* logged;
};

TEST(AnalyzeLogUploadPermission, TwoFieldsOrADecimalErrorReply)
{
    const PermissionCase cases[] = {
        {"", true, 0xFFF, true, nullptr},
        {"RET=0&VALID=true", false, 0, true, nullptr},
        {"VALID=True&RET=0", false, 0, true, nullptr},
        {"RET=0&VALID=no", true, 0, false, nullptr},
        {"RET=0&VALID=TRUE ", true, 0, false, nullptr},
        {"RET=0&VALID", true, 0, false, nullptr},
        {"RET=0&VALIDITY=TRUE", false, 0, true, nullptr},
        {"RET=0&X=1", true, 0, true, nullptr},   // no "VALID" field: the flag stays
        {"RET=0&X=1", false, 0, false, nullptr},
        {"RET=4&VALID=TRUE", false, 0x80000004, true, nullptr},
        {"RET=1A&VALID=TRUE", false, 0x80000001, true, nullptr},
        {"RET=0&\"VALID=TRUE&X\"", true, 0, false, nullptr},
        // Another number of fields is an error reply, its code decimal.
        {"RET=0", false, 0x80000000, false,
         "AnalyzeLogUploadPermission - サーバレスポンスエラー[SVRERR:0]"},
        {"RET=1A", false, 0x80000001, false,
         "AnalyzeLogUploadPermission - サーバレスポンスエラー[SVRERR:1]"},
        {"RET=0&VALID=TRUE&X=1", false, 0x80000000, false,
         "AnalyzeLogUploadPermission - サーバレスポンスエラー[SVRERR:0]"},
        {"VALID=TRUE", false, 0xFFF, false,
         "AnalyzeLogUploadPermission - サーバレスポンスエラー[SVRERR:VALID=TRUE]"},
        {Bytes("RET=0\0&VALID=TRUE"), false, 0x80000000, false,
         "AnalyzeLogUploadPermission - サーバレスポンスエラー[SVRERR:0]"},
    };
    for (const PermissionCase& c : cases) {
        const std::string row = "body [" + c.body + "]";
        bool permitted = c.before;
        CLogCapture log;
        EXPECT_EQ(Hex(c.expected),
                  Hex(AnalyzeLogUploadPermission(c.body.data(),
                                                 static_cast<uint32_t>(c.body.size()),
                                                 permitted)))
            << row;
        EXPECT_EQ(c.after, permitted) << row;
        ExpectLogged(log, c.logged, row);
    }
}

} // namespace
