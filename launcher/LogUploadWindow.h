#pragma once
// The first window of the launcher's start chain: asks the support service whether it wants
// this PC's logs (hidden meanwhile), asks the user for consent, runs the upload on the worker
// of CAplLogUpload with a progress bar, and tells the result. However it ends, its WM_CLOSE
// posts WM_LAUNCHER_LOGUPLOAD_DONE to the owner, which goes on with the version check and
// keeps the object until the owner itself goes.
//
//     ui::CLogUploadWindow window(owner);
//     window.SetLogUploadInfo(deviceNo, ccid, userAgent);
//     window.Create(owner);          // hidden; shown only after the user's consent
//
// The bar is not tied to the upload: it moves one point every 50 ms, waits at 95 until the
// worker reports, then runs on to 100 and shows the outcome. Skin "LogUploadWindow.txt";
// item ids are counted from 4000.

#include "launcher/ToolWindowBase.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemButton;
class CSkinWindowItemStatic;
class CSkinWindowItemStaticImage;

namespace LogUploadWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kCancelButton;
extern const SkinItemKey kBackImage;
extern const SkinItemKey kImageBack;
extern const SkinItemKey kImageBar;
extern const SkinItemKey kTextStatic;
extern const SkinItemKey kPercentTextStatic;
extern const SkinItemKey kFrameOverlay;
} // namespace LogUploadWindowKey

class CLogUploadWindow : public CToolWindowBase<CLogUploadWindow> {
public:
    typedef CToolWindowBase<CLogUploadWindow> Base;

    // The progress timer, its period, where the bar waits for the worker, and the bar's
    // full width.
    static constexpr UINT_PTR kProgressTimer = 2001;
    static constexpr UINT kProgressPeriodMs = 50;
    static constexpr uint32_t kWaitPercent = 95;
    static constexpr int32_t kBarWidth = 280;
    // Put into the top byte of every result this window stores.
    static constexpr uint32_t kResultCategory = 0x27000000;

    explicit CLogUploadWindow(HWND owner);
    ~CLogUploadWindow() override;

    // The card's data the upload sends. Each bad value is logged and nothing is stored.
    void SetLogUploadInfo(const char* deviceNo, uint32_t ccid, const char* userAgent);
    // Builds the window hidden and starts the permission check. False when the window could
    // not be made (a skin error has then been shown).
    bool Create(HWND owner);

    uint32_t GetPercent() const { return m_uPercent; }
    bool IsFinished() const { return m_bFinished; }
    uint32_t GetResult() const { return m_uResult; }
    CSkinWindowItemButton* GetCancelButton() const { return m_pCancelButton; }
    CSkinWindowItemStatic* GetTextItem() const { return m_pTextStatic; }
    CSkinWindowItemStatic* GetPercentItem() const { return m_pPercentTextStatic; }
    CSkinWindowItemStaticImage* GetBarItem() const { return m_pImageBar; }
    CSkinWindowItemStaticImage* GetTrackItem() const { return m_pImageBack; }

    // ---- window ----
    UINT GetOverlayMessage() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    void OnClose() override;
    void OnDestroy() override;

protected:
    // The steps of Create before the permission check (the gallery shows them).
    // Loads the skin text and makes every item.
    void BuildFromSkin();
    // Makes the hidden window with its first texts.
    void CreateHidden(HWND owner);
    // The bar, its figure and the look at a percent.
    void ShowPercent(uint32_t percent);
    // The end look: track and bar gone, "OK", the outcome line.
    void ShowOutcome(bool failed);

private:
    // Starts the worker of the kind; a refused start is reported to this window as the
    // worker would report a failure.
    void _StartUpload(UINT message, int32_t kind);
    void _OnCheckPermission(WPARAM result);
    void _OnProgressTimer();
    void _Result(WPARAM wParam, LPARAM lParam);
    void _DeleteUpload();

    HWND m_hOwnerWnd;
    CSkinWindowItemStatic* m_pPercentTextStatic;
    CSkinWindowItemStatic* m_pTextStatic;
    CSkinWindowItemButton* m_pCancelButton;
    CSkinWindowItemStaticImage* m_pImageBar;
    CSkinWindowItemStaticImage* m_pImageBack;
    std::string m_strDeviceNo;
    uint32_t m_uCcid;
    std::string m_strUserAgent;
    uint32_t m_uPercent;
    bool m_bFinished;
    uint32_t m_uResult;
    bool m_bUploadDeleted;
};

} // namespace ui
