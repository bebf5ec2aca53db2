#include "lib/wfc/DC.h"

#include "lib/DbcsText.h"
#include "lib/SystemVersion.h"
#include "lib/TolveLog.h"
#include "lib/wfc/Window.h"

#include <cstring>

namespace lib {
namespace wfc {

int DrawText(HDC dc, const char* text, int length, RECT* rect, UINT format)
{
    return ::DrawTextA(dc, text, length, rect, format | DT_NOPREFIX);
}

int DrawText(HDC dc, const wchar_t* text, int length, RECT* rect, UINT format)
{
    return ::DrawTextW(dc, text, length, rect, format | DT_NOPREFIX);
}

// ---- CDC ----

CDC::~CDC()
{
    if (m_hDC != nullptr) ::DeleteDC(m_hDC);
}

void CDC::CreateCompatibleDC(HDC dc)
{
    HDC created = ::CreateCompatibleDC(dc);
    if (created == nullptr) {
        TOLVE_LOG(LOG_ERROR, "CreateCompatibleDC ERR:0x%08lX", GetLastError());
        ThrowBadAlloc();
    }
    if (m_hDC != nullptr) ::DeleteDC(m_hDC);
    m_hDC = created;
}

void CDC::DeleteDC()
{
    if (m_hDC != nullptr) ::DeleteDC(m_hDC);
    m_hDC = nullptr;
}

HGDIOBJ CDC::SelectObject(HGDIOBJ object)
{
    HGDIOBJ previous = ::SelectObject(m_hDC, object);
    if (previous == nullptr) {
        TOLVE_LOG(LOG_ERROR, "SelectObject ERR:0x%08lX", GetLastError());
        ThrowBadAlloc();
    }
    return previous;
}

int CDC::DrawText(const char* text, RECT* rect, UINT format)
{
    return lib::wfc::DrawText(m_hDC, text, -1, rect, format);
}

int CDC::DrawText(const wchar_t* text, RECT* rect, UINT format)
{
    return lib::wfc::DrawText(m_hDC, text, -1, rect, format);
}

// ---- CMemDC, CClientDC, CPaintDC ----

CMemDC::CMemDC(HDC dc)
{
    CreateCompatibleDC(dc);
}

CClientDC::CClientDC(const CWindow* window)
    : m_hWnd(window != nullptr ? window->GetHwnd() : nullptr)
{
    m_hDC = ::GetDC(m_hWnd);
    if (m_hDC == nullptr) {
        TOLVE_LOG(LOG_ERROR, "GetDC ERR:0x%08lX", GetLastError());
        ThrowBadAlloc();
    }
}

CClientDC::~CClientDC()
{
    // A window's device context is released, never deleted.
    ::ReleaseDC(m_hWnd, m_hDC);
    m_hDC = nullptr;
}

CPaintDC::CPaintDC(const CWindow& window)
    : m_hWnd(window.GetHwnd())
    , m_ps()
{
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
    if (m_hDC == nullptr) {
        TOLVE_LOG(LOG_ERROR, "BeginPaint ERR:0x%08lX", GetLastError());
        ThrowBadAlloc();
    }
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWnd, &m_ps);
    m_hDC = nullptr;
}

// ---- CFont and the default font ----

CFont::CFont(const LOGFONTA* logFont)
{
    CreateFontIndirect(logFont);
}

void CFont::CreateFontIndirect(const LOGFONTA* logFont)
{
    HFONT font = ::CreateFontIndirectA(logFont);
    if (font == nullptr) {
        TOLVE_LOG(LOG_ERROR, "CreateFontIndirect ERR:0x%08lX", GetLastError());
        ThrowBadAlloc();
    }
    Attach(font);
}

size_t GetFaceNameCapacity()
{
    return sizeof(static_cast<LOGFONTA*>(nullptr)->lfFaceName);
}

LOGFONTA* GetDefaultLogFont(LOGFONTA* logFont)
{
    std::memset(logFont, 0, sizeof(*logFont));
    logFont->lfHeight = 10;
    logFont->lfCharSet = DEFAULT_CHARSET;
    const char* face = lib::IsVistaOrLater() ? "Meiryo" : "MS PGothic";
    lib::DbcsCopy(logFont->lfFaceName, GetFaceNameCapacity(), face);
    return logFont;
}

LOGFONTA* GetDefaultLogFont(LOGFONTA* logFont, const char* /*face*/)
{
    return GetDefaultLogFont(logFont);
}

// ---- CDCStateSaver ----

CDCStateSaver::CDCStateSaver(CDC* dc)
    : m_pDC(dc)
    , m_hOldFont(nullptr)
    , m_hOldBitmap(nullptr)
    , m_iOldBkMode(0)
    , m_crOldText(CLR_INVALID)
{
    HDC hdc = GetHDC();
    if (hdc != nullptr) {
        m_iOldBkMode = ::GetBkMode(hdc);
        m_crOldText = ::GetTextColor(hdc);
    }
}

CDCStateSaver::~CDCStateSaver()
{
    _RestoreNoThrow();
}

HDC CDCStateSaver::GetHDC() const
{
    return m_pDC != nullptr ? m_pDC->GetHDC() : nullptr;
}

HGDIOBJ CDCStateSaver::_Select(HGDIOBJ object, HGDIOBJ* remembered)
{
    if (m_pDC == nullptr) {
        TOLVE_LOG(LOG_ERROR, "CDCStateSaver: デバイスコンテキストがありません");
        ThrowBadAlloc();
    }
    HGDIOBJ previous = m_pDC->SelectObject(object);
    if (*remembered == nullptr) {
        *remembered = previous;
    } else if (*remembered == object) {
        // The original object is back in place: nothing is left to restore.
        *remembered = nullptr;
    }
    return previous;
}

HGDIOBJ CDCStateSaver::SelectFont(HFONT font)
{
    return _Select(font, &m_hOldFont);
}

HGDIOBJ CDCStateSaver::SelectBitmap(HBITMAP bitmap)
{
    return _Select(bitmap, &m_hOldBitmap);
}

void CDCStateSaver::Restore()
{
    if (m_hOldFont != nullptr) SelectFont(static_cast<HFONT>(m_hOldFont));
    if (m_hOldBitmap != nullptr) SelectBitmap(static_cast<HBITMAP>(m_hOldBitmap));
    HDC hdc = GetHDC();
    if (hdc != nullptr) {
        if (m_iOldBkMode != 0) ::SetBkMode(hdc, m_iOldBkMode);
        if (m_crOldText != CLR_INVALID) ::SetTextColor(hdc, m_crOldText);
    }
    m_iOldBkMode = 0;
    m_crOldText = CLR_INVALID;
}

void CDCStateSaver::_RestoreNoThrow()
{
    HDC hdc = GetHDC();
    if (hdc == nullptr) return;
    if (m_hOldFont != nullptr && ::SelectObject(hdc, m_hOldFont) == nullptr) {
        TOLVE_LOG(LOG_ERROR, "SelectObject(font) ERR:0x%08lX", GetLastError());
    }
    if (m_hOldBitmap != nullptr && ::SelectObject(hdc, m_hOldBitmap) == nullptr) {
        TOLVE_LOG(LOG_ERROR, "SelectObject(bitmap) ERR:0x%08lX", GetLastError());
    }
    m_hOldFont = nullptr;
    m_hOldBitmap = nullptr;
    if (m_iOldBkMode != 0) ::SetBkMode(hdc, m_iOldBkMode);
    if (m_crOldText != CLR_INVALID) ::SetTextColor(hdc, m_crOldText);
    m_iOldBkMode = 0;
    m_crOldText = CLR_INVALID;
}

} // namespace wfc
} // namespace lib
