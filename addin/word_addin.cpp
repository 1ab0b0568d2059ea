#include "word_addin.h"

#include "addin_module.h"
#include "button_picture.h"
#include "convert_dlg.h"
#include "guarded.h"
#include "product.h"

#include "com/bstr.h"
#include "com/variant.h"

#include <QApplication>

#include <functional>
#include <utility>

namespace kestrine {
namespace {

using ostrel::com::Bstr;
using ostrel::com::ComPtr;
using ostrel::com::Variant;

const QString kButtonText = QString::fromUtf8(ostrel::kProductCaption);

// A call that succeeded but handed back nothing counts as failed.
template <class T> HRESULT obtained(HRESULT result, const ComPtr<T>& object) {
    return SUCCEEDED(result) && !object ? E_POINTER : result;
}

} // namespace

HRESULT CWordAddin::create(IUnknown* outer, REFIID riid, void** object) {
    auto* addin = new (std::nothrow) CWordAddin(outer);
    if (addin == nullptr) {
        return E_OUTOFMEMORY;
    }
    // The query's reference keeps the object; without one it goes.
    addin->m_inner.AddRef();
    const HRESULT answer = addin->m_inner.QueryInterface(riid, object);
    addin->m_inner.Release();
    return answer;
}

CWordAddin::CWordAddin(IUnknown* outer)
    : m_moduleLock(AddinModule::instance().count()), m_outer(outer) {
}

CWordAddin::~CWordAddin() = default;

HRESULT CWordAddin::InnerUnknown::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    IUnknown* found = nullptr;
    if (riid == IID_IUnknown) {
        found = owner_.m_outer != nullptr ? static_cast<IUnknown*>(this)
                                          : static_cast<IWordAddin*>(&owner_);
    } else if (riid == IWordAddin::iid) {
        found = static_cast<IWordAddin*>(&owner_);
    } else if (riid == IID_IDispatch) {
        found = static_cast<_IDTExtensibility2*>(&owner_);
    } else if (riid == IID_ISupportErrorInfo) {
        found = static_cast<ISupportErrorInfo*>(&owner_);
    } else if (riid == _IDTExtensibility2::iid) {
        found = static_cast<_IDTExtensibility2*>(&owner_);
    }
    *ppvObject = found;
    if (found == nullptr) {
        return E_NOINTERFACE;
    }
    found->AddRef();
    return S_OK;
}

ULONG CWordAddin::InnerUnknown::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        delete &owner_;
    }
    return left;
}

HRESULT CWordAddin::QueryInterface(REFIID riid, void** ppvObject) {
    return m_outer != nullptr ? m_outer->QueryInterface(riid, ppvObject)
                              : m_inner.QueryInterface(riid, ppvObject);
}

ULONG CWordAddin::AddRef() {
    return m_outer != nullptr ? m_outer->AddRef() : m_inner.AddRef();
}

ULONG CWordAddin::Release() {
    return m_outer != nullptr ? m_outer->Release() : m_inner.Release();
}

HRESULT CWordAddin::InterfaceSupportsErrorInfo(REFIID riid) {
    return riid == IWordAddin::iid ? S_OK : S_FALSE;
}

HRESULT CWordAddin::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*, SAFEARRAY**) {
    return guarded([&] { return connect(Application); });
}

// Every failure after the command bars releases what this call obtained (the local
// references) and answers its code to the host.
HRESULT CWordAddin::connect(IDispatch* application) {
    if (application == nullptr) {
        return E_POINTER;
    }
    m_wordApp = nullptr;
    HRESULT h = application->QueryInterface(_Application::iid, m_wordApp.putVoid());
    if (FAILED(h = obtained(h, m_wordApp))) {
        return h;
    }
    ComPtr<_CommandBars> bars;
    if (FAILED(h = obtained(m_wordApp->get_CommandBars(bars.put()), bars))) {
        return h;
    }

    ComPtr<CommandBar> toolbar;
    {
        Variant name = Variant::text(u"MyAddin");
        Variant position = Variant::i4(msoBarTop);
        Variant menuBar = Variant::omitted();
        Variant temporary = Variant::flag(true);
        h = bars->Add(name.get(), position.get(), menuBar.get(), temporary.get(), toolbar.put());
    }
    if (FAILED(h = obtained(h, toolbar))) {
        return h;
    }

    ComPtr<CommandBarControls> controls;
    if (FAILED(h = obtained(toolbar->get_Controls(controls.put()), controls))) {
        return h;
    }
    ComPtr<CommandBarControl> control;
    {
        Variant type = Variant::i4(msoControlButton);
        Variant omitted = Variant::omitted();
        Variant temporary = Variant::flag(true);
        h = controls->Add(type.get(), omitted.get(), omitted.get(), omitted.get(), temporary.get(),
                          control.put());
    }
    if (FAILED(h = obtained(h, control))) {
        return h;
    }
    ComPtr<_CommandBarButton> button;
    h = control->QueryInterface(_CommandBarButton::iid, button.putVoid());
    if (FAILED(h = obtained(h, button))) {
        return h;
    }

    // The host takes the button's face from the clipboard; what it held before is lost.
    putButtonPictureOnClipboard();

    const Bstr text(kButtonText);
    using Step = std::function<HRESULT()>;
    for (const Step& step : {
             Step([&] { return button->put_Style(msoButtonIconAndCaption); }),
             Step([&] { return button->PasteFace(); }),
             Step([&] { return button->put_Visible(VARIANT_TRUE); }),
             Step([&] { return button->put_Caption(text.get()); }),
             Step([&] { return button->put_Enabled(VARIANT_TRUE); }),
             Step([&] { return button->put_TooltipText(text.get()); }),
             Step([&] { return button->put_Tag(text.get()); }),
             Step([&] { return toolbar->put_Visible(VARIANT_TRUE); }),
         }) {
        if (FAILED(h = step())) {
            return h;
        }
    }

    // A failed subscription keeps the button the sink may still be advised on, so that
    // disconnecting unadvises there (the sink holds this object, the object the host).
    ComPtr<_CommandBarButton> previous = std::exchange(m_button, button);
    if (FAILED(h = adviseSink())) {
        m_button = previous;
    }
    return h;
}

HRESULT CWordAddin::adviseSink() {
    if (m_sinkCookie != kNoCookie) {
        return E_FAIL; // subscribed already
    }
    ComPtr<IConnectionPointContainer> container;
    HRESULT h = m_button->QueryInterface(IID_IConnectionPointContainer, container.putVoid());
    if (FAILED(h = obtained(h, container))) {
        return h;
    }
    ComPtr<IConnectionPoint> point;
    h = container->FindConnectionPoint(DIID__CommandBarButtonEvents, point.put());
    if (FAILED(h = obtained(h, point))) {
        return h;
    }
    DWORD cookie = 0;
    if (FAILED(h = point->Advise(&m_sink, &cookie))) {
        return h;
    }
    m_sinkCookie = cookie;
    return S_OK;
}

HRESULT CWordAddin::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) {
    guarded([&] {
        ComPtr<IConnectionPointContainer> container = m_button.as<IConnectionPointContainer>();
        ComPtr<IConnectionPoint> point;
        if (container &&
            SUCCEEDED(container->FindConnectionPoint(DIID__CommandBarButtonEvents, point.put())) &&
            point) {
            point->Unadvise(m_sinkCookie);
        }
        return S_OK;
    });
    m_sinkCookie = kNoCookie;
    return S_OK;
}

HRESULT CWordAddin::OnAddInsUpdate(SAFEARRAY**) {
    return E_NOTIMPL;
}

HRESULT CWordAddin::OnStartupComplete(SAFEARRAY**) {
    return E_NOTIMPL;
}

HRESULT CWordAddin::OnBeginShutdown(SAFEARRAY**) {
    return E_NOTIMPL;
}

void CWordAddin::OnButtonClick() {
    // Widgets need the host's application object; a host without one gets no dialog.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return;
    }
    CConvertDlg dialog;
    ComPtr<Document> document;
    if (m_wordApp) {
        // No active document: the dialog opens with an empty path.
        m_wordApp->get_ActiveDocument(document.put());
    }
    Bstr name;
    if (document) {
        document->get_FullName(name.put());
    }
    dialog.m_sourcePath = name.toQString();
    dialog.exec();
}

HRESULT CWordAddin::ButtonEventSink::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID__CommandBarButtonEvents) {
        *ppvObject = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

HRESULT CWordAddin::ButtonEventSink::GetTypeInfoCount(UINT*) {
    return E_NOTIMPL;
}

HRESULT CWordAddin::ButtonEventSink::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

HRESULT CWordAddin::ButtonEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

// Click (its arguments Ctrl and CancelDefault are left untouched); other events are
// not handled.
HRESULT CWordAddin::ButtonEventSink::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS*,
                                            VARIANT* pVarResult, EXCEPINFO*, UINT*) {
    if (pVarResult != nullptr) {
        VariantInit(pVarResult);
    }
    if (dispIdMember != DISPID_CommandBarButtonEvents_Click) {
        return S_OK;
    }
    return guarded([&] {
        owner_.OnButtonClick();
        return S_OK;
    });
}

} // namespace kestrine
