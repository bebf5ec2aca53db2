#pragma once
// What many test programs need: reading files whole, the lines this process logged, and a
// private application-data folder so that tests running side by side in one Wine prefix
// never share "UserList.info", settings or logs.

#include <cstddef>
#include <string>

namespace testsupport {

// The bytes of a file from an offset (empty when it cannot be read); the file may be open
// for writing elsewhere.
std::string ReadFileBytes(const std::string& path, size_t from = 0);

// The whole log file this process writes to.
std::string ReadLog();

// The log lines written since the capture was made.
class CLogCapture {
public:
    CLogCapture();
    std::string Text() const;
    bool Has(const std::string& text) const { return Text().find(text) != std::string::npos; }
    // A captured line of this level mark from this source file ("PcLinkFile.cpp") holding
    // the text.
    bool HasLine(const char* mark, const char* source, const std::string& text) const;
    size_t Count(const std::string& text) const;

private:
    size_t m_uStart;
};

// Sends this process's application folders (Log, Data, Setting, ...) into
// "%TEMP%\<name>_<pid>\" for the whole test run, and deletes it at the end. Call it once,
// from a namespace-scope initialiser, before any test runs.
bool UsePrivateAppData(const char* name);

// "%TEMP%\<name>_<pid>\" of UsePrivateAppData, with its trailing backslash.
const std::string& PrivateRoot();

} // namespace testsupport
