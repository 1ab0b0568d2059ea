// The dispatch helper (caller side), the dispatch server base (callee side) and the
// connection points, each checked against a hand-written counterpart.
#include "com/bstr.h"
#include "com/connection_point.h"
#include "com/dispatch.h"
#include "com/dispatch_server.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace ostrel::com;

namespace {

// A raw IDispatch that records how each call arrived.
class Recorder final : public Implements<IDispatch> {
public:
    struct Call {
        DISPID member = 0;
        WORD flags = 0;
        std::vector<VARTYPE> slotTypes; // rgvarg as it came, COM order
        std::vector<int> naturalValues; // the I4/I2 values, first argument first
        std::vector<DISPID> named;
        bool resultRequested = false;
    };

    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT*) override {
        Call call;
        call.member = member;
        call.flags = flags;
        call.resultRequested = result != nullptr;
        for (UINT i = 0; i < params->cArgs; ++i) {
            call.slotTypes.push_back(params->rgvarg[i].vt);
        }
        for (UINT i = params->cArgs; i > 0; --i) {
            call.naturalValues.push_back(
                Variant::valueOf(params->rgvarg[i - 1]).toInt32().value_or(-999));
        }
        for (UINT i = 0; i < params->cNamedArgs; ++i) {
            call.named.push_back(params->rgdispidNamedArgs[i]);
        }
        calls.push_back(call);
        if (member == 50) { // writes 77 through the first argument's reference
            VARIANT* target = params->rgvarg[params->cArgs - 1].pvarVal;
            VariantClear(target);
            target->vt = VT_I4;
            target->lVal = 77;
        }
        if (member == 60) {
            exception->bstrSource = SysAllocString(u"Recorder");
            exception->pfnDeferredFillIn = [](EXCEPINFO* info) -> HRESULT {
                info->bstrDescription = SysAllocString(u"filled late");
                info->scode = E_ABORT;
                return S_OK;
            };
            return DISP_E_EXCEPTION;
        }
        if (result != nullptr) {
            *result = Variant::i4(member * 2).release();
        }
        return S_OK;
    }

    std::vector<Call> calls;
};

TEST(DispatchHelper, PassesArgumentsReversedAndByReference) {
    auto recorder = make<Recorder>();
    std::vector<Variant> args{Variant::i4(1), Variant::flag(false), Variant::i4(3),
                              Variant::omitted()};
    const DispatchResult result = invokeMethod(recorder.get(), 15, args);
    ASSERT_EQ(result.hr, S_OK);
    EXPECT_EQ(result.value.toInt32(), 30);
    ASSERT_EQ(recorder->calls.size(), 1u);
    const auto& call = recorder->calls[0];
    EXPECT_EQ(call.member, 15);
    EXPECT_EQ(call.flags, DISPATCH_METHOD);
    EXPECT_TRUE(call.named.empty());
    EXPECT_TRUE(call.resultRequested);
    ASSERT_EQ(call.slotTypes.size(), 4u);
    for (const VARTYPE vt : call.slotTypes) {
        EXPECT_EQ(vt, VT_BYREF | VT_VARIANT);
    }
    // The last slot is the first argument.
    EXPECT_EQ(call.naturalValues, (std::vector<int>{1, 0, 3, -999}));
}

TEST(DispatchHelper, PutNamesItsValueAndAsksNoResult) {
    auto recorder = make<Recorder>();
    ASSERT_EQ(putProperty(recorder.get(), 23, Variant::flag(false)).hr, S_OK);
    const auto& call = recorder->calls.at(0);
    EXPECT_EQ(call.flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(call.named, (std::vector<DISPID>{DISPID_PROPERTYPUT}));
    EXPECT_FALSE(call.resultRequested);
    EXPECT_EQ(call.slotTypes, (std::vector<VARTYPE>{VT_BYREF | VT_VARIANT}));

    ASSERT_EQ(getProperty(recorder.get(), 86).hr, S_OK);
    EXPECT_EQ(recorder->calls.at(1).flags, DISPATCH_PROPERTYGET);
    EXPECT_TRUE(recorder->calls.at(1).slotTypes.empty());
}

TEST(DispatchHelper, ACalleeWritingThroughAReferenceChangesTheCallersVariant) {
    auto recorder = make<Recorder>();
    std::vector<Variant> args{Variant::text(u"replaced"), Variant::i4(2)};
    ASSERT_EQ(invokeMethod(recorder.get(), 50, args).hr, S_OK);
    EXPECT_EQ(args[0].vt(), VT_I4);
    EXPECT_EQ(args[0].toInt32(), 77);
    EXPECT_EQ(args[1].toInt32(), 2);
}

TEST(DispatchHelper, AnAutomationExceptionIsCopiedOutIncludingDeferredFields) {
    auto recorder = make<Recorder>();
    const DispatchResult result = invokeMethod(recorder.get(), 60);
    EXPECT_EQ(result.hr, DISP_E_EXCEPTION);
    EXPECT_TRUE(result.failed());
    EXPECT_EQ(result.exception.source, QStringLiteral("Recorder"));
    EXPECT_EQ(result.exception.description, QStringLiteral("filled late"));
    EXPECT_EQ(result.exception.scode, E_ABORT);
    EXPECT_EQ(invokeMethod(nullptr, 1).hr, E_POINTER);
}

// A server written on the base class: member 1 echoes its arguments' count and the
// text of argument 0; member 2 is a property; member 3 throws.
class Echo final : public DispatchObject<IDispatch> {
public:
    QString lastText;
    std::int32_t property = 0;
    bool lastOmitted = false;

protected:
    HRESULT invoke(DispatchCall& call) override {
        switch (call.member()) {
        case 1: {
            const auto text = call.stringArg(0);
            if (!text) {
                return call.typeMismatch(0);
            }
            lastText = *text;
            lastOmitted = call.isOmitted(1);
            return call.setResult(Variant::i4(static_cast<std::int32_t>(call.count())));
        }
        case 2:
            if (call.isPut()) {
                const auto value = Variant::valueOf(call.putValue()).toInt32();
                if (!value) {
                    return call.typeMismatch(call.count() - 1);
                }
                property = *value;
                return S_OK;
            }
            return call.setResult(Variant::i4(property));
        case 3:
            throw std::runtime_error("thrown inside");
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }
    std::optional<DISPID> dispatchIdOf(const QString& name) override {
        if (name.compare(QStringLiteral("Echo"), Qt::CaseInsensitive) == 0) {
            return 1;
        }
        return std::nullopt;
    }
};

TEST(DispatchServer, SeesArgumentsInNaturalOrderThroughReferences) {
    auto echo = make<Echo>();
    std::vector<Variant> args{Variant::text(u"first"), Variant::omitted(), Variant::i4(3)};
    const DispatchResult result = invokeMethod(echo.get(), 1, args);
    ASSERT_EQ(result.hr, S_OK);
    EXPECT_EQ(result.value.toInt32(), 3);
    EXPECT_EQ(echo->lastText, QStringLiteral("first"));
    EXPECT_TRUE(echo->lastOmitted);

    ASSERT_EQ(putProperty(echo.get(), 2, Variant::i2(12)).hr, S_OK);
    EXPECT_EQ(echo->property, 12);
    EXPECT_EQ(getProperty(echo.get(), 2).value.toInt32(), 12);
}

TEST(DispatchServer, ReportsTheOffendingArgumentInComOrder) {
    auto echo = make<Echo>();
    std::vector<Variant> args{Variant::i4(1), Variant::i4(2)};
    const DispatchResult result = invokeMethod(echo.get(), 1, args);
    EXPECT_EQ(result.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(result.argumentError, 1u); // argument 0 of 2 sits in slot 1
}

TEST(DispatchServer, RefusesMalformedCallsAndKeepsExceptionsInside) {
    auto echo = make<Echo>();
    EXPECT_EQ(invokeMethod(echo.get(), 99).hr, DISP_E_MEMBERNOTFOUND);

    // A put without the named DISPID_PROPERTYPUT.
    Variant value = Variant::i4(5);
    VARIANT ref = value.byRef();
    DISPPARAMS params{&ref, nullptr, 1, 0};
    EXPECT_EQ(
        echo->Invoke(2, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr),
        DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(echo->property, 0);

    const DispatchResult thrown = invokeMethod(echo.get(), 3);
    EXPECT_EQ(thrown.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(thrown.exception.description, QStringLiteral("thrown inside"));

    // No arguments at all: a null DISPPARAMS is an empty one.
    Variant result;
    EXPECT_EQ(echo->Invoke(2, GUID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, result.put(), nullptr,
                           nullptr),
              S_OK);
    EXPECT_EQ(result.toInt32(), 0);
}

TEST(DispatchServer, AnswersNamesAndNoTypeInformation) {
    auto echo = make<Echo>();
    UINT count = 9;
    EXPECT_EQ(echo->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    Bstr known(u"ECHO");
    Bstr unknown(u"Other");
    LPOLESTR names[] = {known.get(), unknown.get()};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(echo->GetIDsOfNames(GUID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
}

// --- connection points -------------------------------------------------------------

constexpr IID kClickEvents{0x000C0351, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class Button final : public ConnectableObject<IDispatch> {
public:
    Button() : clicks_(addConnectionPoint(kClickEvents)) {}
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    void click() {
        for (const auto& sink : clicks_.dispatchSinks()) {
            std::vector<Variant> args{Variant::dispatch(this)};
            invokeMethod(sink.get(), 1, args);
        }
    }
    ConnectionPoint& clicks_;
};

// A sink of the click dispinterface: answers kClickEvents with its IDispatch.
class ClickSink final : public DispatchObject<IDispatch> {
public:
    explicit ClickSink(bool acceptEvents = true) : acceptEvents_(acceptEvents) {}
    int clicks = 0;

protected:
    void* findInterface(REFIID riid) override {
        if (acceptEvents_ && riid == kClickEvents) {
            return static_cast<IDispatch*>(this);
        }
        return DispatchObject<IDispatch>::findInterface(riid);
    }
    HRESULT invoke(DispatchCall& call) override {
        if (call.member() == 1 && call.argument(0).vt == VT_DISPATCH) {
            ++clicks;
        }
        return S_OK;
    }

private:
    bool acceptEvents_;
};

TEST(ConnectionPoints, AdviseFireUnadvise) {
    auto button = make<Button>();
    auto container = button.as<IConnectionPointContainer>();
    ASSERT_TRUE(container);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(kClickEvents, point.put()), S_OK);
    IID iid{};
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, kClickEvents);
    ComPtr<IConnectionPointContainer> back;
    EXPECT_EQ(point->GetConnectionPointContainer(back.put()), S_OK);
    EXPECT_EQ(back.get(), container.get());
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, none.put()), CONNECT_E_NOCONNECTION);
    EXPECT_FALSE(none);

    auto first = make<ClickSink>();
    auto second = make<ClickSink>();
    DWORD firstCookie = 0;
    DWORD secondCookie = 0;
    ASSERT_EQ(point->Advise(first->unknown(), &firstCookie), S_OK);
    ASSERT_EQ(point->Advise(second->unknown(), &secondCookie), S_OK);
    EXPECT_NE(firstCookie, 0u);
    EXPECT_NE(firstCookie, secondCookie);

    button->click();
    EXPECT_EQ(first->clicks, 1);
    EXPECT_EQ(second->clicks, 1);

    EXPECT_EQ(point->Unadvise(firstCookie), S_OK);
    EXPECT_EQ(point->Unadvise(firstCookie), CONNECT_E_NOCONNECTION);
    button->click();
    EXPECT_EQ(first->clicks, 1);
    EXPECT_EQ(second->clicks, 2);

    auto refusing = make<ClickSink>(false);
    DWORD cookie = 5;
    EXPECT_EQ(point->Advise(refusing->unknown(), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
}

TEST(ConnectionPoints, APointKeepsItsContainerAliveAndSinksAreReleasedWithIt) {
    auto sink = make<ClickSink>();
    ComPtr<IConnectionPoint> point;
    {
        auto button = make<Button>();
        ASSERT_EQ(
            button.as<IConnectionPointContainer>()->FindConnectionPoint(kClickEvents, point.put()),
            S_OK);
        DWORD cookie = 0;
        ASSERT_EQ(point->Advise(sink->unknown(), &cookie), S_OK);
    }
    // The button lives on through the point's reference.
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(point->GetConnectionPointContainer(container.put()), S_OK);
    EXPECT_TRUE(container);
    container.reset();
    sink->AddRef();
    EXPECT_EQ(sink->Release(), 2u) << "the point holds the sink";
    point.reset(); // the button goes, and with it its hold on the sink
    sink->AddRef();
    EXPECT_EQ(sink->Release(), 1u);
}

} // namespace
