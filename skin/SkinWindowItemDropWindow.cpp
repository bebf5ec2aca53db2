#include "skin/SkinWindowItemDropWindow.h"

#include "lib/TolveLog.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinKeywordTable.h"
#include "skin/SkinLookup.h"
#include "skin/SkinValue.h"
#include "skin/SkinWindow.h"

namespace ui {

namespace {

const DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP;

// Holds a reference for one call of OLE's.
class CHoldReference {
public:
    explicit CHoldReference(IUnknown* object) : m_pObject(object) { m_pObject->AddRef(); }
    ~CHoldReference() { m_pObject->Release(); }
    CHoldReference(const CHoldReference&) = delete;
    CHoldReference& operator=(const CHoldReference&) = delete;

private:
    IUnknown* m_pObject;
};

} // namespace

CSkinWindowItemDropWindow::CSkinWindowItemDropWindow(ISkinWindowItemAccessor* accessor,
                                                     int32_t id, const SkinBlock& block,
                                                     SkinImageCache*)
    : CSkinWindowItem(accessor, id)
    , m_bDetached(false)
    , m_bOleInitialized(false)
{
    CheckKeywordGroup(block, DropWindowKeywords(), keyword::kDropWindowRequired);
    const RECT rect =
        ToRectFromPositionSize(block.m_mapKeyword.at("Position"), block.m_mapKeyword.at("Size"));
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
}

CSkinWindowItemDropWindow::~CSkinWindowItemDropWindow()
{
    _Detach();
}

void CSkinWindowItemDropWindow::Dispose()
{
    _Detach();
    // The item's own reference; OLE may still hold one during a drag.
    Release();
}

void CSkinWindowItemDropWindow::OnAttach(HWND window, int, int)
{
    if (m_bDetached) return;
    // A window made again gets a new child; one still standing goes first.
    if (IsWindow()) DestroyWindow();
    if (GetHwnd() != nullptr) Detach();

    const SkinRect rect = GetRect();
    HWND child = lib::wfc::CreateWindowExChecked(
        WS_EX_TRANSPARENT, kDropWindowClassName, nullptr, kChildStyle, rect.left, rect.top,
        rect.Width(), rect.Height(), window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetId())));
    Attach(child);
    EnableIME(false);
    if (!m_bOleInitialized) {
        const HRESULT hr = ::OleInitialize(nullptr);
        // Only a start that counted (S_FALSE: OLE was already started here) is undone later.
        m_bOleInitialized = hr == S_OK || hr == S_FALSE;
        if (!m_bOleInitialized) {
            TOLVE_LOG(LOG_ERROR, "OleInitialize ERR:0x%08lX", static_cast<unsigned long>(hr));
        }
    }
    Register(child);
}

void CSkinWindowItemDropWindow::Draw() {}

void CSkinWindowItemDropWindow::SetRect(const SkinRect& rect)
{
    SetBounds(rect.left, rect.top, rect.right, rect.bottom);
    if (IsWindow()) MoveWindow(rect.left, rect.top, rect.Width(), rect.Height(), true);
}

HRESULT CSkinWindowItemDropWindow::DragEnter(IDataObject* data, DWORD keyState, POINTL pt,
                                             DWORD* effect)
{
    CHoldReference hold(this);
    return CDropTargetImpl::DragEnter(data, keyState, pt, effect);
}

HRESULT CSkinWindowItemDropWindow::DragOver(DWORD keyState, POINTL pt, DWORD* effect)
{
    CHoldReference hold(this);
    return CDropTargetImpl::DragOver(keyState, pt, effect);
}

HRESULT CSkinWindowItemDropWindow::DragLeave()
{
    CHoldReference hold(this);
    return CDropTargetImpl::DragLeave();
}

HRESULT CSkinWindowItemDropWindow::Drop(IDataObject* data, DWORD keyState, POINTL pt,
                                        DWORD* effect)
{
    CHoldReference hold(this);
    return CDropTargetImpl::Drop(data, keyState, pt, effect);
}

bool CSkinWindowItemDropWindow::IsAcceptable(IDataObject* data)
{
    if (m_bDetached) return false;
    std::vector<std::string> files;
    // Data without a file list gives an empty list; the holder decides.
    lib::GetDroppedFiles(data, files);
    return _SendToHolder(WM_SKINITEM_DRAGENTER, reinterpret_cast<WPARAM>(&files), 0) != 0;
}

HRESULT CSkinWindowItemDropWindow::OnDragOver(DWORD, LONG, LONG, DWORD* effect)
{
    if (m_bDetached) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    const LRESULT reply = _SendToHolder(WM_SKINITEM_DRAGOVER, 0, reinterpret_cast<LPARAM>(effect));
    if (reply != 0) return static_cast<HRESULT>(reply);
    // The effect stays as the holder left it.
    ::SetCursor(::LoadCursorA(nullptr, IDC_NO));
    return S_OK;
}

void CSkinWindowItemDropWindow::OnDragLeave()
{
    if (m_bDetached) return;
    _SendToHolder(WM_SKINITEM_DRAGLEAVE, 0, 0);
}

HRESULT CSkinWindowItemDropWindow::OnDrop(IDataObject* data, DWORD, LONG, LONG, DWORD* effect)
{
    if (m_bDetached) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    std::vector<std::string> files;
    lib::GetDroppedFiles(data, files);
    return static_cast<HRESULT>(_SendToHolder(WM_SKINITEM_DROP, reinterpret_cast<WPARAM>(&files),
                                              reinterpret_cast<LPARAM>(effect)));
}

void CSkinWindowItemDropWindow::OnDestroy()
{
    Revoke();
}

void CSkinWindowItemDropWindow::_Detach()
{
    m_bDetached = true;
    m_bAccepted = false;
    Revoke();
    if (m_pDropTargetHelper != nullptr) {
        m_pDropTargetHelper->Release();
        m_pDropTargetHelper = nullptr;
    }
    if (IsWindow()) DestroyWindow();
    if (GetHwnd() != nullptr) Detach();
    if (m_bOleInitialized) {
        m_bOleInitialized = false;
        ::OleUninitialize();
    }
}

LRESULT CSkinWindowItemDropWindow::_SendToHolder(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_bDetached || !IsWindow()) return 0;
    HWND holder = GetParent();
    return holder != nullptr ? ::SendMessageA(holder, message, wParam, lParam) : 0;
}

// ---- the window's lookup and factory ----

CSkinWindowItemDropWindow* CSkinWindow::AddDropWindow(const SkinDefinition& definition,
                                                      const SkinItemKey& key)
{
    return CreateDropWindow(key.m_nId, GetSkinBlock(definition, key.m_strName));
}

CSkinWindowItemDropWindow* CSkinWindow::CreateDropWindow(int32_t id, const SkinBlock& block)
{
    return AdoptItem(new CSkinWindowItemDropWindow(this, id, block, GetImageCache()));
}

} // namespace ui
