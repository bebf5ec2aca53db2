#pragma once
// The OLE drop target of a window that accepts files dragged from the shell, and the reader
// of a dropped file list.

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace lib {

// IUnknown for one interface: TBase is the interface derived from, TInterface the one that
// QueryInterface answers besides IUnknown. The object deletes itself at the last Release.
template <class TBase, class TInterface>
class CUnknownImpl : public TBase {
public:
    CUnknownImpl()
        : m_lRef(1)
    {
    }

    CUnknownImpl(const CUnknownImpl&) = delete;
    CUnknownImpl& operator=(const CUnknownImpl&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(TInterface))) {
            AddRef();
            *ppv = static_cast<TInterface*>(this);
            return S_OK;
        }
        return QueryOtherInterface(riid, ppv);
    }

    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(::InterlockedIncrement(&m_lRef));
    }

    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG count = ::InterlockedDecrement(&m_lRef);
        if (count == 0) {
            delete this;
        }
        return static_cast<ULONG>(count);
    }

    virtual ~CUnknownImpl() {}

    // Interfaces beyond the one this object implements; a subclass may add some.
    virtual HRESULT QueryOtherInterface(REFIID riid, void** ppv)
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

private:
    LONG volatile m_lRef;
};

// The drop target of one window: shows the shell's drag image, converts the mouse point to
// the window's client coordinates and leaves the decisions to the four hooks. The hooks are
// reached only while the data of the current drag was accepted at its enter.
class CDropTargetImpl : public CUnknownImpl<IDropTarget, IDropTarget> {
public:
    CDropTargetImpl();
    ~CDropTargetImpl() override;

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL pt,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL pt, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL pt,
                                   DWORD* effect) override;

    // Whether the dragged data is anything this window takes.
    virtual bool IsAcceptable(IDataObject* data) = 0;
    // Sets *effect for the point (client coordinates).
    virtual HRESULT OnDragOver(DWORD keyState, LONG x, LONG y, DWORD* effect) = 0;
    virtual void OnDragLeave() = 0;
    // Takes the data; *effect was set by OnDragOver at the same point just before.
    virtual HRESULT OnDrop(IDataObject* data, DWORD keyState, LONG x, LONG y,
                           DWORD* effect) = 0;

    // Registers window as the target (revoking an earlier window first) and makes the
    // shell's drag-image helper; the calling thread must have called OleInitialize. Returns
    // the RegisterDragDrop result. The registration outlives this object's destructor: the
    // owner revokes it.
    HRESULT Register(HWND window);
    // Revokes the registration, if any; a failure is logged.
    void Revoke();

protected:
    bool m_bAccepted;                        // IsAcceptable of the last DragEnter
    HWND m_hWnd;                             // the registered window, null when none
    IDropTargetHelper* m_pDropTargetHelper;  // owned; null when the shell gave none

private:
    POINT _ToClient(const POINTL& pt) const;
};

// Appends every file name of the data's CF_HDROP list, wide names converted to the ANSI code
// page. A damaged list gives the names before the damage and ERROR_INVALID_DATA.
HRESULT GetDroppedFiles(IDataObject* data, std::vector<std::string>& files);

} // namespace lib
