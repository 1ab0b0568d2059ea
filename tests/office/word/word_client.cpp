#include "word_client.h"

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace ostrel::test {

ServerModule::ServerModule() {
    handle_ = dlopen(OSTREL_WORD_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        throw std::runtime_error(dlerror());
    }
}

ServerModule::~ServerModule() {
    dlclose(handle_);
}

void* ServerModule::symbol(const char* name) const {
    return dlsym(handle_, name);
}

ComPtr<IDispatch> ServerModule::createApplication(HRESULT* status) const {
    const auto getClassObject =
        reinterpret_cast<PFN_DllGetClassObject>(symbol("DllGetClassObject"));
    ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(kClsidWordApplication, IID_IClassFactory, factory.putVoid());
    ComPtr<IDispatch> application;
    if (SUCCEEDED(hr)) {
        hr = factory->CreateInstance(nullptr, IID_IDispatch, application.putVoid());
    }
    if (status != nullptr) {
        *status = hr;
    }
    return application;
}

std::vector<Variant> openArguments(const fs::path& file, const QString& password) {
    return {Variant::text(QString::fromStdString(file.string())),
            Variant::flag(false),
            Variant::flag(true),
            Variant::flag(false),
            Variant::text(password),
            Variant::omitted(),
            Variant::flag(false),
            Variant::omitted(),
            Variant::omitted(),
            Variant::i4(0),
            Variant::omitted(),
            Variant::flag(true)};
}

std::vector<Variant> printOutArguments(bool background, const fs::path& output) {
    return {Variant::flag(background),
            Variant::omitted(),
            Variant::i4(0),
            Variant::text(QString::fromStdString(output.string())),
            Variant::omitted(),
            Variant::omitted(),
            Variant::i4(0),
            Variant::i4(1),
            Variant::omitted(),
            Variant::i4(0),
            Variant::flag(true),
            Variant::flag(true),
            Variant::omitted(),
            Variant::flag(false),
            Variant::i4(0),
            Variant::i4(0),
            Variant::i4(0),
            Variant::i4(0)};
}

std::vector<Variant> closeArguments() {
    return {Variant::flag(false), Variant::flag(false), Variant::flag(false)};
}

int waitForBackgroundPrinting(IDispatch* application, int polls) {
    for (int poll = 0;; ++poll) {
        const DispatchResult status = com::getProperty(application, kBackgroundPrintingStatus);
        const auto pending = status.value.toInt32();
        if (status.failed() || !pending) {
            return -1;
        }
        if (*pending == 0 || poll >= polls) {
            return *pending;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

std::vector<int> childProcesses(const std::string& name) {
    std::vector<int> found;
    const std::string me = std::to_string(getpid());
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) {
            continue;
        }
        // pid (comm) state ppid ...
        const auto open = line.find('(');
        const auto close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        const std::string comm = line.substr(open + 1, close - open - 1);
        std::istringstream rest(line.substr(close + 2));
        std::string state;
        std::string ppid;
        rest >> state >> ppid;
        if (comm == name && ppid == me && state != "Z") {
            found.push_back(std::stoi(entry.path().filename().string()));
        }
    }
    return found;
}

} // namespace ostrel::test
