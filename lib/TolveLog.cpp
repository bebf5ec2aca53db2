#include "lib/TolveLog.h"

#include "lib/DbcsText.h"
#include "lib/Handle.h"
#include "lib/TolvelogPathString.h"

#include <windows.h>
#include <psapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const kMarks[] = {"..", "!!", "@@", "->", "<-", ";;", "", "==", "--", "##", "##"};

const DWORD kMutexWaitMs = 10000;

// The part after the last separator. Builds on Linux hand us forward slashes, so both
// separators end a folder; a trail byte of a double-byte character never does.
const char* AfterLastSeparator(const char* path, bool forwardSlashToo)
{
    const char* name = path;
    for (const char* p = path; *p; p += lib::DbcsCharSize(p)) {
        if (*p == '\\' || (forwardSlashToo && *p == '/')) name = p + 1;
    }
    return name;
}

// Appends to dest (size bytes in all) only when the whole text fits.
bool AppendBounded(char* dest, size_t size, const char* text)
{
    const size_t used = std::strlen(dest);
    const size_t length = std::strlen(text);
    if (used + length >= size) return false;
    std::memcpy(dest + used, text, length + 1);
    return true;
}

void WriteBytes(HANDLE file, const char* text)
{
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

} // namespace

// ---------------------------------------------------------------------------------------
// CTolveLogFileLock

CTolveLogFileLock::CTolveLogFileLock(const char* logPath) : m_pMutex(nullptr), m_bOwned(false)
{
    char name[260] = {};
    lib::DbcsCopy(name, sizeof name, AfterLastSeparator(logPath != nullptr ? logPath : "", false));
    m_pMutex = CreateMutexA(nullptr, FALSE, name);
    if (m_pMutex == nullptr) return;
    const DWORD wait = WaitForSingleObject(m_pMutex, kMutexWaitMs);
    // An abandoned mutex means a writer died mid-line; the file is still ours to use.
    m_bOwned = (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED);
}

CTolveLogFileLock::~CTolveLogFileLock()
{
    if (m_bOwned) ReleaseMutex(m_pMutex);
    if (m_pMutex != nullptr) CloseHandle(m_pMutex);
}

// ---------------------------------------------------------------------------------------
// CTolveLog

CTolveLog::CTolveLog(const char* sourceFile, int line, const CTolvelogPathString& pathSetting)
    : m_szSourceName(), m_iLine(line), m_szOutputPath(), m_szBackupPath()
{
    lib::DbcsCopy(m_szSourceName, sizeof m_szSourceName,
                  AfterLastSeparator(sourceFile != nullptr ? sourceFile : "", true));
    if (!pathSetting.Get(m_szOutputPath, sizeof m_szOutputPath) || m_szOutputPath[0] == '\0') {
        m_szOutputPath[0] = '\0';
        return;
    }
    // No backup name that would not fit: that file is then never rotated.
    std::strcpy(m_szBackupPath, m_szOutputPath);
    if (!AppendBounded(m_szBackupPath, sizeof m_szBackupPath, ".BAK")) m_szBackupPath[0] = '\0';
}

CTolveLog::~CTolveLog() = default;

uint32_t CTolveLog::WriteLine(int level, const char* text)
{
    const TolveLogSettings& settings = GetTolveLogSettings();
    if (level == LOG_DEBUG && !settings.debugOutput.load()) return RESULT_OK;
    if (m_szOutputPath[0] == '\0') return RESULT_NO_OUTPUT;
    if (static_cast<unsigned>(level) > LOG_LOGGER_DEFAULT) return RESULT_BAD_LEVEL;

    const CTolveLogFileLock lock(m_szOutputPath);
    if (!lock.IsValid()) return RESULT_MUTEX_CREATE;
    if (!lock.IsLocked()) return RESULT_MUTEX_WAIT;

    SYSTEMTIME now;
    GetLocalTime(&now);
    char prefix[512];
    std::snprintf(prefix, sizeof prefix, "%04d/%02d/%02d %02d:%02d:%02d:%03d\t%s\t%s\t%d\t%lx\t",
                  now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                  now.wMilliseconds, kMarks[level], m_szSourceName, m_iLine,
                  static_cast<unsigned long>(GetCurrentThreadId()));
    char memory[64] = {};
    if (level == LOG_DEBUG) {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
            std::snprintf(memory, sizeof memory, "[WS:%dKB, PF:%dKB]\t",
                          static_cast<int>(counters.WorkingSetSize >> 10),
                          static_cast<int>(counters.PagefileUsage >> 10));
        }
    }

    int64_t size = 0;
    {
        lib::CHandle file(CreateFileA(m_szOutputPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.IsValid()) {
            LARGE_INTEGER length;
            if (GetFileSizeEx(file.Get(), &length)) size = length.QuadPart;
        }
    }
    const int64_t needed = size + static_cast<int64_t>(std::strlen(prefix)) +
                           static_cast<int64_t>(std::strlen(text)) + 2;
    if (needed > settings.sizeLimit.load() && m_szBackupPath[0] != '\0') {
        DeleteFileA(m_szBackupPath);
        MoveFileA(m_szOutputPath, m_szBackupPath);
    }

    {
        lib::CHandle file(CreateFileA(m_szOutputPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) return RESULT_FILE_OPEN;
        SetFilePointer(file.Get(), 0, nullptr, FILE_END);
        WriteBytes(file.Get(), prefix);
        WriteBytes(file.Get(), memory);
        WriteBytes(file.Get(), text);
        WriteBytes(file.Get(), "\r\n");
        if (level == LOG_END) WriteBytes(file.Get(), "\r\n");
    }

    if (level == LOG_FATAL) return _CopyFatalLog();
    return RESULT_OK;
}

uint32_t CTolveLog::_CopyFatalLog()
{
    if (m_szOutputPath[0] == '\0') return RESULT_NO_OUTPUT;

    // "<name>_fatal<yyyymmddhhmmss>.<ext>" beside the log. The dot is looked for in the
    // file name only, so a dot in a folder name never moves the copy into another folder.
    const char* fileName = AfterLastSeparator(m_szOutputPath, false);
    const char* dot = std::strrchr(fileName, '.');
    const size_t stem = dot != nullptr ? static_cast<size_t>(dot - m_szOutputPath)
                                       : std::strlen(m_szOutputPath);
    const char* extension = m_szOutputPath + stem;

    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);

    char pattern[260] = {};
    char copyName[260] = {};
    if (stem >= sizeof pattern) return RESULT_FATAL_COPY;
    std::memcpy(pattern, m_szOutputPath, stem);
    if (!AppendBounded(pattern, sizeof pattern, "_fatal")) return RESULT_FATAL_COPY;
    std::strcpy(copyName, pattern);
    if (!AppendBounded(copyName, sizeof copyName, stamp) ||
        !AppendBounded(copyName, sizeof copyName, extension) ||
        !AppendBounded(pattern, sizeof pattern, "*")) {
        return RESULT_FATAL_COPY; // a name that does not fit: no copy rather than a cut one
    }

    int count = 0;
    char oldest[MAX_PATH] = {};
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            ++count;
            if (oldest[0] == '\0' || std::strcmp(data.cFileName, oldest) < 0) {
                lib::DbcsCopy(oldest, sizeof oldest, data.cFileName);
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }

    if (count >= 4) {
        // The time stamp in the names makes the smallest name the oldest copy.
        const char* folderEnd = lib::DbcsFindLastChar(pattern, '\\');
        if (folderEnd == nullptr) return RESULT_FATAL_NO_FOLDER;
        char victim[260] = {};
        const size_t folderLength = static_cast<size_t>(folderEnd - pattern) + 1;
        std::memcpy(victim, pattern, folderLength);
        if (!AppendBounded(victim, sizeof victim, oldest)) return RESULT_FATAL_DELETE;
        if (!DeleteFileA(victim)) return RESULT_FATAL_DELETE;
    }

    return CopyFileA(m_szOutputPath, copyName, TRUE) ? RESULT_OK : RESULT_FATAL_COPY;
}

// ---------------------------------------------------------------------------------------
// CTolveLogWrapper

CTolveLogWrapper::CTolveLogWrapper(const char* sourceFile, const int& line)
    : m_pSourceFile(sourceFile), m_iLine(line)
{
}

CTolveLogWrapper::~CTolveLogWrapper() = default;

void CTolveLogWrapper::Write(int level, const char* format, ...)
{
    // Fixed on the stack: a log call never allocates for its text.
    char text[1024] = {};
    int length = -1;
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        length = std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
    }
    if (length < 0) {
        text[0] = '\0';
    } else if (static_cast<size_t>(length) >= sizeof text) {
        // Never keep half a double-byte character at the cut.
        size_t keep = 0;
        while (keep < sizeof text - 1) {
            const size_t size = lib::IsDbcsLeadByte(static_cast<unsigned char>(text[keep])) ? 2 : 1;
            if (keep + size > sizeof text - 1) break;
            keep += size;
        }
        text[keep] = '\0';
        Write(LOG_LOGGER, "%s", "出力サイズオーバーです。出力を切り詰めます");
    }

    TolveLogSettings& settings = GetTolveLogSettings();
    uint32_t result;
    if (level == LOG_LOGGER_DEFAULT) {
        _SetDefaultOutputPath();
        CTolveLog log(m_pSourceFile, m_iLine, settings.defaultOutputPath);
        result = log.WriteLine(level, text);
    } else {
        CTolveLog log(m_pSourceFile, m_iLine, settings.outputPath);
        result = log.WriteLine(level, text);
    }
    if (result != CTolveLog::RESULT_OK && _HandleError(result, level) == 1) {
        _SetDefaultOutputPath();
        CTolveLog log(m_pSourceFile, m_iLine, settings.defaultOutputPath);
        log.WriteLine(level, text);
    }
}

uint32_t CTolveLogWrapper::_HandleError(uint32_t result, int level)
{
    const bool ownNotice = (level == LOG_LOGGER || level == LOG_LOGGER_DEFAULT);
    switch (result) {
    case CTolveLog::RESULT_NO_OUTPUT:
        if (ownNotice) return 2;
        Write(LOG_LOGGER_DEFAULT, "%s", "出力先が設定されていません。デフォルト出力先を使用します");
        return 1;
    case CTolveLog::RESULT_BAD_LEVEL:
        Write(LOG_LOGGER, "不正なログ種別[%d]が指定されました", level);
        return 0;
    case CTolveLog::RESULT_FATAL_COPY:
        Write(LOG_LOGGER, "%s", "退避ファイルの作成に失敗しました");
        return 0;
    case CTolveLog::RESULT_FATAL_DELETE:
        Write(LOG_LOGGER, "%s", "古い退避ファイル削除失敗のため、退避ファイルを作成できません");
        return 0;
    case CTolveLog::RESULT_MUTEX_CREATE:
    case CTolveLog::RESULT_MUTEX_WAIT:
    case CTolveLog::RESULT_FILE_OPEN:
        if (ownNotice) return 2;
        return _ReportFileError(result, level);
    case CTolveLog::RESULT_FATAL_NO_FOLDER:
        Write(LOG_LOGGER, "%s", "想定外のエラーが発生しました");
        return 0;
    default:
        return 0;
    }
}

uint32_t CTolveLogWrapper::_ReportFileError(uint32_t result, int level)
{
    const DWORD error = GetLastError();
    if (result == CTolveLog::RESULT_MUTEX_CREATE) {
        Write(LOG_LOGGER_DEFAULT, "%s", "排他オブジェクト作成に失敗しました");
    } else if (result == CTolveLog::RESULT_MUTEX_WAIT) {
        Write(LOG_LOGGER_DEFAULT, "%s", "排他で待てませんでした");
    } else if (level == LOG_DUMP) {
        Write(LOG_LOGGER_DEFAULT, "ダンプファイルエラーが発生しました。GetLastError[%d]",
              static_cast<int>(error));
    } else {
        Write(LOG_LOGGER_DEFAULT, "ファイルエラーが発生しました。GetLastError[%d]",
              static_cast<int>(error));
    }
    return 0;
}
