// Word documents (and the other types the desktop program lists): the office prints them
// through the engine's Word sequence, Ghostscript makes the PDF.
#pragma once

#include "document_conversion.h"
#include "file_converter.h"
#include "terminal_host.h"

#include <QString>
#include <filesystem>

namespace ostrel::cli {

// A link to a document in a private folder of the spool folder, removed when this goes.
class DocumentLink {
public:
    // Throws std::runtime_error (one-line reason).
    explicit DocumentLink(const QString& document);
    ~DocumentLink();
    DocumentLink(const DocumentLink&) = delete;
    DocumentLink& operator=(const DocumentLink&) = delete;

    const QString& path() const { return path_; }

private:
    std::filesystem::path folder_;
    QString path_;
};

class WordDocumentConverter : public FileConverter {
public:
    // Converters given the same officeTurn share one office (DocumentConverter::shareOffice).
    explicit WordDocumentConverter(PasswordSource passwords, std::mutex* officeTurn = nullptr);

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
