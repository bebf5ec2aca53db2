#pragma once
// The base of the launcher's tool windows: the application window stack, and what its tool
// windows handle alike. Each window keeps its own command table; the base runs it, gives the
// system commands of the window's menu back to the window, closes the window on a double
// click of its application icon, and hands the scroll bar's WM_VSCROLL to its list.
//
//     class CSDInforWindow : public ui::CToolWindowBase<CSDInforWindow> { ... };
//     CSDInforWindow::CSDInforWindow(HWND owner)
//         : Base(&kFrameOverlay, &kApplicationIcon, TOOL_SYSCOMMANDS_CLOSE_MOVE) {}
//     void CSDInforWindow::OnCommand(UINT id, UINT code, HWND control)
//     {
//         static const Command kCommands[] = {{&kCloseButton, &CSDInforWindow::PostClose}};
//         if (!RunCommand(kCommands, id)) Base::OnCommand(id, code, control);
//     }

#include "skin/ButtonListView.h"
#include "skin/EndSessionWaitingWindow.h"
#include "skin/FrameOverlayWindowBase.h"
#include "skin/ResizableSkinWindow.h"
#include "skin/SkinException.h"
#include "skin/SkinItemKey.h"
#include "skin/SkinWindowItem.h"
#include "skin/WindowBase.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace ui {

// The system commands (the window menu's close, move and minimise) a tool window takes: it
// posts them to itself as WM_SYSCOMMAND, so that they run after the command's own handling.
enum ToolSystemCommands {
    TOOL_SYSCOMMANDS_NONE,
    TOOL_SYSCOMMANDS_CLOSE_MOVE,
    TOOL_SYSCOMMANDS_CLOSE_MOVE_MINIMIZE,
};

template <class TWindow>
class CToolWindowBase
    : public CFrameOverlayWindowBase<CEndSessionWaitingWindow<CResizableSkinWindow>>,
      public CWindowBase {
public:
    typedef CFrameOverlayWindowBase<CEndSessionWaitingWindow<CResizableSkinWindow>> Stack;

    // A row of a window's command table: the item whose command it is and its handler, which
    // takes the command's id or nothing.
    template <class THandler>
    struct CommandRow {
        const SkinItemKey* m_pKey;
        THandler m_pfnHandler;
    };
    typedef CommandRow<void (TWindow::*)()> Command;
    typedef CommandRow<void (TWindow::*)(UINT)> CommandWithId;

    // closingIcon: the icon whose double click closes the window, or null for none.
    CToolWindowBase(const SkinItemKey* frameOverlayKey, const SkinItemKey* closingIcon,
                    ToolSystemCommands systemCommands)
        : Stack(frameOverlayKey), m_pClosingIcon(closingIcon), m_eSystemCommands(systemCommands)
    {
    }
    ~CToolWindowBase() override = default;

    void OnCommand(UINT id, UINT code, HWND control) override
    {
        const bool taken =
            (m_eSystemCommands != TOOL_SYSCOMMANDS_NONE && (id == SC_CLOSE || id == SC_MOVE)) ||
            (m_eSystemCommands == TOOL_SYSCOMMANDS_CLOSE_MOVE_MINIMIZE && id == SC_MINIMIZE);
        if (taken) {
            this->PostMessage(WM_SYSCOMMAND, id, 0);
            return;
        }
        Stack::OnCommand(id, code, control);
    }

    bool PostItemCommand(int32_t id, int32_t event, LPARAM reserved) override
    {
        if (m_pClosingIcon != nullptr && id == m_pClosingIcon->m_nId &&
            event == ITEM_EVENT_LEFT_DBLCLK) {
            this->PostMessage(WM_CLOSE, 0, 0);
            return true;
        }
        return Stack::PostItemCommand(id, event, reserved);
    }

    LRESULT SendItemMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_VSCROLL) {
            if (CButtonListView* list = GetScrolledList()) list->OnMessage(message, wParam, lParam);
        }
        return Stack::SendItemMessage(message, wParam, lParam);
    }

protected:
    // Runs the handler of the table's row for the id: false when no row is the id's.
    template <class THandler, size_t N>
    bool RunCommand(const CommandRow<THandler> (&table)[N], UINT id)
    {
        TWindow* window = static_cast<TWindow*>(this);
        for (const CommandRow<THandler>& row : table) {
            if (static_cast<UINT>(row.m_pKey->m_nId) != id) continue;
            if constexpr (std::is_invocable_v<THandler, TWindow*, UINT>) {
                (window->*row.m_pfnHandler)(id);
            } else {
                (window->*row.m_pfnHandler)();
            }
            return true;
        }
        return false;
    }

    // Builds the window's items from its skin text, then creates its window: false when the
    // skin text failed (its error has been shown) or the window could not be made.
    bool CreateFromSkin(void (TWindow::*build)(), void (TWindow::*create)())
    {
        TWindow* window = static_cast<TWindow*>(this);
        try {
            (window->*build)();
        } catch (const CSkinWindowException&) {
            return false;
        }
        (window->*create)();
        return this->IsWindow();
    }

    // The handler of the buttons that only close the window.
    void PostClose() { this->PostMessage(WM_CLOSE, 0, 0); }

    // The list the window's scroll bar scrolls; none by default.
    virtual CButtonListView* GetScrolledList() { return nullptr; }

private:
    const SkinItemKey* m_pClosingIcon;
    ToolSystemCommands m_eSystemCommands;
};

} // namespace ui
