#include "word/office_sockets.h"

#include <QCryptographicHash>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace ostrel::word {
namespace {

constexpr const char* kPipePrefix = "OSL_PIPE_";

// The inodes of the sockets among the process's open descriptors ("socket:[123]").
std::set<std::string> socketInodes(pid_t pid) {
    std::set<std::string> inodes;
    std::error_code ec;
    const fs::path descriptors = fs::path("/proc") / std::to_string(pid) / "fd";
    for (const auto& entry : fs::directory_iterator(descriptors, ec)) {
        const std::string target = fs::read_symlink(entry.path(), ec).string();
        if (!ec && target.starts_with("socket:[") && target.ends_with(']')) {
            inodes.insert(target.substr(8, target.size() - 9));
        }
    }
    return inodes;
}

} // namespace

std::vector<fs::path> officePipeFiles(const std::string& pipeName, const std::string& profileUrl) {
    const QString url = QString::fromUtf8(profileUrl);
    QByteArray utf16;
    for (const QChar c : url) {
        utf16.append(static_cast<char>(c.unicode() & 0xFF));
        utf16.append(static_cast<char>(c.unicode() >> 8));
    }
    std::string hash;
    for (const char byte : QCryptographicHash::hash(utf16, QCryptographicHash::Md5)) {
        hash += QString::number(static_cast<unsigned char>(byte), 16).toStdString();
    }
    const std::string prefix =
        "/tmp/" + std::string(kPipePrefix) + std::to_string(::getuid()) + "_";
    return {prefix + pipeName, prefix + "SingleOfficeIPC_" + hash};
}

std::vector<fs::path> officePipeFilesOf(pid_t pid) {
    const std::set<std::string> inodes = socketInodes(pid);
    std::vector<fs::path> files;
    // Num RefCount Protocol Flags Type St Inode [Path]
    std::ifstream table("/proc/net/unix");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string skipped;
        std::string inode;
        std::string path;
        for (int i = 0; i < 6; ++i) {
            fields >> skipped;
        }
        fields >> inode >> path;
        if (inodes.contains(inode) && fs::path(path).filename().string().starts_with(kPipePrefix)) {
            files.emplace_back(path);
        }
    }
    return files;
}

void removeOfficePipeFiles(const std::vector<fs::path>& files) {
    for (const fs::path& file : files) {
        struct stat info {};
        if (::lstat(file.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) &&
            info.st_uid == ::geteuid()) {
            ::unlink(file.c_str());
        }
    }
}

} // namespace ostrel::word
