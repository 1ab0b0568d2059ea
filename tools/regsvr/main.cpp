// ostrel-regsvr [-u] LIBRARY
//
// Loads an in-process COM server and calls its DllRegisterServer (with -u its
// DllUnregisterServer), then prints the status code. Exit codes follow regsvr32:
// 0 success, 1 bad arguments, 3 the library does not load, 4 the entry point is
// missing, 5 the entry point answered a failure code.
#include "com/com.h"
#include "com/runtime.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

enum ExitCode { Success = 0, BadArguments = 1, LoadFailed = 3, EntryMissing = 4, CallFailed = 5 };

int usage() {
    std::fprintf(stderr, "usage: ostrel-regsvr [-u] LIBRARY\n");
    return BadArguments;
}

// A library named by a path is loaded by its absolute path, so that the server
// registers where it really is; a bare name goes through the loader's search.
std::string libraryPath(const std::string& argument) {
    std::error_code ec;
    if (argument.find('/') == std::string::npos && !std::filesystem::exists(argument, ec)) {
        return argument;
    }
    const auto absolute = std::filesystem::absolute(argument, ec);
    return ec ? argument : absolute.lexically_normal().string();
}

// Closes the library when the program ends.
class Library {
public:
    explicit Library(const std::string& path)
        : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library() {
        if (handle_ != nullptr) {
            dlclose(handle_);
        }
    }
    bool loaded() const { return handle_ != nullptr; }
    void* symbol(const char* name) const { return dlsym(handle_, name); }

private:
    void* handle_;
};

} // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    std::string argument;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-u" || arg == "/u") {
            unregister = true;
        } else if (arg == "--") {
            if (i + 2 != argc || !argument.empty()) {
                return usage();
            }
            argument = argv[i + 1];
            break;
        } else if (arg.starts_with("-") || !argument.empty()) {
            return usage();
        } else {
            argument = argv[i];
        }
    }
    if (argument.empty()) {
        return usage();
    }

    const std::string path = libraryPath(argument);
    dlerror();
    const Library library(path);
    if (!library.loaded()) {
        const char* why = dlerror();
        std::fprintf(stderr, "ostrel-regsvr: cannot load %s: %s\n", path.c_str(),
                     why != nullptr ? why : "unknown error");
        return LoadFailed;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const auto function = reinterpret_cast<PFN_DllRegisterServer>(library.symbol(entry));
    if (function == nullptr) {
        std::fprintf(stderr, "ostrel-regsvr: %s has no entry point %s\n", path.c_str(), entry);
        return EntryMissing;
    }
    const HRESULT result = function();
    const std::string text = ostrel::com::describe(result);
    if (FAILED(result)) {
        std::fprintf(stderr, "ostrel-regsvr: %s in %s failed: 0x%08X (%s)\n", entry, path.c_str(),
                     static_cast<unsigned>(result), text.c_str());
        return CallFailed;
    }
    std::printf("%s in %s succeeded: 0x%08X (%s)\n", entry, path.c_str(),
                static_cast<unsigned>(result), text.c_str());
    return Success;
}
