// What the tests look at in a PDF, read with the qpdf library.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::test {

struct PdfImage {
    std::string filter; // "/FlateDecode", "/DCTDecode", ...
    long long length = 0;
    int components = 0; // 3 for RGB, 1 for grey
};

struct PdfFacts {
    std::string version; // "1.3"
    bool encrypted = false;
    int revision = 0;    // R
    int permissions = 0; // P
    int keyLength = 0;   // bits
    bool ownerPasswordMatched = false;
    bool userPasswordMatched = false;
    std::map<std::string, std::string> info; // "/Title" -> UTF-8 text
    std::vector<PdfImage> images;
    std::vector<std::string> contentFilters; // one per page content stream
};

// Opens the PDF with the password; no value when qpdf cannot open it (message in *error).
std::optional<PdfFacts> readPdf(const std::string& path, const std::string& password = {},
                                std::string* error = nullptr);

} // namespace ostrel::test
