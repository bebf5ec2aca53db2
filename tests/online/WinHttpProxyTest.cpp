// The HTTP client's proxy discovery and its choice of port and TLS. The proxy settings are
// written to a key of this program's own, which the client reads through its platform
// seam: the real key stays as it is for the tests running beside this one.

#include "online/WinHttpWrapper.h"

#include "tests/online/HttpTestSupport.h"
#include "tests/online/support/StandIn.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <shlwapi.h>
#include <windows.h>

#include <string>

using httptest::CScriptedApi;
using httptest::Finish;
using httptest::kAgent;
using httptest::Outcome;
using onlinetest::CAnswer;
using onlinetest::CStandIn;

namespace {

const bool g_privateAppData = testsupport::UsePrivateAppData("online_http_calls_test");
const char kTestRoot[] = "Software\\Kestrum4Test\\online_http_calls_test";
const char kSettings[] = "Software\\Kestrum4Test\\online_http_calls_test\\Internet Settings";
const char kSource[] = "WinHttpWrapper.cpp";

class CPrivateProxySettings {
public:
    CPrivateProxySettings() { m_api.sSettingsKey = kSettings; }
    ~CPrivateProxySettings() { SHDeleteKeyA(HKEY_CURRENT_USER, kTestRoot); }

    // Rewrites the key with the values given (null, or -1 for ProxyEnable: left out).
    void Write(const std::string& autoConfigUrl, int proxyEnable, const std::string& proxyServer)
    {
        SHDeleteKeyA(HKEY_CURRENT_USER, kTestRoot);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (!autoConfigUrl.empty()) {
            RegSetValueExA(key, "AutoConfigURL", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(autoConfigUrl.c_str()),
                           static_cast<DWORD>(autoConfigUrl.size() + 1));
        }
        if (proxyEnable >= 0) {
            const DWORD value = static_cast<DWORD>(proxyEnable);
            RegSetValueExA(key, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof value);
        }
        if (!proxyServer.empty()) {
            RegSetValueExA(key, "ProxyServer", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(proxyServer.c_str()),
                           static_cast<DWORD>(proxyServer.size() + 1));
        }
        RegCloseKey(key);
    }

private:
    CScriptedApi m_api;
};

TEST(HttpProxy, DiscoveryTable)
{
    CStandIn standIn;
    ASSERT_TRUE(standIn.IsRunning());
    CPrivateProxySettings settings;
    const std::string standInProxy = "127.0.0.1:" + std::to_string(standIn.Port());
    const std::string refusedProxy =
        standIn.RefusedUrl("").substr(7, standIn.RefusedUrl("").find('/', 7) - 7);
    const std::string pacProxy =
        "function FindProxyForURL(url, host) { return 'PROXY " + standInProxy + "'; }";
    const std::string pacDirect = "function FindProxyForURL(url, host) { return 'DIRECT'; }";
    // The target's host resolves nowhere: only a proxy can reach it.
    const std::string viaProxy = "http://kestrum-proxy.invalid/s/" + standIn.Space() + "/target";
    const std::string direct = standIn.Url("/target");
    enum Script { NO_SCRIPT, SCRIPT_PROXY, SCRIPT_DIRECT, SCRIPT_UNREACHABLE };
    const struct {
        const char* name;
        Script script;
        int proxyEnable;
        std::string proxyServer;
        bool useCallerProxy;
        std::string url;
        bool proxied;
        const char* errorLine; // a level-1 line of the discovery, or null
    } cases[] = {
        {"manual proxy", NO_SCRIPT, 1, standInProxy, false, viaProxy, true, nullptr},
        {"manual proxy switched off", NO_SCRIPT, 0, refusedProxy, false, direct, false, nullptr},
        {"no settings", NO_SCRIPT, -1, "", false, direct, false,
         "プロキシ設定取得失敗[ERR:0x00000002]"},
        {"enabled without a server", NO_SCRIPT, 1, "", false, direct, false,
         "プロキシサーバ取得失敗[ERR:0x00000002]"},
        {"script before the manual proxy", SCRIPT_PROXY, 1, refusedProxy, false, viaProxy, true,
         nullptr},
        {"script says direct: manual proxy", SCRIPT_DIRECT, 1, standInProxy, false, viaProxy, true,
         nullptr},
        {"script unreachable: manual proxy", SCRIPT_UNREACHABLE, 1, standInProxy, false, viaProxy,
         true, nullptr},
        {"caller's proxy", NO_SCRIPT, 1, refusedProxy, true, viaProxy, true, nullptr},
    };
    const std::wstring callerProxy(standInProxy.begin(), standInProxy.end());
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(standIn.Reset());
        ASSERT_TRUE(standIn.Queue("/target", CAnswer().Text("reached")));
        // A script URL of its own per row, so that no script is taken from a cache.
        const std::string pacPath = "/proxy" + std::to_string(++row) + ".pac";
        std::string configUrl;
        if (c.script == SCRIPT_PROXY || c.script == SCRIPT_DIRECT) {
            configUrl = standIn.Url(pacPath);
            ASSERT_TRUE(standIn.Queue(
                pacPath, CAnswer()
                             .Text(c.script == SCRIPT_PROXY ? pacProxy : pacDirect)
                             .Header("Content-Type", "application/x-ns-proxy-autoconfig")
                             .Count(5)));
        } else if (c.script == SCRIPT_UNREACHABLE) {
            configUrl = standIn.RefusedUrl(pacPath);
        }
        settings.Write(configUrl, c.proxyEnable, c.proxyServer);
        testsupport::CLogCapture log;
        CWinHttpWrapper client;
        ASSERT_TRUE(client.Initialize(c.url.c_str(), 0, nullptr, true));
        ASSERT_TRUE(client.Connect(HTTP_VERB_GET, kAgent,
                                   c.useCallerProxy ? callerProxy.c_str() : nullptr));
        const DWORD start = GetTickCount();
        const Outcome outcome = Finish(client, client.SendRequest(nullptr, nullptr), start);
        EXPECT_EQ(outcome.uResult, 0u);
        EXPECT_EQ(outcome.sBody, "reached");
        bool found = false;
        for (const auto& r : standIn.Requests()) {
            if (r.sPath != "/target") continue;
            found = true;
            EXPECT_EQ(r.bProxied, c.proxied);
            // Through a proxy the target is absolute (Wine writes the port too: ":80").
            const std::string host =
                c.proxied ? "kestrum-proxy.invalid" : "127.0.0.1:" + std::to_string(standIn.Port());
            EXPECT_EQ(r.sHost.compare(0, host.size(), host), 0) << r.sHost;
        }
        EXPECT_TRUE(found);
        if (c.errorLine != nullptr) {
            EXPECT_TRUE(log.HasLine("!!", kSource, c.errorLine));
        } else {
            EXPECT_FALSE(log.Has("\t!!\t" + std::string(kSource) + "\t"));
        }
    }
}

TEST(HttpProxy, UnreachableProxyIsNotBypassed)
{
    CStandIn standIn;
    CPrivateProxySettings settings;
    const std::string refused = standIn.RefusedUrl("");
    settings.Write("", 1, refused.substr(7, refused.find('/', 7) - 7));
    ASSERT_TRUE(standIn.Queue("/target", CAnswer().Text("reached")));
    CWinHttpWrapper client;
    ASSERT_TRUE(client.Initialize(standIn.Url("/target").c_str(), 0, nullptr, true));
    ASSERT_TRUE(client.Connect(HTTP_VERB_GET, kAgent, nullptr));
    const DWORD start = GetTickCount();
    const Outcome outcome = Finish(client, client.SendRequest(nullptr, nullptr), start);
    EXPECT_EQ(outcome.uResult, static_cast<uint32_t>(ERROR_WINHTTP_CANNOT_CONNECT));
    EXPECT_TRUE(standIn.Requests().empty());
}

TEST(HttpPort, PortAndTlsTable)
{
    const INTERNET_SCHEME http = INTERNET_SCHEME_HTTP, https = INTERNET_SCHEME_HTTPS;
    const struct {
        uint16_t callerPort;
        INTERNET_SCHEME scheme;
        INTERNET_PORT urlPort; // as cracked: the scheme's default when the URL names none
        INTERNET_PORT port;
        bool secure;
    } cases[] = {
        // Port 0: the URL decides, TLS with "https".
        {0, https, 443, 443, true},   // https://h/
        {0, https, 8443, 8443, true}, // https://h:8443/
        {0, https, 80, 80, true},     // https://h:80/
        {0, http, 80, 80, false},     // http://h/
        {0, http, 443, 443, false},   // http://h:443/
        {0, http, 8080, 8080, false}, // http://h:8080/
        // A caller's port: 80 and 443 follow the scheme, others stay; TLS only on 443.
        {80, https, 443, 443, true},
        {443, https, 8443, 443, true},
        {443, http, 443, 80, false},
        {80, http, 8080, 80, false},
        {8443, https, 443, 8443, false},
        {8080, http, 80, 8080, false},
    };
    for (const auto& c : cases) {
        const HttpPortChoice choice =
            CWinHttpWrapper::ChoosePort(c.callerPort, c.scheme, c.urlPort);
        EXPECT_EQ(choice.wPort, c.port) << c.callerPort << " " << c.scheme << " " << c.urlPort;
        EXPECT_EQ(choice.bSecure, c.secure) << c.callerPort << " " << c.scheme << " " << c.urlPort;
    }
}

} // namespace
