// Word documents (and the other types the desktop program lists): the office prints them
// through the engine's Word sequence, Ghostscript makes the PDF.
#pragma once

#include "document_conversion.h"
#include "file_converter.h"
#include "terminal_host.h"

namespace ostrel::cli {

class WordDocumentConverter : public FileConverter {
public:
    explicit WordDocumentConverter(PasswordSource passwords);

    // The terminal's status line, told what the office is doing.
    void setProgressLine(ProgressLine* line);

    // The desktop program's fourteen extensions, in any case.
    bool accepts(const QString& sourcePath) const override;
    // The engine names the PDF itself; outputPath is that same name.
    Outcome convert(const QString& sourcePath, const QString& outputPath,
                    const ConversionOptions& options, ExistingPdf existing) override;

private:
    TerminalHost host_;
    DocumentConverter converter_;
};

} // namespace ostrel::cli
