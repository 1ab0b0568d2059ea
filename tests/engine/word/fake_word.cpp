#include "fake_word.h"

#include "com/com.h"
#include "com/object.h"
#include "contract/word.h"
#include "registry/registrar.h"
#include "system/module_path.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

namespace fakeword {

namespace {

// {5E0C1A44-3B5D-4C4F-9E1A-6F2D8B7C0A11}
constexpr CLSID kFakeClsid{
    0x5E0C1A44, 0x3B5D, 0x4C4F, {0x9E, 0x1A, 0x6F, 0x2D, 0x8B, 0x7C, 0x0A, 0x11}};
constexpr const char* kFakeClsidText = "{5E0C1A44-3B5D-4C4F-9E1A-6F2D8B7C0A11}";

std::mutex stateMutex;
Script currentScript;
std::vector<std::string> calls;
std::atomic<int> alive{0};

void record(const std::string& event) {
    const std::lock_guard lock(stateMutex);
    calls.push_back(event);
}

std::string utf8(const OLECHAR* text) {
    std::string out;
    for (const OLECHAR* c = text; c != nullptr && *c != u'\0'; ++c) {
        // The tests use ASCII paths and texts.
        out.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    }
    return out;
}

std::string describe(const VARIANT& v) {
    char code[16];
    switch (v.vt) {
    case VT_I2:
        return "I2:" + std::to_string(v.iVal);
    case VT_I4:
        return "I4:" + std::to_string(v.lVal);
    case VT_BOOL:
        return "BOOL:" + std::to_string(v.boolVal);
    case VT_BSTR:
        return "BSTR:" + utf8(v.bstrVal);
    case VT_ERROR:
        std::snprintf(code, sizeof code, "%08X", static_cast<unsigned>(v.scode));
        return std::string("ERROR:") + code;
    default:
        if (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal != nullptr) {
            return "&" + describe(*v.pvarVal);
        }
        return "VT" + std::to_string(v.vt);
    }
}

// The arguments in the caller's order (DISPPARAMS holds them last first).
std::vector<const VARIANT*> argumentsOf(const DISPPARAMS* params) {
    std::vector<const VARIANT*> out;
    if (params != nullptr) {
        for (UINT i = params->cArgs; i > 0; --i) {
            out.push_back(&params->rgvarg[i - 1]);
        }
    }
    return out;
}

const VARIANT& valueOf(const VARIANT& argument) {
    return argument.vt == (VT_BYREF | VT_VARIANT) ? *argument.pvarVal : argument;
}

std::string kindOf(WORD flags, const DISPPARAMS* params) {
    switch (flags) {
    case DISPATCH_METHOD:
        return "call";
    case DISPATCH_PROPERTYGET:
        return "get";
    case DISPATCH_PROPERTYPUT:
        return params != nullptr && params->cNamedArgs == 1 &&
                       params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT
                   ? "put"
                   : "put-without-named-argument";
    default:
        return "flags" + std::to_string(flags);
    }
}

HRESULT automationError(EXCEPINFO* info, const char16_t* text) {
    if (info != nullptr) {
        info->scode = DISP_E_EXCEPTION;
        info->bstrSource = SysAllocString(u"Fake Word");
        info->bstrDescription = SysAllocString(text);
    }
    return DISP_E_EXCEPTION;
}

// Counts the fake objects alive, so that tests see every reference released.
class Alive {
public:
    Alive() { ++alive; }
    Alive(const Alive&) = delete;
    Alive& operator=(const Alive&) = delete;
    ~Alive() { --alive; }
};

class FakeObject : public ostrel::com::Implements<IDispatch> {
public:
    explicit FakeObject(std::string name) : name_(std::move(name)) {}

    HRESULT GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }

    HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* info, UINT*) override {
        std::string line = name_ + "." + kindOf(flags, params) + " " + std::to_string(member) + "(";
        const auto arguments = argumentsOf(params);
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            line += (i == 0 ? "" : ", ") + describe(*arguments[i]);
        }
        record(line + ")");
        return answer(member, arguments, result, info);
    }

protected:
    ~FakeObject() override { record(name_ + " released"); }

    virtual HRESULT answer(DISPID member, const std::vector<const VARIANT*>& arguments,
                           VARIANT* result, EXCEPINFO* info) = 0;

    static HRESULT hand(VARIANT* result, IDispatch* object) {
        if (result == nullptr) {
            object->Release();
            return E_POINTER;
        }
        result->vt = VT_DISPATCH;
        result->pdispVal = object;
        return S_OK;
    }

private:
    Alive alive_;
    std::string name_;
};

class FakeDocument final : public FakeObject {
public:
    FakeDocument() : FakeObject("Document") {}

protected:
    HRESULT answer(DISPID member, const std::vector<const VARIANT*>& arguments, VARIANT*,
                   EXCEPINFO* info) override {
        const std::lock_guard lock(stateMutex);
        if (member == ostrel::word::dispid::kPrintOut) {
            if (currentScript.printOutFails || arguments.size() != 18) {
                return automationError(info, u"PrintOut failed");
            }
            const VARIANT& file = valueOf(*arguments[3]);
            if (file.vt != VT_BSTR) {
                return DISP_E_TYPEMISMATCH;
            }
            std::ofstream(utf8(file.bstrVal), std::ios::binary | std::ios::trunc)
                << currentScript.printed;
            return S_OK;
        }
        if (member == ostrel::word::dispid::kClose) {
            return currentScript.closeFails ? automationError(info, u"Close failed") : S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
};

class FakeDocuments final : public FakeObject {
public:
    FakeDocuments() : FakeObject("Documents") {}

protected:
    HRESULT answer(DISPID member, const std::vector<const VARIANT*>& arguments, VARIANT* result,
                   EXCEPINFO* info) override {
        if (member != 15) {
            return DISP_E_MEMBERNOTFOUND;
        }
        {
            const std::lock_guard lock(stateMutex);
            if (currentScript.openFailures > 0) {
                --currentScript.openFailures;
                return automationError(info, u"Open failed");
            }
            if (currentScript.password) {
                const VARIANT* given = arguments.size() > 4 ? &valueOf(*arguments[4]) : nullptr;
                if (given == nullptr || given->vt != VT_BSTR ||
                    utf8(given->bstrVal) != *currentScript.password) {
                    return automationError(info, u"The password is incorrect.");
                }
            }
        }
        return hand(result, new FakeDocument);
    }
};

class FakeApplication final : public FakeObject {
public:
    FakeApplication() : FakeObject("Application") { record("Application created"); }

protected:
    HRESULT answer(DISPID member, const std::vector<const VARIANT*>&, VARIANT* result,
                   EXCEPINFO* info) override {
        const std::lock_guard lock(stateMutex);
        switch (member) {
        case ostrel::word::dispid::kVisible:
            return currentScript.visibleFails ? automationError(info, u"Visible failed") : S_OK;
        case ostrel::word::dispid::kActivePrinter:
            return S_OK;
        case ostrel::word::dispid::kDocuments:
            return hand(result, new FakeDocuments);
        case ostrel::word::dispid::kBackgroundPrintingStatus:
            if (currentScript.statusFails) {
                return automationError(info, u"Status failed");
            }
            result->vt = VT_I4;
            result->lVal = currentScript.pendingJobs;
            if (currentScript.pendingJobs > 0) {
                --currentScript.pendingJobs;
            }
            return S_OK;
        case ostrel::word::dispid::kQuit:
            return currentScript.quitFails ? automationError(info, u"Quit failed") : S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }
};

class FakeFactory final : public ostrel::com::Implements<IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        {
            const std::lock_guard lock(stateMutex);
            if (currentScript.createFailures > 0) {
                --currentScript.createFailures;
                return CO_E_SERVER_EXEC_FAILURE;
            }
        }
        auto* application = new FakeApplication;
        const HRESULT status = application->QueryInterface(riid, object);
        application->Release();
        return status;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

private:
    Alive alive_;
};

std::string thisLibrary() {
    return ostrel::modulePath(reinterpret_cast<const void*>(&thisLibrary)).string();
}

// "Word.Application" names the fake; unregistering removes its keys.
constexpr std::string_view kScript = R"(
HKCR
{
    ForceRemove Word.Application
    {
        CLSID = s '%CLSID%'
    }
    NoRemove CLSID
    {
        ForceRemove %CLSID% = s 'Fake Word'
        {
            InprocServer32 = s '%MODULE%'
        }
    }
}
)";

HRESULT applyScript(bool registering) {
    ostrel::registry::Registry registry;
    ostrel::registry::Registrar registrar(registry);
    registrar.bind("Module", ostrel::registry::escapeQuotes(thisLibrary()));
    registrar.bind("CLSID", kFakeClsidText);
    return registering ? registrar.registerScript(kScript) : registrar.unregisterScript(kScript);
}

} // namespace

Script& script() {
    return currentScript;
}

void reset() {
    const std::lock_guard lock(stateMutex);
    currentScript = Script{};
    calls.clear();
}

std::vector<std::string> journal() {
    const std::lock_guard lock(stateMutex);
    return calls;
}

void note(const std::string& event) {
    record(event);
}

int liveObjects() {
    return alive;
}

} // namespace fakeword

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid,
                                                                 void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!(rclsid == fakeword::kFakeClsid)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new fakeword::FakeFactory;
    const HRESULT status = factory->QueryInterface(riid, object);
    factory->Release();
    return status;
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    return S_FALSE;
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    return fakeword::applyScript(true);
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
    return fakeword::applyScript(false);
}
}
