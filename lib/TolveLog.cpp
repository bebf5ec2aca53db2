// Interim log writer: the line format and the cross-process mutex; rotation, fatal copies,
// notices and the debug switch come with the full writer.
#include "lib/TolveLog.h"

#include "lib/DbcsText.h"
#include "lib/StringUtility.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const kMarks[] = {"..", "!!", "@@", "->", "<-", ";;", "", "==", "--", "##", "##"};

std::string& OutputPath()
{
    static std::string path;
    return path;
}

std::string DefaultOutputPath()
{
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    const char* dot = lib::DbcsFindLastChar(module, '.');
    const char* slash = lib::DbcsFindLastChar(module, '\\');
    if (dot != nullptr && (slash == nullptr || dot > slash)) path.resize(dot - module);
    return path + "_sys.log";
}

std::string SourceName(const char* file)
{
    // Builds on Linux give forward slashes; both separators end a folder.
    const char* name = file;
    for (const char* p = file; *p; p += lib::DbcsCharSize(p)) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    return name;
}

} // namespace

CTolveLogWrapper::CTolveLogWrapper(const char* sourceFile, const int& line)
    : m_pSourceFile(sourceFile), m_iLine(line)
{
}

CTolveLogWrapper::~CTolveLogWrapper() = default;

void CTolveLogWrapper::Write(int level, const char* format, ...)
{
    if (level < 0 || level > LOG_LOGGER_DEFAULT || level == LOG_DEBUG) return;
    char text[1024] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);

    const std::string path = OutputPath().empty() ? DefaultOutputPath() : OutputPath();
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string line = lib::FormatString(
        "%04d/%02d/%02d %02d:%02d:%02d:%03d\t%s\t%s\t%d\t%lx\t%s\r\n", now.wYear, now.wMonth,
        now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, kMarks[level],
        SourceName(m_pSourceFile).c_str(), m_iLine, GetCurrentThreadId(), text);

    const char* name = lib::DbcsFindLastChar(path.c_str(), '\\');
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name ? name + 1 : path.c_str());
    if (mutex == nullptr) return;
    const DWORD wait = WaitForSingleObject(mutex, 10000);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            SetFilePointer(file, 0, nullptr, FILE_END);
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
        }
        ReleaseMutex(mutex);
    }
    CloseHandle(mutex);
}

void CTolveLogWrapper::Start(const char* fileName, int32_t, uint32_t)
{
    if (OutputPath().empty()) OutputPath() = (fileName && *fileName) ? fileName : DefaultOutputPath();
    Write(LOG_START, "==========<開始(%s)>==========", "");
}

void CTolveLogWrapper::End()
{
    Write(LOG_END, "%s", "----------<終了>----------");
}
