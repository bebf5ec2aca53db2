#pragma once
// Archives of the tests built entry by entry with minizip, so that names and contents our own
// zipper would never write (hostile names, odd folders) can be offered to an unzip.

#include "zip.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace ziptest {

// An archive with exactly these names and contents, as a foreign zipper might write it.
inline void MakeArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    zipFile archive = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(archive, nullptr);
    for (const auto& entry : entries) {
        zip_fileinfo info = {};
        info.tmz_date.tm_year = 2024;
        info.tmz_date.tm_mday = 1;
        ASSERT_EQ(zipOpenNewFileInZip(archive, entry.first.c_str(), &info, nullptr, 0, nullptr, 0,
                                      nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION),
                  ZIP_OK);
        if (!entry.second.empty()) {
            ASSERT_EQ(zipWriteInFileInZip(archive, entry.second.data(),
                                          static_cast<unsigned>(entry.second.size())),
                      ZIP_OK);
        }
        ASSERT_EQ(zipCloseFileInZip(archive), ZIP_OK);
    }
    ASSERT_EQ(zipClose(archive, nullptr), ZIP_OK);
}

} // namespace ziptest
