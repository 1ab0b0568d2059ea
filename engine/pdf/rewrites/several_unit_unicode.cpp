#include "several_unit_unicode.h"

#include "cmap_sections.h"
#include "pdf_objects.h"

#include <set>
#include <string>
#include <string_view>

namespace ostrel {
namespace {

// Whether the entries of a "beginbfchar" (2 strings each: code, characters) or
// "beginbfrange" section (3: first code, last code, characters or an array of them) give
// a code more than four hexadecimal digits of characters.
bool hasSeveralUnits(std::string_view entries, int stringsPerEntry) {
    int index = 0;
    bool inArray = false;
    for (std::size_t at = 0; at < entries.size(); ++at) {
        const char c = entries[at];
        if (c == '[') {
            inArray = true;
        } else if (c == ']') {
            inArray = false;
            index = 0;
        } else if (c == '<') {
            const std::size_t close = entries.find('>', at);
            if (close == std::string_view::npos) {
                return false;
            }
            const bool characters = inArray || index == stringsPerEntry - 1;
            if (characters && close - at - 1 > 4) {
                return true;
            }
            if (!inArray) {
                index = (index + 1) % stringsPerEntry;
            }
            at = close;
        }
    }
    return false;
}

} // namespace

bool mapHasSeveralUnits(const std::string& cmap) {
    for (const std::string& entries : cmapSections(cmap, "bfchar")) {
        if (hasSeveralUnits(entries, 2)) {
            return true;
        }
    }
    for (const std::string& entries : cmapSections(cmap, "bfrange")) {
        if (hasSeveralUnits(entries, 3)) {
            return true;
        }
    }
    return false;
}

bool hasSeveralUnitUnicode(QPDF& pdf) {
    std::set<QPDFObjGen> seen; // a map fonts share is read once
    for (QPDFObjectHandle font : fontDictionaries(pdf)) {
        QPDFObjectHandle map = font.getKey("/ToUnicode");
        if (!map.isStream() || !seen.insert(map.getObjGen()).second) {
            continue;
        }
        try {
            if (mapHasSeveralUnits(streamText(map))) {
                return true;
            }
        } catch (const std::exception&) {
            return true; // a map qpdf cannot decode: what it holds is not known
        }
    }
    return false;
}

} // namespace ostrel
