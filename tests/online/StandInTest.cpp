// The stand-in services as a test program under Wine sees them through the test support:
// the port from the session, the program's own space, answers queued and requests read back
// byte for byte. Requests go out through bare WinHTTP calls, apart from the product's client.

#include "tests/online/support/StandIn.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winhttp.h>

#include <string>

using onlinetest::CAnswer;
using onlinetest::CStandIn;

namespace {

struct Reply {
    DWORD dwError = 0; // the first failing call's error
    DWORD dwStatus = 0;
    std::string sBody;
};

class CInternet {
public:
    explicit CInternet(HINTERNET handle)
        : m_h(handle)
    {
    }
    ~CInternet()
    {
        if (m_h != nullptr) WinHttpCloseHandle(m_h);
    }
    HINTERNET Get() const { return m_h; }

private:
    HINTERNET m_h;
};

Reply Send(const std::string& url, const wchar_t* verb = L"GET", const std::string& body = "")
{
    Reply reply;
    std::wstring wide(url.begin(), url.end());
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    wchar_t host[256] = {}, path[2048] = {};
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2048;
    if (!WinHttpCrackUrl(wide.c_str(), 0, 0, &parts)) {
        reply.dwError = GetLastError();
        return reply;
    }
    CInternet session(WinHttpOpen(L"standin-test", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    CInternet connection(WinHttpConnect(session.Get(), host, parts.nPort, 0));
    CInternet request(WinHttpOpenRequest(connection.Get(), verb, path, nullptr, WINHTTP_NO_REFERER,
                                         WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (request.Get() == nullptr ||
        !WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            const_cast<char*>(body.data()), static_cast<DWORD>(body.size()),
                            static_cast<DWORD>(body.size()), 0) ||
        !WinHttpReceiveResponse(request.Get(), nullptr)) {
        reply.dwError = GetLastError();
        return reply;
    }
    DWORD size = sizeof reply.dwStatus;
    WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &reply.dwStatus, &size,
                        WINHTTP_NO_HEADER_INDEX);
    char buffer[65536];
    DWORD read = 0;
    while (WinHttpReadData(request.Get(), buffer, sizeof buffer, &read) && read > 0) {
        reply.sBody.append(buffer, read);
    }
    return reply;
}

struct HeldCall {
    std::string sUrl;
    Reply reply;
};

DWORD WINAPI SendHeld(void* arg)
{
    auto* call = static_cast<HeldCall*>(arg);
    call->reply = Send(call->sUrl);
    return 0;
}

TEST(StandInSupport, QueuedAnswersAndRecordedRequests)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.IsRunning());
    EXPECT_EQ(standIn.Space(), "online_standin_test");
    std::string every;
    for (int i = 0; i < 256; ++i) every += static_cast<char>(i);
    const std::string body = every + "\nrequest 0\n\nbody 3\n";
    ASSERT_TRUE(standIn.Queue("/up/*", CAnswer().Status(201).Text(every).Count(2)));

    const Reply first = Send(standIn.Url("/up/one?x=1"), L"POST", body);
    const Reply second = Send(standIn.Url("/up/two"));
    const Reply third = Send(standIn.Url("/up/two"));
    EXPECT_EQ(first.dwStatus, 201u);
    EXPECT_EQ(first.sBody, every);
    EXPECT_EQ(second.dwStatus, 201u);
    EXPECT_EQ(third.dwStatus, 404u);

    const auto requests = standIn.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].sMethod, "POST");
    EXPECT_EQ(requests[0].sTarget, "/s/online_standin_test/up/one?x=1");
    EXPECT_EQ(requests[0].sPath, "/up/one");
    EXPECT_EQ(requests[0].sQuery, "x=1");
    EXPECT_EQ(requests[0].sBody, body);
    EXPECT_EQ(requests[0].Header("user-agent"), "standin-test");
    EXPECT_EQ(requests[0].Header("Content-Length"), std::to_string(body.size()));
    EXPECT_FALSE(requests[0].bProxied);
    EXPECT_EQ(requests[0].iStatus, 201);
    EXPECT_FALSE(requests[1].HasHeader("Content-Type"));
    EXPECT_EQ(requests[2].iStatus, 404);
}

TEST(StandInSupport, SpacesAreApartAndEmptiedWhenOpened)
{
    CStandIn mine;
    CStandIn other("online_standin_test_other");
    ASSERT_TRUE(mine.Queue("/p", CAnswer().Text("mine")));
    ASSERT_TRUE(other.Queue("/p", CAnswer().Text("theirs")));
    EXPECT_EQ(Send(other.Url("/p")).sBody, "theirs");
    EXPECT_TRUE(mine.Requests().empty());
    CStandIn again; // a new test opens the space anew: the queued answer is gone
    EXPECT_EQ(Send(again.Url("/p")).dwStatus, 404u);
}

TEST(StandInSupport, GeneratedBodyHoldAndRefusedPort)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.Queue("/big", CAnswer().Pattern(300000).Chunked(7000)));
    EXPECT_EQ(Send(standIn.Url("/big")).sBody, onlinetest::PatternBytes(300000));
    EXPECT_EQ(Send(standIn.Url("/pattern/1000")).sBody, onlinetest::PatternBytes(1000));

    ASSERT_TRUE(standIn.Queue("/held", CAnswer().Text("late").Hold("gate")));
    HeldCall held{standIn.Url("/held"), {}};
    HANDLE thread = CreateThread(nullptr, 0, SendHeld, &held, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(standIn.WaitForRequests(3), 3u);
    EXPECT_EQ(WaitForSingleObject(thread, 300), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(standIn.Release("gate"));
    EXPECT_EQ(WaitForSingleObject(thread, 70000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(held.reply.sBody, "late");

    EXPECT_EQ(Send(standIn.RefusedUrl("/x")).dwError,
              static_cast<DWORD>(ERROR_WINHTTP_CANNOT_CONNECT));
}

TEST(StandInSupport, JsonStringKeepsEveryByte)
{
    const struct {
        std::string text;
        std::string json;
    } cases[] = {
        {"", "\"\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {std::string("\r\n\x01\x7f", 4), "\"\\u000d\\u000a\\u0001\\u007f\""},
        {"\x82\xa0/", "\"\\u0082\\u00a0/\""},
    };
    for (const auto& c : cases) EXPECT_EQ(onlinetest::JsonString(c.text), c.json) << c.json;
}

} // namespace
