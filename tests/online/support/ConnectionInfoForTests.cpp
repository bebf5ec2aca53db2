#include "tests/online/support/ConnectionInfoForTests.h"

#include "lib/Path.h"
#include "online/ConnectionFile.h"

#include <fstream>

namespace onlinetest {

std::string ConnectionInfoPath()
{
    std::string path = lib::GetParentFolder(lib::GetModuleFileNameStr(nullptr));
    lib::AppendBackslash(path);
    return path + "Connection.info";
}

std::string PathOfURL(const std::string& url)
{
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) return std::string();
    const size_t path = url.find('/', scheme + 3);
    return path == std::string::npos ? std::string() : url.substr(path);
}

bool WriteConnectionInfo(const std::string& baseURL)
{
    return WriteConnectionInfoAt(ConnectionInfoPath(), baseURL);
}

bool WriteConnectionInfoAt(const std::string& path, const std::string& baseURL)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    size_t count = 0;
    const ConnectionRow* rows = GetBuiltinConnectionRows(count);
    for (size_t i = 0; i < count; ++i) {
        // Quoted, with its quotes doubled, so that a comma in a URL stays in the field.
        std::string url = baseURL + PathOfURL(rows[i].m_pszURL);
        std::string quoted;
        for (const char c : url) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        file << rows[i].m_uId << ",\"" << quoted << "\"\r\n";
    }
    file.close();
    return !file.fail();
}

} // namespace onlinetest
