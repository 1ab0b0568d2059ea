#include "shell_opener.h"

#include "product.h"
#include "system/process.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QMimeDatabase>
#include <QUrl>

#include <chrono>
#include <system_error>
#include <thread>

namespace ostrel {

namespace {

bool isAddress(const QString& pathOrUrl) {
    return QUrl(pathOrUrl).scheme().size() > 1;
}

} // namespace

ShellOpener& ShellOpener::standard() {
    static DesktopShell shell;
    return shell;
}

void DesktopShell::open(const QString& pathOrUrl) {
    const QUrl url = isAddress(pathOrUrl) ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
    // Failures are not reported: the shell's own behaviour.
    QDesktopServices::openUrl(url);
}

bool DesktopShell::openWithProgram(const QString& pathOrUrl) {
    const bool address = isAddress(pathOrUrl);
    if (!address && !hasProgramFor(pathOrUrl)) {
        return false;
    }
    const QString target =
        address ? pathOrUrl : QUrl::fromLocalFile(pathOrUrl).toString(QUrl::FullyEncoded);
    try {
        Process opener = Process::start({"xdg-open", target.toStdString()});
        // xdg-open ends at once when the desktop hands the target on, and with an error when
        // nothing can open it. Where it runs a browser in its own place instead, that
        // browser works: it is left to run, and reaped when it ends.
        if (const auto exit = opener.waitFor(std::chrono::seconds(10))) {
            return exit->succeeded();
        }
        std::thread([running = std::move(opener)]() mutable { running.wait(); }).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

bool DesktopShell::hasProgramFor(const QString& path) {
    const QString type = QMimeDatabase().mimeTypeForFile(path).name();
    ProcessOptions options;
    options.captureOutput = true;
    try {
        Process query =
            Process::start({"xdg-mime", "query", "default", type.toStdString()}, options);
        // A query that cannot run or does not end leaves the choice to the desktop.
        const auto exit = query.waitFor(std::chrono::seconds(30));
        if (!exit) {
            return true;
        }
        // The program lists web pages and text for conversion, and where nothing else opens
        // them the desktop names it: it would take its own help pages as documents.
        const QByteArray program = QByteArray::fromStdString(query.output()).trimmed();
        return exit->succeeded() && !program.isEmpty() && program != kProductDesktopEntry;
    } catch (const std::system_error&) {
        return true;
    }
}

void DesktopShell::showInFolder(const QString& folder, const QString& filePath) {
    if (!showItems(QUrl::fromLocalFile(filePath).toString())) {
        open(folder);
    }
}

bool DesktopShell::showItems(const QString& fileUri) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{fileUri} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace ostrel
