#include "pdf_outline.h"

#include "postscript_string.h"

#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <map>
#include <vector>

namespace ostrel {
namespace {

// Each page object's 1-based number.
std::map<QPDFObjGen, int> pageNumbers(QPDF& pdf) {
    std::map<QPDFObjGen, int> numbers;
    int number = 0;
    for (const auto& page : pdf.getAllPages()) {
        numbers.emplace(page.getObjGen(), ++number);
    }
    return numbers;
}

// "/Page 3 /View [/XYZ 56.7 785.2 0] " for a destination of a known page, else nothing.
// Only numbers, names and nulls of the view are carried: they mean the same in PostScript.
std::string destinationMarks(QPDFObjectHandle dest, const std::map<QPDFObjGen, int>& pages) {
    if (!dest.isArray() || dest.getArrayNItems() < 1) {
        return {};
    }
    QPDFObjectHandle page = dest.getArrayItem(0);
    const auto found = page.isIndirect() ? pages.find(page.getObjGen()) : pages.end();
    if (found == pages.end()) {
        return {};
    }
    std::string marks = "/Page " + std::to_string(found->second) + " ";
    std::string view = "/View [";
    for (int i = 1; i < dest.getArrayNItems(); ++i) {
        QPDFObjectHandle item = dest.getArrayItem(i);
        if (!item.isNumber() && !item.isName() && !item.isNull()) {
            return marks;
        }
        view += item.unparse() + (i + 1 < dest.getArrayNItems() ? " " : "");
    }
    return dest.getArrayNItems() > 1 ? marks + view + "] " : marks;
}

void addMarks(std::vector<QPDFOutlineObjectHelper> entries, const std::map<QPDFObjGen, int>& pages,
              std::string& marks) {
    for (auto& entry : entries) {
        const auto kids = entry.getKids();
        const int children = static_cast<int>(kids.size());
        marks += "[";
        if (children > 0) {
            marks += "/Count " + std::to_string(entry.getCount() < 0 ? -children : children) + " ";
        }
        marks += destinationMarks(entry.getDest(), pages);
        marks += "/Title " +
                 postScriptString(QString::fromStdString(entry.getTitle())).toStdString() +
                 " /OUT pdfmark\n";
        addMarks(kids, pages, marks);
    }
}

} // namespace

std::optional<std::string> takeOutline(QPDF& pdf) {
    QPDFOutlineDocumentHelper outline(pdf);
    if (!outline.hasOutlines()) {
        return std::nullopt;
    }
    std::string marks;
    addMarks(outline.getTopLevelOutlines(), pageNumbers(pdf), marks);
    pdf.getRoot().removeKey("/Outlines");
    return marks;
}

bool hasLinksToPages(QPDF& pdf) {
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        for (auto& link : page.getAnnotations("/Link")) {
            QPDFObjectHandle annotation = link.getObjectHandle();
            QPDFObjectHandle action = annotation.getKey("/A");
            if (annotation.hasKey("/Dest") ||
                (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo"))) {
                return true;
            }
        }
    }
    return false;
}

} // namespace ostrel
