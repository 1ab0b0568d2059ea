#include "word_converter.h"

#include <cstdio>

namespace ostrel::cli {

WordDocumentConverter::WordDocumentConverter(PasswordSource passwords)
    : host_(std::move(passwords)), converter_(host_) {
}

void WordDocumentConverter::setProgressLine(ProgressLine* line) {
    progress_ = line;
    host_.setProgressLine(line);
}

bool WordDocumentConverter::accepts(const QString& sourcePath) const {
    return isAcceptedDocument(sourcePath);
}

JobResult WordDocumentConverter::convert(const QString& sourcePath, const QString&,
                                         const ConversionOptions& options, ExistingPdf existing) {
    host_.beginDocument();
    if (converter_.convertDocument(sourcePath, options, existing)) {
        // Said on the way, though the document was converted.
        if (progress_ != nullptr && !host_.messages().isEmpty()) {
            progress_->clear();
        }
        for (const QString& message : host_.messages()) {
            std::fputs(("ostrel-convert: " + message + u'\n').toLocal8Bit().constData(), stderr);
        }
        return JobResult::success();
    }
    return JobResult::failure(host_.messages().isEmpty()
                                  ? QStringLiteral("not converted (no password given)")
                                  : host_.messages().join(QStringLiteral("; ")));
}

} // namespace ostrel::cli
