// The gallery program (`./kestrum shots`): builds the window of every gallery page, drives it
// into its looks and writes each look as "<page>-<look>.png" into the folder given, or into
// "shots\" beside the program. Prints each picture's name, and every "Skin Load" box that a
// user would have seen; ends with 1 when a page failed.

#include "lib/Path.h"
#include "lib/wfc/WfcRuntime.h"
#include "skin/SkinException.h"
#include "tests/gallery/Gallery.h"
#include "tests/gallery/PngWriter.h"

#include <windows.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

namespace {

class CPrintErrors : public ui::ISkinErrorReporter {
public:
    void ReportSkinError(const std::string& message) override
    {
        std::printf("  Skin Load: %s\n", message.c_str());
    }
};

class CFileShots : public gallery::CShots {
public:
    explicit CFileShots(const std::string& folder) : m_strFolder(folder), m_nWritten(0) {}
    void SetPage(const char* page) { m_strPage = page; }
    void Take(const std::string& look, ui::CSkinWindow& window) override
    {
        const std::string name = m_strPage + "-" + look + ".png";
        const lib::wfc::CDIB* buffer = window.GetBackBuffer();
        if (buffer != nullptr && gallery::WritePng(m_strFolder + name, *buffer, ui::kSkinKeyColor)) {
            std::printf("  %s\n", name.c_str());
            ++m_nWritten;
        } else {
            std::printf("  %s could not be written\n", name.c_str());
        }
    }
    int Written() const { return m_nWritten; }

private:
    std::string m_strFolder;
    std::string m_strPage;
    int m_nWritten;
};

} // namespace

int main(int argc, char** argv)
{
    lib::wfc::Initialize(::GetModuleHandleA(nullptr), "skin_gallery", nullptr, nullptr);
    lib::wfc::AllocThreadMessageRecord();
    CPrintErrors errors;
    ui::SetSkinErrorReporter(&errors);

    std::string folder;
    if (argc > 1) {
        folder = argv[1];
    } else {
        folder = lib::GetParentFolder(lib::GetModuleFileNameStr(nullptr));
        lib::AppendBackslash(folder);
        folder += "shots";
    }
    lib::AppendBackslash(folder);
    ::CreateDirectoryA(folder.c_str(), nullptr);

    CFileShots shots(folder);
    bool failed = false;
    for (const gallery::Page& page : gallery::Pages()) {
        std::printf("%s\n", page.m_pszName);
        shots.SetPage(page.m_pszName);
        std::unique_ptr<ui::CSkinWindow> window;
        try {
            window = page.m_pfnBuild();
            gallery::CreatePageWindow(page, *window);
            gallery::TakePageLooks(page, *window, shots);
        } catch (const std::exception& error) {
            std::printf("  failed: %s\n", error.what());
            failed = true;
        }
        if (window && window->IsWindow()) window->DestroyWindow();
    }
    std::printf("%d pictures in %s\n", shots.Written(), folder.c_str());
    std::fflush(stdout);

    ui::SetSkinErrorReporter(nullptr);
    lib::wfc::FreeThreadMessageRecord();
    lib::wfc::Terminate();
    return failed ? 1 : 0;
}
