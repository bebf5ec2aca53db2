#include "tests/skin/support/SkinWindowTestSupport.h"

#include "lib/StringUtility.h"
#include "lib/wfc/WfcRuntime.h"

#include <algorithm>
#include <cstdlib>
#include <new>

using lib::FormatString;

namespace skintest {

namespace {

// The id of the probe being destroyed, for the dead probe left in its place.
thread_local int32_t g_nDyingId = 0;

} // namespace

void CWindowFrameworkEnvironment::SetUp()
{
    lib::wfc::Initialize(::GetModuleHandleA(nullptr), m_pszName, nullptr, nullptr);
    lib::wfc::AllocThreadMessageRecord();
}

void CWindowFrameworkEnvironment::TearDown()
{
    lib::wfc::FreeThreadMessageRecord();
    lib::wfc::Terminate();
}

std::string CProbeJournal::Take()
{
    std::string all;
    for (const std::string& line : m_vLine) all += (all.empty() ? "" : "|") + line;
    m_vLine.clear();
    return all;
}

bool CProbeJournal::Has(const std::string& text) const
{
    return std::any_of(m_vLine.begin(), m_vLine.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

// ---- the probe ----

CProbeItem::CProbeItem(ui::ISkinWindowItemAccessor* accessor, int32_t id, CProbeJournal* journal,
                       const ui::SkinRect& rect, COLORREF color)
    : ui::CSkinWindowItem(accessor, id), m_crColor(color), m_pJournal(journal)
{
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
}

CProbeItem::~CProbeItem()
{
    g_nDyingId = GetId();
}

void* CProbeItem::operator new(size_t size)
{
    void* memory = std::malloc(size);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

void CProbeItem::operator delete(void* memory, size_t)
{
    static_assert(sizeof(CDeadProbe) <= sizeof(CProbeItem), "the trap fits the probe's place");
    // The memory is kept on purpose: a window that still holds the pointer calls the trap.
    new (memory) CDeadProbe(g_nDyingId);
}

void CProbeItem::_Note(const std::string& call)
{
    m_pJournal->Note(FormatString("%d ", GetId()) + call);
}

bool CProbeItem::IsEnabled()
{
    return ui::CSkinWindowItem::IsEnabled();
}

std::string CProbeItem::GetTooltipText()
{
    _Note("GetTooltipText");
    return m_strTooltip;
}

bool CProbeItem::IsHitTestable() { return m_bHitTestable; }

int CProbeItem::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    _Note(FormatString("OnMessage %u %llu %lld", message, static_cast<unsigned long long>(wParam),
                       static_cast<long long>(lParam)));
    if (message == ui::ITEM_MESSAGE_GET_CHECK) return m_bChecked ? 1 : 0;
    if (message == ui::ITEM_MESSAGE_SET_CHECK) m_bChecked = wParam != 0;
    return 0;
}

void CProbeItem::OnMouseMove(int x, int y) { _Note(FormatString("Move %d %d", x, y)); }

bool CProbeItem::OnLButtonDown(int x, int y)
{
    _Note(FormatString("LDown %d %d", x, y));
    return m_bTakePress;
}

bool CProbeItem::OnLButtonDblClk(int x, int y)
{
    _Note(FormatString("LDblClk %d %d", x, y));
    return ui::CSkinWindowItem::OnLButtonDblClk(x, y);
}

void CProbeItem::OnLButtonUp(int x, int y) { _Note(FormatString("LUp %d %d", x, y)); }

void CProbeItem::OnLButtonCancel(int x, int y)
{
    _Note("LCancel");
    ui::CSkinWindowItem::OnLButtonCancel(x, y);
}

bool CProbeItem::OnRButtonDown(int x, int y)
{
    _Note(FormatString("RDown %d %d", x, y));
    return m_bTakePress;
}

bool CProbeItem::OnRButtonDblClk(int x, int y)
{
    _Note(FormatString("RDblClk %d %d", x, y));
    return ui::CSkinWindowItem::OnRButtonDblClk(x, y);
}

void CProbeItem::OnRButtonUp(int x, int y) { _Note(FormatString("RUp %d %d", x, y)); }

void CProbeItem::OnRButtonCancel(int x, int y)
{
    _Note("RCancel");
    ui::CSkinWindowItem::OnRButtonCancel(x, y);
}

void CProbeItem::OnMouseLeave() { _Note("Leave"); }

bool CProbeItem::OnSetCursor(int x, int y)
{
    _Note(FormatString("SetCursor %d %d", x, y));
    return m_bSetCursor;
}

void CProbeItem::OnTick(DWORD) { _Note("Tick"); }

void CProbeItem::OnAttach(HWND, int originX, int originY)
{
    _Note(FormatString("Attach %d %d", originX, originY));
}

void CProbeItem::OnSetFocus() { _Note("SetFocus"); }
void CProbeItem::OnKillFocus() { _Note("KillFocus"); }

bool CProbeItem::PreTranslateMessage(UINT message, WPARAM, LPARAM, LRESULT* result)
{
    if (m_uConsume == 0 || message != m_uConsume) return false;
    _Note(FormatString("Consume %u", message));
    *result = 77;
    return true;
}

void CProbeItem::Draw()
{
    _Note("Draw");
    lib::wfc::CDIB* buffer = GetAccessor()->GetBackBuffer();
    if (buffer != nullptr) FillRectClipped(*buffer, GetRect().ToRECT(), m_crColor);
}

void CProbeItem::OnEnableChanged() { _Note("EnableChanged"); }
void CProbeItem::OnVisibleChanged() { _Note("VisibleChanged"); }

// ---- the test window ----

CProbeItem* CTestSkinWindow::AddProbe(int32_t id, const ui::SkinRect& rect, COLORREF color)
{
    return AdoptItem(MakeProbe(id, rect, color));
}

CProbeItem* CTestSkinWindow::MakeProbe(int32_t id, const ui::SkinRect& rect, COLORREF color)
{
    return new CProbeItem(this, id, &m_journal, rect, color);
}

std::string CTestSkinWindow::Calls()
{
    std::string all;
    for (const std::string& call : m_vCall) all += (all.empty() ? "" : "|") + call;
    m_vCall.clear();
    return all;
}

void CTestSkinWindow::OnPaint()
{
    ++m_nPaints;
    ui::CSkinWindow::OnPaint();
}

bool CTestSkinWindow::UpdateBuffer(UINT type, int width, int height)
{
    m_vCall.push_back(FormatString("UpdateBuffer %u %d %d", type, width, height));
    return ui::CSkinWindow::UpdateBuffer(type, width, height);
}

void CTestSkinWindow::OnDefaultKey(int32_t id, bool enter)
{
    m_vCall.push_back(FormatString("DefaultKey %d %d", id, enter ? 1 : 0));
}

bool CTestSkinWindow::FilterKey(UINT, LPARAM) { return m_bFilterKeys; }
void CTestSkinWindow::OnCaptureReleased() { m_vCall.push_back("CaptureReleased"); }
void CTestSkinWindow::OnBeforeRelayout() { m_vCall.push_back("BeforeRelayout"); }

// ---- the trap ----

CDeadProbe::CDeadProbe(int32_t id) : ui::CSkinWindowItem(nullptr, id) {}

CDeadProbe::~CDeadProbe()
{
    _Called("delete");
}

void CDeadProbe::_Called(const char* operation)
{
    ADD_FAILURE() << "the window called " << operation << " on item " << GetId()
                  << " after deleting it";
}

bool CDeadProbe::IsEnabled() { _Called("IsEnabled"); return false; }
std::string CDeadProbe::GetTooltipText() { _Called("GetTooltipText"); return std::string(); }
bool CDeadProbe::IsHitTestable() { _Called("IsHitTestable"); return false; }
int CDeadProbe::OnMessage(UINT, WPARAM, LPARAM) { _Called("OnMessage"); return 0; }
void CDeadProbe::OnMouseMove(int, int) { _Called("OnMouseMove"); }
bool CDeadProbe::OnLButtonDown(int, int) { _Called("OnLButtonDown"); return false; }
bool CDeadProbe::OnLButtonDblClk(int, int) { _Called("OnLButtonDblClk"); return false; }
void CDeadProbe::OnLButtonUp(int, int) { _Called("OnLButtonUp"); }
void CDeadProbe::OnLButtonCancel(int, int) { _Called("OnLButtonCancel"); }
bool CDeadProbe::OnRButtonDown(int, int) { _Called("OnRButtonDown"); return false; }
bool CDeadProbe::OnRButtonDblClk(int, int) { _Called("OnRButtonDblClk"); return false; }
void CDeadProbe::OnRButtonUp(int, int) { _Called("OnRButtonUp"); }
void CDeadProbe::OnRButtonCancel(int, int) { _Called("OnRButtonCancel"); }
void CDeadProbe::OnMouseLeave() { _Called("OnMouseLeave"); }
bool CDeadProbe::OnSetCursor(int, int) { _Called("OnSetCursor"); return false; }
void CDeadProbe::OnTick(DWORD) { _Called("OnTick"); }
void CDeadProbe::OnAttach(HWND, int, int) { _Called("OnAttach"); }
void CDeadProbe::OnSetFocus() { _Called("OnSetFocus"); }
void CDeadProbe::OnKillFocus() { _Called("OnKillFocus"); }
bool CDeadProbe::PreTranslateMessage(UINT, WPARAM, LPARAM, LRESULT*)
{
    _Called("PreTranslateMessage");
    return false;
}
void CDeadProbe::Draw() { _Called("Draw"); }
void CDeadProbe::SetRect(const ui::SkinRect&) { _Called("SetRect"); }
void CDeadProbe::OnEnableChanged() { _Called("OnEnableChanged"); }
void CDeadProbe::OnVisibleChanged() { _Called("OnVisibleChanged"); }

// ---- pixels ----

COLORREF PixelAt(const lib::wfc::CDIB& dib, int x, int y)
{
    const BITMAPINFOHEADER* header = dib.GetInfoHeader();
    if (header == nullptr || header->biBitCount != 24 || x < 0 || y < 0 || x >= dib.GetWidth() ||
        y >= dib.GetHeight()) {
        return CLR_INVALID;
    }
    const int row = header->biHeight > 0 ? dib.GetHeight() - 1 - y : y;
    const uint8_t* p = dib.GetBits() + static_cast<size_t>(row) * dib.GetRowBytes() + x * 3;
    return RGB(p[2], p[1], p[0]);
}

void FillRectClipped(lib::wfc::CDIB& dib, const RECT& rect, COLORREF color)
{
    const BITMAPINFOHEADER* header = dib.GetInfoHeader();
    if (header == nullptr || header->biBitCount != 24) return;
    const RECT& clip = dib.GetClipRect();
    const int left = std::max<int>({rect.left, clip.left, 0});
    const int top = std::max<int>({rect.top, clip.top, 0});
    const int right = std::min<int>({rect.right, clip.right, dib.GetWidth()});
    const int bottom = std::min<int>({rect.bottom, clip.bottom, dib.GetHeight()});
    for (int y = top; y < bottom; ++y) {
        const int row = header->biHeight > 0 ? dib.GetHeight() - 1 - y : y;
        uint8_t* p = dib.GetBits() + static_cast<size_t>(row) * dib.GetRowBytes() + left * 3;
        for (int x = left; x < right; ++x, p += 3) {
            p[0] = GetBValue(color);
            p[1] = GetGValue(color);
            p[2] = GetRValue(color);
        }
    }
}

} // namespace skintest
