// The office objects an add-in sees in the word processor, against a recorded host:
// what each call leaves in the command-bar model, the Click event's delivery, and the
// active document's answers.
#include "command_bars.h"
#include "office_objects.h"

#include "com/bstr.h"
#include "com/variant.h"

#include <gtest/gtest.h>

namespace {

using namespace ostrel::bridge;
using ostrel::com::Bstr;
using ostrel::com::ComPtr;
using ostrel::com::Variant;

class RecordedHost final : public HostServices {
public:
    CommandBarModel& commandBars() override { return model; }
    std::optional<std::string> activeDocumentPath() override { return document; }
    std::vector<std::uint8_t> clipboardPicture() override { return clipboard; }

    CommandBarModel model;
    std::optional<std::string> document;
    std::vector<std::uint8_t> clipboard;
};

// A Click subscriber, as an add-in's sink: records what each Invoke brought.
class ClickSink final : public ostrel::com::Implements<IDispatch> {
public:
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*,
                   EXCEPINFO*, UINT*) override {
        ++clicks;
        lastMember = member;
        lastFlags = flags;
        argumentCount = params->cArgs;
        if (params->cArgs == 2) {
            ctrlType = params->rgvarg[1].vt;
            ctrl = params->rgvarg[1].pdispVal;
            cancelType = params->rgvarg[0].vt;
        }
        return S_OK;
    }

    int clicks = 0;
    DISPID lastMember = 0;
    WORD lastFlags = 0;
    UINT argumentCount = 0;
    VARTYPE ctrlType = VT_EMPTY;
    VARTYPE cancelType = VT_EMPTY;
    IDispatch* ctrl = nullptr;

protected:
    void* findInterface(REFIID riid) override {
        if (riid == DIID__CommandBarButtonEvents) {
            return static_cast<IDispatch*>(this);
        }
        return Implements::findInterface(riid);
    }
};

class OfficeObjects : public ::testing::Test {
protected:
    OfficeObjects() {
        context = std::make_shared<OfficeContext>(host);
        application = makeOfficeApplication(context);
    }
    ~OfficeObjects() override {
        for (auto& [id, button] : context->buttons) {
            button->detach();
        }
        context->buttons.clear();
    }

    // CommandBars.Add("MyAddin", top, missing, temporary) as the add-in calls it.
    ComPtr<CommandBar> addBar(const char* name, HRESULT* result = nullptr) {
        ComPtr<_CommandBars> bars;
        EXPECT_EQ(application->get_CommandBars(bars.put()), S_OK);
        ComPtr<CommandBar> bar;
        const HRESULT h = bars->Add(Variant::textUtf8(name).get(), Variant::i4(msoBarTop).get(),
                                    Variant::omitted().get(), Variant::flag(true).get(), bar.put());
        if (result != nullptr) {
            *result = h;
        }
        return bar;
    }

    ComPtr<_CommandBarButton> addButton(CommandBar& bar) {
        ComPtr<CommandBarControls> controls;
        EXPECT_EQ(bar.get_Controls(controls.put()), S_OK);
        ComPtr<CommandBarControl> control;
        const Variant missing = Variant::omitted();
        EXPECT_EQ(controls->Add(Variant::i4(msoControlButton).get(), missing.get(), missing.get(),
                                missing.get(), Variant::flag(true).get(), control.put()),
                  S_OK);
        return control.as<_CommandBarButton>();
    }

    RecordedHost host;
    std::shared_ptr<OfficeContext> context;
    ComPtr<_Application> application;
};

TEST_F(OfficeObjects, TheAddinsCallsBuildAVisibleBarWithOneConfiguredButton) {
    host.clipboard = {0x89, 'P', 'N', 'G'};
    ComPtr<CommandBar> bar = addBar("MyAddin");
    ASSERT_TRUE(bar);
    ComPtr<_CommandBarButton> button = addButton(*bar);
    ASSERT_TRUE(button);

    const Bstr text(u"Ostrel Word To PDF 3.0");
    EXPECT_EQ(button->put_Style(msoButtonIconAndCaption), S_OK);
    EXPECT_EQ(button->PasteFace(), S_OK);
    EXPECT_EQ(button->put_Visible(VARIANT_TRUE), S_OK);
    EXPECT_EQ(button->put_Caption(text.get()), S_OK);
    EXPECT_EQ(button->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_EQ(button->put_TooltipText(text.get()), S_OK);
    EXPECT_EQ(button->put_Tag(text.get()), S_OK);
    EXPECT_EQ(bar->put_Visible(VARIANT_TRUE), S_OK);

    const auto bars = host.model.bars();
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0].name, "MyAddin");
    EXPECT_EQ(bars[0].position, msoBarTop);
    EXPECT_TRUE(bars[0].visible);
    EXPECT_TRUE(bars[0].temporary);
    ASSERT_EQ(bars[0].buttons.size(), 1u);
    const ButtonState& state = bars[0].buttons[0];
    EXPECT_EQ(state.style, ButtonStyle::IconAndCaption);
    EXPECT_EQ(state.caption, "Ostrel Word To PDF 3.0");
    EXPECT_EQ(state.tooltip, "Ostrel Word To PDF 3.0");
    EXPECT_EQ(state.tag, "Ostrel Word To PDF 3.0");
    EXPECT_TRUE(state.enabled);
    EXPECT_TRUE(state.visible);
    EXPECT_EQ(state.facePng, host.clipboard);

    EXPECT_EQ(button->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(host.model.button(state.id)->enabled);
}

TEST_F(OfficeObjects, BarNamesAreUniqueAndAMenuBarIsRefused) {
    ASSERT_TRUE(addBar("MyAddin"));
    HRESULT again = S_OK;
    EXPECT_FALSE(addBar("myaddin", &again));
    EXPECT_EQ(again, E_INVALIDARG);

    ComPtr<_CommandBars> bars;
    ASSERT_EQ(application->get_CommandBars(bars.put()), S_OK);
    ComPtr<CommandBar> menu;
    EXPECT_EQ(bars->Add(Variant::textUtf8("Menu").get(), Variant::i4(msoBarTop).get(),
                        Variant::boolean(true).get(), Variant::flag(true).get(), menu.put()),
              E_INVALIDARG);
    EXPECT_EQ(host.model.bars().size(), 1u);
}

TEST_F(OfficeObjects, PasteFaceWithoutAPictureFailsAndKeepsTheFace) {
    ComPtr<CommandBar> bar = addBar("MyAddin");
    ComPtr<_CommandBarButton> button = addButton(*bar);
    EXPECT_EQ(button->PasteFace(), E_FAIL);
    EXPECT_TRUE(host.model.bars()[0].buttons[0].facePng.empty());
}

TEST_F(OfficeObjects, ClickReachesEachAdvisedSinkWithTheButtonAndCancelDefault) {
    ComPtr<CommandBar> bar = addBar("MyAddin");
    ComPtr<_CommandBarButton> button = addButton(*bar);
    auto points = button.as<IConnectionPointContainer>();
    ASSERT_TRUE(points);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(points->FindConnectionPoint(DIID__CommandBarButtonEvents, point.put()), S_OK);
    ComPtr<ClickSink> sink = ostrel::com::make<ClickSink>();
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(sink->unknown(), &cookie), S_OK);

    const int id = context->buttons.begin()->first;
    EXPECT_EQ(context->buttons.at(id)->click(), 1);
    EXPECT_EQ(sink->clicks, 1);
    EXPECT_EQ(sink->lastMember, DISPID_CommandBarButtonEvents_Click);
    EXPECT_EQ(sink->lastFlags, DISPATCH_METHOD);
    EXPECT_EQ(sink->argumentCount, 2u);
    EXPECT_EQ(sink->ctrlType, VT_DISPATCH);
    EXPECT_EQ(sink->cancelType, VT_BOOL | VT_BYREF);
    // Ctrl is the button itself.
    EXPECT_EQ(ComPtr<IDispatch>(sink->ctrl).as<IUnknown>(), button.as<IUnknown>());

    ASSERT_EQ(point->Unadvise(cookie), S_OK);
    EXPECT_EQ(context->buttons.at(id)->click(), 0);
    EXPECT_EQ(sink->clicks, 1);
}

TEST_F(OfficeObjects, ActiveDocumentFailsWithoutOneAndNamesItsFile) {
    ComPtr<Document> document;
    EXPECT_EQ(application->get_ActiveDocument(document.put()), kNoDocumentOpen);
    EXPECT_FALSE(document);

    host.document = std::string(); // open, never saved
    ASSERT_EQ(application->get_ActiveDocument(document.put()), S_OK);
    Bstr name;
    ASSERT_EQ(document->get_FullName(name.put()), S_OK);
    EXPECT_TRUE(name.empty());

    host.document = "/home/ann/Berichte/März.docx";
    ASSERT_EQ(application->get_ActiveDocument(document.put()), S_OK);
    ASSERT_EQ(document->get_FullName(name.put()), S_OK);
    EXPECT_EQ(name.toUtf8(), "/home/ann/Berichte/März.docx");
}

TEST(ButtonCommands, RoundTripAndRejectOtherUrls) {
    EXPECT_EQ(buttonFromCommand(buttonCommand(12)), 12);
    EXPECT_FALSE(buttonFromCommand("vnd.ostrel.addin:button?id=0"));
    EXPECT_FALSE(buttonFromCommand("vnd.ostrel.addin:button?id=12x"));
    EXPECT_FALSE(buttonFromCommand("vnd.ostrel.addin:button?id="));
    EXPECT_FALSE(buttonFromCommand(".uno:Save"));
}

} // namespace
