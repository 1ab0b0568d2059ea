#include "word_automation.h"

#include "com/dispatch.h"
#include "com/runtime.h"
#include "com/variant.h"

#include <vector>

namespace ostrel::word {

namespace {

using com::Variant;

// Close and Quit share their id and their three false arguments (SaveChanges,
// OriginalFormat, RouteDocument).
HRESULT closeWithoutSaving(IDispatch* object) {
    std::vector<Variant> arguments{Variant::flag(false), Variant::flag(false),
                                   Variant::flag(false)};
    return com::invokeMethod(object, dispid::kClose, arguments).hr;
}

// The object a call answered, or E_UNEXPECTED when it answered none.
HRESULT takeObject(com::DispatchResult result, DispatchRef& object) {
    if (result.failed()) {
        return result.hr;
    }
    object = result.value.toDispatch();
    return object ? S_OK : E_UNEXPECTED;
}

} // namespace

HRESULT Document::printOut(const QString& outputFile) {
    std::vector<Variant> arguments{
        Variant::flag(true),       // Background
        Variant::omitted(),        // Append
        Variant::i4(0),            // Range: the whole document
        Variant::text(outputFile), // OutputFileName
        Variant::omitted(),        // From
        Variant::omitted(),        // To
        Variant::i4(0),            // Item: the document content
        Variant::i4(1),            // Copies
        Variant::omitted(),        // Pages
        Variant::i4(0),            // PageType: all pages
        Variant::flag(true),       // PrintToFile
        Variant::flag(true),       // Collate
        Variant::omitted(),        // ActivePrinterMacGX
        Variant::flag(false),      // ManualDuplexPrint
        Variant::i4(0),            // PrintZoomColumn
        Variant::i4(0),            // PrintZoomRow
        Variant::i4(0),            // PrintZoomPaperWidth
        Variant::i4(0),            // PrintZoomPaperHeight
    };
    return com::invokeMethod(object_.get(), dispid::kPrintOut, arguments).hr;
}

HRESULT Document::close() {
    return closeWithoutSaving(object_.get());
}

HRESULT Documents::open(const QString& fileName, const std::optional<QString>& password,
                        Document& opened) {
    std::vector<Variant> arguments{
        Variant::text(fileName),                                  // FileName
        Variant::flag(false),                                     // ConfirmConversions
        Variant::flag(true),                                      // ReadOnly
        Variant::flag(false),                                     // AddToRecentFiles
        password ? Variant::text(*password) : Variant::omitted(), // PasswordDocument
        Variant::omitted(),                                       // PasswordTemplate
        Variant::flag(false),                                     // Revert
        Variant::omitted(),                                       // WritePasswordDocument
        Variant::omitted(),                                       // WritePasswordTemplate
        Variant::i4(0),                                           // Format: detect
        Variant::omitted(),                                       // Encoding
        Variant::flag(true),                                      // Visible
    };
    DispatchRef document;
    const HRESULT status =
        takeObject(com::invokeMethod(object_.get(), dispid::kOpen, arguments), document);
    if (SUCCEEDED(status)) {
        opened = Document(std::move(document));
    }
    return status;
}

HRESULT Application::create(Application& created) {
    return com::createInstance(kProgId, created.object_);
}

HRESULT Application::setVisible(bool visible) {
    return com::putProperty(object_.get(), dispid::kVisible, Variant::boolean(visible)).hr;
}

HRESULT Application::setActivePrinter(const QString& name) {
    return com::putProperty(object_.get(), dispid::kActivePrinter, Variant::text(name)).hr;
}

HRESULT Application::documents(Documents& collection) {
    DispatchRef object;
    const HRESULT status = takeObject(com::getProperty(object_.get(), dispid::kDocuments), object);
    if (SUCCEEDED(status)) {
        collection = Documents(std::move(object));
    }
    return status;
}

HRESULT Application::backgroundPrintingStatus(LONG& pendingJobs) {
    const com::DispatchResult result =
        com::getProperty(object_.get(), dispid::kBackgroundPrintingStatus);
    if (result.failed()) {
        return result.hr;
    }
    const auto count = result.value.toInt32();
    if (!count) {
        return DISP_E_TYPEMISMATCH;
    }
    pendingJobs = *count;
    return S_OK;
}

HRESULT Application::quit() {
    return closeWithoutSaving(object_.get());
}

} // namespace ostrel::word
