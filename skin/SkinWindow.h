#pragma once
// The skinned top-level window on which every window of the launcher is built. Its whole
// client area is drawn by the window itself into a back buffer: a background image from the
// skin and, on top of it, an ordered list of items (skin/SkinWindowItem.h) built from the
// window's skin text. The buffer is copied to the screen on WM_PAINT and gives the window its
// shape: every pixel of the key colour 0xFF00FF is cut out of the window's region. The window
// routes mouse and keyboard input to its items, ticks them every 33 ms and shows their
// tooltips.
//
// Building a window:
//     CMyWindow window;                              // derives from CSkinWindow
//     SkinDefinition definition;
//     window.LoadSkin(definition, "MyWindow.txt", "Base", true);
//     window.AddStatic(definition, kTitleText);       // typed lookups, one per item kind
//     window.Create(0, className, title, WS_POPUP, x, y, width, height);
//
// Item kinds: each kind's typed lookup (AddXxx) and factory (CreateXxx) are declared here and
// defined in that kind's own source file, beside its class:
//     CSkinWindowItemStatic* CSkinWindow::AddStatic(const SkinDefinition& definition,
//                                                   const SkinItemKey& key)
//     {
//         return CreateStatic(key.m_nId, GetSkinBlock(definition, key.m_strName));
//     }
//     CSkinWindowItemStatic* CSkinWindow::CreateStatic(int32_t id, const SkinBlock& block)
//     {
//         return AdoptItem(new CSkinWindowItemStatic(this, id, block, GetImageCache()));
//     }

#include "lib/wfc/DC.h"
#include "lib/wfc/DIB.h"
#include "lib/wfc/RegionWindow.h"
#include "lib/wfc/TooltipActivator.h"
#include "skin/SkinDefinition.h"
#include "skin/SkinImageCache.h"
#include "skin/SkinItemKey.h"
#include "skin/SkinWindowItem.h"
#include "skin/SkinWindowItemAccessor.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class CSkinWindowItemAnimation;
class CSkinWindowItemButton;
class CSkinWindowItemDropWindow;
class CSkinWindowItemEditBox;
class CSkinWindowItemOverlay;
class CSkinWindowItemResizableStaticImage;
class CSkinWindowItemScrollBar;
class CSkinWindowItemStatic;
class CSkinWindowItemStaticChangeImage;
class CSkinWindowItemStaticImage;
class CSkinWindowItemToggleButton;

// The registered message that asks a skin window, from any sender, to lay itself out and
// redraw (wParam 0). Registered while the program's constants are built.
UINT GetSkinWindowInternalMessage();

// The timer of the 33 ms tick.
const UINT_PTR kSkinTickTimerId = static_cast<UINT_PTR>(-1);
const UINT kSkinTickPeriod = 33;
// The colour cut out of the window's region.
const COLORREF kSkinKeyColor = RGB(0xFF, 0x00, 0xFF);

// What a button is to the window besides a button.
enum CaptionRole : int32_t {
    CAPTION_ROLE_NONE = 0,
    CAPTION_ROLE_CLOSE = 1,
    CAPTION_ROLE_MINIMIZE = 2,
    CAPTION_ROLE_THIRD = 3,
};

class CSkinWindow : public lib::wfc::CRegionWindow,
                    protected ISkinWindowItemAccessor,
                    protected CSkinWindowItemTabAccessor {
public:
    CSkinWindow();
    ~CSkinWindow() override;

    // ---- window messages ----
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnCreate(CREATESTRUCTA* create) override;
    void OnDestroy() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnSetFocus(HWND previous) override;
    void OnKillFocus(HWND next) override;
    void OnPaint() override;
    bool OnSetCursor(LPARAM lParam) override;
    void OnMouseMove(UINT keys, int x, int y) override;
    void OnLButtonDown(UINT keys, int x, int y) override;
    void OnLButtonUp(UINT keys, int x, int y) override;
    void OnLButtonDblClk(UINT keys, int x, int y) override;
    void OnRButtonDown(UINT keys, int x, int y) override;
    void OnRButtonUp(UINT keys, int x, int y) override;
    void OnRButtonDblClk(UINT keys, int x, int y) override;
    void OnMouseLeave() override;
    void OnCaptureChanged(HWND gaining) override;
    bool OnNotify(WPARAM id, NMHDR* header, LRESULT* result) override;
    void OnDisplayChange(UINT bitsPerPixel, UINT width, UINT height) override;
    LRESULT OnNcHitTest(int x, int y) override;
    void OnNcMouseMove(UINT hit, int x, int y) override;
    void OnKeyDown(UINT key, LPARAM lParam) override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void OnTimer(UINT_PTR id) override;

    // ---- the skin window's own operations ----
    virtual CSkinImageRef GetActiveImage();
    virtual CSkinImageRef GetInactiveImage();
    virtual RECT GetImageCutRect();
    virtual SkinSize GetImageCutSize();
    // The size the skin was drawn for.
    virtual SkinSize GetDesignSize();
    virtual RECT GetMinTrackRect();
    // After the window ended an item's press (released or cancelled) and let the capture go.
    virtual void OnCaptureReleased();
    // Reads the window's own block.
    virtual void ApplySkin(const SkinBlock& block);
    virtual void DeleteAllItems();
    // Draws the image at (x, y) into the buffer, inside clip when given.
    virtual void DrawBackground(int x, int y, lib::wfc::CDIB& buffer, CSkinImageRef& image,
                                const RECT* clip);
    // Rebuilds the back buffer at the size (type as in WM_SIZE); true when anything changed.
    virtual bool UpdateBuffer(UINT type, int width, int height);
    // Enter (-1 from the keyboard, or an item's id) and Esc; application windows confirm or
    // close here.
    virtual void OnDefaultKey(int32_t id, bool enter);
    // True when the window takes a key an item forwards.
    virtual bool FilterKey(UINT key, LPARAM keyData);
    virtual void OnBeforeRelayout();

    // ---- what items ask (ISkinWindowItemAccessor, CSkinWindowItemTabAccessor) ----
    bool IsReady() override;
    CSkinWindowItem* FindItemFromPoint(int32_t x, int32_t y) override;
    SkinImageCache* GetImageCache() override;
    lib::wfc::CDIB* GetBackBuffer() override;
    void RedrawRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                    bool updateNow) override;
    bool PostItemCommand(int32_t id, int32_t event, LPARAM reserved) override;
    void NotifyEnter(int32_t id) override;
    void NotifyEscape(int32_t id) override;
    bool ForwardKey(UINT key, LPARAM keyData) override;
    LRESULT SendItemMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    CSkinWindowItem* GetCaptureItem() override;
    bool HasWindow() override;
    void SetTooltip(CSkinWindowItem* item) override;
    bool SuspendRedraw(bool suspend) override;
    CSkinWindowItem* GetItemById(int32_t id) override;
    void RefreshTooltips() override;

    // ---- building ----
    // Loads the skin text (cached per process), gives every block without "Font" the window
    // block's, and reads the window block; the definition is handed back for the items.
    void LoadSkin(SkinDefinition& definition, const char* skinName, const char* blockName,
                  bool region);
    // Takes ownership. An item with the same id is disposed of and the new one takes its place
    // in the drawing order; otherwise it goes last (drawn last, hit first).
    CSkinWindowItem* AddItem(CSkinWindowItem* item);
    // For each id, reads the check state and sets it: checked for `selected`, cleared for the
    // others. Ids that name no item are skipped.
    void CheckRadioButton(const int32_t* ids, size_t count, int32_t selected);
    // Posts the click of an enabled item of an enabled window, as if clicked.
    void ClickItem(int32_t id);
    static void CenterWindow(HWND window, HWND parent);
    using lib::wfc::CRegionWindow::CenterWindow;

    // Typed lookups: the key's block (a missing one raises the skin error), then the kind's
    // factory with the key's id. Each is defined with its item kind.
    CSkinWindowItemButton* AddButton(const SkinDefinition& definition, const SkinItemKey& key,
                                     int32_t role);
    CSkinWindowItemStatic* AddStatic(const SkinDefinition& definition, const SkinItemKey& key);
    CSkinWindowItemStaticImage* AddStaticImage(const SkinDefinition& definition,
                                               const SkinItemKey& key);
    CSkinWindowItemStaticChangeImage* AddStaticChangeImage(const SkinDefinition& definition,
                                                           const SkinItemKey& key);
    CSkinWindowItemAnimation* AddAnimation(const SkinDefinition& definition,
                                           const SkinItemKey& key);
    CSkinWindowItemEditBox* AddEditBox(const SkinDefinition& definition, const SkinItemKey& key);
    CSkinWindowItemToggleButton* AddToggleButton(const SkinDefinition& definition,
                                                 const SkinItemKey& key);
    CSkinWindowItemDropWindow* AddDropWindow(const SkinDefinition& definition,
                                             const SkinItemKey& key);
    CSkinWindowItemResizableStaticImage* AddResizableStaticImage(const SkinDefinition& definition,
                                                                 const SkinItemKey& key);

    // Factories: build the item with (this, id, block[, image cache]) and hand it to AddItem.
    // A button of a caption role also becomes the window's close, minimise or third button.
    CSkinWindowItemButton* CreateButton(int32_t id, const SkinBlock& block, int32_t role);
    CSkinWindowItemToggleButton* CreateToggleButton(int32_t id, const SkinBlock& block);
    CSkinWindowItemScrollBar* CreateScrollBar(int32_t id, const SkinBlock& block);
    CSkinWindowItemEditBox* CreateEditBox(int32_t id, const SkinBlock& block);
    CSkinWindowItemDropWindow* CreateDropWindow(int32_t id, const SkinBlock& block);
    CSkinWindowItemStatic* CreateStatic(int32_t id, const SkinBlock& block);
    // A static text centred both ways on one line (DrawText flags 37).
    CSkinWindowItemStatic* CreateCenterStatic(int32_t id, const SkinBlock& block);
    CSkinWindowItemStaticImage* CreateStaticImage(int32_t id, const SkinBlock& block);
    CSkinWindowItemStaticChangeImage* CreateStaticChangeImage(int32_t id, const SkinBlock& block);
    CSkinWindowItemResizableStaticImage* CreateResizableStaticImage(int32_t id,
                                                                    const SkinBlock& block);
    CSkinWindowItemAnimation* CreateAnimation(int32_t id, const SkinBlock& block);
    CSkinWindowItemOverlay* CreateOverlay(int32_t id, const SkinBlock& block);

    // ---- what the window shows ----
    const std::string& GetTitle() const { return m_strTitle; }
    int32_t GetCaptionHeight() const { return m_nCaptionHeight; }
    HFONT GetFont() const;
    HWND GetTooltipWindow() const { return m_hTooltip; }
    // The inactive look the caption buttons show.
    bool IsInactiveLook() const { return m_bInactiveLook; }
    SkinPoint GetItemOrigin() const { return m_ptItemOrigin; }
    const std::vector<CSkinWindowItem*>& GetItems() const { return m_vItem; }
    CSkinWindowItem* GetHotItem() const { return m_pHotItem; }
    CSkinWindowItem* GetFocusItem() const { return m_pFocusItem; }
    CSkinWindowItem* GetTooltipItem() const { return m_pTooltipItem; }

protected:
    // AddItem for a factory: answers the item as its own kind.
    template <class Item>
    Item* AdoptItem(Item* item)
    {
        AddItem(item);
        return item;
    }

    // The three caption buttons, set by the button factory.
    CSkinWindowItem* m_pCloseButton;
    CSkinWindowItem* m_pMinimizeButton;
    CSkinWindowItem* m_pThirdButton;

private:
    enum PressButton { PRESS_NONE = 0, PRESS_LEFT = 1, PRESS_RIGHT = 2 };

    void _Press(PressButton button, int x, int y, bool doubleClick);
    void _Release(PressButton button, int x, int y);
    // Ends a held press as a cancelled release at the cursor.
    void _CancelPress();
    void _RefreshLook(bool inactive);
    void _ApplyCaptionLook(bool inactive);
    // A new back buffer of the size, with the whole picture, the region and the tools.
    void _RebuildBuffer(int width, int height);
    void _RedrawAll();
    void _RebuildRegion();
    void _ApplyRegion();
    void _RefreshToolRects();
    void _CreateTooltip();
    void _DeleteTool(CSkinWindowItem* item);
    // The item's tool record, naming this window's tool of the item's id.
    TTTOOLINFOA& _ToolInfoOf(CSkinWindowItem* item);
    // Clears every pointer the window keeps to the item and lets its capture and tool go, so
    // that nothing reaches the item once it is deleted.
    void _Forget(CSkinWindowItem* item);
    void _SetHotItem(CSkinWindowItem* item, int x, int y);
    void _MoveFocus(CSkinWindowItem* item);
    void _DeleteItems();
    SkinSize _GetClientSize() const;
    POINT _GetCursorClientPoint() const;

    HWND m_hTooltip;
    lib::wfc::CTooltipActivator m_tooltipActivator;
    CSkinWindowItem* m_pTooltipItem;
    std::vector<CSkinWindowItem*> m_vItem;   // owned; drawing order, the reverse of hit order
    CSkinWindowItem* m_pCaptureItem;
    PressButton m_eCaptureButton;
    CSkinWindowItem* m_pHotItem;
    CSkinWindowItem* m_pFocusItem;
    std::unique_ptr<lib::wfc::CDIB> m_pBackBuffer;
    std::string m_strTitle;
    std::string m_strActiveImage;
    RECT m_rcImageCut;
    SkinPoint m_ptItemOrigin;
    std::string m_strInactiveImage;
    int32_t m_nCaptionHeight;
    bool m_bRedrawSuspended;
    bool m_bRegion;
    bool m_bInactiveLook;
    HRGN m_hRegion;
    std::unique_ptr<lib::wfc::CFont> m_pFont;
    std::unique_ptr<SkinImageCache> m_pImageCache;
};

} // namespace ui
