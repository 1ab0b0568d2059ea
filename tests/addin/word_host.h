// A word processor of our own for the add-in: it offers the Word and Office interfaces
// the add-in calls, records what the add-in does with them, loads add-ins the way Word
// does (the Word add-in key, LoadBehavior 3, ProgID, class, _IDTExtensibility2) and
// fires the button's Click.
#pragma once

#include "com/comptr.h"
#include "com/connection_point.h"
#include "com/object.h"
#include "contract/office.h"
#include "com/variant.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace hosttest {

using ostrel::com::ComPtr;
using ostrel::com::Variant;

// IDispatch members for objects the add-in only calls through their vtables.
template <class Base> class NoDispatch : public Base {
public:
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (count != nullptr) {
            *count = 0;
        }
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

class HostButton final : public NoDispatch<ostrel::com::ConnectableObject<_CommandBarButton>> {
public:
    HostButton();

    HRESULT put_Style(MsoButtonStyle style) override;
    HRESULT PasteFace() override;
    HRESULT put_Visible(VARIANT_BOOL visible) override;
    HRESULT put_Caption(BSTR caption) override;
    HRESULT put_Enabled(VARIANT_BOOL enabled) override;
    HRESULT put_TooltipText(BSTR text) override;
    HRESULT put_Tag(BSTR tag) override;

    // Fires Click on every advised sink, as the word processor does on a press.
    HRESULT click();
    // Fires another event of the interface (one the add-in does not handle).
    HRESULT fire(DISPID event);
    std::size_t sinkCount() const { return clicks_->sinkCount(); }
    std::vector<ComPtr<IDispatch>> sinks() const { return clicks_->dispatchSinks(); }

    QStringList calls;   // the members called, in order
    QString failingCall; // a member that answers `failure` instead
    HRESULT failure = E_FAIL;
    long style = -1;
    bool visible = false;
    bool enabled = false;
    QString caption;
    QString tooltip;
    QString tag;
    QImage face;

protected:
    void* findInterface(REFIID riid) override;

private:
    ostrel::com::ConnectionPoint* clicks_;
};

class HostControls final : public NoDispatch<ostrel::com::Implements<CommandBarControls>> {
public:
    HRESULT Add(VARIANT Type, VARIANT Id, VARIANT Parameter, VARIANT Before, VARIANT Temporary,
                CommandBarControl** control) override;

    struct Added {
        Variant type, id, parameter, before, temporary;
        ComPtr<HostButton> button;
    };
    std::vector<Added> added;
    QString failingCall; // handed to the buttons made here
    HRESULT failure = E_FAIL;
};

class HostCommandBar final : public NoDispatch<ostrel::com::Implements<CommandBar>> {
public:
    HostCommandBar();
    HRESULT get_Controls(CommandBarControls** controls) override;
    HRESULT put_Visible(VARIANT_BOOL visible) override;

    Variant name, position, menuBar, temporary;
    bool visible = false;
    ComPtr<HostControls> controls;
};

class HostCommandBars final : public NoDispatch<ostrel::com::Implements<_CommandBars>> {
public:
    HRESULT Add(VARIANT Name, VARIANT Position, VARIANT MenuBar, VARIANT Temporary,
                CommandBar** bar) override;

    std::vector<ComPtr<HostCommandBar>> bars;
    QString failingButtonCall; // handed to the buttons of the bars made here
    HRESULT failure = E_FAIL;
};

class HostDocument final : public NoDispatch<ostrel::com::Implements<Document>> {
public:
    explicit HostDocument(QString fullName) : fullName_(std::move(fullName)) {}
    HRESULT get_FullName(BSTR* name) override;

private:
    QString fullName_;
};

class HostApplication final : public NoDispatch<ostrel::com::Implements<_Application>> {
public:
    HostApplication();
    HRESULT get_CommandBars(_CommandBars** bars) override;
    HRESULT get_ActiveDocument(Document** document) override;

    // Word's answer when no document is open.
    static constexpr HRESULT NoDocument = hr(0x800A1066);

    ComPtr<HostCommandBars> commandBars;
    ComPtr<HostDocument> activeDocument; // none: ActiveDocument fails
    HRESULT commandBarsFailure = S_OK;   // answered by CommandBars when set
};

// Loads, connects and unloads the add-ins registered for Word.
class WordHost {
public:
    WordHost();
    ~WordHost();
    WordHost(const WordHost&) = delete;
    WordHost& operator=(const WordHost&) = delete;

    // Every add-in under HKCU\Software\Microsoft\Office\Word\Addins with LoadBehavior 3:
    // created by its ProgID and connected. Answers the first failure.
    HRESULT loadAddins();
    // OnDisconnection, release, and the unloading of libraries that allow it.
    void unloadAddins();

    ComPtr<HostApplication> application;
    struct Loaded {
        std::string progId;
        ComPtr<_IDTExtensibility2> addin;
    };
    std::vector<Loaded> loaded;

private:
    bool initialised_ = false;
};

} // namespace hosttest
