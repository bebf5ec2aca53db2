#pragma once
// The top of every application window's stack:
//     ui::CFrameOverlayWindowBase<ui::CEndSessionWaitingWindow<ui::CResizableSkinWindow>>
// It lays a veil over the whole window (the frame overlay item of the window's skin text) and
// answers one window message, the overlay message, from any sender:
//
//     wParam  lParam   effect
//     0       not 0    the veil is shown (when the window has one and CanShowOverlay agrees)
//     0       0        the veil is hidden
//     1       -        a visible top-level window hides itself and remembers it did
//     2       -        a window hidden by 1 shows itself again, without activation
//
// Building (while the items are made, before Create):
//     namespace { uint16_t g_nKeyId = 2000; }
//     const ui::SkinItemKey kFrameOverlay("FrameOverlay", g_nKeyId);
//     CMyWindow::CMyWindow() : CFrameOverlayWindowBase(&kFrameOverlay) {}
//     ...
//     CreateFrameOverlay(definition);   // hidden, over the whole window at any size
// A created window always starts with its veil hidden.

#include "skin/LayoutManager.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinItemKey.h"
#include "skin/SkinLookup.h"
#include "skin/SkinWindowItemEditBox.h"
#include "skin/SkinWindowItemOverlay.h"
#include "skin/SkinWindowItemStatic.h"
#include "skin/SkinWindowItemStaticImage.h"

#include <windows.h>

namespace ui {

// The overlay messages: that of the launcher's application windows, and that of the skinned
// message boxes.
const UINT kWindowOverlayMessage = WM_APP + 1;
const UINT kMessageBoxOverlayMessage = WM_APP;

// The overlay message's wParam.
enum OverlayRequest : WPARAM {
    OVERLAY_SHOW_OR_HIDE = 0,   // lParam not 0: show the veil; 0: hide it
    OVERLAY_HIDE_WINDOW = 1,
    OVERLAY_RESTORE_WINDOW = 2,
};

namespace FrameOverlayWindowBase {

// What the overlay protocol remembers of the window itself.
class CBaseFunc {
public:
    CBaseFunc() : m_bHiddenByOverlay(false) {}
    virtual ~CBaseFunc() = default;

    bool m_bHiddenByOverlay;   // hidden by request 1, to be shown by request 2
};

} // namespace FrameOverlayWindowBase

template <class TBase>
class CFrameOverlayWindowBase : public TBase {
public:
    // The key of the window file's "FrameOverlay" block; it must outlive the window.
    explicit CFrameOverlayWindowBase(const SkinItemKey* frameOverlayKey)
        : m_baseFunc(), m_pFrameOverlayKey(frameOverlayKey), m_bHasOverlay(false)
    {
    }
    ~CFrameOverlayWindowBase() override = default;

    // The number of the overlay message: kWindowOverlayMessage or kMessageBoxOverlayMessage.
    virtual UINT GetOverlayMessage() = 0;
    // Whether a request to show the veil is granted.
    virtual bool CanShowOverlay() { return true; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == GetOverlayMessage()) _OnOverlayMessage(wParam, lParam);
        const LRESULT result = TBase::WindowProc(message, wParam, lParam);
        if (message == WM_CREATE && result != -1 && m_bHasOverlay) {
            this->PostMessage(GetOverlayMessage(), OVERLAY_SHOW_OR_HIDE, 0);
        }
        return result;
    }

    // The default close, shared by the windows that need no other: the window is destroyed.
    void OnClose() override { this->DefaultProc(); }

    // Makes the veil from the block the frame overlay key names: hidden, over the window's
    // design size, anchored to all four edges so that it covers the window at any size.
    CSkinWindowItemOverlay* CreateFrameOverlay(const SkinDefinition& definition)
    {
        const int32_t id = m_pFrameOverlayKey->m_nId;
        CSkinWindowItemOverlay* overlay =
            this->CreateOverlay(id, GetSkinBlock(definition, m_pFrameOverlayKey->m_strName));
        overlay->SetVisible(false);
        const SkinSize design = this->GetDesignSize();
        overlay->SetRect(SkinRect{0, 0, design.cx, design.cy});
        this->SetAnchor(id, ANCHOR_NEAR, ANCHOR_NEAR, ANCHOR_FAR, ANCHOR_FAR);
        m_bHasOverlay = true;
        return overlay;
    }

    bool HasOverlay() const { return m_bHasOverlay; }
    bool IsHiddenByOverlay() const { return m_baseFunc.m_bHiddenByOverlay; }

    // ---- helpers for window files: the item of the key, when it is of the kind; a key that
    // names no such item is passed over. The setters only store; the caller redraws. ----
    void SetStaticFormat(const SkinItemKey& key, UINT format)
    {
        CSkinWindowItemStatic* item = _Find<CSkinWindowItemStatic>(key);
        if (item != nullptr) item->SetFormat(format);
    }
    // 0 for a key that names no static text.
    UINT GetStaticFormat(const SkinItemKey& key)
    {
        CSkinWindowItemStatic* item = _Find<CSkinWindowItemStatic>(key);
        return item != nullptr ? item->GetFormat() : 0;
    }
    void SetStaticColor(const SkinItemKey& key, COLORREF color)
    {
        if (CSkinWindowItemStatic* item = _Find<CSkinWindowItemStatic>(key)) item->SetColor(color);
    }
    // Off lets the mouse through the image to the item beneath.
    void SetImageHitTest(const SkinItemKey& key, bool hitTest)
    {
        CSkinWindowItemStaticImage* item = _Find<CSkinWindowItemStaticImage>(key);
        if (item != nullptr) item->SetHitTest(hitTest);
    }
    // The keyboard focus to the edit box's control (nothing before the window is made).
    void SetEditFocus(const SkinItemKey& key)
    {
        if (CSkinWindowItemEditBox* item = _Find<CSkinWindowItemEditBox>(key)) item->SetFocus();
    }

private:
    template <class Item>
    Item* _Find(const SkinItemKey& key)
    {
        return dynamic_cast<Item*>(this->GetItemById(key.m_nId));
    }

    void _OnOverlayMessage(WPARAM request, LPARAM lParam)
    {
        switch (request) {
        case OVERLAY_SHOW_OR_HIDE: {
            if (!m_bHasOverlay) return;
            CSkinWindowItem* overlay = this->GetItemById(m_pFrameOverlayKey->m_nId);
            if (overlay == nullptr) return;
            if (lParam == 0) {
                overlay->SetVisible(false);
            } else if (CanShowOverlay()) {
                overlay->SetVisible(true);
            }
            return;
        }
        case OVERLAY_HIDE_WINDOW: {
            HWND hwnd = this->GetHwnd();
            const LONG_PTR style = ::GetWindowLongPtrA(hwnd, GWL_STYLE);
            if (!::IsWindowVisible(hwnd) || (style & WS_CHILD) != 0) return;
            this->ShowWindow(SW_HIDE);
            m_baseFunc.m_bHiddenByOverlay = true;
            return;
        }
        case OVERLAY_RESTORE_WINDOW:
            if (!m_baseFunc.m_bHiddenByOverlay) return;
            this->ShowWindow(SW_SHOWNA);
            m_baseFunc.m_bHiddenByOverlay = false;
            return;
        default:
            return;
        }
    }

    FrameOverlayWindowBase::CBaseFunc m_baseFunc;
    const SkinItemKey* m_pFrameOverlayKey;
    bool m_bHasOverlay;
};

} // namespace ui
