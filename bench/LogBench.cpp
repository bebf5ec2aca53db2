// How fast the log writer appends lines from two threads at once, beside the same number
// of plain appends to a file kept open, measured in the same run. The writer opens the
// file twice and takes a named mutex for every line, so it is expected to be far slower;
// the figure shows what a busy log costs a worker.
#include "lib/TolveLog.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const int kLines = 20000;
const int kThreads = 2;

std::string g_plainPath;
CRITICAL_SECTION g_plainLock;
HANDLE g_plainFile = INVALID_HANDLE_VALUE;

DWORD WINAPI WriteLogLines(void*)
{
    for (int i = 0; i < kLines / kThreads; ++i) {
        TOLVE_LOG(LOG_INFO, "ベンチマーク行 %05d ERR:0x%08X", i, 0x12345678u);
    }
    return 0;
}

// The reference: a line of the same shape appended to an open file under a lock.
DWORD WINAPI WritePlainLines(void*)
{
    for (int i = 0; i < kLines / kThreads; ++i) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        char line[256];
        const int length = std::snprintf(
            line, sizeof line,
            "%04d/%02d/%02d %02d:%02d:%02d:%03d\t..\tLogBench.cpp\t1\t%lx\tベンチマーク行 %05d ERR:0x%08X\r\n",
            now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
            now.wMilliseconds, static_cast<unsigned long>(GetCurrentThreadId()), i, 0x12345678u);
        EnterCriticalSection(&g_plainLock);
        DWORD written = 0;
        WriteFile(g_plainFile, line, static_cast<DWORD>(length), &written, nullptr);
        LeaveCriticalSection(&g_plainLock);
    }
    return 0;
}

double RunThreads(LPTHREAD_START_ROUTINE routine)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    HANDLE threads[kThreads];
    for (HANDLE& thread : threads) thread = CreateThread(nullptr, 0, routine, nullptr, 0, nullptr);
    WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
    for (HANDLE thread : threads) CloseHandle(thread);
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
}

} // namespace

int main()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "kestrum_log_bench_" +
                               std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string logPath = folder + "bench_sys.log";
    g_plainPath = folder + "plain.log";

    CTolveLogWrapper(__FILE__, __LINE__).Start(logPath.c_str(), 4096, static_cast<uint32_t>(-1));
    const double logSeconds = RunThreads(WriteLogLines);

    InitializeCriticalSection(&g_plainLock);
    g_plainFile = CreateFileA(g_plainPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const double plainSeconds = RunThreads(WritePlainLines);
    CloseHandle(g_plainFile);
    DeleteCriticalSection(&g_plainLock);

    std::printf("%d lines from %d threads\n", kLines, kThreads);
    std::printf("log writer:           %8.3f s  %10.0f lines/s\n", logSeconds, kLines / logSeconds);
    std::printf("plain appends (open): %8.3f s  %10.0f lines/s\n", plainSeconds,
                kLines / plainSeconds);
    std::printf("ratio: the writer takes %.1f times as long\n", logSeconds / plainSeconds);

    const std::string names[] = {logPath, logPath + ".BAK", g_plainPath};
    for (const std::string& name : names) DeleteFileA(name.c_str());
    RemoveDirectoryA(folder.c_str());
    return 0;
}
