// URL encoding, the request parameters and their setters, the built-in request table and its
// URLs with queries, and the masking of secrets in logged bodies. This program is built into
// a folder of its own, so no "Connection.info" stands beside it.
#include "online/ConnectionFile.h"
#include "online/ConnectionParameterData.h"
#include "online/ServiceHosts.h"
#include "online/WebBrowseHelper.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

const bool g_privateAppData = testsupport::UsePrivateAppData("online_request_test");

const char kNone[] = "<none>";

std::string Stored(const CConnectionParameterData& parameters, uint32_t id)
{
    std::string value;
    return parameters.GetValue(id, value) ? value : kNone;
}

// ----------------------------------------------------------------------------------------
// URL encoding

TEST(URLEncode, KeepsOnlyAsciiLettersAndDigitsAndEncodesUtf8Bytes)
{
    const struct {
        const char* text;
        const char* encoded;
    } cases[] = {
        {"abc", "abc"},
        {"AZaz09", "AZaz09"},
        {"a.b-c_d", "a%2Eb%2Dc%5Fd"},
        {" ", "%20"},
        {"a b", "a%20b"},
        {"&", "%26"},
        {"~", "%7E"},
        {"*", "%2A"},
        {"%+=/?", "%25%2B%3D%2F%3F"},
        {"\x82\xA0", "%E3%81%82"},               // hiragana a
        {"\x95\x5C", "%E8%A1%A8"},               // a kanji whose trail byte is a backslash
        {"x\x83\x5Cy", "x%E3%82%BDy"},           // katakana so, trail byte 0x5C, between letters
        {"\xB1", "%EF%BD%B1"},                   // a half-width katakana (one byte in 932)
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(URLEncode(c.text), c.encoded);
    }
    EXPECT_EQ(URLEncode(nullptr), "");
}

TEST(URLEncode, ConvertsBetweenCodePagesThroughUtf16)
{
    EXPECT_EQ(ConvertToUTF8("\x82\xA0\x95\x5C", 932, CP_UTF8), "\xE3\x81\x82\xE8\xA1\xA8");
    EXPECT_EQ(ConvertToUTF8("\xE3\x81\x82", CP_UTF8, 932), "\x82\xA0");
    EXPECT_EQ(ConvertToUTF8("abc", CP_ACP, CP_UTF8), "abc");
    EXPECT_EQ(ConvertToUTF8("", CP_ACP, CP_UTF8), "");
    EXPECT_EQ(ConvertToUTF8(nullptr, CP_ACP, CP_UTF8), "");
    EXPECT_EQ(ConvertToUTF8("abc", CP_ACP, 12345), "") << "a code page the system lacks";
}

// ----------------------------------------------------------------------------------------
// Setters

TEST(ParameterSetters, NumbersTakeTheirRowsFormatAndStayWhole)
{
    const struct {
        uint32_t id;
        uint32_t value;
        const char* stored;
    } cases[] = {
        {30, 72, "72"},                       // fc "%02d", encoded (digits stay)
        {30, 5, "05"},
        {70, 3, "3"},                         // the other fc, "%d"
        {8, 0x1A2B, "00001A2B"},              // "%08X"
        {11, 7, "0007"},
        {44, 30000, "30000"},                 // max_link: maximum 4, the number stays whole
        {37, 204800, "204800"},
        {62, 2010, "2010\x94\x4E\x93\x78\x94\xC5"}, // "%04d" and a double-byte suffix, not encoded
        {205, 2024, "2024"},
        {74, 0x123, "000000123"},             // "%09X"
        {86, 0xABC, "ABC"},
        {202, 0, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        CConnectionParameterData parameters;
        parameters.SetNumber(c.id, c.value);
        EXPECT_EQ(Stored(parameters, c.id), c.stored);
        EXPECT_EQ(parameters.Values().size(), 1u);
    }
}

TEST(ParameterSetters, NumbersOnOtherRowsStoreNothing)
{
    const struct {
        uint32_t id;
        bool logged; // a row of kind number whose format does not print one number
    } cases[] = {
        {31, false},  // uid is a text
        {10, false},  // aplver is a version
        {999, false}, // no such row
        {46, true},   // navimodel "%s"
        {47, true},   // maker "%s"
        {97, true},   // file "%s"
        {33, true},   // map_ver prints two numbers
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        testsupport::CLogCapture log;
        CConnectionParameterData parameters;
        parameters.SetNumber(c.id, 12);
        EXPECT_TRUE(parameters.Values().empty());
        EXPECT_EQ(log.HasLine("!!", "ConnectionParameterData.cpp",
                              "数値パラメータ設定不可 ID:" + std::to_string(c.id) + " "),
                  c.logged)
            << log.Text();
    }
}

TEST(ParameterSetters, TextsAreCopiedCutToTheirMaximumAndEncodedWhereTheRowSays)
{
    const struct {
        uint32_t id;
        const char* text;
        const char* stored;
    } cases[] = {
        {1, "a b&c", "a%20b%26c"},                 // nick: encoded
        {210, "a b&c", "a b&c"},                   // nickname of the probe upload: as it is
        {5, "12345678", "12345678"},               // "%04d%04d%08": the text is copied
        {6, "ABCDEF", "ABCDEF"},                   // "%016I64X": the text is copied
        {5, "12345678901234567890", "1234567890123456"},
        {31, "01234567890123", "0123456789"},      // uid: at most 10
        {46, "ABCDEFGH", "ABCDEF"},                // navimodel: at most 6
        {63, "1.2.3.4.5.6", "1%2E2%2E3%2E4%2E5"},   // ver: cut to 9, then encoded
        {206, "ABCDEFG", "ABCDEF"},
        {207, "ABCDE", "ABCD"},
        // maker: at most 16 bytes, never half a character, cut before the encoding
        {47, "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB\x82\xAD\x82\xAF",
         "%E3%81%82%E3%81%84%E3%81%86%E3%81%88%E3%81%8A%E3%81%8B%E3%81%8D%E3%81%8F"},
        {47, "a\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB\x82\xAD",
         "a%E3%81%82%E3%81%84%E3%81%86%E3%81%88%E3%81%8A%E3%81%8B%E3%81%8D"},
        {38, "no maximum, no encoding & 0123456789012345678901234567890",
         "no maximum, no encoding & 0123456789012345678901234567890"},
        {7, "C C&0123456789012345678901234567890", "C%20C%260123456789012345678901234567890"},
        {1, "", ""},
        {1, nullptr, ""},
        {97, "C:\\x\\log.zip", "C:\\x\\log.zip"},    // file: kind number, set as a text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        CConnectionParameterData parameters;
        parameters.SetString(c.id, c.text);
        EXPECT_EQ(Stored(parameters, c.id), c.stored);
    }
    CConnectionParameterData parameters;
    parameters.SetString(999, "x");
    EXPECT_TRUE(parameters.Values().empty()) << "an id the table lacks";
}

TEST(ParameterSetters, CcidAndVersionWords)
{
    const struct {
        uint32_t value;
        const char* stored;
    } ccids[] = {
        {0x000A0005, "0005000A"},
        {0x12345678, "221361234"}, // the low half has five decimal digits
        {0, "00000000"},
        {0xFFFFFFFF, "65535FFFF"},
    };
    for (const auto& c : ccids) {
        CConnectionParameterData parameters;
        parameters.SetCcid(999, c.value); // any id: the table is not asked
        EXPECT_EQ(Stored(parameters, 999), c.stored);
    }

    const struct {
        uint32_t id;
        uint32_t value;
        const char* stored;
        const char* logged; // null: no line
    } versions[] = {
        {10, 0x01000005, "1.000005", "[10]: [1.000005]"},
        {10, 0, "", "[10]: []"},
        {80, 0x1A123456, "1A.123456", "[80]: [1A.123456]"},
        {83, 0x02000001, "2%2E000001", "[83]: [2.000001]"}, // btfwver is encoded
        {86, 0x01000005, kNone, nullptr},                   // pellickver is a number
        {999, 0x01000005, kNone, nullptr},
    };
    for (const auto& c : versions) {
        SCOPED_TRACE(c.id);
        testsupport::CLogCapture log;
        CConnectionParameterData parameters;
        parameters.SetVersion(c.id, c.value);
        EXPECT_EQ(Stored(parameters, c.id), c.stored);
        if (c.logged != nullptr) {
            EXPECT_TRUE(log.HasLine("!!", "ConnectionParameterData.cpp",
                                    std::string("\t") + c.logged + "\r\n"))
                << log.Text();
        } else {
            EXPECT_EQ(log.Text(), "");
        }
    }
}

TEST(ParameterSetters, ASetterReplacesTheValueAndCopiesAreIndependent)
{
    CConnectionParameterData first;
    first.SetString(1, "old");
    first.SetString(1, "new");
    CConnectionParameterData second = first;
    second.SetString(1, "other");
    EXPECT_EQ(Stored(first, 1), "new");
    EXPECT_EQ(Stored(second, 1), "other");
}

// ----------------------------------------------------------------------------------------
// Fillers: what each sets, as the body of its request shows it in the request's order.

std::string PostBody(uint32_t id, const CConnectionParameterData& parameters)
{
    uint32_t size = 12345;
    const lib::CMallocBuffer body = CConnectionFile::GetInstance().CreatePostData(id, parameters, size);
    if (body == nullptr) return size == 0 ? kNone : "<size without body>";
    return std::string(body.get(), size);
}

TEST(ParameterFillers, EachFillsItsRequestsBody)
{
    const struct {
        uint32_t id;
        bool (*fill)(CConnectionParameterData&);
        const char* body;
    } cases[] = {
        {4,
         [](CConnectionParameterData& p) {
             return p.SetUserAuthentication("a b", "p&w", "0123456789ABCDEF", 0x000A0005);
         },
         "nick=a%20b&pass=p%26w&ccid_head=0005000A&deviceno=0123456789ABCDEF"},
        {26, [](CConnectionParameterData& p) { return p.SetDeviceInfo("nick", "pw"); },
         "nick=nick&pass=pw"},
        // The table's order, although deviceNo is set first.
        {6,
         [](CConnectionParameterData& p) {
             return p.SetOneTimePassword("0123456789ABCDEF", 0x000A0005, 72);
         },
         "fc=72&deviceNo=0123456789ABCDEF&halfCcid=0005000A"},
        {6,
         [](CConnectionParameterData& p) {
             return p.SetOneTimePassword("0123456789ABCDEF", 0x000A0005, 0);
         },
         "fc=00&deviceNo=0123456789ABCDEF&halfCcid=0005000A"},
        {7,
         [](CConnectionParameterData& p) { return p.SetProbeParameter("n", "CC", "UID", 3); },
         "fc=03&ccid=CC&uid=UID"},
        {8,
         [](CConnectionParameterData& p) {
             return p.SetProbeParameter("\x83\x6A\x83\x62\x83\x4E", "CC", "UID", 3);
         },
         "fc=03&ccid=CC&uid=UID&nickname=\x83\x6A\x83\x62\x83\x4E"},
        {10,
         [](CConnectionParameterData& p) { return p.SetProbeParameter(nullptr, "CC", "U I", 4); },
         "fc=04&ccid=CC&uid=U%20I&nickname="},
        {9,
         [](CConnectionParameterData& p) {
             return p.SetProbeUploadParameter(0x01000005, 0x02000010, "MAKER", "MODEL", "nick",
                                              "CC", "UID", 5);
         },
         "fc=05&ccid=CC&uid=UID&nickname=nick&navimodel=MODEL&maker=MAKER&aplver=2.000010&"
         "mapver=1.000005"},
        {9,
         [](CConnectionParameterData& p) {
             return p.SetProbeUploadParameter(0, 0, nullptr, nullptr, nullptr, "CC", "UID", 5);
         },
         "fc=05&ccid=CC&uid=UID&nickname=&navimodel=&maker=&aplver=&mapver="},
        {12,
         [](CConnectionParameterData& p) {
             return p.SetODVParameter("CC", "otp1", 0x05000123, 125, "tp", "bp", 0x2010, "3,3", 0,
                                      0, 204800, "tokyo", 8, 30000, 1);
         },
         "ccid=CC&otp=otp1&map_ver=-/5.000291&comp_type=0&class=0&vics=125&max=204800&range=3,3&"
         "geo=tokyo&accuracy=8&target_point=tp&base_point=bp&vics_link_year=2010&max_link=30000&"
         "crypto_type=1"},
        // The link year's hexadecimal digits read as decimal stop at the first letter.
        {12,
         [](CConnectionParameterData& p) {
             return p.SetODVParameter("CC", "o", 0x01000001, 113, "tp", "bp", 0x20AB, nullptr, 1,
                                      2, 3, nullptr, 4, 5, 6);
         },
         "ccid=CC&otp=o&map_ver=-/1.000001&comp_type=1&class=2&vics=113&max=3&range=&geo=&"
         "accuracy=4&target_point=tp&base_point=bp&vics_link_year=20&max_link=5&crypto_type=6"},
        {12,
         [](CConnectionParameterData& p) {
             return p.SetODVParameter("CC", "o", 0xFF000000, 113, "tp", "bp", 0xC, "r", 0, 0, 0,
                                      "g", 0, 0, 0);
         },
         "ccid=CC&otp=o&map_ver=-/255.000000&comp_type=0&class=0&vics=113&max=0&range=r&geo=g&"
         "accuracy=0&target_point=tp&base_point=bp&vics_link_year=0&max_link=0&crypto_type=0"},
        {23,
         [](CConnectionParameterData& p) {
             return p.SetLogUploadCheck("0123456789ABCDEF", 0x000A0005);
         },
         "ccid_head=0005000A&deviceno=0123456789ABCDEF"},
        {24,
         [](CConnectionParameterData& p) {
             return p.SetLogUpload("0123456789ABCDEF", 0x000A0005, "C:\\x\\log.zip");
         },
         "ccid_head=0005000A&deviceno=0123456789ABCDEF&file=C:\\x\\log.zip"},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(index++);
        CConnectionParameterData parameters;
        ASSERT_TRUE(c.fill(parameters));
        EXPECT_EQ(PostBody(c.id, parameters), c.body);
    }
}

TEST(ParameterFillers, EachRefusesAMissingRequiredArgumentAndSetsNothing)
{
    using Fill = bool (*)(CConnectionParameterData&);
    const Fill refusals[] = {
        [](CConnectionParameterData& p) { return p.SetUserAuthentication(nullptr, "p", "d", 1); },
        [](CConnectionParameterData& p) { return p.SetUserAuthentication("n", nullptr, "d", 1); },
        [](CConnectionParameterData& p) { return p.SetUserAuthentication("n", "p", nullptr, 1); },
        [](CConnectionParameterData& p) { return p.SetUserAuthentication("n", "p", "d", 0); },
        [](CConnectionParameterData& p) { return p.SetDeviceInfo(nullptr, "p"); },
        [](CConnectionParameterData& p) { return p.SetDeviceInfo("n", nullptr); },
        [](CConnectionParameterData& p) { return p.SetOneTimePassword(nullptr, 1, 72); },
        [](CConnectionParameterData& p) { return p.SetOneTimePassword("d", 0, 72); },
        [](CConnectionParameterData& p) { return p.SetProbeParameter("n", nullptr, "u", 1); },
        [](CConnectionParameterData& p) { return p.SetProbeParameter("n", "c", nullptr, 1); },
        [](CConnectionParameterData& p) {
            return p.SetProbeUploadParameter(1, 1, "m", "v", "n", nullptr, "u", 1);
        },
        [](CConnectionParameterData& p) {
            return p.SetProbeUploadParameter(1, 1, "m", "v", "n", "c", nullptr, 1);
        },
        [](CConnectionParameterData& p) {
            return p.SetODVParameter(nullptr, "o", 1, 1, "t", "b", 1, "r", 1, 1, 1, "g", 1, 1, 1);
        },
        [](CConnectionParameterData& p) {
            return p.SetODVParameter("c", nullptr, 1, 1, "t", "b", 1, "r", 1, 1, 1, "g", 1, 1, 1);
        },
        [](CConnectionParameterData& p) {
            return p.SetODVParameter("c", "o", 0, 1, "t", "b", 1, "r", 1, 1, 1, "g", 1, 1, 1);
        },
        [](CConnectionParameterData& p) {
            return p.SetODVParameter("c", "o", 1, 0, "t", "b", 1, "r", 1, 1, 1, "g", 1, 1, 1);
        },
        [](CConnectionParameterData& p) {
            return p.SetODVParameter("c", "o", 1, 1, nullptr, "b", 1, "r", 1, 1, 1, "g", 1, 1, 1);
        },
        [](CConnectionParameterData& p) {
            return p.SetODVParameter("c", "o", 1, 1, "t", nullptr, 1, "r", 1, 1, 1, "g", 1, 1, 1);
        },
        [](CConnectionParameterData& p) {
            return p.SetODVParameter("c", "o", 1, 1, "t", "b", 0, "r", 1, 1, 1, "g", 1, 1, 1);
        },
        [](CConnectionParameterData& p) { return p.SetLogUploadCheck(nullptr, 1); },
        [](CConnectionParameterData& p) { return p.SetLogUploadCheck("d", 0); },
        [](CConnectionParameterData& p) { return p.SetLogUpload(nullptr, 1, "f"); },
        [](CConnectionParameterData& p) { return p.SetLogUpload("d", 0, "f"); },
        [](CConnectionParameterData& p) { return p.SetLogUpload("d", 1, nullptr); },
    };
    int index = 0;
    for (const Fill fill : refusals) {
        SCOPED_TRACE(index++);
        CConnectionParameterData parameters;
        EXPECT_FALSE(fill(parameters));
        EXPECT_TRUE(parameters.Values().empty());
    }
}

// ----------------------------------------------------------------------------------------
// The built-in table and queries (no "Connection.info" beside this program)

TEST(RequestTable, EveryBuiltInRowHasItsSchemeAndPath)
{
#define R "https://" KESTRUM_HOST_REGISTRATION
#define P "https://" KESTRUM_HOST_PROBE_GATEWAY "/probe/OFPB"
#define W "https://" KESTRUM_HOST_TRAFFIC_WEB
#define M "http://" KESTRUM_HOST_MAKER
    const char* const expected[45] = {
        R "/navigation/PcAppTop.html",
        "http://" KESTRUM_HOST_REGISTRATION "/navigation/pellworks/web_help/help.html",
        R "/navigation/PcAppTop.html",
        W "/ferrox/UserRegistration",
        R "/pcapp/DeviceNoUserAuthenticationFerroxAPI",
        R "/pcapp/GetLatestPcaplAPI",
        P, P, P, P, P,
        "https://" KESTRUM_HOST_WEATHER "/wlink36/",
        "https://" KESTRUM_HOST_TRAFFIC_DATA "/cgi-bin/odv.cgi/",
        R "/pcapp/TransmissionRateUrlAPI",
        R "/pcapp/TransmissionRateRegistAPI",
        R "/pcapp/TransmissionRateLimitAPI",
        R "/pcapp/DownloadListZoneAPI",
        R "/pcapp/GetConfUrlZoneAPI",
        R "/pcapp/ReceiverZoneAPI",
        R "/pcapp/ReceiverZoneAPI",
        R "/navigation/PcAppTop.html",
        R "/navigation/PcAppTop.html",
        R "/navigation/PcAppTop.html",
        R "/pcapp/LogUploadCheckAPI",
        R "/pcapp/LogUploadAPI",
        R "/navigation/PcAppTop.html",
        R "/pcapp/GetDeviceInfoAPI",
        R "/pcapp/GetPCLinkDatUrlZoneAPI",
        W "/ferrox/DataupdateLogin.html",
        W "/velocet/index.html",
        R "/pcapp/GetLatestPCAplZoneAPI",
        W "/velocet/index.html",
        "https://" KESTRUM_HOST_TRAFFIC_BLOG "/quiv/weblog/portal",
        W "/velocet/drive_report.html",
        W "/velocet/music_report.html",
        M,
        M "/sardello",
        M "/car/kestrum",
        W "/velocet/at_login",
        M "/car/kestrum/kestrum4/onlinemanual/index.html",
        W "/velocet/index.html",
        KESTRUM_HOST_TRAFFIC_PAGES,
        W "/ferrox/ChangeUser.html",
        "https://" KESTRUM_HOST_MAP "/v1/auth",
        "https://" KESTRUM_HOST_MAP,
    };
#undef R
#undef P
#undef W
#undef M
    CConnectionFile& table = CConnectionFile::GetInstance();
    for (uint32_t id = 0; id < 45; ++id) {
        SCOPED_TRACE(id);
        const std::string url = table.GetURL(id);
        EXPECT_EQ(url, expected[id]);
        // Hosts that can never reach a real server.
        const size_t start = url.find("://") == std::string::npos ? 0 : url.find("://") + 3;
        const std::string host = url.substr(start, url.find('/', start) - start);
        EXPECT_EQ(host.substr(host.size() - 8), ".example") << host;
    }
    EXPECT_EQ(table.GetURL(45), "");
    EXPECT_EQ(table.GetURL(0xFFFFFFFF), "");

    size_t count = 0;
    const ConnectionRow* rows = GetBuiltinConnectionRows(count);
    ASSERT_EQ(count, 45u);
    EXPECT_EQ(rows[10].m_uId, 6u) << "id 6 stands between the rows of 10 and 11";
}

TEST(RequestTable, QueriesCarryTheRequestsParametersInItsOrder)
{
    CConnectionFile& table = CConnectionFile::GetInstance();
    const std::string userRegistration = table.GetURL(3);
    // The launcher appends the user agent itself to an empty UserAgent value.
    EXPECT_EQ(table.GetURLWithQuery(3, CConnectionParameterData()), userRegistration + "?UserAgent=");
    EXPECT_EQ(table.GetURLWithQuery(3), userRegistration + "?UserAgent=");

    CConnectionParameterData parameters;
    parameters.SetString(201, "ua/1");
    parameters.SetNumber(202, 5);
    parameters.SetString(203, "\x82\xA0 b");
    EXPECT_EQ(table.GetURLWithQuery(0, parameters),
              table.GetURL(0) + "?pcsoft-userAgent=ua/1&functionCode=5&nickname=%E3%81%82%20b");
    // The two-step form reads what the last caller handed over.
    EXPECT_EQ(table.GetURLWithQuery(2), table.GetURL(2) + "?pcsoft-userAgent=ua/1&functionCode=5&"
                                                          "nickname=%E3%81%82%20b");
    table.SetParameterData(CConnectionParameterData());
    EXPECT_EQ(table.GetURLWithQuery(25),
              table.GetURL(25) + "?pcsoft-userAgent=&functionCode=&nickname=");

    // Rows without parameters give their URL; unknown ids nothing.
    EXPECT_EQ(table.GetURLWithQuery(30, parameters), table.GetURL(30));
    EXPECT_EQ(table.GetURLWithQuery(41), table.GetURL(41));
    EXPECT_EQ(table.GetURLWithQuery(45, parameters), "");
}

// ----------------------------------------------------------------------------------------
// Secrets in logged bodies

TEST(MaskSecretsForLog, HidesPasswordsAndOneTimePasswordsOnly)
{
    const struct {
        const char* body;
        const char* logged;
    } cases[] = {
        {"nick=a&pass=secret&ccid_head=0005000A", "nick=a&pass=***&ccid_head=0005000A"},
        {"pass=secret", "pass=***"},
        {"nick=a&pass=", "nick=a&pass=***"},
        {"pass=s1&nick=a&pass=s2", "pass=***&nick=a&pass=***"},
        {"ccid=CC&otp=1234&map_ver=-/5.000291", "ccid=CC&otp=***&map_ver=-/5.000291"},
        // A secret value holding "&" is hidden up to the next parameter of the table.
        {"ccid=CC&otp=12&x=3&y&map_ver=1", "ccid=CC&otp=***&map_ver=1"},
        {"otp=a&b", "otp=***"},
        // Replies name them in capitals.
        {"C00&CCID=0005000A01234567&PASS=K0000001", "C00&CCID=0005000A01234567&PASS=***"},
        {"X&Pass=1&OTP=2", "X&Pass=***"},
        {"OTP=2&ccid=C", "OTP=***&ccid=C"},
        // Names that only look like a secret's stay.
        {"passport=1&xpass=2&otpx=3&pass", "passport=1&xpass=2&otpx=3&pass"},
        {"PASSPORT=1&OTPX=2&PAS=3", "PASSPORT=1&OTPX=2&PAS=3"},
        {"nick=pass=1&uid=otp=2", "nick=pass=1&uid=otp=2"},
        {"fc=72&deviceNo=0123&halfCcid=0005000A", "fc=72&deviceNo=0123&halfCcid=0005000A"},
        {"", ""},
        {"&&pass=x&", "&&pass=***"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(MaskSecretsForLog(std::string(c.body)), c.logged);
    }
    EXPECT_EQ(MaskSecretsForLog(nullptr, 0), "");
    // A counted body needs no terminator and may hold one.
    const char counted[] = {'p', 'a', 's', 's', '=', 'x', '\0', 'y', '&', 'n', 'i', 'c', 'k', '=', 'z'};
    EXPECT_EQ(MaskSecretsForLog(counted, sizeof counted), "pass=***&nick=z");
}

} // namespace
