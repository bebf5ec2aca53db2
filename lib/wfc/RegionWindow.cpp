#include "lib/wfc/RegionWindow.h"

#include "lib/TolveLog.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lib {
namespace wfc {

namespace {

static_assert(sizeof(RGNDATAHEADER) == 32, "the platform's 32-byte region header");
static_assert(sizeof(RECT) == 16, "region rectangles are four 32-bit values");

// Rectangles one ExtCreateRegion call may take without its size field overflowing.
const size_t kMaxRegionRects = (0x7FFFFFFFu - sizeof(RGNDATAHEADER)) / sizeof(RECT);

} // namespace

HRGN CRegionWindow::CreateRegionFromDIB(const CDIB& dib, int left, int top, int right,
                                        int bottom, COLORREF key)
{
    const int64_t width = static_cast<int64_t>(right) - left;
    const int64_t height = static_cast<int64_t>(bottom) - top;
    std::vector<RECT> rects;

    const BITMAPINFOHEADER* header = dib.GetInfoHeader();
    const bool drawable = header != nullptr && dib.GetBits() != nullptr &&
                          header->biBitCount == 24 && header->biPlanes == 1;
    if (drawable && width > 0 && height > 0) {
        // Only the part of the area inside the image is read.
        const int64_t c0 = std::max<int64_t>(left, 0);
        const int64_t c1 = std::min<int64_t>(right, dib.GetWidth());
        const int64_t r0 = std::max<int64_t>(top, 0);
        const int64_t r1 = std::min<int64_t>(bottom, dib.GetHeight());
        const bool topDown = header->biHeight < 0;
        const uint32_t rowBytes = dib.GetRowBytes();
        const uint8_t kr = GetRValue(key), kg = GetGValue(key), kb = GetBValue(key);
        const bool hasKey = key != kNoKeyColor;
        for (int64_t r = r0; r < r1; ++r) {
            const int64_t memoryRow = topDown ? r : dib.GetHeight() - 1 - r;
            const uint8_t* line = dib.GetBits() + static_cast<size_t>(memoryRow) * rowBytes;
            auto isKey = [&](int64_t c) {
                const uint8_t* p = line + c * 3;
                return hasKey && p[0] == kb && p[1] == kg && p[2] == kr;
            };
            int64_t c = c0;
            while (c < c1) {
                while (c < c1 && isKey(c)) ++c;
                const int64_t start = c;
                while (c < c1 && !isKey(c)) ++c;
                // A run whose place relative to the area cannot be written is left out.
                if (c > start && c - left <= INT_MAX && r - top < INT_MAX) {
                    if (rects.size() >= kMaxRegionRects) {
                        TOLVE_LOG(LOG_ERROR, "リージョンの矩形が多すぎます W:%lld H:%lld",
                                  static_cast<long long>(width), static_cast<long long>(height));
                        ThrowBadAlloc();
                    }
                    RECT run;
                    run.left = static_cast<LONG>(start - left);
                    run.top = static_cast<LONG>(r - top);
                    run.right = static_cast<LONG>(c - left);
                    run.bottom = static_cast<LONG>(r - top + 1);
                    rects.push_back(run);
                }
            }
        }
    }

    const size_t dataBytes = sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT);
    std::vector<uint8_t> buffer(dataBytes);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(rects.size());
    data->rdh.nRgnSize = static_cast<DWORD>(dataBytes);
    // An empty or inverted area gives an empty bounding rectangle.
    data->rdh.rcBound.left = 0;
    data->rdh.rcBound.top = 0;
    data->rdh.rcBound.right = static_cast<LONG>(std::min<int64_t>(std::max<int64_t>(width, 0), INT_MAX));
    data->rdh.rcBound.bottom = static_cast<LONG>(std::min<int64_t>(std::max<int64_t>(height, 0), INT_MAX));
    if (!rects.empty()) {
        std::memcpy(buffer.data() + sizeof(RGNDATAHEADER), rects.data(),
                    rects.size() * sizeof(RECT));
    }
    HRGN region = ::ExtCreateRegion(nullptr, static_cast<DWORD>(dataBytes), data);
    if (region == nullptr) {
        TOLVE_LOG(LOG_ERROR, "ExtCreateRegion ERR:0x%08lX COUNT:%lu", GetLastError(),
                  static_cast<unsigned long>(rects.size()));
        ThrowBadAlloc();
    }
    return region;
}

HRGN CRegionWindow::CreateRegionFromDIB(const CDIB& dib, const RECT& area, COLORREF key)
{
    return CreateRegionFromDIB(dib, area.left, area.top, area.right, area.bottom, key);
}

void CRegionWindow::SetWindowRegion(HRGN region)
{
    // The system owns and frees the region it is given, so it gets a copy.
    HRGN copy = region != nullptr ? CopyRgn(region) : nullptr;
    if (::SetWindowRgn(GetHwnd(), copy, TRUE) == 0) {
        TOLVE_LOG(LOG_ERROR, "SetWindowRgn ERR:0x%08lX", GetLastError());
        if (copy != nullptr) ::DeleteObject(copy);
    }
    InvalidateRect(nullptr, false);
}

HRGN CopyRgn(HRGN region)
{
    HRGN copy = ::CreateRectRgn(0, 0, 0, 0);
    if (copy == nullptr) {
        TOLVE_LOG(LOG_ERROR, "CreateRectRgn ERR:0x%08lX", GetLastError());
        ThrowBadAlloc();
    }
    if (::CombineRgn(copy, region, nullptr, RGN_COPY) == ERROR) {
        TOLVE_LOG(LOG_ERROR, "CombineRgn ERR:0x%08lX", GetLastError());
    }
    return copy;
}

} // namespace wfc
} // namespace lib
