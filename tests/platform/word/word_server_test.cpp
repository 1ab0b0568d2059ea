// "Word.Application" on the real office: opening, printing to PostScript, passwords,
// hostile files and printer selection, through the module's class object and Word's
// dispatch ids.
#include "word_client.h"
#include "word_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace ostrel::word::test;
using namespace std::chrono_literals;

namespace {

constexpr DISPID kVisible = 23;
constexpr DISPID kActivePrinter = 66;
constexpr DISPID kDocuments = 6;
constexpr DISPID kOpen = 15;
constexpr DISPID kPrintOut = 444;
constexpr DISPID kBackgroundPrintingStatus = 86;
constexpr DISPID kClose = 1105;
constexpr DISPID kQuit = 1105;

std::vector<Arg> openArguments(const fs::path& file, const std::u16string& password) {
    return {Arg::string(file.u16string()),
            Arg::boolean(false),
            Arg::boolean(true),
            Arg::boolean(false),
            Arg::string(password),
            Arg::omitted(),
            Arg::boolean(false),
            Arg::omitted(),
            Arg::omitted(),
            Arg::integer(0),
            Arg::omitted(),
            Arg::boolean(true)};
}

std::vector<Arg> printOutArguments(bool background, const fs::path& output) {
    return {Arg::boolean(background), Arg::omitted(),
            Arg::integer(0),          Arg::string(output.u16string()),
            Arg::omitted(),           Arg::omitted(),
            Arg::integer(0),          Arg::integer(1),
            Arg::omitted(),           Arg::integer(0),
            Arg::boolean(true),       Arg::boolean(true),
            Arg::omitted(),           Arg::boolean(false),
            Arg::integer(0),          Arg::integer(0),
            Arg::integer(0),          Arg::integer(0)};
}

std::vector<Arg> closeArguments() {
    return {Arg::boolean(false), Arg::boolean(false), Arg::boolean(false)};
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// One office for the whole suite: starting one takes seconds.
class WordServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        environment_ = std::make_unique<TestEnvironment>();
        module_ = std::make_unique<ServerModule>();
        HRESULT status = E_FAIL;
        application_ = std::make_unique<Dispatch>(createApplication(*module_, &status));
        ASSERT_EQ(status, S_OK);
        auto documents = invoke(application_->get(), kDocuments, DISPATCH_PROPERTYGET, {});
        ASSERT_EQ(documents->hr, S_OK);
        documents_ = std::make_unique<Dispatch>(takeDispatch(*documents));
    }
    static void TearDownTestSuite() {
        if (application_ && *application_) {
            invoke(application_->get(), kQuit, DISPATCH_METHOD, closeArguments());
        }
        documents_.reset();
        application_.reset();
        module_.reset();
        environment_.reset();
    }

    void SetUp() override {
        if (!fs::is_directory(OSTREL_CORPUS_DIR)) {
            GTEST_SKIP() << "the document corpus is missing: " << OSTREL_CORPUS_DIR;
        }
        ASSERT_TRUE(documents_ && *documents_);
    }

    static fs::path corpus(const std::string& name) { return fs::path(OSTREL_CORPUS_DIR) / name; }

    // Opens a document; an empty Dispatch and the status when the open fails.
    Dispatch open(const fs::path& file, const std::u16string& password, HRESULT* status) {
        auto result =
            invoke(documents_->get(), kOpen, DISPATCH_METHOD, openArguments(file, password));
        *status = result->hr;
        lastError_ = result->exceptionDescription;
        return takeDispatch(*result);
    }

    int backgroundJobs() {
        auto status =
            invoke(application_->get(), kBackgroundPrintingStatus, DISPATCH_PROPERTYGET, {});
        EXPECT_EQ(status->hr, S_OK);
        EXPECT_EQ(status->value.vt, VT_I4);
        return status->value.lVal;
    }

    static inline std::unique_ptr<TestEnvironment> environment_;
    static inline std::unique_ptr<ServerModule> module_;
    static inline std::unique_ptr<Dispatch> application_;
    static inline std::unique_ptr<Dispatch> documents_;
    std::u16string lastError_;
};

TEST_F(WordServerTest, PrintsDocumentToPostScriptInTheBackground) {
    EXPECT_EQ(put(application_->get(), kVisible, Arg::boolean(false))->hr, S_OK);
    EXPECT_EQ(put(application_->get(), kActivePrinter, Arg::string(u"OstrelWordToPDF"))->hr, S_OK);
    HRESULT status = E_FAIL;
    Dispatch document = open(corpus("documents/SampleDoc.docx"), u"1", &status);
    ASSERT_EQ(status, S_OK);
    ASSERT_TRUE(document);

    const fs::path output = environment_->directory() / "background.ps";
    auto printed =
        invoke(document.get(), kPrintOut, DISPATCH_METHOD, printOutArguments(true, output));
    ASSERT_EQ(printed->hr, S_OK);
    int polls = 0;
    while (backgroundJobs() > 0 && polls++ < 600) {
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(backgroundJobs(), 0);

    const std::string postscript = readFile(output);
    EXPECT_EQ(postscript.rfind("%!PS-Adobe-3.0", 0), 0u);
    EXPECT_NE(postscript.find("%%Pages:"), std::string::npos);
    EXPECT_NE(postscript.find("%%EOF"), std::string::npos);
    EXPECT_EQ(invoke(document.get(), kClose, DISPATCH_METHOD, closeArguments())->hr, S_OK);
}

} // namespace
