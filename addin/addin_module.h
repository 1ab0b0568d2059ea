// AddinModule: the library's one module object. It counts the reasons the library must
// stay loaded, serves the cached class object and knows the library's own file.
#pragma once

#include "com/com.h"
#include "com/object.h"

#include <QString>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>

namespace kestrine {

class WordAddinClassFactory;

class AddinModule {
public:
    static AddinModule& instance();

    AddinModule(const AddinModule&) = delete;
    AddinModule& operator=(const AddinModule&) = delete;

    // The lock count: live add-in objects, client references to the class object,
    // LockServer(TRUE) calls.
    ostrel::com::ModuleCount& count() { return count_; }

    HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object);
    HRESULT canUnloadNow() const { return count_.canUnload() ? S_OK : S_FALSE; }

    // The library's file as the loader reports it, made absolute; empty when the
    // loader does not know it.
    static std::optional<std::filesystem::path> modulePath();
    // The file name without its extension: the caption of the add-in's messages.
    static QString moduleTitle();

private:
    AddinModule() = default;
    ~AddinModule(); // at unload: drops the cache's reference to the class object

    ostrel::com::ModuleCount count_;
    std::mutex classObjectLock_;
    std::atomic<WordAddinClassFactory*> classObject_{nullptr};
};

} // namespace kestrine
