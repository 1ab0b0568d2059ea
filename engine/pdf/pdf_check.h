// Whether a PDF Ghostscript wrote is whole, read with qpdf before it takes its name.
#pragma once

#include <optional>
#include <string>

namespace ostrel {

struct PdfExpectation {
    bool encrypted = false;
    std::string password;       // opens it (empty: none needed)
    bool ownerPassword = false; // the password is the owner password
    int revision = 0;           // R and V of the encryption; 0: not checked
    int algorithm = 0;
};

// Reads the PDF behind the open descriptor from its start: it must parse without repair
// (a truncated file does not), have pages, be encrypted exactly as expected (with that R
// and V, when given) and open with the password. Nothing when it does, else the reason in a few
// words.
std::optional<std::string> pdfDefect(int descriptor, const PdfExpectation& expected);

// The number of pages of the PDF file `fileName` (its bytes), opened with `password`;
// none when it cannot be read.
std::optional<int> pdfPageCount(const char* fileName, const std::string& password);

} // namespace ostrel
