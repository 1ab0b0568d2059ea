#include "shell_opener.h"

#include "system/process.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QMimeDatabase>
#include <QUrl>

#include <chrono>
#include <system_error>

namespace ostrel {

ShellOpener& ShellOpener::standard() {
    static DesktopShell shell;
    return shell;
}

void DesktopShell::open(const QString& pathOrUrl) {
    const QUrl url =
        QUrl(pathOrUrl).scheme().size() > 1 ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
    // Failures are not reported: the shell's own behaviour.
    QDesktopServices::openUrl(url);
}

bool DesktopShell::openWithProgram(const QString& path) {
    return hasProgramFor(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
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
        return !exit || (exit->succeeded() &&
                         !QByteArray::fromStdString(query.output()).trimmed().isEmpty());
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
