// ostrel-convert with Word documents, as a script runs it (no terminal): the real
// "Word.Application" server, registered by the program on first use in a private
// registry, and the real Ghostscript.
#include "corpus_tools.h"
#include "system/process.h"
#include "test_environment.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

namespace ostrel {
namespace {

struct ProgramRun {
    int status = -1;
    QString output; // standard output and error
};

class OstrelConvertWord : public testing::Test {
protected:
    void SetUp() override {
        if (test::corpusFolder(QStringLiteral("protected")).isEmpty()) {
            GTEST_SKIP() << "no corpus at " OSTREL_CORPUS_DIR;
        }
        out = folders.freshFolder();
    }
    void TearDown() override {
        EXPECT_TRUE(test::leftoverProcesses().empty());
        EXPECT_TRUE(test::unexpectedSpoolFiles(folders.spool()).isEmpty());
    }

    // Runs the program with standard input from /dev/null, OSTREL_DOCUMENT_PASSWORD set
    // to `password` when given.
    ProgramRun run(const QStringList& arguments, const std::optional<QString>& password = {}) {
        std::vector<std::string> environment{
            "OSTREL_REGISTRY_DIR=" + folders.path(QStringLiteral("registry")).toStdString(),
            "OSTREL_SPOOL_DIR=" + folders.spool().toStdString()};
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            if (!text.starts_with("OSTREL_")) {
                environment.push_back(text);
            }
        }
        if (password) {
            environment.push_back("OSTREL_DOCUMENT_PASSWORD=" + password->toStdString());
        }
        std::vector<std::string> argv{OSTREL_CONVERT, "-d", out.toStdString()};
        for (const QString& argument : arguments) {
            argv.push_back(argument.toStdString());
        }
        ProcessOptions options;
        options.captureOutput = true;
        options.environment = environment;
        Process program = Process::start(argv, options);
        const ProcessExit exit = program.wait();
        return {exit.exited ? exit.code : -1, QString::fromStdString(program.output())};
    }

    static QString corpus(const char* path) {
        return QStringLiteral(OSTREL_CORPUS_DIR "/") + QString::fromLatin1(path);
    }
    QString pdf(const char* name) const { return out + u'/' + QString::fromLatin1(name); }

    test::PrivateFolders folders;
    QString out;
};

TEST_F(OstrelConvertWord, TheGivenPasswordOpensProtectedDocumentsOnly) {
    const ProgramRun result =
        run({corpus("protected/example_password.docx"), corpus("documents/plain.doc")},
            QStringLiteral("Password1234_"));
    EXPECT_EQ(result.status, 0) << result.output.toStdString();
    EXPECT_GT(test::pdfPageCount(pdf("example_password.pdf")), 0);
    EXPECT_GT(test::pdfPageCount(pdf("plain.pdf")), 0);
    EXPECT_TRUE(
        result.output.contains(corpus("documents/plain.doc") + QStringLiteral(": converted")));
}

// A wrong password, a file the office cannot read, then a good document: each failure
// is one clear line, at once, and the run goes on.
TEST_F(OstrelConvertWord, AWrongPasswordOrABrokenFileFailsAtOnceAndTheRunGoesOn) {
    QTemporaryDir passwordFolder;
    const QString passwordFile = passwordFolder.filePath(QStringLiteral("password"));
    QFile file(passwordFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not the password\n");
    file.close();

    const ProgramRun result =
        run({QStringLiteral("--document-password-file"), passwordFile,
             corpus("protected/example_password.docx"), corpus("hostile/truncated62886.docx"),
             corpus("documents/plain.doc")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output.count(QStringLiteral(
                  "the given document password does not open example_password.docx")),
              1)
        << result.output.toStdString();
    EXPECT_EQ(result.output.count(
                  QStringLiteral("the given document password does not open truncated62886.docx")),
              1);
    EXPECT_FALSE(QFileInfo::exists(pdf("example_password.pdf")));
    EXPECT_GT(test::pdfPageCount(pdf("plain.pdf")), 0);
}

TEST_F(OstrelConvertWord, WithNoWayToAskAProtectedDocumentFailsWithAClearMessage) {
    const ProgramRun result = run({corpus("protected/password_tika_binaryrc4.doc")});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.output.contains(
        QStringLiteral("password_tika_binaryrc4.doc could not be opened (protected by a password")))
        << result.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf("password_tika_binaryrc4.pdf")));
}

} // namespace
} // namespace ostrel

int main(int argc, char** argv) {
    // Orphaned descendants come back to us, so none can hide from the leftover check.
    ostrel::test::makeThisProcessTheirReaper();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
