#include "carddata/GZipIF.h"

#include "lib/Handle.h"
#include "lib/TolveLog.h"

#include <cstdlib>
#include <memory>
#include <new>

namespace {

const DWORD kPieceSize = 16777216;
const int kAttempts = 3;

// Owns one open gzip stream; the writing side's close result tells whether the trailer
// reached the disk, so the close that decides success goes through Close().
class CGzStream {
public:
    explicit CGzStream(gzFile stream) : m_pStream(stream) {}
    CGzStream(const CGzStream&) = delete;
    CGzStream& operator=(const CGzStream&) = delete;
    ~CGzStream()
    {
        if (m_pStream != nullptr) gzclose(m_pStream);
    }
    gzFile Get() const { return m_pStream; }
    int Close()
    {
        const int result = gzclose(m_pStream);
        m_pStream = nullptr;
        return result;
    }

private:
    gzFile m_pStream;
};

bool IsFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

CGZipIF::CGZipIF(HANDLE abortEvent, DWORD retryWaitMs)
    : m_dwError(0), m_hAbortEvent(abortEvent), m_dwRetryWaitMs(retryWaitMs)
{
}

// zlib reports Z_ERRNO for a failed system call, whose Windows error then stands;
// any other number becomes the error word. Returns whether zlib's number was taken.
bool CGZipIF::_TakeStreamError(gzFile stream, DWORD windowsError, const char** message)
{
    int number = 0;
    *message = gzerror(stream, &number);
    if (number == Z_ERRNO) {
        m_dwError = windowsError;
        return false;
    }
    m_dwError = static_cast<DWORD>(number);
    return true;
}

bool CGZipIF::GZipFile(const std::string& source, const std::string& gzipFile)
{
    if (!IsFile(source)) {
        m_dwError = ERROR_FILE_NOT_FOUND;
        return false;
    }
    gzFile stream = gzopen(gzipFile.c_str(), "wb");
    if (stream == nullptr) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CGZipIF::GZipFile - gzopen ERROR ERR:0x%08X PATH:%s",
                  static_cast<unsigned>(m_dwError), gzipFile.c_str());
        return false;
    }
    return GZipFileEx(stream, source);
}

bool CGZipIF::GZipFileEx(gzFile rawStream, const std::string& source)
{
    CGzStream stream(rawStream);
    lib::CHandle file(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.IsValid()) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CGZipIF::GZipFileEx - CreateFile 失敗 %s ERR:0x%08X",
                  source.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    const char* message = nullptr;
    if (gzsetparams(stream.Get(), Z_DEFAULT_COMPRESSION, Z_DEFAULT_STRATEGY) != Z_OK) {
        if (_TakeStreamError(stream.Get(), GetLastError(), &message)) {
            TOLVE_LOG(LOG_ERROR, "CGZipIF::GZipFileEx - gzsetparams エラーメッセージ ： %s", message);
        }
        TOLVE_LOG(LOG_ERROR, "CGZipIF::GZipFileEx - gzsetparams 失敗 %s ERR:0x%08X",
                  source.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    DWORD high = 0;
    const DWORD size = GetFileSize(file.Get(), &high);
    if (size == INVALID_FILE_SIZE || high != 0) {
        m_dwError = high != 0 ? ERROR_FILE_TOO_LARGE : GetLastError();
        TOLVE_LOG(LOG_ERROR, "CGZipIF::GZipFileEx - GetFileSize 不正値 %s ERR:0x%08X",
                  source.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    const DWORD pieceSize = size < kPieceSize ? size : kPieceSize;
    lib::CMallocBuffer buffer(static_cast<char*>(std::malloc(pieceSize + 1)));
    if (!buffer) {
        m_dwError = ERROR_NOT_ENOUGH_MEMORY;
        TOLVE_LOG(LOG_ERROR, "CGZipIF::GZipFileEx - メモリ確保 失敗 %s ERR:0x%08X",
                  source.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    DWORD total = 0;
    while (total < size) {
        ZeroMemory(buffer.get(), pieceSize + 1);
        DWORD read = 0;
        const BOOL done = ReadFile(file.Get(), buffer.get(), pieceSize, &read, nullptr);
        if (!done || read == 0) {
            // A source that shrank while read must not keep us looping.
            m_dwError = done ? ERROR_HANDLE_EOF : GetLastError();
            TOLVE_LOG(LOG_ERROR, "CGZipIF::GZipFileEx - ReadFile 失敗 %s ERR:0x%08X",
                      source.c_str(), static_cast<unsigned>(m_dwError));
            return false;
        }
        if (gzwrite(stream.Get(), buffer.get(), read) != static_cast<int>(read)) {
            if (_TakeStreamError(stream.Get(), GetLastError(), &message)) {
                TOLVE_LOG(LOG_ERROR, "CGZipIF::GZipFileEx - gzwrite エラーメッセージ ： %s", message);
            }
            TOLVE_LOG(LOG_ERROR, "CGZipIF::GZipFileEx - gzwrite 失敗 %s ERR:0x%08X",
                      source.c_str(), static_cast<unsigned>(m_dwError));
            return false;
        }
        total += read;
    }
    // The last deflate block and the trailer are written only by the close.
    const int closed = stream.Close();
    if (closed != Z_OK) {
        m_dwError = closed == Z_ERRNO ? GetLastError() : static_cast<DWORD>(closed);
        TOLVE_LOG(LOG_ERROR, "CGZipIF::GZipFileEx - gzclose 失敗 %s ERR:0x%08X",
                  source.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    return true;
}

bool CGZipIF::UnGZipFile(const std::string& gzipFile, const std::string& target)
{
    if (!IsFile(gzipFile)) {
        m_dwError = ERROR_FILE_NOT_FOUND;
        TOLVE_LOG(LOG_ERROR, "CGZipIF::UnGZipFile - 元ファイル無し！ %s ERR:0x%08X",
                  gzipFile.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    return UnGZipFileEx(gzipFile, target);
}

bool CGZipIF::UnGZipFileEx(const std::string& gzipFile, const std::string& target)
{
    CGzStream stream(gzopen(gzipFile.c_str(), "rb"));
    if (stream.Get() == nullptr) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CGZipIF::UnGZipFileEx - gzopen 失敗 %s ERR:0x%08X",
                  gzipFile.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    // zlib copies data without a gzip header through unchanged; only a 0-byte file may
    // pass that way (it stands for an empty payload).
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (gzdirect(stream.Get()) &&
        (!GetFileAttributesExA(gzipFile.c_str(), GetFileExInfoStandard, &data) ||
         data.nFileSizeLow != 0 || data.nFileSizeHigh != 0)) {
        m_dwError = ERROR_INVALID_DATA;
        TOLVE_LOG(LOG_ERROR, "CGZipIF::UnGZipFileEx - gzip形式ではありません %s ERR:0x%08X",
                  gzipFile.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    lib::CHandle file(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CGZipIF::UnGZipFileEx - CreateFile 失敗 %s ERR:0x%08X",
                  target.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    std::unique_ptr<char[]> buffer;
    try {
        buffer.reset(new char[kPieceSize]);
    } catch (const std::bad_alloc&) {
        TOLVE_LOG(LOG_ERROR, "%s", "CGZipIF::UnGZipFileEx - new exception");
    }
    if (!buffer) {
        m_dwError = ERROR_NOT_ENOUGH_MEMORY;
        TOLVE_LOG(LOG_ERROR, "CGZipIF::UnGZipFileEx - メモリ確保 失敗 ERR:0x%08X",
                  static_cast<unsigned>(m_dwError));
        return false;
    }
    const char* message = nullptr;
    for (;;) {
        ZeroMemory(buffer.get(), kPieceSize);
        const int read = gzread(stream.Get(), buffer.get(), kPieceSize);
        const DWORD readError = GetLastError();
        Sleep(1);
        if (read == 0) break;
        if (read < 0) {
            if (_TakeStreamError(stream.Get(), readError, &message)) {
                TOLVE_LOG(LOG_ERROR, "CGZipIF::UnGZipFileEx - gzread エラーメッセージ ： %s", message);
            }
            TOLVE_LOG(LOG_ERROR, "CGZipIF::UnGZipFileEx - gzread 失敗 %s ERR:0x%08X",
                      gzipFile.c_str(), static_cast<unsigned>(m_dwError));
            return false;
        }
        DWORD written = 0;
        if (!WriteFile(file.Get(), buffer.get(), static_cast<DWORD>(read), &written, nullptr) ||
            written != static_cast<DWORD>(read)) {
            m_dwError = GetLastError();
            TOLVE_LOG(LOG_ERROR, "CGZipIF::UnGZipFileEx - WriteFile 失敗 %s ERR:0x%08X",
                      target.c_str(), static_cast<unsigned>(m_dwError));
            return false;
        }
        Sleep(1);
    }
    // gzread gives the data of a cut-off stream and then 0; only the close tells that the
    // stream ended early (Z_BUF_ERROR) or its trailer did not match.
    const int closed = stream.Close();
    if (closed != Z_OK) {
        m_dwError = closed == Z_ERRNO ? GetLastError() : static_cast<DWORD>(closed);
        TOLVE_LOG(LOG_ERROR, "CGZipIF::UnGZipFileEx - gzclose 失敗 %s ERR:0x%08X",
                  gzipFile.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    return true;
}

void CGZipIF::_WaitBeforeRetry() const
{
    if (m_hAbortEvent != nullptr) {
        WaitForSingleObject(m_hAbortEvent, m_dwRetryWaitMs);
    } else {
        Sleep(m_dwRetryWaitMs);
    }
}

bool CGZipIF::GZipFile_Recover(const std::string& source, const std::string& gzipFile)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        m_dwError = 0;
        if (GZipFile(source, gzipFile)) return true;
        _WaitBeforeRetry();
    }
    TOLVE_LOG(LOG_ERROR, "GZipFile_Recover( ) - Error ERR:0x%08X SRC:%s, DST:%s",
              static_cast<unsigned>(m_dwError), source.c_str(), gzipFile.c_str());
    return false;
}

bool CGZipIF::UnGZipFile_Recover(const std::string& gzipFile, const std::string& target)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        m_dwError = 0;
        if (UnGZipFile(gzipFile, target)) return true;
        _WaitBeforeRetry();
    }
    TOLVE_LOG(LOG_ERROR, "UnGZipFile_Recover( ) - Error ERR:0x%08X SRC:%s, DST:%s",
              static_cast<unsigned>(m_dwError), gzipFile.c_str(), target.c_str());
    return false;
}
