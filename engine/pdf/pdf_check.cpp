#include "pdf_check.h"

#include "pending_pdf.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cstdio>

namespace ostrel {

std::optional<std::string> pdfDefect(int descriptor, const PdfExpectation& expected) {
    FILE* file = duplicateStream(descriptor, "rb");
    if (file == nullptr) {
        return "cannot read it back";
    }
    try {
        std::rewind(file);
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(false);
        pdf.processFile("the new PDF", file, true, expected.password.c_str());
        if (pdf.isEncrypted() != expected.encrypted) {
            return expected.encrypted ? "it is not encrypted" : "it is encrypted";
        }
        if (expected.encrypted && expected.revision != 0) {
            int revision = 0;
            int permissions = 0;
            int algorithm = 0;
            QPDF::encryption_method_e streams{};
            QPDF::encryption_method_e strings{};
            QPDF::encryption_method_e files{};
            pdf.isEncrypted(revision, permissions, algorithm, streams, strings, files);
            if (revision != expected.revision || algorithm != expected.algorithm) {
                return "its encryption is R " + std::to_string(revision) + ", V " +
                       std::to_string(algorithm) + " instead of R " +
                       std::to_string(expected.revision) + ", V " +
                       std::to_string(expected.algorithm);
            }
        }
        if (expected.encrypted && expected.ownerPassword && !pdf.ownerPasswordMatched()) {
            return "its owner password is not the one given";
        }
        if (QPDFPageDocumentHelper(pdf).getAllPages().empty()) {
            return "it has no pages";
        }
    } catch (const std::exception& error) {
        return error.what();
    }
    return std::nullopt;
}

std::optional<int> pdfPageCount(const char* fileName, const std::string& password) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(fileName, password.c_str());
        return static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace ostrel
