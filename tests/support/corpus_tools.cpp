#include "corpus_tools.h"

#include "environment.h"
#include "pdf_facts.h"
#include "system/process.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace ostrel::test {

namespace {

std::string local(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

// The parent, name and state of a process from /proc/PID/stat, false when it is gone.
bool readStat(pid_t pid, pid_t& parent, std::string& name, char& state) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) {
        return false;
    }
    const auto open = text.find('(');
    const auto close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos) {
        return false;
    }
    name = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 2));
    rest >> state >> parent;
    return true;
}

// What a tool writes on its standard output (and error), empty when it fails.
QString toolOutput(const std::vector<std::string>& argv) {
    ProcessOptions options;
    options.captureOutput = true;
    Process process = Process::start(argv, options);
    if (!process.wait().succeeded()) {
        return {};
    }
    return QString::fromStdString(process.output());
}

} // namespace

QString corpusFolder(const QString& part) {
    const QString folder = QStringLiteral(OSTREL_CORPUS_DIR "/") + part;
    return QFileInfo(folder).isDir() ? QFileInfo(folder).canonicalFilePath() : QString();
}

QStringList corpusFiles(const QString& part) {
    const QString folder = corpusFolder(part);
    QStringList files;
    if (folder.isEmpty()) {
        return files;
    }
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
        files << folder + u'/' + name;
    }
    return files;
}

std::vector<QStringList> withoutNameClashes(const QStringList& files) {
    std::vector<QStringList> groups;
    std::vector<std::set<QString>> names;
    for (const QString& file : files) {
        const QString name = QFileInfo(file).completeBaseName();
        std::size_t group = 0;
        while (group < groups.size() && names[group].count(name) != 0) {
            ++group;
        }
        if (group == groups.size()) {
            groups.emplace_back();
            names.emplace_back();
        }
        groups[group] << file;
        names[group].insert(name);
    }
    return groups;
}

std::map<QString, QString> referenceExports(const QStringList& files, const QString& outFolder) {
    QDir().mkpath(outFolder);
    std::vector<std::string> argv{
        "soffice",
        "-env:UserInstallation=file://" + local(outFolder + QStringLiteral("/.profile")),
        "--headless",
        "--norestore",
        "--convert-to",
        "pdf",
        "--outdir",
        local(outFolder)};
    for (const QString& file : files) {
        argv.push_back(local(file));
    }
    ProcessOptions options;
    options.captureOutput = true;
    Process::start(argv, options).wait();

    std::map<QString, QString> pdfs;
    for (const QString& file : files) {
        const QString pdf =
            outFolder + u'/' + QFileInfo(file).completeBaseName() + QStringLiteral(".pdf");
        pdfs[file] = QFileInfo::exists(pdf) ? pdf : QString();
    }
    return pdfs;
}

QString writeNavigationDocument(const QString& folder) {
    const QString path = folder + QStringLiteral("/navigation.fodt");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return {};
    }
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:xlink="http://www.w3.org/1999/xlink" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.text">
<office:automatic-styles><style:style style:name="Break" style:family="paragraph">
<style:paragraph-properties fo:break-before="page"/></style:style></office:automatic-styles>
<office:body><office:text>
<text:table-of-content text:name="Contents">
<text:table-of-content-source text:outline-level="3"/><text:index-body>
<text:p><text:a xlink:type="simple" xlink:href="#Introduction|outline">Introduction</text:a></text:p>
<text:p><text:a xlink:type="simple" xlink:href="#Background|outline">Background</text:a></text:p>
<text:p><text:a xlink:type="simple" xlink:href="#Details|outline">Details</text:a></text:p>
<text:p><text:a xlink:type="simple" xlink:href="#Summary|outline">Summary</text:a></text:p>
</text:index-body></text:table-of-content>
<text:h text:outline-level="1">Introduction</text:h>
<text:p>The details are on page <text:bookmark-ref text:reference-format="page"
 text:ref-name="details">3</text:bookmark-ref>; write to <text:a xlink:type="simple"
 xlink:href="mailto:someone@example.org">someone@example.org</text:a> or see
 <text:a xlink:type="simple" xlink:href="https://example.org/navigation">the web page</text:a>.</text:p>
<text:h text:outline-level="2" text:style-name="Break">Background</text:h>
<text:p>Some background.</text:p>
<text:h text:outline-level="3" text:style-name="Break">Details</text:h>
<text:p><text:bookmark text:name="details"/>The details.</text:p>
<text:h text:outline-level="1" text:style-name="Break">Summary</text:h>
<text:p>The end.</text:p>
</office:text></office:body></office:document>
)");
    return path;
}

GreyPage firstPageGrey(const QString& pdf, const QString& workFolder, int dpi) {
    const QString image = workFolder + QStringLiteral("/first-page");
    ProcessOptions options;
    options.captureOutput = true;
    const ProcessExit exit = Process::start({"pdftoppm", "-r", std::to_string(dpi), "-f", "1", "-l",
                                             "1", "-gray", "-singlefile", local(pdf), local(image)},
                                            options)
                                 .wait();
    if (!exit.succeeded()) {
        return {};
    }
    // A binary PGM: "P5", width, height, maximum value, one blank, then the pixels.
    std::ifstream pgm(local(image + QStringLiteral(".pgm")), std::ios::binary);
    std::string magic;
    GreyPage page;
    int maximum = 0;
    pgm >> magic >> page.width >> page.height >> maximum;
    pgm.get();
    if (magic != "P5" || maximum != 255 || page.width <= 0 || page.height <= 0) {
        return {};
    }
    page.pixels.resize(static_cast<std::size_t>(page.width) *
                       static_cast<std::size_t>(page.height));
    pgm.read(reinterpret_cast<char*>(page.pixels.data()),
             static_cast<std::streamsize>(page.pixels.size()));
    QFile::remove(image + QStringLiteral(".pgm"));
    return page;
}

bool firstPageHasInk(const QString& pdf, const QString& workFolder) {
    const GreyPage page = firstPageGrey(pdf, workFolder, 20);
    return std::any_of(page.pixels.begin(), page.pixels.end(),
                       [](unsigned char pixel) { return pixel < 250; });
}

double firstPageDifference(const QString& pdf, const QString& other, const QString& workFolder) {
    const GreyPage ours = firstPageGrey(pdf, workFolder, 30);
    const GreyPage theirs = firstPageGrey(other, workFolder, 30);
    if (ours.pixels.empty() || ours.width != theirs.width || ours.height != theirs.height) {
        return 1.0;
    }
    std::size_t differing = 0;
    for (std::size_t i = 0; i < ours.pixels.size(); ++i) {
        differing += std::abs(int(ours.pixels[i]) - int(theirs.pixels[i])) * 100 > 15 * 255;
    }
    return double(differing) / double(ours.pixels.size());
}

std::map<QString, int> pdfWords(const QString& pdf) {
    const QString text = toolOutput({"pdftotext", "-q", local(pdf), "-"});
    std::map<QString, int> words;
    QString word;
    for (const QChar c : text + u' ') {
        if (c.isLetterOrNumber() || c.isMark()) {
            word += c;
        } else if (!word.isEmpty()) {
            ++words[word];
            word.clear();
        }
    }
    return words;
}

QString charactersNotIn(const std::map<QString, int>& words,
                        const std::map<QString, int>& reference) {
    QString known;
    for (const auto& entry : reference) {
        known += entry.first;
    }
    QString missing;
    for (const auto& entry : words) {
        for (const QChar c : entry.first) {
            if (!known.contains(c) && !missing.contains(c)) {
                missing += c;
            }
        }
    }
    return missing;
}

int wordCount(const std::map<QString, int>& words) {
    int count = 0;
    for (const auto& entry : words) {
        count += entry.second;
    }
    return count;
}

int sharedWordCount(const std::map<QString, int>& words, const std::map<QString, int>& other) {
    int count = 0;
    for (const auto& [word, times] : words) {
        const auto found = other.find(word);
        count += found == other.end() ? 0 : std::min(times, found->second);
    }
    return count;
}

QStringList fontsWithoutUnicode(const QString& pdf) {
    // "name type [type] encoding emb sub uni object-number generation", two heading lines.
    const QStringList lines = toolOutput({"pdffonts", local(pdf)}).split(u'\n', Qt::SkipEmptyParts);
    QStringList fonts;
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList fields = lines[i].simplified().split(u' ');
        if (fields.size() >= 7 && fields[fields.size() - 3] == u"no") {
            fonts << fields.first();
        }
    }
    return fonts;
}

void makeThisProcessTheirReaper() {
    prctl(PR_SET_CHILD_SUBREAPER, 1L, 0L, 0L, 0L);
}

std::vector<std::string> leftoverProcesses() {
    static const std::set<std::string> watched{"soffice.bin", "soffice", "oosplash", "gs"};
    const pid_t self = getpid();
    std::map<pid_t, std::pair<pid_t, std::string>> processes;
    for (QDirIterator it(QStringLiteral("/proc")); it.hasNext();) {
        bool number = false;
        const pid_t pid = it.next().section(u'/', -1).toInt(&number);
        pid_t parent = 0;
        std::string name;
        char state = 0;
        // A zombie has ended already; only its exit status is left to collect.
        if (number && readStat(pid, parent, name, state) && state != 'Z') {
            processes[pid] = {parent, name};
        }
    }
    std::vector<std::string> ours;
    for (const auto& [pid, entry] : processes) {
        if (watched.count(entry.second) == 0) {
            continue;
        }
        for (pid_t up = entry.first; up > 1 && processes.count(up) != 0; up = processes[up].first) {
            if (up == self) {
                ours.push_back(entry.second + " " + std::to_string(pid));
                break;
            }
        }
    }
    return ours;
}

QStringList unexpectedSpoolFiles(const QString& spoolFolder) {
    QStringList extra;
    for (const QString& name :
         QDir(spoolFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QString path = spoolFolder + u'/' + name;
        // A worker of a parallel run has a folder of its own, with the same files.
        if (name.startsWith(u"job-") && QFileInfo(path).isDir()) {
            for (const QString& inner : unexpectedSpoolFiles(path)) {
                extra << name + u'/' + inner;
            }
        } else if (name != u"tmp.ps" && name != u"pdfmarks" && name != u"lock") {
            extra << name;
        }
    }
    return extra;
}

} // namespace ostrel::test
