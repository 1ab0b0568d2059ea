#include "addin_host.h"

#include "office_objects.h"

#include "com/runtime.h"
#include "registry/registry.h"

namespace ostrel::bridge {

using com::ComPtr;

namespace {
constexpr const char* kAddinsKey = "Software\\Microsoft\\Office\\Word\\Addins";
// Load at start (2) and keep loaded (1).
constexpr std::uint32_t kLoadAtStartup = 3;
} // namespace

struct AddinHost::State {
    State(HostServices& host, std::filesystem::path directory)
        : services(host), registryDirectory(std::move(directory)) {}

    HostServices& services;
    std::filesystem::path registryDirectory;
    bool comReady = false;
    std::shared_ptr<OfficeContext> context;
    ComPtr<_Application> application;
    std::vector<std::pair<std::string, ComPtr<_IDTExtensibility2>>> addins;
};

AddinHost::AddinHost(HostServices& services, std::filesystem::path registryDirectory)
    : state_(std::make_unique<State>(services, std::move(registryDirectory))) {
}

AddinHost::~AddinHost() {
    disconnectAll();
}

std::vector<std::string> AddinHost::connectAll() {
    auto& s = *state_;
    if (!s.comReady) {
        s.comReady = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        if (!s.comReady) {
            return {};
        }
    }
    if (!s.application) {
        s.context = std::make_shared<OfficeContext>(s.services);
        s.application = makeOfficeApplication(s.context);
    }
    const registry::Registry registry(s.registryDirectory);
    std::vector<std::string> connected;
    for (const auto& progId : registry.subKeys(registry::Hive::CurrentUser, kAddinsKey)) {
        const auto behaviour = registry.getDword(
            registry::Hive::CurrentUser, std::string(kAddinsKey) + "\\" + progId, "LoadBehavior");
        if (behaviour != kLoadAtStartup) {
            continue;
        }
        ComPtr<IUnknown> object;
        if (FAILED(com::createInstance(progId, object))) {
            continue; // not installed any more: Word skips it as well
        }
        ComPtr<_IDTExtensibility2> addin = object.as<_IDTExtensibility2>();
        if (!addin) {
            continue;
        }
        SAFEARRAY* custom = nullptr;
        ComPtr<IDispatch> application(static_cast<IDispatch*>(s.application.get()));
        if (FAILED(addin->OnConnection(application.get(), ext_cm_Startup, nullptr, &custom))) {
            continue;
        }
        s.addins.emplace_back(progId, addin);
        connected.push_back(progId);
    }
    CoFreeUnusedLibraries(); // those that failed
    return connected;
}

bool AddinHost::click(int buttonId) {
    auto& s = *state_;
    if (!s.context) {
        return false;
    }
    auto it = s.context->buttons.find(buttonId);
    if (it == s.context->buttons.end()) {
        return false;
    }
    ComPtr<OfficeButton> button = it->second; // stays alive while its subscribers run
    button->click();
    return true;
}

_Application* AddinHost::application() const {
    return state_->application.get();
}

_IDTExtensibility2* AddinHost::addin(const std::string& progId) const {
    for (const auto& [id, addin] : state_->addins) {
        if (id == progId) {
            return addin.get();
        }
    }
    return nullptr;
}

OfficeButton* AddinHost::button(int id) const {
    if (!state_->context) {
        return nullptr;
    }
    const auto it = state_->context->buttons.find(id);
    return it == state_->context->buttons.end() ? nullptr : it->second.get();
}

void AddinHost::disconnectAll() {
    auto& s = *state_;
    for (auto& [progId, addin] : s.addins) {
        SAFEARRAY* custom = nullptr;
        addin->OnDisconnection(ext_dm_HostShutdown, &custom);
    }
    s.addins.clear();
    if (s.context) {
        // The bars go with the office: their buttons drop whatever subscribers are left.
        for (auto& [id, button] : s.context->buttons) {
            button->detach();
        }
        s.context->buttons.clear();
        s.context.reset();
    }
    s.application = nullptr;
    if (s.comReady) {
        CoFreeUnusedLibraries();
        CoUninitialize();
        s.comReady = false;
    }
}

} // namespace ostrel::bridge
