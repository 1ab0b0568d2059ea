// One private office reached over a UNO bridge: started with its own profile and pipe,
// used for loading, printing and closing documents, and ended by quit() or the
// destructor. Every call that can block is bounded: when the office does not answer
// in time it is killed, which ends the call, and the session is dead from then on.
// Failures are reported as OfficeError with a readable message.
#pragma once

#include "word/office_faults.h"
#include "word/office_process.h"
#include "word/office_profile.h"

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace ostrel::word {

class OfficeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PrintRequest {
    std::u16string printer;
    std::optional<std::u16string> outputFile; // absent: print to the printer itself
    int copies = 1;
    bool collate = true;
};

class OfficeSession {
public:
    using Document = css::uno::Reference<css::lang::XComponent>;

    // Starts the office (OSTREL_SOFFICE, else LibreOffice's soffice.bin) and connects.
    OfficeSession();
    ~OfficeSession();

    OfficeSession(const OfficeSession&) = delete;
    OfficeSession& operator=(const OfficeSession&) = delete;

    // The printers the office can print to.
    std::vector<std::u16string> printerNames();
    Document load(const std::u16string& path, bool readOnly, const std::u16string& password);
    // Prints the whole document and returns once the output is complete.
    void print(const Document& document, const PrintRequest& request);
    // Writes the office's PDF export of the whole document (its outline, links and
    // layout, the pictures as they are) to `outputFile`; returns once it is complete.
    void exportPdf(const Document& document, const std::u16string& outputFile);
    void close(const Document& document);
    // Closes whatever documents the office still has open, so that the next user of
    // this office finds none of them.
    void closeAllDocuments();
    // Whether the office still runs and answers.
    bool usable() const;
    // How many documents load() has opened in this office.
    int documentsLoaded() const { return documentsLoaded_; }
    // Ends the office: terminate, a bounded wait, then the kill. Idempotent.
    void quit();

private:
    // Around writing a document to `output`: the old file goes and the test fault
    // (OSTREL_OFFICE_FAULTS) strikes as the work starts; at its end the output must be
    // there, and the garbage fault replaces it.
    OfficeFault beginOutput(const Document& document,
                            const std::optional<std::filesystem::path>& output);
    static void endOutput(const std::optional<std::filesystem::path>& output, OfficeFault fault,
                          const char* done);
    template <typename Work>
    auto call(std::chrono::milliseconds limit, Work&& work) -> decltype(work());
    void start();
    void connect(std::chrono::steady_clock::time_point deadline);
    void requireAlive() const;
    void disconnect();
    OfficeFault faultOf(const Document& document);

    std::string office_;
    std::unique_ptr<InstanceProfile> profile_;
    std::unique_ptr<OfficeProcess> process_;
    css::uno::Reference<css::lang::XComponent> bridge_;
    css::uno::Reference<css::uno::XComponentContext> remoteContext_;
    css::uno::Reference<css::frame::XDesktop2> desktop_;
    css::uno::Reference<css::task::XInteractionHandler> handler_;
    std::atomic<bool> dead_{false};
    // The office's pipe socket files, removed once it has ended.
    std::vector<std::filesystem::path> pipeFiles_;
    int documentsLoaded_ = 0;
};

} // namespace ostrel::word
