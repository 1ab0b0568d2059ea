// The reader of a font's Unicode map: the sections of any text, and the check whether an
// entry gives a code several units, end on every input.
#include "cmap_sections.h"
#include "fuzz_target.h"
#include "several_unit_unicode.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string cmap(reinterpret_cast<const char*>(data), size);
    for (const char* kind : {"bfchar", "bfrange", "codespacerange"}) {
        std::size_t total = 0;
        for (const std::string& section : ostrel::cmapSections(cmap, kind)) {
            total += section.size();
        }
        if (total > cmap.size()) {
            ostrel::fuzz::violated("the sections of one kind lie apart within the map");
        }
    }
    ostrel::mapHasSeveralUnits(cmap);
    return 0;
}
