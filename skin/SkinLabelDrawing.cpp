#include "skin/SkinLabelDrawing.h"

#include "lib/wfc/TextAntialias.h"
#include "skin/SkinWindow.h"

namespace ui {

namespace {

const int kDisabledBrightness = 40;

} // namespace

void DrawCenteredImagePart(lib::wfc::CDIB& target, const RECT& area, SkinImageCache& cache,
                           const SkinImagePart& part, int dx, int dy, bool gray)
{
    const int width = part.Width();
    const int height = part.Height();
    if (!part.HasFile() || width < 1 || height < 1) return;

    lib::wfc::CDIB mark;
    {
        CSkinImageRef ref = cache.FindImage(part.m_strFile);
        CSkinImageLock image(ref);
        if (image.Get() == nullptr) return;
        mark.Create(nullptr, width, height, 24);
        // Where the rectangle leaves the image, the mark stays transparent.
        mark.Fill(kSkinKeyColor);
        mark.Blt(0, 0, width, height, *image.Get(), part.m_rcSource.left, part.m_rcSource.top,
                 lib::wfc::kNoKeyColor);
    }
    if (gray) {
        lib::wfc::FilterGray(mark, kSkinKeyColor);
        lib::wfc::FilterBrightness(mark, kDisabledBrightness, kSkinKeyColor);
    }

    const int x = area.left + ((area.right - area.left) - width) / 2 + dx;
    const int y = area.top + ((area.bottom - area.top) - height) / 2 + dy;
    lib::wfc::CDIBClipScope clip(target, area);
    target.Blt(x, y, width, height, mark, 0, 0, kSkinKeyColor);
}

void DrawSkinCaption(HDC dc, lib::wfc::CDIB& dib, int fontHeight, const std::string& text,
                     const RECT& rect, UINT format, bool antialias)
{
    RECT box = rect;
    if (antialias &&
        lib::wfc::DrawTextAntialias(dc, dib, fontHeight, text.c_str(), &box, format, nullptr)) {
        return;
    }
    box = rect;
    // DrawTextA is given a box of even width.
    if ((box.right - box.left) % 2 != 0) box.right += 1;
    lib::wfc::DrawText(dc, text.c_str(), -1, &box, format);
}

CSkinBufferDC::CSkinBufferDC(lib::wfc::CDIB& buffer, const LOGFONTA* logFont)
    : m_memory(nullptr), m_saver(&m_memory)
{
    m_saver.SelectBitmap(buffer.GetHandle());
    if (logFont != nullptr) {
        m_font.CreateFontIndirect(logFont);
        m_saver.SelectFont(m_font.GetHandle());
    }
    HDC dc = GetHDC();
    const RECT clip = buffer.GetClipRect();
    ::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    ::SetBkMode(dc, TRANSPARENT);
}

CSkinBufferDC::~CSkinBufferDC()
{
    ::GdiFlush();
    ::SelectClipRgn(GetHDC(), nullptr);
    // The saver puts the bitmap and font back as it goes.
}

} // namespace ui
