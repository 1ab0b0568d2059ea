#include "word/office_profile.h"

#include "word/office_sockets.h"

#include "system/spool_folder.h"
#include "word/office_process.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>
#include <utility>

namespace fs = std::filesystem;

namespace ostrel::word {
namespace {

// Bump when the template's content changes, so that older templates are rebuilt.
constexpr const char* kTemplateVersion = "4";

// A PDF printer: its print job, written to the print file, is the office's PDF with the
// text's Unicode and the pictures as they are. Its PostScript (PDFDevice=0) embeds
// TrueType fonts without the characters their glyphs stand for, and is sometimes not
// valid PostScript (pictures with a colour table).
constexpr const char* kPsprintConf = R"([OstrelWordToPDF]
Printer=SGENPRT/OstrelWordToPDF
DefaultPrinter=1
Location=
Comment=Ostrel Word To PDF
Command=
QuickCommand=
Features=
Copies=1
Orientation=Portrait
Scale=100
MarginAdjust=0,0,0,0
ColorDepth=24
ColorDevice=0
PSLevel=2
PDFDevice=1
PPD_PageSize=A4
)";

// Macros never run; links, fields and charts are never updated from outside. The
// background work an editor does between loading and printing (spelling, grammar, words
// for completion) does nothing for a print and makes it wait: on a long document the
// word collection alone costs a tenth of the office's time.
constexpr const char* kRegistryModifications = R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Security/Scripting"><prop oor:name="MacroSecurityLevel" oor:op="fuse"><value>3</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Security/Scripting"><prop oor:name="DisableMacrosExecution" oor:op="fuse"><value>true</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Security/Scripting"><prop oor:name="BlockUntrustedRefererLinks" oor:op="fuse"><value>true</value></prop></item>
<item oor:path="/org.openoffice.Office.Writer/Content/Update"><prop oor:name="Link" oor:op="fuse"><value>0</value></prop></item>
<item oor:path="/org.openoffice.Office.Writer/Content/Update"><prop oor:name="Field" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Writer/Content/Update"><prop oor:name="Chart" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Linguistic/SpellChecking"><prop oor:name="IsSpellAuto" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Linguistic/GrammarChecking"><prop oor:name="IsAutoCheck" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Writer/AutoFunction/Completion"><prop oor:name="Enable" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Writer/AutoFunction/Completion"><prop oor:name="CollectWords" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
)";

constexpr auto kInitialiseLimit = std::chrono::seconds(60);

void writeFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string readFirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// Runs the office on a new profile until it has set the profile up and ended. Only a start
// that goes on to work on a document sets up the profile's extensions, and that first
// start ends asking for a restart (exit code 81); a profile left without them would make
// every office started on a copy of it start twice. So the office converts an empty text
// in the profile's setup folder, starting again as often as it asks.
void initialiseProfile(const std::string& office, const fs::path& profile) {
    const fs::path setup = profile / "setup";
    writeFile(setup / "empty.txt", "");
    for (int attempt = 0; attempt < 3; ++attempt) {
        OfficeProcess process({office, "--headless", "--invisible", "--norestore", "--nologo",
                               "--nodefault", "--nolockcheck",
                               "-env:UserInstallation=" + fileUrl(profile), "--convert-to", "pdf",
                               "--outdir", setup.string(), (setup / "empty.txt").string()},
                              setup);
        if (!process.waitForExit(kInitialiseLimit)) {
            throw std::runtime_error("the office did not finish setting up its profile");
        }
        const ProcessExit exit = process.exit().value_or(ProcessExit{});
        if (exit.succeeded()) {
            fs::remove_all(setup);
            return;
        }
        if (!exit.exited || exit.code != 81) {
            throw std::runtime_error("the office failed to set up its profile");
        }
    }
    throw std::runtime_error("the office kept restarting while setting up its profile");
}

// The template's version and the state of the office's installation: when each of its
// folders of programs, services, settings and extensions last changed. An office updated
// or given a new part after the template was set up asks every office started on a copy
// of it to restart (exit code 81), so each would start twice.
std::string templateStamp(const std::string& office) {
    std::error_code ec;
    fs::path program = fs::canonical(office, ec).parent_path();
    if (ec) {
        program = fs::path(office).parent_path();
    }
    const fs::path share = program.parent_path() / "share";
    std::string stamp = kTemplateVersion;
    for (const fs::path& folder : {program, program / "services", share / ".registry",
                                   share / "registry", share / "extensions"}) {
        const auto changed = fs::last_write_time(folder, ec);
        stamp += ' ' + (ec ? std::string("-") : std::to_string(changed.time_since_epoch().count()));
    }
    return stamp;
}

// The template under `root`, set up anew when it is missing or its stamp is not the
// current one. The caller holds the template's lock.
fs::path ensureTemplate(const fs::path& root, const std::string& office) {
    const fs::path templ = root / "template";
    const std::string stamp = templateStamp(office);
    if (readFirstLine(templ / "ostrel-template-version") == stamp) {
        return templ;
    }
    const fs::path fresh = root / ("template.new-" + std::to_string(getpid()));
    fs::remove_all(fresh);
    writeFile(fresh / "user" / "psprint" / "psprint.conf", kPsprintConf);
    writeFile(fresh / "user" / "registrymodifications.xcu", kRegistryModifications);
    try {
        initialiseProfile(office, fresh);
    } catch (...) {
        fs::remove_all(fresh);
        throw;
    }
    writeFile(fresh / "ostrel-template-version", stamp);
    fs::remove_all(templ);
    fs::rename(fresh, templ);
    return templ;
}

// Removes instance folders whose owner is gone (their lock is free).
void removeLeftovers(const fs::path& instances) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(instances, ec)) {
        if (entry.path().extension() != ".lock") {
            continue;
        }
        FileLock probe(entry.path(), false);
        if (probe.held()) {
            fs::path folder = entry.path();
            folder.replace_extension();
            // An office killed while it started leaves its pipes, named after the folder.
            removeOfficePipeFiles(officePipeFiles(folder.filename().string(), fileUrl(folder)));
            fs::remove_all(folder, ec);
            fs::remove(entry.path(), ec);
        }
    }
}

std::string uniqueName() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    return "ostrel-word-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + "-" +
           std::to_string(random() % 1000000);
}

} // namespace

fs::path profileRoot() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/') {
        return fs::path(cache) / "ostrel" / "word";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "/tmp") / ".cache" / "ostrel" / "word";
}

std::string fileUrl(const fs::path& path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char byte : path.string()) {
        const auto c = static_cast<unsigned char>(byte);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 0xF];
        }
    }
    return url;
}

InstanceProfile::InstanceProfile(const std::string& office) {
    const fs::path root = profileRoot();
    createPrivateFolders(root);
    const fs::path instances = root / "instances";
    fs::create_directories(instances);
    removeLeftovers(instances);
    name_ = uniqueName();
    lockFile_ = instances / (name_ + ".lock");
    // Locked under another name first: another conversion sweeping the leftovers would
    // take a lock file that is not locked yet for one whose owner is gone.
    const fs::path claim = instances / (name_ + ".claim");
    FileLock lock(claim, false);
    if (!lock.held()) {
        throw std::runtime_error("cannot lock " + claim.string());
    }
    fs::rename(claim, lockFile_);
    directory_ = instances / name_;
    try {
        // Copied under the template's lock too: another conversion may be setting it up
        // anew for an updated office.
        FileLock templateLock(root / "template.lock", true);
        fs::copy(ensureTemplate(root, office), directory_, fs::copy_options::recursive);
        fs::create_directory(temporaryFolder());
        fs::permissions(temporaryFolder(), fs::perms::owner_all);
    } catch (...) {
        std::error_code ec;
        fs::remove_all(directory_, ec);
        fs::remove(lockFile_, ec);
        throw;
    }
    lock_ = std::move(lock);
}

InstanceProfile::~InstanceProfile() {
    std::error_code ec;
    fs::remove_all(directory_, ec);
    fs::remove(lockFile_, ec);
}

} // namespace ostrel::word
