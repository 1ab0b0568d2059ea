// "Word.Application" on the real office, one office for the suite: printing to
// the spool file, passwords, hostile files, printer selection and the arguments, through
// the module's class object and Word's dispatch ids.
#include "environment.h"
#include "missing.h"
#include "pdf_facts.h"
#include "prompts/pending_prompts.h"
#include "stored_zip.h"
#include "system/spool_folder.h"
#include "word_client.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace ostrel::test;
using ostrel::com::getProperty;
using ostrel::com::invoke;
using ostrel::com::invokeMethod;
using ostrel::com::putProperty;
using ostrel::test::writeStoredZip;

namespace {

constexpr const char* kPlaceholder = "1";

// The printer hands over a complete PDF.
bool isPdf(const std::string& text) {
    return text.rfind("%PDF-1.", 0) == 0 && text.find("/Type/Page") != std::string::npos &&
           text.find("%%EOF", text.size() > 16 ? text.size() - 16 : 0) != std::string::npos;
}

class WordServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        environment_ = std::make_unique<PrivateFolders>(PrivateFolders::Profiles::Own);
        module_ = std::make_unique<ServerModule>();
        HRESULT status = E_FAIL;
        application_ = module_->createApplication(&status);
        ASSERT_EQ(status, S_OK);
        DispatchResult documents = getProperty(application_.get(), kDocuments);
        ASSERT_EQ(documents.hr, S_OK);
        documents_ = documents.value.toDispatch();
    }
    static void TearDownTestSuite() {
        if (application_) {
            auto args = closeArguments();
            invokeMethod(application_.get(), kQuit, args);
        }
        documents_ = nullptr;
        application_ = nullptr;
        module_.reset();
        environment_.reset();
    }

    void SetUp() override {
        if (!fs::is_directory(OSTREL_CORPUS_DIR)) {
            OSTREL_MISSING() << "the document corpus is missing: " << OSTREL_CORPUS_DIR;
        }
        ASSERT_TRUE(documents_);
    }

    static fs::path corpus(const std::string& name) { return fs::path(OSTREL_CORPUS_DIR) / name; }
    static fs::path temporary(const std::string& name) { return environment_->root() / name; }

    static DispatchResult open(const fs::path& file, const QString& password = kPlaceholder) {
        auto args = openArguments(file, password);
        return invokeMethod(documents_.get(), kOpen, args);
    }
    static void close(IDispatch* document) {
        auto args = closeArguments();
        EXPECT_EQ(invokeMethod(document, kClose, args).hr, S_OK);
    }
    static HRESULT printOut(IDispatch* document, bool background, const fs::path& output) {
        auto args = printOutArguments(background, output);
        return invokeMethod(document, kPrintOut, args).hr;
    }

    static inline std::unique_ptr<PrivateFolders> environment_;
    static inline std::unique_ptr<ServerModule> module_;
    static inline ComPtr<IDispatch> application_;
    static inline ComPtr<IDispatch> documents_;
};

// The profiles live in the cache folder's "ostrel", where the spool files go too when
// there is no runtime folder: the office made it, and it must stay private for them.
TEST_F(WordServerTest, TheOfficesProfilesLeaveTheCacheFolderPrivateForTheSpoolFiles) {
    const fs::path ours = environment_->root() / "cache" / "ostrel";
    ASSERT_TRUE(fs::is_directory(ours / "word"));
    EXPECT_EQ(fs::status(ours).permissions() & (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);
    EXPECT_NO_THROW(ostrel::SpoolFolder{ours});
}

TEST_F(WordServerTest, BackgroundPrintingIsDoneWhenPrintOutReturns) {
    EXPECT_EQ(putProperty(application_.get(), kVisible, Variant::flag(false)).hr, S_OK);
    EXPECT_EQ(putProperty(application_.get(), kActivePrinter, Variant::text(u"OstrelWordToPDF")).hr,
              S_OK);
    const DispatchResult opened = open(corpus("documents/SampleDoc.docx"));
    ASSERT_EQ(opened.hr, S_OK);
    const auto document = opened.value.toDispatch();
    ASSERT_TRUE(document);

    const fs::path output = temporary("background.ps");
    ASSERT_EQ(printOut(document.get(), true, output), S_OK);
    EXPECT_EQ(waitForBackgroundPrinting(application_.get(), 0), 0);
    EXPECT_TRUE(isPdf(readText(output)));
    close(document.get());
}

// Our printer's job is the office's PDF export, with the document's outline; any other
// printer prints. Either replaces an older file.
TEST_F(WordServerTest, PrintOutReplacesAnOlderFile) {
    const DispatchResult opened = open(corpus("documents/Styles.docx"));
    ASSERT_EQ(opened.hr, S_OK);
    const auto document = opened.value.toDispatch();
    // Ours last: it stays the active printer.
    for (const char16_t* printer : {u"Generic Printer", u"OstrelWordToPDF"}) {
        const bool ours = std::u16string_view(printer) == u"OstrelWordToPDF";
        SCOPED_TRACE(ours ? "ours" : "another printer");
        ASSERT_EQ(putProperty(application_.get(), kActivePrinter, Variant::text(printer)).hr, S_OK);
        const fs::path output = temporary("replaced.ps");
        std::ofstream(output) << "an older spool file that is much longer than nothing";
        ASSERT_EQ(printOut(document.get(), false, output), S_OK);
        EXPECT_EQ(waitForBackgroundPrinting(application_.get(), 0), 0);
        const std::string printed = readText(output);
        const auto facts = ostrel::test::readPdf(output.string());
        if (ours) {
            EXPECT_TRUE(isPdf(printed));
            ASSERT_TRUE(facts.has_value());
            EXPECT_FALSE(facts->bookmarks.empty());
        } else {
            EXPECT_TRUE(printed.rfind("%!PS-Adobe", 0) == 0 || !facts || facts->bookmarks.empty())
                << printed.substr(0, 40);
        }
    }
    close(document.get());
}

TEST_F(WordServerTest, FailedPrintingIsReportedNotSwallowed) {
    const DispatchResult opened = open(corpus("documents/plain.doc"));
    ASSERT_EQ(opened.hr, S_OK);
    const auto document = opened.value.toDispatch();
    const fs::path unwritable = temporary("no-such-folder") / "out.ps";
    // In the background too: printing is over when PrintOut returns.
    for (const bool background : {false, true}) {
        EXPECT_EQ(printOut(document.get(), background, unwritable), DISP_E_EXCEPTION);
        EXPECT_EQ(waitForBackgroundPrinting(application_.get(), 0), 0);
    }
    EXPECT_FALSE(fs::exists(unwritable));
    close(document.get());
}

TEST_F(WordServerTest, ProtectedDocumentsOpenOnlyWithTheirPassword) {
    const std::vector<std::pair<std::string, QString>> protectedFiles{
        {"protected/example_password.docx", "Password1234_"},
        {"protected/ecma376standard_password.docx", "Password1234_"},
        {"protected/rc4cryptoapi_password.doc", "Password1234_"},
        {"protected/password_tika_binaryrc4.doc", "tika"}};
    for (const auto& [file, password] : protectedFiles) {
        SCOPED_TRACE(file);
        const DispatchResult wrong = open(corpus(file));
        EXPECT_EQ(wrong.hr, DISP_E_EXCEPTION);
        EXPECT_FALSE(wrong.exception.description.isEmpty());
        EXPECT_FALSE(wrong.value.toDispatch());

        const DispatchResult right = open(corpus(file), password);
        ASSERT_EQ(right.hr, S_OK);
        close(right.value.toDispatch().get());
    }
}

TEST_F(WordServerTest, MissingFileIsAnAutomationException) {
    const DispatchResult missing = open(temporary("no-such-document.docx"));
    EXPECT_EQ(missing.hr, DISP_E_EXCEPTION);
    EXPECT_TRUE(missing.exception.description.contains("no-such-document.docx"));
}

TEST_F(WordServerTest, HostileFilesOpenOrFailButNeverHang) {
    for (const auto& entry : fs::directory_iterator(corpus("hostile"))) {
        SCOPED_TRACE(entry.path().filename().string());
        const DispatchResult opened = open(entry.path());
        ASSERT_TRUE(opened.hr == S_OK || opened.hr == DISP_E_EXCEPTION) << opened.hr;
        if (opened.hr == S_OK) {
            const auto document = opened.value.toDispatch();
            const HRESULT printed = printOut(document.get(), false, temporary("hostile.ps"));
            EXPECT_TRUE(printed == S_OK || printed == DISP_E_EXCEPTION) << printed;
            close(document.get());
        }
    }
    // The office is still in service.
    const DispatchResult after = open(corpus("documents/plain.doc"));
    ASSERT_EQ(after.hr, S_OK);
    close(after.value.toDispatch().get());
}

TEST_F(WordServerTest, OfficeQuestionsBecomePromptsTheHostAnswers) {
    // The host's prompt answerer: approves every prompt titled "Microsoft Office Word".
    std::atomic<bool> stop{false};
    std::vector<std::string> answered;
    std::thread answerer([&] {
        while (!stop) {
            for (const auto& prompt : ostrel::pendingPrompts()) {
                if (prompt.title == "Microsoft Office Word" &&
                    ostrel::answerPrompt(prompt.title, ostrel::kPromptYes)) {
                    answered.push_back(prompt.text);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    // A truncated package: the office asks whether to repair it.
    const DispatchResult opened = open(corpus("hostile/truncated62886.docx"));
    stop = true;
    answerer.join();
    EXPECT_TRUE(opened.hr == S_OK || opened.hr == DISP_E_EXCEPTION) << opened.hr;
    ASSERT_EQ(answered.size(), 1u);
    EXPECT_NE(answered.front().find("truncated62886.docx"), std::string::npos);
    EXPECT_TRUE(ostrel::pendingPrompts().empty());
}

TEST_F(WordServerTest, ExternalEntitiesAreNeverFetched) {
    const fs::path marker = temporary("outside.txt");
    std::ofstream(marker) << "outside text";
    const fs::path document = temporary("entity.docx");
    ASSERT_TRUE(writeStoredZip(
        document,
        {{"[Content_Types].xml",
          R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>)"},
         {"_rels/.rels",
          R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)"},
         {"word/document.xml",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE REMOTE [\n<!ENTITY outside "
          "SYSTEM \"file://" +
              marker.string() +
              "\">\n]>\n<w:document "
              "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
              "<w:body><w:p><w:r><w:t>before &outside; after</w:t></w:r></w:p></w:body>"
              "</w:document>"}}));

    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, marker.c_str(), IN_OPEN | IN_ACCESS), 0);
    const DispatchResult opened = open(document);
    if (opened.hr == S_OK) {
        const auto opened_document = opened.value.toDispatch();
        EXPECT_EQ(printOut(opened_document.get(), false, temporary("entity.ps")), S_OK);
        close(opened_document.get());
    } else {
        EXPECT_EQ(opened.hr, DISP_E_EXCEPTION);
    }
    char events[4096];
    EXPECT_LT(read(watch, events, sizeof events), 1) << "the outside file was opened";
    ::close(watch);
}

TEST_F(WordServerTest, UnknownPrinterIsRefusedAndTheActiveOneStays) {
    const DispatchResult refused =
        putProperty(application_.get(), kActivePrinter, Variant::text(u"No Such Printer"));
    EXPECT_EQ(refused.hr, DISP_E_EXCEPTION);
    EXPECT_TRUE(refused.exception.description.contains("No Such Printer"));
    const DispatchResult active = getProperty(application_.get(), kActivePrinter);
    ASSERT_EQ(active.hr, S_OK);
    EXPECT_EQ(active.value.toQString(), QString("OstrelWordToPDF"));
}

TEST_F(WordServerTest, ArgumentsOfTheWrongTypeAreRefused) {
    std::vector<Variant> args{Variant::i4(42)};
    const DispatchResult opened = invokeMethod(documents_.get(), kOpen, args);
    EXPECT_EQ(opened.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(opened.argumentError, 0u);
    EXPECT_EQ(putProperty(application_.get(), kVisible, Variant::text(u"no")).hr,
              DISP_E_TYPEMISMATCH);
    std::vector<Variant> none;
    EXPECT_EQ(invokeMethod(documents_.get(), kOpen, none).hr, DISP_E_PARAMNOTFOUND);
}

TEST_F(WordServerTest, ValuesComeByValueOrByReference) {
    // Booleans as VT_BOOL by value, texts by value, the rest left out.
    std::vector<Variant> args{
        Variant::text(QString::fromStdString(corpus("documents/Lists.doc").string())),
        Variant::boolean(false), Variant::boolean(true)};
    const DispatchResult opened =
        invoke(documents_.get(), kOpen, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
    ASSERT_EQ(opened.hr, S_OK);
    close(opened.value.toDispatch().get());
}

TEST_F(WordServerTest, MemberNamesMapToWordsDispatchIds) {
    const std::vector<std::pair<std::u16string, DISPID>> names{
        {u"Visible", kVisible},
        {u"activeprinter", kActivePrinter},
        {u"Documents", kDocuments},
        {u"BackgroundPrintingStatus", kBackgroundPrintingStatus},
        {u"Quit", kQuit}};
    for (const auto& [name, id] : names) {
        std::u16string text = name;
        LPOLESTR list[] = {text.data()};
        DISPID found = 0;
        EXPECT_EQ(application_->GetIDsOfNames(GUID_NULL, list, 1, LOCALE_USER_DEFAULT, &found),
                  S_OK);
        EXPECT_EQ(found, id);
    }
    std::u16string unknown = u"Nothing";
    LPOLESTR list[] = {unknown.data()};
    DISPID found = 0;
    EXPECT_EQ(application_->GetIDsOfNames(GUID_NULL, list, 1, LOCALE_USER_DEFAULT, &found),
              DISP_E_UNKNOWNNAME);
}

} // namespace
