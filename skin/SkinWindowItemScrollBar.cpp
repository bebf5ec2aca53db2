#include "skin/SkinWindowItemScrollBar.h"

#include "lib/StringUtility.h"
#include "lib/wfc/DIB.h"
#include "skin/SkinException.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemAccessor.h"

#include <algorithm>

namespace ui {

namespace {

const uint32_t kFirstRepeatDelay = 500;
const uint32_t kRepeatPeriod = 40;
// No skin measure is longer than this; it keeps every sum of measures inside 32 bits.
const int32_t kMaxSkinLength = 0xFFFF;

int32_t SkinLength(const SkinValues& values, size_t index)
{
    return std::min(std::max(SkinValueToInt(values, index), 0), kMaxSkinLength);
}

// The two fixed end pieces of a run: as long as given when both fit, else the run shared
// between them in their proportion, so that neither is drawn over the other.
void FitEndPieces(int32_t run, int32_t start, int32_t end, int32_t* drawnStart,
                  int32_t* drawnEnd)
{
    if (run <= 0) {
        *drawnStart = *drawnEnd = 0;
    } else if (static_cast<int64_t>(start) + end <= run) {
        *drawnStart = start;
        *drawnEnd = end;
    } else {
        *drawnStart = static_cast<int32_t>(static_cast<int64_t>(run) * start / (start + end));
        *drawnEnd = run - *drawnStart;
    }
}

bool IsRepeatingPart(int32_t part)
{
    return part == SCROLL_PART_UP || part == SCROLL_PART_DOWN ||
           part == SCROLL_PART_TRACK_BEFORE || part == SCROLL_PART_TRACK_AFTER;
}

} // namespace

CSkinWindowItemScrollBar::CSkinWindowItemScrollBar(ISkinWindowItemAccessor* accessor,
                                                   int32_t id, const SkinBlock& block,
                                                   SkinImageCache* cache)
    : CSkinWindowItem(accessor, id)
    , m_bHorizontal(false)
    , m_nPos(0)
    , m_nMaxPos(0)
    , m_nPage(1)
    , m_nCapturePart(SCROLL_PART_NONE)
    , m_nPressPart(SCROLL_PART_NONE)
    , m_nHotPart(SCROLL_PART_NONE)
    , m_bRepeat(false)
    , m_dwNextRepeat(0)
    , m_nPressPos(0)
    , m_nPressAlong(0)
    , m_nLastAlong(0)
    , m_pImageCache(cache)
    , m_aPartImage()
    , m_aGlyph()
    , m_baseImage()
    , m_nBaseStartCap(0)
    , m_nBaseEndCap(0)
    , m_nThumbStart(0)
    , m_nThumbMiddle(0)
    , m_nThumbEnd(0)
{
    const KeywordTable& table = ScrollBarKeywords();
    CheckKeywordGroup(block, table, keyword::kScrollBarOne);
    CheckKeywordGroup(block, table, keyword::kScrollBarTwo);
    LoadFromBlock(block, cache);
}

CSkinWindowItemScrollBar::~CSkinWindowItemScrollBar() = default;

void CSkinWindowItemScrollBar::LoadFromBlock(const SkinBlock& block, SkinImageCache* cache)
{
    const SkinKeywordMap& keywords = block.m_mapKeyword;
    const std::string& type = keywords.at("Type")[0];
    if (type != "V" && type != "H") {
        ThrowSkinException(lib::FormatString("%s 無効な スクロールタイプ(%s)が指定されました",
                                             block.m_strName.c_str(), type.c_str()));
    }
    m_bHorizontal = type == "H";

    const RECT bounds = ToRectFromPositionSize(keywords.at("Position"), keywords.at("Size"));
    SetBounds(bounds.left, bounds.top, bounds.right, bounds.bottom);

    const SkinValues& buttonSize = keywords.at("ButtonSize");
    const SkinValues& thumbSize = keywords.at("ThumbSize");
    const SkinValues& thumbPart = keywords.at("ThumbPart");
    m_nThumbStart = SkinLength(thumbPart, 0);
    m_nThumbMiddle = SkinLength(thumbPart, 1);
    m_nThumbEnd = SkinLength(thumbPart, 2);

    const SkinValues& base = keywords.at("BaseImage");
    m_baseImage = ToImageCut(base, 0);
    m_nBaseStartCap = SkinLength(base, 5);
    m_nBaseEndCap = SkinLength(base, 6);

    // Each kind's four looks lie at four origins of one image, all of the kind's size.
    const struct {
        const char* keyword;
        const SkinValues& size;
    } strips[] = {
        {"UpButtonImage", buttonSize},
        {"DownButtonImage", buttonSize},
        {"ThumbImage", thumbSize},
    };
    for (size_t kind = 0; kind < 3; ++kind) {
        const SkinValues& values = keywords.at(strips[kind].keyword);
        const int32_t width = SkinLength(strips[kind].size, 0);
        const int32_t height = SkinLength(strips[kind].size, 1);
        for (size_t state = 0; state < 4; ++state) {
            const int32_t x = SkinValueToInt(values, 1 + state * 2);
            const int32_t y = SkinValueToInt(values, 2 + state * 2);
            const RECT cut = {x, y, ClampToInt32(static_cast<int64_t>(x) + width),
                              ClampToInt32(static_cast<int64_t>(y) + height)};
            m_aPartImage[kind * 4 + state] = ImageCut{values[0], cut};
        }
    }
    const char* const glyphs[] = {"UpImage", "DownImage", "DisableUpImage", "DisableDownImage"};
    for (size_t i = 0; i < 4; ++i) m_aGlyph[i] = ToImageCut(keywords.at(glyphs[i]), 0);

    if (cache == nullptr) return;
    cache->GetImage(m_baseImage.m_strName);
    for (const ImageCut& image : m_aPartImage) cache->GetImage(image.m_strName);
    for (const ImageCut& glyph : m_aGlyph) {
        // A glyph may be left out with an empty name; the other images are required.
        if (!glyph.m_strName.empty()) cache->GetImage(glyph.m_strName);
    }
}

// ---- range and position ----

void CSkinWindowItemScrollBar::SetRange(int32_t last, int32_t page)
{
    page = std::max(page, 1);
    const int32_t maxPos = last >= page ? last - page + 1 : 0;
    const int32_t pos = std::min(m_nPos, maxPos);
    const bool changed = maxPos != m_nMaxPos || page != m_nPage || pos != m_nPos;
    m_nPage = page;
    m_nMaxPos = maxPos;
    m_nPos = pos;
    if (changed) _Redraw();
}

void CSkinWindowItemScrollBar::SetPos(int32_t position)
{
    const int32_t pos = std::max(std::min(position, m_nMaxPos), 0);
    if (pos == m_nPos) return;
    m_nPos = pos;
    _Redraw();
}

void CSkinWindowItemScrollBar::GetRange(int32_t* maxPos, int32_t* page) const
{
    *maxPos = m_nMaxPos;
    *page = m_nPage;
}

bool CSkinWindowItemScrollBar::IsEnabled()
{
    return CSkinWindowItem::IsEnabled() && m_nMaxPos > 0;
}

// ---- geometry ----

int32_t CSkinWindowItemScrollBar::_AlongSize(const RECT& rect) const
{
    return m_bHorizontal ? rect.right - rect.left : rect.bottom - rect.top;
}

int32_t CSkinWindowItemScrollBar::_AcrossSize(const RECT& rect) const
{
    return m_bHorizontal ? rect.bottom - rect.top : rect.right - rect.left;
}

int32_t CSkinWindowItemScrollBar::_ItemAlong() const
{
    return m_bHorizontal ? GetSize().cx : GetSize().cy;
}

int32_t CSkinWindowItemScrollBar::_ItemAcross() const
{
    return m_bHorizontal ? GetSize().cy : GetSize().cx;
}

SkinRect CSkinWindowItemScrollBar::_MakeRect(int32_t alongStart, int32_t alongEnd,
                                             int32_t acrossStart, int32_t acrossEnd) const
{
    if (m_bHorizontal) return SkinRect{alongStart, acrossStart, alongEnd, acrossEnd};
    return SkinRect{acrossStart, alongStart, acrossEnd, alongEnd};
}

CSkinWindowItemScrollBar::Layout CSkinWindowItemScrollBar::_GetLayout(int32_t position)
{
    Layout layout = {};
    const int32_t length = std::max(_ItemAlong(), 0);
    // The buttons are as long as their first looks, cut to the item.
    layout.m_nUpEnd = std::min(std::max(_AlongSize(m_aPartImage[0].m_rcCut), 0), length);
    layout.m_nDownStart =
        length - std::min(std::max(_AlongSize(m_aPartImage[4].m_rcCut), 0), length);
    layout.m_nTrackStart = layout.m_nUpEnd;
    layout.m_nTrackEnd = std::max(layout.m_nDownStart, layout.m_nTrackStart);

    const int64_t track = layout.m_nTrackEnd - layout.m_nTrackStart;
    const int64_t pieces = static_cast<int64_t>(m_nThumbStart) + m_nThumbEnd;
    // A track shorter than the thumb's fixed pieces still divides by a travel of 1.
    const int64_t usable = std::max<int64_t>(track - pieces, 1);
    layout.m_nUsable = static_cast<int32_t>(usable);
    if (IsEnabled()) {
        const int64_t total = static_cast<int64_t>(m_nMaxPos) + m_nPage;
        const int64_t offset = static_cast<int64_t>(position) * usable / total;
        const int64_t thumb = static_cast<int64_t>(m_nPage) * usable / total + pieces;
        layout.m_nThumbStart = ClampToInt32(layout.m_nTrackStart + offset);
        layout.m_nThumbEnd = ClampToInt32(layout.m_nTrackStart + offset + thumb);
    } else {
        layout.m_nThumbStart = layout.m_nTrackStart;
        layout.m_nThumbEnd = layout.m_nTrackEnd;
    }
    const int32_t across = std::max(_AcrossSize(m_aPartImage[8].m_rcCut), 0);
    layout.m_nThumbAcrossStart = (_ItemAcross() - across) / 2;
    layout.m_nThumbAcrossEnd = layout.m_nThumbAcrossStart + across;
    return layout;
}

SkinRect CSkinWindowItemScrollBar::_PartRect(const Layout& layout, int32_t part) const
{
    const int32_t across = _ItemAcross();
    switch (part) {
    case SCROLL_PART_UP:
        return _MakeRect(0, layout.m_nUpEnd, 0, across);
    case SCROLL_PART_DOWN:
        return _MakeRect(layout.m_nDownStart, std::max(_ItemAlong(), 0), 0, across);
    case SCROLL_PART_THUMB:
        return _MakeRect(layout.m_nThumbStart, layout.m_nThumbEnd, layout.m_nThumbAcrossStart,
                         layout.m_nThumbAcrossEnd);
    case SCROLL_PART_TRACK_BEFORE:
        return _MakeRect(layout.m_nTrackStart, layout.m_nThumbStart, 0, across);
    case SCROLL_PART_TRACK_AFTER:
        return _MakeRect(layout.m_nThumbEnd, layout.m_nTrackEnd, 0, across);
    default:
        return SkinRect{0, 0, 0, 0};
    }
}

SkinRect CSkinWindowItemScrollBar::GetPartRect(int32_t part)
{
    return _PartRect(_GetLayout(m_nPos), part);
}

int32_t CSkinWindowItemScrollBar::HitTest(int32_t x, int32_t y)
{
    const Layout layout = _GetLayout(m_nPos);
    for (const int32_t part : {SCROLL_PART_UP, SCROLL_PART_DOWN, SCROLL_PART_THUMB,
                               SCROLL_PART_TRACK_BEFORE, SCROLL_PART_TRACK_AFTER}) {
        if (_PartRect(layout, part).Contains(x, y)) return part;
    }
    return SCROLL_PART_NONE;
}

ScrollBarPartState CSkinWindowItemScrollBar::GetPartState(int32_t part)
{
    if (!IsEnabled() || part == SCROLL_PART_NONE) return SCROLL_STATE_NORMAL;
    if (part == m_nPressPart) {
        return part == m_nHotPart ? SCROLL_STATE_PRESSED_HOT : SCROLL_STATE_PRESSED;
    }
    return part == m_nHotPart ? SCROLL_STATE_HOT : SCROLL_STATE_NORMAL;
}

// ---- input ----

uint32_t CSkinWindowItemScrollBar::_GetTickCount() const
{
    return ::GetTickCount();
}

bool CSkinWindowItemScrollBar::OnLButtonDown(int x, int y)
{
    if (!IsEnabled() || m_nCapturePart != SCROLL_PART_NONE) return false;
    const uint32_t now = _GetTickCount();
    const int32_t part = HitTest(x, y);
    m_nPressPos = m_nPos;
    m_nPressAlong = m_nLastAlong = _Along(x, y);
    m_nCapturePart = m_nPressPart = part;
    m_bRepeat = false;
    if (part != SCROLL_PART_NONE) {
        if (part != SCROLL_PART_THUMB) _Act(part);
        m_bRepeat = true;
        m_dwNextRepeat = now + kFirstRepeatDelay;
    }
    _Move(x, y);
    return part != SCROLL_PART_NONE;
}

void CSkinWindowItemScrollBar::OnMouseMove(int x, int y)
{
    _Move(x, y);
}

void CSkinWindowItemScrollBar::_Move(int32_t x, int32_t y)
{
    if (m_nCapturePart == SCROLL_PART_NONE) {
        const int32_t part = HitTest(x, y);
        if (part == m_nHotPart) return;
        m_nHotPart = part;
        _Redraw();
        return;
    }
    const int32_t along = _Along(x, y);
    // The thumb is dragged first, so that a thumb its owner moved under the mouse still
    // counts as held.
    if (m_nCapturePart == SCROLL_PART_THUMB) _Drag(along);
    if (m_nCapturePart == SCROLL_PART_TRACK_BEFORE || m_nCapturePart == SCROLL_PART_TRACK_AFTER) {
        m_nLastAlong = along;
    }
    const int32_t pressed = HitTest(x, y) == m_nCapturePart ? m_nCapturePart : SCROLL_PART_NONE;
    if (pressed != SCROLL_PART_NONE && m_nPressPart == SCROLL_PART_NONE) {
        // Back on the held part: a short wait, not the first delay again.
        m_bRepeat = true;
        m_dwNextRepeat = _GetTickCount() + kRepeatPeriod;
    }
    m_nPressPart = pressed;
    _Redraw();
}

void CSkinWindowItemScrollBar::OnLButtonUp(int x, int y)
{
    if (m_nCapturePart == SCROLL_PART_NONE) return;
    m_nCapturePart = m_nPressPart = SCROLL_PART_NONE;
    m_bRepeat = false;
    _Move(x, y);
    _Redraw();
}

void CSkinWindowItemScrollBar::OnMouseLeave()
{
    if (m_nCapturePart != SCROLL_PART_NONE) return;
    m_nHotPart = SCROLL_PART_NONE;
    _Redraw();
}

void CSkinWindowItemScrollBar::OnTick(DWORD tick)
{
    // Compared as a signed difference, so the repeat survives the counter's wrap.
    if (!m_bRepeat || static_cast<int32_t>(static_cast<uint32_t>(tick) - m_dwNextRepeat) < 0) {
        return;
    }
    // Off the held part: the time is kept until the mouse comes back.
    if (m_nPressPart == SCROLL_PART_NONE) return;
    if (IsRepeatingPart(m_nPressPart)) _Act(m_nPressPart);
    m_dwNextRepeat += kRepeatPeriod;
}

void CSkinWindowItemScrollBar::_Act(int32_t part)
{
    // A bar disabled while held stays silent.
    if (!IsEnabled()) return;
    switch (part) {
    case SCROLL_PART_UP:
        if (m_nPos > 0) _Notify(SB_LINEUP, 0);
        break;
    case SCROLL_PART_DOWN:
        if (m_nPos < m_nMaxPos) _Notify(SB_LINEDOWN, 0);
        break;
    case SCROLL_PART_TRACK_BEFORE:
        // Paging stops once the thumb has reached the mouse.
        if (m_nLastAlong < _GetLayout(m_nPos).m_nThumbStart) _Notify(SB_PAGEUP, 0);
        break;
    case SCROLL_PART_TRACK_AFTER:
        if (m_nLastAlong >= _GetLayout(m_nPos).m_nThumbEnd) _Notify(SB_PAGEDOWN, 0);
        break;
    default:
        break;
    }
}

void CSkinWindowItemScrollBar::_Drag(int32_t along)
{
    if (along == m_nPressAlong || !IsEnabled()) return;
    // The thumb as it stood at the press, moved with the mouse.
    const Layout atPress = _GetLayout(m_nPressPos);
    const int64_t offset = static_cast<int64_t>(atPress.m_nThumbStart) - atPress.m_nTrackStart +
                           (static_cast<int64_t>(along) - m_nPressAlong);
    const int64_t total = static_cast<int64_t>(m_nMaxPos) + m_nPage;
    const int64_t position =
        std::min<int64_t>(std::max<int64_t>(total * offset / atPress.m_nUsable, 0), m_nMaxPos);
    if (position != m_nPos) _Notify(SB_THUMBPOSITION, static_cast<int32_t>(position));
}

void CSkinWindowItemScrollBar::_Notify(WORD code, int32_t value)
{
    GetAccessor()->SendItemMessage(m_bHorizontal ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(code, 0),
                                   static_cast<LPARAM>(value));
}

void CSkinWindowItemScrollBar::_Redraw()
{
    const SkinRect rect = GetRect();
    GetAccessor()->RedrawRect(rect.left, rect.top, rect.right, rect.bottom, false);
}

void CSkinWindowItemScrollBar::OnEnableChanged()
{
    _Redraw();
}

// ---- drawing ----

void CSkinWindowItemScrollBar::Draw()
{
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    if (buffer == nullptr || m_pImageCache == nullptr) return;
    const SkinRect item = GetRect();
    lib::wfc::CDIBClipScope clip(*buffer, item.ToRECT());
    const Layout layout = _GetLayout(m_nPos);
    _DrawBase(*buffer, item);
    _DrawButton(*buffer, item, layout, SCROLL_PART_UP);
    _DrawButton(*buffer, item, layout, SCROLL_PART_DOWN);
    if (IsEnabled()) _DrawThumb(*buffer, item, layout);
}

void CSkinWindowItemScrollBar::_CopyAlong(lib::wfc::CDIB& buffer, const lib::wfc::CDIB& picture,
                                          const SkinRect& item, const RECT& cut,
                                          int32_t sourceStart, int32_t length, int32_t along,
                                          int32_t across)
{
    if (length <= 0) return;
    if (m_bHorizontal) {
        buffer.Blt(item.left + along, item.top + across, length, cut.bottom - cut.top, picture,
                   cut.left + sourceStart, cut.top, kSkinKeyColor);
    } else {
        buffer.Blt(item.left + across, item.top + along, cut.right - cut.left, length, picture,
                   cut.left, cut.top + sourceStart, kSkinKeyColor);
    }
}

void CSkinWindowItemScrollBar::_TileAlong(lib::wfc::CDIB& buffer, const lib::wfc::CDIB& picture,
                                          const SkinRect& item, const RECT& cut,
                                          int32_t sourceStart, int32_t sourceLength,
                                          int32_t along, int32_t length, int32_t across)
{
    if (length <= 0 || sourceLength <= 0) return;
    const int32_t width = _AcrossSize(cut);
    if (m_bHorizontal) {
        const RECT tile = {cut.left + sourceStart, cut.top, cut.left + sourceStart + sourceLength,
                           cut.bottom};
        buffer.TileBlt(item.left + along, item.top + across, length, width, picture, true, &tile,
                       255, kSkinKeyColor);
    } else {
        const RECT tile = {cut.left, cut.top + sourceStart, cut.right,
                           cut.top + sourceStart + sourceLength};
        buffer.TileBlt(item.left + across, item.top + along, width, length, picture, true, &tile,
                       255, kSkinKeyColor);
    }
}

void CSkinWindowItemScrollBar::_DrawBase(lib::wfc::CDIB& buffer, const SkinRect& item)
{
    CSkinImageRef ref = m_pImageCache->FindImage(m_baseImage.m_strName);
    CSkinImageLock lock(ref);
    if (lock.Get() == nullptr) return;
    const RECT& cut = m_baseImage.m_rcCut;
    const int32_t source = _AlongSize(cut);
    if (source <= 0 || _AcrossSize(cut) <= 0) return;
    const int32_t startCap = std::min(m_nBaseStartCap, source);
    const int32_t endCap = std::min(m_nBaseEndCap, source);
    const int32_t length = _ItemAlong();
    int32_t start = 0;
    int32_t end = 0;
    FitEndPieces(length, startCap, endCap, &start, &end);
    _CopyAlong(buffer, *lock.Get(), item, cut, 0, start, 0, 0);
    _CopyAlong(buffer, *lock.Get(), item, cut, source - end, end, length - end, 0);
    // The middle piece repeats between the caps; when the caps fill the image there is none,
    // and the stretch stays empty.
    const int32_t middle = source - startCap - endCap;
    if (middle > 0) {
        _TileAlong(buffer, *lock.Get(), item, cut, startCap, middle, startCap,
                   length - startCap - endCap, 0);
    }
}

void CSkinWindowItemScrollBar::_DrawButton(lib::wfc::CDIB& buffer, const SkinRect& item,
                                           const Layout& layout, int32_t part)
{
    const SkinRect rect = _PartRect(layout, part);
    if (rect.Width() <= 0 || rect.Height() <= 0) return;
    const SkinRect onBuffer = {item.left + rect.left, item.top + rect.top, item.left + rect.right,
                               item.top + rect.bottom};
    lib::wfc::CDIBClipScope clip(buffer, onBuffer.ToRECT());
    const ImageCut& face = m_aPartImage[part * 4 + GetPartState(part)];
    _DrawCut(buffer, face, onBuffer.left, onBuffer.top);
    // The glyph sits centred on its button.
    const ImageCut& glyph = m_aGlyph[(IsEnabled() ? 0 : 2) + part];
    const int32_t width = glyph.m_rcCut.right - glyph.m_rcCut.left;
    const int32_t height = glyph.m_rcCut.bottom - glyph.m_rcCut.top;
    if (glyph.m_strName.empty() || width <= 0 || height <= 0) return;
    _DrawCut(buffer, glyph, onBuffer.left + (rect.Width() - width) / 2,
             onBuffer.top + (rect.Height() - height) / 2);
}

void CSkinWindowItemScrollBar::_DrawCut(lib::wfc::CDIB& buffer, const ImageCut& image, int32_t x,
                                        int32_t y)
{
    CSkinImageRef ref = m_pImageCache->FindImage(image.m_strName);
    CSkinImageLock lock(ref);
    if (lock.Get() == nullptr) return;
    const RECT& cut = image.m_rcCut;
    buffer.Blt(x, y, cut.right - cut.left, cut.bottom - cut.top, *lock.Get(), cut.left, cut.top,
               kSkinKeyColor);
}

void CSkinWindowItemScrollBar::_DrawThumb(lib::wfc::CDIB& buffer, const SkinRect& item,
                                          const Layout& layout)
{
    const ImageCut& image = m_aPartImage[8 + GetPartState(SCROLL_PART_THUMB)];
    CSkinImageRef ref = m_pImageCache->FindImage(image.m_strName);
    CSkinImageLock lock(ref);
    if (lock.Get() == nullptr) return;
    const lib::wfc::CDIB& picture = *lock.Get();
    const RECT& cut = image.m_rcCut;
    const int32_t source = _AlongSize(cut);
    if (source <= 0 || _AcrossSize(cut) <= 0) return;

    // A thumb longer than a very short track stays on the track.
    const SkinRect track = _MakeRect(layout.m_nTrackStart, layout.m_nTrackEnd, 0, _ItemAcross());
    lib::wfc::CDIBClipScope clip(
        buffer, RECT{item.left + track.left, item.top + track.top, item.left + track.right,
                     item.top + track.bottom});

    // The pieces as they lie in the image, one after the other.
    const int32_t startPiece = std::min(m_nThumbStart, source);
    const int32_t middlePiece = std::min(m_nThumbMiddle, source - startPiece);
    const int32_t endPiece = std::min(m_nThumbEnd, source - startPiece - middlePiece);
    const int32_t endSource = startPiece + middlePiece;

    const int32_t thumbStart = layout.m_nThumbStart;
    const int32_t length = layout.m_nThumbEnd - layout.m_nThumbStart;
    const int32_t across = layout.m_nThumbAcrossStart;
    int32_t start = 0;
    int32_t end = 0;
    FitEndPieces(length, startPiece, endPiece, &start, &end);
    _CopyAlong(buffer, picture, item, cut, 0, start, thumbStart, across);
    _CopyAlong(buffer, picture, item, cut, endSource + endPiece - end, end,
               thumbStart + length - end, across);

    const int32_t room = length - startPiece - endPiece;
    if (room <= 0) return;
    // The middle piece at the thumb's centre (its own centre part when it does not fit); the
    // stretches beside it repeat the one row (column) of the image next to it.
    const int32_t shown = std::min(middlePiece, room);
    const int32_t middleAt =
        std::min(std::max((length - shown) / 2, startPiece), length - endPiece - shown);
    _CopyAlong(buffer, picture, item, cut, startPiece + (middlePiece - shown) / 2, shown,
               thumbStart + middleAt, across);
    const int32_t beforeRow = startPiece > 0 ? startPiece - 1 : 0;
    const int32_t afterRow = endPiece > 0 ? endSource : std::max(endSource - 1, 0);
    _TileAlong(buffer, picture, item, cut, beforeRow, 1, thumbStart + startPiece,
               middleAt - startPiece, across);
    _TileAlong(buffer, picture, item, cut, afterRow, 1, thumbStart + middleAt + shown,
               length - endPiece - middleAt - shown, across);
}

// ---- the window's factory ----

CSkinWindowItemScrollBar* CSkinWindow::CreateScrollBar(int32_t id, const SkinBlock& block)
{
    return AdoptItem(new CSkinWindowItemScrollBar(this, id, block, GetImageCache()));
}

} // namespace ui
