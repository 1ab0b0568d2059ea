// The sections of a CMap's text (a font's Unicode map): the entries between
// "begin<kind>" and "end<kind>", such as "bfchar" and "bfrange".
#pragma once

#include <string>
#include <vector>

namespace ostrel {

// The texts between "begin<kind>" and "end<kind>", in order; a section without its end
// is left out.
inline std::vector<std::string> cmapSections(const std::string& cmap, const std::string& kind) {
    std::vector<std::string> bodies;
    std::size_t pos = 0;
    while ((pos = cmap.find("begin" + kind, pos)) != std::string::npos) {
        const std::size_t start = pos + 5 + kind.size();
        const std::size_t stop = cmap.find("end" + kind, start);
        if (stop == std::string::npos) {
            break;
        }
        bodies.push_back(cmap.substr(start, stop - start));
        pos = stop;
    }
    return bodies;
}

} // namespace ostrel
