#include "pdf_facts.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

namespace ostrel::test {
namespace {

std::string filterName(QPDFObjectHandle dict) {
    auto filter = dict.getKey("/Filter");
    if (filter.isArray() && filter.getArrayNItems() > 0) {
        filter = filter.getArrayItem(0);
    }
    return filter.isName() ? filter.getName() : std::string();
}

int components(QPDFObjectHandle dict) {
    auto space = dict.getKey("/ColorSpace");
    if (space.isName()) {
        return space.getName() == "/DeviceRGB" ? 3 : space.getName() == "/DeviceGray" ? 1 : 0;
    }
    if (space.isArray() && space.getArrayNItems() > 1 &&
        space.getArrayItem(0).isNameAndEquals("/ICCBased")) {
        auto n = space.getArrayItem(1).getDict().getKey("/N");
        return n.isInteger() ? n.getIntValueAsInt() : 0;
    }
    return 0;
}

// The 1-based number of a page object, 0 when it is none of the document's pages.
int pageNumber(QPDF& pdf, QPDFObjectHandle page) {
    if (!page.isIndirect()) {
        return 0;
    }
    const auto& pages = pdf.getAllPages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (pages[i].getObjGen() == page.getObjGen()) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

// The page of a destination: an array naming its page first, or a name of one.
int destinationPage(QPDF& pdf, QPDFOutlineDocumentHelper& outlines, QPDFObjectHandle dest) {
    if (dest.isName() || dest.isString()) {
        dest = outlines.resolveNamedDest(dest);
    }
    if (dest.isDictionary()) {
        dest = dest.getKey("/D");
    }
    return dest.isArray() && dest.getArrayNItems() > 0 ? pageNumber(pdf, dest.getArrayItem(0)) : 0;
}

void addBookmarks(std::vector<QPDFOutlineObjectHelper> entries, int level, QPDF& pdf,
                  std::vector<PdfBookmark>& bookmarks) {
    for (auto& entry : entries) {
        const auto title = entry.getTitle();
        bookmarks.push_back({title, level, pageNumber(pdf, entry.getDestPage())});
        addBookmarks(entry.getKids(), level + 1, pdf, bookmarks);
    }
}

std::vector<PdfLink> linksOf(QPDF& pdf) {
    QPDFOutlineDocumentHelper outlines(pdf);
    std::vector<PdfLink> links;
    int number = 0;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        ++number;
        for (auto& annotation : page.getAnnotations("/Link")) {
            PdfLink link{number, {}, 0};
            auto object = annotation.getObjectHandle();
            auto action = object.getKey("/A");
            if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/URI")) {
                link.uri = action.getKey("/URI").getUTF8Value();
            } else if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo")) {
                link.target = destinationPage(pdf, outlines, action.getKey("/D"));
            } else {
                link.target = destinationPage(pdf, outlines, object.getKey("/Dest"));
            }
            links.push_back(link);
        }
    }
    return links;
}

} // namespace

std::optional<PdfFacts> readPdf(const std::string& path, const std::string& password,
                                std::string* error) {
    try {
        QPDF pdf;
        pdf.processFile(path.c_str(), password.c_str());
        PdfFacts facts;
        facts.version = pdf.getPDFVersion();
        int revision = 0;
        int permissions = 0;
        facts.encrypted = pdf.isEncrypted(revision, permissions);
        if (facts.encrypted) {
            facts.revision = revision;
            facts.permissions = permissions;
            auto encrypt = pdf.getTrailer().getKey("/Encrypt");
            auto length = encrypt.getKey("/Length");
            facts.keyLength = length.isInteger() ? length.getIntValueAsInt() : 40;
            facts.ownerPasswordMatched = pdf.ownerPasswordMatched();
            facts.userPasswordMatched = pdf.userPasswordMatched();
        }
        auto info = pdf.getTrailer().getKey("/Info");
        if (info.isDictionary()) {
            for (const auto& key : info.getKeys()) {
                auto value = info.getKey(key);
                facts.info[key] = value.isString() ? value.getUTF8Value() : value.unparse();
            }
        }
        for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            for (auto& [name, image] : page.getImages()) {
                auto dict = image.getDict();
                facts.images.push_back(
                    {filterName(dict), dict.getKey("/Length").getIntValue(), components(dict)});
            }
            for (auto& content : page.getPageContents()) {
                facts.contentFilters.push_back(filterName(content.getDict()));
            }
        }
        QPDFOutlineDocumentHelper outlines(pdf);
        addBookmarks(outlines.getTopLevelOutlines(), 1, pdf, facts.bookmarks);
        facts.links = linksOf(pdf);
        return facts;
    } catch (const std::exception& e) {
        if (error != nullptr) {
            *error = e.what();
        }
        return std::nullopt;
    }
}

int pdfPageCount(const std::string& path) {
    try {
        QPDF pdf;
        pdf.processFile(path.c_str());
        return static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size());
    } catch (const std::exception&) {
        return -1;
    }
}

} // namespace ostrel::test
