// Gallery page of the version-up window (product skin "SilentInstallWindow.txt"): waiting
// for "開始", downloading, installing, waiting for "次へ＞＞" and done. The window is built and
// created as its Create does, without starting the version check; each look is set as the
// step that shows it sets it.

#include "launcher/SilentInstallWindow.h"
#include "tests/gallery/Gallery.h"

#include <windows.h>

#include <memory>

namespace {

class CGallerySilentInstall : public ui::CSilentInstallWindow {
public:
    CGallerySilentInstall() : ui::CSilentInstallWindow(nullptr) {}
    using ui::CSilentInstallWindow::BuildFromSkin;
    using ui::CSilentInstallWindow::CreateHidden;
    using ui::CSilentInstallWindow::SetButton;
    using ui::CSilentInstallWindow::SetMessage;
    using ui::CSilentInstallWindow::ShowPercent;
};

std::unique_ptr<ui::CSkinWindow> Build()
{
    std::unique_ptr<CGallerySilentInstall> window(new CGallerySilentInstall);
    window->BuildFromSkin();
    return window;
}

void Create(ui::CSkinWindow& window)
{
    dynamic_cast<CGallerySilentInstall&>(window).CreateHidden();
}

void Looks(ui::CSkinWindow& window, gallery::CShots& shots)
{
    using Window = ui::CSilentInstallWindow;
    auto& verUp = dynamic_cast<CGallerySilentInstall&>(window);
    window.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    shots.Take("start", window);
    verUp.SetButton(Window::BUTTON_RUNNING, "キャンセル");
    verUp.SetMessage("新しいバージョンのケストラムをダウンロードしています。\r\n"
                     "しばらくお待ちください...");
    verUp.ShowPercent(37);
    shots.Take("downloading", window);
    verUp.SetMessage("ケストラムをバージョンアップしています。\r\nしばらくお待ちください...");
    verUp.ShowPercent(64);
    shots.Take("installing", window);
    verUp.ShowPercent(100);
    verUp.SetButton(Window::BUTTON_NEXT, "次へ＞＞");
    verUp.SetMessage("「次へ」を押してバージョンアップを完了してください。");
    shots.Take("next", window);
    verUp.SetButton(Window::BUTTON_FINISHED, "完了");
    verUp.SetMessage("ケストラムのバージョンアップが正常に完了しました。");
    shots.Take("finished", window);
    window.SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    shots.Take("finished-inactive", window);
}

const bool g_bPage = gallery::RegisterPage(
    {"SilentInstall", gallery::PAGE_PRODUCT, &Build, &Create, &Looks});

} // namespace
