#pragma once
// Deletes the product's data from one card on a worker thread while an animated line shows
// that it works. Made by the settings window for the card the user confirmed, and run modally
// over it:
//
//     ui::CDelFileWindow window(settingsWindow, 'H');
//     window.Create();          // returns once the window is gone
//
// Before it starts it asks whether the camera unit's recordings ("VP_UNIT") go too, when that
// folder holds any data; Cancel there closes the window with nothing deleted and no result.
// The outcome reaches the owner as WM_DELFILE_FINISHED (wParam 0 or a Windows error code).
// Its Cancel only closes the window: the deletion goes on and its result still arrives. Only
// destroying the object aborts it (at the next folder, then nothing is posted).
// Its skin text is "DelFileWindow.txt"; ids are counted from 4000.

#include "launcher/ToolWindowBase.h"
#include "skin/SkinItemKey.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class CSkinWindowItemStatic;

namespace DelFileWindowKey {
extern const SkinItemKey kBase;
extern const SkinItemKey kCancelButton;
extern const SkinItemKey kBackImage;
extern const SkinItemKey kFrameOverlay;
extern const SkinItemKey kDelTextStatic;
} // namespace DelFileWindowKey

// The outcome, posted to the owner: wParam the result, lParam 0.
const UINT WM_DELFILE_FINISHED = WM_APP + 15;

class CDelFileWindow : public CToolWindowBase<CDelFileWindow> {
public:
    typedef CToolWindowBase<CDelFileWindow> Base;

    static const UINT_PTR TIMER_DELETE_ANIMATION = 2001;
    static const UINT kAnimationPeriodMs = 500;
    static const DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;
    // Posted by the worker to its window at its start (wParam 1) and end (wParam 0), so that
    // the animation's timer is set and killed by the window's own thread.
    static const UINT kAnimationMessage = WM_APP + 0x120;
    // What the worker ends with after an abort; it then posts nothing.
    static const uint32_t kAborted = 0xFF00;
    static const char kAbortEventName[];
    static const char kVideoQuestion[];

    // The card's drive letter is the one the user confirmed; the window deletes on it only.
    CDelFileWindow(HWND owner, char driveLetter);
    ~CDelFileWindow() override;

    // Builds and shows the window over its owner, starts the deletion and runs the modal loop
    // until the window is gone (a quit read on the way is posted again). A skin error raises
    // ui::CSkinWindowException.
    void Create();
    // Whether the worker has been started and has not ended yet.
    bool IsDeleting() const;
    // Sets the abort event, waits for the worker and closes its handle.
    void StopDeleteThread();

    uint32_t GetDots() const { return m_uDots; }
    int32_t GetVideoAnswer() const { return m_iVideoAnswer; }

    // ---- window ----
    UINT GetOverlayMessage() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    void OnEndSession(bool ending, LPARAM lParam) override;

protected:
    // The steps of Create before the loop.
    void BuildFromSkin();
    void CreateHiddenWindow();
    void StartDelete();
    // One step of the animation, as the timer makes it.
    void StepAnimation();

    // The deletion on the card of the given letter: 0 when everything listed was handled,
    // else the first failure's code (kAborted after an abort).
    uint32_t DeleteSDData(char driveLetter);
    // Deletes what the folder holds (the card's two kept files excepted) and, when asked,
    // the folder itself.
    uint32_t ClearSD(char driveLetter, const std::wstring& folder, bool removeFolder);

private:
    static DWORD WINAPI DeleteThreadProc(LPVOID parameter);
    uint32_t _RunDelete();
    bool _IsAborted() const;
    static std::wstring _CardPath(char driveLetter, const char* path);

    HWND m_hOwner;
    CSkinWindowItemStatic* m_pDelText;
    uint32_t m_uDots;
    HANDLE m_hDeleteThread;
    HANDLE m_hAbortEvent;
    int32_t m_iVideoAnswer;
    char m_chDrive;
    HWND m_hWorkerWindow;   // this window's handle as the worker posts to it
};

} // namespace ui
