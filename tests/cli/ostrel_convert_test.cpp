// ostrel-convert as scripts run it: the real program, the real Ghostscript.
#include "json_lines.h"
#include "pdf_facts.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace ostrel {
namespace {

struct Outcome {
    int status = -1;
    QStringList out; // lines
    QStringList err;
    QByteArray output; // standard output as written
};

class OstrelConvert : public testing::Test {
protected:
    // errorTerminal: a terminal's name for standard error, whose output is then not read.
    // input: standard input (else none).
    Outcome run(const QStringList& arguments, const QProcessEnvironment& extra = {},
                const QString& errorTerminal = {}, const std::optional<QByteArray>& input = {}) {
        QProcess process;
        if (!errorTerminal.isEmpty()) {
            process.setStandardErrorFile(errorTerminal, QIODevice::Append);
        }
        start(process, arguments, extra, input);
        EXPECT_TRUE(process.waitForFinished(120000));
        Outcome result;
        result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.output = process.readAllStandardOutput();
        result.out =
            QString::fromLocal8Bit(result.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        result.err = QString::fromLocal8Bit(process.readAllStandardError())
                         .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return result;
    }

    void start(QProcess& process, const QStringList& arguments,
               const QProcessEnvironment& extra = {}, const std::optional<QByteArray>& input = {}) {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("OSTREL_SPOOL_DIR"),
                           dir.filePath(QStringLiteral("spool")));
        environment.remove(QStringLiteral("OSTREL_USER_PASSWORD"));
        environment.remove(QStringLiteral("OSTREL_OWNER_PASSWORD"));
        environment.insert(extra);
        process.setProcessEnvironment(environment);
        if (!input) {
            process.setStandardInputFile(QProcess::nullDevice());
        }
        process.start(QStringLiteral(OSTREL_CONVERT), arguments);
        if (input) {
            process.write(*input);
            process.closeWriteChannel();
        }
    }

    QString copySample(const QString& name) {
        const QString path = dir.filePath(name);
        QFile::copy(QStringLiteral(OSTREL_SAMPLE_PS), path);
        return path;
    }
    QString write(const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    QString out(const QString& name) const { return outDir + QLatin1Char('/') + name; }

    void SetUp() override { ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out"))); }

    QTemporaryDir dir;
    QString outDir = dir.filePath(QStringLiteral("out"));
};

TEST_F(OstrelConvert, ConvertsWithOptionsAndReportsOneLinePerFile) {
    const QString sample = copySample(QStringLiteral("report.final.ps"));
    const QString password = write(QStringLiteral("pw"), "open sesame\n");
    const auto result =
        run({sample, QStringLiteral("-d"), outDir + QLatin1Char('/'), QStringLiteral("--security"),
             QStringLiteral("--owner-password-file"), password,
             QStringLiteral("--no-user-password"), QStringLiteral("--allow"),
             QStringLiteral("printing"), QStringLiteral("--title"), QStringLiteral("Plan (draft"),
             QStringLiteral("--image-compression"), QStringLiteral("JPEG")});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.err.isEmpty()) << result.err.join('\n').toStdString();
    ASSERT_EQ(result.out.size(), 1);
    EXPECT_TRUE(result.out[0].startsWith(sample + QStringLiteral(": converted, ")));
    EXPECT_TRUE(result.out[0].endsWith(QStringLiteral(" s")));

    const auto facts = test::readPdf(out(QStringLiteral("report.final.pdf")).toStdString());
    ASSERT_TRUE(facts.has_value());
    EXPECT_TRUE(facts->encrypted);
    EXPECT_EQ(facts->permissions, -60);
    EXPECT_EQ(facts->info.at("/Title"), "Plan (draft");
    EXPECT_EQ(facts->images.at(0).filter, "/DCTDecode");
    EXPECT_TRUE(test::readPdf(out(QStringLiteral("report.final.pdf")).toStdString(), "open sesame")
                    ->ownerPasswordMatched);
}

TEST_F(OstrelConvert, MissingGhostscriptFailsWithAMessageAndNoPdf) {
    QProcessEnvironment missing;
    missing.insert(QStringLiteral("OSTREL_GHOSTSCRIPT"), QStringLiteral("/nonexistent"));
    const auto result =
        run({copySample(QStringLiteral("a.ps")), QStringLiteral("-d"), outDir}, missing);
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.err.size(), 1);
    EXPECT_TRUE(result.err[0].contains(QStringLiteral("Ghostscript")))
        << result.err[0].toStdString();
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("a.pdf"))));
}

TEST_F(OstrelConvert, UsageErrorsExitWithTwo) {
    const QString sample = copySample(QStringLiteral("a.ps"));
    for (const QStringList& arguments :
         {QStringList{sample, QStringLiteral("-d"), dir.filePath(QStringLiteral("nowhere"))},
          QStringList{sample}, QStringList{QStringLiteral("-d"), outDir},
          QStringList{sample, QStringLiteral("-d"), outDir, QStringLiteral("--user-password"),
                      QStringLiteral("x")},
          QStringList{sample, QStringLiteral("-d"), outDir, QStringLiteral("--shard=3/2")},
          QStringList{QStringLiteral("--files-from"), dir.filePath(QStringLiteral("no-list")),
                      QStringLiteral("-d"), outDir}}) {
        const auto result = run(arguments);
        EXPECT_EQ(result.status, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(result.err.size(), 1) << result.err.join('\n').toStdString();
        EXPECT_TRUE(result.out.isEmpty());
    }
    EXPECT_TRUE(QDir(outDir).isEmpty());
}

TEST_F(OstrelConvert, HelpAndVersionGoToStandardOutputWithStatusZero) {
    struct Case {
        QStringList arguments;
        QString firstLine;
    };
    const QString usage = QStringLiteral("usage: ostrel-convert [options] FILE... -d DIR");
    for (const Case& c :
         {Case{{QStringLiteral("--help")}, usage}, Case{{QStringLiteral("-h")}, usage},
          Case{{QStringLiteral("-d"), dir.filePath(QStringLiteral("nowhere")),
                QStringLiteral("--help")},
               usage},
          Case{{QStringLiteral("--version")},
               QStringLiteral("ostrel-convert (Ostrel Word To PDF) 3.0.0")}}) {
        const auto result = run(c.arguments);
        EXPECT_EQ(result.status, 0) << c.arguments.join(' ').toStdString();
        ASSERT_FALSE(result.out.isEmpty());
        EXPECT_EQ(result.out[0], c.firstLine);
        EXPECT_TRUE(result.err.isEmpty()) << result.err.join('\n').toStdString();
    }
}

// The controlling side of a pseudo-terminal; the program gets the other side's name.
class PseudoTerminal {
public:
    PseudoTerminal() : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            name_ = QString::fromLocal8Bit(::ptsname(master_));
            ::fcntl(master_, F_SETFL, O_NONBLOCK);
        }
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal() {
        if (master_ >= 0) {
            ::close(master_);
        }
    }
    const QString& name() const { return name_; }
    // What the program wrote so far.
    QByteArray written() const {
        QByteArray all;
        char buffer[4096];
        ssize_t count = 0;
        while ((count = ::read(master_, buffer, sizeof buffer)) > 0) {
            all.append(buffer, count);
        }
        return all;
    }

private:
    int master_;
    QString name_;
};

TEST_F(OstrelConvert, ATerminalShowsWhichFileOfHowManyUnlessQuiet) {
    const QString first = copySample(QStringLiteral("first.ps"));
    const QString second = copySample(QStringLiteral("second.ps"));
    for (const bool quiet : {false, true}) {
        PseudoTerminal terminal;
        ASSERT_FALSE(terminal.name().isEmpty());
        QStringList arguments{first, second, QStringLiteral("-d"), outDir,
                              QStringLiteral("--overwrite=yes")};
        if (quiet) {
            arguments << QStringLiteral("-q");
        }
        const auto result = run(arguments, {}, terminal.name());
        EXPECT_EQ(result.status, 0);
        const QByteArray shown = terminal.written();
        if (quiet) {
            EXPECT_TRUE(shown.isEmpty()) << shown.toStdString();
            EXPECT_TRUE(result.out.isEmpty());
            continue;
        }
        EXPECT_TRUE(shown.contains("[1/2] first.ps: Ghostscript is making the PDF, "))
            << shown.toStdString();
        EXPECT_TRUE(shown.contains("[2/2] second.ps: ")) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith("\r\033[K")) << "the line is cleared at the end";
        // Standard output, not a terminal, keeps its plain lines.
        ASSERT_EQ(result.out.size(), 2);
        EXPECT_TRUE(result.out[1].startsWith(second + QStringLiteral(": converted, ")));
    }
}

TEST_F(OstrelConvert, ABrokenFileFailsWhileTheOthersConvert) {
    const QString first = copySample(QStringLiteral("first.ps"));
    const QString broken = write(QStringLiteral("broken.ps"), "%!PS\n1 0 div\nshowpage\n");
    const QString last = copySample(QStringLiteral("last.ps"));
    const QString missing = dir.filePath(QStringLiteral("missing.ps"));
    const auto result = run({first, broken, missing, last, QStringLiteral("-d"), outDir});
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.out.size(), 4);
    EXPECT_TRUE(result.out[1].startsWith(broken + QStringLiteral(": failed")));
    EXPECT_TRUE(result.out[2].startsWith(missing + QStringLiteral(": failed")));
    ASSERT_EQ(result.err.size(), 2);
    EXPECT_TRUE(result.err[0].contains(QStringLiteral("undefinedresult")))
        << result.err[0].toStdString();
    EXPECT_TRUE(test::readPdf(out(QStringLiteral("first.pdf")).toStdString()).has_value());
    EXPECT_TRUE(test::readPdf(out(QStringLiteral("last.pdf")).toStdString()).has_value());
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("broken.pdf"))));
}

TEST_F(OstrelConvert, ExistingPdfIsKeptWithNoAndWhenNobodyCanBeAsked) {
    const QString sample = copySample(QStringLiteral("a.ps"));
    const QString existing = write(QStringLiteral("out/a.pdf"), "not replaced");
    for (const QStringList& extra :
         {QStringList{QStringLiteral("--overwrite"), QStringLiteral("no")}, QStringList{}}) {
        const auto result = run(QStringList{sample, QStringLiteral("-d"), outDir} + extra);
        EXPECT_EQ(result.status, 1);
        ASSERT_EQ(result.out.size(), 1);
        EXPECT_TRUE(result.out[0].startsWith(sample + QStringLiteral(": skipped")));
        ASSERT_EQ(result.err.size(), 1);
        EXPECT_TRUE(result.err[0].startsWith(QStringLiteral("ostrel-convert: "))); // no question
        EXPECT_TRUE(result.err[0].contains(QStringLiteral("already exists")));
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "not replaced");
    }
    const auto replaced = run({sample, QStringLiteral("-d"), outDir,
                               QStringLiteral("--overwrite=yes"), QStringLiteral("--quiet")});
    EXPECT_EQ(replaced.status, 0);
    EXPECT_TRUE(replaced.out.isEmpty());
    EXPECT_TRUE(test::readPdf(existing.toStdString()).has_value());
}

// A child of the process with that name, when there is one ("pid (name) state ppid").
std::optional<pid_t> childNamed(pid_t parent, const QString& name) {
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QString text = QString::fromLatin1(stat.readAll());
        const auto open = text.indexOf(u'(');
        const auto close = text.lastIndexOf(u')');
        const QStringList rest = text.mid(close + 2).split(u' ');
        if (open > 0 && close > open && rest.size() > 1 &&
            text.mid(open + 1, close - open - 1) == name && rest[0] != QStringLiteral("Z") &&
            rest[1].toInt() == parent) {
            return entry.toInt();
        }
    }
    return std::nullopt;
}

// Ctrl-C while Ghostscript works (here on a file it would never finish): Ghostscript is
// ended and waited for, nothing is left under the PDF's name or in the spool folder, and
// one line names what was not finished.
TEST_F(OstrelConvert, AnInterruptEndsGhostscriptAndLeavesNothing) {
    const QString endless = write(QStringLiteral("endless.ps"), "%!PS\n{ } loop\n");
    const QString next = copySample(QStringLiteral("next.ps"));
    QProcess process;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OSTREL_SPOOL_DIR"), dir.filePath(QStringLiteral("spool")));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(OSTREL_CONVERT), {endless, next, QStringLiteral("-d"), outDir});
    ASSERT_TRUE(process.waitForStarted());
    std::optional<pid_t> ghostscript;
    QElapsedTimer clock;
    clock.start();
    while (!(ghostscript =
                 childNamed(static_cast<pid_t>(process.processId()), QStringLiteral("gs"))) &&
           clock.elapsed() < 60000) {
        QThread::msleep(20);
    }
    ASSERT_TRUE(ghostscript.has_value()) << "Ghostscript never started";
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130);
    EXPECT_EQ(QString::fromLocal8Bit(process.readAllStandardError()),
              QStringLiteral("ostrel-convert: stopped by SIGINT; not finished: %1, %2\n")
                  .arg(endless, next));
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(*ghostscript));
    if (commandLine.open(QIODevice::ReadOnly) && !commandLine.readAll().isEmpty()) {
        ADD_FAILURE() << "Ghostscript still runs";
        ::kill(*ghostscript, SIGKILL);
    }
    EXPECT_TRUE(
        QDir(outDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("spool")))
                  .entryList(QDir::Files | QDir::Hidden)
                  .filter(QStringLiteral("arguments")),
              QStringList());
}

// A script standing in for the office or Ghostscript: it notes that it ran and with
// which environment, then fails.
class StandIn {
public:
    StandIn(const QTemporaryDir& dir, const QString& name)
        : script_(dir.filePath(name)), log_(dir.filePath(name + QStringLiteral(".env"))) {
        QFile file(script_);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nenv >> '" + QFile::encodeName(log_) + "'\nexit 1\n");
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString& script() const { return script_; }
    bool ran() const { return QFile::exists(log_); }
    QString environment() const {
        QFile file(log_);
        return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
    }

private:
    QString script_;
    QString log_;
};

// Inputs that cannot be converted are refused one line each before any office starts
// (so no password is asked either); children never see the password variables.
TEST_F(OstrelConvert, BadInputsStartNothingAndChildrenGetNoPasswords) {
    const StandIn office(dir, QStringLiteral("office"));
    const StandIn ghostscript(dir, QStringLiteral("gs"));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("OSTREL_SOFFICE"), office.script());
    environment.insert(QStringLiteral("OSTREL_GHOSTSCRIPT"), ghostscript.script());
    environment.insert(QStringLiteral("OSTREL_REGISTRY_DIR"), dir.filePath(QStringLiteral("reg")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("cache")));
    for (const char* name :
         {"OSTREL_USER_PASSWORD", "OSTREL_OWNER_PASSWORD", "OSTREL_DOCUMENT_PASSWORD"}) {
        environment.insert(QString::fromLatin1(name), QStringLiteral("secret"));
    }

    const QString fifo = dir.filePath(QStringLiteral("fifo.docx"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = dir.filePath(QStringLiteral("folder.docx"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const std::vector<std::pair<QString, QString>> refused{
        {dir.filePath(QStringLiteral("missing.docx")), QStringLiteral("no such file")},
        {fifo, QStringLiteral("not a regular file (a FIFO)")},
        {folder, QStringLiteral("not a regular file (a folder)")},
        {QStringLiteral("/dev/zero"), QStringLiteral("not a regular file (a device)")},
        {write(QStringLiteral("empty.docx"), {}), QStringLiteral("empty file (0 bytes)")},
    };
    QStringList files;
    for (const auto& [file, reason] : refused) {
        files << file;
    }
    const auto result = run(files + QStringList{QStringLiteral("-d"), outDir}, environment);
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.err.size(), static_cast<qsizetype>(refused.size()))
        << result.err.join('\n').toStdString();
    for (std::size_t i = 0; i < refused.size(); ++i) {
        EXPECT_EQ(
            result.err[static_cast<qsizetype>(i)],
            QStringLiteral("ostrel-convert: %1: %2").arg(refused[i].first, refused[i].second));
    }
    EXPECT_FALSE(office.ran());

    const auto started = run({write(QStringLiteral("a.docx"), "not really a document"),
                              copySample(QStringLiteral("a.ps")), QStringLiteral("-d"), outDir},
                             environment);
    EXPECT_EQ(started.status, 1);
    ASSERT_TRUE(office.ran() && ghostscript.ran());
    for (const StandIn* child : {&office, &ghostscript}) {
        EXPECT_TRUE(child->environment().contains(QStringLiteral("OSTREL_SOFFICE=")));
        EXPECT_FALSE(child->environment().contains(QStringLiteral("PASSWORD")))
            << child->environment().toStdString();
    }
}

// The text of a PDF, as a reader would copy it.
QString pdfText(const QString& pdf) {
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    EXPECT_TRUE(reader.waitForFinished(60000));
    return QString::fromUtf8(reader.readAllStandardOutput());
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A hostile PostScript file tries what Ghostscript's file operators allow: delete,
// rename and create files under /tmp, read a secret there and in the caller's TMPDIR,
// list /tmp, redirect the output. It reaches nothing outside its own files: the files
// stay as they were, and neither the PDF nor the program's lines hold a secret or a name.
TEST_F(OstrelConvert, AHostilePostScriptReachesNothingButItsOwnFiles) {
    QTemporaryDir victim(QStringLiteral("/tmp/ostrel-victim-XXXXXX"));
    ASSERT_TRUE(victim.isValid());
    const QString tmpdir = dir.filePath(QStringLiteral("tmpdir"));
    ASSERT_TRUE(QDir().mkpath(tmpdir));
    const QByteArray tmpSecret = "victim-secret-in-tmp";
    const QByteArray ownSecret = "secret-in-the-callers-tmpdir";
    for (const auto& [path, content] :
         {std::pair{victim.filePath(QStringLiteral("secret")), tmpSecret},
          std::pair{tmpdir + QStringLiteral("/secret"), ownSecret},
          std::pair{victim.filePath(QStringLiteral("delete-me")), QByteArray("kept")},
          std::pair{victim.filePath(QStringLiteral("rename-me")), QByteArray("kept")}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const QByteArray v = QFile::encodeName(victim.path());
    const QByteArray probe = "%!PS\n/Helvetica findfont 10 scalefont setfont /y 760 def\n"
                             "/say { 72 y moveto show /y y 12 sub def } def\n"
                             "{ (" +
                             v +
                             "/delete-me) deletefile } stopped pop\n"
                             "{ (" +
                             v + "/rename-me) (" + v +
                             "/renamed) renamefile } stopped pop\n"
                             "{ (" +
                             v +
                             "/created) (w) file dup (x) writestring closefile } stopped pop\n"
                             "{ (" +
                             v +
                             "/secret) (r) file 100 string readstring pop say } stopped pop\n"
                             "{ (" +
                             QFile::encodeName(tmpdir) +
                             "/secret) (r) file 100 string readstring pop say }"
                             " stopped pop\n"
                             "{ (/tmp/*) { say } 1024 string filenameforall } stopped pop\n"
                             "(probe done) say showpage\n";
    const QString probeFile = write(QStringLiteral("probe.ps"), probe);
    const QString redirect =
        write(QStringLiteral("redirect.ps"), "%!PS\n{ << /OutputFile (" + v +
                                                 "/redirected.pdf) >> setpagedevice } stopped pop\n"
                                                 "/Helvetica findfont 10 scalefont setfont 72 700 "
                                                 "moveto (redirect done) show showpage\n");
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("TMPDIR"), tmpdir);
    const auto result = run({probeFile, redirect, QStringLiteral("-d"), outDir}, environment);

    ASSERT_EQ(result.out.size(), 2) << result.err.join('\n').toStdString();
    EXPECT_TRUE(result.out[0].startsWith(probeFile + QStringLiteral(": converted")));
    const QString text = pdfText(out(QStringLiteral("probe.pdf")));
    EXPECT_TRUE(text.contains(QStringLiteral("probe done"))) << text.toStdString();
    const QString lines = result.out.join('\n') + result.err.join('\n');
    for (const QByteArray& secret : {tmpSecret, ownSecret, v}) {
        EXPECT_FALSE(text.contains(QString::fromLatin1(secret))) << text.toStdString();
        EXPECT_FALSE(lines.contains(QString::fromLatin1(secret))) << lines.toStdString();
    }
    EXPECT_EQ(QDir(victim.path()).entryList(QDir::Files),
              QStringList({QStringLiteral("delete-me"), QStringLiteral("rename-me"),
                           QStringLiteral("secret")}));
    EXPECT_EQ(contentOf(victim.filePath(QStringLiteral("delete-me"))), "kept");
    EXPECT_EQ(QDir(tmpdir).entryList(QDir::Files), QStringList(QStringLiteral("secret")));
}

// Whether the process runs (exists and is no zombie).
bool runs(pid_t pid) {
    QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return commandLine.open(QIODevice::ReadOnly) && !commandLine.readAll().isEmpty();
}

// Ghostscript on a file it would never finish: ended at the limit with a line of its own.
// Killed with the program (SIGKILL, at any moment), it ends too; the PDF password never
// rests in the spool folder, and the next run removes what the killed one left there and
// in the destination.
TEST_F(OstrelConvert, AnEndlessJobEndsAtTheLimitAndNothingOutlivesAKilledRun) {
    const QString endless = write(QStringLiteral("endless.ps"), "%!PS\n{ 1 pop } loop\n");
    QProcessEnvironment shortLimit;
    shortLimit.insert(QStringLiteral("OSTREL_GHOSTSCRIPT_TIMEOUT"), QStringLiteral("2"));
    const auto limited = run({endless, QStringLiteral("-d"), outDir}, shortLimit);
    EXPECT_EQ(limited.status, 1);
    EXPECT_EQ(
        limited.err,
        QStringList(QStringLiteral("ostrel-convert: %1: Ghostscript did not finish within 2 s "
                                   "and was ended")
                        .arg(endless)));

    const QByteArray password = "user-password-4711";
    const QString passwordFile = write(QStringLiteral("pw"), password + "\n");
    const QString spool = dir.filePath(QStringLiteral("spool"));
    for (int round = 0; round < 3; ++round) {
        QProcess process;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("OSTREL_SPOOL_DIR"), spool);
        process.setProcessEnvironment(environment);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStringLiteral(OSTREL_CONVERT),
                      {endless, QStringLiteral("-d"), outDir, QStringLiteral("--security"),
                       QStringLiteral("--user-password-file"), passwordFile});
        ASSERT_TRUE(process.waitForStarted());
        const auto program = static_cast<pid_t>(process.processId());
        std::optional<pid_t> ghostscript;
        QElapsedTimer clock;
        clock.start();
        // Killed before Ghostscript starts in the first round, while it works afterwards.
        while (round > 0 && !(ghostscript = childNamed(program, QStringLiteral("gs"))) &&
               clock.elapsed() < 60000) {
            QThread::msleep(10);
        }
        ASSERT_TRUE(round == 0 || ghostscript.has_value()) << "Ghostscript never started";
        ::kill(program, SIGKILL);
        ASSERT_TRUE(process.waitForFinished(60000));
        if (ghostscript) {
            QElapsedTimer gone;
            gone.start();
            while (runs(*ghostscript) && gone.elapsed() < 10000) {
                QThread::msleep(10);
            }
            if (runs(*ghostscript)) {
                ADD_FAILURE() << "Ghostscript still runs";
                ::kill(*ghostscript, SIGKILL);
            }
        }
        QDirIterator files(spool, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString file = files.next();
            EXPECT_FALSE(contentOf(file).contains(password)) << file.toStdString();
        }
    }
    const auto next = run({copySample(QStringLiteral("next.ps")), QStringLiteral("-d"), outDir});
    EXPECT_EQ(next.status, 0) << next.err.join('\n').toStdString();
    EXPECT_EQ(QDir(outDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList(QStringLiteral("next.pdf")));
    EXPECT_EQ(QDir(spool).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList(QStringLiteral("lock")));
}

// The results of a --json run, which must be JSON Lines with the totals last.
test::ConvertResults jsonResults(const QByteArray& output) {
    test::ConvertResults results = test::readConvertResults(output);
    EXPECT_TRUE(results.defect.isEmpty()) << results.defect.toStdString();
    EXPECT_EQ(results.totals.size(), 1U);
    if (results.totals.empty()) {
        results.totals.emplace_back();
    }
    return results;
}

// Names a shell or a line list would break (a space, a line break, quotes, leading
// dashes) come through a NUL-separated list on standard input, after a file given as an
// argument; a missing file, its name not UTF-8, fails alone. Every result line is JSON,
// the name that is not UTF-8 given exactly in base64.
TEST_F(OstrelConvert, ANullSeparatedListTakesAnyNameAndTheResultsAreJson) {
    const QString argument = copySample(QStringLiteral("argument.ps"));
    QByteArray list;
    QStringList listed;
    for (const char* name :
         {"with space.ps", "line\nbreak.ps", "quo\"te's.ps", "-dash.ps", "--json.ps"}) {
        listed << copySample(QString::fromUtf8(name));
        list += QFile::encodeName(listed.back()) + '\0';
    }
    const QByteArray notUtf8 = QFile::encodeName(dir.path()) + "/caf\xe9.ps";
    list += notUtf8 + QByteArray("\0\0", 2);
    const auto result =
        run({argument, QStringLiteral("--files-from"), QStringLiteral("-"),
             QStringLiteral("--null"), QStringLiteral("--json"), QStringLiteral("-d"), outDir},
            {}, {}, list);
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.err.size(), 1) << result.err.join('\n').toStdString();
    EXPECT_TRUE(result.err[0].endsWith(QStringLiteral(": no such file")));

    const auto json = jsonResults(result.output);
    ASSERT_EQ(json.files.size(), 7U) << result.output.toStdString();
    EXPECT_EQ(json.withStatus("converted"), QStringList{argument} + listed);
    const QJsonObject& missing = json.files.back();
    EXPECT_EQ(test::ConvertResults::inputOf(missing), notUtf8);
    EXPECT_EQ(missing[QStringLiteral("input")], dir.path() + QStringLiteral("/caf\ufffd.ps"));
    EXPECT_EQ(missing[QStringLiteral("status")], QStringLiteral("failed"));
    EXPECT_EQ(missing[QStringLiteral("reason")], QStringLiteral("no such file"));
    EXPECT_TRUE(test::ConvertResults::stagesOf(missing).isEmpty());
    EXPECT_EQ(missing[QStringLiteral("pdf_base64")].toString(),
              QString::fromLatin1((QFile::encodeName(outDir) + "/caf\xe9.pdf").toBase64()));
    for (const QJsonObject& file : json.files) {
        if (file[QStringLiteral("status")] == QStringLiteral("converted")) {
            const QString pdf = file[QStringLiteral("pdf")].toString();
            EXPECT_EQ(file[QStringLiteral("bytes")].toInteger(), QFileInfo(pdf).size());
            EXPECT_EQ(file[QStringLiteral("pages")], 1);
            EXPECT_EQ(file[QStringLiteral("reason")], QString());
            EXPECT_EQ(test::ConvertResults::stagesOf(file),
                      QStringList({"adjust", "check", "ghostscript", "rename"}));
            EXPECT_TRUE(test::ConvertResults::stagesFitItsTime(file));
            EXPECT_TRUE(test::readPdf(pdf.toStdString()).has_value()) << pdf.toStdString();
        }
    }
    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("line\nbreak.pdf"))));
    EXPECT_EQ(json.totals[0][QStringLiteral("files")], 7);
    EXPECT_EQ(json.totals[0][QStringLiteral("converted")], 6);
    EXPECT_EQ(json.totals[0][QStringLiteral("failed")], 1);
    EXPECT_EQ(json.totals[0][QStringLiteral("not_finished")], 0);
    EXPECT_EQ(json.totals[0][QStringLiteral("pages")], 6);
    EXPECT_TRUE(json.totals[0][QStringLiteral("stopped_by")].isNull());
}

// A run stopped after a few files and then run again with --overwrite no: every PDF is
// there once and whole, and the second run converts exactly what the first did not.
TEST_F(OstrelConvert, AStoppedRunIsResumedByRunningItAgain) {
    QByteArray list;
    QStringList files;
    for (int number = 1; number <= 30; ++number) {
        files << copySample(QStringLiteral("part-%1.ps").arg(number, 2, 10, QLatin1Char('0')));
        list += QFile::encodeName(files.back()) + '\n';
    }
    const QStringList arguments{QStringLiteral("--files-from"),
                                write(QStringLiteral("list"), list),
                                QStringLiteral("--json"),
                                QStringLiteral("--overwrite"),
                                QStringLiteral("no"),
                                QStringLiteral("-d"),
                                outDir};
    QProcess first;
    start(first, arguments);
    QByteArray output;
    while (output.count("\"converted\"") < 3 && first.waitForReadyRead(120000)) {
        output += first.readAllStandardOutput();
    }
    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(120000));
    EXPECT_EQ(first.exitCode(), 143);
    const auto stopped = jsonResults(output + first.readAllStandardOutput());
    const QStringList done = stopped.withStatus("converted");
    EXPECT_EQ(stopped.totals[0][QStringLiteral("stopped_by")], QStringLiteral("SIGTERM"));
    EXPECT_EQ(stopped.totals[0][QStringLiteral("not_finished")],
              30 - static_cast<int>(stopped.files.size()));
    ASSERT_GE(done.size(), 3);
    ASSERT_LT(done.size(), 30) << "the run was not stopped";

    const auto again = run(arguments);
    EXPECT_EQ(again.status, 1); // the skipped ones
    const auto resumed = jsonResults(again.output);
    EXPECT_EQ(resumed.inputs(), files);
    EXPECT_EQ(resumed.withStatus("skipped"), done);
    EXPECT_EQ(resumed.withStatus("converted").size() + done.size(), 30);
    for (const QString& file : files) {
        const QString pdf = out(QFileInfo(file).completeBaseName() + QStringLiteral(".pdf"));
        QProcess check;
        check.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
        ASSERT_TRUE(check.waitForFinished(60000));
        EXPECT_EQ(check.exitCode(), 0) << pdf.toStdString();
    }
    EXPECT_EQ(QDir(outDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
              30);
}

} // namespace
} // namespace ostrel
