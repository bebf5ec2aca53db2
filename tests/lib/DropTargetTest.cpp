// The drop target base and the dropped file list reader, driven with a data object of our own
// that hands out file lists built byte by byte.

#include "lib/DropTarget.h"
#include "tests/support/FakeDataObject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using testsupport::Ansi;
using testsupport::CFakeDataObject;
using testsupport::MakeBlock;
using testsupport::Wide;

const uint32_t kHeader = testsupport::kDropFilesHeader;
const HRESULT kInvalid = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

struct ListCase {
    const char* name;
    std::vector<char> block;
    HRESULT result;
    std::vector<std::string> files;
};

TEST(GetDroppedFiles, ReadsAnsiAndWideListsAndStopsAtDamage)
{
    // "データ" in code page 932 and as UTF-16.
    const std::string dataAnsi = "\x83\x66\x81\x5B\x83\x5E";
    const std::wstring dataWide = L"\x30C7\x30FC\x30BF";
    const std::vector<ListCase> cases = {
        {"ansi two names", MakeBlock(kHeader, false, Ansi(std::string("C:\\a.zip\0D:\\", 12) + dataAnsi + std::string("\\b.txt\0\0", 8))),
         S_OK, {"C:\\a.zip", "D:\\" + dataAnsi + "\\b.txt"}},
        {"wide two names", MakeBlock(kHeader, true, Wide(std::wstring(L"C:\\a.zip\0D:\\", 12) + dataWide + std::wstring(L"\\b.txt\0\0", 8))),
         S_OK, {"C:\\a.zip", "D:\\" + dataAnsi + "\\b.txt"}},
        {"wide list at an odd offset", MakeBlock(kHeader + 1, true, Wide(std::wstring(L"E:\\x\0\0", 6))),
         S_OK, {"E:\\x"}},
        {"empty list", MakeBlock(kHeader, false, Ansi(std::string("\0", 1))), S_OK, {}},
        {"empty wide list", MakeBlock(kHeader, true, Wide(std::wstring(L"\0", 1))), S_OK, {}},
        {"list right at the end", MakeBlock(kHeader, false, {}), S_OK, {}},
        {"closing empty name missing", MakeBlock(kHeader, false, Ansi(std::string("C:\\a\0", 5))),
         S_OK, {"C:\\a"}},
        {"last name runs to the end", MakeBlock(kHeader, false, Ansi(std::string("C:\\a\0C:\\cut", 11))),
         kInvalid, {"C:\\a"}},
        {"wide name runs to the end", MakeBlock(kHeader, true, Wide(std::wstring(L"C:\\cut", 6))),
         kInvalid, {}},
        {"wide list with an odd byte count", MakeBlock(kHeader, true, [&] {
             std::vector<char> bytes = Wide(std::wstring(L"C:\\a\0", 5));
             bytes.push_back('x');
             return bytes;
         }()), S_OK, {"C:\\a"}},
        {"offset past the block", MakeBlock(kHeader, false, {}, 1000), kInvalid, {}},
        {"offset inside the header", MakeBlock(kHeader, false, Ansi(std::string("C:\\a\0\0", 6)), 4),
         kInvalid, {}},
        {"block shorter than the header", std::vector<char>(sizeof(DROPFILES) - 1, 0), kInvalid, {}},
        {"empty block", {}, kInvalid, {}},
    };
    for (const ListCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        CFakeDataObject data;
        data.m_block = testCase.block;
        std::vector<std::string> files = {"kept"};
        EXPECT_EQ(testCase.result, lib::GetDroppedFiles(&data, files));
        std::vector<std::string> expectedFiles = {"kept"};
        expectedFiles.insert(expectedFiles.end(), testCase.files.begin(), testCase.files.end());
        EXPECT_EQ(expectedFiles, files);
        EXPECT_EQ(1, data.m_releases.m_iReleases);
        EXPECT_TRUE(data.m_bMediumZeroed);
        EXPECT_EQ(CF_HDROP, data.m_asked.cfFormat);
        EXPECT_EQ(nullptr, data.m_asked.ptd);
        EXPECT_EQ(static_cast<DWORD>(DVASPECT_CONTENT), data.m_asked.dwAspect);
        EXPECT_EQ(-1, data.m_asked.lindex);
        EXPECT_EQ(static_cast<DWORD>(TYMED_HGLOBAL), data.m_asked.tymed);
    }
}

TEST(GetDroppedFiles, RefusedFormatAndOtherMediaGiveErrors)
{
    std::vector<std::string> files;
    {
        // A refused format hands nothing over, so nothing is released.
        CFakeDataObject data;
        data.m_bRefuse = true;
        EXPECT_EQ(DV_E_FORMATETC, lib::GetDroppedFiles(&data, files));
        EXPECT_TRUE(data.m_bMediumZeroed);
        EXPECT_EQ(0, data.m_releases.m_iReleases);
    }
    {
        CFakeDataObject data;
        data.m_block = MakeBlock(kHeader, false, Ansi(std::string("C:\\a\0\0", 6)));
        data.m_dwTymed = TYMED_ISTREAM;
        EXPECT_EQ(DV_E_TYMED, lib::GetDroppedFiles(&data, files));
    }
    EXPECT_EQ(E_INVALIDARG, lib::GetDroppedFiles(nullptr, files));
    EXPECT_TRUE(files.empty());
}

// --- The drop target ------------------------------------------------------------------------

struct HookCall {
    std::string hook;
    LONG x;
    LONG y;
};

class CRecordingTarget : public lib::CDropTargetImpl {
public:
    explicit CRecordingTarget(bool* deleted)
        : m_pDeleted(deleted)
    {
    }
    ~CRecordingTarget() override
    {
        if (m_pDeleted != nullptr) {
            *m_pDeleted = true;
        }
    }

    bool IsAcceptable(IDataObject* data) override
    {
        m_calls.push_back({"accept", 0, 0});
        std::vector<std::string> files;
        return SUCCEEDED(lib::GetDroppedFiles(data, files)) && !files.empty();
    }
    HRESULT OnDragOver(DWORD keyState, LONG x, LONG y, DWORD* effect) override
    {
        m_calls.push_back({"over", x, y});
        *effect = (keyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
        return S_OK;
    }
    void OnDragLeave() override { m_calls.push_back({"leave", 0, 0}); }
    HRESULT OnDrop(IDataObject*, DWORD, LONG x, LONG y, DWORD* effect) override
    {
        m_calls.push_back({"drop", x, y});
        m_dwDropEffect = *effect;
        return S_FALSE;
    }

    HWND Window() const { return m_hWnd; }
    // Puts a helper of the test in place of the one the last Register made.
    void SetHelper(IDropTargetHelper* helper)
    {
        if (m_pDropTargetHelper != nullptr) {
            m_pDropTargetHelper->Release();
        }
        m_pDropTargetHelper = helper;
    }

    std::vector<HookCall> m_calls;
    DWORD m_dwDropEffect = 0;

private:
    bool* m_pDeleted;
};

std::vector<std::string> Hooks(const CRecordingTarget& target)
{
    std::vector<std::string> hooks;
    for (const HookCall& call : target.m_calls) {
        hooks.push_back(call.hook);
    }
    return hooks;
}

// A drag-image helper that only counts its releases.
class CCountingHelper : public IDropTargetHelper {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ++m_iReleases;
        return 1;
    }
    HRESULT STDMETHODCALLTYPE DragEnter(HWND, IDataObject*, POINT*, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragOver(POINT*, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, POINT*, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Show(BOOL) override { return S_OK; }
    int m_iReleases = 0;
};

class DropTarget : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        m_accepted.m_block = MakeBlock(kHeader, false, Ansi(std::string("C:\\a.zip\0\0", 10)));
        m_rejected.m_block = MakeBlock(kHeader, false, Ansi(std::string("\0", 1)));
    }
    void TearDown() override { ::OleUninitialize(); }

    static HWND MakeWindow(int x, int y)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ::DefWindowProcA;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "lib_droptarget_test";
        ::RegisterClassA(&windowClass);
        return ::CreateWindowExA(0, "lib_droptarget_test", "", WS_POPUP, x, y, 200,
                                 100, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    }

    CFakeDataObject m_accepted;
    CFakeDataObject m_rejected;
};

TEST_F(DropTarget, RejectedDataReachesNoHookAndGivesNoEffect)
{
    CRecordingTarget& target = *new CRecordingTarget(nullptr);
    POINTL pt = {5, 6};
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(S_OK, target.DragEnter(&m_rejected, 0, pt, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(S_OK, target.DragOver(0, pt, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    EXPECT_EQ(S_OK, target.DragLeave());
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(S_OK, target.Drop(&m_rejected, 0, pt, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    EXPECT_EQ((std::vector<std::string>{"accept"}), Hooks(target));
    target.Release();
}

TEST_F(DropTarget, AcceptedDragReachesTheHooksWithClientPoints)
{
    HWND window = MakeWindow(300, 200);
    ASSERT_NE(nullptr, window);
    POINT origin = {0, 0};
    ::ClientToScreen(window, &origin);

    bool deleted = false;
    CRecordingTarget* target = new CRecordingTarget(&deleted);
    ASSERT_EQ(S_OK, target->Register(window));
    EXPECT_EQ(window, target->Window());

    POINTL pt = {origin.x + 10, origin.y + 20};
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(S_OK, target->DragEnter(&m_accepted, 0, pt, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_MOVE), effect);
    pt.x += 1;
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(S_OK, target->DragOver(MK_CONTROL, pt, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    EXPECT_EQ(S_OK, target->DragLeave());
    // The enter decides for the whole drag; a leave keeps the decision.
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(S_FALSE, target->Drop(&m_accepted, MK_CONTROL, pt, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), target->m_dwDropEffect);

    EXPECT_EQ((std::vector<std::string>{"accept", "over", "over", "leave", "over", "drop"}),
              Hooks(*target));
    for (size_t i = 1; i < target->m_calls.size(); ++i) {
        SCOPED_TRACE(i);
        if (target->m_calls[i].hook != "leave") {
            EXPECT_EQ(i == 1 ? 10 : 11, target->m_calls[i].x);
            EXPECT_EQ(20, target->m_calls[i].y);
        }
    }

    // A leave after a rejected enter reaches no hook.
    target->m_calls.clear();
    effect = DROPEFFECT_COPY;
    target->DragEnter(&m_rejected, 0, pt, &effect);
    target->DragLeave();
    EXPECT_EQ((std::vector<std::string>{"accept"}), Hooks(*target));

    EXPECT_EQ(S_OK, ::RevokeDragDrop(window));
    EXPECT_FALSE(deleted);
    EXPECT_EQ(0u, target->Release());
    EXPECT_TRUE(deleted);
    ::DestroyWindow(window);
}

TEST_F(DropTarget, MissingArgumentsAreRefused)
{
    CRecordingTarget& target = *new CRecordingTarget(nullptr);
    POINTL pt = {0, 0};
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(E_INVALIDARG, target.DragEnter(nullptr, 0, pt, &effect));
    EXPECT_EQ(E_INVALIDARG, target.DragEnter(&m_accepted, 0, pt, nullptr));
    EXPECT_EQ(E_INVALIDARG, target.DragOver(0, pt, nullptr));
    EXPECT_EQ(E_INVALIDARG, target.Drop(nullptr, 0, pt, &effect));
    EXPECT_EQ(E_INVALIDARG, target.Drop(&m_accepted, 0, pt, nullptr));
    EXPECT_TRUE(target.m_calls.empty());
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    target.Release();
}

TEST_F(DropTarget, InterfacesAndReferenceCount)
{
    bool deleted = false;
    CRecordingTarget* target = new CRecordingTarget(&deleted);
    void* pointer = nullptr;
    EXPECT_EQ(S_OK, target->QueryInterface(IID_IDropTarget, &pointer));
    EXPECT_EQ(static_cast<IDropTarget*>(target), pointer);
    EXPECT_EQ(S_OK, target->QueryInterface(IID_IUnknown, &pointer));
    EXPECT_EQ(static_cast<IDropTarget*>(target), pointer);
    EXPECT_EQ(E_NOINTERFACE, target->QueryInterface(IID_IDataObject, &pointer));
    EXPECT_EQ(nullptr, pointer);
    EXPECT_EQ(2u, target->Release());
    EXPECT_EQ(1u, target->Release());
    EXPECT_FALSE(deleted);
    EXPECT_EQ(0u, target->Release());
    EXPECT_TRUE(deleted);
}

TEST_F(DropTarget, RegisterAgainRevokesTheEarlierWindow)
{
    HWND first = MakeWindow(0, 0);
    HWND second = MakeWindow(0, 0);
    CRecordingTarget* target = new CRecordingTarget(nullptr);
    EXPECT_EQ(S_OK, target->Register(first));
    // The same window again: only works because the earlier registration was revoked.
    EXPECT_EQ(S_OK, target->Register(first));
    EXPECT_EQ(S_OK, target->Register(second));
    EXPECT_EQ(second, target->Window());
    EXPECT_EQ(DRAGDROP_E_NOTREGISTERED, ::RevokeDragDrop(first));
    EXPECT_EQ(S_OK, ::RevokeDragDrop(second));

    // A window another target holds stays with it; this object then holds none.
    CRecordingTarget* other = new CRecordingTarget(nullptr);
    ASSERT_EQ(S_OK, other->Register(first));
    EXPECT_EQ(DRAGDROP_E_ALREADYREGISTERED, target->Register(first));
    EXPECT_EQ(nullptr, target->Window());
    EXPECT_EQ(S_OK, ::RevokeDragDrop(first));

    // The helper that the refused registration made is released by the next one, which has
    // no window of its own to revoke.
    CCountingHelper helper;
    target->SetHelper(&helper);
    EXPECT_EQ(S_OK, target->Register(second));
    EXPECT_EQ(1, helper.m_iReleases);
    EXPECT_EQ(S_OK, ::RevokeDragDrop(second));

    EXPECT_EQ(0u, target->Release());
    EXPECT_EQ(0u, other->Release());
    EXPECT_EQ(1, helper.m_iReleases);
    ::DestroyWindow(first);
    ::DestroyWindow(second);
}

} // namespace
