// The Word sequence against a recording fake "Word.Application" in a private registry,
// with the real Ghostscript job.
#include "document_conversion.h"
#include "document_password.h"
#include "environment.h"
#include "fake_word.h"
#include "pdf_facts.h"
#include "scripted_host.h"
#include "word_registration.h"

#include "com/guid.h"
#include "registry/registry.h"

#include <QFile>
#include <QFileInfo>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

namespace ostrel {
namespace {

using test::ScriptedHost;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::string kOmitted = "&ERROR:80020004";

std::string openCall(const QString& source, const std::string& password) {
    return "Documents.call 15(&BSTR:" + source.toStdString() + ", &I2:0, &I2:-1, &I2:0, " +
           password + ", " + kOmitted + ", &I2:0, " + kOmitted + ", " + kOmitted + ", &I4:0, " +
           kOmitted + ", &I2:-1)";
}

std::string printOutCall(const QString& spoolFile) {
    return "Document.call 444(&I2:-1, " + kOmitted + ", &I4:0, &BSTR:" + spoolFile.toStdString() +
           ", " + kOmitted + ", " + kOmitted + ", &I4:0, &I4:1, " + kOmitted +
           ", &I4:0, &I2:-1, &I2:-1, " + kOmitted + ", &I2:0, &I4:0, &I4:0, &I4:0, &I4:0)";
}

const std::vector<std::string> kStartCalls{
    "Application created",
    "Application.put 23(&BOOL:0)",
    "Application.put 66(&BSTR:OstrelWordToPDF)",
    "Application.get 6()",
};
const std::string kCloseCall = "Document.call 1105(&I2:0, &I2:0, &I2:0)";
const std::string kQuitCall = "Application.call 1105(&I2:0, &I2:0, &I2:0)";
const std::vector<std::string> kReleases{"Document released", "Documents released",
                                         "Application released"};
const std::vector<std::string> kReleasesWithoutDocument{"Documents released",
                                                        "Application released"};

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class DocumentConversionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folders = new test::PrivateFolders;
        ASSERT_TRUE(SUCCEEDED(word::ensureServerRegistered({FAKE_WORD_LIBRARY})));
    }
    static void TearDownTestSuite() {
        delete folders;
        folders = nullptr;
    }

    void SetUp() override {
        fakeword::reset();
        resetDocumentPassword();
        options.destinationFolder = folders->freshFolder();
        converter.setSleep([](std::chrono::milliseconds pause) {
            fakeword::note("sleep " + std::to_string(pause.count()));
        });
    }
    void TearDown() override { EXPECT_EQ(fakeword::liveObjects(), 0); }

    QString source(const QString& name) const {
        return folders->path(QStringLiteral("sources")) + u'/' + name;
    }
    QString spoolFile() const { return folders->spool() + QStringLiteral("/tmp.ps"); }
    QString pdf(const QString& name) const { return options.destinationFolder + u'/' + name; }

    // Open succeeded with this password: everything after the open.
    std::vector<std::string> printedAndClosed() const {
        return join({{"host: answerer start", printOutCall(spoolFile()), "Application.get 86()",
                      "host: answerer stop", kCloseCall, kQuitCall},
                     kReleases});
    }
    std::vector<std::string> failedOpen(const QString& path, const std::string& password) const {
        return join({kStartCalls, {openCall(path, password), kQuitCall}, kReleasesWithoutDocument});
    }

    static test::PrivateFolders* folders;
    ScriptedHost host{&fakeword::note};
    DocumentConverter converter{host};
    ConversionOptions options;
};

test::PrivateFolders* DocumentConversionTest::folders = nullptr;

TEST_F(DocumentConversionTest, EveryCallOfAnUnprotectedDocumentInOrder) {
    fakeword::script().pendingJobs = 2;
    const QString doc = source(QStringLiteral("report.final.docx"));

    const Outcome converted = converter.convertEntry(doc, 0, 1, options);
    EXPECT_EQ(converted.kind, Outcome::Converted);
    EXPECT_EQ(converted.pdfPath, pdf(QStringLiteral("report.final.pdf")));

    EXPECT_THAT(
        fakeword::journal(),
        ElementsAreArray(join(
            {kStartCalls,
             {openCall(doc, "&BSTR:1"), "host: answerer start", printOutCall(spoolFile()),
              // 2 pending: read, then read and pause until 0
              "Application.get 86()", "Application.get 86()", "sleep 1000", "Application.get 86()",
              "sleep 1000", "host: answerer stop", kCloseCall, kQuitCall},
             kReleases,
             {"host: progress 1/1/1", "host: converted report.final.pdf"}})));
    EXPECT_EQ(test::pdfPageCount(pdf(QStringLiteral("report.final.pdf")).toStdString()), 1);
    EXPECT_THAT(host.messages, IsEmpty());
}

TEST_F(DocumentConversionTest, NoPauseWhenPrintingIsAlreadyDone) {
    const QString doc = source(QStringLiteral("plain.doc"));
    EXPECT_TRUE(converter.convertDocument(doc, options).converted());
    EXPECT_THAT(
        fakeword::journal(),
        ElementsAreArray(join({kStartCalls, {openCall(doc, "&BSTR:1")}, printedAndClosed()})));
}

TEST_F(DocumentConversionTest, PasswordRetryStates) {
    fakeword::script().password = "secret";
    const QString doc = source(QStringLiteral("locked.doc"));

    {
        SCOPED_TRACE("wrong password, then an empty one (the placeholder), then the right one");
        host.passwords = {QStringLiteral("guess"), QString(), QStringLiteral("secret")};
        EXPECT_TRUE(converter.convertDocument(doc, options).converted());
        // Each retry is nested in the one before: its password holds until it returns.
        const std::string prompt = "host: password locked.doc (documentPassword=1)";
        EXPECT_THAT(fakeword::journal(),
                    ElementsAreArray(join({failedOpen(doc, "&BSTR:1"),
                                           {prompt},
                                           failedOpen(doc, "&BSTR:guess"),
                                           {"host: password locked.doc (documentPassword=guess)"},
                                           failedOpen(doc, "&BSTR:1"),
                                           {prompt},
                                           kStartCalls,
                                           {openCall(doc, "&BSTR:secret")},
                                           printedAndClosed()})));
        EXPECT_EQ(documentPassword(), kPlaceholderPassword);
        EXPECT_EQ(host.passwordPrompts, 3);
    }
    {
        SCOPED_TRACE("Cancel stops at once");
        fakeword::reset();
        fakeword::script().password = "secret";
        host.passwordPrompts = 0;
        const Outcome cancelled = converter.convertDocument(doc, options);
        EXPECT_EQ(cancelled.kind, Outcome::Failed);
        EXPECT_EQ(cancelled.reason, QStringLiteral("not converted (no password given)"));
        EXPECT_EQ(host.passwordPrompts, 1);
        EXPECT_THAT(fakeword::journal(),
                    ElementsAreArray(join({failedOpen(doc, "&BSTR:1"),
                                           {"host: password locked.doc (documentPassword=1)"}})));
    }
}

TEST_F(DocumentConversionTest, TheNextDocumentNeverGetsThePreviousPassword) {
    fakeword::script().password = "secret";
    host.passwords = {QStringLiteral("secret")};
    EXPECT_EQ(converter.convertEntry(source(QStringLiteral("a.doc")), 0, 2, options).kind,
              Outcome::Converted);

    fakeword::reset();
    const QString next = source(QStringLiteral("b.doc"));
    EXPECT_EQ(converter.convertEntry(next, 1, 2, options).kind, Outcome::Converted);
    const auto calls = fakeword::journal();
    ASSERT_GE(calls.size(), 5U);
    EXPECT_EQ(calls[4], openCall(next, "&BSTR:1"));
    EXPECT_EQ(host.passwordPrompts, 1);
    EXPECT_THAT(host.convertedFiles, ElementsAre(u"a.pdf", u"b.pdf"));
}

TEST_F(DocumentConversionTest, APasswordEqualToThePlaceholderOpensWithoutPrompt) {
    fakeword::script().password = kPlaceholderPassword.toStdString();
    EXPECT_TRUE(converter.convertDocument(source(QStringLiteral("one.doc")), options).converted());
    EXPECT_EQ(host.passwordPrompts, 0);
}

TEST_F(DocumentConversionTest, ADocumentWordCannotOpenAsksAndFailsAgainOnRetry) {
    fakeword::script().openFailures = 2;
    host.passwords = {QStringLiteral("anything")};
    EXPECT_EQ(converter.convertEntry(source(QStringLiteral("broken.docx")), 0, 1, options).kind,
              Outcome::Failed);
    EXPECT_EQ(host.passwordPrompts, 2);
    EXPECT_THAT(host.convertedFiles, IsEmpty());
    const auto calls = fakeword::journal();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.starts_with("host: progress"); }),
              0);
}

TEST_F(DocumentConversionTest, WordThatCannotBeCreated) {
    fakeword::script().createFailures = 1;
    EXPECT_EQ(converter.convertEntry(source(QStringLiteral("x.doc")), 0, 3, options).kind,
              Outcome::Failed);
    EXPECT_THAT(fakeword::journal(), ElementsAre("host: message Couldn't get Word object."));
}

// A Word call failing once the document is open: the answerer stops, Word quits, the
// document is not converted, and the user is told.
TEST_F(DocumentConversionTest, FailuresAfterTheDocumentWasOpened) {
    const QString doc = source(QStringLiteral("late.docx"));
    const std::string message = "host: message " + doc.toStdString() + " was not converted: ";
    struct Case {
        const char* what;
        void (*script)(fakeword::Script&);
        std::vector<std::string> after; // the calls after the open
    };
    const std::vector<Case> cases{
        {"PrintOut", [](fakeword::Script& s) { s.printOutFails = true; },
         join({{"host: answerer start", printOutCall(spoolFile()), "host: answerer stop", kQuitCall,
                message + "Word failed to print it."},
               kReleases})},
        {"status", [](fakeword::Script& s) { s.statusFails = true; },
         join({{"host: answerer start", printOutCall(spoolFile()), "Application.get 86()",
                "host: answerer stop", kQuitCall, message + "Word failed to print it."},
               kReleases})},
        {"Close", [](fakeword::Script& s) { s.closeFails = true; },
         join({{"host: answerer start", printOutCall(spoolFile()), "Application.get 86()",
                "host: answerer stop", kCloseCall, kQuitCall, message + "Word failed to close it."},
               kReleases})},
        {"Quit", [](fakeword::Script& s) { s.quitFails = true; },
         join({{"host: answerer start", printOutCall(spoolFile()), "Application.get 86()",
                "host: answerer stop", kCloseCall, kQuitCall, message + "Word failed to close it."},
               kReleases})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fakeword::reset();
        c.script(fakeword::script());
        const Outcome outcome = converter.convertDocument(doc, options);
        EXPECT_EQ(outcome.kind, Outcome::Failed);
        // The reason is the message the user was shown.
        ASSERT_FALSE(host.messages.empty());
        EXPECT_EQ(outcome.reason, host.messages.back());
        EXPECT_THAT(fakeword::journal(),
                    ElementsAreArray(join({kStartCalls, {openCall(doc, "&BSTR:1")}, c.after})));
        EXPECT_EQ(fakeword::liveObjects(), 0);
    }
    EXPECT_THAT(host.convertedFiles, IsEmpty());
}

TEST_F(DocumentConversionTest, WordFailingBeforeTheOpenQuitsAndReports) {
    fakeword::script().visibleFails = true;
    const QString doc = source(QStringLiteral("early.doc"));
    EXPECT_FALSE(converter.convertDocument(doc, options).converted());
    EXPECT_THAT(fakeword::journal(),
                ElementsAre("Application created", "Application.put 23(&BOOL:0)", kQuitCall,
                            "host: message " + doc.toStdString() +
                                " was not converted: Word failed to start.",
                            "Application released"));
}

// The old PDF the user agreed to replace stays until a whole new one takes its place.
// Alone, Word keeps the document until the job has failed; sharing an office, it lets
// go once the spool file is written, and the turn is free while Ghostscript works.
TEST_F(DocumentConversionTest, AGhostscriptFailureIsReportedAndWordStillCloses) {
    std::mutex turn;
    for (const bool shared : {false, true}) {
        SCOPED_TRACE(shared ? "sharing an office" : "alone");
        fakeword::reset();
        converter.shareOffice(shared ? &turn : nullptr);
        fakeword::script().printed = "%!PS\nnosuchoperator\n";
        const QString doc = source(QStringLiteral("bad.doc"));
        QFile existing(pdf(QStringLiteral("bad.pdf")));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("old");
        existing.close();
        host.replaceExisting = true;
        EXPECT_EQ(converter.convertEntry(doc, 0, 1, options).kind, Outcome::Failed);
        const auto calls = fakeword::journal();
        const auto message = std::find_if(calls.begin(), calls.end(), [](const std::string& c) {
            return c.starts_with("host: message");
        });
        ASSERT_NE(message, calls.end());
        EXPECT_THAT(*message, HasSubstr("bad.doc was not converted: "));
        const auto close = std::find(calls.begin(), calls.end(), kCloseCall);
        ASSERT_NE(close, calls.end());
        EXPECT_EQ(*(close + 1), kQuitCall);
        EXPECT_EQ(shared ? close < message : close == message + 1, true);
        EXPECT_TRUE(turn.try_lock()) << "the turn is given back";
        turn.unlock();
        ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
        EXPECT_EQ(existing.readAll(), "old");
        EXPECT_THAT(host.convertedFiles, IsEmpty());
    }
}

TEST_F(DocumentConversionTest, AnExistingOutputAndTheAnswerNo) {
    QFile existing(pdf(QStringLiteral("memo.pdf")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old");
    existing.close();

    host.replaceExisting = false;
    const Outcome skipped =
        converter.convertEntry(source(QStringLiteral("memo.docx")), 2, 5, options);
    EXPECT_EQ(skipped.kind, Outcome::Skipped);
    EXPECT_EQ(skipped.reason,
              pdf(QStringLiteral("memo.pdf")) + QStringLiteral(" already exists; skipped"));
    EXPECT_THAT(fakeword::journal(),
                ElementsAre("host: ask " + pdf(QStringLiteral("memo.pdf")).toStdString() +
                                " already exists. Do you want to replace it?",
                            "host: progress 3/5/1"));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "old");
}

TEST_F(DocumentConversionTest, SameNamesInTwoFoldersMeetTheQuestionAndYesReplaces) {
    const QString first = folders->path(QStringLiteral("a")) + QStringLiteral("/x.doc");
    const QString second = folders->path(QStringLiteral("b")) + QStringLiteral("/x.doc");
    EXPECT_EQ(converter.convertEntry(first, 0, 2, options).kind, Outcome::Converted);
    const auto before =
        QFileInfo(pdf(QStringLiteral("x.pdf"))).fileTime(QFile::FileModificationTime);

    fakeword::reset();
    host.replaceExisting = true;
    EXPECT_EQ(converter.convertEntry(second, 1, 2, options).kind, Outcome::Converted);
    const auto calls = fakeword::journal();
    ASSERT_FALSE(calls.empty());
    EXPECT_THAT(calls.front(), HasSubstr("x.pdf already exists. Do you want to replace it?"));
    EXPECT_EQ(test::pdfPageCount(pdf(QStringLiteral("x.pdf")).toStdString()), 1);
    EXPECT_THAT(host.convertedFiles, ElementsAre(u"x.pdf", u"x.pdf"));
}

TEST_F(DocumentConversionTest, AFolderWithADotGivesTheDocumentsName) {
    const QString doc = folders->path(QStringLiteral("v.1")) + QStringLiteral("/memo.docx");
    EXPECT_EQ(converter.convertEntry(doc, 0, 1, options).kind, Outcome::Converted);
    EXPECT_THAT(host.convertedFiles, ElementsAre(u"memo.pdf"));
    EXPECT_TRUE(QFileInfo::exists(pdf(QStringLiteral("memo.pdf"))));
}

TEST_F(DocumentConversionTest, TheAddinRunOpensWithoutPasswordAndAnswerer) {
    const QString doc = source(QStringLiteral("plan.docx"));
    const Outcome run = convertAddinDocument(host, doc, options);
    EXPECT_TRUE(run.converted());
    EXPECT_EQ(run.pdfPath, pdf(QStringLiteral("plan.pdf")));
    EXPECT_THAT(fakeword::journal(),
                ElementsAreArray(join({kStartCalls,
                                       {openCall(doc, kOmitted), printOutCall(spoolFile()),
                                        "Application.get 86()", kCloseCall, kQuitCall},
                                       kReleases})));
    EXPECT_EQ(test::pdfPageCount(run.pdfPath.toStdString()), 1);
}

TEST_F(DocumentConversionTest, TheAddinRunNeverAsksForAPassword) {
    fakeword::script().password = "secret";
    const QString doc = source(QStringLiteral("locked.dot"));
    EXPECT_FALSE(convertAddinDocument(host, doc, options).converted());
    EXPECT_EQ(host.passwordPrompts, 0);
    EXPECT_THAT(host.messages,
                ElementsAre(doc + QStringLiteral(" was not converted: Word failed to open it.")));
}

TEST_F(DocumentConversionTest, TheAddinRunTakesOnlyDocDocxAndDot) {
    for (const QString& name : {QStringLiteral("a.DOC"), QStringLiteral("a.Docx"),
                                QStringLiteral("a.rtf"), QStringLiteral("noextension")}) {
        const QString doc = source(name);
        const Outcome run = convertAddinDocument(host, doc, options);
        EXPECT_FALSE(run.converted());
        EXPECT_TRUE(run.pdfPath.isEmpty());
        EXPECT_EQ(host.messages.back(),
                  QStringLiteral("Not Suppot File %1,Convert next file?").arg(doc));
    }
    const auto calls = fakeword::journal();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Application created"), 0);
}

TEST(WordRegistration, RegistersOnFirstUseAndAfterTheLibraryMoved) {
    const test::PrivateFolders privateRegistry;

    CLSID clsid{};
    EXPECT_TRUE(FAILED(CLSIDFromProgID(u"Word.Application", &clsid)));
    EXPECT_TRUE(FAILED(word::ensureServerRegistered({"/nonexistent/libword.so"})));
    EXPECT_TRUE(
        SUCCEEDED(word::ensureServerRegistered({"/nonexistent/libword.so", FAKE_WORD_LIBRARY})));
    EXPECT_TRUE(SUCCEEDED(CLSIDFromProgID(u"Word.Application", &clsid)));
    // Already registered: nothing to load.
    EXPECT_TRUE(SUCCEEDED(word::ensureServerRegistered({})));

    // Registered, but the library is gone (a removed build tree): registered again.
    registry::Registry registry;
    ASSERT_TRUE(SUCCEEDED(registry.setString(
        registry::Hive::ClassesRoot, "CLSID\\" + com::guidToString(clsid) + "\\InprocServer32", "",
        "/gone/libword.so")));
    EXPECT_TRUE(SUCCEEDED(word::ensureServerRegistered({FAKE_WORD_LIBRARY})));
    EXPECT_EQ(registry.getString(registry::Hive::ClassesRoot,
                                 "CLSID\\" + com::guidToString(clsid) + "\\InprocServer32", ""),
              std::optional<std::string>(FAKE_WORD_LIBRARY));
}

} // namespace
} // namespace ostrel
