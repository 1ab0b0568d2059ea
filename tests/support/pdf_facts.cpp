#include "pdf_facts.h"

#include <qpdf/QPDF.hh>
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
        return facts;
    } catch (const std::exception& e) {
        if (error != nullptr) {
            *error = e.what();
        }
        return std::nullopt;
    }
}

} // namespace ostrel::test
