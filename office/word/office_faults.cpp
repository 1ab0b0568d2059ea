#include "word/office_faults.h"

#include <cstdlib>
#include <string_view>

namespace ostrel::word {
namespace {

const char* faultList() {
    const char* list = std::getenv("OSTREL_OFFICE_FAULTS");
    return list != nullptr && *list != '\0' ? list : nullptr;
}

OfficeFault faultNamed(std::string_view name) {
    if (name == "crash") {
        return OfficeFault::Crash;
    }
    if (name == "hang") {
        return OfficeFault::Hang;
    }
    if (name == "garbage") {
        return OfficeFault::Garbage;
    }
    return OfficeFault::None;
}

} // namespace

bool faultsRequested() {
    return faultList() != nullptr;
}

OfficeFault faultFor(const std::string& fileName) {
    const char* list = faultList();
    if (list == nullptr) {
        return OfficeFault::None;
    }
    std::string_view rest(list);
    while (!rest.empty()) {
        const auto end = rest.find(';');
        const std::string_view entry = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const auto equals = entry.find('=');
        if (equals != std::string_view::npos && entry.substr(equals + 1) == fileName) {
            return faultNamed(entry.substr(0, equals));
        }
    }
    return OfficeFault::None;
}

} // namespace ostrel::word
