#pragma once
// A data object of the tests, as the shell hands one to a drop target: it offers one block of
// bytes as CF_HDROP in global memory (or refuses), built byte by byte so that damaged lists can
// be offered too. It lives on the test's stack; its AddRef and Release only pretend.
//
//     testsupport::CFakeDataObject data;
//     data.m_block = testsupport::MakeBlock(testsupport::kDropFilesHeader, false,
//                                           testsupport::Ansi(std::string("C:\\a.zip\0\0", 10)));
//     target->DragEnter(&data, 0, point, &effect);

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace testsupport {

// Counts the releases of what the data object handed out.
class CReleaseCounter : public IUnknown {
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
    int m_iReleases = 0;
};

// A data object offering one block as CF_HDROP (or refusing), on the stack of the test.
class CFakeDataObject : public IDataObject {
public:
    std::vector<char> m_block;
    bool m_bRefuse = false;
    DWORD m_dwTymed = TYMED_HGLOBAL; // what GetData hands out
    CReleaseCounter m_releases;
    FORMATETC m_asked = {};
    int m_iGetData = 0;
    bool m_bMediumZeroed = false; // the caller's medium held nothing when it was asked for

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        ++m_iGetData;
        m_asked = *format;
        m_bMediumZeroed = medium->tymed == TYMED_NULL && medium->hGlobal == nullptr &&
                          medium->pUnkForRelease == nullptr;
        // What a careless source leaves behind on a refusal: a reader that releases it anyway
        // would release this counter.
        medium->pUnkForRelease = &m_releases;
        if (m_bRefuse || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) {
            return DV_E_FORMATETC;
        }
        HGLOBAL global = ::GlobalAlloc(GMEM_MOVEABLE, m_block.size());
        void* bytes = ::GlobalLock(global);
        if (!m_block.empty()) {
            std::memcpy(bytes, m_block.data(), m_block.size());
        }
        ::GlobalUnlock(global);
        // The counter stands in for the memory's owner: ReleaseStgMedium releases it instead
        // of freeing the memory, which is then ours.
        m_handedOut.push_back(global);
        if (m_dwTymed == TYMED_ISTREAM) {
            IStream* stream = nullptr;
            ::CreateStreamOnHGlobal(global, FALSE, &stream);
            medium->tymed = TYMED_ISTREAM;
            medium->pstm = stream;
            medium->pUnkForRelease = nullptr;
            return S_OK;
        }
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = global;
        medium->pUnkForRelease = &m_releases;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

    ~CFakeDataObject()
    {
        for (HGLOBAL global : m_handedOut) {
            ::GlobalFree(global);
        }
    }

private:
    std::vector<HGLOBAL> m_handedOut;
};

// A DROPFILES header with the list at offset, followed by the list bytes; claimedOffset, when
// given, is what the header says instead.
inline std::vector<char> MakeBlock(uint32_t offset, bool wide, const std::vector<char>& list,
                            uint32_t claimedOffset = 0)
{
    std::vector<char> block(std::max<size_t>(offset, sizeof(DROPFILES)), 0);
    DROPFILES header = {};
    header.pFiles = claimedOffset != 0 ? claimedOffset : offset;
    header.fWide = wide;
    std::memcpy(block.data(), &header, sizeof(header));
    const size_t listStart = block.size();
    block.resize(listStart + list.size());
    if (!list.empty()) {
        std::memcpy(block.data() + listStart, list.data(), list.size());
    }
    return block;
}

inline std::vector<char> Ansi(const std::string& bytes)
{
    return std::vector<char>(bytes.begin(), bytes.end());
}

inline std::vector<char> Wide(const std::wstring& text)
{
    std::vector<char> bytes(text.size() * sizeof(wchar_t));
    if (!bytes.empty()) {
        std::memcpy(bytes.data(), text.data(), bytes.size());
    }
    return bytes;
}

// The size of the DROPFILES header, where a list usually starts.
const uint32_t kDropFilesHeader = sizeof(DROPFILES);

} // namespace testsupport
