// The registry hive reader: any text is refused or read; what is read is written back
// as text that reads to the same hive.
#include "fuzz_target.h"
#include "registry/hive.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ostrel::registry::HiveTree;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* root : {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER"}) {
        std::string error;
        const auto hive = HiveTree::parse(root, text, &error);
        if (!hive) {
            continue;
        }
        const std::string written = hive->format();
        const auto again = HiveTree::parse(root, written, &error);
        if (!again) {
            ostrel::fuzz::violated("a hive written out reads back");
        }
        if (again->format() != written) {
            ostrel::fuzz::violated("a hive written out reads back the same");
        }
    }
    return 0;
}
