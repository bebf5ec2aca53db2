#pragma once
// The one base through which the launcher holds and deletes its application windows, whatever
// window stack each is built on:
//     class CSettingWindow : public ui::CFrameOverlayWindowBase<...>, public ui::CWindowBase
//     std::unique_ptr<ui::CWindowBase> m_pSetting;

namespace ui {

class CWindowBase {
public:
    virtual ~CWindowBase() = default;
};

} // namespace ui
