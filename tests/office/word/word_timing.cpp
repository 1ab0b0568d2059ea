// Prints how long the Word server takes: the first creation (profile template made),
// later creations (template copied), opening, printing to PostScript and quitting.
// A measurement, not a test: word_timing [document ...]
#include "environment.h"
#include "word_client.h"

#include <chrono>
#include <cstdio>

using namespace ostrel::test;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    PrivateFolders environment(PrivateFolders::Profiles::Own);
    ServerModule module;
    for (int round = 0; round < 3; ++round) {
        auto start = Clock::now();
        HRESULT status = E_FAIL;
        auto application = module.createApplication(&status);
        if (FAILED(status)) {
            std::printf("creation failed: 0x%08x\n", static_cast<unsigned>(status));
            return 1;
        }
        std::printf("create #%d%s: %.2f s\n", round + 1, round == 0 ? " (makes the template)" : "",
                    since(start));
        auto documents = ostrel::com::getProperty(application.get(), kDocuments).value.toDispatch();
        for (int i = 1; round == 0 && i < argc; ++i) {
            start = Clock::now();
            auto args = openArguments(argv[i], "1");
            auto opened = ostrel::com::invokeMethod(documents.get(), kOpen, args);
            const double openTime = since(start);
            if (opened.failed()) {
                std::printf("%s: open failed (%.2f s)\n", argv[i], openTime);
                continue;
            }
            auto document = opened.value.toDispatch();
            start = Clock::now();
            auto print = printOutArguments(true, environment.root() / "timing.ps");
            ostrel::com::invokeMethod(document.get(), kPrintOut, print);
            const int pending = waitForBackgroundPrinting(application.get(), 3000);
            std::printf("%s: open %.2f s, print %.2f s%s\n", argv[i], openTime, since(start),
                        pending == 0 ? "" : " (not finished)");
            auto close = closeArguments();
            ostrel::com::invokeMethod(document.get(), kClose, close);
        }
        start = Clock::now();
        auto quit = closeArguments();
        ostrel::com::invokeMethod(application.get(), kQuit, quit);
        std::printf("quit #%d: %.2f s\n", round + 1, since(start));
    }
    return 0;
}
