// The Word application as an add-in sees it: `_Application` with its command bars and
// active document, the command bars, a bar's controls and the buttons with their Click
// event. Each call changes or reads the command-bar model and the host's services;
// nothing here knows the office. Add-in thread only.
#pragma once

#include "host_services.h"

#include "com/comptr.h"
#include "com/connection_point.h"
#include "com/dispatch_server.h"
#include "contract/office.h"

#include <map>
#include <memory>
#include <vector>

namespace ostrel::bridge {

// Word's answer when a command needs a document and none is open.
inline constexpr HRESULT kNoDocumentOpen = hr(0x800A1098);

class OfficeButton;

// What the objects of one application share: the host, and every button created,
// which lives as long as its bar (the add-in may drop its own references).
struct OfficeContext {
    explicit OfficeContext(HostServices& host) : services(host) {}
    HostServices& services;
    std::map<int, com::ComPtr<OfficeButton>> buttons;
};

class OfficeButton final : public com::ConnectableObject<_CommandBarButton> {
public:
    OfficeButton(std::shared_ptr<OfficeContext> context, int id);

    int id() const { return id_; }
    // Raises Click (DISPID 1) for every subscriber, with the button and a CancelDefault
    // flag; answers the number of subscribers called.
    int click();
    // The button is gone from its bar: its subscribers are dropped.
    void detach();
    // Those advised on Click.
    std::vector<com::ComPtr<IDispatch>> subscribers() const { return clicks_->dispatchSinks(); }

    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    HRESULT put_Style(MsoButtonStyle style) override;
    HRESULT PasteFace() override;
    HRESULT put_Visible(VARIANT_BOOL visible) override;
    HRESULT put_Caption(BSTR caption) override;
    HRESULT put_Enabled(VARIANT_BOOL enabled) override;
    HRESULT put_TooltipText(BSTR text) override;
    HRESULT put_Tag(BSTR tag) override;

protected:
    void* findInterface(REFIID riid) override;

private:
    HRESULT update(const std::function<void(ButtonState&)>& change);

    std::shared_ptr<OfficeContext> context_;
    int id_;
    com::ConnectionPoint* clicks_;
};

// The application object handed to OnConnection.
com::ComPtr<_Application> makeOfficeApplication(std::shared_ptr<OfficeContext> context);

} // namespace ostrel::bridge
