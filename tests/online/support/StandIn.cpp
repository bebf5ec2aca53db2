// Winsock 2 goes before <windows.h>, which would bring in the old Winsock header.
#include <winsock2.h>

#include "tests/online/support/StandIn.h"

#include "lib/Path.h"
#include "lib/StringUtility.h"
#include "tests/carddata/HostShell.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace onlinetest {

namespace {

const char kPortVariable[] = "KESTRUM_STANDIN_PORT";

std::string Quoted(const std::string& text) { return JsonString(text); }

std::string Number(uint64_t value) { return std::to_string(value); }

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// The program's file name without folder and extension, lower case: the default space.
std::string ProgramSpace()
{
    std::string name = lib::GetModuleFileNameStr(nullptr);
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return lib::StringToLower(name);
}

bool WinsockReady()
{
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

// One HTTP/1.0 exchange with the stand-in on 127.0.0.1; the whole answer, or "" when the
// connection failed.
std::string Exchange(uint16_t port, const std::string& request)
{
    if (!WinsockReady()) return "";
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return "";
    DWORD timeoutMs = 90000; // above the stand-in's longest wait
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
               sizeof timeoutMs);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        size_t sent = 0;
        while (sent < request.size()) {
            const int n =
                send(s, request.data() + sent, static_cast<int>(request.size() - sent), 0);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        char buffer[65536];
        for (;;) {
            const int n = recv(s, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            answer.append(buffer, static_cast<size_t>(n));
        }
    }
    closesocket(s);
    return answer;
}

// Reads "key length\n<bytes>\n" fields from `pos`; false at the end or on a damaged frame.
bool NextField(const std::string& data, size_t& pos, std::string& key, std::string& value)
{
    const size_t blank = data.find(' ', pos);
    const size_t eol = data.find('\n', pos);
    if (blank == std::string::npos || eol == std::string::npos || blank > eol) return false;
    key = data.substr(pos, blank - pos);
    const size_t length = std::strtoul(data.c_str() + blank + 1, nullptr, 10);
    if (eol + 1 + length + 1 > data.size()) return false;
    value = data.substr(eol + 1, length);
    pos = eol + 1 + length + 1;
    return true;
}

} // namespace

uint8_t PatternByte(uint64_t index)
{
    return static_cast<uint8_t>((index % 251) ^ ((index / 251) & 0xFF));
}

std::string PatternBytes(size_t size, uint64_t from)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(PatternByte(from + i));
    return bytes;
}

std::string JsonString(const std::string& bytes)
{
    std::string json = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else {
            json += static_cast<char>(c);
        }
    }
    return json + "\"";
}

// --- CAnswer ---------------------------------------------------------------------------

CAnswer& CAnswer::_Set(const std::string& key, const std::string& jsonValue)
{
    for (auto& field : m_vFields) {
        if (field.first == key) {
            field.second = jsonValue;
            return *this;
        }
    }
    m_vFields.emplace_back(key, jsonValue);
    return *this;
}

CAnswer& CAnswer::Status(int status) { return _Set("status", Number(status)); }

CAnswer& CAnswer::Header(const std::string& name, const std::string& value)
{
    m_vHeaders.push_back("[" + Quoted(name) + "," + Quoted(value) + "]");
    return *this;
}

CAnswer& CAnswer::Text(const std::string& bytes) { return _Set("body_hex", Quoted(Hex(bytes))); }

CAnswer& CAnswer::BodyFile(const std::string& windowsPath)
{
    return _Set("body_file", Quoted(hostshell::UnixPath(windowsPath)));
}

CAnswer& CAnswer::Pattern(uint64_t size) { return _Set("body_pattern", Number(size)); }
CAnswer& CAnswer::NoLength() { return _Set("length", "\"none\""); }

CAnswer& CAnswer::Chunked(size_t chunkSize)
{
    _Set("length", "\"chunked\"");
    return chunkSize ? _Set("chunk_size", Number(chunkSize)) : *this;
}

CAnswer& CAnswer::AnnounceLength(uint64_t length) { return _Set("length", Number(length)); }
CAnswer& CAnswer::SendOnly(uint64_t bytes) { return _Set("send_bytes", Number(bytes)); }
CAnswer& CAnswer::Delay(DWORD ms) { return _Set("delay_ms", Number(ms)); }

CAnswer& CAnswer::Stall(uint64_t afterBytes, DWORD ms)
{
    _Set("stall_after", Number(afterBytes));
    return _Set("stall_ms", Number(ms));
}

CAnswer& CAnswer::StallUntil(uint64_t afterBytes, const std::string& gate)
{
    _Set("stall_after", Number(afterBytes));
    return _Set("stall_gate", Quoted(gate));
}

CAnswer& CAnswer::Trickle(size_t bytes, DWORD ms)
{
    _Set("trickle_bytes", Number(bytes));
    return _Set("trickle_ms", Number(ms));
}

CAnswer& CAnswer::Hold(const std::string& gate) { return _Set("hold", Quoted(gate)); }
CAnswer& CAnswer::Close() { return _Set("action", "\"close\""); }
CAnswer& CAnswer::Reset() { return _Set("action", "\"reset\""); }

CAnswer& CAnswer::Redirect(const std::string& location, int status)
{
    _Set("redirect", Quoted(location));
    return Status(status);
}

CAnswer& CAnswer::Auth(AuthMode mode, const std::string& user, const std::string& password,
                       const std::string& realm)
{
    const char* name = mode == AuthMode::Both         ? "both"
                       : mode == AuthMode::DigestOnly ? "digest"
                                                      : "wrong-password";
    return _Set("auth", "{\"mode\":" + Quoted(name) + ",\"user\":" + Quoted(user) +
                            ",\"password\":" + Quoted(password) + ",\"realm\":" + Quoted(realm) +
                            "}");
}

CAnswer& CAnswer::Service() { return _Set("service", "true"); }
CAnswer& CAnswer::Count(int requests) { return _Set("count", Number(requests)); }

std::string CAnswer::Json() const
{
    std::string json = "{";
    for (const auto& field : m_vFields) {
        if (json.size() > 1) json += ",";
        json += Quoted(field.first) + ":" + field.second;
    }
    if (!m_vHeaders.empty()) {
        if (json.size() > 1) json += ",";
        json += "\"headers\":[";
        for (size_t i = 0; i < m_vHeaders.size(); ++i) {
            json += (i ? "," : "") + m_vHeaders[i];
        }
        json += "]";
    }
    return json + "}";
}

// --- RecordedRequest -------------------------------------------------------------------

std::string RecordedRequest::Header(const std::string& name) const
{
    const std::string wanted = lib::StringToLower(name) + ":";
    for (const std::string& line : vHeaders) {
        if (lib::StringToLower(line.substr(0, wanted.size())) == wanted) {
            const size_t start = line.find_first_not_of(' ', wanted.size());
            return start == std::string::npos ? "" : line.substr(start);
        }
    }
    return "";
}

bool RecordedRequest::HasHeader(const std::string& name) const
{
    const std::string wanted = lib::StringToLower(name) + ":";
    for (const std::string& line : vHeaders) {
        if (lib::StringToLower(line.substr(0, wanted.size())) == wanted) return true;
    }
    return false;
}

// --- CStandIn --------------------------------------------------------------------------

CStandIn::CStandIn(const std::string& space)
    : m_sSpace(space.empty() ? ProgramSpace() : space)
{
    const char* port = std::getenv(kPortVariable);
    if (port == nullptr || std::atoi(port) <= 0 || std::atoi(port) > 65535) {
        ADD_FAILURE() << "the stand-in services are not running (" << kPortVariable
                      << " is not set): run the test through tools/wine-session";
        return;
    }
    m_uPort = static_cast<uint16_t>(std::atoi(port));
    std::string info;
    if (!_Control("GET", "/control/info", "", &info) || !Reset()) {
        m_uPort = 0;
        return;
    }
    const size_t at = info.find("refused_port=");
    if (at != std::string::npos) {
        m_uRefusedPort = static_cast<uint16_t>(std::atoi(info.c_str() + at + 13));
    }
}

std::string CStandIn::BaseUrl() const
{
    return "http://127.0.0.1:" + Number(m_uPort) + "/s/" + m_sSpace;
}

std::string CStandIn::RefusedUrl(const std::string& path) const
{
    return "http://127.0.0.1:" + Number(m_uRefusedPort) + "/s/" + m_sSpace + path;
}

bool CStandIn::_Control(const char* method, const std::string& target, const std::string& body,
                        std::string* reply) const
{
    if (m_uPort == 0) return false;
    const std::string request =
        std::string(method) + " " + target +
        " HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Length: " + Number(body.size()) + "\r\n\r\n" +
        body;
    const std::string answer = Exchange(m_uPort, request);
    const size_t end = answer.find("\r\n\r\n");
    // "HTTP/1.x 200 ..."
    const bool ok = answer.compare(0, 5, "HTTP/") == 0 && answer.compare(8, 5, " 200 ") == 0 &&
                    end != std::string::npos;
    if (!ok) {
        ADD_FAILURE() << "stand-in control " << method << " " << target
                      << " failed: " << (answer.empty() ? "no answer" : answer.substr(0, 300));
        return false;
    }
    if (reply != nullptr) *reply = answer.substr(end + 4);
    return true;
}

bool CStandIn::Queue(const std::string& path, const CAnswer& answer)
{
    return _Control("POST", "/control/" + m_sSpace + "/queue",
                    "{\"path\":" + Quoted(path) + ",\"answer\":" + answer.Json() + "}", nullptr);
}

bool CStandIn::Rule(const std::string& path, const CAnswer& answer)
{
    return _Control("POST", "/control/" + m_sSpace + "/rule",
                    "{\"path\":" + Quoted(path) + ",\"answer\":" + answer.Json() + "}", nullptr);
}

bool CStandIn::SetVars(const std::string& jsonObject)
{
    return _Control("POST", "/control/" + m_sSpace + "/vars", jsonObject, nullptr);
}

bool CStandIn::Release(const std::string& gate)
{
    return _Control("POST", "/control/" + m_sSpace + "/release?gate=" + gate, "", nullptr);
}

bool CStandIn::Reset(bool record)
{
    return _Control("POST", "/control/" + m_sSpace + "/reset",
                    record ? "{\"record\":true}" : "{\"record\":false}", nullptr);
}

std::vector<RecordedRequest> CStandIn::Requests() const
{
    std::vector<RecordedRequest> requests;
    std::string data;
    if (!_Control("GET", "/control/" + m_sSpace + "/requests", "", &data)) return requests;
    size_t pos = 0;
    std::string key, value;
    while (NextField(data, pos, key, value)) {
        if (key == "request") {
            requests.emplace_back();
            continue;
        }
        if (requests.empty()) break;
        RecordedRequest& r = requests.back();
        if (key == "method")
            r.sMethod = value;
        else if (key == "target")
            r.sTarget = value;
        else if (key == "path")
            r.sPath = value;
        else if (key == "query")
            r.sQuery = value;
        else if (key == "host")
            r.sHost = value;
        else if (key == "proxied")
            r.bProxied = value == "1";
        else if (key == "status")
            r.iStatus = std::atoi(value.c_str());
        else if (key == "header")
            r.vHeaders.push_back(value);
        else if (key == "body")
            r.sBody = value;
    }
    return requests;
}

size_t CStandIn::WaitForRequests(size_t count, DWORD timeoutMs) const
{
    std::string reply;
    if (!_Control("GET",
                  "/control/" + m_sSpace + "/wait?count=" + Number(count) +
                      "&timeout_ms=" + Number(timeoutMs),
                  "", &reply)) {
        return 0;
    }
    return std::strtoul(reply.c_str(), nullptr, 10);
}

} // namespace onlinetest
