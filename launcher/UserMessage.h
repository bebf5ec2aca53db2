#pragma once
// The user message catalogue and the launcher's common message box. A result code of a job,
// a service or a window turns into the Japanese text the user sees, ending in the code itself
// so that the support centre can be quoted it:
//
//     uint32_t style = 0;
//     const std::string text = GetUserMessage(code, style, subCode);
//     if (!text.empty()) ShowMessageBox(window, text, style);
//
// Code: category in bits 24-31, detail in bits 0-23. An empty text means the catalogue holds
// nothing to show for the code; the caller then shows nothing.

#include <windows.h>

#include <cstdint>
#include <string>

// The text for the code, or an empty text. style becomes MB_ICONWARNING (0x30) whenever the
// lookup runs, that is for every code but a detail of 0 outside category 39, where it is left
// as the caller set it. A text with a message-code line carries the code as eight upper-case
// hexadecimal digits, followed by "-" and subCode in hexadecimal when subCode is not 0.
std::string GetUserMessage(uint32_t code, uint32_t& style, int32_t subCode);

// Shows the text in the skinned message box owned by the window, with the style less
// MB_ICONINFORMATION (0x40), and answers the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
// The window is raised to the top of the Z order first (not moved, not sized), unless it is
// the desktop, whose box is a top-level box of its own. Before the box shows, one line
// "ShowMessageBox owner:%08X style:0x%08X %s" is logged with the window, the style as given
// and the text, CR and LF written as "\r" and "\n", so that the line stays one line.
int ShowMessageBox(HWND window, const std::string& text, UINT style);
