#pragma once
// Owners of drawing resources: device contexts (memory, client area, WM_PAINT), bitmaps and
// fonts, and the saver that puts a device context's selections back. Every failed creation
// throws lib::wfc::bad_alloc, so drawing code reads top to bottom without cleanup at its
// end. No text of the system is drawn with '&' prefix processing.

#include "lib/wfc/WfcRuntime.h"

#include <windows.h>

#include <cstddef>

namespace lib {
namespace wfc {

class CWindow;

// DrawTextA / DrawTextW with DT_NOPREFIX added; the height of the text drawn.
int DrawText(HDC dc, const char* text, int length, RECT* rect, UINT format);
int DrawText(HDC dc, const wchar_t* text, int length, RECT* rect, UINT format);

class CDC {
public:
    CDC() : m_hDC(nullptr) {}
    virtual ~CDC();

    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Replaces the held device context only when the new one could be made.
    void CreateCompatibleDC(HDC dc);
    void DeleteDC();
    // Throws lib::wfc::bad_alloc when the object cannot be selected.
    HGDIOBJ SelectObject(HGDIOBJ object);
    int DrawText(const char* text, RECT* rect, UINT format);
    int DrawText(const wchar_t* text, RECT* rect, UINT format);

    HDC GetHDC() const { return m_hDC; }

protected:
    HDC m_hDC;
};

// A memory device context compatible with `dc` (the screen when null).
class CMemDC : public CDC {
public:
    explicit CMemDC(HDC dc = nullptr);
    ~CMemDC() override = default;
};

// The client-area device context of a window (the screen's when null), released on
// destruction.
class CClientDC : public CDC {
public:
    explicit CClientDC(const CWindow* window);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

// The device context of one WM_PAINT: BeginPaint on construction, EndPaint on destruction.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(const CWindow& window);
    ~CPaintDC() override;

    const PAINTSTRUCT& GetPaintStruct() const { return m_ps; }
    const RECT& GetPaintRect() const { return m_ps.rcPaint; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps;
};

namespace gdi {

template <class T>
struct GDIObjectDestroyer {
    static void Destroy(T handle) { ::DeleteObject(handle); }
};

} // namespace gdi

// Owns one drawing handle (bitmap, font) and deletes it through Destroyer on destruction.
// Not to be confused with lib::CHandle, the owner of a kernel handle: code inside lib::wfc
// that needs that one names it with its namespace.
template <class T, class Destroyer>
class CHandle {
public:
    CHandle() : m_handle(nullptr) {}
    virtual ~CHandle()
    {
        if (m_handle != nullptr) Destroyer::Destroy(m_handle);
    }

    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    // Takes the new handle. The handle held before is neither deleted nor returned: callers
    // that replace one delete it themselves first.
    virtual T Attach(T handle)
    {
        m_handle = handle;
        return m_handle;
    }

    T GetHandle() const { return m_handle; }

protected:
    T m_handle;
};

template <class T>
class CGDIObject : public CHandle<T, gdi::GDIObjectDestroyer<T>> {
};

class CFont : public CGDIObject<HFONT> {
public:
    CFont() = default;
    // Throws lib::wfc::bad_alloc when no font can be made.
    explicit CFont(const LOGFONTA* logFont);
    // Makes a font on an existing object; the font held before is not deleted.
    void CreateFontIndirect(const LOGFONTA* logFont);
};

// Capacity of LOGFONTA::lfFaceName, terminator included.
size_t GetFaceNameCapacity();
// The system's default font: height 10, DEFAULT_CHARSET, "Meiryo" on Windows Vista and
// later, "MS PGothic" before; every other field 0.
LOGFONTA* GetDefaultLogFont(LOGFONTA* logFont);
// The same; a face passed in is overwritten by the default one.
LOGFONTA* GetDefaultLogFont(LOGFONTA* logFont, const char* face);

// Remembers what a device context held before the first font and the first bitmap selected
// through it, with the background mode and text colour at binding, and puts them back in
// Restore or, at the latest, on destruction. Users call Restore before the device context
// goes away.
class CDCStateSaver {
public:
    explicit CDCStateSaver(CDC* dc);
    // Restores without throwing: a selection that fails here is only logged.
    ~CDCStateSaver();

    CDCStateSaver(const CDCStateSaver&) = delete;
    CDCStateSaver& operator=(const CDCStateSaver&) = delete;

    HDC GetHDC() const;
    // The object selected before; throws lib::wfc::bad_alloc when the selection fails.
    HGDIOBJ SelectFont(HFONT font);
    HGDIOBJ SelectBitmap(HBITMAP bitmap);
    void Restore();

private:
    HGDIOBJ _Select(HGDIOBJ object, HGDIOBJ* remembered);
    void _RestoreNoThrow();

    CDC* m_pDC;
    HGDIOBJ m_hOldFont;
    HGDIOBJ m_hOldBitmap;
    int m_iOldBkMode;        // 0 when unknown
    COLORREF m_crOldText;    // CLR_INVALID when unknown
};

} // namespace wfc
} // namespace lib
