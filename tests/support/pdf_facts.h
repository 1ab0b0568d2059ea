// What the tests look at in a PDF, read with the qpdf library.
#pragma once

#include <compare>
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

// An outline entry: its title, depth (1 at the top) and target page (1-based; 0 for none).
struct PdfBookmark {
    std::string title;
    int level = 0;
    int page = 0;
    bool operator==(const PdfBookmark&) const = default;
};

// A link annotation: the page it is on, and where it goes: a URI, or a page (1-based; 0
// when it goes nowhere known).
struct PdfLink {
    int page = 0;
    std::string uri;
    int target = 0;
    auto operator<=>(const PdfLink&) const = default;
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
    std::vector<PdfBookmark> bookmarks;      // in outline order
    std::vector<PdfLink> links;              // in page order, as the pages list them
};

// Opens the PDF with the password; no value when qpdf cannot open it (message in *error).
std::optional<PdfFacts> readPdf(const std::string& path, const std::string& password = {},
                                std::string* error = nullptr);

// Pages of a PDF; -1 when qpdf cannot read it.
int pdfPageCount(const std::string& path);

} // namespace ostrel::test
