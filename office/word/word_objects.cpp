#include "word/word_objects.h"

#include "word/office_pool.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace ostrel::word {
namespace {

using com::DispatchCall;
using com::Variant;

std::optional<DISPID> findMember(const QString& name,
                                 std::initializer_list<std::pair<const char*, DISPID>> members) {
    for (const auto& [member, id] : members) {
        if (name.compare(QLatin1String(member), Qt::CaseInsensitive) == 0) {
            return id;
        }
    }
    return std::nullopt;
}

// Reads an optional argument; a value of the wrong type is a type mismatch.
template <typename T>
std::optional<T> optionalArg(DispatchCall& call, std::size_t index, std::optional<T> value,
                             HRESULT& status) {
    if (!call.isOmitted(index) && !value) {
        status = call.typeMismatch(index);
    }
    return value;
}

std::optional<std::u16string> textArg(DispatchCall& call, std::size_t index, HRESULT& status) {
    const auto text = optionalArg(call, index, call.stringArg(index), status);
    return text ? std::optional(text->toStdU16String()) : std::nullopt;
}

} // namespace

com::ModuleCount& wordModule() {
    static com::ModuleCount module;
    return module;
}

// --- Lease -------------------------------------------------------------------------

OfficeLease::OfficeLease() : office_(OfficePool::instance().take()) {
}

OfficeSession& OfficeLease::session() {
    std::lock_guard lock(mutex_);
    if (!office_) {
        throw OfficeError("The office is no longer running.");
    }
    return *office_;
}

void OfficeLease::end() {
    std::unique_ptr<OfficeSession> office;
    {
        std::lock_guard lock(mutex_);
        office = std::move(office_);
    }
    if (office) {
        OfficePool::instance().giveBack(std::move(office));
    }
}

// --- Application -----------------------------------------------------------------

WordApplication::WordApplication() : state_(std::make_shared<WordState>()) {
    state_->activePrinter = QString::fromLatin1(kPrinterName).toStdU16String();
}

WordApplication::~WordApplication() {
    state_->office.end();
}

std::optional<DISPID> WordApplication::dispatchIdOf(const QString& name) {
    return findMember(name, {{"Visible", dispid::kVisible},
                             {"ActivePrinter", dispid::kActivePrinter},
                             {"Documents", dispid::kDocuments},
                             {"BackgroundPrintingStatus", dispid::kBackgroundPrintingStatus},
                             {"Quit", dispid::kQuit}});
}

HRESULT WordApplication::invoke(DispatchCall& call) {
    switch (call.member()) {
    case dispid::kVisible:
        if (call.isPut()) {
            // The office never shows a window; the value is checked and ignored.
            return Variant::valueOf(call.putValue()).toBool() ? S_OK
                                                              : call.typeMismatch(call.count() - 1);
        }
        return call.setResult(Variant::boolean(false));
    case dispid::kActivePrinter:
        if (call.isPut()) {
            const auto name = Variant::valueOf(call.putValue()).toQString();
            if (!name) {
                return call.typeMismatch(call.count() - 1);
            }
            const auto known = state_->office.session().printerNames();
            if (std::find(known.begin(), known.end(), name->toStdU16String()) == known.end()) {
                throw OfficeError("There is no printer named \"" + name->toStdString() + "\".");
            }
            std::lock_guard lock(state_->mutex);
            state_->activePrinter = name->toStdU16String();
            return S_OK;
        } else {
            std::lock_guard lock(state_->mutex);
            return call.setResult(Variant::text(std::u16string_view(state_->activePrinter)));
        }
    case dispid::kDocuments:
        if (call.isGet() || call.isMethod()) {
            const auto documents = com::make<WordDocuments>(state_);
            return call.setResult(Variant::dispatch(documents.get()));
        }
        break;
    case dispid::kBackgroundPrintingStatus:
        if (call.isGet()) {
            // PrintOut returns once the output is complete: nothing is ever pending.
            state_->office.session();
            return call.setResult(Variant::i4(0));
        }
        break;
    case dispid::kQuit:
        if (call.isMethod()) {
            // SaveChanges and the rest are ignored: nothing is ever saved.
            state_->office.end();
            return S_OK;
        }
        break;
    default:
        break;
    }
    return DISP_E_MEMBERNOTFOUND;
}

// --- Documents ---------------------------------------------------------------------

std::optional<DISPID> WordDocuments::dispatchIdOf(const QString& name) {
    return findMember(name, {{"Open", dispid::kOpen}});
}

HRESULT WordDocuments::invoke(DispatchCall& call) {
    if (call.member() != dispid::kOpen || !call.isMethod()) {
        return DISP_E_MEMBERNOTFOUND;
    }
    // FileName, ConfirmConversions, ReadOnly, AddToRecentFiles, PasswordDocument, ...
    HRESULT status = S_OK;
    const auto fileName = textArg(call, 0, status);
    const auto readOnly = optionalArg(call, 2, call.boolArg(2), status);
    const auto password = textArg(call, 4, status);
    if (FAILED(status)) {
        return status;
    }
    if (!fileName) {
        return call.missingArgument(0);
    }
    auto document = state_->office.session().load(*fileName, readOnly.value_or(false),
                                                  password.value_or(std::u16string()));
    const auto opened = com::make<WordDocument>(state_, std::move(document), *fileName);
    return call.setResult(Variant::dispatch(opened.get()));
}

// --- Document ----------------------------------------------------------------------

std::optional<DISPID> WordDocument::dispatchIdOf(const QString& name) {
    return findMember(name, {{"PrintOut", dispid::kPrintOut},
                             {"Close", dispid::kClose},
                             {"FullName", dispid::kFullName}});
}

HRESULT WordDocument::invoke(DispatchCall& call) {
    switch (call.member()) {
    case dispid::kPrintOut:
        if (call.isMethod()) {
            return printOut(call);
        }
        break;
    case dispid::kClose:
        if (call.isMethod()) {
            // SaveChanges is ignored: documents are never saved.
            if (!std::exchange(closed_, true)) {
                state_->office.session().close(document_);
            }
            return S_OK;
        }
        break;
    case dispid::kFullName:
        if (call.isGet()) {
            return call.setResult(Variant::text(std::u16string_view(fullName_)));
        }
        break;
    default:
        break;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT WordDocument::printOut(DispatchCall& call) {
    if (closed_) {
        throw OfficeError("The document has been closed.");
    }
    // Background, Append, Range, OutputFileName, From, To, Item, Copies, Pages, PageType,
    // PrintToFile, Collate, ActivePrinterMacGX, ManualDuplexPrint, PrintZoom...
    HRESULT status = S_OK;
    const auto background = optionalArg(call, 0, call.boolArg(0), status);
    const auto outputFileName = textArg(call, 3, status);
    const auto copies = optionalArg(call, 7, call.intArg(7), status);
    const auto printToFile = optionalArg(call, 10, call.boolArg(10), status);
    const auto collate = optionalArg(call, 11, call.boolArg(11), status);
    if (FAILED(status)) {
        return status;
    }
    PrintRequest request;
    {
        std::lock_guard lock(state_->mutex);
        request.printer = state_->activePrinter;
    }
    request.copies = std::clamp(copies.value_or(1), 1, 9999);
    request.collate = collate.value_or(true);
    if (printToFile.value_or(false)) {
        if (!outputFileName || outputFileName->empty()) {
            throw OfficeError("Printing to a file needs an OutputFileName.");
        }
        request.outputFile = *outputFileName;
    }
    // Background printing is finished here too, so that the caller's status poll finds
    // nothing pending and never waits.
    static_cast<void>(background);
    if (request.outputFile && QStringView(request.printer) == QLatin1String(kPrinterName)) {
        // Our PDF printer's job is the office's PDF export, which keeps the document's
        // outline and links and lays it out as the office shows it; a print has neither.
        state_->office.session().exportPdf(document_, *request.outputFile);
    } else {
        state_->office.session().print(document_, request);
    }
    return S_OK;
}

} // namespace ostrel::word
