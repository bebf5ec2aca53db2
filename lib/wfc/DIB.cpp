#include "lib/wfc/DIB.h"

#include "lib/TolveLog.h"
#include "lib/wfc/CriticalSection.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

namespace lib {
namespace wfc {

namespace {

using Gdiplus::DllExports::GdipBitmapLockBits;
using Gdiplus::DllExports::GdipBitmapUnlockBits;
using Gdiplus::DllExports::GdipCreateBitmapFromStream;
using Gdiplus::DllExports::GdipDisposeImage;
using Gdiplus::DllExports::GdipGetImageHeight;
using Gdiplus::DllExports::GdipGetImagePalette;
using Gdiplus::DllExports::GdipGetImagePaletteSize;
using Gdiplus::DllExports::GdipGetImageRawFormat;
using Gdiplus::DllExports::GdipGetImageWidth;
using Gdiplus::DllExports::GdipSetImagePalette;

const uint32_t kInfoHeaderSize = 40;
static_assert(sizeof(BITMAPINFOHEADER) == kInfoHeaderSize, "the platform's 40-byte header");
// A header block also holds a colour table of up to 256 entries, so that a section of 8
// bits or fewer never makes CreateDIBSection read past the header.
const size_t kHeaderBlockBytes = kInfoHeaderSize + 256 * sizeof(RGBQUAD);

// ---- GDI+ for the process ----

CCriticalSection& GdiplusLock()
{
    static CCriticalSection section;
    return section;
}
int32_t g_nGdiplusUsers = 0;
ULONG_PTR g_gdiplusToken = 0;

class CGdiplusUse {
public:
    CGdiplusUse() : m_bStarted(StartupGdiplus()) {}
    ~CGdiplusUse()
    {
        if (m_bStarted) ShutdownGdiplus();
    }
    CGdiplusUse(const CGdiplusUse&) = delete;
    CGdiplusUse& operator=(const CGdiplusUse&) = delete;
    bool IsStarted() const { return m_bStarted; }

private:
    bool m_bStarted;
};

class CGpBitmap {
public:
    CGpBitmap() : m_pBitmap(nullptr) {}
    ~CGpBitmap()
    {
        if (m_pBitmap != nullptr) GdipDisposeImage(m_pBitmap);
    }
    CGpBitmap(const CGpBitmap&) = delete;
    CGpBitmap& operator=(const CGpBitmap&) = delete;
    Gdiplus::GpBitmap** operator&() { return &m_pBitmap; }
    Gdiplus::GpBitmap* Get() const { return m_pBitmap; }

private:
    Gdiplus::GpBitmap* m_pBitmap;
};

class CStreamRef {
public:
    CStreamRef() : m_pStream(nullptr) {}
    ~CStreamRef()
    {
        if (m_pStream != nullptr) m_pStream->Release();
    }
    CStreamRef(const CStreamRef&) = delete;
    CStreamRef& operator=(const CStreamRef&) = delete;
    IStream** operator&() { return &m_pStream; }
    IStream* Get() const { return m_pStream; }

private:
    IStream* m_pStream;
};

// The image-format GUIDs of GDI+ differ only in their first field.
int32_t FormatKindOf(const GUID& raw)
{
    static const GUID kBase = {0xb96b3caa, 0x0728, 0x11d3,
                               {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    if (raw.Data2 != kBase.Data2 || raw.Data3 != kBase.Data3 ||
        std::memcmp(raw.Data4, kBase.Data4, sizeof(raw.Data4)) != 0) {
        return CDIB::FORMAT_OTHER;
    }
    switch (raw.Data1) {
    case 0xb96b3caa: return CDIB::FORMAT_MEMORYBMP;
    case 0xb96b3cab: return CDIB::FORMAT_BMP;
    case 0xb96b3cac: return CDIB::FORMAT_EMF;
    case 0xb96b3cad: return CDIB::FORMAT_WMF;
    case 0xb96b3cae: return CDIB::FORMAT_JPEG;
    case 0xb96b3caf: return CDIB::FORMAT_PNG;
    case 0xb96b3cb0: return CDIB::FORMAT_GIF;
    case 0xb96b3cb1: return CDIB::FORMAT_TIFF;
    case 0xb96b3cb2: return CDIB::FORMAT_EXIF;
    case 0xb96b3cb5: return CDIB::FORMAT_ICON;
    default: return CDIB::FORMAT_OTHER;
    }
}

COLORREF ArgbToColorRef(Gdiplus::ARGB argb)
{
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// The image's palette, or an empty block when it has none.
std::vector<uint8_t> ReadPalette(Gdiplus::GpBitmap* bitmap)
{
    INT size = 0;
    if (GdipGetImagePaletteSize(bitmap, &size) != Gdiplus::Ok ||
        size < static_cast<INT>(sizeof(Gdiplus::ColorPalette))) {
        return std::vector<uint8_t>();
    }
    std::vector<uint8_t> block(static_cast<size_t>(size));
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(block.data());
    if (GdipGetImagePalette(bitmap, palette, size) != Gdiplus::Ok) return std::vector<uint8_t>();
    // Never trust a count beyond the block the decoder said it needs.
    const size_t room = (block.size() - offsetof(Gdiplus::ColorPalette, Entries)) /
                        sizeof(Gdiplus::ARGB);
    if (palette->Count > room) palette->Count = static_cast<UINT>(room);
    return block;
}

// The first fully transparent entry of a palette that has alpha; -1 when none.
int FindTransparentEntry(const Gdiplus::ColorPalette* palette)
{
    if ((palette->Flags & Gdiplus::PaletteFlagsHasAlpha) == 0) return -1;
    for (UINT i = 0; i < palette->Count; ++i) {
        if ((palette->Entries[i] >> 24) == 0) return static_cast<int>(i);
    }
    return -1;
}

// After the conversion to 24 bits the transparent pixels keep only their colour, so a GIF
// whose transparent entry shares its colour with a visible entry gets that entry recoloured
// to the smallest colour no other entry has.
void MakeTransparentColorUnique(Gdiplus::GpBitmap* bitmap)
{
    std::vector<uint8_t> block = ReadPalette(bitmap);
    if (block.empty()) return;
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(block.data());
    const int transparent = FindTransparentEntry(palette);
    if (transparent < 0) return;
    std::vector<COLORREF> others;
    for (UINT i = 0; i < palette->Count; ++i) {
        if (static_cast<int>(i) != transparent) others.push_back(ArgbToColorRef(palette->Entries[i]));
    }
    const COLORREF own = ArgbToColorRef(palette->Entries[transparent]);
    if (std::find(others.begin(), others.end(), own) == others.end()) return;
    // Count - 1 other entries leave at least one of the Count values 0 .. Count - 1 free.
    for (COLORREF v = 0; v < palette->Count; ++v) {
        if (std::find(others.begin(), others.end(), v) != others.end()) continue;
        palette->Entries[transparent] = (static_cast<Gdiplus::ARGB>(GetRValue(v)) << 16) |
                                        (static_cast<Gdiplus::ARGB>(GetGValue(v)) << 8) |
                                        GetBValue(v);
        const Gdiplus::GpStatus status = GdipSetImagePalette(bitmap, palette);
        if (status != Gdiplus::Ok) TOLVE_LOG(LOG_ERROR, "GdipSetImagePalette ERR:%d", status);
        return;
    }
}

// Decodes a whole stream into dib as 24 bits, bottom-up.
bool DecodeStream(CDIB& dib, IStream* stream, CDIB::LoadInfo* info)
{
    CGdiplusUse gdiplus;
    if (!gdiplus.IsStarted()) {
        info->error = CDIB::LOAD_BAD_IMAGE;
        return false;
    }
    uint8_t head[3] = {};
    ULONG got = 0;
    HRESULT hr = stream->Read(head, sizeof(head), &got);
    if (FAILED(hr) || got < sizeof(head)) {
        TOLVE_LOG(LOG_ERROR, "画像データが短すぎます HR:0x%08lX SIZE:%lu",
                  static_cast<unsigned long>(hr), got);
        info->error = CDIB::LOAD_READ_FAILED;
        return false;
    }
    LARGE_INTEGER start = {};
    hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
    if (FAILED(hr)) {
        TOLVE_LOG(LOG_ERROR, "IStream::Seek ERR:0x%08lX", static_cast<unsigned long>(hr));
        info->error = CDIB::LOAD_READ_FAILED;
        return false;
    }

    CGpBitmap bitmap;
    Gdiplus::GpStatus status = GdipCreateBitmapFromStream(stream, &bitmap);
    if (status != Gdiplus::Ok || bitmap.Get() == nullptr) {
        TOLVE_LOG(LOG_ERROR, "GdipCreateBitmapFromStream ERR:%d", status);
        info->error = CDIB::LOAD_BAD_IMAGE;
        return false;
    }
    GUID raw = {};
    int32_t format = CDIB::FORMAT_OTHER;
    if (GdipGetImageRawFormat(bitmap.Get(), &raw) == Gdiplus::Ok) format = FormatKindOf(raw);
    if (format == CDIB::FORMAT_GIF) MakeTransparentColorUnique(bitmap.Get());

    UINT width = 0;
    UINT height = 0;
    if (GdipGetImageWidth(bitmap.Get(), &width) != Gdiplus::Ok ||
        GdipGetImageHeight(bitmap.Get(), &height) != Gdiplus::Ok || width == 0 ||
        height == 0 || width > INT_MAX / 3 || height > INT_MAX) {
        TOLVE_LOG(LOG_ERROR, "画像の大きさが不正です W:%u H:%u", width, height);
        info->error = CDIB::LOAD_BAD_IMAGE;
        return false;
    }

    dib.Create(nullptr, static_cast<int>(width), static_cast<int>(height), 24);

    // The decoder writes straight into the section, with the section's own row stride.
    Gdiplus::BitmapData data = {};
    data.Width = width;
    data.Height = height;
    data.Stride = static_cast<INT>(dib.GetRowBytes());
    data.PixelFormat = PixelFormat24bppRGB;
    data.Scan0 = dib.GetBits();
    Gdiplus::GpRect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    status = GdipBitmapLockBits(bitmap.Get(), &whole,
                                Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                PixelFormat24bppRGB, &data);
    if (status != Gdiplus::Ok) {
        TOLVE_LOG(LOG_ERROR, "GdipBitmapLockBits ERR:%d", status);
        info->error = CDIB::LOAD_BAD_IMAGE;
        return false;
    }
    GdipBitmapUnlockBits(bitmap.Get(), &data);

    std::vector<uint8_t> block = ReadPalette(bitmap.Get());
    if (!block.empty()) {
        auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(block.data());
        const int transparent = FindTransparentEntry(palette);
        if (transparent >= 0) {
            info->hasTransparentColor = true;
            info->transparentColor = ArgbToColorRef(palette->Entries[transparent]);
        }
    }
    info->format = format;

    // The decoder wrote the rows top-down into a bottom-up section.
    const uint32_t rowBytes = dib.GetRowBytes();
    std::vector<uint8_t> swap(rowBytes);
    uint8_t* bits = dib.GetBits();
    for (uint32_t i = 0; i < height / 2; ++i) {
        uint8_t* upper = bits + static_cast<size_t>(i) * rowBytes;
        uint8_t* lower = bits + static_cast<size_t>(height - 1 - i) * rowBytes;
        std::memcpy(swap.data(), upper, rowBytes);
        std::memcpy(upper, lower, rowBytes);
        std::memcpy(lower, swap.data(), rowBytes);
    }
    return true;
}

// Decodes from fixed global memory, which the stream frees.
bool DecodeGlobal(CDIB& dib, HGLOBAL memory, CDIB::LoadInfo* info)
{
    CStreamRef stream;
    const HRESULT hr = CreateStreamOnHGlobal(memory, TRUE, &stream);
    if (FAILED(hr)) {
        TOLVE_LOG(LOG_ERROR, "CreateStreamOnHGlobal ERR:0x%08lX", static_cast<unsigned long>(hr));
        GlobalFree(memory);
        info->error = CDIB::LOAD_READ_FAILED;
        return false;
    }
    return DecodeStream(dib, stream.Get(), info);
}

// ---- pixels ----

inline bool IsKey(const uint8_t* p, COLORREF key)
{
    return key != kNoKeyColor && p[0] == GetBValue(key) && p[1] == GetGValue(key) &&
           p[2] == GetRValue(key);
}

inline uint8_t Blend(uint8_t d, int s, int alpha)
{
    return static_cast<uint8_t>(d + (((s - d) * (alpha + 1)) >> 8));
}

inline uint8_t ClampByte(int v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Floor division and its non-negative remainder, so that tiles of negative coordinates keep
// the grid.
inline int64_t FloorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

struct Span {
    int64_t lo;
    int64_t hi; // exclusive
};

inline Span Intersect(Span a, Span b)
{
    return Span{std::max(a.lo, b.lo), std::min(a.hi, b.hi)};
}

struct SamplePair {
    int first;  // -1: no source pixel
    int second;
};

// Distributes n source indices starting at s over m destination positions, as a line drawn
// with integer steps, and keeps the entries of positions [lo, hi) (after an optional
// reversal) widened to pairs clamped to the source range [rangeLo, rangeHi).
std::vector<SamplePair> BuildSampleTable(int64_t m, int64_t n, int64_t s, bool reverse,
                                         int64_t lo, int64_t hi, int64_t rangeLo,
                                         int64_t rangeHi)
{
    std::vector<SamplePair> table(static_cast<size_t>(hi - lo), SamplePair{-1, -1});
    auto put = [&](int64_t j, int64_t v) {
        const int64_t p = reverse ? m - 1 - j : j;
        if (p < lo || p >= hi) return;
        if (v < rangeLo || v >= rangeHi) return;
        const int64_t second = std::max(rangeLo, std::min(v + 1, rangeHi - 1));
        table[static_cast<size_t>(p - lo)] = SamplePair{static_cast<int>(v), static_cast<int>(second)};
    };
    // Positions past the window are never needed, so the walk stops there.
    const int64_t lastNeeded = reverse ? m - 1 - lo : hi - 1;
    if (n > m) {
        int64_t err = 1 - n;
        int64_t j = 0;
        for (int64_t i = 0; i < n && j < m && j <= lastNeeded; ++i) {
            err += 2 * (m - 1);
            put(j, s + i);
            if (err >= 0) {
                err -= 2 * (n - 1);
                ++j;
            }
        }
    } else {
        int64_t err = 1 - m;
        int64_t v = s;
        for (int64_t j = 0; j < m && j <= lastNeeded; ++j) {
            err += 2 * (n - 1);
            put(j, v);
            if (err >= 0) {
                err -= 2 * (m - 1);
                ++v;
            }
        }
    }
    return table;
}

} // namespace

// ---- CDIB ----

CDIB::CDIB()
    : m_pHeader(nullptr)
    , m_nHeaderSize(0)
    , m_nHeight(0)
    , m_nRowBytes(0)
    , m_rcClip()
    , m_pbBits(nullptr)
{
}

CDIB::~CDIB()
{
    Destroy();
}

void CDIB::Create(HDC dc, int width, int height, int bitCount)
{
    std::unique_ptr<uint8_t[]> block(new uint8_t[kHeaderBlockBytes]());
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block.get());
    header->biSize = kInfoHeaderSize;
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bitCount);
    header->biCompression = BI_RGB;
    if (bitCount > 0 && bitCount <= 8) {
        // A grey ramp, so that an indexed section shows something sensible.
        auto* colors = reinterpret_cast<RGBQUAD*>(block.get() + kInfoHeaderSize);
        const int entries = 1 << bitCount;
        for (int i = 0; i < entries; ++i) {
            const BYTE level = static_cast<BYTE>(entries > 1 ? i * 255 / (entries - 1) : 0);
            colors[i].rgbBlue = colors[i].rgbGreen = colors[i].rgbRed = level;
        }
    }

    // Whole 32-bit units of bits per row, for every bit depth.
    const int64_t absHeight = height < 0 ? -static_cast<int64_t>(height) : height;
    const int64_t rowBytes =
        width > 0 && bitCount > 0 ? (static_cast<int64_t>(width) * bitCount + 31) / 32 * 4 : 0;
    if (rowBytes == 0 || absHeight == 0 || rowBytes > INT_MAX || absHeight > INT_MAX / rowBytes) {
        TOLVE_LOG(LOG_ERROR, "DIBの大きさが不正です W:%d H:%d BPP:%d", width, height, bitCount);
        ThrowBadAlloc();
    }

    HDC memoryDC = nullptr;
    if (dc == nullptr) {
        memoryDC = ::CreateCompatibleDC(nullptr);
        if (memoryDC == nullptr) {
            TOLVE_LOG(LOG_ERROR, "CreateCompatibleDC ERR:0x%08lX", GetLastError());
            ThrowBadAlloc();
        }
    }
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc != nullptr ? dc : memoryDC,
                                        reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS,
                                        &bits, nullptr, 0);
    const DWORD error = GetLastError();
    if (memoryDC != nullptr) ::DeleteDC(memoryDC);
    if (bitmap == nullptr || bits == nullptr) {
        TOLVE_LOG(LOG_ERROR, "CreateDIBSection ERR:0x%08lX W:%d H:%d", error, width, height);
        if (bitmap != nullptr) ::DeleteObject(bitmap);
        ThrowBadAlloc();
    }

    Destroy();
    Attach(bitmap);
    m_pHeader = reinterpret_cast<BITMAPINFOHEADER*>(block.release());
    m_nHeaderSize = kInfoHeaderSize;
    m_nHeight = static_cast<int32_t>(absHeight);
    m_nRowBytes = static_cast<uint32_t>(rowBytes);
    m_pbBits = static_cast<uint8_t*>(bits);
    ResetClipRect();
}

void CDIB::Destroy()
{
    if (m_handle != nullptr) {
        ::DeleteObject(m_handle);
        m_handle = nullptr;
    }
    delete[] reinterpret_cast<uint8_t*>(m_pHeader);
    m_pHeader = nullptr;
    m_nHeaderSize = 0;
    m_nHeight = 0;
    m_nRowBytes = 0;
    m_pbBits = nullptr;
    m_rcClip = RECT();
}

uint32_t CDIB::GetRowBytes() const
{
    if (m_pHeader == nullptr) return 0;
    const int64_t bitsPerRow =
        static_cast<int64_t>(m_pHeader->biWidth) * m_pHeader->biBitCount * m_pHeader->biPlanes;
    return bitsPerRow > 0 ? static_cast<uint32_t>((bitsPerRow + 31) / 32 * 4) : 0;
}

uint32_t CDIB::GetBitsSize() const
{
    return static_cast<uint32_t>(m_nHeight) * GetRowBytes();
}

RECT CDIB::SetClipRect(const RECT& rect)
{
    const RECT previous = m_rcClip;
    m_rcClip = rect;
    return previous;
}

void CDIB::ResetClipRect()
{
    m_rcClip.left = 0;
    m_rcClip.top = 0;
    m_rcClip.right = GetWidth();
    m_rcClip.bottom = m_nHeight;
}

bool CDIB::_Is24() const
{
    return m_pHeader != nullptr && m_pbBits != nullptr && m_pHeader->biBitCount == 24 &&
           m_pHeader->biPlanes == 1 && m_pHeader->biWidth > 0 && m_nHeight > 0;
}

uint8_t* CDIB::_Row(int row) const
{
    const bool topDown = m_pHeader->biHeight < 0;
    const size_t memoryRow = topDown ? static_cast<size_t>(row)
                                     : static_cast<size_t>(m_nHeight - row - 1);
    return m_pbBits + memoryRow * m_nRowBytes;
}

void CDIB::Fill(COLORREF color)
{
    if (!_Is24()) return;
    const uint8_t r = GetRValue(color);
    const uint8_t g = GetGValue(color);
    const uint8_t b = GetBValue(color);
    if (r == g && g == b) {
        std::memset(m_pbBits, r, GetBitsSize());
        return;
    }
    const int width = GetWidth();
    for (int row = 0; row < m_nHeight; ++row) {
        uint8_t* p = _Row(row);
        for (int c = 0; c < width; ++c, p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
}

void CDIB::Blt(int x, int y, int w, int h, const CDIB& src, int sx, int sy, COLORREF key)
{
    _Copy(x, y, w, h, src, sx, sy, 255, key);
}

void CDIB::AlphaBlt(int x, int y, int w, int h, const CDIB& src, int sx, int sy, int alpha,
                    COLORREF key)
{
    _Copy(x, y, w, h, src, sx, sy, alpha & 0xFF, key);
}

void CDIB::_Copy(int x, int y, int w, int h, const CDIB& src, int sx, int sy, int alpha,
                 COLORREF key)
{
    if (!_Is24() || !src._Is24() || w <= 0 || h <= 0) return;
    // The destination inside the clip rectangle, which itself never leaves the image.
    const Span clipX = Intersect(Span{m_rcClip.left, m_rcClip.right}, Span{0, GetWidth()});
    const Span clipY = Intersect(Span{m_rcClip.top, m_rcClip.bottom}, Span{0, m_nHeight});
    const Span dx = Intersect(Span{x, static_cast<int64_t>(x) + w}, clipX);
    const Span dy = Intersect(Span{y, static_cast<int64_t>(y) + h}, clipY);
    if (dx.lo >= dx.hi || dy.lo >= dy.hi) return;
    // The source moves with the destination's top-left corner.
    const int64_t srcX = sx + (dx.lo - x);
    const int64_t srcY = sy + (dy.lo - y);
    const Span sxSpan = Intersect(Span{srcX, srcX + (static_cast<int64_t>(x) + w - dx.lo)},
                                  Span{0, src.GetWidth()});
    const Span sySpan = Intersect(Span{srcY, srcY + (static_cast<int64_t>(y) + h - dy.lo)},
                                  Span{0, src.m_nHeight});
    const int64_t width = std::min(sxSpan.hi - sxSpan.lo, dx.hi - dx.lo);
    const int64_t height = std::min(sySpan.hi - sySpan.lo, dy.hi - dy.lo);
    if (width < 1 || height < 1) return;

    const size_t bytes = static_cast<size_t>(width) * 3;
    // Rows in ascending memory order of the destination.
    const bool bottomUp = m_pHeader->biHeight > 0;
    for (int64_t n = 0; n < height; ++n) {
        const int64_t i = bottomUp ? height - 1 - n : n;
        uint8_t* d = _Row(static_cast<int>(dy.lo + i)) + dx.lo * 3;
        const uint8_t* s = src._Row(static_cast<int>(sySpan.lo + i)) + sxSpan.lo * 3;
        if (alpha == 255 && key == kNoKeyColor) {
            std::memmove(d, s, bytes);
        } else if (alpha == 255) {
            for (int64_t c = 0; c < width; ++c, d += 3, s += 3) {
                if (IsKey(s, key)) continue;
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        } else {
            for (int64_t c = 0; c < width; ++c, d += 3, s += 3) {
                if (IsKey(s, key)) continue;
                d[0] = Blend(d[0], s[0], alpha);
                d[1] = Blend(d[1], s[1], alpha);
                d[2] = Blend(d[2], s[2], alpha);
            }
        }
    }
}

void CDIB::TileBlt(int x, int y, int w, int h, const CDIB& src, bool fromAreaOrigin,
                   const RECT* srcRect, int alpha, COLORREF key)
{
    if (!_Is24() || !src._Is24() || w <= 0 || h <= 0) return;
    RECT tile = {0, 0, src.GetWidth(), src.m_nHeight};
    if (srcRect != nullptr) {
        const RECT bounds = tile;
        if (!::IntersectRect(&tile, srcRect, &bounds)) return; // an empty tile draws nothing
    }
    const int64_t tw = tile.right - tile.left;
    const int64_t th = tile.bottom - tile.top;
    if (tw <= 0 || th <= 0) return;
    alpha &= 0xFF;

    // Only the part that can change is walked, so a tiny tile over a huge area still ends
    // quickly; the pieces keep their places because walking starts on a tile boundary.
    const Span clipX = Intersect(Span{m_rcClip.left, m_rcClip.right}, Span{0, GetWidth()});
    const Span clipY = Intersect(Span{m_rcClip.top, m_rcClip.bottom}, Span{0, m_nHeight});
    const Span vx = Intersect(Span{x, static_cast<int64_t>(x) + w}, clipX);
    const Span vy = Intersect(Span{y, static_cast<int64_t>(y) + h}, clipY);
    if (vx.lo >= vx.hi || vy.lo >= vy.hi) return;
    auto firstBoundary = [fromAreaOrigin](int64_t origin, int64_t visible, int64_t size) {
        if (fromAreaOrigin) return origin + FloorDiv(visible - origin, size) * size;
        return std::max(origin, FloorDiv(visible, size) * size);
    };

    for (int64_t ry = firstBoundary(y, vy.lo, th); ry < vy.hi;) {
        const int64_t ty = fromAreaOrigin ? ry : FloorDiv(ry, th) * th;
        const int64_t bandEnd = std::min(vy.hi, ty + th);
        const int64_t srcY = fromAreaOrigin ? tile.top : tile.top + (ry - ty);
        for (int64_t rx = firstBoundary(x, vx.lo, tw); rx < vx.hi;) {
            const int64_t tx = fromAreaOrigin ? rx : FloorDiv(rx, tw) * tw;
            const int64_t pieceEnd = std::min(vx.hi, tx + tw);
            const int64_t srcX = fromAreaOrigin ? tile.left : tile.left + (rx - tx);
            _Copy(static_cast<int>(rx), static_cast<int>(ry), static_cast<int>(pieceEnd - rx),
                  static_cast<int>(bandEnd - ry), src, static_cast<int>(srcX),
                  static_cast<int>(srcY), alpha, key);
            rx = pieceEnd;
        }
        ry = bandEnd;
    }
}

void CDIB::StretchBltClipped(int x, int y, int w, int h, const CDIB& src, int sx, int sy,
                             int sw, int sh, int angle, const RECT* extraClip)
{
    _Scale(x, y, w, h, src, sx, sy, sw, sh, angle, extraClip, 255, kNoKeyColor);
}

void CDIB::StretchBltClipped(const RECT& dstRect, const CDIB& src, const RECT& srcRect,
                             int alpha, COLORREF key)
{
    _Scale(dstRect.left, dstRect.top, dstRect.right - dstRect.left,
           dstRect.bottom - dstRect.top, src, srcRect.left, srcRect.top,
           srcRect.right - srcRect.left, srcRect.bottom - srcRect.top, 0, nullptr, alpha & 0xFF,
           key);
}

void CDIB::_Scale(int x, int y, int w, int h, const CDIB& src, int sx, int sy, int sw, int sh,
                  int angle, const RECT* extraClip, int alpha, COLORREF key)
{
    if (!_Is24() || !src._Is24() || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    const bool swap = angle == 90 || angle == 270;

    Span cx = Intersect(Span{m_rcClip.left, m_rcClip.right}, Span{0, GetWidth()});
    Span cy = Intersect(Span{m_rcClip.top, m_rcClip.bottom}, Span{0, m_nHeight});
    if (extraClip != nullptr) {
        cx = Intersect(cx, Span{extraClip->left, extraClip->right});
        cy = Intersect(cy, Span{extraClip->top, extraClip->bottom});
    }
    cx = Intersect(cx, Span{x, static_cast<int64_t>(x) + w});
    cy = Intersect(cy, Span{y, static_cast<int64_t>(y) + h});
    if (cx.lo >= cx.hi || cy.lo >= cy.hi) return;

    // Source ranges narrowed to the image, so that no sample is read outside the bits.
    const Span srcCols = Intersect(Span{sx, static_cast<int64_t>(sx) + sw}, Span{0, src.GetWidth()});
    const Span srcRows = Intersect(Span{sy, static_cast<int64_t>(sy) + sh}, Span{0, src.m_nHeight});
    if (srcCols.lo >= srcCols.hi || srcRows.lo >= srcRows.hi) return;
    const Span& colRange = swap ? srcRows : srcCols;
    const Span& rowRange = swap ? srcCols : srcRows;
    const std::vector<SamplePair> cols = BuildSampleTable(
        w, swap ? sh : sw, swap ? sy : sx, angle == 90 || angle == 180, cx.lo - x, cx.hi - x,
        colRange.lo, colRange.hi);
    const std::vector<SamplePair> rows = BuildSampleTable(
        h, swap ? sw : sh, swap ? sx : sy, angle == 180 || angle == 270, cy.lo - y, cy.hi - y,
        rowRange.lo, rowRange.hi);

    for (int64_t r = cy.lo; r < cy.hi; ++r) {
        const SamplePair& rp = rows[static_cast<size_t>(r - cy.lo)];
        uint8_t* d = _Row(static_cast<int>(r)) + cx.lo * 3;
        for (int64_t c = cx.lo; c < cx.hi; ++c, d += 3) {
            const SamplePair& cp = cols[static_cast<size_t>(c - cx.lo)];
            if (cp.first < 0 || rp.first < 0) continue;
            const SamplePair& sc = swap ? rp : cp;
            const SamplePair& sr = swap ? cp : rp;
            const uint8_t* p[4] = {
                src._Row(sr.first) + sc.first * 3, src._Row(sr.first) + sc.second * 3,
                src._Row(sr.second) + sc.first * 3, src._Row(sr.second) + sc.second * 3};
            if (IsKey(p[0], key)) continue;
            int sum[3] = {0, 0, 0};
            int count = 0;
            for (const uint8_t* q : p) {
                if (IsKey(q, key)) continue; // no key colour bleeds into the edges
                sum[0] += q[0];
                sum[1] += q[1];
                sum[2] += q[2];
                ++count;
            }
            for (int k = 0; k < 3; ++k) {
                const int v = count == 4 ? sum[k] >> 2 : sum[k] / count;
                d[k] = alpha == 255 ? static_cast<uint8_t>(v) : Blend(d[k], v, alpha);
            }
        }
    }
}

// ---- loading ----

bool CDIB::LoadFromFile(const char* path, LoadInfo* info)
{
    LoadInfo local;
    if (info == nullptr) info = &local;
    *info = LoadInfo();
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        TOLVE_LOG(LOG_ERROR, "画像ファイルを開けません ERR:0x%08lX %s", error, path);
        info->error = error == ERROR_FILE_NOT_FOUND ? LOAD_NOT_FOUND : LOAD_READ_FAILED;
        return false;
    }
    DWORD high = 0;
    const DWORD size = ::GetFileSize(file, &high);
    HGLOBAL memory = nullptr;
    if (size != INVALID_FILE_SIZE && high == 0 && size > 0) {
        memory = ::GlobalAlloc(GMEM_FIXED, size);
    }
    DWORD total = 0;
    if (memory != nullptr) {
        auto* bytes = static_cast<uint8_t*>(memory);
        DWORD read = 0;
        while (total < size &&
               ::ReadFile(file, bytes + total, size - total, &read, nullptr) && read > 0) {
            total += read;
        }
    }
    const DWORD error = GetLastError();
    ::CloseHandle(file);
    if (memory == nullptr || total != size) {
        TOLVE_LOG(LOG_ERROR, "画像ファイルを読めません ERR:0x%08lX SIZE:%lu READ:%lu %s", error,
                  size, total, path);
        if (memory != nullptr) ::GlobalFree(memory);
        info->error = LOAD_READ_FAILED;
        return false;
    }
    return DecodeGlobal(*this, memory, info);
}

bool CDIB::LoadFromResource(const char* name, const char* type, LoadInfo* info, HMODULE module)
{
    LoadInfo local;
    if (info == nullptr) info = &local;
    *info = LoadInfo();
    DWORD size = 0;
    const void* bytes = LoadResourceBytes(name, type, &size, module);
    if (bytes == nullptr) {
        info->error = LOAD_NOT_FOUND;
        return false;
    }
    HGLOBAL memory = ::GlobalAlloc(GMEM_FIXED, size);
    if (memory == nullptr) {
        TOLVE_LOG(LOG_ERROR, "GlobalAlloc ERR:0x%08lX SIZE:%lu", GetLastError(), size);
        info->error = LOAD_READ_FAILED;
        return false;
    }
    std::memcpy(memory, bytes, size);
    return DecodeGlobal(*this, memory, info);
}

bool CDIB::LoadFromResource(HMODULE module, const char* name, const char* type, LoadInfo* info)
{
    return LoadFromResource(name, type, info, module);
}

const void* LoadResourceBytes(const char* name, const char* type, DWORD* size, HMODULE module)
{
    HRSRC found = ::FindResourceA(module, name, type);
    if (found == nullptr) {
        // Names may be numbers made with MAKEINTRESOURCE: never print them as text.
        TOLVE_LOG(LOG_ERROR, "FindResource ERR:0x%08lX", GetLastError());
        return nullptr;
    }
    const DWORD bytes = ::SizeofResource(module, found);
    HGLOBAL loaded = bytes != 0 ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (data == nullptr) {
        TOLVE_LOG(LOG_ERROR, "リソースが空か読めません ERR:0x%08lX SIZE:%lu", GetLastError(), bytes);
        return nullptr;
    }
    if (size != nullptr) *size = bytes;
    return data;
}

const void* LoadResourceBytes(HMODULE module, const char* name, const char* type, DWORD* size)
{
    return LoadResourceBytes(name, type, size, module);
}

bool StartupGdiplus()
{
    // The count and the start-up change together: a second thread must not use GDI+ before
    // the first one's start-up has finished, nor see it shut down under its feet.
    CCriticalSection::CLock lock(&GdiplusLock(), true);
    if (g_nGdiplusUsers == 0) {
        Gdiplus::GdiplusStartupInput input; // version 1, no debug callback, own thread
        ULONG_PTR token = 0;
        const Gdiplus::Status status = Gdiplus::GdiplusStartup(&token, &input, nullptr);
        if (status != Gdiplus::Ok) {
            TOLVE_LOG(LOG_ERROR, "GdiplusStartup ERR:%d", status);
            return false;
        }
        g_gdiplusToken = token;
    }
    ++g_nGdiplusUsers;
    return true;
}

void ShutdownGdiplus()
{
    CCriticalSection::CLock lock(&GdiplusLock(), true);
    if (g_nGdiplusUsers <= 0) return;
    if (--g_nGdiplusUsers == 0) {
        Gdiplus::GdiplusShutdown(g_gdiplusToken);
        g_gdiplusToken = 0;
    }
}

// ---- colours and filters ----

COLORREF ToGrayColor(COLORREF color)
{
    const int g = (GetRValue(color) * 306 + GetGValue(color) * 600 + GetBValue(color) * 117) >> 10;
    return RGB(g, g, g);
}

COLORREF LightenColor(COLORREF color, int percent)
{
    const int add = percent * 255 / 100;
    return RGB(ClampByte(GetRValue(color) + add), ClampByte(GetGValue(color) + add),
               ClampByte(GetBValue(color) + add));
}

namespace {

template <class F>
void ForEachPixel(CDIB& dib, COLORREF key, F change)
{
    const BITMAPINFOHEADER* header = dib.GetInfoHeader();
    if (header == nullptr || dib.GetBits() == nullptr || header->biBitCount != 24 ||
        header->biPlanes != 1) {
        return;
    }
    const int width = header->biWidth;
    const uint32_t rowBytes = dib.GetRowBytes();
    for (int row = 0; row < dib.GetHeight(); ++row) {
        uint8_t* p = dib.GetBits() + static_cast<size_t>(row) * rowBytes;
        for (int c = 0; c < width; ++c, p += 3) {
            if (!IsKey(p, key)) change(p);
        }
    }
}

} // namespace

void FilterGray(CDIB& dib, COLORREF key)
{
    ForEachPixel(dib, key, [](uint8_t* p) {
        const uint8_t g = static_cast<uint8_t>((p[2] * 306 + p[1] * 600 + p[0] * 117) >> 10);
        p[0] = p[1] = p[2] = g;
    });
}

void FilterBrightness(CDIB& dib, int percent, COLORREF key)
{
    const int add = percent * 255 / 100;
    ForEachPixel(dib, key, [add](uint8_t* p) {
        p[0] = ClampByte(p[0] + add);
        p[1] = ClampByte(p[1] + add);
        p[2] = ClampByte(p[2] + add);
    });
}

} // namespace wfc
} // namespace lib
