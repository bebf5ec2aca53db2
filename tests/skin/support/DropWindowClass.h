#pragma once
// The window class of the drop-target item's child window ("KESTRUMDROPWINDOW"), registered
// for test programs and the gallery as the launcher's start registers it: class style
// CS_HREDRAW | CS_VREDRAW, the arrow cursor, the window colour as background, and a window
// procedure standing in for the launcher's own, which ends the message loop on WM_DESTROY
// (PostQuitMessage(0)), only validates on WM_PAINT and leaves the rest to DefWindowProcA.

namespace skintest {

// Registers the class once per process; later calls do nothing.
void RegisterDropWindowClass();

} // namespace skintest
