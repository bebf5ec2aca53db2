#include "lib/DropTarget.h"

#include "lib/StringUtility.h"
#include "lib/TolveLog.h"

#include <cstring>
#include <cwchar>
#include <new>

namespace lib {

CDropTargetImpl::CDropTargetImpl()
    : m_bAccepted(false)
    , m_hWnd(nullptr)
    , m_pDropTargetHelper(nullptr)
{
}

CDropTargetImpl::~CDropTargetImpl()
{
    if (m_pDropTargetHelper != nullptr) {
        m_pDropTargetHelper->Release();
        m_pDropTargetHelper = nullptr;
    }
}

POINT CDropTargetImpl::_ToClient(const POINTL& pt) const
{
    POINT point = {pt.x, pt.y};
    if (m_hWnd != nullptr) {
        ::ScreenToClient(m_hWnd, &point);
    }
    return point;
}

HRESULT CDropTargetImpl::DragEnter(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect)
{
    if (data == nullptr || effect == nullptr) {
        return E_INVALIDARG;
    }
    POINT screenPoint = {pt.x, pt.y};
    if (m_pDropTargetHelper != nullptr) {
        m_pDropTargetHelper->DragEnter(m_hWnd, data, &screenPoint, *effect);
    }
    m_bAccepted = IsAcceptable(data);
    if (!m_bAccepted) {
        *effect = DROPEFFECT_NONE;
    } else {
        POINT point = _ToClient(pt);
        OnDragOver(keyState, point.x, point.y, effect);
    }
    return S_OK;
}

HRESULT CDropTargetImpl::DragOver(DWORD keyState, POINTL pt, DWORD* effect)
{
    if (effect == nullptr) {
        return E_INVALIDARG;
    }
    POINT screenPoint = {pt.x, pt.y};
    if (m_pDropTargetHelper != nullptr) {
        m_pDropTargetHelper->DragOver(&screenPoint, *effect);
    }
    if (!m_bAccepted) {
        *effect = DROPEFFECT_NONE;
    } else {
        POINT point = _ToClient(pt);
        OnDragOver(keyState, point.x, point.y, effect);
    }
    return S_OK;
}

HRESULT CDropTargetImpl::DragLeave()
{
    if (m_pDropTargetHelper != nullptr) {
        m_pDropTargetHelper->DragLeave();
    }
    if (m_bAccepted) {
        OnDragLeave();
    }
    return S_OK;
}

HRESULT CDropTargetImpl::Drop(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect)
{
    if (data == nullptr || effect == nullptr) {
        return E_INVALIDARG;
    }
    POINT screenPoint = {pt.x, pt.y};
    if (m_pDropTargetHelper != nullptr) {
        m_pDropTargetHelper->Drop(data, &screenPoint, *effect);
    }
    if (!m_bAccepted) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    POINT point = _ToClient(pt);
    // The subclass settles the final effect for the drop point before it takes the data.
    OnDragOver(keyState, point.x, point.y, effect);
    return OnDrop(data, keyState, point.x, point.y, effect);
}

HRESULT CDropTargetImpl::Register(HWND window)
{
    // A helper of an earlier call goes first, also when that call's registration failed and
    // left no window: the helper made below would otherwise take its place unreleased.
    if (m_pDropTargetHelper != nullptr) {
        m_pDropTargetHelper->Release();
        m_pDropTargetHelper = nullptr;
    }
    Revoke();
    HRESULT hr = ::RegisterDragDrop(window, this);
    if (FAILED(hr)) {
        TOLVE_LOG(LOG_ERROR, "RegisterDragDrop ERR:0x%08lX", static_cast<unsigned long>(hr));
    } else {
        m_hWnd = window;
    }
    // Without the helper only the drag image is missing.
    HRESULT created = ::CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IDropTargetHelper,
                                         reinterpret_cast<void**>(&m_pDropTargetHelper));
    if (FAILED(created)) {
        TOLVE_LOG(LOG_ERROR, "CoCreateInstance(DragDropHelper) ERR:0x%08lX",
                  static_cast<unsigned long>(created));
        m_pDropTargetHelper = nullptr;
    }
    return hr;
}

void CDropTargetImpl::Revoke()
{
    if (m_hWnd == nullptr) return;
    HRESULT revoked = ::RevokeDragDrop(m_hWnd);
    if (FAILED(revoked)) {
        TOLVE_LOG(LOG_ERROR, "RevokeDragDrop ERR:0x%08lX", static_cast<unsigned long>(revoked));
    }
    m_hWnd = nullptr;
}

namespace {

// Appends the names of a list of zero-terminated names ended by an empty one. text holds
// count units followed by at least one zero unit, so no scan can leave it; a name that runs
// into the end of the block is damage and ends the walk.
template <class TChar, class TAppend>
bool WalkNameList(const TChar* text, size_t count, TAppend append)
{
    size_t position = 0;
    while (position < count) {
        size_t length = 0;
        while (text[position + length] != 0) {
            ++length;
        }
        if (length == 0) {
            return true;
        }
        if (position + length >= count) {
            return false;
        }
        append(text + position, length);
        position += length + 1;
    }
    // Every name ended inside the block, only the closing empty name is missing.
    return true;
}

} // namespace

HRESULT GetDroppedFiles(IDataObject* data, std::vector<std::string>& files)
{
    if (data == nullptr) {
        return E_INVALIDARG;
    }
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    HRESULT hr = data->GetData(&format, &medium);
    if (FAILED(hr)) {
        // Nothing was handed over, so there is nothing to release.
        TOLVE_LOG(LOG_ERROR, "GetData(CF_HDROP) ERR:0x%08lX", static_cast<unsigned long>(hr));
        return hr;
    }
    if (medium.tymed != TYMED_HGLOBAL || medium.hGlobal == nullptr) {
        TOLVE_LOG(LOG_ERROR, "GetData(CF_HDROP) unexpected medium tymed:%lu",
                  static_cast<unsigned long>(medium.tymed));
        ::ReleaseStgMedium(&medium);
        return DV_E_TYMED;
    }

    // The block may come from another process: work on a private copy, followed by a zero
    // wide character so that no name can run past it.
    const size_t size = ::GlobalSize(medium.hGlobal);
    if (size < sizeof(DROPFILES)) {
        TOLVE_LOG(LOG_ERROR, "GetDroppedFiles block of %lu bytes", static_cast<unsigned long>(size));
        ::ReleaseStgMedium(&medium);
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    std::vector<char> block;
    try {
        block.assign(size + sizeof(wchar_t), 0);
    } catch (const std::bad_alloc&) {
        TOLVE_LOG(LOG_ERROR, "GetDroppedFiles no memory for %lu bytes",
                  static_cast<unsigned long>(size));
        ::ReleaseStgMedium(&medium);
        return E_OUTOFMEMORY;
    }
    const void* source = ::GlobalLock(medium.hGlobal);
    if (source == nullptr) {
        DWORD error = ::GetLastError();
        TOLVE_LOG(LOG_ERROR, "GlobalLock ERR:%lu", error);
        ::ReleaseStgMedium(&medium);
        return HRESULT_FROM_WIN32(error);
    }
    std::memcpy(block.data(), source, size);
    ::GlobalUnlock(medium.hGlobal);
    ::ReleaseStgMedium(&medium);

    DROPFILES header;
    std::memcpy(&header, block.data(), sizeof(header));
    if (header.pFiles < sizeof(header) || header.pFiles > size) {
        TOLVE_LOG(LOG_ERROR, "GetDroppedFiles list offset %lu in %lu bytes",
                  static_cast<unsigned long>(header.pFiles), static_cast<unsigned long>(size));
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }

    bool intact;
    if (header.fWide) {
        // Copied out so that an odd list offset does not give unaligned wide characters.
        const size_t count = (size - header.pFiles) / sizeof(wchar_t);
        std::wstring list(count, L'\0');
        std::memcpy(&list[0], block.data() + header.pFiles, count * sizeof(wchar_t));
        intact = WalkNameList(list.c_str(), count, [&files](const wchar_t* name, size_t length) {
            files.push_back(WStringToString(std::wstring(name, length)));
        });
    } else {
        const size_t count = size - header.pFiles;
        intact = WalkNameList(block.data() + header.pFiles, count,
                              [&files](const char* name, size_t length) {
                                  files.push_back(std::string(name, length));
                              });
    }
    if (!intact) {
        TOLVE_LOG(LOG_ERROR, "GetDroppedFiles name runs past the end of %lu bytes",
                  static_cast<unsigned long>(size));
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    return S_OK;
}

} // namespace lib
