// How fast the button list view scrolls: a list of 1,000 rows in three columns, in the
// product's look, in a window of a launcher list's size, scrolled from the top to the end one
// line at a time, each step drawn and painted at once (the list redraws itself with update
// now), beside the system's list-view control (SysListView32, report view, the same size,
// columns and rows) scrolled the same way in the same run, by its own line scrolling and,
// as a second reference, repainted whole at every line. Figures are steps (frames) per
// second, the best of three runs.
// Beside it, in the same run, the probe log window's road: its ring of 100 lines in one
// column without a header, each of the upload job's step reports writing one entry,
// refreshing the whole list and jumping to the newest line, painted at once; in lines per
// second, the best of three runs.

#include "bench/SkinBenchSupport.h"
#include "launcher/ProbeLogWindow.h"
#include "lib/StringUtility.h"
#include "lib/wfc/WfcRuntime.h"
#include "online/ProbeUpload.h"
#include "skin/ButtonListView.h"
#include "skin/SkinLoader.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindow.h"
#include "skin/SkinWindowItemScrollBar.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kRows = 1000;
const int kWidth = 480;
const int kHeight = 300;
const int kBarWidth = 18;
const int kRuns = 3;
const int kColumnWidth[3] = {220, 90, 150};
const char* const kTitle[3] = {"名前", "空き容量", "種類"};

using skinbench::CStopOnError;
using skinbench::Now;

struct Row {
    std::string m_strText[3];
};

std::vector<Row> MakeRows()
{
    std::vector<Row> rows;
    for (int i = 0; i < kRows; ++i) {
        rows.push_back(Row{{lib::FormatString("記録カード%04d(%c:)", i + 1, 'D' + i % 23),
                            lib::FormatString("%d.%dGB", 1 + i % 31, i % 10),
                            "リムーバブルディスク"}});
    }
    return rows;
}

// A skin window holding the list and its scroll bar, over its whole client area.
class CBenchListWindow : public ui::CSkinWindow,
                         private ui::CButtonListViewListener,
                         private ui::CButtonListViewTable {
public:
    explicit CBenchListWindow(const std::vector<Row>& rows) : m_vRow(rows) {}

    ui::CButtonListView* m_pList = nullptr;
    ui::CSkinWindowItemScrollBar* m_pBar = nullptr;

    void Build()
    {
        ui::SkinDefinition definition;
        LoadSkin(definition, "Common.txt", "FrameWindow", false);
        m_pBar = CreateScrollBar(1, Placed(definition, "ScrollBarVertical", kWidth - kBarWidth,
                                           kBarWidth));
        m_pList = new ui::CButtonListView(this, 2, Placed(definition, "ListView", 0,
                                                          kWidth - kBarWidth),
                                          GetImageCache(), m_pBar, this);
        m_pList->SetFitColumns(true);
        m_pList->ShowHeader(true);
        for (int c = 0; c < 3; ++c) {
            m_pList->AddColumn(kTitle[c], c == 1 ? DT_RIGHT : DT_LEFT, kColumnWidth[c], true,
                               false, false, DT_VCENTER | DT_SINGLELINE);
        }
        m_pList->SetTable(this);
        m_pList->RecalcColumns();
        AddItem(m_pList);
    }
    // The class is a frame's face; the window only needs a title more.
    void ApplySkin(const ui::SkinBlock& block) override
    {
        ui::SkinBlock window = block;
        window.m_mapKeyword["Title"] = {"list_view_bench"};
        ui::CSkinWindow::ApplySkin(window);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_VSCROLL && m_pList != nullptr) m_pList->OnMessage(message, wParam, lParam);
        return ui::CSkinWindow::WindowProc(message, wParam, lParam);
    }
    void OnPaint() override
    {
        ++m_nPaints;
        ui::CSkinWindow::OnPaint();
    }
    int m_nPaints = 0;

private:
    static ui::SkinBlock Placed(const ui::SkinDefinition& definition, const char* name, int x,
                                int width)
    {
        ui::SkinBlock block = ui::GetSkinBlock(definition, name);
        block.m_mapKeyword["Position"] = {std::to_string(x), "0"};
        block.m_mapKeyword["Size"] = {std::to_string(width), std::to_string(kHeight)};
        return block;
    }

    int32_t GetRowCount(ui::CButtonListView*) override { return kRows; }
    bool IsRowActive(ui::CButtonListView*, int32_t row) override { return row == 500; }
    bool HasButton(ui::CButtonListView*, int32_t, uint32_t) override { return false; }
    bool IsButtonOn(ui::CButtonListView*, int32_t, uint32_t) override { return false; }
    int32_t GetButtonLabel(ui::CButtonListView*, int32_t, uint32_t) override { return 0; }
    std::string GetCellText(ui::CButtonListView*, int32_t row, int32_t column,
                            const ui::ButtonListViewTextFit&) override
    {
        return m_vRow[row].m_strText[column];
    }
    COLORREF GetCellTextColor(ui::CButtonListView*, int32_t, int32_t) override
    {
        return RGB(55, 49, 68);
    }
    std::string GetCellToolTip(ui::CButtonListView*, int32_t, int32_t) override
    {
        return std::string();
    }
    int32_t GetMinColumnWidth(ui::CButtonListView*) override { return 50; }
    void OnLayoutChanged(ui::CButtonListView*) override {}
    void OnPress(ui::CButtonListView*, int32_t, int32_t, int32_t, bool) override {}
    void OnDoubleClick(ui::CButtonListView*, int32_t, int32_t, int32_t, bool) override {}
    void OnButtonClick(ui::CButtonListView*, int32_t, uint32_t) override {}

    const std::vector<Row>& m_vRow;
};

struct Run {
    int steps;
    double seconds;
    int paints;   // WM_PAINTs of the skin window (the control's are not counted)
};

// Our list, from the top to the end one line at a time.
Run ScrollSkinList(CBenchListWindow& window)
{
    ui::ScrollItemBy(-kRows, window.m_pList, window.m_pBar);
    window.UpdateWindow();
    const int maxPos = window.m_pBar->GetMaxPos();
    const int paints = window.m_nPaints;
    const double start = Now();
    for (int i = 0; i < maxPos; ++i) ui::ScrollItemBy(1, window.m_pList, window.m_pBar);
    const double seconds = Now() - start;
    if (window.m_pList->GetFirstVisibleRow() != maxPos) std::fprintf(stderr, "the list stopped early\n");
    return Run{maxPos, seconds, window.m_nPaints - paints};
}

// The system's list view, the same way: its own line scrolling, or a whole repaint per line.
Run ScrollControl(HWND control, bool repaintWhole)
{
    ::SendMessageA(control, WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
    ::UpdateWindow(control);
    const int steps = kRows - static_cast<int>(::SendMessageA(control, LVM_GETCOUNTPERPAGE, 0, 0));
    const double start = Now();
    for (int i = 0; i < steps; ++i) {
        ::SendMessageA(control, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
        if (repaintWhole) ::InvalidateRect(control, nullptr, FALSE);
        ::UpdateWindow(control);
    }
    const double seconds = Now() - start;
    const int top = static_cast<int>(::SendMessageA(control, LVM_GETTOPINDEX, 0, 0));
    if (top != steps) std::fprintf(stderr, "the list view stopped at %d of %d\n", top, steps);
    return Run{steps, seconds, steps};
}

HWND MakeControl(HWND parent, const std::vector<Row>& rows, HFONT font)
{
    HWND control = lib::wfc::CreateWindowExChecked(
        0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, 0, 0, kWidth,
        kHeight, parent, nullptr);
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SendMessageA(control, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                   LVS_EX_FULLROWSELECT);
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = c == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = kColumnWidth[c];
        column.pszText = const_cast<char*>(kTitle[c]);
        ::SendMessageA(control, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
    }
    ::SendMessageA(control, LVM_SETITEMCOUNT, kRows, 0);
    for (int r = 0; r < kRows; ++r) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = r;
        item.pszText = const_cast<char*>(rows[r].m_strText[0].c_str());
        ::SendMessageA(control, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        for (int c = 1; c < 3; ++c) {
            item.iSubItem = c;
            item.pszText = const_cast<char*>(rows[r].m_strText[c].c_str());
            ::SendMessageA(control, LVM_SETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
        }
    }
    return control;
}

// The probe log window as its Create builds it, without a history of its own (so nothing
// is stored or written when it goes), counting its paints.
class CBenchProbeLog : public ui::CProbeLogWindow {
public:
    CBenchProbeLog() : ui::CProbeLogWindow(nullptr) {}
    void Build()
    {
        BuildFromSkin();
        CreateHidden();
    }
    void OnPaint() override
    {
        ++m_nPaints;
        ui::CProbeLogWindow::OnPaint();
    }
    int m_nPaints = 0;
};

const int kProbeLines = 1000;

// Step reports as the job posts them, one line each, the window painted after each.
Run ReportLines(CBenchProbeLog& window)
{
    const int paints = window.m_nPaints;
    const double start = Now();
    for (int i = 0; i < kProbeLines; ++i) {
        window.SendMessage(WM_PROBEUPLOAD_STATUS, PROBE_STEP_SCANNING + i % 5, 0);
        window.UpdateWindow();
    }
    const double seconds = Now() - start;
    if (window.GetLineCount() != ui::CProbeLogWindow::kRingSize) {
        std::fprintf(stderr, "the ring holds %u lines\n", window.GetLineCount());
    }
    return Run{kProbeLines, seconds, window.m_nPaints - paints};
}

Run Best(const std::vector<Run>& runs)
{
    return *std::min_element(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
        return a.seconds / a.steps < b.seconds / b.steps;
    });
}

void Print(const char* what, const Run& run)
{
    std::printf("  %-52s %7.1f frames/s (%d steps in %.3f s)\n", what, run.steps / run.seconds,
                run.steps, run.seconds);
}

} // namespace

int main()
{
    lib::wfc::Initialize(::GetModuleHandleA(nullptr), "list_view_bench", nullptr, nullptr);
    lib::wfc::AllocThreadMessageRecord();
    CStopOnError stop;
    ui::SetSkinErrorReporter(&stop);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    const std::vector<Row> rows = MakeRows();

    Run ours;
    Run lineScroll;
    Run wholeRepaint;
    {
        CBenchListWindow window(rows);
        window.Build();
        window.Create(0, nullptr, "list_view_bench", WS_POPUP, 0, 0, kWidth, kHeight);
        ::ShowWindow(window.GetHwnd(), SW_SHOWNOACTIVATE);
        window.UpdateWindow();
        std::vector<Run> runs;
        for (int i = 0; i < kRuns; ++i) runs.push_back(ScrollSkinList(window));
        ours = Best(runs);

        HWND host = lib::wfc::CreateWindowExChecked(0, "STATIC", "", WS_POPUP, 0, 0, kWidth,
                                                    kHeight, nullptr, nullptr);
        HWND control = MakeControl(host, rows, window.GetFont());
        ::ShowWindow(host, SW_SHOWNOACTIVATE);
        ::UpdateWindow(host);
        runs.clear();
        for (int i = 0; i < kRuns; ++i) runs.push_back(ScrollControl(control, false));
        lineScroll = Best(runs);
        runs.clear();
        for (int i = 0; i < kRuns; ++i) runs.push_back(ScrollControl(control, true));
        wholeRepaint = Best(runs);
        ::ShowWindow(host, SW_HIDE);
        ::DestroyWindow(host);
        ::ShowWindow(window.GetHwnd(), SW_HIDE);
        window.DestroyWindow();
    }
    Run probeLog;
    {
        CBenchProbeLog window;
        window.Build();
        ::ShowWindow(window.GetHwnd(), SW_SHOWNOACTIVATE);
        window.UpdateWindow();
        std::vector<Run> runs;
        for (int i = 0; i < kRuns; ++i) runs.push_back(ReportLines(window));
        probeLog = Best(runs);
        ::ShowWindow(window.GetHwnd(), SW_HIDE);
        window.DestroyWindow();
    }

    std::printf("%d rows in three columns, %d x %d, scrolled from the top to the end one line "
                "at a time, each step painted; best of %d runs\n", kRows, kWidth, kHeight, kRuns);
    Print("button list view (redrawn whole, updated now):", ours);
    if (ours.paints != ours.steps) {
        std::printf("  (the list painted %d times in %d steps)\n", ours.paints, ours.steps);
    }
    Print("SysListView32, its own line scrolling:", lineScroll);
    Print("SysListView32, repainted whole at every line:", wholeRepaint);
    std::printf("  button list view / SysListView32: %.2f times (repainted whole: %.2f times)\n",
                (ours.steps / ours.seconds) / (lineScroll.steps / lineScroll.seconds),
                (ours.steps / ours.seconds) / (wholeRepaint.steps / wholeRepaint.seconds));

    std::printf("the probe log window: a ring of %u lines in one column without a header, "
                "%d step reports, each writing one entry, refreshing the list and jumping to "
                "the newest line, painted; best of %d runs\n",
                ui::CProbeLogWindow::kRingSize, kProbeLines, kRuns);
    std::printf("  %-52s %7.1f lines/s (%d lines in %.3f s, %d paints)\n",
                "probe log window:", probeLog.steps / probeLog.seconds, probeLog.steps,
                probeLog.seconds, probeLog.paints);

    ui::SetSkinErrorReporter(nullptr);
    lib::wfc::FreeThreadMessageRecord();
    lib::wfc::Terminate();
    return 0;
}
