// A range of a PDF's pages.
#pragma once

namespace ostrel {

// Pages `first` to `last` of a PDF, counted from 1.
struct PageRange {
    int first = 1;
    int last = 1;
};

} // namespace ostrel
