#include "carddata/ZipIF.h"

#include "lib/DbcsText.h"
#include "lib/Handle.h"
#include "lib/Path.h"
#include "lib/TolveLog.h"

#include <shlwapi.h>

#include <climits>
#include <cstring>
#include <cstdlib>
#include <memory>

namespace {

// minizip leaves a name of this many bytes or more unterminated in its buffer.
const uLong kMaxEntryName = 260;
const DWORD kWritePiece = 4096;

bool IsAborted(HANDLE abortEvent)
{
    return abortEvent != nullptr && WaitForSingleObject(abortEvent, 0) == WAIT_OBJECT_0;
}

void ToZipDate(const SYSTEMTIME& time, tm_zip& date)
{
    date.tm_year = time.wYear;
    date.tm_mon = time.wMonth - 1;
    date.tm_mday = time.wDay;
    date.tm_hour = time.wHour;
    date.tm_min = time.wMinute;
    date.tm_sec = time.wSecond;
}

// '/' never occurs as a trail byte in code page 932, so it can be swapped byte by byte.
std::string ToBackslashes(const char* name)
{
    std::string result = name;
    for (char& c : result) {
        if (c == '/') c = '\\';
    }
    return result;
}

// A component that Windows would resolve to a parent folder: "..", and also ".. " or
// "..." whose trailing dots and spaces Windows drops.
bool IsParentComponent(const char* begin, const char* end)
{
    int dots = 0;
    for (const char* p = begin; p < end; ++p) {
        if (*p == '.') ++dots;
        else if (*p != ' ') return false;
    }
    return dots >= 2;
}

// Only names that stay below the destination folder may be written.
bool IsSafeEntryName(const std::string& name)
{
    if (name.empty() || name[0] == '\\') return false;
    const char* text = name.c_str();
    const char* component = text;
    for (const char* p = text;; ) {
        const size_t size = lib::DbcsCharSize(p);
        if (size == 1 && *p == ':') return false;
        if (size == 0 || (size == 1 && *p == '\\')) {
            if (IsParentComponent(component, p) || lib::IsDeviceName(std::string(component, p))) {
                return false;
            }
            if (size == 0) break;
            component = p + 1;
        }
        p += size;
    }
    return true;
}

// True when `name` starts with the component `top` and a backslash. `top` is ASCII, so a
// match never splits a double-byte character of `name`.
bool IsInTopFolder(const std::string& name, const std::string& top)
{
    if (name.size() <= top.size() || name[top.size()] != '\\') return false;
    for (size_t i = 0; i < top.size(); ++i) {
        char a = name[i];
        char b = top[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;
}

} // namespace

CZipIF::CZipIF() : m_dwError(0)
{
}

bool CZipIF::ZipFolder(const std::string& sourceFolder, const std::string& archivePath)
{
    if (!PathIsDirectoryA(sourceFolder.c_str())) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CZipIF::ZipFolder - PathIsDirectory 失敗 PATH:%s ERR:0x%08X",
                  sourceFolder.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    const std::string archiveFolder = lib::GetParentFolder(archivePath);
    if (!archiveFolder.empty() && !lib::CreateDirectoryRecursive(archiveFolder)) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CZipIF::ZipFolder - CreateDirectories 失敗 PATH:%s ERR:0x%08X",
                  archivePath.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    zipFile archive = zipOpen(archivePath.c_str(), APPEND_STATUS_CREATE);
    if (archive == nullptr) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CZipIF::ZipFolder - zipOpen 失敗 PATH:%s ERR:0x%08X",
                  archivePath.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    const bool ok = _ZipFolderEx(archive, sourceFolder, "");
    zipClose(archive, nullptr);
    if (!ok) {
        TOLVE_LOG(LOG_ERROR, "CZipIF::ZipFolder - _ZipFolderEx 失敗 PATH:%s ERR:0x%08X",
                  sourceFolder.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    return true;
}

bool CZipIF::_ZipFolderEx(zipFile archive, const std::string& folder, const std::string& prefix)
{
    std::string base = folder; // never empty: ZipFolder refuses what is not a folder
    lib::AppendBackslash(base);
    const std::string pattern = base + "*";
    WIN32_FIND_DATAA found;
    lib::CFindHandle find(FindFirstFileA(pattern.c_str(), &found));
    if (!find.IsValid()) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CZipIF::_ZipFolderEx - FindFirstFile 失敗 PATH:%s ERR:0x%08X",
                  pattern.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    bool ok = true;
    bool empty = true;
    do {
        if (lib::IsDotEntry(found.cFileName)) continue;
        const std::string name = found.cFileName;
        empty = false;
        const std::string path = base + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!_ZipFolderEx(archive, path + '\\', prefix + name + '\\')) {
                TOLVE_LOG(LOG_ERROR, "CZipIF::_ZipFolderEx - ZipFolderEx 失敗 PATH:%s ERR:0x%08X",
                          path.c_str(), static_cast<unsigned>(m_dwError));
                ok = false;
            }
        } else if (!_ZipFileEx(archive, path, prefix + name)) {
            TOLVE_LOG(LOG_ERROR, "CZipIF::_ZipFolderEx - _ZipFileEx 失敗 PATH:%s ERR:0x%08X",
                      path.c_str(), static_cast<unsigned>(m_dwError));
            ok = false;
        }
    } while (ok && FindNextFileA(find.Get(), &found));
    if (!ok) return false;

    if (empty && !_ZipEmptyFolder(archive, folder, prefix)) {
        TOLVE_LOG(LOG_ERROR, "CZipIF::_ZipFolderEx - _ZipEmptyFolder 失敗 PATH:%s ERR:0x%08X",
                  folder.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    return true;
}

bool CZipIF::_ZipFileEx(zipFile archive, const std::string& path, const std::string& entryName)
{
    lib::CHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CZipIF::_ZipFileEx - CreateFile 失敗 PATH%s ERR:0x%08X",
                  path.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CZipIF::_ZipFileEx - 指定ファイルなし PATH%s ERR:0x%08X",
                  path.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    zip_fileinfo info = {};
    FILETIME written, local;
    SYSTEMTIME time = {};
    if (GetFileTime(file.Get(), nullptr, nullptr, &written) &&
        FileTimeToLocalFileTime(&written, &local)) {
        FileTimeToSystemTime(&local, &time);
    }
    ToZipDate(time, info.tmz_date);
    info.external_fa = attributes;

    int result = zipOpenNewFileInZip(archive, entryName.c_str(), &info, nullptr, 0, nullptr, 0,
                                     nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION);
    if (result != ZIP_OK) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR,
                  "CZipIF::_ZipFileEx - zipOpenNewFileInZip 失敗 PATH%s ERR:0x%08X ZIPERR:0x%08X",
                  entryName.c_str(), static_cast<unsigned>(m_dwError), static_cast<unsigned>(result));
        return false;
    }

    // From here on the entry is open: every way out closes it.
    bool ok = false;
    DWORD high = 0;
    const DWORD size = GetFileSize(file.Get(), &high);
    lib::CMallocBuffer buffer;
    if (size == INVALID_FILE_SIZE || high != 0) {
        // Entries are written without zip64 fields: 4 GiB or more cannot be stored.
        m_dwError = high != 0 ? ERROR_FILE_TOO_LARGE : GetLastError();
        TOLVE_LOG(LOG_ERROR, "CZipIF::_ZipFileEx - GetFileSize 失敗 PATH%s ERR:0x%08X",
                  path.c_str(), static_cast<unsigned>(m_dwError));
    } else if (!(buffer = lib::CMallocBuffer(static_cast<char*>(std::calloc(size ? size : 1, 1))))) {
        m_dwError = ERROR_NOT_ENOUGH_MEMORY;
        TOLVE_LOG(LOG_ERROR, "CZipIF::_ZipFileEx - メモリ確保 失敗 ERR:0x%08X",
                  static_cast<unsigned>(m_dwError));
    } else {
        ok = true;
        DWORD total = 0;
        while (ok && total < size) {
            ZeroMemory(buffer.get(), size);
            DWORD read = 0;
            const BOOL done = ReadFile(file.Get(), buffer.get(), size - total, &read, nullptr);
            if (!done || read == 0) {
                // A file that shrank while we read it must not keep us looping.
                m_dwError = done ? ERROR_HANDLE_EOF : GetLastError();
                TOLVE_LOG(LOG_ERROR, "CZipIF::_ZipFileEx - ReadFile 失敗 PATH%s ERR:0x%08X",
                          path.c_str(), static_cast<unsigned>(m_dwError));
                ok = false;
            } else if ((result = zipWriteInFileInZip(archive, buffer.get(), read)) != ZIP_OK) {
                m_dwError = GetLastError();
                TOLVE_LOG(LOG_ERROR,
                          "CZipIF::_ZipFileEx - zipWriteInFileInZip 失敗 PATH%s ERR:0x%08X ZIPERR:0x%08X",
                          entryName.c_str(), static_cast<unsigned>(m_dwError),
                          static_cast<unsigned>(result));
                ok = false;
            } else {
                total += read;
            }
        }
    }
    result = zipCloseFileInZip(archive);
    if (ok && result != ZIP_OK) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR,
                  "CZipIF::_ZipFileEx - zipCloseFileInZip 失敗 PATH%s ERR:0x%08X ZIPERR:0x%08X",
                  entryName.c_str(), static_cast<unsigned>(m_dwError), static_cast<unsigned>(result));
        ok = false;
    }
    return ok;
}

bool CZipIF::_ZipEmptyFolder(zipFile archive, const std::string& folder,
                             const std::string& entryName)
{
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR, "CZipIF::_ZipEmptyFolder - 指定ファイルなし PATH%s ERR:0x%08X",
                  folder.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    zip_fileinfo info = {};
    SYSTEMTIME now;
    GetLocalTime(&now);
    ToZipDate(now, info.tmz_date);
    info.external_fa = (attributes & FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_DIRECTORY;

    int result = zipOpenNewFileInZip(archive, entryName.c_str(), &info, nullptr, 0, nullptr, 0,
                                     nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION);
    if (result != ZIP_OK) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR,
                  "CZipIF::_ZipEmptyFolder - zipOpenNewFileInZip 失敗 PATH%s ERR:0x%08X ZIPERR:0x%08X",
                  entryName.c_str(), static_cast<unsigned>(m_dwError), static_cast<unsigned>(result));
        return false;
    }
    result = zipCloseFileInZip(archive);
    if (result != ZIP_OK) {
        m_dwError = GetLastError();
        TOLVE_LOG(LOG_ERROR,
                  "CZipIF::_ZipEmptyFolder - zipCloseFileInZip 失敗 PATH%s ERR:0x%08X ZIPERR:0x%08X",
                  entryName.c_str(), static_cast<unsigned>(m_dwError), static_cast<unsigned>(result));
        return false;
    }
    return true;
}

bool CZipIF::UnZip(const std::string& archivePath, const std::string& destFolder, HANDLE abortEvent,
                   const std::string& topFolder)
{
    unzFile archive = unzOpen(archivePath.c_str());
    if (archive == nullptr) {
        // A file that opens but holds no zip directory leaves no Windows error.
        m_dwError = GetLastError() != 0 ? GetLastError() : ERROR_INVALID_DATA;
        TOLVE_LOG(LOG_ERROR, "CZipIF::UnZip - unzOpen 失敗 PATH:%s ERR:0x%08X",
                  archivePath.c_str(), static_cast<unsigned>(m_dwError));
        return false;
    }
    const bool ok = _UnzipEx(archive, destFolder, abortEvent, topFolder);
    unzClose(archive);
    if (!ok) {
        TOLVE_LOG(LOG_ERROR, "CZipIF::UnZip - _UnzipEx 失敗 PATH:%s ERR:0x%08X",
                  destFolder.c_str(), static_cast<unsigned>(m_dwError));
    }
    return ok;
}

// The archive may come from the web and is unpacked straight onto the card: every name is
// judged before anything is written, so a hostile archive leaves no trace.
bool CZipIF::_CheckEntryNames(unzFile archive, const std::string& topFolder)
{
    int result = unzGoToFirstFile(archive);
    while (result == UNZ_OK) {
        unz_file_info info;
        char name[kMaxEntryName + 1] = {};
        result = unzGetCurrentFileInfo(archive, &info, name, kMaxEntryName, nullptr, 0, nullptr, 0);
        if (result != UNZ_OK) break;
        const std::string entry = ToBackslashes(name);
        if (info.size_filename >= kMaxEntryName || !IsSafeEntryName(entry) ||
            (!topFolder.empty() && !IsInTopFolder(entry, topFolder))) {
            m_dwError = ERROR_INVALID_DATA;
            TOLVE_LOG(LOG_ERROR, "CZipIF::_UnzipEx - 不正なエントリ名 %s LEN:%lu ERR:0x%08X", name,
                      static_cast<unsigned long>(info.size_filename),
                      static_cast<unsigned>(m_dwError));
            return false;
        }
        result = unzGoToNextFile(archive);
    }
    if (result != UNZ_END_OF_LIST_OF_FILE) {
        m_dwError = static_cast<DWORD>(result);
        return false;
    }
    return true;
}

bool CZipIF::_UnzipEx(unzFile archive, const std::string& destFolder, HANDLE abortEvent,
                      const std::string& topFolder)
{
    int result = unzGoToFirstFile(archive);
    if (result != UNZ_OK) {
        m_dwError = static_cast<DWORD>(result);
        return false;
    }
    if (!_CheckEntryNames(archive, topFolder)) return false;
    if ((result = unzGoToFirstFile(archive)) != UNZ_OK) {
        m_dwError = static_cast<DWORD>(result);
        return false;
    }
    for (;;) {
        if (IsAborted(abortEvent)) return false;

        unz_file_info info;
        char rawName[kMaxEntryName + 1] = {};
        char extra[kMaxEntryName] = {};
        char comment[kMaxEntryName + 1] = {};
        result = unzGetCurrentFileInfo(archive, &info, rawName, kMaxEntryName, extra,
                                       kMaxEntryName, comment, kMaxEntryName);
        if (result != UNZ_OK) {
            m_dwError = static_cast<DWORD>(result);
            return false;
        }
        const std::string name = ToBackslashes(rawName);
        const std::string target = destFolder + name;

        if (lib::EndsWithBackslash(name)) {
            // A folder path with a trailing backslash reports 183 once its folder exists.
            if (!lib::CreateDirectoryRecursive(target)) {
                m_dwError = GetLastError();
                TOLVE_LOG(LOG_ERROR, "CZipIF::_UnzipEx - CreateDirectories 失敗 PATH:%s ERR:0x%08X",
                          target.c_str(), static_cast<unsigned>(m_dwError));
                if (m_dwError != ERROR_ALREADY_EXISTS) return false;
            }
        } else {
            if ((result = unzOpenCurrentFile(archive)) != UNZ_OK) {
                m_dwError = static_cast<DWORD>(result);
                return false;
            }
            lib::CreateDirectoryRecursive(lib::GetParentFolder(target));
            lib::CHandle file(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file.IsValid()) {
                m_dwError = GetLastError();
                TOLVE_LOG(LOG_ERROR, "CZipIF::_UnzipEx - CreateFile 失敗 %s ERR:0x%08X",
                          target.c_str(), static_cast<unsigned>(m_dwError));
                unzCloseCurrentFile(archive);
                return false;
            }
            const uLong size = info.uncompressed_size;
            lib::CMallocBuffer buffer;
            if (size != 0 && (size > static_cast<uLong>(INT_MAX) ||
                              !(buffer = lib::CMallocBuffer(static_cast<char*>(std::calloc(size, 1)))))) {
                m_dwError = ERROR_NOT_ENOUGH_MEMORY;
                TOLVE_LOG(LOG_ERROR, "CZipIF::_UnzipEx - メモリ確保 失敗 ERR:0x%08X",
                          static_cast<unsigned>(m_dwError));
                unzCloseCurrentFile(archive);
                return false;
            }
            int read = 0;
            DWORD readError = 0;
            if (size != 0) {
                read = unzReadCurrentFile(archive, buffer.get(), static_cast<unsigned>(size));
                readError = GetLastError();
            }
            // minizip checks the CRC only here, once the whole entry has been read.
            const int closed = unzCloseCurrentFile(archive);
            if (read < 0 || static_cast<uLong>(read) != size) {
                m_dwError = read == UNZ_ERRNO ? readError
                            : read < 0    ? static_cast<DWORD>(read)
                                          : ERROR_INVALID_DATA;
                TOLVE_LOG(LOG_ERROR, "CZipIF::_UnzipEx - unzReadCurrentFile 失敗 %s ERR:0x%08X",
                          name.c_str(), static_cast<unsigned>(m_dwError));
                return false;
            }
            if (closed != UNZ_OK) {
                m_dwError = static_cast<DWORD>(closed);
                TOLVE_LOG(LOG_ERROR, "CZipIF::_UnzipEx - unzCloseCurrentFile 失敗 %s ERR:0x%08X",
                          name.c_str(), static_cast<unsigned>(m_dwError));
                return false;
            }
            DWORD written = 0;
            if (size != 0 && !WriteAll(file.Get(), buffer.get(), size, &written, nullptr, abortEvent)) {
                m_dwError = GetLastError();
                TOLVE_LOG(LOG_ERROR, "CZipIF::_UnzipEx - WriteFile 失敗 %s ERR:0x%08X",
                          name.c_str(), static_cast<unsigned>(m_dwError));
                return false;
            }
        }

        result = unzGoToNextFile(archive);
        if (result == UNZ_END_OF_LIST_OF_FILE) return true;
        if (result != UNZ_OK) {
            m_dwError = static_cast<DWORD>(result);
            return false;
        }
    }
}

bool CZipIF::WriteAll(HANDLE file, const void* buffer, DWORD length, DWORD* written,
                      OVERLAPPED* overlapped, HANDLE abortEvent)
{
    DWORD total = 0;
    if (written != nullptr) *written = 0;
    if (length == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const char* bytes = static_cast<const char*>(buffer);
    while (total < length) {
        if (IsAborted(abortEvent)) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return false;
        }
        const DWORD piece = length - total < kWritePiece ? length - total : kWritePiece;
        DWORD done = 0;
        if (!WriteFile(file, bytes + total, piece, &done, overlapped)) return false;
        if (done == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        total += done;
        if (written != nullptr) *written = total;
    }
    return true;
}
