#pragma once
// Zips a folder tree into a new zip archive and unzips an archive into a folder (minizip).
// Entry names use backslashes and code page 932, as the unit and the support service
// expect; an unzip refuses any entry that could land outside its destination.

#include <windows.h>

#include <string>

#include "zip.h"
#include "unzip.h"

class CZipIF {
public:
    CZipIF();
    CZipIF(const CZipIF&) = delete;
    CZipIF& operator=(const CZipIF&) = delete;

    // Replaces `archivePath` with an archive of every file under `sourceFolder` (relative
    // names, backslash separators); an empty folder gets an entry "name\" of its own.
    bool ZipFolder(const std::string& sourceFolder, const std::string& archivePath);

    // Extracts every entry under `destFolder` (ending with a backslash). A set `abortEvent`
    // (may be null) stops before the next entry or 4,096-byte piece; what was written stays.
    // A non-empty `topFolder` (ASCII) refuses the whole archive unless every entry lies in
    // that folder of the destination (first component equal without regard to ASCII case).
    bool UnZip(const std::string& archivePath, const std::string& destFolder, HANDLE abortEvent,
               const std::string& topFolder = std::string());

    // 0, or the Windows error (or minizip's negative result) of the last failure.
    DWORD GetError() const { return m_dwError; }

    // Writes `length` bytes in pieces of at most 4,096, testing `abortEvent` before each.
    // Nothing to write counts as a failure.
    static bool WriteAll(HANDLE file, const void* buffer, DWORD length, DWORD* written,
                         OVERLAPPED* overlapped, HANDLE abortEvent);

private:
    bool _ZipFolderEx(zipFile archive, const std::string& folder, const std::string& prefix);
    bool _ZipFileEx(zipFile archive, const std::string& path, const std::string& entryName);
    bool _ZipEmptyFolder(zipFile archive, const std::string& folder, const std::string& entryName);
    bool _UnzipEx(unzFile archive, const std::string& destFolder, HANDLE abortEvent,
                  const std::string& topFolder);
    bool _CheckEntryNames(unzFile archive, const std::string& topFolder);

    DWORD m_dwError;
};
