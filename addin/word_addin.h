// CWordAddin: the object the word processor creates when it loads the add-in. On
// connection it adds the toolbar "MyAddin" with one button and listens to the button's
// Click; a click opens the convert dialog for the active document.
//
// Apartment-threaded: every call arrives on the host's user-interface thread, so its own
// reference count is a plain integer. Made plain or inside an aggregate: then every part
// forwards AddRef, Release and QueryInterface to the outer object, and only the inner
// (non-delegating) IUnknown counts and answers the lookup.
#pragma once

#include "dispatch_parts.h"
#include "kestrine.h"

#include "com/comptr.h"
#include "com/object.h"
#include "contract/office.h"

namespace kestrine {

class CWordAddin final : public ISupportErrorInfo,
                         public WordAddinDispatch,
                         public Extensibility2Dispatch {
public:
    static constexpr DWORD kNoCookie = 0xFEFEFEFE;

    // The class object's creation: plain when `outer` is null, else aggregated (and then
    // `riid` is IUnknown, answered with the inner IUnknown).
    static HRESULT create(IUnknown* outer, REFIID riid, void** object);

    CWordAddin(const CWordAddin&) = delete;
    CWordAddin& operator=(const CWordAddin&) = delete;

    // IUnknown of every part.
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // ISupportErrorInfo
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;

    // _IDTExtensibility2
    HRESULT OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch* AddInInst,
                         SAFEARRAY** custom) override;
    HRESULT OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
    HRESULT OnAddInsUpdate(SAFEARRAY** custom) override;
    HRESULT OnStartupComplete(SAFEARRAY** custom) override;
    HRESULT OnBeginShutdown(SAFEARRAY** custom) override;

private:
    // The non-delegating IUnknown: the reference count and the interface table.
    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(CWordAddin& owner) : owner_(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
        ULONG AddRef() override { return ++references_; }
        ULONG Release() override;

    private:
        CWordAddin& owner_;
        ULONG references_ = 0;
    };

    // The sink of the button's _CommandBarButtonEvents; shares the object's count.
    class ButtonEventSink final : public IDispatch {
    public:
        explicit ButtonEventSink(CWordAddin& owner) : owner_(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
        ULONG AddRef() override { return owner_.AddRef(); }
        ULONG Release() override { return owner_.Release(); }
        HRESULT GetTypeInfoCount(UINT* pctinfo) override;
        HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
        HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                              DISPID* rgDispId) override;
        HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                       DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                       UINT* puArgErr) override;

    private:
        CWordAddin& owner_;
    };

    explicit CWordAddin(IUnknown* outer);
    ~CWordAddin();

    HRESULT connect(IDispatch* application);
    HRESULT adviseSink();
    // Click: opens the convert dialog modally for the active document and answers when
    // it closes. The event's arguments (the button, CancelDefault) are not used.
    void OnButtonClick();

    ostrel::com::ModuleLock m_moduleLock;
    IUnknown* m_outer; // the aggregating object, not counted; null for a plain object
    InnerUnknown m_inner{*this};
    ButtonEventSink m_sink{*this};
    DWORD m_sinkCookie = kNoCookie;
    ostrel::com::ComPtr<_CommandBarButton> m_button;
    ostrel::com::ComPtr<_Application> m_wordApp;
};

} // namespace kestrine
