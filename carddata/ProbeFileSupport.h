#pragma once
// Constants and the zlib owner shared by the probe file's reading and packing sources.

#include <windows.h>

#include "zlib.h"

#include <cstddef>

namespace probefile {

// Real-file names start with a 14-character prefix (the recording's time stamp); the send
// file puts a '/' after it, and its 128-byte name field keeps a terminator.
const size_t kNamePrefixLength = 14;
const size_t kMaxRealFileName = 126;
// The file in which the files of one history kind are merged, beside them.
const char kCombineName[] = "ProbeDatCombine.dat";

// One zlib inflate state that reads gzip members only (no raw or zlib data).
class CInflateStream {
public:
    CInflateStream() : m_stStream(), m_bInit(false) {}
    ~CInflateStream()
    {
        if (m_bInit) inflateEnd(&m_stStream);
    }
    CInflateStream(const CInflateStream&) = delete;
    CInflateStream& operator=(const CInflateStream&) = delete;

    bool Init()
    {
        m_bInit = inflateInit2(&m_stStream, 16 + MAX_WBITS) == Z_OK;
        return m_bInit;
    }
    z_stream& Get() { return m_stStream; }

private:
    z_stream m_stStream;
    bool m_bInit;
};

} // namespace probefile
