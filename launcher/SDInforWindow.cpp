#include "launcher/SDInforWindow.h"

#include "lib/StringUtility.h"
#include "skin/SkinWindowItemButton.h"
#include "skin/SkinWindowItemResizableStaticImage.h"
#include "skin/SkinWindowItemScrollBar.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticImage.h"

#include <algorithm>

namespace ui {

namespace SDInforWindowKey {
namespace {
uint16_t g_nKeyId = 2000;
} // namespace

// Defined in id order: the ids count up as the keys are made.
const SkinItemKey kBase("Base", g_nKeyId);
const SkinItemKey kApplicationIcon("ApplicationIcon", g_nKeyId);
const SkinItemKey kTitle("Title", g_nKeyId);
const SkinItemKey kCloseButton("CloseButton", g_nKeyId);
const SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
const SkinItemKey kOKButton("OKButton", g_nKeyId);
const SkinItemKey kMemoryText("MemoryText", g_nKeyId);
const SkinItemKey kBackImage1("BackImage1", g_nKeyId);
const SkinItemKey kBackImage2("BackImage2", g_nKeyId);
const SkinItemKey kLogList("LogList", g_nKeyId);
const SkinItemKey kLogListScrollBar("LogListScrollBar", g_nKeyId);
const SkinItemKey kImage[SD_LEGEND_COUNT] = {
    {"ImageTraffic", g_nKeyId},   {"ImageWeather", g_nKeyId},       {"ImageSonavelle", g_nKeyId},
    {"ImageStrata", g_nKeyId},    {"ImageLumacam", g_nKeyId},       {"ImageAlbumimage", g_nKeyId},
    {"ImageRgpoint", g_nKeyId},   {"ImageKestrumfolder", g_nKeyId}, {"ImageDriveMem", g_nKeyId},
    {"ImageProbe", g_nKeyId},     {"ImageOther", g_nKeyId}};
const SkinItemKey kImageIcon[SD_LEGEND_COUNT] = {
    {"ImageiconTraffic", g_nKeyId},    {"ImageiconWeather", g_nKeyId},
    {"ImageiconSonavelle", g_nKeyId},  {"ImageiconStrata", g_nKeyId},
    {"ImageiconLumacam", g_nKeyId},    {"ImageiconAlbumimage", g_nKeyId},
    {"ImageiconRgpoint", g_nKeyId},    {"ImageiconKestrumfolder", g_nKeyId},
    {"ImageiconDriveMem", g_nKeyId},   {"ImageiconProbe", g_nKeyId},
    {"ImageiconOther", g_nKeyId}};
const SkinItemKey kImageBack("ImageBack", g_nKeyId);
const SkinItemKey kImageUseSize("ImageUseSize", g_nKeyId);
const SkinItemKey kSegment[SD_CATEGORY_COUNT] = {
    {"ImageTraffic", g_nKeyId},   {"ImageWeather", g_nKeyId},       {"ImageSonavelle", g_nKeyId},
    {"ImageStrata", g_nKeyId},    {"ImageLumacam", g_nKeyId},       {"ImageAlbumimage", g_nKeyId},
    {"ImageRgpoint", g_nKeyId},   {"ImageKestrumfolder", g_nKeyId}, {"ImageDriveMem", g_nKeyId},
    {"ImageProbe", g_nKeyId}};
const SkinItemKey kText[SD_LEGEND_COUNT] = {
    {"TextTraffic", g_nKeyId},   {"TextWeather", g_nKeyId},       {"TextSonavelle", g_nKeyId},
    {"TextStrata", g_nKeyId},    {"TextLumacam", g_nKeyId},       {"TextAlbumimage", g_nKeyId},
    {"TextRgpoint", g_nKeyId},   {"TextKestrumfolder", g_nKeyId}, {"TextDriveMem", g_nKeyId},
    {"TextProbe", g_nKeyId},     {"TextOther", g_nKeyId}};
const SkinItemKey kDateText[SD_LEGEND_COUNT] = {
    {"DateTextTraffic", g_nKeyId},   {"DateTextWeather", g_nKeyId},
    {"DateTextSonavelle", g_nKeyId}, {"DateTextStrata", g_nKeyId},
    {"DateTextLumacam", g_nKeyId},   {"DateTextAlbumimage", g_nKeyId},
    {"DateTextRgpoint", g_nKeyId},   {"DateTextKestrumfolder", g_nKeyId},
    {"DateTextDriveMem", g_nKeyId},  {"DateTextProbe", g_nKeyId},
    {"DateTextOther", g_nKeyId}};
const SkinItemKey kTitleTextDate("TitleTextDate", g_nKeyId);
const SkinItemKey kTitleTextName("TitleTextName", g_nKeyId);
const SkinItemKey kTitleTextColor("TitleTextColor", g_nKeyId);
} // namespace SDInforWindowKey

namespace {

using namespace SDInforWindowKey;

const char kWindowTitle[] = "SDカード情報";
const char kDateFormat[] = "%04d/%02d/%02d  %02d:%02d";
const char kNoDate[] = "----/--/--  --:--";
const UINT kCentredLine = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

// The grid's columns: name, colour, date and a last one of 1 that closes the grid.
const int32_t kColumnWidths[] = {180, 60, 195, 1};

} // namespace

SDUsageBarLayout LayOutUsageBar(uint64_t capacity, uint64_t freeBytes,
                                const SDCategoryUsage (&usages)[SD_CATEGORY_COUNT],
                                const bool (&read)[SD_CATEGORY_COUNT])
{
    SDUsageBarLayout layout;
    if (capacity == 0) return layout;
    // The width of a share of the capacity; a share above it fills the bar (and cannot
    // overflow the product).
    auto widthOf = [capacity](uint64_t bytes) {
        if (bytes >= capacity) return static_cast<int64_t>(kSDBarWidth);
        return static_cast<int64_t>(bytes * static_cast<uint64_t>(kSDBarWidth) / capacity);
    };
    // A free figure above the capacity (a card changing under the queries) is no use at all.
    const uint64_t used = freeBytes >= capacity ? 0 : capacity - freeBytes;
    layout.m_bUsedLaid = true;
    layout.m_rcUsed = SkinRect{kSDBarLeft, kSDBarTop, kSDBarLeft + static_cast<int32_t>(widthOf(used)),
                               kSDBarBottom};
    int64_t x = kSDBarLeft;
    int64_t sum = 0;
    for (uint32_t kind = 0; kind < SD_CATEGORY_COUNT; ++kind) {
        if (!read[kind]) continue;
        const uint64_t size = usages[kind].m_ullTotalBytes;
        int64_t width = widthOf(size);
        if (width < kSDBarMinWidth && size > 0) width = kSDBarMinWidth;
        sum += width;
        if (sum > kSDBarWidth) width = std::max<int64_t>(width - (sum - kSDBarWidth), 0);
        layout.m_bSegmentLaid[kind] = true;
        layout.m_rcSegments[kind] = SkinRect{static_cast<int32_t>(x), kSDBarTop,
                                             static_cast<int32_t>(x + width), kSDBarBottom};
        x += width;
    }
    return layout;
}

std::string FormatUsageDate(const SYSTEMTIME& time)
{
    if (time.wYear == 0) return kNoDate;
    return lib::FormatString(kDateFormat, time.wYear, time.wMonth, time.wDay, time.wHour,
                             time.wMinute);
}

CSDInforWindow::CSDInforWindow(HWND owner)
    : Base(&kFrameOverlay, &kApplicationIcon, TOOL_SYSCOMMANDS_CLOSE_MOVE)
    , m_hOwner(owner)
    , m_pLogList(nullptr)
    , m_pLogListScrollBar(nullptr)
    , m_pMemoryText(nullptr)
    , m_pDateText()
    , m_pImageUseSize(nullptr)
    , m_pSegment()
    , m_pSDInfoMgr(new CSDInfoMgr)
{
    SetResizable(false);
}

CSDInforWindow::~CSDInforWindow()
{
    if (IsWindow()) DestroyWindow();
    delete m_pSDInfoMgr;
}

bool CSDInforWindow::Create()
{
    if (!CreateFromSkin(&CSDInforWindow::BuildFromSkin, &CSDInforWindow::CreateHidden)) {
        return false;
    }
    // Without a selected drive there is no root at all (":\\" would be the current drive's).
    const char drive = m_pSDInfoMgr->GetSelectedDrive();
    const std::string root = std::string(1, drive) + ":\\";
    if (drive == 0 || ::GetFileAttributesA(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
        PostMessage(WM_CLOSE, 0, 0);
    }
    ShowWindow(SW_SHOW);
    UpdateWindow();
    return true;
}

void CSDInforWindow::BuildFromSkin()
{
    SkinDefinition definition;
    LoadSkin(definition, "SDInforWindow.txt", kBase.m_strName.c_str(), true);
    AddResizableStaticImage(definition, kBackImage1);
    AddResizableStaticImage(definition, kBackImage2);
    AddButton(definition, kApplicationIcon, CAPTION_ROLE_NONE);
    CreateCenterStatic(kTitle.m_nId, GetSkinBlock(definition, kTitle.m_strName));
    AddButton(definition, kCloseButton, CAPTION_ROLE_CLOSE);
    AddButton(definition, kOKButton, CAPTION_ROLE_NONE);

    m_pLogListScrollBar = CreateScrollBar(kLogListScrollBar.m_nId,
                                          GetSkinBlock(definition, kLogListScrollBar.m_strName));
    m_pLogListScrollBar->SetVisible(false);
    m_pLogList = new CButtonListView(this, kLogList.m_nId,
                                     GetSkinBlock(definition, kLogList.m_strName),
                                     GetImageCache(), m_pLogListScrollBar, this);
    m_pLogList->SetFitColumns(true);
    m_pLogList->ShowHeader(true);
    for (int32_t width : kColumnWidths) {
        m_pLogList->AddColumn(std::string(), kCentredLine, width, true, false, false,
                              kCentredLine);
    }
    m_pLogList->SetTable(this);
    m_pLogList->RecalcColumns();
    m_pLogList->SetVisible(true);
    AddItem(m_pLogList);

    m_pMemoryText = AddStatic(definition, kMemoryText);
    m_pMemoryText->SetFormat(DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    const uint64_t capacity = m_pSDInfoMgr->GetTotalBytes();
    const uint64_t freeBytes = m_pSDInfoMgr->GetFreeBytes();
    const uint64_t used = freeBytes >= capacity ? 0 : capacity - freeBytes;
    m_pMemoryText->SetText("Total " + CSDInfoMgr::FormatSizeText(used) + "/" +
                           CSDInfoMgr::FormatSizeText(capacity));

    for (const SkinItemKey& key : kImage) AddResizableStaticImage(definition, key);
    for (const SkinItemKey& key : kImageIcon) AddStaticImage(definition, key);
    AddResizableStaticImage(definition, kImageBack);
    m_pImageUseSize = AddResizableStaticImage(definition, kImageUseSize);
    for (uint32_t kind = 0; kind < SD_CATEGORY_COUNT; ++kind) {
        m_pSegment[kind] = AddResizableStaticImage(definition, kSegment[kind]);
    }
    for (const SkinItemKey& key : kText) {
        CSkinWindowItemStatic* text = AddStatic(definition, key);
        text->SetFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    for (uint32_t kind = 0; kind < SD_LEGEND_COUNT; ++kind) {
        m_pDateText[kind] = AddStatic(definition, kDateText[kind]);
        m_pDateText[kind]->SetFormat(kCentredLine);
    }
    for (const SkinItemKey* key : {&kTitleTextDate, &kTitleTextName, &kTitleTextColor}) {
        AddStatic(definition, *key)->SetFormat(kCentredLine);
    }
    CreateFrameOverlay(definition);
    _UpdateUsage();
}

void CSDInforWindow::CreateHidden()
{
    const SkinSize size = GetDesignSize();
    Base::Create(0, nullptr, kWindowTitle, kStyle, 0, 0, size.cx, size.cy, m_hOwner, nullptr);
    if (!IsWindow()) return;
    EnableIME(false);
    // Over the main window when it is shown; a hidden owner gives the desktop's middle.
    CenterWindow(m_hOwner != nullptr && ::IsWindowVisible(m_hOwner) ? m_hOwner : nullptr);
}

void CSDInforWindow::_UpdateUsage()
{
    const uint64_t capacity = m_pSDInfoMgr->GetTotalBytes();
    const uint64_t freeBytes = m_pSDInfoMgr->GetFreeBytes();
    // Without a capacity the bar and the dates stay as the skin draws them.
    if (capacity == 0) return;
    SDCategoryUsage usages[SD_CATEGORY_COUNT];
    bool read[SD_CATEGORY_COUNT] = {};
    for (uint32_t kind = 0; kind < SD_CATEGORY_COUNT; ++kind) {
        read[kind] = m_pSDInfoMgr->GetCategoryUsage(usages[kind], kind);
        if (read[kind] && kind < SD_DATED_COUNT) {
            m_pDateText[kind]->SetText(FormatUsageDate(usages[kind].m_stNewest));
        }
    }
    ApplyLayout(LayOutUsageBar(capacity, freeBytes, usages, read));
}

void CSDInforWindow::ApplyLayout(const SDUsageBarLayout& layout)
{
    if (layout.m_bUsedLaid) m_pImageUseSize->SetRect(layout.m_rcUsed);
    for (uint32_t kind = 0; kind < SD_CATEGORY_COUNT; ++kind) {
        if (layout.m_bSegmentLaid[kind]) m_pSegment[kind]->SetRect(layout.m_rcSegments[kind]);
    }
}

// ---- the table ----

int32_t CSDInforWindow::GetRowCount(CButtonListView*) { return kGridRows; }
bool CSDInforWindow::IsRowActive(CButtonListView*, int32_t) { return false; }
bool CSDInforWindow::HasButton(CButtonListView*, int32_t, uint32_t) { return false; }
bool CSDInforWindow::IsButtonOn(CButtonListView*, int32_t, uint32_t) { return false; }
int32_t CSDInforWindow::GetButtonLabel(CButtonListView*, int32_t, uint32_t) { return -1; }

std::string CSDInforWindow::GetCellText(CButtonListView*, int32_t, int32_t,
                                        const ButtonListViewTextFit&)
{
    return std::string();
}

COLORREF CSDInforWindow::GetCellTextColor(CButtonListView*, int32_t, int32_t) { return kTextColor; }

std::string CSDInforWindow::GetCellToolTip(CButtonListView*, int32_t, int32_t)
{
    return std::string();
}

int32_t CSDInforWindow::GetMinColumnWidth(CButtonListView*) { return 0; }

std::wstring CSDInforWindow::GetCellTextW(CButtonListView*, int32_t, int32_t,
                                          const ButtonListViewTextFit&)
{
    return std::wstring();
}

bool CSDInforWindow::IsWideText(CButtonListView*) { return false; }

void CSDInforWindow::OnLayoutChanged(CButtonListView*) {}
void CSDInforWindow::OnPress(CButtonListView*, int32_t, int32_t, int32_t, bool) {}
void CSDInforWindow::OnDoubleClick(CButtonListView*, int32_t, int32_t, int32_t, bool) {}
void CSDInforWindow::OnButtonClick(CButtonListView*, int32_t, uint32_t) {}

// ---- window ----

UINT CSDInforWindow::GetOverlayMessage() { return kWindowOverlayMessage; }

void CSDInforWindow::OnCommand(UINT id, UINT code, HWND control)
{
    static const Command kCommands[] = {
        {&kCloseButton, &CSDInforWindow::PostClose},
        {&kOKButton, &CSDInforWindow::PostClose},
    };
    if (!RunCommand(kCommands, id)) Base::OnCommand(id, code, control);
}

void CSDInforWindow::OnClose()
{
    if (m_hOwner != nullptr) ::PostMessageA(m_hOwner, kChildClosedMessage, kChildCode, 0);
    Base::OnClose();
}

void CSDInforWindow::OnDestroy()
{
    if (m_hOwner != nullptr) {
        ::SetForegroundWindow(m_hOwner);
        ::SetActiveWindow(m_hOwner);
    }
    Base::OnDestroy();
}

void CSDInforWindow::OnEndSession(bool ending, LPARAM lParam)
{
    if (ending) {
        PostMessage(WM_CLOSE, 0, 0);
        if (m_hOwner != nullptr) ::PostMessageA(m_hOwner, WM_ENDSESSION, 1, lParam);
    }
    Base::OnEndSession(ending, lParam);
}

} // namespace ui
