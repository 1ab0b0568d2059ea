#include "word_converter.h"

namespace ostrel::cli {

WordDocumentConverter::WordDocumentConverter(PasswordSource passwords)
    : host_(std::move(passwords)), converter_(host_) {
}

void WordDocumentConverter::setProgressLine(ProgressLine* line) {
    host_.setProgressLine(line);
}

bool WordDocumentConverter::accepts(const QString& sourcePath) const {
    return isAcceptedDocument(sourcePath);
}

Outcome WordDocumentConverter::convert(const QString& sourcePath, const QString&,
                                       const ConversionOptions& options, ExistingPdf existing) {
    host_.beginDocument();
    return converter_.convertDocument(sourcePath, options, existing);
}

} // namespace ostrel::cli
