#include "office_objects.h"

#include "com/bstr.h"
#include "com/variant.h"

#include <vector>

namespace ostrel::bridge {

using com::Bstr;
using com::ComPtr;
using com::Variant;

namespace {

// The objects answer their members through the vtable only; late-bound calls find none.
template <class I> class VtableObject : public com::DispatchObject<I> {
protected:
    HRESULT invoke(com::DispatchCall&) override { return DISP_E_MEMBERNOTFOUND; }
};

template <class T, class I, class... Args> HRESULT hand(I** out, Args&&... args) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    ComPtr<T> object = com::make<T>(std::forward<Args>(args)...);
    if (!object) {
        return E_OUTOFMEMORY;
    }
    *out = object.detach();
    return S_OK;
}

std::optional<bool> truth(const VARIANT& value) {
    return Variant::valueOf(value).toBool();
}
std::optional<std::int32_t> number(const VARIANT& value) {
    return Variant::valueOf(value).toInt32();
}
bool omitted(const VARIANT& value) {
    const Variant v = Variant::valueOf(value);
    return v.isOmitted() || v.isEmpty();
}

class OfficeDocument final : public VtableObject<Document> {
public:
    explicit OfficeDocument(std::string path) : path_(std::move(path)) {}
    HRESULT get_FullName(BSTR* name) override {
        if (name == nullptr) {
            return E_POINTER;
        }
        *name = Bstr::fromUtf8(path_).detach();
        return S_OK;
    }

private:
    std::string path_;
};

class OfficeControls final : public VtableObject<CommandBarControls> {
public:
    OfficeControls(std::shared_ptr<OfficeContext> context, int bar)
        : context_(std::move(context)), bar_(bar) {}

    HRESULT Add(VARIANT Type, VARIANT Id, VARIANT Parameter, VARIANT Before, VARIANT Temporary,
                CommandBarControl** control) override {
        if (control == nullptr) {
            return E_POINTER;
        }
        *control = nullptr;
        // Plain buttons only, appended, like the ones our add-ins make; a built-in
        // control (Id) or a place among the others (Before) has no counterpart here.
        const auto type =
            omitted(Type) ? std::optional<std::int32_t>(msoControlButton) : number(Type);
        if (type != msoControlButton || !omitted(Id) || !omitted(Before)) {
            return E_INVALIDARG;
        }
        (void)Parameter;
        (void)Temporary; // every control here dies with the office
        const int id = context_->services.commandBars().addButton(bar_);
        if (id == 0) {
            return E_FAIL;
        }
        ComPtr<OfficeButton> button = com::make<OfficeButton>(context_, id);
        if (!button) {
            return E_OUTOFMEMORY;
        }
        context_->buttons[id] = button;
        *control = static_cast<CommandBarControl*>(button.detach());
        return S_OK;
    }

private:
    std::shared_ptr<OfficeContext> context_;
    int bar_;
};

class OfficeBar final : public VtableObject<CommandBar> {
public:
    OfficeBar(std::shared_ptr<OfficeContext> context, int bar)
        : context_(std::move(context)), bar_(bar) {}

    HRESULT get_Controls(CommandBarControls** controls) override {
        return hand<OfficeControls>(controls, context_, bar_);
    }
    HRESULT put_Visible(VARIANT_BOOL visible) override {
        return context_->services.commandBars().setBarVisible(bar_, visible != VARIANT_FALSE)
                   ? S_OK
                   : E_FAIL;
    }

private:
    std::shared_ptr<OfficeContext> context_;
    int bar_;
};

class OfficeBars final : public VtableObject<_CommandBars> {
public:
    explicit OfficeBars(std::shared_ptr<OfficeContext> context) : context_(std::move(context)) {}

    HRESULT Add(VARIANT Name, VARIANT Position, VARIANT MenuBar, VARIANT Temporary,
                CommandBar** bar) override {
        if (bar == nullptr) {
            return E_POINTER;
        }
        *bar = nullptr;
        const auto name = Variant::valueOf(Name).toQString();
        if (!name || name->isEmpty()) {
            return E_INVALIDARG;
        }
        auto& model = context_->services.commandBars();
        const std::string utf8 = name->toStdString();
        if (model.findBar(utf8)) {
            return E_INVALIDARG; // as in Word: bar names are unique
        }
        const auto position =
            omitted(Position) ? std::optional<std::int32_t>(msoBarTop) : number(Position);
        if (!position || *position < msoBarLeft || *position > msoBarBottom) {
            return E_INVALIDARG;
        }
        if (!omitted(MenuBar) && truth(MenuBar).value_or(false)) {
            return E_INVALIDARG; // the word processor's menu bar is its own
        }
        const bool temporary = omitted(Temporary) ? false : truth(Temporary).value_or(false);
        const int id = model.addBar(utf8, *position, temporary);
        return hand<OfficeBar>(bar, context_, id);
    }

private:
    std::shared_ptr<OfficeContext> context_;
};

class OfficeApplication final : public VtableObject<_Application> {
public:
    explicit OfficeApplication(std::shared_ptr<OfficeContext> context)
        : context_(std::move(context)) {}

    HRESULT get_CommandBars(_CommandBars** bars) override {
        return hand<OfficeBars>(bars, context_);
    }
    HRESULT get_ActiveDocument(Document** document) override {
        if (document == nullptr) {
            return E_POINTER;
        }
        *document = nullptr;
        auto path = context_->services.activeDocumentPath();
        if (!path) {
            return kNoDocumentOpen;
        }
        return hand<OfficeDocument>(document, std::move(*path));
    }

private:
    std::shared_ptr<OfficeContext> context_;
};

} // namespace

OfficeButton::OfficeButton(std::shared_ptr<OfficeContext> context, int id)
    : context_(std::move(context)), id_(id),
      clicks_(&addConnectionPoint(DIID__CommandBarButtonEvents)) {
}

void* OfficeButton::findInterface(REFIID riid) {
    if (riid == CommandBarControl::iid) {
        return static_cast<CommandBarControl*>(this);
    }
    return ConnectableObject::findInterface(riid);
}

int OfficeButton::click() {
    int called = 0;
    for (const auto& sink : clicks_->dispatchSinks()) {
        VARIANT_BOOL cancelDefault = VARIANT_FALSE;
        // Arguments travel last first: CancelDefault (by reference), then Ctrl.
        VARIANT args[2];
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        args[0].vt = VT_BOOL | VT_BYREF;
        args[0].pboolVal = &cancelDefault;
        args[1].vt = VT_DISPATCH;
        args[1].pdispVal = static_cast<_CommandBarButton*>(this);
        DISPPARAMS params{args, nullptr, 2, 0};
        VARIANT result;
        VariantInit(&result);
        sink->Invoke(DISPID_CommandBarButtonEvents_Click, GUID_NULL, LOCALE_USER_DEFAULT,
                     DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        VariantClear(&result);
        ++called;
    }
    return called;
}

void OfficeButton::detach() {
    clicks_->unadviseAll();
}

HRESULT OfficeButton::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) {
        return E_POINTER;
    }
    *pctinfo = 0;
    return S_OK;
}

HRESULT OfficeButton::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr) {
        *ppTInfo = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT OfficeButton::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return DISP_E_UNKNOWNNAME;
}

HRESULT OfficeButton::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT OfficeButton::update(const std::function<void(ButtonState&)>& change) {
    return context_->services.commandBars().updateButton(id_, change) ? S_OK : E_FAIL;
}

HRESULT OfficeButton::put_Style(MsoButtonStyle style) {
    if (style < msoButtonAutomatic || style > msoButtonIconAndCaption) {
        return E_INVALIDARG;
    }
    return update([style](ButtonState& b) { b.style = static_cast<ButtonStyle>(style); });
}

HRESULT OfficeButton::PasteFace() {
    auto picture = context_->services.clipboardPicture();
    if (picture.empty()) {
        return E_FAIL; // nothing to paste, as in Office
    }
    return update([&picture](ButtonState& b) { b.facePng = std::move(picture); });
}

HRESULT OfficeButton::put_Visible(VARIANT_BOOL visible) {
    return update([visible](ButtonState& b) { b.visible = visible != VARIANT_FALSE; });
}

HRESULT OfficeButton::put_Caption(BSTR caption) {
    return update([caption](ButtonState& b) { b.caption = com::toUtf8(caption); });
}

HRESULT OfficeButton::put_Enabled(VARIANT_BOOL enabled) {
    return update([enabled](ButtonState& b) { b.enabled = enabled != VARIANT_FALSE; });
}

HRESULT OfficeButton::put_TooltipText(BSTR text) {
    return update([text](ButtonState& b) { b.tooltip = com::toUtf8(text); });
}

HRESULT OfficeButton::put_Tag(BSTR tag) {
    return update([tag](ButtonState& b) { b.tag = com::toUtf8(tag); });
}

ComPtr<_Application> makeOfficeApplication(std::shared_ptr<OfficeContext> context) {
    ComPtr<OfficeApplication> application = com::make<OfficeApplication>(std::move(context));
    return ComPtr<_Application>(application.get());
}

} // namespace ostrel::bridge
