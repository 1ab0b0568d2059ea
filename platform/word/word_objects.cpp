#include "word/word_objects.h"

#include <algorithm>

namespace ostrel::word {
namespace {

constexpr DISPID kFullName = 49; // Document.FullName, for the caller's convenience

bool isGet(WORD flags) {
    return (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0;
}
bool isPut(WORD flags) {
    return (flags & DISPATCH_PROPERTYPUT) != 0;
}
bool isMethod(WORD flags) {
    return (flags & DISPATCH_METHOD) != 0;
}

// Runs one office operation, turning its failures into automation errors.
template <typename Work> auto officeCall(Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const OfficeError& error) {
        throw AutomationError{error.what()};
    }
}

std::u16string defaultPrinter() {
    return fromUtf8(kPrinterName);
}

} // namespace

// --- Application -----------------------------------------------------------------

WordApplication::WordApplication() : state_(std::make_shared<WordState>()) {
    state_->activePrinter = defaultPrinter();
}

WordApplication::~WordApplication() {
    state_->session.quit();
}

const std::vector<DispatchObject::Member>& WordApplication::members() const {
    static const std::vector<Member> list{
        {u"Visible", dispid::kVisible},
        {u"ActivePrinter", dispid::kActivePrinter},
        {u"Documents", dispid::kDocuments},
        {u"BackgroundPrintingStatus", dispid::kBackgroundPrintingStatus},
        {u"Quit", dispid::kQuit},
    };
    return list;
}

HRESULT WordApplication::invoke(DISPID id, WORD flags, const Arguments& args, VARIANT* result) {
    switch (id) {
    case dispid::kVisible:
        if (isPut(flags)) {
            // The office never shows a window; the value is checked and ignored.
            Arguments::toBoolean(args.putValue(), args.putIndex());
            return S_OK;
        }
        setResult(result, false);
        return S_OK;
    case dispid::kActivePrinter:
        if (isPut(flags)) {
            const std::u16string name = Arguments::toText(args.putValue(), args.putIndex());
            const auto known = officeCall([&] { return state_->session.printerNames(); });
            if (std::find(known.begin(), known.end(), name) == known.end()) {
                throw AutomationError{"There is no printer named \"" + toUtf8(name) + "\".",
                                      DISP_E_EXCEPTION};
            }
            std::lock_guard lock(state_->mutex);
            state_->activePrinter = name;
            return S_OK;
        } else {
            std::lock_guard lock(state_->mutex);
            setResult(result, state_->activePrinter);
            return S_OK;
        }
    case dispid::kDocuments:
        if (isGet(flags)) {
            auto* documents = new WordDocuments(state_);
            setResult(result, documents);
            documents->Release();
            return S_OK;
        }
        break;
    case dispid::kBackgroundPrintingStatus:
        if (isGet(flags)) {
            setResult(result, static_cast<std::int32_t>(
                                  officeCall([&] { return state_->session.pendingPrintJobs(); })));
            return S_OK;
        }
        break;
    case dispid::kQuit:
        if (isMethod(flags)) {
            // SaveChanges and the rest are ignored: nothing is ever saved.
            state_->session.quit();
            return S_OK;
        }
        break;
    default:
        break;
    }
    return DISP_E_MEMBERNOTFOUND;
}

// --- Documents ---------------------------------------------------------------------

const std::vector<DispatchObject::Member>& WordDocuments::members() const {
    static const std::vector<Member> list{{u"Open", dispid::kOpen}};
    return list;
}

HRESULT WordDocuments::invoke(DISPID id, WORD flags, const Arguments& args, VARIANT* result) {
    if (id != dispid::kOpen || !isMethod(flags)) {
        return DISP_E_MEMBERNOTFOUND;
    }
    // FileName, ConfirmConversions, ReadOnly, AddToRecentFiles, PasswordDocument, ...
    const auto fileName = args.text(0);
    if (!fileName) {
        throw ArgumentError{DISP_E_PARAMNOTFOUND, 0};
    }
    const bool readOnly = args.boolean(2).value_or(false);
    const std::u16string password = args.text(4).value_or(u"");
    auto document = officeCall([&] { return state_->session.load(*fileName, readOnly, password); });
    auto* opened = new WordDocument(state_, std::move(document), *fileName);
    setResult(result, opened);
    opened->Release();
    return S_OK;
}

// --- Document ----------------------------------------------------------------------

const std::vector<DispatchObject::Member>& WordDocument::members() const {
    static const std::vector<Member> list{
        {u"PrintOut", dispid::kPrintOut},
        {u"Close", dispid::kClose},
        {u"FullName", kFullName},
    };
    return list;
}

HRESULT WordDocument::invoke(DISPID id, WORD flags, const Arguments& args, VARIANT* result) {
    switch (id) {
    case dispid::kPrintOut:
        if (isMethod(flags)) {
            printOut(args);
            return S_OK;
        }
        break;
    case dispid::kClose:
        if (isMethod(flags)) {
            // SaveChanges is ignored: documents are never saved.
            if (!closed_) {
                closed_ = true;
                officeCall([&] { state_->session.close(document_); });
            }
            return S_OK;
        }
        break;
    case kFullName:
        if (isGet(flags)) {
            setResult(result, fullName_);
            return S_OK;
        }
        break;
    default:
        break;
    }
    return DISP_E_MEMBERNOTFOUND;
}

void WordDocument::printOut(const Arguments& args) {
    if (closed_) {
        throw AutomationError{"The document has been closed."};
    }
    // Background, Append, Range, OutputFileName, From, To, Item, Copies, Pages, PageType,
    // PrintToFile, Collate, ActivePrinterMacGX, ManualDuplexPrint, PrintZoom...
    const bool background = args.boolean(0).value_or(false);
    const auto outputFileName = args.text(3);
    const bool printToFile = args.boolean(10).value_or(false);
    PrintRequest request;
    {
        std::lock_guard lock(state_->mutex);
        request.printer = state_->activePrinter;
    }
    request.copies = std::clamp(args.integer(7).value_or(1), 1, 9999);
    request.collate = args.boolean(11).value_or(true);
    if (printToFile) {
        if (!outputFileName || outputFileName->empty()) {
            throw AutomationError{"PrintToFile needs an OutputFileName."};
        }
        request.outputFile = *outputFileName;
    }
    if (background) {
        officeCall([&] { state_->session.printInBackground(document_, std::move(request)); });
    } else {
        officeCall([&] { state_->session.print(document_, request); });
    }
}

} // namespace ostrel::word
