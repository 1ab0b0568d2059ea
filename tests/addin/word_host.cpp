#include "word_host.h"

#include "com/bstr.h"
#include "com/dispatch.h"
#include "registry/registry.h"

#include <QClipboard>
#include <QGuiApplication>

namespace hosttest {

using ostrel::com::Bstr;

namespace {

const char* const kAddinsKey = "Software\\Microsoft\\Office\\Word\\Addins";

template <class T> HRESULT handOut(const ComPtr<T>& object, T** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = ComPtr<T>(object).detach();
    return S_OK;
}

} // namespace

HostButton::HostButton() {
    clicks_ = &addConnectionPoint(DIID__CommandBarButtonEvents);
}

void* HostButton::findInterface(REFIID riid) {
    if (riid == CommandBarControl::iid) {
        return static_cast<CommandBarControl*>(this);
    }
    return ConnectableObject::findInterface(riid);
}

HRESULT HostButton::put_Style(MsoButtonStyle value) {
    calls << QStringLiteral("Style");
    if (failingCall == calls.last()) {
        return failure;
    }
    style = value;
    return S_OK;
}

HRESULT HostButton::PasteFace() {
    calls << QStringLiteral("PasteFace");
    if (failingCall == calls.last()) {
        return failure;
    }
    face = QGuiApplication::clipboard()->image();
    return face.isNull() ? E_FAIL : S_OK;
}

HRESULT HostButton::put_Visible(VARIANT_BOOL value) {
    calls << QStringLiteral("Visible");
    if (failingCall == calls.last()) {
        return failure;
    }
    visible = value == VARIANT_TRUE;
    return S_OK;
}

HRESULT HostButton::put_Caption(BSTR value) {
    calls << QStringLiteral("Caption");
    if (failingCall == calls.last()) {
        return failure;
    }
    caption = ostrel::com::toQString(value);
    return S_OK;
}

HRESULT HostButton::put_Enabled(VARIANT_BOOL value) {
    calls << QStringLiteral("Enabled");
    if (failingCall == calls.last()) {
        return failure;
    }
    enabled = value == VARIANT_TRUE;
    return S_OK;
}

HRESULT HostButton::put_TooltipText(BSTR value) {
    calls << QStringLiteral("TooltipText");
    if (failingCall == calls.last()) {
        return failure;
    }
    tooltip = ostrel::com::toQString(value);
    return S_OK;
}

HRESULT HostButton::put_Tag(BSTR value) {
    calls << QStringLiteral("Tag");
    if (failingCall == calls.last()) {
        return failure;
    }
    tag = ostrel::com::toQString(value);
    return S_OK;
}

HRESULT HostButton::fire(DISPID event) {
    HRESULT answer = S_OK;
    for (const ComPtr<IDispatch>& sink : clicks_->dispatchSinks()) {
        VARIANT_BOOL cancelDefault = VARIANT_FALSE;
        VARIANT args[2];
        // Reverse order: CancelDefault (by reference) first, then Ctrl.
        args[0].vt = VT_BOOL | VT_BYREF;
        args[0].pboolVal = &cancelDefault;
        args[1].vt = VT_DISPATCH;
        args[1].pdispVal = static_cast<_CommandBarButton*>(this);
        DISPPARAMS params{args, nullptr, 2, 0};
        VARIANT result;
        VariantInit(&result);
        const HRESULT h = sink->Invoke(event, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                       &params, &result, nullptr, nullptr);
        VariantClear(&result);
        if (FAILED(h)) {
            answer = h;
        }
    }
    return answer;
}

HRESULT HostButton::click() {
    return fire(DISPID_CommandBarButtonEvents_Click);
}

HRESULT HostControls::Add(VARIANT Type, VARIANT Id, VARIANT Parameter, VARIANT Before,
                          VARIANT Temporary, CommandBarControl** control) {
    Added entry{Variant::copyOf(Type),      Variant::copyOf(Id),
                Variant::copyOf(Parameter), Variant::copyOf(Before),
                Variant::copyOf(Temporary), ostrel::com::make<HostButton>()};
    entry.button->failingCall = failingCall;
    entry.button->failure = failure;
    ComPtr<CommandBarControl> result = entry.button.as<CommandBarControl>();
    added.push_back(std::move(entry));
    return handOut(result, control);
}

HostCommandBar::HostCommandBar() : controls(ostrel::com::make<HostControls>()) {
}

HRESULT HostCommandBar::get_Controls(CommandBarControls** out) {
    return handOut(ComPtr<CommandBarControls>(controls.get()), out);
}

HRESULT HostCommandBar::put_Visible(VARIANT_BOOL value) {
    visible = value == VARIANT_TRUE;
    return S_OK;
}

HRESULT HostCommandBars::Add(VARIANT Name, VARIANT Position, VARIANT MenuBar, VARIANT Temporary,
                             CommandBar** bar) {
    auto created = ostrel::com::make<HostCommandBar>();
    created->name = Variant::copyOf(Name);
    created->position = Variant::copyOf(Position);
    created->menuBar = Variant::copyOf(MenuBar);
    created->temporary = Variant::copyOf(Temporary);
    created->controls->failingCall = failingButtonCall;
    created->controls->failure = failure;
    bars.push_back(created);
    return handOut(ComPtr<CommandBar>(created.get()), bar);
}

HRESULT HostDocument::get_FullName(BSTR* name) {
    if (name == nullptr) {
        return E_POINTER;
    }
    *name = Bstr(fullName_).detach();
    return S_OK;
}

HostApplication::HostApplication() : commandBars(ostrel::com::make<HostCommandBars>()) {
}

HRESULT HostApplication::get_CommandBars(_CommandBars** bars) {
    if (FAILED(commandBarsFailure)) {
        if (bars != nullptr) {
            *bars = nullptr;
        }
        return commandBarsFailure;
    }
    return handOut(ComPtr<_CommandBars>(commandBars.get()), bars);
}

HRESULT HostApplication::get_ActiveDocument(Document** document) {
    if (document == nullptr) {
        return E_POINTER;
    }
    *document = nullptr;
    if (!activeDocument) {
        return NoDocument;
    }
    return handOut(ComPtr<Document>(activeDocument.get()), document);
}

WordHost::WordHost() : application(ostrel::com::make<HostApplication>()) {
    initialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

WordHost::~WordHost() {
    unloadAddins();
    application = nullptr;
    if (initialised_) {
        CoUninitialize();
    }
}

HRESULT WordHost::loadAddins() {
    const ostrel::registry::Registry registry;
    using ostrel::registry::Hive;
    for (const std::string& progId : registry.subKeys(Hive::CurrentUser, kAddinsKey)) {
        const std::string key = std::string(kAddinsKey) + "\\" + progId;
        if (registry.getDword(Hive::CurrentUser, key, "LoadBehavior") != 3u) {
            continue;
        }
        const std::u16string name = QString::fromStdString(progId).toStdU16String();
        CLSID clsid{};
        HRESULT h = CLSIDFromProgID(name.c_str(), &clsid);
        if (FAILED(h)) {
            return h;
        }
        ComPtr<IUnknown> object;
        h = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid());
        if (FAILED(h)) {
            return h;
        }
        ComPtr<_IDTExtensibility2> addin;
        if (FAILED(h = object.queryInterface(_IDTExtensibility2::iid, addin.putVoid()))) {
            return h;
        }
        SAFEARRAY* custom = nullptr;
        h = addin->OnConnection(static_cast<_Application*>(application.get()), ext_cm_Startup,
                                nullptr, &custom);
        if (FAILED(h)) {
            return h;
        }
        loaded.push_back({progId, addin});
    }
    return S_OK;
}

void WordHost::unloadAddins() {
    for (Loaded& entry : loaded) {
        SAFEARRAY* custom = nullptr;
        entry.addin->OnDisconnection(ext_dm_HostShutdown, &custom);
    }
    loaded.clear();
    CoFreeUnusedLibraries();
}

} // namespace hosttest
