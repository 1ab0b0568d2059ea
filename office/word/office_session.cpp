#include "word/office_session.h"

#include "word/interaction_handler.h"
#include "word/office_faults.h"
#include "word/office_sockets.h"

#include <com/sun/star/awt/XPrinterServer.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/view/XPrintable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <osl/file.hxx>
#include <rtl/bootstrap.hxx>
#include <rtl/ustring.hxx>

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace ostrel::word {
namespace {

using rtl::OString;
using rtl::OStringToOUString;
using rtl::OUString;
using rtl::OUStringToOString;

constexpr auto kStartLimit = 60s;
constexpr auto kConnectAttemptLimit = 10s;
constexpr auto kCallLimit = 30s;
constexpr auto kLoadLimit = 120s;
constexpr auto kPrintLimit = 300s;
constexpr auto kTerminateLimit = 15s;
constexpr auto kExitLimit = 10s;
constexpr auto kPromptTimeout = 5s;
constexpr int kRestartExitCode = 81; // the office asks to be started again

// OSTREL_OFFICE_TIMEOUT (seconds) shortens every wait on the office, so that tests
// of a hanging office end quickly.
std::chrono::milliseconds bounded(std::chrono::milliseconds limit) {
    if (const char* cap = std::getenv("OSTREL_OFFICE_TIMEOUT"); cap != nullptr) {
        const long seconds = std::strtol(cap, nullptr, 10);
        if (seconds > 0) {
            return std::min(limit, std::chrono::milliseconds(seconds * 1000));
        }
    }
    return limit;
}

OUString toOUString(const std::u16string& text) {
    return OUString(reinterpret_cast<const sal_Unicode*>(text.data()),
                    static_cast<sal_Int32>(text.size()));
}

std::u16string toU16(const OUString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.getStr()),
                          static_cast<std::size_t>(text.getLength()));
}

std::string toUtf8(const OUString& text) {
    return OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

css::beans::PropertyValue property(const char* name, const css::uno::Any& value) {
    css::beans::PropertyValue result;
    result.Name = OUString::createFromAscii(name);
    result.Value = value;
    return result;
}

css::uno::Sequence<css::beans::PropertyValue>
properties(const std::vector<css::beans::PropertyValue>& values) {
    return css::uno::Sequence<css::beans::PropertyValue>(values.data(),
                                                         static_cast<sal_Int32>(values.size()));
}

// The PDF export filter of the document's kind: Word documents open in Writer, web pages
// in Writer/Web, sheets, presentations and pictures in their own applications.
OUString pdfExportFilter(const css::uno::Reference<css::lang::XComponent>& document) {
    const Reference<css::lang::XServiceInfo> info(document, UNO_QUERY);
    const std::pair<const char*, const char*> filters[] = {
        {"com.sun.star.text.WebDocument", "writer_web_pdf_Export"},
        {"com.sun.star.text.GenericTextDocument", "writer_pdf_Export"},
        {"com.sun.star.sheet.SpreadsheetDocument", "calc_pdf_Export"},
        {"com.sun.star.presentation.PresentationDocument", "impress_pdf_Export"},
        {"com.sun.star.drawing.DrawingDocument", "draw_pdf_Export"},
    };
    for (const auto& [service, filter] : filters) {
        if (info.is() && info->supportsService(OUString::createFromAscii(service))) {
            return OUString::createFromAscii(filter);
        }
    }
    return "writer_pdf_Export";
}

std::string officeExecutable() {
    if (const char* office = std::getenv("OSTREL_SOFFICE"); office != nullptr && *office != 0) {
        return office;
    }
    return OSTREL_LO_PROGRAM_DIR "/soffice.bin";
}

// Our side of the bridge: one UNO context per process, made on first use and kept
// until the process ends (UNO's own libraries stay loaded with it).
Reference<css::uno::XComponentContext> clientContext() {
    static std::once_flag once;
    static Reference<css::uno::XComponentContext>* context = nullptr;
    static std::string failure;
    std::call_once(once, [] {
        try {
            // The office's own bootstrap file, set for this process only.
            rtl::Bootstrap::set("URE_BOOTSTRAP",
                                "vnd.sun.star.pathname:" OSTREL_LO_PROGRAM_DIR "/fundamentalrc");
            context = new Reference<css::uno::XComponentContext>(
                cppu::defaultBootstrap_InitialComponentContext());
        } catch (const css::uno::Exception& e) {
            failure = toUtf8(e.Message);
        } catch (const std::exception& e) {
            failure = e.what();
        }
    });
    if (context == nullptr || !context->is()) {
        throw OfficeError("cannot start the UNO runtime: " + failure);
    }
    return *context;
}

fs::path absolutePath(const std::u16string& path) {
    const fs::path p(path);
    std::error_code ec;
    const fs::path absolute = fs::absolute(p, ec);
    return ec ? p : absolute.lexically_normal();
}

OUString systemPath(const fs::path& path) {
    const std::string bytes = path.string();
    return OStringToOUString(OString(bytes.c_str(), static_cast<sal_Int32>(bytes.size())),
                             RTL_TEXTENCODING_UTF8);
}

// Wakes a waiter as soon as something is created in a folder (the office's pipe, when
// it starts), instead of retrying at fixed intervals. Without inotify it waits the
// whole limit.
class FolderWatch {
public:
    explicit FolderWatch(const fs::path& folder) : fd_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
        if (fd_ >= 0 && inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0) {
            ::close(std::exchange(fd_, -1));
        }
    }
    ~FolderWatch() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Waits at most `limit` for a creation.
    void wait(std::chrono::milliseconds limit) const {
        if (fd_ < 0) {
            std::this_thread::sleep_for(limit);
            return;
        }
        pollfd entry{fd_, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(limit.count())) > 0) {
            alignas(inotify_event) char events[4096];
            while (::read(fd_, events, sizeof events) > 0) {
            }
        }
    }

private:
    int fd_;
};

} // namespace

template <typename Work>
auto OfficeSession::call(std::chrono::milliseconds limit, Work&& work) -> decltype(work()) {
    using Result = decltype(work());
    std::packaged_task<Result()> task(std::forward<Work>(work));
    std::future<Result> result = task.get_future();
    std::thread worker(std::move(task));
    if (result.wait_for(bounded(limit)) != std::future_status::ready) {
        // Killing the office closes the bridge, which ends the call in the worker.
        dead_ = true;
        process_->kill();
        worker.join();
        throw OfficeError("The office did not answer in time and was ended.");
    }
    worker.join();
    try {
        return result.get();
    } catch (const css::uno::RuntimeException& e) {
        if (!process_->running()) {
            dead_ = true;
        }
        throw OfficeError("The office failed: " + toUtf8(e.Message));
    } catch (const css::uno::Exception& e) {
        throw OfficeError(toUtf8(e.Message));
    }
}

OfficeSession::OfficeSession()
    : office_(officeExecutable()),
      handler_(new InteractionHandler(
          std::chrono::duration_cast<std::chrono::milliseconds>(kPromptTimeout))) {
    try {
        start();
    } catch (const std::exception&) {
        quit();
        throw;
    }
}

OfficeSession::~OfficeSession() {
    quit();
}

void OfficeSession::start() {
    clientContext();
    profile_ = std::make_unique<InstanceProfile>(office_);
    const auto deadline = std::chrono::steady_clock::now() + bounded(kStartLimit);
    for (int attempt = 0; attempt < 3; ++attempt) {
        process_ = std::make_unique<OfficeProcess>(
            std::vector<std::string>{office_, "--headless", "--invisible", "--norestore",
                                     "--nologo", "--nodefault", "--nolockcheck",
                                     "--accept=pipe,name=" + profile_->name() + ";urp;",
                                     "-env:UserInstallation=" + profile_->url()},
            profile_->temporaryFolder());
        try {
            connect(deadline);
            // Connected, nobody needs the office's pipes by name any more: they go now, so
            // that an office killed with us leaves none in /tmp.
            pipeFiles_ = officePipeFilesOf(process_->pid());
            removeOfficePipeFiles(pipeFiles_);
            return;
        } catch (const OfficeError&) {
            const ProcessExit exit = process_->exit().value_or(ProcessExit{});
            if (!exit.exited || exit.code != kRestartExitCode) {
                throw;
            }
        }
    }
    throw OfficeError("The office kept asking to be restarted.");
}

void OfficeSession::connect(std::chrono::steady_clock::time_point deadline) {
    const auto context = clientContext();
    const auto connector = css::connection::Connector::create(context);
    const OUString pipe = OUString::createFromAscii(("pipe,name=" + profile_->name()).c_str());
    Reference<css::connection::XConnection> connection;
    // The folder of the office's pipe, where its socket appears once it listens.
    const FolderWatch created(
        officePipeFiles(profile_->name(), profile_->url()).front().parent_path());
    while (!connection.is()) {
        if (!process_->running()) {
            throw OfficeError("The office ended while starting.");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            process_->kill();
            throw OfficeError("The office did not start in time.");
        }
        try {
            connection = call(kConnectAttemptLimit, [&] { return connector->connect(pipe); });
        } catch (const OfficeError&) {
            if (dead_) {
                throw;
            }
            created.wait(100ms);
        }
    }
    const auto factory = css::bridge::BridgeFactory::create(context);
    const auto bridge = factory->createBridge("", "urp", connection, nullptr);
    bridge_.set(bridge, UNO_QUERY);
    remoteContext_ = call(kCallLimit, [&] {
        return Reference<css::uno::XComponentContext>(
            bridge->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
    });
    desktop_ = call(kCallLimit, [&] { return css::frame::Desktop::create(remoteContext_); });
}

void OfficeSession::requireAlive() const {
    if (dead_ || !desktop_.is() || !process_ || !process_->running()) {
        throw OfficeError("The office is no longer running.");
    }
}

std::vector<std::u16string> OfficeSession::printerNames() {
    requireAlive();
    const auto names = call(kCallLimit, [&] {
        Reference<css::awt::XPrinterServer> server(
            remoteContext_->getServiceManager()->createInstanceWithContext(
                "com.sun.star.awt.PrinterServer", remoteContext_),
            UNO_QUERY_THROW);
        return server->getPrinterNames();
    });
    std::vector<std::u16string> result;
    for (const OUString& name : names) {
        result.push_back(toU16(name));
    }
    return result;
}

OfficeSession::Document OfficeSession::load(const std::u16string& path, bool readOnly,
                                            const std::u16string& password) {
    requireAlive();
    const fs::path file = absolutePath(path);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        throw OfficeError("The file \"" + file.string() + "\" does not exist.");
    }
    OUString url;
    if (osl::FileBase::getFileURLFromSystemPath(systemPath(file), url) != osl::FileBase::E_None) {
        throw OfficeError("The file name \"" + file.string() + "\" is not valid.");
    }
    std::vector<css::beans::PropertyValue> args{
        property("Hidden", css::uno::Any(true)),
        property("ReadOnly", css::uno::Any(readOnly)),
        property("MacroExecutionMode", css::uno::Any(css::document::MacroExecMode::NEVER_EXECUTE)),
        property("UpdateDocMode", css::uno::Any(css::document::UpdateDocMode::NO_UPDATE)),
        property("InteractionHandler", css::uno::Any(handler_)),
    };
    if (!password.empty()) {
        args.push_back(property("Password", css::uno::Any(toOUString(password))));
    }
    ++documentsLoaded_; // a failed load counts too: it may have left its traces
    Document document = call(kLoadLimit, [&] {
        return desktop_->loadComponentFromURL(url, "_blank", 0, properties(args));
    });
    if (!document.is()) {
        throw OfficeError("The file \"" + file.string() + "\" could not be opened.");
    }
    return document;
}

void OfficeSession::print(const Document& document, const PrintRequest& request) {
    requireAlive();
    std::optional<fs::path> output;
    if (request.outputFile) {
        output = absolutePath(*request.outputFile);
    }
    const OfficeFault fault = beginOutput(document, output);
    call(kPrintLimit, [&] {
        Reference<css::view::XPrintable> printable(document, UNO_QUERY_THROW);
        printable->setPrinter(
            properties({property("Name", css::uno::Any(toOUString(request.printer)))}));
        std::vector<css::beans::PropertyValue> options{
            property("Wait", css::uno::Any(true)),
            property("CopyCount", css::uno::Any(static_cast<sal_Int16>(request.copies))),
            property("Collate", css::uno::Any(request.collate)),
        };
        if (output) {
            options.push_back(property("FileName", css::uno::Any(systemPath(*output))));
        }
        printable->print(properties(options));
    });
    endOutput(output, fault, "printed");
}

void OfficeSession::exportPdf(const Document& document, const std::u16string& outputFile) {
    requireAlive();
    const fs::path output = absolutePath(outputFile);
    std::error_code ec;
    // The office would make the missing folders; a print to such a file fails.
    if (!fs::is_directory(output.parent_path(), ec)) {
        throw OfficeError("The document was not exported to \"" + output.string() +
                          "\": its folder does not exist.");
    }
    OUString url;
    if (osl::FileBase::getFileURLFromSystemPath(systemPath(output), url) != osl::FileBase::E_None) {
        throw OfficeError("The file name \"" + output.string() + "\" is not valid.");
    }
    const OfficeFault fault = beginOutput(document, output);
    call(kPrintLimit, [&] {
        // The export's defaults (an outline from the headings, links, no comments), but
        // pictures as they are: the user's image options decide their encoding later.
        const std::vector<css::beans::PropertyValue> settings{
            property("UseLosslessCompression", css::uno::Any(true)),
            property("ReduceImageResolution", css::uno::Any(false)),
            property("ExportBookmarks", css::uno::Any(true)),
            property("ExportNotes", css::uno::Any(false)),
        };
        Reference<css::frame::XStorable> storable(document, UNO_QUERY_THROW);
        storable->storeToURL(
            url, properties({property("FilterName", css::uno::Any(pdfExportFilter(document))),
                             property("FilterData", css::uno::Any(properties(settings))),
                             property("Overwrite", css::uno::Any(true))}));
    });
    endOutput(output, fault, "exported");
}

OfficeFault OfficeSession::beginOutput(const Document& document,
                                       const std::optional<fs::path>& output) {
    if (output) {
        std::error_code ec;
        fs::remove(*output, ec); // the new output replaces the old file
    }
    const OfficeFault fault = faultOf(document);
    if (fault == OfficeFault::Crash) {
        ::kill(process_->pid(), SIGSEGV);
    } else if (fault == OfficeFault::Hang) {
        ::kill(process_->pid(), SIGSTOP);
    }
    return fault;
}

void OfficeSession::endOutput(const std::optional<fs::path>& output, OfficeFault fault,
                              const char* done) {
    if (!output) {
        return;
    }
    std::error_code ec;
    if (!fs::is_regular_file(*output, ec) || fs::file_size(*output, ec) == 0) {
        throw OfficeError(std::string("The document was not ") + done + " to \"" +
                          output->string() + "\".");
    }
    if (fault == OfficeFault::Garbage) {
        std::ofstream(*output, std::ios::binary | std::ios::trunc)
            << "%!PS-Adobe-3.0\n%%Pages: 1\nshowpage-of-nothing 1 0 div\n%%EOF\n";
    }
}

OfficeFault OfficeSession::faultOf(const Document& document) {
    if (!faultsRequested()) {
        return OfficeFault::None;
    }
    const OUString url = call(kCallLimit, [&] {
        return Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getURL();
    });
    OUString path;
    osl::FileBase::getSystemPathFromFileURL(url, path);
    return faultFor(fs::path(toUtf8(path)).filename().string());
}

void OfficeSession::close(const Document& document) {
    requireAlive();
    call(kCallLimit, [&] {
        Reference<css::util::XCloseable> closeable(document, UNO_QUERY);
        if (closeable.is()) {
            closeable->close(true);
        } else {
            document->dispose();
        }
    });
}

void OfficeSession::closeAllDocuments() {
    requireAlive();
    call(kCallLimit, [&] {
        const auto open = desktop_->getComponents()->createEnumeration();
        while (open->hasMoreElements()) {
            Reference<css::util::XCloseable> closeable(open->nextElement(), UNO_QUERY);
            if (closeable.is()) {
                closeable->close(true);
            }
        }
    });
}

bool OfficeSession::usable() const {
    return !dead_ && desktop_.is() && process_ && process_->running();
}

void OfficeSession::quit() {
    if (process_ && process_->running() && desktop_.is() && !dead_) {
        try {
            call(kTerminateLimit, [&] { desktop_->terminate(); });
        } catch (const OfficeError&) {
            // Losing the bridge while the office ends is expected.
        }
    }
    if (process_ && !process_->waitForExit(bounded(kExitLimit))) {
        process_->kill();
    }
    dead_ = true;
    disconnect();
    process_.reset();
    if (profile_) {
        const auto known = officePipeFiles(profile_->name(), profile_->url());
        pipeFiles_.insert(pipeFiles_.end(), known.begin(), known.end());
    }
    removeOfficePipeFiles(pipeFiles_);
    pipeFiles_.clear();
    profile_.reset();
}

void OfficeSession::disconnect() {
    desktop_.clear();
    remoteContext_.clear();
    if (bridge_.is()) {
        try {
            bridge_->dispose();
        } catch (const css::uno::Exception&) {
        }
        bridge_.clear();
    }
}

} // namespace ostrel::word
