#include "tests/launcher/support/BrowserRecord.h"

#include "lib/Path.h"
#include "tests/launcher/support/RecordFile.h"
#include "tests/support/TestSupport.h"

namespace launchertest {

namespace {

std::string RecordPath() { return std::string(CBrowserRecord::kFolder) + "opened.txt"; }

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
    return WholeLines(testsupport::ReadFileBytes(RecordPath(), m_uStart), "\n");
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
