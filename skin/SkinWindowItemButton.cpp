#include "skin/SkinWindowItemButton.h"

#include "lib/wfc/DC.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinLookup.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace ui {

namespace {

const char* const kImageKeyword[CSkinWindowItemButton::IMAGE_COUNT] = {
    "NormalImage", "HotNormalImage", "PushImage",    "HotPushImage",
    "Image",       "ImageP",         "DisableImage", "DisableImageP",
};
const COLORREF kDisabledCaption = RGB(0xB0, 0xB0, 0xB0);
const UINT kCaptionFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

// Indexes of the per-state caption colours.
enum StateColor { COLOR_NORMAL = 0, COLOR_DISABLE, COLOR_PUSH, COLOR_HOT_NORMAL, COLOR_HOT_PUSH };
const char* const kStateColorKeyword[5] = {
    "TextColorNormal", "TextColorDisable", "TextColorPush", "TextColorHotNormal", "TextColorHotPush",
};

// The sums of skin numbers wrap as 32-bit rectangle sums do, never overflowing.
int32_t WrapAdd(int64_t a, int64_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int ClampToInt(int64_t value)
{
    return static_cast<int>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, value)));
}

// file, x, y with the record's source size. x -1 takes the default x; y -1 the default y
// plus the record's index times its height, so the looks can stand in one strip.
SkinImagePart ReadImagePart(const SkinValues& values, POINT size, int32_t index, POINT defaults)
{
    SkinImagePart part;
    part.m_strFile = values.empty() ? std::string() : values[0];
    int32_t x = SkinValueToInt(values, 1);
    int32_t y = SkinValueToInt(values, 2);
    if (x == -1) x = defaults.x;
    if (y == -1) y = WrapAdd(defaults.y, static_cast<int64_t>(index) * size.y);
    part.m_rcSource.left = x;
    part.m_rcSource.top = y;
    part.m_rcSource.right = WrapAdd(x, size.x);
    part.m_rcSource.bottom = WrapAdd(y, size.y);
    return part;
}

} // namespace

CSkinWindowItemButton::CSkinWindowItemButton(ISkinWindowItemAccessor* accessor, int32_t id,
                                             const SkinBlock& block, SkinImageCache* cache)
    : CSkinWindowItem(accessor, id)
    , m_bPressed(false)
    , m_bShownPressed(false)
    , m_bHot(false)
    , m_bChecked(false)
    , m_bBlinking(false)
    , m_nKind(KIND_PUSH)
    , m_bBlinkVisible(true)
    , m_bAutoCheck(true)
    , m_ptPushShift{0, 0}
    , m_crText(0)
    , m_crState{0, 0, 0, 0, 0}
    , m_crShadow(0)
    , m_bShadow(false)
    , m_nShadowOffset(0)
    , m_logFont()
    , m_bAntialias(false)
    , m_nDrawingWidth(0)
    , m_nDivide{0, 0, 0}
    , m_nTextIndent(0)
    , m_bInactiveLook(false)
    , m_bStateColors(false)
    , m_pImageCache(cache)
{
    for (SkinImagePart& part : m_image) part.m_rcSource = RECT();
    lib::wfc::GetDefaultLogFont(&m_logFont);
    _ReadBlock(block);
    if (m_pImageCache != nullptr) {
        for (const SkinImagePart& part : m_image) {
            if (part.HasFile()) m_pImageCache->GetImage(part.m_strFile);
        }
    }
}

CSkinWindowItemButton::~CSkinWindowItemButton() = default;

void CSkinWindowItemButton::_ReadBlock(SkinBlock block)
{
    using namespace keyword;
    const KeywordTable& table = ButtonKeywords();
    CheckKeywordGroup(block, table, kButtonA);
    const bool mark = block.Has("Image");
    if (mark) {
        CheckKeywordGroup(block, table, kButtonB);
        DefaultSkinKey(block, KeywordAt(table, kButtonImageP), "Image");
    }
    DefaultSkinKey(block, KeywordAt(table, kButtonToolTipTextP), "ToolTipText");
    CheckKeywordIfPresent(block, table, kButtonDisableImage);
    CheckKeywordIfPresent(block, table, kButtonDisableImageP);
    const bool text = block.Has("Text");
    if (text || block.Has("TextP")) CheckKeywordGroup(block, table, kButtonC);
    CheckKeywordIfPresent(block, table, kButtonTextP);
    m_bStateColors = block.Has("TextColorNormal");
    if (m_bStateColors) CheckKeywordGroup(block, table, kButtonD);
    CheckKeywordIfPresent(block, table, kButtonAntialias);
    m_bShadow = block.Has("TextColorHotNormalShadow");
    if (m_bShadow) CheckKeywordGroup(block, table, kButtonE);
    if (block.Has("Width") || block.Has("Divide")) CheckKeywordGroup(block, table, kButtonF);
    CheckKeywordIfPresent(block, table, kButtonTextIndent);

    const SkinKeywordMap& values = block.m_mapKeyword;
    const POINT position = ToPoint(values.at("Position"), 0);
    const POINT size = ToPoint(values.at("Size"), 0);
    m_image[IMAGE_NORMAL] = ReadImagePart(values.at(kImageKeyword[IMAGE_NORMAL]), size,
                                          IMAGE_NORMAL, POINT{0, 0});
    const POINT strip = {m_image[IMAGE_NORMAL].m_rcSource.left, m_image[IMAGE_NORMAL].m_rcSource.top};
    for (int32_t i = IMAGE_HOT_NORMAL; i <= IMAGE_HOT_PUSH; ++i) {
        m_image[i] = ReadImagePart(values.at(kImageKeyword[i]), size, i, strip);
    }
    m_ptPushShift = ToPoint(values.at("PushImageShift"), 0);
    m_strTooltip = values.at("ToolTipText")[0];
    m_strTooltipP = values.at("ToolTipTextP")[0];
    if (mark) {
        const POINT markSize = ToPoint(values.at("ImageSize"), 0);
        for (int32_t i = IMAGE_MARK; i <= IMAGE_MARK_CHECKED; ++i) {
            m_image[i] = ReadImagePart(values.at(kImageKeyword[i]), markSize, i, POINT{0, 0});
        }
    }
    for (int32_t i = IMAGE_DISABLE; i <= IMAGE_DISABLE_CHECKED; ++i) {
        const auto found = values.find(kImageKeyword[i]);
        if (found != values.end()) m_image[i] = ReadImagePart(found->second, size, i, POINT{0, 0});
    }
    if (block.Has("Width")) {
        m_nDrawingWidth = SkinValueToInt(values.at("Width"), 0);
        for (size_t i = 0; i < 3; ++i) m_nDivide[i] = SkinValueToInt(values.at("Divide"), i);
    }
    SetPosition(position.x, position.y);
    SetSize(m_nDrawingWidth != 0 ? m_nDrawingWidth : size.x, size.y);

    // The caption's look is read only for a button with a caption.
    if (text) {
        m_crText = ToColor(values.at("TextColor"), 0);
        if (m_bStateColors) {
            for (size_t i = 0; i < 5; ++i) m_crState[i] = ToColor(values.at(kStateColorKeyword[i]), 0);
        }
        if (m_bShadow) {
            m_crShadow = ToColor(values.at("TextColorHotNormalShadow"), 0);
            m_nShadowOffset = SkinValueToInt(values.at("TextShadowOffset"), 0);
        }
        m_strText = values.at("Text")[0];
        m_strTextP = m_strText;
        m_logFont = ToLogFont(values.at("Font"), 0);
        if (block.Has("Antialias")) m_bAntialias = SkinValueToInt(values.at("Antialias"), 0) != 0;
    }
    if (block.Has("TextP")) m_strTextP = values.at("TextP")[0];
    if (block.Has("TextIndent")) m_nTextIndent = SkinValueToInt(values.at("TextIndent"), 0);
    // "AutoDisable" is accepted and changes nothing.
}

// ---- state ----

CSkinWindowItemButton::Look CSkinWindowItemButton::GetLook() const
{
    if (m_bHot) return m_bShownPressed ? LOOK_HOT_PUSHED : LOOK_HOT_NORMAL;
    if (m_bInactiveLook) return LOOK_INACTIVE;
    return m_bShownPressed ? LOOK_PUSHED : LOOK_NORMAL;
}

COLORREF CSkinWindowItemButton::GetCaptionColor()
{
    if (!m_bStateColors) return IsEnabled() ? m_crText : kDisabledCaption;
    if (!IsEnabled()) return m_crState[COLOR_DISABLE];
    switch (GetLook()) {
    case LOOK_HOT_NORMAL:
        return m_crState[COLOR_HOT_NORMAL];
    case LOOK_PUSHED:
        return m_crState[COLOR_PUSH];
    case LOOK_HOT_PUSHED:
        return m_crState[COLOR_HOT_PUSH];
    case LOOK_INACTIVE:
        return m_crState[COLOR_DISABLE];
    default:
        return m_crState[COLOR_NORMAL];
    }
}

std::string CSkinWindowItemButton::GetTooltipText()
{
    return m_bChecked ? m_strTooltipP : m_strTooltip;
}

int CSkinWindowItemButton::OnMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case ITEM_MESSAGE_SET_CHECK: {
        const bool checked = wParam != 0;
        if (m_bPressed || checked == m_bChecked) return 0;
        m_bChecked = checked;
        _Redraw();
        // The tip follows the state.
        GetAccessor()->SetTooltip(this);
        return 0;
    }
    case ITEM_MESSAGE_GET_CHECK:
        return m_bChecked ? 1 : 0;
    case ITEM_MESSAGE_GET_AUTO_CHECK:
        return m_bAutoCheck ? 1 : 0;
    case ITEM_MESSAGE_SET_BLINK: {
        const bool blinking = wParam != 0;
        if (blinking == m_bBlinking) return 0;
        m_bBlinking = blinking;
        m_bBlinkVisible = blinking ? ::GetTickCount() % kBlinkPeriod < kBlinkPeriod / 2 : true;
        _Redraw();
        return 0;
    }
    case ITEM_MESSAGE_SET_KIND: {
        // Any kind but a push button is a check button.
        const int32_t kind = wParam != 0 ? KIND_CHECK : KIND_PUSH;
        if (kind == m_nKind) return 0;
        m_nKind = kind;
        _Redraw();
        return 0;
    }
    default:
        return 0;
    }
}

void CSkinWindowItemButton::CalcTextRect(const std::string& text, bool fit)
{
    const SkinRect before = GetRect();
    m_strText = text;
    if (fit) {
        lib::wfc::CFont font(&m_logFont);
        lib::wfc::CMemDC memory(nullptr);
        lib::wfc::CDCStateSaver saver(&memory);
        saver.SelectFont(font.GetHandle());
        RECT box = {0, 0, 0, 0};
        lib::wfc::DrawText(saver.GetHDC(), text.c_str(), -1, &box, kCaptionFormat | DT_CALCRECT);
        saver.Restore();
        const int32_t width = WrapAdd(static_cast<int64_t>(m_nDivide[0]) + m_nDivide[2],
                                      box.right - box.left);
        SetRect(SkinRect{before.left, before.top, WrapAdd(before.left, width), before.bottom});
    }
    // A narrower button leaves its old place to the window's picture.
    const SkinRect after = GetRect();
    GetAccessor()->RedrawRect(std::min(before.left, after.left), std::min(before.top, after.top),
                              std::max(before.right, after.right),
                              std::max(before.bottom, after.bottom), false);
}

// ---- mouse ----

bool CSkinWindowItemButton::_Inside(int x, int y) const
{
    const SkinSize size = GetSize();
    return x >= 0 && y >= 0 && x < size.cx && y < size.cy;
}

bool CSkinWindowItemButton::_Report(ItemEvent event)
{
    return GetAccessor()->PostItemCommand(GetId(), event, 0);
}

void CSkinWindowItemButton::OnMouseMove(int x, int y)
{
    if (!IsEnabled()) return;
    const bool inside = _Inside(x, y);
    bool changed = false;
    bool hot = inside;
    if (m_bPressed) {
        if (m_bShownPressed != inside) {
            m_bShownPressed = inside;
            changed = true;
            _Report(inside ? ITEM_EVENT_PUSHED_ON : ITEM_EVENT_PUSHED_OFF);
        }
        hot = !m_bShownPressed;
    }
    if (hot != m_bHot) {
        m_bHot = hot;
        changed = true;
    }
    _Report(ITEM_EVENT_MOUSE_MOVE);
    if (changed) _Redraw();
}

bool CSkinWindowItemButton::OnLButtonDown(int x, int y)
{
    if (!IsEnabled() || m_bPressed) return false;
    m_bPressed = true;
    OnMouseMove(x, y);
    return true;
}

bool CSkinWindowItemButton::OnLButtonDblClk(int x, int y)
{
    if (!IsEnabled()) return false;
    if (_Report(ITEM_EVENT_LEFT_DBLCLK)) return false;
    return OnLButtonDown(x, y);
}

void CSkinWindowItemButton::OnLButtonUp(int x, int y)
{
    if (!IsEnabled() || !m_bPressed) return;
    const POINT point = {x, y};
    _Release(&point, false);
}

void CSkinWindowItemButton::OnLButtonCancel(int x, int y)
{
    if (!IsEnabled() || !m_bPressed) return;
    const POINT point = {x, y};
    _Release(&point, true);
}

void CSkinWindowItemButton::_Release(const POINT* point, bool cancelled)
{
    m_bPressed = false;
    if (m_bShownPressed) {
        m_bShownPressed = false;
        _Report(ITEM_EVENT_PUSHED_OFF);
    }
    const bool inside = point != nullptr && _Inside(point->x, point->y);
    const bool click = inside && !cancelled;
    if (point != nullptr) m_bHot = inside;
    // Only a real click flips a check button, before the click is reported: its handler
    // reads the new state, and what a window saves is what the button shows. Sent as the
    // item message, which also redraws and refreshes the tip.
    if (click && m_nKind == KIND_CHECK && m_bAutoCheck) {
        OnMessage(ITEM_MESSAGE_SET_CHECK, m_bChecked ? 0 : 1, 0);
    } else if (point != nullptr) {
        _Redraw();
    }
    if (click) _Report(ITEM_EVENT_CLICK);
    _Report(ITEM_EVENT_LEFT_UP);
}

bool CSkinWindowItemButton::OnRButtonDown(int, int)
{
    if (IsEnabled()) _Report(ITEM_EVENT_RIGHT_DOWN);
    return false;
}

bool CSkinWindowItemButton::OnRButtonDblClk(int x, int y)
{
    if (!IsEnabled()) return false;
    if (_Report(ITEM_EVENT_RIGHT_DBLCLK)) return false;
    return OnRButtonDown(x, y);
}

void CSkinWindowItemButton::OnRButtonUp(int, int)
{
    if (IsEnabled()) _Report(ITEM_EVENT_RIGHT_UP);
}

void CSkinWindowItemButton::OnMouseLeave()
{
    // A pressed button keeps its hot look until the release.
    const bool hot = m_bPressed;
    if (hot != m_bHot) {
        m_bHot = hot;
        _Redraw();
    }
    _Report(ITEM_EVENT_MOUSE_LEAVE);
}

bool CSkinWindowItemButton::OnSetCursor(int, int)
{
    if (!IsEnabled() || !IsVisible()) return false;
    ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
    return true;
}

void CSkinWindowItemButton::OnTick(DWORD tick)
{
    if (!m_bBlinking) return;
    const bool visible = tick % kBlinkPeriod < kBlinkPeriod / 2;
    if (visible == m_bBlinkVisible) return;
    m_bBlinkVisible = visible;
    _Redraw();
}

void CSkinWindowItemButton::SetRect(const SkinRect& rect)
{
    SetPosition(rect.left, rect.top);
    SetSize(rect.Width(), GetSize().cy);
    m_nDrawingWidth = rect.Width();
}

void CSkinWindowItemButton::OnEnableChanged()
{
    if (m_bPressed) _EndPressOnDisable();
    if (!IsEnabled()) m_bHot = false;
    _Redraw();
}

void CSkinWindowItemButton::_EndPressOnDisable()
{
    _Release(nullptr, true);
}

// ---- drawing ----

void CSkinWindowItemButton::Draw()
{
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    const SkinSize size = GetSize();
    if (buffer == nullptr || m_pImageCache == nullptr || size.cx < 1 || size.cy < 1) return;

    const Look look = GetLook();
    lib::wfc::CDIB face;
    face.Create(nullptr, size.cx, size.cy, 24);
    face.Fill(kSkinKeyColor);
    _DrawFace(face, m_image[look]);

    const bool enabled = IsEnabled();
    if (m_nKind == KIND_PUSH) {
        // A push button's mark blinks by showing and hiding.
        if (m_bBlinkVisible || !enabled) {
            DrawCheckImage(face, 0, 0, size.cx, size.cy, m_bChecked);
        }
    } else {
        // A check button's mark blinks between its two states.
        DrawCheckImage(face, 0, 0, size.cx, size.cy,
                       enabled && m_bBlinking ? m_bBlinkVisible : m_bChecked);
    }
    _DrawCaption(face, look);

    const SkinPoint at = GetPosition();
    buffer->Blt(at.x, at.y, size.cx, size.cy, face, 0, 0, kSkinKeyColor);
}

void CSkinWindowItemButton::_DrawFace(lib::wfc::CDIB& face, const SkinImagePart& part)
{
    if (!part.HasFile()) return;
    CSkinImageRef ref = m_pImageCache->FindImage(part.m_strFile);
    CSkinImageLock image(ref);
    if (image.Get() == nullptr) return;
    const lib::wfc::CDIB& source = *image.Get();
    const int height = face.GetHeight();
    const RECT& from = part.m_rcSource;
    if (m_nDrawingWidth == 0) {
        face.Blt(0, 0, face.GetWidth(), height, source, from.left, from.top, kSkinKeyColor);
        return;
    }
    // Three parts: the left and right edges as they are, the middle stretch of the source
    // repeated between them.
    const int64_t width = std::max(m_nDrawingWidth, 0);
    const int64_t left = std::max<int64_t>(0, std::min<int64_t>(m_nDivide[0], width));
    const int64_t right = std::max<int64_t>(0, std::min<int64_t>(m_nDivide[2], width - left));
    const int64_t middle = width - left - right;
    face.Blt(0, 0, static_cast<int>(left), height, source, from.left, from.top, kSkinKeyColor);
    const int64_t stretchFrom = static_cast<int64_t>(from.left) + m_nDivide[0];
    const int64_t stretch = static_cast<int64_t>(from.right) - m_nDivide[2] - stretchFrom;
    // A source without a middle leaves the middle empty (key colour) rather than loop.
    if (stretch >= 1) {
        for (int64_t x = left; x < left + middle; x += stretch) {
            const int64_t piece = std::min(stretch, left + middle - x);
            face.Blt(static_cast<int>(x), 0, static_cast<int>(piece), height, source,
                     ClampToInt(stretchFrom), from.top, kSkinKeyColor);
        }
    }
    face.Blt(static_cast<int>(left + middle), 0, static_cast<int>(right), height, source,
             ClampToInt(static_cast<int64_t>(from.right) - right), from.top, kSkinKeyColor);
}

void CSkinWindowItemButton::DrawCheckImage(lib::wfc::CDIB& target, int left, int top, int right,
                                           int bottom, bool checked)
{
    const SkinImagePart& disabled = m_image[checked ? IMAGE_DISABLE_CHECKED : IMAGE_DISABLE];
    const bool enabled = IsEnabled();
    const bool useDisabled = !enabled && disabled.HasFile();
    const SkinImagePart& part =
        useDisabled ? disabled : m_image[checked ? IMAGE_MARK_CHECKED : IMAGE_MARK];
    if (!part.HasFile() || m_pImageCache == nullptr) return;
    const RECT area = {left, top, right, bottom};
    const POINT shift = m_bShownPressed ? m_ptPushShift : POINT{0, 0};
    DrawCenteredImagePart(target, area, *m_pImageCache, part, shift.x, shift.y,
                          !enabled && !useDisabled);
}

void CSkinWindowItemButton::_DrawCaption(lib::wfc::CDIB& face, Look look)
{
    const std::string& text = m_bChecked ? m_strTextP : m_strText;
    if (text.empty()) return;
    RECT box = {0, 0, face.GetWidth(), face.GetHeight()};
    if (m_bShownPressed) ::OffsetRect(&box, m_ptPushShift.x, m_ptPushShift.y);
    box.left += m_nTextIndent;

    CSkinBufferDC faceDC(face, &m_logFont);
    HDC dc = faceDC.GetHDC();
    if (look == LOOK_HOT_NORMAL && m_bShadow) {
        RECT shadow = box;
        ::OffsetRect(&shadow, m_nShadowOffset, m_nShadowOffset);
        ::SetTextColor(dc, m_crShadow);
        DrawSkinCaption(dc, face, m_logFont.lfHeight, text, shadow, kCaptionFormat, m_bAntialias);
    }
    ::SetTextColor(dc, GetCaptionColor());
    DrawSkinCaption(dc, face, m_logFont.lfHeight, text, box, kCaptionFormat, m_bAntialias);
}

// ---- the window's lookup and factory ----

CSkinWindowItemButton* CSkinWindow::AddButton(const SkinDefinition& definition,
                                              const SkinItemKey& key, int32_t role)
{
    return CreateButton(key.m_nId, GetSkinBlock(definition, key.m_strName), role);
}

CSkinWindowItemButton* CSkinWindow::CreateButton(int32_t id, const SkinBlock& block, int32_t role)
{
    std::unique_ptr<CSkinWindowItemButton> button(
        new CSkinWindowItemButton(this, id, block, GetImageCache()));
    const bool caption = role == CAPTION_ROLE_CLOSE || role == CAPTION_ROLE_MINIMIZE ||
                         role == CAPTION_ROLE_THIRD;
    // A caption button made while the window is inactive starts in that look.
    if (caption) button->SetInactiveLook(IsInactiveLook());
    CSkinWindowItemButton* added = AdoptItem(button.release());
    // After AddItem: replacing an item of the same id forgets the old caption button first.
    if (role == CAPTION_ROLE_CLOSE) m_pCloseButton = added;
    if (role == CAPTION_ROLE_MINIMIZE) m_pMinimizeButton = added;
    if (role == CAPTION_ROLE_THIRD) m_pThirdButton = added;
    return added;
}

} // namespace ui
