// BSTR and VARIANT rules, GUID texts and the per-thread apartment.
#include "com/bstr.h"
#include "com/comptr.h"
#include "com/guid.h"
#include "com/object.h"
#include "com/variant.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

using namespace ostrel::com;

namespace {

// Counts its references and records its end.
class Counted final : public Implements<IDispatch> {
public:
    explicit Counted(bool* destroyed) : destroyed_(destroyed) {}
    ~Counted() override { *destroyed_ = true; }
    ULONG references() {
        AddRef();
        return Release();
    }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

private:
    bool* destroyed_;
};

TEST(Bstr, LayoutIsLengthPrefixedAndTerminated) {
    BSTR text = SysAllocStringLen(u"ab\0cd", 5);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 5u);
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<char*>(text) - 4, 4);
    EXPECT_EQ(bytes, 10u); // a byte count, as COM keeps it
    EXPECT_EQ(text[2], u'\0');
    EXPECT_EQ(text[5], u'\0');
    SysFreeString(text);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(Bstr, ConvertsBetweenUtf8QStringAndUtf16) {
    const Bstr text = Bstr::fromUtf8("Zürich 東京 😀");
    EXPECT_EQ(text.view(), u"Zürich 東京 😀");
    EXPECT_EQ(text.length(), 12u); // the emoji takes two UTF-16 units
    EXPECT_EQ(text.toUtf8(), "Zürich 東京 😀");
    EXPECT_EQ(text.toQString(), QStringLiteral("Zürich 東京 😀"));

    const Bstr empty;
    EXPECT_EQ(empty.get(), nullptr);
    EXPECT_EQ(empty.toUtf8(), "");
    EXPECT_TRUE(empty.empty());

    Bstr copy = text;
    EXPECT_NE(copy.get(), text.get());
    EXPECT_EQ(copy, text);
    Bstr moved = std::move(copy);
    EXPECT_EQ(copy.get(), nullptr);
    EXPECT_EQ(moved, text);
}

TEST(VariantRules, ClearFreesOwnedContentsAndLeavesReferencesAlone) {
    bool destroyed = false;
    auto* object = new Counted(&destroyed);
    VARIANT holder;
    VariantInit(&holder);
    holder.vt = VT_DISPATCH;
    holder.pdispVal = object; // the variant owns the one reference
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_BYREF | VT_VARIANT;
    byRef.pvarVal = &holder;

    EXPECT_EQ(VariantClear(&byRef), S_OK);
    EXPECT_EQ(byRef.vt, VT_EMPTY);
    EXPECT_FALSE(destroyed) << "clearing a reference released its target";
    EXPECT_EQ(holder.vt, VT_DISPATCH);

    EXPECT_EQ(VariantClear(&holder), S_OK);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(holder.vt, VT_EMPTY);

    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x7F;
    EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(VariantRules, CopyDuplicatesStringsAndAddsReferences) {
    bool destroyed = false;
    {
        auto counted = make<Counted>(&destroyed);
        Variant original = Variant::dispatch(counted.get());
        EXPECT_EQ(counted->references(), 2u);
        {
            const Variant copy = original;
            EXPECT_EQ(counted->references(), 3u);
            EXPECT_EQ(copy.get().pdispVal, counted.get());
        }
        EXPECT_EQ(counted->references(), 2u);

        const Variant text = Variant::text(u"hello");
        Variant duplicate;
        ASSERT_EQ(VariantCopy(duplicate.put(), &text.get()), S_OK);
        EXPECT_NE(duplicate.get().bstrVal, text.get().bstrVal);
        EXPECT_EQ(duplicate.toQString(), QStringLiteral("hello"));

        // Copying over a variant clears what it held.
        ASSERT_EQ(VariantCopy(original.put(), &text.get()), S_OK);
        EXPECT_EQ(counted->references(), 1u);
    }
    EXPECT_TRUE(destroyed);
}

TEST(VariantRules, MakersFollowTheArgumentEncoding) {
    EXPECT_EQ(Variant::flag(true).vt(), VT_I2);
    EXPECT_EQ(Variant::flag(true).get().iVal, -1);
    EXPECT_EQ(Variant::flag(false).get().iVal, 0);
    EXPECT_EQ(Variant::i4(-7).vt(), VT_I4);
    EXPECT_EQ(Variant::i4(-7).get().lVal, -7);
    EXPECT_EQ(Variant::omitted().vt(), VT_ERROR);
    EXPECT_EQ(Variant::omitted().get().scode, DISP_E_PARAMNOTFOUND);
    EXPECT_TRUE(Variant::omitted().isOmitted());
    EXPECT_FALSE(Variant::error(E_FAIL).isOmitted());
    EXPECT_EQ(Variant::boolean(true).vt(), VT_BOOL);
    EXPECT_EQ(Variant::boolean(true).get().boolVal, VARIANT_TRUE);
    EXPECT_EQ(Variant::boolean(false).get().boolVal, VARIANT_FALSE);
    const Variant text = Variant::textUtf8("C:\\tmp.ps");
    EXPECT_EQ(text.vt(), VT_BSTR);
    EXPECT_EQ(std::u16string_view(text.get().bstrVal, SysStringLen(text.get().bstrVal)),
              u"C:\\tmp.ps");
}

TEST(VariantRules, ByRefPointsAtTheVariantAndReadersFollowIt) {
    Variant value = Variant::i4(5);
    VARIANT ref = value.byRef();
    EXPECT_EQ(ref.vt, VT_BYREF | VT_VARIANT);
    EXPECT_EQ(ref.pvarVal, &value.get());
    const Variant read = Variant::valueOf(ref);
    EXPECT_EQ(read.vt(), VT_I4);
    EXPECT_EQ(read.toInt32(), 5);

    // A callee writing through the reference changes the caller's variant.
    *ref.pvarVal = Variant::i4(9).release();
    EXPECT_EQ(value.toInt32(), 9);

    // Typed references too.
    SHORT number = -1;
    VARIANT typed;
    VariantInit(&typed);
    typed.vt = VT_BYREF | VT_I2;
    typed.piVal = &number;
    EXPECT_EQ(Variant::valueOf(typed).vt(), VT_I2);
    EXPECT_EQ(Variant::valueOf(typed).toBool(), true);
    BSTR text = SysAllocString(u"kept");
    VARIANT typedText;
    VariantInit(&typedText);
    typedText.vt = VT_BYREF | VT_BSTR;
    typedText.pbstrVal = &text;
    {
        const Variant copy = Variant::valueOf(typedText);
        EXPECT_EQ(copy.toQString(), QStringLiteral("kept"));
        EXPECT_NE(copy.get().bstrVal, text);
    }
    SysFreeString(text);
}

TEST(VariantRules, ReadersAnswerNothingForOtherTypes) {
    EXPECT_FALSE(Variant::text(u"3").toInt32());
    EXPECT_FALSE(Variant::i4(3).toQString());
    EXPECT_FALSE(Variant().toBool());
    EXPECT_FALSE(Variant::i4(3).toDispatch());
    EXPECT_EQ(Variant::boolean(true).toInt32(), -1);
}

TEST(Guid, TextsRoundTripInTheRegistryForm) {
    const CLSID clsid{0x89636228, 0xFA0F, 0x4743, {0x8A, 0xF8, 0x8D, 0x7D, 0xA1, 0x9B, 0x83, 0x44}};
    EXPECT_EQ(guidToString(clsid), "{89636228-FA0F-4743-8AF8-8D7DA19B8344}");
    EXPECT_EQ(guidFromString("{89636228-fa0f-4743-8af8-8d7da19b8344}"), clsid);

    OLECHAR wide[39];
    EXPECT_EQ(StringFromGUID2(clsid, wide, 39), 39);
    EXPECT_EQ(std::u16string_view(wide), u"{89636228-FA0F-4743-8AF8-8D7DA19B8344}");
    EXPECT_EQ(StringFromGUID2(clsid, wide, 38), 0);

    CLSID parsed{};
    EXPECT_EQ(CLSIDFromString(wide, &parsed), S_OK);
    EXPECT_EQ(parsed, clsid);
    for (const char16_t* bad :
         {u"89636228-FA0F-4743-8AF8-8D7DA19B8344", u"{89636228-FA0F-4743-8AF8-8D7DA19B834}",
          u"{89636228-FA0F-4743-8AF8-8D7DA19B8344}x", u"{89636228+FA0F-4743-8AF8-8D7DA19B8344}",
          u"{8963622G-FA0F-4743-8AF8-8D7DA19B8344}", u""}) {
        EXPECT_EQ(CLSIDFromString(bad, &parsed), CO_E_CLASSSTRING)
            << QString::fromUtf16(bad).toStdString();
    }
}

TEST(Apartment, EachThreadHasItsOwnModelAndCount) {
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);

    HRESULT other = E_FAIL;
    std::thread([&] {
        other = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CoUninitialize();
    }).join();
    EXPECT_EQ(other, S_OK) << "another thread saw this thread's apartment";

    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE)
        << "one CoUninitialize of two ended the apartment";
    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
}

TEST(ComPtrRules, CountsReferencesAndQueriesByInterfaceId) {
    bool destroyed = false;
    {
        ComPtr<Counted> object = make<Counted>(&destroyed);
        EXPECT_EQ(object->references(), 1u);
        ComPtr<IDispatch> dispatch = object.as<IDispatch>();
        ASSERT_TRUE(dispatch);
        EXPECT_EQ(object->references(), 2u);
        ComPtr<IUnknown> unknown = dispatch.as<IUnknown>();
        EXPECT_EQ(object->references(), 3u);
        EXPECT_FALSE(dispatch.as<IClassFactory>());
        ComPtr<IDispatch> moved = std::move(dispatch);
        EXPECT_FALSE(dispatch);
        EXPECT_EQ(object->references(), 3u);
        IDispatch* raw = moved.detach();
        EXPECT_EQ(object->references(), 3u);
        ComPtr<IDispatch> adopted = ComPtr<IDispatch>::attach(raw);
        EXPECT_EQ(object->references(), 3u);
    }
    EXPECT_TRUE(destroyed);
}

} // namespace
