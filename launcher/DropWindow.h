#pragma once
// The small semi-transparent window onto which the user drops the web data archive
// "WEBDMDATA.ZIP" downloaded from the service's pages. It checks the file's name and the
// active card, asks before replacing data already on the card, unpacks the archive onto the
// card's root on a worker thread while an animation runs, and tells the user and the main
// window ("QZLDropWindow": 0 when an unpacking starts, 1 when it has ended) how it went.
//
//     ui::CDropWindow window(nullptr);   // the window to activate when it goes, or null
//     window.Create();                   // hidden; ShowWindow shows it; closing only hides it
//
// Only entries inside "WEBDMDATA" are unpacked: the archive comes from the web, and the
// unit's own files beside that folder must never be replaced. Skin "DropWindow.txt"; item
// ids are counted from 2000.

#include "launcher/ToolWindowBase.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

class CSkinWindowItemAnimation;
class CSkinWindowItemButton;
class CSkinWindowItemDropWindow;
class CSkinWindowItemStaticImage;

namespace DropWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kApplicationIcon;
extern const SkinItemKey kFrameOverlay;
extern const SkinItemKey kCloseButton;
extern const SkinItemKey kDropWindow;
extern const SkinItemKey kTextProgress;
extern const SkinItemKey kImageNormal;
extern const SkinItemKey kImageDragIn;
extern const SkinItemKey kImageAnimation;
} // namespace DropWindowKey

// Posted by the unzip thread to the drop window.
const UINT WM_DROP_UNZIP_FAILED = WM_USER + 0x1000;
const UINT WM_DROP_UNZIP_DONE = WM_USER + 0x1001;

class CDropWindow : public CToolWindowBase<CDropWindow> {
public:
    typedef CToolWindowBase<CDropWindow> Base;

    static const DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
    static const BYTE kAlpha = 242;
    // The archive's name (upper-cased) and the one folder its entries may fill.
    static const char kArchiveName[];
    static const char kDataFolder[];
    // The texts of its boxes: the overwrite question, the done and the failed notes.
    static const char kOverwriteText[];
    static const char kDoneText[];
    static const char kFailedText[];

    explicit CDropWindow(HWND activateOnDestroy);
    ~CDropWindow() override;

    // Loads the skin and creates the hidden layered window. False when it could not be made
    // (a skin error has then been shown).
    bool Create();
    // Sends "QZLDropWindow" with `state` to the window titled "Kestrum4 Launcher", if any.
    void NotifyLauncher(WPARAM state);

    // The worker: unpacks the job record's archive; posts the end message to the window.
    static DWORD WINAPI UnzipThreadProc(LPVOID parameter);

    bool IsDropAcceptable() const { return m_bDropAcceptable; }
    bool IsUnzipping() const { return m_hUnzipThread != nullptr; }
    CSkinWindowItemDropWindow* GetDropItem() const { return m_pDropWindow; }
    CSkinWindowItemStaticImage* GetDragInImage() const { return m_pImageDragIn; }
    CSkinWindowItemAnimation* GetAnimation() const { return m_pImageAnimation; }
    CSkinWindowItemButton* GetCloseButton() const { return m_pCloseButton; }

    // ---- window ----
    UINT GetOverlayMessage() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void OnClose() override;
    void OnDestroy() override;
    void OnDefaultKey(int32_t id, bool enter) override;

protected:
    // The steps of Create (the gallery shows them): the items, then the hidden window.
    void BuildFromSkin();
    void CreateHidden();

private:
    LRESULT _OnDragEnter(const std::vector<std::string>* files);
    LRESULT _OnDragOver(DWORD* effect);
    void _OnDragLeave();
    LRESULT _OnDrop(const std::vector<std::string>* files);
    void _OnUnzipEnd(bool done);
    // The thread is known to have ended or to be just ending: its handle goes.
    void _ReleaseThread();
    static bool _IsArchive(const std::vector<std::string>* files);
    static char _GetAcceptedCard();

    HWND m_hActivateWnd;
    CSkinWindowItemDropWindow* m_pDropWindow;
    CSkinWindowItemStaticImage* m_pImageNormal;
    CSkinWindowItemStaticImage* m_pImageDragIn;
    CSkinWindowItemAnimation* m_pImageAnimation;
    CSkinWindowItemButton* m_pCloseButton;
    bool m_bDropAcceptable;
    HANDLE m_hUnzipThread;
    HANDLE m_hAbortEvent;
    UINT m_uDropMessage;
};

} // namespace ui
