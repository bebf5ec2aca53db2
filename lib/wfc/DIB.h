#pragma once
// The pixel buffer of the skin windows: a DIB section whose bits the program reads and
// writes directly, with the few pixel operations skins need, and image loading through
// GDI+. Pixel operations work on 24-bit images (bytes blue, green, red), rows bottom-up as
// Create and the loaders make them; on any other image they do nothing.

#include "lib/wfc/DC.h"

#include <windows.h>

#include <cstdint>

namespace lib {
namespace wfc {

// A colour argument meaning "no key colour".
const COLORREF kNoKeyColor = 0xFFFFFFFFu;

class CDIB : public CGDIObject<HBITMAP> {
public:
    enum FormatKind : int32_t {
        FORMAT_OTHER = 0,
        FORMAT_MEMORYBMP = 1,
        FORMAT_BMP = 2,
        FORMAT_EMF = 3,
        FORMAT_WMF = 4,
        FORMAT_JPEG = 5,
        FORMAT_PNG = 6,
        FORMAT_GIF = 7,
        FORMAT_TIFF = 8,
        FORMAT_EXIF = 9,
        FORMAT_ICON = 10,
    };
    enum LoadError : int32_t {
        LOAD_OK = 0,
        LOAD_NOT_FOUND = 1,   // file or resource missing
        LOAD_READ_FAILED = 2, // reading, memory or stream failure
        LOAD_BAD_IMAGE = 3,   // the data could not be decoded
    };
    struct LoadInfo {
        int32_t format;             // FormatKind
        bool hasTransparentColor;
        COLORREF transparentColor;  // the colour the transparent pixels have after loading
        int32_t error;              // LoadError
    };

    CDIB();
    ~CDIB() override;

    // Makes a DIB section on `dc` (a memory device context of the screen when null),
    // replacing the image held before. A positive height is bottom-up. Throws
    // lib::wfc::bad_alloc when the section cannot be made.
    void Create(HDC dc, int width, int height, int bitCount);
    virtual void Destroy();

    const BITMAPINFOHEADER* GetInfoHeader() const { return m_pHeader; }
    int GetWidth() const { return m_pHeader != nullptr ? m_pHeader->biWidth : 0; }
    int GetHeight() const { return m_nHeight; }
    uint32_t GetRowBytes() const;
    uint32_t GetBitsSize() const;
    uint8_t* GetBits() { return m_pbBits; }
    const uint8_t* GetBits() const { return m_pbBits; }

    RECT SetClipRect(const RECT& rect);
    void ResetClipRect();
    const RECT& GetClipRect() const { return m_rcClip; }

    void Fill(COLORREF color);
    // Copies the w x h area of src at (sx, sy) to (x, y) inside the clip rectangle; source
    // pixels equal to key are skipped (kNoKeyColor copies all).
    void Blt(int x, int y, int w, int h, const CDIB& src, int sx, int sy, COLORREF key);
    // The same, blending with a constant alpha (its low 8 bits; 255 copies).
    void AlphaBlt(int x, int y, int w, int h, const CDIB& src, int sx, int sy, int alpha,
                  COLORREF key);
    // Fills the area with copies of srcRect of src (the whole source when null): tiles start
    // at the area's origin, or on the grid of multiples of the tile size.
    void TileBlt(int x, int y, int w, int h, const CDIB& src, bool fromAreaOrigin,
                 const RECT* srcRect, int alpha, COLORREF key);
    // Scales (sx, sy, sw, sh) of src onto (x, y, w, h), smoothed, inside the clip rectangle
    // narrowed by extraClip; angle 90, 180 or 270 turns the picture clockwise.
    void StretchBltClipped(int x, int y, int w, int h, const CDIB& src, int sx, int sy, int sw,
                           int sh, int angle, const RECT* extraClip);
    // The skin items' form: scales srcRect onto dstRect, blended with alpha, leaving the
    // destination where the nearest source pixel is the key colour.
    void StretchBltClipped(const RECT& dstRect, const CDIB& src, const RECT& srcRect,
                           int alpha, COLORREF key);

    // Decode an image (PNG, GIF, BMP, JPEG, ...) into a 24-bit bottom-up image. False with
    // info->error set when the image cannot be had; never throws for bad data.
    bool LoadFromFile(const char* path, LoadInfo* info);
    bool LoadFromResource(const char* name, const char* type, LoadInfo* info, HMODULE module);
    bool LoadFromResource(HMODULE module, const char* name, const char* type,
                          LoadInfo* info = nullptr);

private:
    // The writable pixel of picture row `row` (0 = top); callers keep it in bounds.
    uint8_t* _Row(int row) const;
    bool _Is24() const;
    void _Copy(int x, int y, int w, int h, const CDIB& src, int sx, int sy, int alpha,
               COLORREF key);
    void _Scale(int x, int y, int w, int h, const CDIB& src, int sx, int sy, int sw, int sh,
                int angle, const RECT* extraClip, int alpha, COLORREF key);

    BITMAPINFOHEADER* m_pHeader;
    uint32_t m_nHeaderSize;
    int32_t m_nHeight;     // |biHeight|
    uint32_t m_nRowBytes;
    RECT m_rcClip;
    uint8_t* m_pbBits;     // owned by the section
};

// Narrows a buffer's clip rectangle to its common part with a rectangle for one scope (an
// item drawing inside its own bounds); the previous clip rectangle comes back at the end.
class CDIBClipScope {
public:
    CDIBClipScope(CDIB& dib, const RECT& rect) : m_dib(dib), m_rcPrevious(dib.GetClipRect())
    {
        RECT clip;
        if (!::IntersectRect(&clip, &rect, &m_rcPrevious)) clip = RECT();
        m_dib.SetClipRect(clip);
    }
    ~CDIBClipScope() { m_dib.SetClipRect(m_rcPrevious); }
    CDIBClipScope(const CDIBClipScope&) = delete;
    CDIBClipScope& operator=(const CDIBClipScope&) = delete;

private:
    CDIB& m_dib;
    RECT m_rcPrevious;
};

// The bytes of a resource (the program itself when module is null); null when it is missing
// or empty, and then *size is left alone.
const void* LoadResourceBytes(const char* name, const char* type, DWORD* size, HMODULE module);
const void* LoadResourceBytes(HMODULE module, const char* name, const char* type, DWORD* size);

// GDI+ for the whole process: the first start-up starts it, the last shut-down ends it.
bool StartupGdiplus();
void ShutdownGdiplus();

COLORREF ToGrayColor(COLORREF color);
// Adds percent x 255 / 100 to red, green and blue, clamped (a negative percent darkens).
COLORREF LightenColor(COLORREF color, int percent);
void FilterGray(CDIB& dib, COLORREF key);
void FilterBrightness(CDIB& dib, int percent, COLORREF key);

} // namespace wfc
} // namespace lib
