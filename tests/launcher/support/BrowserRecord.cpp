#include "tests/launcher/support/BrowserRecord.h"

#include "lib/Path.h"
#include "tests/support/TestSupport.h"

namespace launchertest {

namespace {

std::string RecordPath() { return std::string(CBrowserRecord::kFolder) + "opened.txt"; }

size_t FileLength(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return data.nFileSizeLow;
}

} // namespace

const char CBrowserRecord::kFolder[] = "C:\\kestrum\\";

CBrowserRecord::CBrowserRecord() : m_uStart(FileLength(RecordPath())) {}

bool CBrowserRecord::IsInstalled()
{
    return lib::FileExists(std::string(kFolder) + "BrowserRecorder.exe");
}

std::vector<std::string> CBrowserRecord::Opened() const
{
    // One line per start: its arguments, "\n"-terminated.
    const std::string text = testsupport::ReadFileBytes(RecordPath(), m_uStart);
    std::vector<std::string> opened;
    size_t begin = 0;
    for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
        opened.push_back(text.substr(begin, end - begin));
    }
    return opened;
}

std::vector<std::string> CBrowserRecord::WaitForOpened(DWORD timeoutMs, size_t count) const
{
    const DWORD begin = GetTickCount();
    for (;;) {
        std::vector<std::string> opened = Opened();
        if (opened.size() >= count || GetTickCount() - begin >= timeoutMs) return opened;
        Sleep(20);
    }
}

} // namespace launchertest
