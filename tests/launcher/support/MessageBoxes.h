#pragma once
// Finding and pressing the launcher's skinned message boxes. Every box goes through
// ShowMessageBox, which first logs "ShowMessageBox owner:%08X style:0x%08X <text>" (CR and LF
// of the text as "\r" and "\n"); a box is that line's visible top-level window of the
// logging process, owned by that owner, that appeared after the line.
//
// Across processes (the launcher's boxes): CLauncherRun::WaitForBox, then PressBox.
// In-process (a window's own boxes, whose modal loop runs in the test's thread): arm a
// CBoxPresser before the call that shows the box; its thread timer presses the button from
// inside the box's loop:
//
//     launchertest::CBoxPresser press(text, IDYES);
//     window.DoTheThingThatAsks();
//     EXPECT_TRUE(press.Pressed());
//     EXPECT_EQ(press.Box().uStyle, MB_YESNO | MB_ICONQUESTION);

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace launchertest {

struct ShownBox {
    uint32_t uOwner = 0;  // the owner's handle as logged (the desktop for the start's box)
    uint32_t uStyle = 0;
    std::string sText;    // as shown, CR and LF restored
    HWND hBox = nullptr;  // the box window; null when the line came without one

    bool Found() const { return hBox != nullptr; }
};

// The log's escape of a box text: CR as "\r", LF as "\n".
std::string EscapeBoxText(const std::string& text);

// The box lines one process writes to one log file, read in order from an offset.
class CBoxWatch {
public:
    CBoxWatch(const std::string& logPath, DWORD processId, size_t from);

    // Waits for the next box line after the last one found whose text is the text (any
    // box for an empty text), then for its window. The line's box, with a null window when
    // the time-out passed first (and an empty one when no line came).
    ShownBox WaitForBox(const std::string& text, DWORD timeoutMs);

    // The window of a box line that stands now, null when there is none.
    static HWND FindBoxWindow(DWORD processId, uint32_t owner);

private:
    std::string m_strLog;
    DWORD m_dwProcess;
    size_t m_uNext;
};

// This program's own box with the text (any box for an empty text) from the newest matching
// line of its log: for a timer or a second thread while the box's modal loop runs.
ShownBox WaitForBox(const std::string& text, DWORD timeoutMs);

// Posts the command of the box's button that gives the result (IDOK, IDCANCEL, IDYES, IDNO,
// IDRETRY; IDCANCEL is the close button where the box has no Cancel button), as a click of
// it does. False when the box has no such button or no window.
bool PressBox(const ShownBox& box, int result);

// Presses a box of this thread from a thread timer, which fires inside the box's modal
// loop. Should no box with the text come within the time-out, the newest box of this
// program is closed instead, so that the test fails rather than waits. One at a time.
class CBoxPresser {
public:
    CBoxPresser(const std::string& text, int result, DWORD timeoutMs = 60000);
    ~CBoxPresser();
    CBoxPresser(const CBoxPresser&) = delete;
    CBoxPresser& operator=(const CBoxPresser&) = delete;

    // The box, once it stands, is pressed only when `ready` (called on each tick, in this
    // thread, inside the box's loop) answers true: a step of the test that must happen while
    // the box is open.
    void PressWhen(std::function<bool()> ready) { m_fnReady = std::move(ready); }

    bool Pressed() const { return m_bPressed; }
    // The box pressed, or after the time-out the one closed instead.
    const ShownBox& Box() const { return m_box; }

private:
    static void CALLBACK _OnTimer(HWND, UINT, UINT_PTR id, DWORD);
    void _Tick();

    std::string m_strText;
    int m_iResult;
    DWORD m_dwTimeoutMs;
    DWORD m_dwStart;
    UINT_PTR m_uTimer;
    bool m_bPressed;
    ShownBox m_box;
    std::function<bool()> m_fnReady;
};

} // namespace launchertest
