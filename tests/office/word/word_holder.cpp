// Creates "Word.Application", prints the process ids of its office and then waits to
// be killed: the lifecycle tests check that the office does not outlive it.
#include "word_client.h"

#include <unistd.h>

#include <cstdio>

int main() {
    using namespace ostrel::test;
    ServerModule module;
    HRESULT status = E_FAIL;
    const auto application = module.createApplication(&status);
    if (FAILED(status)) {
        std::printf("failed\n");
        return 1;
    }
    for (const int pid : childProcesses("soffice.bin")) {
        std::printf("%d\n", pid);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        pause();
    }
}
