#include "skin/SkinWindowItemEditBox.h"

#include "lib/DbcsText.h"
#include "lib/StringUtility.h"
#include "lib/SystemVersion.h"
#include "lib/TolveLog.h"
#include "lib/wfc/DC.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinLookup.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"
#include "skin/SkinWindowItemScrollBar.h"

#include <imm.h>
#include <richedit.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace ui {

namespace {

const DWORD kControlStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP;
// What the wide form reads of a rich control at most, in bytes.
const DWORD kWideTextBytes = 4096;
// The code page of UTF-16 for EM_GETTEXTEX and EM_SETTEXTEX.
const UINT kCodePageUtf16 = 1200;
// The longest dropped path taken: wide characters, or bytes in the ANSI form.
const UINT kDropPathWide = 520;
const UINT kDropPathAnsi = 260;

const COLORREF kReadOnlyTextColor = RGB(0x00, 0x00, 0x00);
const COLORREF kDisabledTextColor = RGB(0x80, 0x80, 0x80);

// The character format rich controls are given: 9 points, black, the system's face, no
// effects (size, colour, face, character set, bold, italic, underline, strike-out).
const DWORD kDefaultFormatMask = 0xE800000Fu;
const LONG kDefaultFormatHeight = 180;   // twips
static_assert(sizeof(CHARFORMATA) == 60, "the rich controls' 60-byte character format");

CHARFORMATA DefaultCharFormat()
{
    CHARFORMATA format = {};
    format.cbSize = sizeof format;
    format.dwMask = kDefaultFormatMask;
    format.yHeight = kDefaultFormatHeight;
    format.crTextColor = RGB(0, 0, 0);
    format.bCharSet = DEFAULT_CHARSET;
    lib::DbcsCopy(format.szFaceName, sizeof format.szFaceName,
                  lib::IsVistaOrLater() ? "Meiryo" : "MS PGothic");
    return format;
}

// RichEdit 2.0 comes from riched20.dll, loaded once for the process and kept.
void LoadRichEditLibrary()
{
    static const HMODULE module = ::LoadLibraryA("riched20.dll");
    if (module == nullptr) {
        TOLVE_LOG(LOG_ERROR, "riched20.dll 読み込み失敗 ERR:0x%08lX", ::GetLastError());
    }
}

size_t CountCharacters(const std::string& text)
{
    size_t count = 0;
    for (const char* p = text.c_str(); *p != '\0'; p += lib::DbcsCharSize(p)) ++count;
    return count;
}

bool IsKeyDown(int key)
{
    return ::GetKeyState(key) < 0;
}

int32_t BorderOf(const RECT& cell, bool across)
{
    return std::max<int32_t>(0, across ? cell.right - cell.left : cell.bottom - cell.top);
}

// The first dropped path when it fits `size` characters with its end; empty otherwise (a
// path cut to the buffer would name another file).
template <class Char>
std::basic_string<Char> FirstDroppedPath(HDROP drop, UINT(WINAPI* query)(HDROP, UINT, Char*, UINT),
                                         UINT size)
{
    const UINT length = query(drop, 0, nullptr, 0);
    if (length >= size) {
        TOLVE_LOG(LOG_ERROR, "ドロップされたパスが長すぎます(%u)", length);
        return std::basic_string<Char>();
    }
    std::vector<Char> path(size, Char());
    if (length == 0 || query(drop, 0, path.data(), size) != length) {
        return std::basic_string<Char>();
    }
    return std::basic_string<Char>(path.data(), length);
}

} // namespace

CSkinWindowItemEditBox::CSkinWindowItemEditBox(ISkinWindowItemAccessor* accessor, int32_t id,
                                               const SkinBlock& block, SkinImageCache* cache)
    : CSkinWindowItem(accessor, id)
    , m_bRich(false)
    , m_bFrame(false)
    , m_frameCells()
    , m_bDisableFrame(false)
    , m_disableFrameCells()
    , m_nLimit(0)
    , m_bWide(false)
    , m_bReadOnly(false)
    , m_bNumberOnly(false)
    , m_bPassword(false)
    , m_bImeAllowed(true)
    , m_bSingleByteOnly(false)
    , m_bUpperAlphaNumeric(false)
    , m_bMultiLine(false)
    , m_bVScrollStyle(false)
    , m_dwExtraStyle(0)
    , m_pScrollBar(nullptr)
    , m_nVisibleLines(1)
    , m_bKeysAlwaysHandled(false)
    , m_bImePreset(false)
    , m_dwImeConversion(0)
    , m_dwImeSentence(0)
    , m_byPendingLead(0)
    , m_bFocus(false)
    , m_ptOrigin{0, 0}
{
    const KeywordTable& table = EditBoxKeywords();
    CheckKeywordGroup(block, table, keyword::kEditBoxRequired);
    CheckKeywordIfPresent(block, table, keyword::kEditBoxLimit);
    CheckKeywordIfPresent(block, table, keyword::kEditBoxFrame);
    CheckKeywordIfPresent(block, table, keyword::kEditBoxDisableFrame);
    _LoadFromBlock(block, cache);
}

CSkinWindowItemEditBox::~CSkinWindowItemEditBox()
{
    if (IsWindow()) DestroyWindow();
    if (GetHwnd() != nullptr) Detach();
}

void CSkinWindowItemEditBox::_LoadFromBlock(const SkinBlock& block, SkinImageCache* cache)
{
    const SkinKeywordMap& keywords = block.m_mapKeyword;
    const POINT position = ToPoint(keywords.at("Position"), 0);
    const POINT size = ToPoint(keywords.at("Size"), 0);
    SetPosition(position.x, position.y);
    SetSize(size.x, size.y);
    m_pFont = CreateSkinFont(keywords.at("Font"), 0, false);

    const auto limit = keywords.find("Limit");
    // A negative limit sets none.
    if (limit != keywords.end()) m_nLimit = std::max<int32_t>(0, SkinValueToInt(limit->second, 0));
    const auto frame = keywords.find("Frame");
    if (frame != keywords.end()) {
        m_bFrame = true;
        m_strFrameImage = frame->second[0];
        m_frameCells = MakeNineGridCells(frame->second, 1);
        if (cache != nullptr) cache->GetImage(m_strFrameImage);
    }
    const auto disableFrame = keywords.find("DisableFrame");
    if (disableFrame != keywords.end()) {
        m_bDisableFrame = true;
        m_strDisableFrameImage = disableFrame->second[0];
        m_disableFrameCells = MakeNineGridCells(disableFrame->second, 1);
        if (cache != nullptr) cache->GetImage(m_strDisableFrameImage);
    }
}

// ---- text ----

std::string CSkinWindowItemEditBox::GetText()
{
    if (IsWindow()) {
        if (m_bWide) {
            GetTextW();
        } else {
            m_strText = m_bRich ? _ReadRichText() : lib::wfc::GetWindowTextString(GetHwnd());
            m_wstrText = lib::StringToWString(m_strText);
        }
    }
    return m_strText;
}

std::wstring CSkinWindowItemEditBox::GetTextW()
{
    if (IsWindow()) {
        if (!m_bWide) {
            GetText();
        } else {
            if (m_bRich) {
                std::vector<wchar_t> text(kWideTextBytes / sizeof(wchar_t) + 1, L'\0');
                GETTEXTEX get = {};
                get.cb = kWideTextBytes;
                get.flags = GT_USECRLF;
                get.codepage = kCodePageUtf16;
                SendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                            reinterpret_cast<LPARAM>(text.data()));
                m_wstrText = text.data();
            } else {
                m_wstrText = lib::wfc::GetWindowTextWString(GetHwnd());
            }
            m_strText = lib::WStringToString(m_wstrText);
        }
    }
    return m_wstrText;
}

std::string CSkinWindowItemEditBox::_ReadRichText()
{
    // Wine's RichEdit20A counts its length in characters, not bytes, so GetWindowTextA would
    // cut a double-byte text; no character takes more than two bytes.
    const LRESULT length = SendMessage(WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return std::string();
    std::vector<char> text(static_cast<size_t>(length) * 2 + 1, '\0');
    SendMessage(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.back() = '\0';
    return text.data();
}

void CSkinWindowItemEditBox::SetText(const std::string& text)
{
    m_strText = text;
    m_wstrText = lib::StringToWString(text);
    if (!IsWindow()) return;
    _SetControlText();
    _Redraw();
    _SyncScrollBar();
}

void CSkinWindowItemEditBox::SetText(const std::wstring& text)
{
    m_wstrText = text;
    m_strText = lib::WStringToString(text);
    if (!IsWindow()) return;
    _SetControlText();
    _Redraw();
    _SyncScrollBar();
}

void CSkinWindowItemEditBox::_SetControlText()
{
    if (!m_bWide) {
        ::SetWindowTextA(GetHwnd(), m_strText.c_str());
    } else if (m_bRich) {
        SETTEXTEX set = {ST_DEFAULT, kCodePageUtf16};
        SendMessage(EM_SETTEXTEX, reinterpret_cast<WPARAM>(&set),
                    reinterpret_cast<LPARAM>(m_wstrText.c_str()));
        _ApplyDefaultFormat(SCF_ALL);
    } else {
        ::SetWindowTextW(GetHwnd(), m_wstrText.c_str());
    }
}

size_t CSkinWindowItemEditBox::_KeptLength() const
{
    return m_bWide ? m_wstrText.size() : CountCharacters(m_strText);
}

// ---- options ----

void CSkinWindowItemEditBox::EnableIme(bool allow)
{
    m_bImeAllowed = allow;
    if (IsWindow()) EnableIME(allow);
}

void CSkinWindowItemEditBox::SetPassword()
{
    m_bPassword = true;
}

void CSkinWindowItemEditBox::SetSingleByteOnly()
{
    m_bSingleByteOnly = true;
}

void CSkinWindowItemEditBox::SetReadOnly(bool readOnly)
{
    m_bReadOnly = readOnly;
    if (IsWindow()) _RefreshState();
}

void CSkinWindowItemEditBox::AttachScrollBar(CSkinWindowItemScrollBar* bar, int32_t visibleLines)
{
    m_pScrollBar = bar;
    m_nVisibleLines = visibleLines;
    _SyncScrollBar();
}

void CSkinWindowItemEditBox::SetImePreset(DWORD conversion, DWORD sentence)
{
    m_bImePreset = true;
    m_dwImeConversion = conversion;
    m_dwImeSentence = sentence;
}

void CSkinWindowItemEditBox::SetFocus()
{
    if (IsWindow()) ::SetFocus(GetHwnd());
}

SkinRect CSkinWindowItemEditBox::GetControlRect() const
{
    SkinRect rect = GetRect();
    if (!m_bFrame) return rect;
    rect.left += BorderOf(m_frameCells[CELL_TOP_LEFT], true);
    rect.right -= BorderOf(m_frameCells[CELL_TOP_RIGHT], true);
    rect.top += BorderOf(m_frameCells[CELL_TOP_LEFT], false) + 1;
    rect.bottom -= BorderOf(m_frameCells[CELL_BOTTOM_LEFT], false);
    // A frame wider than the item leaves a control of no size, never a negative one.
    rect.right = std::max(rect.left, rect.right);
    rect.bottom = std::max(rect.top, rect.bottom);
    return rect;
}

// ---- item slots ----

int CSkinWindowItemEditBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_VSCROLL && message != WM_HSCROLL) {
        return CSkinWindowItem::OnMessage(message, wParam, lParam);
    }
    if (!IsWindow()) return 0;
    const LRESULT answer = ::SendMessageA(GetHwnd(), message, wParam, lParam);
    // The control has scrolled itself; the bar only follows what it says.
    _SyncScrollBar();
    return static_cast<int>(answer);
}

void CSkinWindowItemEditBox::OnAttach(HWND window, int originX, int originY)
{
    // A window made again gets a new control; one still standing goes first, its text kept.
    if (IsWindow()) DestroyWindow();
    if (GetHwnd() != nullptr) Detach();
    m_ptOrigin = SkinPoint{originX, originY};
    _CreateControl(window);
}

void CSkinWindowItemEditBox::_CreateControl(HWND window)
{
    DWORD style = kControlStyle;
    if (m_bNumberOnly) style |= ES_NUMBER;
    if (m_bVScrollStyle) style |= WS_VSCROLL;
    if (m_bPassword) style |= ES_PASSWORD;
    style |= m_bMultiLine ? (ES_MULTILINE | ES_AUTOVSCROLL) : (m_dwExtraStyle | ES_AUTOHSCROLL);
    const SkinRect rect = GetControlRect();
    const int x = rect.left + m_ptOrigin.x;
    const int y = rect.top + m_ptOrigin.y;
    HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetId()));
    if (m_bRich) LoadRichEditLibrary();

    HWND control = nullptr;
    if (m_bWide) {
        control = lib::wfc::CreateWindowExChecked(
            WS_EX_TRANSPARENT, m_bRich ? L"RichEdit20W" : L"EDIT", m_wstrText.c_str(), style, x,
            y, rect.Width(), rect.Height(), window, id);
        if (m_bRich) {
            const LRESULT options = ::SendMessageW(control, EM_GETLANGOPTIONS, 0, 0);
            ::SendMessageW(control, EM_SETLANGOPTIONS, 0,
                           options & ~static_cast<LRESULT>(IMF_DUALFONT));
        }
    } else {
        control = lib::wfc::CreateWindowExChecked(0, m_bRich ? "RichEdit20A" : "EDIT",
                                                  m_strText.c_str(), style, x, y, rect.Width(),
                                                  rect.Height(), window, id);
    }

    Attach(control);
    if (m_bWide && m_bRich) _ApplyDefaultFormat(SCF_DEFAULT);
    // 0 leaves the control's own limit.
    if (m_nLimit > 0) SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(m_nLimit), 0);
    EnableIME(m_bImeAllowed);
    if (m_pFont) SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_pFont->GetHandle()), FALSE);
    _RefreshState();
    _SyncScrollBar();
}

void CSkinWindowItemEditBox::OnSetFocus()
{
    // A hidden control never takes the keyboard: what is typed would vanish into it.
    if (!IsWindow() || (::GetWindowLongPtrA(GetHwnd(), GWL_STYLE) & WS_VISIBLE) == 0) return;
    if (::GetFocus() != GetHwnd()) ::SetFocus(GetHwnd());
}

void CSkinWindowItemEditBox::Draw()
{
    ISkinWindowItemAccessor* accessor = GetAccessor();
    if (!accessor->IsReady()) return;
    lib::wfc::CDIB* buffer = accessor->GetBackBuffer();
    if (buffer == nullptr) return;
    SkinImageCache* cache = accessor->GetImageCache();
    if (m_bFrame && cache != nullptr) {
        const bool disabled = !IsEnabled() && m_bDisableFrame;
        CSkinImageRef ref = cache->FindImage(disabled ? m_strDisableFrameImage : m_strFrameImage);
        CSkinImageLock image(ref);
        if (image.Get() != nullptr) {
            DrawNineGrid(*buffer, *image.Get(), GetRect().ToRECT(), nullptr,
                         disabled ? m_disableFrameCells : m_frameCells, 255, kSkinKeyColor);
        }
    }
    if (!IsWindow()) return;
    // A plain control cannot show itself disabled in the skin's look: it is hidden and its
    // text drawn here instead; read-only, the drawn text lies under the control.
    if (!m_bRich && IsVisible() && (!IsEnabled() || m_bReadOnly)) _DrawText(*buffer);
    ::InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void CSkinWindowItemEditBox::_DrawText(lib::wfc::CDIB& buffer)
{
    lib::wfc::CMemDC memory(nullptr);
    lib::wfc::CDCStateSaver saver(&memory);
    saver.SelectBitmap(buffer.GetHandle());
    if (m_pFont) saver.SelectFont(m_pFont->GetHandle());
    HDC dc = saver.GetHDC();
    const RECT clip = buffer.GetClipRect();
    ::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    ::SetTextColor(dc, m_bReadOnly ? kReadOnlyTextColor : kDisabledTextColor);
    ::SetBkMode(dc, TRANSPARENT);
    RECT rect = GetControlRect().ToRECT();
    // Inside the control's margins, where the control shows its text: it does not move when
    // the box is disabled.
    const LRESULT margins = SendMessage(EM_GETMARGINS, 0, 0);
    rect.left += LOWORD(margins);
    rect.right -= HIWORD(margins);
    // Lines break as the control breaks them; one line keeps the control's alignment.
    const UINT format = m_bMultiLine ? (DT_WORDBREAK | DT_EDITCONTROL)
                                     : (static_cast<UINT>(m_dwExtraStyle) | DT_SINGLELINE);
    // The control's text as it stands now, not as the last key left it.
    if (m_bWide) {
        const std::wstring text = GetTextW();
        const std::wstring shown = m_bPassword ? std::wstring(text.size(), L'*') : text;
        lib::wfc::DrawText(dc, shown.c_str(), -1, &rect, format);
    } else {
        const std::string text = GetText();
        const std::string shown = m_bPassword ? std::string(CountCharacters(text), '*') : text;
        lib::wfc::DrawText(dc, shown.c_str(), -1, &rect, format);
    }
    ::GdiFlush();
    ::SelectClipRgn(dc, nullptr);
    saver.Restore();
}

void CSkinWindowItemEditBox::SetRect(const SkinRect& rect)
{
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
    if (!IsWindow()) return;
    const SkinRect control = GetControlRect();
    MoveWindow(control.left + m_ptOrigin.x, control.top + m_ptOrigin.y, control.Width(),
               control.Height(), true);
}

void CSkinWindowItemEditBox::OnEnableChanged()
{
    _RefreshState();
}

void CSkinWindowItemEditBox::OnVisibleChanged()
{
    _RefreshState();
}

// ---- the control's messages ----

LRESULT CSkinWindowItemEditBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        if (!m_bReadOnly) break;
        // No context menu: it would offer cutting and pasting.
        ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
        return 0;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
        if (m_bReadOnly) return 0;
        break;
    case WM_SETFOCUS:
        m_bFocus = true;
        _OnFocusIn();
        break;
    case WM_KILLFOCUS:
        m_bFocus = false;
        break;
    case WM_IME_NOTIFY:
        if (m_bRich) return _OnImeNotify();
        break;
    case WM_COMMAND:
        // The control's own scroll bar notifies its parent; a parent may hand it on here.
        if (HIWORD(wParam) != EN_VSCROLL) break;
        _SyncScrollBar();
        return 0;
    case WM_MOUSEWHEEL:
        if (m_pScrollBar != nullptr) return _OnMouseWheel(wParam);
        break;
    case WM_VSCROLL:
        if (LOWORD(wParam) != SB_THUMBPOSITION || m_pScrollBar == nullptr) break;
        // The attached bar's thumb: lParam is its position, not a window.
        SendMessage(EM_LINESCROLL, 0,
                    static_cast<int32_t>(lParam) -
                        static_cast<int32_t>(SendMessage(EM_GETFIRSTVISIBLELINE, 0, 0)));
        return 0;
    case WM_DROPFILES:
        _OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_DESTROY:
        // The text outlives the control: a window made again shows it. (GetText keeps both
        // forms of either kind of box.)
        GetText();
        break;
    case WM_KEYDOWN:
        return _OnKeyDown(static_cast<UINT>(wParam), lParam);
    case WM_KEYUP:
        return _OnKeyUp(static_cast<UINT>(wParam));
    case WM_CHAR:
        return _OnChar(wParam, lParam);
    default:
        break;
    }
    return CWindow::WindowProc(message, wParam, lParam);
}

LRESULT CSkinWindowItemEditBox::_OnKeyDown(UINT key, LPARAM keyData)
{
    if (!m_bKeysAlwaysHandled && !_CanType()) return 0;
    // The text before the key: what the limit check of a rich box puts back.
    GetText();
    if (GetAccessor()->ForwardKey(key, keyData)) return 0;
    switch (key) {
    case VK_TAB:
        _MoveTabFocus(IsKeyDown(VK_SHIFT));
        return 0;
    case VK_RETURN:
        GetAccessor()->NotifyEnter(GetId());
        break;
    case VK_ESCAPE:
        GetAccessor()->NotifyEscape(GetId());
        break;
    case VK_DELETE:
    case VK_BACK:
        if (!_CanType()) return 0;
        break;
    case 'A':
        if (!IsKeyDown(VK_CONTROL) || IsKeyDown(VK_SHIFT)) break;
        SendMessage(EM_SETSEL, 0, -1);
        return 0;
    default:
        break;
    }
    // The window's answer to Enter or Esc may have closed it.
    if (!IsWindow()) return 0;
    _RefreshState();
    return DefaultProc();
}

LRESULT CSkinWindowItemEditBox::_OnKeyUp(UINT key)
{
    if (!_CanType()) return 0;
    // Every key, the arrows too: a caret moved past the visible lines scrolls the text.
    _SyncScrollBar();
    if (key == VK_DELETE || key == VK_BACK) _RefreshState();
    return DefaultProc();
}

LRESULT CSkinWindowItemEditBox::_OnChar(WPARAM character, LPARAM keyData)
{
    if (!_CanType()) return 0;
    if ((m_bSingleByteOnly || m_bUpperAlphaNumeric || m_bPassword) &&
        _RefuseDoubleByte(character)) {
        return 0;
    }
    const bool lower = character >= 'a' && character <= 'z';
    if (m_bUpperAlphaNumeric) {
        const bool pass = lower || (character >= 'A' && character <= 'Z') ||
                          (character >= '0' && character <= '9') || character == 8 ||
                          character == 22;
        if (!pass) return 0;
        if (lower) {
            SendMessage(WM_CHAR, character - ('a' - 'A'), keyData);
            return 0;
        }
    } else if (character == 27 || character == 9 || (character == 13 && !m_bMultiLine)) {
        return 0;
    }
    const LRESULT answer = DefaultProc();
    if (m_bRich && IsWindow()) _ApplyDefaultFormat(SCF_ALL);
    return answer;
}

bool CSkinWindowItemEditBox::_RefuseDoubleByte(WPARAM character)
{
    if (m_byPendingLead != 0) {
        // The trail byte of a refused character.
        m_byPendingLead = 0;
        return true;
    }
    // A double-byte character handed over in one message: lead byte above the trail byte.
    if (character > 0xFF) return lib::IsDbcsLeadByte(static_cast<unsigned char>(character >> 8));
    if (!lib::IsDbcsLeadByte(static_cast<unsigned char>(character))) return false;
    m_byPendingLead = static_cast<BYTE>(character);
    return true;
}

LRESULT CSkinWindowItemEditBox::_OnImeNotify()
{
    _ApplyDefaultFormat(SCF_ALL);
    // Only a box with a limit checks it: without one every box would put its kept text back
    // and swallow every notification, and no conversion would ever reach it.
    if (m_nLimit > 0 && _KeptLength() >= static_cast<size_t>(m_nLimit)) {
        _SetControlText();
        SendMessage(EM_SETSEL, static_cast<WPARAM>(m_nLimit), static_cast<LPARAM>(m_nLimit));
        return 0;
    }
    return DefaultProc();
}

LRESULT CSkinWindowItemEditBox::_OnMouseWheel(WPARAM wParam)
{
    const bool down = GET_WHEEL_DELTA_WPARAM(wParam) <= 0;
    SendMessage(EM_SCROLL, down ? SB_LINEDOWN : SB_LINEUP, 0);
    m_pScrollBar->SetPos(m_pScrollBar->GetPos() + (down ? 1 : -1));
    const LRESULT answer = DefaultProc();
    // The control scrolls on by its own wheel handling, further than the one line above.
    _SyncScrollBar();
    return answer;
}

void CSkinWindowItemEditBox::_OnDropFiles(HDROP drop)
{
    if (drop == nullptr) return;
    // Nothing changes unless the drop names a file that fits the box; the drop is finished
    // either way.
    if (m_bWide) {
        const std::wstring path = FirstDroppedPath<wchar_t>(drop, ::DragQueryFileW, kDropPathWide);
        if (!path.empty()) SetText(path);
    } else {
        const std::string path = FirstDroppedPath<char>(drop, ::DragQueryFileA, kDropPathAnsi);
        if (!path.empty()) SetText(path);
    }
    ::DragFinish(drop);
}

void CSkinWindowItemEditBox::_OnFocusIn()
{
    if (!m_bImePreset) return;
    HIMC context = ::ImmGetContext(GetHwnd());
    if (context == nullptr) return;
    if (!::ImmGetOpenStatus(context)) ::ImmSetOpenStatus(context, TRUE);
    DWORD conversion = 0;
    DWORD sentence = 0;
    ::ImmGetConversionStatus(context, &conversion, &sentence);
    if (conversion != m_dwImeConversion || sentence != m_dwImeSentence) {
        ::ImmSetConversionStatus(context, m_dwImeConversion, m_dwImeSentence);
    }
    ::ImmReleaseContext(GetHwnd(), context);
}

void CSkinWindowItemEditBox::_MoveTabFocus(bool backward)
{
    HWND control = GetHwnd();
    HWND parent = ::GetParent(control);
    if (parent == nullptr) return;
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    const auto self = std::find(children.begin(), children.end(), control);
    if (self == children.end()) return;
    const size_t count = children.size();
    const size_t index = static_cast<size_t>(self - children.begin());
    // The styles, not IsWindowVisible: the siblings share their parent's visibility.
    const LONG_PTR wanted = WS_TABSTOP | WS_VISIBLE;
    for (size_t step = 1; step < count; ++step) {
        HWND next = children[backward ? (index + count - step) % count : (index + step) % count];
        const LONG_PTR style = ::GetWindowLongPtrA(next, GWL_STYLE);
        if ((style & (wanted | WS_DISABLED)) == wanted) {
            ::SetFocus(next);
            return;
        }
    }
}

void CSkinWindowItemEditBox::_RefreshState()
{
    if (IsWindow()) {
        if (m_bRich) {
            ShowWindow(IsVisible() ? SW_SHOWNA : SW_HIDE);
            ::EnableWindow(GetHwnd(), IsEnabled() ? TRUE : FALSE);
            SendMessage(EM_SETREADONLY, m_bReadOnly ? TRUE : FALSE, 0);
        } else {
            ShowWindow(IsVisible() && IsEnabled() ? SW_SHOWNA : SW_HIDE);
        }
    }
    _Redraw();
}

void CSkinWindowItemEditBox::_SyncScrollBar()
{
    if (m_pScrollBar == nullptr || !IsWindow()) return;
    const int32_t lines = static_cast<int32_t>(SendMessage(EM_GETLINECOUNT, 0, 0));
    const int32_t first = static_cast<int32_t>(SendMessage(EM_GETFIRSTVISIBLELINE, 0, 0));
    if (lines <= 1) {
        m_pScrollBar->SetRange(0, 1);
        m_pScrollBar->SetPos(0);
    } else {
        m_pScrollBar->SetRange(lines - 1, m_nVisibleLines);
        m_pScrollBar->SetPos(first);
    }
}

void CSkinWindowItemEditBox::_ApplyDefaultFormat(DWORD scope)
{
    CHARFORMATA format = DefaultCharFormat();
    SendMessage(EM_SETCHARFORMAT, scope, reinterpret_cast<LPARAM>(&format));
}

void CSkinWindowItemEditBox::_Redraw()
{
    const SkinRect rect = GetRect();
    GetAccessor()->RedrawRect(rect.left, rect.top, rect.right, rect.bottom, false);
}

// ---- the window's lookup and factory ----

CSkinWindowItemEditBox* CSkinWindow::AddEditBox(const SkinDefinition& definition,
                                                const SkinItemKey& key)
{
    return CreateEditBox(key.m_nId, GetSkinBlock(definition, key.m_strName));
}

CSkinWindowItemEditBox* CSkinWindow::CreateEditBox(int32_t id, const SkinBlock& block)
{
    return AdoptItem(new CSkinWindowItemEditBox(this, id, block, GetImageCache()));
}

} // namespace ui
