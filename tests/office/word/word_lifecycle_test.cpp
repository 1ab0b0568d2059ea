// The office's life: registration and creation through the COM runtime, Quit, release
// without Quit, a killed client, a dead or hanging office, an office kept while the
// server is locked. Each case starts an office of its own.
#include "environment.h"
#include "missing.h"
#include "word_client.h"

#include "registry/registry.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace fs = std::filesystem;
using namespace ostrel::test;
using namespace std::chrono_literals;
using ostrel::com::invokeMethod;

namespace {

bool processGone(int pid) {
    const std::string state = readText("/proc/" + std::to_string(pid) + "/stat");
    const auto close = state.rfind(')');
    return state.empty() || (close != std::string::npos && state.substr(close + 2, 1) == "Z");
}

// Polls (bounded) until every process is gone.
bool waitUntilGone(const std::vector<int>& pids) {
    for (int i = 0; i < 300; ++i) {
        if (std::all_of(pids.begin(), pids.end(), processGone)) {
            return true;
        }
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

class WordLifecycleTest : public ::testing::Test {
protected:
    // One cache folder for the suite: the profile template is made once.
    static void SetUpTestSuite() {
        environment_ = std::make_unique<PrivateFolders>(PrivateFolders::Profiles::Own);
    }
    static void TearDownTestSuite() { environment_.reset(); }

    // Creates an application and finds its office, the one child of ours named soffice.bin.
    void start() {
        HRESULT status = E_FAIL;
        application_ = module_.createApplication(&status);
        ASSERT_EQ(status, S_OK);
        const auto offices = childProcesses("soffice.bin");
        ASSERT_EQ(offices.size(), 1u);
        office_ = offices.front();
        const auto documents = ostrel::com::getProperty(application_.get(), kDocuments);
        ASSERT_EQ(documents.hr, S_OK);
        documents_ = documents.value.toDispatch();
    }

    static inline std::unique_ptr<PrivateFolders> environment_;
    ServerModule module_;
    ComPtr<IDispatch> application_;
    ComPtr<IDispatch> documents_;
    int office_ = -1;
};

TEST_F(WordLifecycleTest, RegisteredServerIsCreatedByProgIdAndQuitEndsTheOffice) {
    const auto registerServer =
        reinterpret_cast<PFN_DllRegisterServer>(module_.symbol("DllRegisterServer"));
    ASSERT_EQ(registerServer(), S_OK);
    ostrel::registry::Registry registry;
    const auto path = registry.getString(ostrel::registry::Hive::ClassesRoot,
                                         "CLSID\\{000209FF-0000-0000-C000-000000000046}\\"
                                         "InprocServer32",
                                         "");
    ASSERT_TRUE(path);
    EXPECT_EQ(fs::path(*path), fs::canonical(OSTREL_WORD_MODULE));

    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"Word.Application", &clsid), S_OK);
    EXPECT_EQ(clsid, kClsidWordApplication);
    ComPtr<IDispatch> application;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, application.putVoid()),
              S_OK);
    const auto offices = childProcesses("soffice.bin");
    ASSERT_EQ(offices.size(), 1u);

    auto args = closeArguments();
    EXPECT_EQ(invokeMethod(application.get(), kQuit, args).hr, S_OK);
    EXPECT_TRUE(childProcesses("soffice.bin").empty());
    application = nullptr;
    CoUninitialize();

    const auto unregisterServer =
        reinterpret_cast<PFN_DllUnregisterServer>(module_.symbol("DllUnregisterServer"));
    EXPECT_EQ(unregisterServer(), S_OK);
    EXPECT_FALSE(registry.keyExists(ostrel::registry::Hive::ClassesRoot, "Word.Application"));
}

TEST_F(WordLifecycleTest, ReleasingTheApplicationEndsTheOffice) {
    const auto canUnloadNow =
        reinterpret_cast<PFN_DllCanUnloadNow>(module_.symbol("DllCanUnloadNow"));
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    application_ = nullptr; // without Quit; the collection stays
    EXPECT_TRUE(childProcesses("soffice.bin").empty());
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    documents_ = nullptr;
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(WordLifecycleTest, KilledClientLeavesNoOfficeBehind) {
    // Started by hand: the holder's lines (office ids, then "ready") are read while it
    // runs, which Process's captured output does not offer.
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char holderPath[] = OSTREL_WORD_HOLDER;
    char* argv[] = {holderPath, nullptr};
    pid_t holder = 0;
    ASSERT_EQ(posix_spawn(&holder, holderPath, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);

    std::vector<int> offices;
    FILE* lines = fdopen(out[0], "r");
    char line[64];
    bool ready = false;
    while (!ready && std::fgets(line, sizeof line, lines) != nullptr) {
        ready = std::string(line) == "ready\n";
        if (!ready) {
            offices.push_back(std::atoi(line));
        }
    }
    std::fclose(lines);
    ASSERT_TRUE(ready);
    ASSERT_EQ(offices.size(), 1u);
    EXPECT_FALSE(processGone(offices.front()));

    kill(holder, SIGKILL);
    int status = 0;
    waitpid(holder, &status, 0);
    EXPECT_TRUE(waitUntilGone(offices)) << "the office outlived its client";
}

TEST_F(WordLifecycleTest, DeadOfficeMakesCallsFailInsteadOfHanging) {
    ASSERT_NO_FATAL_FAILURE(start());
    kill(office_, SIGKILL);
    ASSERT_TRUE(waitUntilGone({office_}));

    auto args = openArguments(OSTREL_WORD_MODULE, "1");
    EXPECT_EQ(invokeMethod(documents_.get(), kOpen, args).hr, DISP_E_EXCEPTION);
    auto quit = closeArguments();
    EXPECT_EQ(invokeMethod(application_.get(), kQuit, quit).hr, S_OK);
}

TEST_F(WordLifecycleTest, HangingOfficeIsKilledAfterABoundedWait) {
    if (!fs::is_directory(OSTREL_CORPUS_DIR)) {
        OSTREL_MISSING() << "the document corpus is missing: " << OSTREL_CORPUS_DIR;
    }
    ASSERT_NO_FATAL_FAILURE(start());
    setenv("OSTREL_OFFICE_TIMEOUT", "3", 1);
    kill(office_, SIGSTOP);
    auto args = openArguments(fs::path(OSTREL_CORPUS_DIR) / "documents/plain.doc", "1");
    const auto opened = invokeMethod(documents_.get(), kOpen, args);
    unsetenv("OSTREL_OFFICE_TIMEOUT");
    EXPECT_EQ(opened.hr, DISP_E_EXCEPTION);
    EXPECT_TRUE(waitUntilGone({office_}));
    EXPECT_EQ(invokeMethod(documents_.get(), kOpen, args).hr, DISP_E_EXCEPTION);
}

// While a client locks the server, the office outlives each application and serves the
// next one; what one application opened, or was told, is not there for the next.
TEST_F(WordLifecycleTest, ALockedServerKeepsItsOfficeButNoDocumentOrPassword) {
    if (!fs::is_directory(OSTREL_CORPUS_DIR)) {
        OSTREL_MISSING() << "the document corpus is missing: " << OSTREL_CORPUS_DIR;
    }
    const auto getClassObject =
        reinterpret_cast<PFN_DllGetClassObject>(module_.symbol("DllGetClassObject"));
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(kClsidWordApplication, IID_IClassFactory, factory.putVoid()), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    const fs::path document = fs::path(OSTREL_CORPUS_DIR) / "protected/example_password.docx";
    auto quit = closeArguments();

    ASSERT_NO_FATAL_FAILURE(start());
    const int office = office_;
    auto withPassword = openArguments(document, "Password1234_");
    EXPECT_EQ(invokeMethod(documents_.get(), kOpen, withPassword).hr, S_OK);
    EXPECT_EQ(invokeMethod(application_.get(), kQuit, quit).hr, S_OK); // the document left open
    EXPECT_EQ(invokeMethod(documents_.get(), kOpen, withPassword).hr, DISP_E_EXCEPTION)
        << "an application that has quit still opens documents";

    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(office_, office) << "the office was not kept";
    auto placeholder = openArguments(document, "1");
    EXPECT_EQ(invokeMethod(documents_.get(), kOpen, placeholder).hr, DISP_E_EXCEPTION)
        << "the earlier password still opens the document";
    EXPECT_EQ(invokeMethod(documents_.get(), kOpen, withPassword).hr, S_OK);
    EXPECT_EQ(invokeMethod(application_.get(), kQuit, quit).hr, S_OK);

    application_ = nullptr;
    documents_ = nullptr;
    factory->LockServer(FALSE);
    EXPECT_TRUE(childProcesses("soffice.bin").empty());
}

TEST_F(WordLifecycleTest, OfficeThatCannotStartFailsTheCreation) {
    setenv("OSTREL_SOFFICE", "/nonexistent/soffice.bin", 1);
    HRESULT status = S_OK;
    const auto application = module_.createApplication(&status);
    unsetenv("OSTREL_SOFFICE");
    EXPECT_EQ(status, CO_E_SERVER_EXEC_FAILURE);
    EXPECT_FALSE(application);
    EXPECT_TRUE(childProcesses("soffice.bin").empty());
}

} // namespace
