// Test helpers: the Word server module opened with dlopen, applications created through
// its class object, and Word's argument lists encoded as automation clients encode them.
#pragma once

#include "com/comptr.h"
#include "com/dispatch.h"
#include "com/variant.h"

#include <filesystem>
#include <vector>

namespace ostrel::test {

using com::ComPtr;
using com::DispatchResult;
using com::Variant;

inline constexpr DISPID kVisible = 23;
inline constexpr DISPID kActivePrinter = 66;
inline constexpr DISPID kDocuments = 6;
inline constexpr DISPID kOpen = 15;
inline constexpr DISPID kPrintOut = 444;
inline constexpr DISPID kBackgroundPrintingStatus = 86;
inline constexpr DISPID kClose = 1105;
inline constexpr DISPID kQuit = 1105;

// {000209FF-0000-0000-C000-000000000046}
inline constexpr CLSID kClsidWordApplication{
    0x000209FF, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class ServerModule {
public:
    ServerModule();
    ~ServerModule();
    ServerModule(const ServerModule&) = delete;
    ServerModule& operator=(const ServerModule&) = delete;

    void* symbol(const char* name) const;
    // A new application; the status of the creation in `status`.
    ComPtr<IDispatch> createApplication(HRESULT* status = nullptr) const;

private:
    void* handle_ = nullptr;
};

std::vector<Variant> openArguments(const std::filesystem::path& file, const QString& password);
std::vector<Variant> printOutArguments(bool background, const std::filesystem::path& output);
std::vector<Variant> closeArguments();

// Reads BackgroundPrintingStatus until it is 0 (at most `polls` times, 100 ms apart);
// answers the last value read, or -1 when a read failed.
int waitForBackgroundPrinting(IDispatch* application, int polls);

// Process ids of the running children of this process named `name`.
std::vector<int> childProcesses(const std::string& name);

} // namespace ostrel::test
