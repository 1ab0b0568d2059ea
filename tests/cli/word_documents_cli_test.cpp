// ostrel-convert with Word documents, as a script runs it (no terminal): the real
// "Word.Application" server, registered by the program on first use in a private
// registry, and the real Ghostscript.
#include "corpus_tools.h"
#include "environment.h"
#include "json_lines.h"
#include "macro_document.h"
#include "missing.h"
#include "pdf_facts.h"
#include "system/process.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <thread>
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
            OSTREL_MISSING() << "no corpus at " OSTREL_CORPUS_DIR;
        }
        out = folders.freshFolder();
    }
    void TearDown() override {
        EXPECT_TRUE(test::leftoverProcesses().empty());
        EXPECT_TRUE(test::unexpectedSpoolFiles(folders.spool()).isEmpty());
    }

    // Runs the program with standard input from /dev/null, OSTREL_DOCUMENT_PASSWORD set
    // to `password` when given, and the `extra` variables.
    ProgramRun run(const QStringList& arguments, const std::optional<QString>& password = {},
                   const std::vector<std::string>& extra = {}) {
        Process program = start(arguments, password, extra);
        const ProcessExit exit = program.wait();
        return {exit.exited ? exit.code : -1, QString::fromStdString(program.output())};
    }

    Process start(const QStringList& arguments, const std::optional<QString>& password = {},
                  const std::vector<std::string>& extra = {}) {
        std::vector<std::string> argv{OSTREL_CONVERT, "-d", out.toStdString()};
        for (const QString& argument : arguments) {
            argv.push_back(argument.toStdString());
        }
        ProcessOptions options;
        options.captureOutput = true;
        options.environment = environment(password, extra);
        return Process::start(argv, options);
    }

    // Ours but for OSTREL_*, with a private registry and spool folder.
    std::vector<std::string> environment(const std::optional<QString>& password = {},
                                         const std::vector<std::string>& extra = {}) {
        std::vector<std::string> environment{
            "OSTREL_REGISTRY_DIR=" + folders.path(QStringLiteral("registry")).toStdString(),
            "OSTREL_SPOOL_DIR=" + folders.spool().toStdString()};
        environment.insert(environment.end(), extra.begin(), extra.end());
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            if (!text.starts_with("OSTREL_")) {
                environment.push_back(text);
            }
        }
        if (password) {
            environment.push_back("OSTREL_DOCUMENT_PASSWORD=" + password->toStdString());
        }
        return environment;
    }

    static QString corpus(const char* path) {
        return QStringLiteral(OSTREL_CORPUS_DIR "/") + QString::fromLatin1(path);
    }
    QString pdf(const char* name) const { return out + u'/' + QString::fromLatin1(name); }

    test::PrivateFolders folders;
    QString out;
};

// Each result also tells where its time went, in the office and in Ghostscript.
TEST_F(OstrelConvertWord, TheGivenPasswordOpensProtectedDocumentsOnly) {
    const QStringList documents{corpus("protected/example_password.docx"),
                                corpus("documents/plain.doc")};
    const ProgramRun result =
        run(QStringList{QStringLiteral("--json")} + documents, QStringLiteral("Password1234_"));
    EXPECT_EQ(result.status, 0) << result.output.toStdString();
    EXPECT_GT(test::pdfPageCount(pdf("example_password.pdf").toStdString()), 0);
    EXPECT_GT(test::pdfPageCount(pdf("plain.pdf").toStdString()), 0);
    const test::ConvertResults json = test::readConvertResults(result.output.toUtf8());
    ASSERT_TRUE(json.defect.isEmpty()) << result.output.toStdString();
    EXPECT_EQ(json.withStatus("converted"), documents);
    for (const QJsonObject& file : json.files) {
        EXPECT_EQ(test::ConvertResults::stagesOf(file),
                  QStringList({"adjust", "check", "close", "export", "ghostscript", "office",
                               "open", "rename"}));
        EXPECT_TRUE(test::ConvertResults::stagesFitItsTime(file));
    }
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
    EXPECT_GT(test::pdfPageCount(pdf("plain.pdf").toStdString()), 0);
}

// Opens `document` in an office of a user who allows every macro, as a double click
// would; answers whether the document's opening macro wrote `marker` within the limit.
bool anOfficeThatAllowsMacrosRunsIt(const std::filesystem::path& document,
                                    const std::filesystem::path& marker,
                                    const std::filesystem::path& folder) {
    const std::filesystem::path profile = folder / "profile";
    std::filesystem::create_directories(profile / "user");
    std::ofstream(profile / "user" / "registrymodifications.xcu")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items "
           "xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
        << test::macrosAllowedSettings() << "</oor:items>\n";
    ProcessOptions options;
    options.captureOutput = true;
    options.newProcessGroup = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(180);
    // A fresh profile's first start only sets the profile up and ends asking for a
    // restart (exit code 81).
    for (int start = 0; start < 3; ++start) {
        Process office = Process::start(
            {OSTREL_LO_PROGRAM_DIR "/soffice.bin", "--headless", "--norestore", "--nologo",
             "-env:UserInstallation=file://" + profile.string(), document.string()},
            options);
        while (std::chrono::steady_clock::now() < deadline) {
            if (std::filesystem::exists(marker)) {
                return true;
            }
            if (office.waitFor(std::chrono::milliseconds(250))) {
                break;
            }
        }
    }
    return false;
}

// A document whose macro runs when it is opened, named like a Word document (the office
// goes by the content): an office that allows macros runs it; converting it prints the
// document and runs nothing.
TEST_F(OstrelConvertWord, TheMacroOfADocumentNeverRuns) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::filesystem::path place = folder.path().toStdString();
    const std::filesystem::path document = place / "invoice.doc";
    const std::filesystem::path marker = place / "the-macro-ran";
    ASSERT_TRUE(test::writeOpeningMacroDocument(document, marker));
    ASSERT_TRUE(anOfficeThatAllowsMacrosRunsIt(document, marker, place))
        << "the document's macro does not run even where macros are allowed";
    std::filesystem::remove(marker);

    const ProgramRun result = run({QString::fromStdString(document.string())});
    EXPECT_EQ(result.status, 0) << result.output.toStdString();
    EXPECT_GT(test::pdfPageCount(pdf("invoice.pdf").toStdString()), 0);
    EXPECT_FALSE(std::filesystem::exists(marker)) << "the macro ran during the conversion";
}

TEST_F(OstrelConvertWord, WithNoWayToAskAProtectedDocumentFailsWithAClearMessage) {
    const ProgramRun result = run({corpus("protected/password_tika_binaryrc4.doc")});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.output.contains(
        QStringLiteral("password_tika_binaryrc4.doc could not be opened (protected by a password")))
        << result.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf("password_tika_binaryrc4.pdf")));
}

// Each office starts once: its profile is a copy of a template set up for this office. An
// office updated since then (its program folder changed) gets a template set up anew;
// a stale one would make every office started on a copy ask for a restart.
TEST_F(OstrelConvertWord, EachOfficeStartsOnceAndAnUpdatedOfficeGetsAFreshProfile) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString program = folder.filePath(QStringLiteral("office/program"));
    ASSERT_TRUE(QDir().mkpath(program));
    const QString starts = folder.filePath(QStringLiteral("starts"));
    {
        // The office's own program, started through a script that notes its arguments.
        QFile script(program + QStringLiteral("/soffice.bin"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"$*\" >> '" + QFile::encodeName(starts) +
                     "'\nexec '" OSTREL_LO_PROGRAM_DIR "/soffice.bin' \"$@\"\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const std::vector<std::string> office{
        "OSTREL_SOFFICE=" + (program + QStringLiteral("/soffice.bin")).toStdString(),
        "XDG_CACHE_HOME=" + folder.filePath(QStringLiteral("cache")).toStdString()};
    // The office's starts of one run: setting up the template, and as an instance.
    const auto startsOfRun = [&] {
        QFile::remove(starts);
        const ProgramRun result = run(
            {QStringLiteral("--overwrite"), QStringLiteral("yes"), corpus("documents/plain.doc")},
            {}, office);
        EXPECT_EQ(result.status, 0) << result.output.toStdString();
        QFile log(starts);
        EXPECT_TRUE(log.open(QIODevice::ReadOnly));
        const QString lines = QString::fromLocal8Bit(log.readAll());
        return std::pair{int(lines.count(QLatin1String("--convert-to"))),
                         int(lines.count(QLatin1String("--accept=")))};
    };

    const auto [firstSetUps, firstInstances] = startsOfRun();
    EXPECT_GE(firstSetUps, 1);
    EXPECT_EQ(firstInstances, 1);
    EXPECT_EQ(startsOfRun(), std::pair(0, 1));

    QFile update(program + QStringLiteral("/an-update"));
    ASSERT_TRUE(update.open(QIODevice::WriteOnly));
    update.close();
    const auto [updatedSetUps, updatedInstances] = startsOfRun();
    EXPECT_GE(updatedSetUps, 1);
    EXPECT_EQ(updatedInstances, 1);
}

// The office's pipe socket files (in /tmp) while it runs.
QStringList socketFilesOf(const std::string& office) {
    const pid_t pid = std::stoi(office.substr(office.find(' ') + 1));
    QStringList inodes;
    for (const QFileInfo& descriptor :
         QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryInfoList(QDir::System)) {
        const QString target = descriptor.symLinkTarget();
        if (target.contains(QLatin1String("socket:["))) {
            inodes << target.section(u'[', 1).chopped(1);
        }
    }
    QStringList files;
    QFile table(QStringLiteral("/proc/net/unix"));
    EXPECT_TRUE(table.open(QIODevice::ReadOnly));
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QStringList fields = QString::fromLatin1(line).simplified().split(u' ');
        if (fields.size() > 7 && inodes.contains(fields[6])) {
            files << fields[7];
        }
    }
    return files;
}

// A signal while the office works (SIGKILL at a random moment after it came up): the
// office is ended, no password rests in the spool folder, nothing is left in the
// temporary folder (no "lu*.tmp") and no PDF (whole or partial); a stopping signal also
// gets one line naming what was not finished. After SIGKILL, the next run removes the
// rest: the office's sockets and whatever the killed run left. Ctrl-C while Ghostscript
// works is tried in the fast program tests.
TEST_F(OstrelConvertWord, ASignalWhileTheOfficeWorksEndsTheRunInOrder) {
    const QString document = corpus("protected/example_password.docx");
    const QString next = corpus("documents/plain.doc");
    const QString temporary = folders.path(QStringLiteral("tmp"));
    const QByteArray pdfPassword = "pdf-user-password-6021";
    const QString passwordFile = folders.path(QStringLiteral("secrets")) + "/user";
    {
        QFile file(passwordFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pdfPassword + "\n");
    }
    std::random_device random;
    for (const auto& [signal, status] :
         {std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}, std::pair{SIGKILL, -1}}) {
        // SIGKILL lands at a random moment of the run's work; a run that ended before that
        // moment (a quick office) is started again and killed as soon as its office is up.
        std::optional<Process> started;
        QStringList sockets;
        for (int attempt = 0;; ++attempt) {
            started = start({document, next, QStringLiteral("--security"),
                             QStringLiteral("--user-password-file"), passwordFile},
                            QStringLiteral("Password1234_"), {"TMPDIR=" + temporary.toStdString()});
            // Until an office listens on both its pipes (one that sets up a profile has one).
            sockets.clear();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
            while (sockets.size() < 2 && std::chrono::steady_clock::now() < deadline &&
                   !started->finished()) {
                for (const std::string& process : test::leftoverProcesses()) {
                    if (const QStringList files = socketFilesOf(process); files.size() >= 2) {
                        sockets = files;
                    }
                }
                started->waitFor(std::chrono::milliseconds(50));
            }
            ASSERT_GE(sockets.size(), 2) << "no office came up";
            if (signal != SIGKILL) {
                break;
            }
            started->waitFor(std::chrono::milliseconds(attempt == 0 ? random() % 4000 : 0));
            if (!started->finished() || attempt == 3) {
                break;
            }
            for (const QString& pdf : QDir(out).entryList(QDir::Files | QDir::Hidden)) {
                QFile::remove(QDir(out).filePath(pdf));
            }
        }
        Process& program = *started;
        ::kill(program.pid(), signal);
        const ProcessExit exit = program.wait();
        if (signal == SIGKILL) {
            EXPECT_EQ(exit.signal, SIGKILL) << exit.describe();
            const auto gone = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!test::leftoverProcesses().empty() && std::chrono::steady_clock::now() < gone) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        } else {
            EXPECT_TRUE(exit.exited && exit.code == status) << exit.describe();
            EXPECT_TRUE(
                QString::fromStdString(program.output())
                    .contains(QStringLiteral("stopped by %1; not finished: %2, %3")
                                  .arg(QLatin1String(signal == SIGTERM ? "SIGTERM" : "SIGHUP"),
                                       document, next)))
                << program.output();
            for (const QString& socket : sockets) {
                EXPECT_FALSE(QFileInfo::exists(socket)) << socket.toStdString();
            }
            EXPECT_FALSE(QFileInfo::exists(folders.spool() + QStringLiteral("/tmp.ps")));
        }
        EXPECT_TRUE(test::leftoverProcesses().empty());
        for (QDirIterator files(folders.spool(), QDir::Files | QDir::Hidden,
                                QDirIterator::Subdirectories);
             files.hasNext();) {
            QFile file(files.next());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
            const QByteArray content = file.readAll();
            EXPECT_FALSE(content.contains(pdfPassword) || content.contains("Password1234_"))
                << file.fileName().toStdString();
        }
        EXPECT_EQ(QDir(temporary).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList());
        if (signal == SIGKILL) {
            const ProgramRun after =
                run({next}, std::nullopt, {"TMPDIR=" + temporary.toStdString()});
            EXPECT_EQ(after.status, 0) << after.output.toStdString();
            for (const QString& socket : sockets) {
                EXPECT_FALSE(QFileInfo::exists(socket)) << socket.toStdString();
            }
            // The first document's PDF is there when the kill came after it was written
            // (written whole: it takes its name last); nothing partial is.
            QStringList left =
                QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            left.removeAll(QStringLiteral("example_password.pdf"));
            EXPECT_EQ(left, QStringList(QStringLiteral("plain.pdf")));
            QFile::remove(QDir(out).filePath(QStringLiteral("example_password.pdf")));
        } else {
            EXPECT_TRUE(QDir(out)
                            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                            .isEmpty());
        }
    }
}

// Documents that crash the office, hang it or make it print garbage fail alone, each
// with a line of its own, and the documents around them convert: with one worker, whose
// office is kept between documents, and with two.
TEST_F(OstrelConvertWord, ADocumentThatCrashesHangsOrGarblesTheOfficeFailsAlone) {
    const QString faulty = folders.freshFolder();
    const QStringList faults{QStringLiteral("crash"), QStringLiteral("hang"),
                             QStringLiteral("garbage")};
    for (const QString& fault : faults) {
        ASSERT_TRUE(QFile::copy(corpus("documents/plain.doc"), faulty + u'/' + fault + ".doc"));
    }
    const std::vector<std::string> faultEnvironment{
        "OSTREL_OFFICE_FAULTS=crash=crash.doc;hang=hang.doc;garbage=garbage.doc",
        "OSTREL_OFFICE_TIMEOUT=30"};
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(std::string("--jobs ") + jobs);
        out = folders.freshFolder();
        const ProgramRun result =
            run({QStringLiteral("--jobs"), QString::fromLatin1(jobs), corpus("documents/plain.doc"),
                 faulty + "/crash.doc", corpus("documents/SampleDoc.docx"), faulty + "/hang.doc",
                 faulty + "/garbage.doc", corpus("documents/two_images.doc")},
                {}, faultEnvironment);
        const std::string said = result.output.toStdString();
        EXPECT_EQ(result.status, 1) << said;
        for (const char* name : {"plain.pdf", "SampleDoc.pdf", "two_images.pdf"}) {
            EXPECT_GT(test::pdfPageCount(pdf(name).toStdString()), 0) << name << "\n" << said;
        }
        for (const QString& fault : faults) {
            const QString document = faulty + u'/' + fault + ".doc";
            EXPECT_FALSE(QFileInfo::exists(out + u'/' + fault + ".pdf")) << said;
            EXPECT_EQ(result.output.count(document + QStringLiteral(": failed")), 1) << said;
            EXPECT_TRUE(result.output.contains(document + QStringLiteral(" was not converted: ")))
                << said;
        }
        // Lines come in the order of the files, whatever the order they finished in.
        EXPECT_LT(result.output.indexOf(faulty + "/hang.doc: failed"),
                  result.output.indexOf(faulty + "/garbage.doc: failed"))
            << said;
        EXPECT_TRUE(test::leftoverProcesses().empty());
    }
}

// Names whose bytes are not UTF-8 (Latin-1 from an old share) convert, and each PDF
// has the same bytes in its name; a line break in a name keeps its result to one line.
TEST_F(OstrelConvertWord, NamesKeepTheirBytesAndEachFileOneLine) {
    const std::filesystem::path in = folders.freshFolder().toStdString();
    const auto copy = [&in](const char* from, const std::string& name) {
        std::filesystem::copy_file(from, in / name);
        return (in / name).string();
    };
    const std::string document =
        copy(OSTREL_CORPUS_DIR "/documents/plain.doc", "r\xE9sum\xE9.docx");
    const std::string postScript = copy(OSTREL_SAMPLE_PS, "caf\xE9.ps");
    const std::string twoLines = copy(OSTREL_SAMPLE_PS, "two\nlines.ps");
    ProcessOptions options;
    options.captureOutput = true;
    options.environment = childEnvironment();
    options.environment->push_back("OSTREL_REGISTRY_DIR=" +
                                   folders.path(QStringLiteral("registry")).toStdString());
    options.environment->push_back("OSTREL_SPOOL_DIR=" + folders.spool().toStdString());
    Process program = Process::start(
        {OSTREL_CONVERT, "-d", out.toStdString(), document, postScript, twoLines}, options);
    const ProcessExit exit = program.wait();
    EXPECT_TRUE(exit.succeeded()) << program.output();
    const std::filesystem::path pdfs = out.toStdString();
    for (const char* name : {"r\xE9sum\xE9.pdf", "caf\xE9.pdf", "two\nlines.pdf"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(pdfs / name)) << name;
    }
    const std::string& said = program.output();
    EXPECT_NE(said.find(in.string() + "/two\\x0alines.ps: converted, "), std::string::npos) << said;
    EXPECT_NE(said.find(document + ": converted, "), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 3) << said;
    // Qt's clean-up cannot name these files.
    std::filesystem::remove_all(in);
    std::filesystem::remove_all(pdfs);
}

// One list of 30 files split into two shards run at once by GNU parallel, as two
// machines sharing a destination would: every file is converted by exactly one shard,
// the merged JSON lines name each file once with its result (a missing file and a
// protected document fail), and no office or Ghostscript is left (TearDown).
TEST_F(OstrelConvertWord, GnuParallelRunsShardsThatConvertEveryFileOnce) {
    const QString sources = folders.freshFolder();
    QStringList files;
    for (int number = 1; number <= 28; ++number) {
        files << sources + QStringLiteral("/page-%1.ps").arg(number, 2, 10, QLatin1Char('0'));
        ASSERT_TRUE(QFile::copy(QStringLiteral(OSTREL_SAMPLE_PS), files.back()));
    }
    const QString missing = sources + QStringLiteral("/missing.doc");
    const QString protectedDocument = corpus("protected/example_password.docx");
    files.insert(10, missing);
    files.insert(20, protectedDocument);
    const QString list = sources + QStringLiteral("/list");
    QFile listFile(list);
    ASSERT_TRUE(listFile.open(QIODevice::WriteOnly));
    listFile.write(QFile::encodeName(files.join(u'\n')));
    listFile.close();

    // GNU parallel writes each run's output in one piece (--group, its default).
    const QString results = sources + QStringLiteral("/results.jsonl");
    ProcessOptions options;
    options.outputFile = (sources + QStringLiteral("/problems")).toStdString();
    options.environment = environment();
    Process parallel = Process::start(
        {"sh", "-c",
         "exec parallel --will-cite --jobs 2 \"$0\" --files-from \"$1\" --shard {}/2 --json "
         "-d \"$2\" ::: 1 2 > \"$3\"",
         OSTREL_CONVERT, list.toStdString(), out.toStdString(), results.toStdString()},
        options);
    const ProcessExit exit = parallel.wait();
    ASSERT_TRUE(exit.exited) << exit.describe();

    QFile merged(results);
    ASSERT_TRUE(merged.open(QIODevice::ReadOnly));
    const QByteArray output = merged.readAll();
    const test::ConvertResults json = test::readConvertResults(output);
    ASSERT_TRUE(json.defect.isEmpty()) << json.defect.toStdString();
    ASSERT_EQ(json.totals.size(), 2U) << output.toStdString();
    for (const QJsonObject& totals : json.totals) {
        EXPECT_GT(totals[QStringLiteral("files")].toInt(), 0) << "a shard without files";
    }
    EXPECT_EQ(json.totals[0][QStringLiteral("files")].toInt() +
                  json.totals[1][QStringLiteral("files")].toInt(),
              30);
    QStringList named = json.inputs();
    named.sort();
    QStringList expected = files;
    expected.sort();
    EXPECT_EQ(named, expected) << "each file once";
    QStringList failed = json.withStatus("failed");
    failed.sort();
    QStringList expectedFailures{missing, protectedDocument};
    expectedFailures.sort(); // the order depends on where the corpus and the temp folder are
    EXPECT_EQ(failed, expectedFailures);
    EXPECT_EQ(json.withStatus("converted").size(), 28);
    for (const QJsonObject& file : json.files) {
        if (file[QStringLiteral("status")] == QStringLiteral("converted")) {
            EXPECT_GT(test::pdfPageCount(file[QStringLiteral("pdf")].toString().toStdString()), 0);
        }
    }
    EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
              28);
}

} // namespace
} // namespace ostrel

int main(int argc, char** argv) {
    // Orphaned descendants come back to us, so none can hide from the leftover check.
    ostrel::test::makeThisProcessTheirReaper();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
