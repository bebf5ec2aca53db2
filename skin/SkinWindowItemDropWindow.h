#pragma once
// The item that accepts files dragged from the shell onto a rectangle of a skin window. It
// owns an invisible child window of the class "KESTRUMDROPWINDOW" (registered by the
// program's start) at its rectangle, registers it as an OLE drop target, and turns each drag
// event into a message sent to the skin window that holds it; that window decides whether
// the files are welcome and what a drop does. It draws nothing.
//
// Skin block:
//     Position = x, y;  Size = width, height;
//
// The holder's side, in its window procedure:
//     case ui::WM_SKINITEM_DRAGENTER: {
//         const auto* files = reinterpret_cast<const std::vector<std::string>*>(wParam);
//         return files->size() == 1 && IsArchive(files->front());   // non-zero: accepted
//     }
//     case ui::WM_SKINITEM_DRAGOVER:
//         *reinterpret_cast<DWORD*>(lParam) = DROPEFFECT_COPY;
//         return 1;                       // 0 shows the "not allowed" cursor
//     case ui::WM_SKINITEM_DROP: ... copy the list; set *effect; return S_OK;
// A holder that refuses the enter hears nothing more of that drag.
//
// Two owners hold the item: its window's item list and OLE's references to it as a drop
// target (the registration, and a drag under way). The window lets go of it with Dispose,
// which revokes the registration, destroys the child window, ends the item's use of OLE and
// releases the item's own reference; the last Release frees it, at once or when OLE lets go.
// From Dispose on, its drop target answers every drag with "no drop" and sends nothing.

#include "lib/DropTarget.h"
#include "lib/wfc/Window.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinWindowItem.h"

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

// Sent (SendMessageA) to the holder, with pointer-sized parameters.
// wParam: const std::vector<std::string>* (the dropped paths, in the order of the drop; empty
// when the data holds no file list); lParam 0. A non-zero reply accepts the drag.
const UINT WM_SKINITEM_DRAGENTER = 0x8880;
// wParam 0; lParam: DWORD* drop effect, which the holder may set. A non-zero reply is the
// result; a zero reply shows the "not allowed" cursor.
const UINT WM_SKINITEM_DRAGOVER = 0x8881;
// wParam 0, lParam 0; the reply is not read.
const UINT WM_SKINITEM_DRAGLEAVE = 0x8882;
// wParam: const std::vector<std::string>*; lParam: DWORD* drop effect. The reply is the
// drop's result. The list lives only for the send: the holder copies what it keeps.
const UINT WM_SKINITEM_DROP = 0x8883;

// The class of the item's child window.
const char kDropWindowClassName[] = "KESTRUMDROPWINDOW";

class CSkinWindowItemDropWindow : public CSkinWindowItem,
                                  public lib::CDropTargetImpl,
                                  private lib::wfc::CWindow {
public:
    // Reads and checks the block; a skin error ends the window's construction.
    CSkinWindowItemDropWindow(ISkinWindowItemAccessor* accessor, int32_t id,
                              const SkinBlock& block, SkinImageCache* cache);
    // Reached through the last Release (Dispose releases the item's own reference).
    ~CSkinWindowItemDropWindow() override;

    void Dispose() override;
    // Creates the child window at the item's rectangle (throws lib::wfc::bad_alloc when it
    // cannot be made), turns its input method off, starts OLE for the thread and registers
    // the child as the drop target. A failed registration leaves an item that takes no drops.
    void OnAttach(HWND window, int originX, int originY) override;
    void Draw() override;
    // Position and size from the rectangle; the child window follows, repainted.
    void SetRect(const SkinRect& rect) override;

    // OLE's calls hold a reference for their whole length: the holder may dispose of the item
    // while it answers one of the messages.
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL pt,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL pt, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL pt,
                                   DWORD* effect) override;

    // The drop target's hooks: each sends its message to the holder.
    bool IsAcceptable(IDataObject* data) override;
    HRESULT OnDragOver(DWORD keyState, LONG x, LONG y, DWORD* effect) override;
    void OnDragLeave() override;
    HRESULT OnDrop(IDataObject* data, DWORD keyState, LONG x, LONG y, DWORD* effect) override;

    // The child window; null before OnAttach, after Dispose and once its parent is gone.
    HWND GetDropWindow() const { return GetHwnd(); }

private:
    // The child's WM_DESTROY (its parent going, or Dispose): the registration goes while the
    // window still exists. The class procedure does not see it: the launcher's ends the
    // program's message loop on WM_DESTROY.
    void OnDestroy() override;

    // Everything Dispose cuts before the last reference goes; safe to repeat.
    void _Detach();
    // The holder's answer, or 0 once detached or without a child window.
    LRESULT _SendToHolder(UINT message, WPARAM wParam, LPARAM lParam);

    bool m_bDetached;
    bool m_bOleInitialized;   // OleInitialize answered S_OK or S_FALSE and is not yet undone
};

} // namespace ui
