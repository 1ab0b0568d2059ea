// What the Writer tests need around a real office: a private X display (Xvfb), the
// extension installed into a private office profile, Writer started on that profile
// with a UNO pipe, and a UNO connection to it. Everything started is ended by the
// objects' destructors.
#pragma once

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "environment.h"
#include "programs.h"
#include "system/process.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ostrel::test {

namespace fs = std::filesystem;
namespace uno = com::sun::star::uno;

// A started program in its own process group, its output appended to a log file; the
// destructor kills the group.
class Process {
public:
    // `environment` adds to (or replaces in) this process's environment; `displayFd` is
    // passed as the program's descriptor 3.
    static std::optional<Process> start(const std::vector<std::string>& arguments,
                                        const std::map<std::string, std::string>& environment,
                                        const fs::path& output, int displayFd = -1);

    pid_t pid() const { return process_.pid(); }
    // The exit code (-1 for a signal) once the program ended within `limit`; nullopt
    // while it runs.
    std::optional<int> waitFor(std::chrono::seconds limit);
    bool running() { return !waitFor(std::chrono::seconds(0)); }
    void kill();

private:
    explicit Process(ostrel::Process process) : process_(std::move(process)) {}
    ostrel::Process process_;
};

// A private X display; empty when Xvfb is missing or does not start.
class XDisplay {
public:
    static std::optional<XDisplay> start(const fs::path& folder);
    const std::string& name() const { return name_; }
    // Saves a picture of the whole screen.
    bool screenshot(const fs::path& png) const;
    // The X windows whose name matches `pattern` (xdotool search).
    std::vector<std::string> windows(const std::string& pattern) const;
    // xdotool with the display set, answers its exit code.
    int xdotool(const std::vector<std::string>& arguments) const;
    // xdotool's output.
    std::string xdotoolOutput(const std::vector<std::string>& arguments) const;

private:
    XDisplay(Process server, std::string name, fs::path folder)
        : server_(std::move(server)), name_(std::move(name)), folder_(std::move(folder)) {}
    Process server_;
    std::string name_;
    fs::path folder_;
};

// A private office profile with our extension installed in it.
class OfficeProfile {
public:
    // Without an extension, only the profile is prepared. `settings` are further items
    // of the profile's registrymodifications.xcu.
    OfficeProfile(const fs::path& folder, const fs::path& extension,
                  const std::string& settings = {});
    bool installed() const { return installed_; }
    // Arguments that make an office program use this profile (and, for root, its
    // private extension folder: unopkg installs only shared extensions for root).
    std::vector<std::string> officeArguments() const;
    const fs::path& folder() const { return folder_; }

private:
    fs::path folder_;
    bool installed_ = false;
};

// Writer started on a document, reachable over a UNO pipe.
class Writer {
public:
    Writer(const OfficeProfile& profile, const XDisplay& display, const fs::path& document,
           const std::map<std::string, std::string>& environment, const fs::path& log);
    bool connected() const { return desktop_.is(); }
    uno::Reference<com::sun::star::frame::XDesktop2> desktop() const { return desktop_; }
    uno::Reference<uno::XComponentContext> context() const { return context_; }
    // The frame showing a document, once it is loaded.
    uno::Reference<com::sun::star::frame::XFrame> documentFrame(std::chrono::seconds limit) const;
    // Asks the office to end and waits for its process; the exit code, or nullopt.
    std::optional<int> terminate(std::chrono::seconds limit);
    Process& process() { return *process_; }

private:
    std::optional<Process> process_;
    uno::Reference<uno::XComponentContext> context_;
    uno::Reference<com::sun::star::frame::XDesktop2> desktop_;
};

// Processes (other than this one) whose command line mentions `text`.
std::vector<pid_t> processesMentioning(const std::string& text);

} // namespace ostrel::test
