// The hand-over message reader: any bytes that arrive on the program's socket are a
// request within the bounds, incomplete, or refused; a request read can be sent again.
#include "fuzz_target.h"
#include "handoff_message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    DocumentRequest request;
    if (readRequest(bytes, request) != RequestReading::Complete) {
        return 0;
    }
    if (request.documents.size() > kMostDocumentsPerRequest) {
        fuzz::violated("a request lists at most the bound");
    }
    // Sent again, it names as many documents (those beyond the bounds counted).
    DocumentRequest again;
    const auto named = [](const DocumentRequest& r) {
        return static_cast<quint64>(r.documents.size()) + r.leftOut;
    };
    if (readRequest(encodeRequest(request), again) != RequestReading::Complete ||
        again.convert != request.convert ||
        (request.leftOut < 0xFFFF0000u && named(again) != named(request))) {
        fuzz::violated("a request read is sent again as a request naming as many documents");
    }
    return 0;
}
