// Runs a fuzz target's entry point, without the fuzzer, on every file of the folders
// given: its seeds and the inputs that once made it fail. A failure ends the process
// (a sanitizer or the target's own check), which fails the test.
#include "fuzz_target.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        if (!fs::exists(argv[i])) {
            continue; // a target without findings has no regression folder
        }
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(argv[i])) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::ifstream stream(file, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(stream),
                                          std::istreambuf_iterator<char>()};
            std::printf("%s\n", file.c_str());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++inputs;
        }
    }
    std::printf("%d inputs\n", inputs);
    // A target without any input tests nothing.
    return inputs > 0 ? 0 : 1;
}
