#include "office_session.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <cppuhelper/bootstrap.hxx>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace ostrel::test {

using namespace com::sun::star;
using rtl::OString;
using rtl::OUString;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRestartRequested = 81;

std::string fileUrl(const fs::path& path) {
    return "file://" + path.string();
}

OUString ascii(const std::string& text) {
    return OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}

} // namespace

namespace {

Reference<uno::XComponentContext> localContext() {
    static Reference<uno::XComponentContext> context = [] {
        ::setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" OSTREL_LO_PROGRAM_DIR "/fundamentalrc",
                 1);
        return cppu::defaultBootstrap_InitialComponentContext();
    }();
    return context;
}

} // namespace

std::optional<Process> Process::start(const std::vector<std::string>& arguments,
                                      const std::map<std::string, std::string>& environment,
                                      const fs::path& output, int displayFd) {
    ostrel::ProcessOptions options;
    options.environment = environmentWith(environment);
    options.outputFile = output;
    if (displayFd >= 0) {
        options.passedDescriptors = {displayFd};
    }
    options.newProcessGroup = true;
    try {
        return Process(ostrel::Process::start(arguments, options));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void Process::kill() {
    process_.kill();
    process_.wait();
}

std::optional<int> Process::waitFor(std::chrono::seconds limit) {
    const auto exit = process_.waitFor(limit);
    if (!exit) {
        return std::nullopt;
    }
    return exit->exited ? exit->code : -1;
}

std::optional<XDisplay> XDisplay::start(const fs::path& folder) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    auto server = Process::start(
        {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x900x24", "-nolisten", "tcp"}, {},
        folder / "xvfb.log", fds[1]);
    close(fds[1]);
    std::string number;
    if (server) {
        pollfd wait{fds[0], POLLIN, 0};
        char buffer[32];
        while (poll(&wait, 1, 30000) > 0) {
            const ssize_t got = read(fds[0], buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            number.append(buffer, static_cast<std::size_t>(got));
            if (number.find('\n') != std::string::npos) {
                break;
            }
        }
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) {
        number.pop_back();
    }
    if (!server || number.empty()) {
        return std::nullopt;
    }
    return XDisplay(std::move(*server), ":" + number, folder);
}

bool XDisplay::screenshot(const fs::path& png) const {
    // Windows paint a while after they are shown: the picture is taken once two in a
    // row come out the same.
    std::string previous;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (run({"import", "-window", "root", png.string()}, {{"DISPLAY", name_}},
                folder_ / "import.log") != 0) {
            return false;
        }
        std::string current = readText(png);
        if (current == previous) {
            return true;
        }
        previous = std::move(current);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return true;
}

int XDisplay::xdotool(const std::vector<std::string>& arguments) const {
    std::vector<std::string> args{"xdotool"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    return run(args, {{"DISPLAY", name_}}, folder_ / "xdotool.log");
}

std::string XDisplay::xdotoolOutput(const std::vector<std::string>& arguments) const {
    const fs::path output = folder_ / "xdotool.out";
    std::error_code ec;
    fs::remove(output, ec);
    std::vector<std::string> args{"xdotool"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    run(args, {{"DISPLAY", name_}}, output);
    return readText(output);
}

std::vector<std::string> XDisplay::windows(const std::string& pattern) const {
    std::istringstream lines(xdotoolOutput({"search", "--name", pattern}));
    std::vector<std::string> ids;
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
            ids.push_back(line);
        }
    }
    return ids;
}

OfficeProfile::OfficeProfile(const fs::path& folder, const fs::path& extension,
                             const std::string& settings)
    : folder_(folder) {
    fs::create_directories(folder_ / "profile" / "user");
    // A fresh profile would greet the user with a tip dialog over the document.
    std::ofstream(folder_ / "profile" / "user" / "registrymodifications.xcu")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
           "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop "
           "oor:name=\"ShowTipOfTheDay\" oor:op=\"fuse\"><value>false</value></prop></item>\n"
           "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"FirstRun\" "
           "oor:op=\"fuse\"><value>false</value></prop></item>\n"
        << settings << "</oor:items>\n";
    if (extension.empty()) {
        return;
    }
    std::vector<std::string> args{OSTREL_LO_PROGRAM_DIR "/unopkg", "add"};
    if (geteuid() == 0) {
        args.emplace_back("--shared");
    }
    const auto more = officeArguments();
    args.insert(args.end(), more.begin(), more.end());
    args.push_back(extension.string());
    installed_ = run(args, {}, folder_ / "unopkg.log") == 0;
}

std::vector<std::string> OfficeProfile::officeArguments() const {
    std::vector<std::string> args{"-env:UserInstallation=" + fileUrl(folder_ / "profile")};
    if (geteuid() == 0) {
        args.push_back("-env:UNO_SHARED_PACKAGES_CACHE=" + fileUrl(folder_ / "shared"));
    }
    return args;
}

Writer::Writer(const OfficeProfile& profile, const XDisplay& display, const fs::path& document,
               const std::map<std::string, std::string>& environment, const fs::path& log) {
    static int counter = 0;
    const std::string pipe =
        "ostrel_bridge_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    std::vector<std::string> args{OSTREL_LO_PROGRAM_DIR "/soffice.bin"};
    const auto more = profile.officeArguments();
    args.insert(args.end(), more.begin(), more.end());
    args.insert(args.end(), {"--norestore", "--nologo", "--accept=pipe,name=" + pipe + ";urp;"});
    if (!document.empty()) {
        args.push_back(document.string());
    }
    auto env = environment;
    env["DISPLAY"] = display.name();
    env["SAL_USE_VCLPLUGIN"] = "gen";
    process_ = Process::start(args, env, log);
    if (!process_) {
        return;
    }
    Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(localContext());
    const auto deadline = Clock::now() + std::chrono::seconds(90);
    int restarts = 0;
    while (Clock::now() < deadline) {
        if (!process_->running()) {
            // The first start on a fresh profile (or after an extension change) ends
            // with 81 and asks to be started again: the launcher would do that.
            if (process_->waitFor(std::chrono::seconds(0)) != kRestartRequested || ++restarts > 2) {
                return;
            }
            process_ = Process::start(args, env, log);
            if (!process_) {
                return;
            }
        }
        try {
            context_.set(resolver->resolve(
                             ascii("uno:pipe,name=" + pipe + ";urp;StarOffice.ComponentContext")),
                         UNO_QUERY);
            desktop_ = frame::Desktop::create(context_);
            return;
        } catch (const connection::NoConnectException&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    }
}

Reference<frame::XFrame> Writer::documentFrame(std::chrono::seconds limit) const {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        // While the document loads, its frame's controller may come and go between two
        // calls: each is asked once, and a frame disposed meanwhile means "look again".
        try {
            Reference<frame::XFrame> current = desktop_->getCurrentFrame();
            const Reference<frame::XController> controller =
                current.is() ? current->getController() : Reference<frame::XController>();
            if (controller.is() && controller->getModel().is()) {
                return current;
            }
        } catch (const uno::RuntimeException&) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return {};
}

std::optional<int> Writer::terminate(std::chrono::seconds limit) {
    if (!process_) {
        return std::nullopt;
    }
    try {
        if (desktop_.is()) {
            desktop_->terminate();
        }
    } catch (const uno::RuntimeException&) {
        // The connection goes down with the office.
    }
    desktop_.clear();
    context_.clear();
    return process_->waitFor(limit);
}

std::vector<pid_t> processesMentioning(const std::string& text) {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0]))) {
            continue;
        }
        const auto pid = static_cast<pid_t>(std::stol(name));
        if (pid == getpid()) {
            continue;
        }
        std::string cmdline = readText(entry.path() / "cmdline");
        if (cmdline.find(text) != std::string::npos) {
            found.push_back(pid);
        }
    }
    return found;
}

} // namespace ostrel::test
