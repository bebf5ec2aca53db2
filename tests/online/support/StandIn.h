#pragma once
// The stand-in online services (tools/standin, started by tools/wine-session) as the online
// tests drive them. Each test program works in its own scenario space, the URL prefix
// "/s/<space>/" on 127.0.0.1; a test queues the answers its requests will get there, runs
// the product, and reads back what the product sent:
//
//     onlinetest::CStandIn standIn;                      // empties this program's space
//     standIn.Queue("/pcapp/LogUploadCheckAPI", onlinetest::CAnswer().Text("RET=0"));
//     ... the product sends to standIn.Url("/pcapp/LogUploadCheckAPI") ...
//     auto requests = standIn.Requests();                // method, target, headers, body
//
// Paths are inside the space. A path ending in "*" stands for every path it begins; an
// exact path goes before the longest such prefix. Requests that no queued answer serves go
// to the service module of their path (tools/standin/services), else get 404. Each step
// reports its own failure to GoogleTest and returns false. The control connection is plain
// Winsock, so it never goes through the product's HTTP client or its proxy settings.

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace onlinetest {

// Byte i of the stand-in's generated body (CAnswer::Pattern, "/pattern/<n>").
uint8_t PatternByte(uint64_t index);
std::string PatternBytes(size_t size, uint64_t from = 0);

// The 401 modes. Both: Digest and Basic offered (in that order), either accepted with the
// right password. DigestOnly: Digest offered and accepted only (RFC 2617, MD5, qop=auth).
// WrongPassword: both offered, nothing accepted.
enum class AuthMode { Both, DigestOnly, WrongPassword };

// One answer, built step by step: CAnswer().Status(503).Text("busy").Delay(200).
// Without a status it is 200; without a body it is empty.
class CAnswer {
public:
    CAnswer& Status(int status);
    CAnswer& Header(const std::string& name, const std::string& value);
    CAnswer& Text(const std::string& bytes);           // exact bytes, any code page
    CAnswer& BodyFile(const std::string& windowsPath); // that file's bytes when answering
    CAnswer& Pattern(uint64_t size);                   // the generated body, any size

    // How the body goes out. Default: Content-Length of the body.
    CAnswer& NoLength();                      // no length: the connection closes after it
    CAnswer& Chunked(size_t chunkSize = 0);   // chunked transfer coding
    CAnswer& AnnounceLength(uint64_t length); // this Content-Length, whatever is sent
    CAnswer& SendOnly(uint64_t bytes);        // only the first bytes, then the link closes

    // Time. Every wait is bounded by the stand-in (60 s) and ends at the space's reset.
    CAnswer& Delay(DWORD ms);                      // before the status line
    CAnswer& Stall(uint64_t afterBytes, DWORD ms); // after that much of the body
    // After that much of the body, until Release: begun, and not ending before the test's step.
    CAnswer& StallUntil(uint64_t afterBytes, const std::string& gate);
    CAnswer& Trickle(size_t bytes, DWORD ms);      // pieces of `bytes`, `ms` apart
    CAnswer& Hold(const std::string& gate);        // before the status line, until Release

    CAnswer& Close(); // no answer: the connection is closed
    CAnswer& Reset(); // no answer: the connection is reset
    // A location beginning with "/" is in this space.
    CAnswer& Redirect(const std::string& location, int status = 302);
    CAnswer& Auth(AuthMode mode, const std::string& user, const std::string& password,
                  const std::string& realm = "kestrum");
    // The status, headers and body come from the service module of the path; what this
    // answer sets besides (delivery, time, auth) applies to them.
    CAnswer& Service();
    CAnswer& Count(int requests); // answers that many requests (default 1)

    std::string Json() const;

private:
    CAnswer& _Set(const std::string& key, const std::string& jsonValue);

    std::vector<std::pair<std::string, std::string>> m_vFields; // key, JSON value
    std::vector<std::string> m_vHeaders;                        // JSON arrays
};

// A request as the stand-in received it.
struct RecordedRequest {
    std::string sMethod;
    std::string sTarget; // as sent: "/s/<space>/x?q", or absolute through a proxy
    std::string sPath;   // inside the space, without the query
    std::string sQuery;
    std::string sHost;                 // the Host header, or the absolute target's host
    bool bProxied = false;             // the target was absolute: the client took us for its proxy
    int iStatus = 0;                   // what the stand-in answered (0: no answer)
    std::vector<std::string> vHeaders; // "Name: value", in order
    std::string sBody;

    // The first value of a header (case-insensitive name); "" when absent.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

class CStandIn {
public:
    // Opens the space (empty: named after the test program) and empties it: no answers,
    // rules, values, requests or open holds are left from an earlier test.
    explicit CStandIn(const std::string& space = "");

    bool IsRunning() const { return m_uPort != 0; }
    uint16_t Port() const { return m_uPort; }
    const std::string& Space() const { return m_sSpace; }
    // "http://127.0.0.1:<port>/s/<space>", without a final "/".
    std::string BaseUrl() const;
    std::string Url(const std::string& path) const { return BaseUrl() + path; }
    // A URL on 127.0.0.1 whose port refuses every connection.
    std::string RefusedUrl(const std::string& path) const;

    bool Queue(const std::string& path, const CAnswer& answer);
    // Merged under every answer of the paths (queued or from a service): for example an
    // authentication that every file of a folder asks for.
    bool Rule(const std::string& path, const CAnswer& answer);
    // Values for the service modules (a JSON object's text), kept until the next reset.
    bool SetVars(const std::string& jsonObject);
    // Lets the answers held at that gate go (and later ones pass at once).
    bool Release(const std::string& gate);
    // Empties the space; without recording, requests are counted but bodies not kept.
    bool Reset(bool record = true);

    std::vector<RecordedRequest> Requests() const;
    // Waits until the space has received `count` requests since its reset; the number.
    size_t WaitForRequests(size_t count, DWORD timeoutMs = 30000) const;

private:
    bool _Control(const char* method, const std::string& target, const std::string& body,
                  std::string* reply) const;

    std::string m_sSpace;
    uint16_t m_uPort = 0;
    uint16_t m_uRefusedPort = 0;
};

// A text as a JSON string literal; bytes above 127 go as the code points of the same
// value, which the stand-in turns back into those bytes.
std::string JsonString(const std::string& bytes);

} // namespace onlinetest
